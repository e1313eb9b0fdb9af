#!/usr/bin/env bash
# The headless sway session the Wayland tests run in: a compositor binding fired
# by a real key press runs as the session's user with the session's sound server,
# the caller reaches XWayland, as-sway-user and the staged installation work, and
# when the command ends its status is returned and nothing of the session is left.
#
#   sway_session.sh WITH_SWAY BUILD_DIR
set -euo pipefail
with_sway=$1 build=$2
fail() { echo "FAIL: $*" >&2; exit 1; }

if [ "${1:-}" != --inside ]; then
  out=$(mktemp -d /tmp/sway-session-test.XXXXXX)
  trap 'rm -rf "$out"' EXIT
  chmod 777 "$out"
  status=0
  "$with_sway" --install "$build" --config-line "bindsym --no-repeat Ctrl+Mod4+a exec sh -c 'id -un; pactl info >/dev/null && echo sound' > $out/bound" \
    -- "$0" --inside "$out" || status=$?
  [ "$status" = 7 ] || fail "with-sway returned $status, not the command's 7"
  runtime=$(cat "$out/runtime")
  [ ! -e "$runtime" ] || fail "the session's folders were left behind"
  left=$(grep -lzx "XDG_RUNTIME_DIR=$runtime" /proc/[0-9]*/environ 2>/dev/null || true)
  [ -z "$left" ] || fail "processes of the session still run: $left"
  echo "session cleaned up"
  exit 0
fi

out=$2
echo "$XDG_RUNTIME_DIR" > "$out/runtime"
case "$WAYLAND_DISPLAY" in /*) test -S "$WAYLAND_DISPLAY" ;; *) fail "WAYLAND_DISPLAY is not an absolute path" ;; esac
swaymsg -t get_version >/dev/null || fail "no IPC through SWAYSOCK"
[ "$(as-sway-user id -un)" = "$SAYLINE_SWAY_USER" ] || fail "as-sway-user did not switch user"
xdpyinfo >/dev/null || fail "the caller cannot reach XWayland on $DISPLAY"
as-sway-user xdpyinfo >/dev/null || fail "the session's user cannot reach XWayland"
as-sway-user "$SAYLINE_TEST_PREFIX/voxcore-cli" --help >/dev/null || fail "the staged installation does not run as the session's user"
# A program the compositor starts keeps running after the command; cleanup must end it.
swaymsg exec "sleep 600" >/dev/null

wtype -M ctrl -M logo -P a -p a -m logo -m ctrl
for _ in $(seq 50); do [ -s "$out/bound" ] && grep -q sound "$out/bound" && break; sleep 0.1; done
[ "$(head -n1 "$out/bound" 2>/dev/null)" = "$SAYLINE_SWAY_USER" ] || fail "the binding did not run as the session's user: $(cat "$out/bound" 2>/dev/null)"
grep -qx sound "$out/bound" || fail "the binding could not reach the sound server"
echo "binding ran as $SAYLINE_SWAY_USER and reached the sound server"
exit 7
