#!/usr/bin/env bash
# Sayline on a headless wlroots compositor (sway): the compositor binding's key
# press -> panel mapped, second press -> text readable with wl-paste, and the
# hand-over time of a command to the running instance. Runs inside
# with-sway --install BUILD_DIR; prints FIGURE lines.
#
#   wayland_bench.sh SAY_INTO_MIC FIND_PANEL
set -uo pipefail
say_into_mic=$1 find_panel=$2
sayline="$SAYLINE_TEST_PREFIX/sayline"
work=$(mktemp -d /tmp/sayline-wlbench.XXXXXX); chmod 777 "$work"
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
# shellcheck source=panel-timing.sh
. "$(dirname "$0")/panel-timing.sh"
press() { as-sway-user wtype -M ctrl -M logo -P a -p a -m logo -m ctrl; }

swaymsg "bindsym --no-repeat Ctrl+Mod4+a exec $sayline --toggle" >/dev/null
as-sway-user foot --app-id=target sh -c "cat > /dev/null" &
as-sway-user "$sayline" >"$work/sayline.out" 2>&1 &
wait_until 20000 shown || { echo "panel never shown"; cat "$work/sayline.out"; exit 1; }
sleep 2

: >"$work/map"; : >"$work/clip"; : >"$work/command"
for i in $(seq 5); do
  "$say_into_mic" "Testing number $i." >/dev/null 2>&1
  sleep 1
  as-sway-user wl-copy --clear 2>/dev/null
  start=$(now_ms); press
  wait_until 10000 hidden || continue
  wait_until 10000 sh -c '[ -n "$(as-sway-user wl-paste -n 2>/dev/null)" ]' && echo $(( $(now_ms) - start )) >>"$work/clip"
  sleep 0.5
  start=$(now_ms); press
  wait_until 10000 shown && echo $(( $(now_ms) - start )) >>"$work/map"
  sleep 1
done
# The panel is shown: --start changes nothing, so this is the hand-over alone.
for _ in $(seq 20); do
  start=$(date +%s%N); as-sway-user "$sayline" --start; end=$(date +%s%N)
  echo $(( (end - start) / 1000000 )) >>"$work/command"
done
echo "FIGURE wayland_key_to_panel=$(median <"$work/map") ms"
echo "FIGURE wayland_press_to_clipboard=$(median <"$work/clip") ms"
echo "FIGURE wayland_command_handover=$(median <"$work/command") ms"
