#!/usr/bin/env bash
# One dictation on a wlroots compositor through the real program and services:
# Sayline's panel at the bottom centre of the output (XWayland, unmanaged) with
# the focus left on a native Wayland terminal; Ctrl+Super+A pressed on a
# virtual keyboard fires the compositor's binding `sayline --toggle`, which
# delivers the dictated words to the clipboard (read back with wl-paste) and
# types them into the terminal; `sayline --cancel` discards; a second launch
# hands over; the commands fail clearly without a running Sayline.
# Runs inside with-sway --install BUILD_DIR.
#
#   wayland_dictation.sh SAY_INTO_MIC ARTIFACT_DIR
set -euo pipefail
say_into_mic=$1 artifacts=$2
mkdir -p "$artifacts"
sayline="$SAYLINE_TEST_PREFIX/sayline"
work=$(mktemp -d /tmp/sayline-wayland.XXXXXX)
chmod 777 "$work"
# shellcheck source=script-helpers.sh
. "$(dirname "$0")/script-helpers.sh"
focused_app() { swaymsg -t get_tree | python3 -c '
import json, sys
def walk(n):
    if n.get("focused"): return n.get("app_id") or n.get("name") or ""
    for c in n.get("nodes", []) + n.get("floating_nodes", []):
        r = walk(c)
        if r is not None: return r
print(walk(json.load(sys.stdin)) or "")'; }
clipboard() { as-sway-user wl-paste -n 2>/dev/null; }
target_focused() { [ "$(focused_app)" = dictation-target ]; }
clipboard_has_words() { clipboard | grep -qi "fox\|dog\|brown\|quick"; }
listening_count() { grep -c 'Start microphone transcription' "$work/sayline.out" 2>/dev/null || true; }
listening_more_than() { [ "$(listening_count)" -gt "$1" ]; }
press_toggle() { as-sway-user wtype -M ctrl -M logo -P a -p a -m logo -m ctrl; }

# Commands without a running Sayline: --cancel fails with one line.
if as-sway-user "$sayline" --cancel > "$work/cancel.out" 2>&1; then fail "--cancel without Sayline succeeded"; fi
grep -qx 'sayline: Sayline is not running.' "$work/cancel.out" || fail "--cancel said: $(cat "$work/cancel.out")"

# Deliver to the clipboard and by typing; the compositor runs the toggle command.
mkdir -p "$XDG_CONFIG_HOME/Sayline"
printf '{"outputTargets": "[\\"pasteboard\\",\\"autoInsert\\"]"}\n' > "$XDG_CONFIG_HOME/Sayline/defaults.json"
chown -R "$SAYLINE_SWAY_USER:" "$XDG_CONFIG_HOME"
swaymsg "bindsym --no-repeat Ctrl+Mod4+a exec $sayline --toggle" >/dev/null

as-sway-user foot --app-id=dictation-target sh -c "stty -icanon; exec cat > $work/typed.txt" >"$work/foot.log" 2>&1 & pids+=($!)
wait_for 15 target_focused || fail "the terminal never got the focus"

as-sway-user "$sayline" > "$work/sayline.out" 2>&1 & pids+=($!)
wait_for 20 panel_shown || fail "panel not shown after launch"
grep -q '^Sayline: Wayland session' "$work/sayline.out" || fail "no session line"
grep -q 'typing: virtual keyboard' "$work/sayline.out" || fail "typing path not the virtual keyboard"
grep -q 'KeyboardShortcuts: the application does not run on X11\|Error registering hotkey' "$work/sayline.out" \
  && fail "X11 key grabs attempted on Wayland"

# The panel on the output: centred, 80 px above the bottom, above the terminal,
# drawn by the compositor (grim reads the composited output), focus untouched.
eval "$(xdotool getwindowgeometry --shell "$(panel_id)")"
output_w=1280 output_h=800
[ $(( (X + WIDTH / 2) - output_w / 2 )) -ge -1 ] && [ $(( (X + WIDTH / 2) - output_w / 2 )) -le 1 ] \
  || fail "panel not centred: x=$X w=$WIDTH"
[ $((Y + HEIGHT)) -eq $((output_h - 80)) ] || fail "panel bottom at $((Y + HEIGHT)), expected $((output_h - 80))"
wait_for 20 listening_more_than 0 || fail "not listening after launch"
grim -g "$X,$Y ${WIDTH}x${HEIGHT}" "$work/panel.png" || fail "grim could not read the output"
colours=$(convert "$work/panel.png" -format '%k' info:)
[ "$colours" -gt 8 ] || fail "the panel is not drawn on the output ($colours colours)"
grim "$artifacts/wayland-listening.png" || true
[ "$(focused_app)" = dictation-target ] || fail "the panel took the focus"
# On every workspace: an empty one shows it too.
swaymsg workspace 2 >/dev/null
grim -g "$X,$Y ${WIDTH}x${HEIGHT}" "$work/panel-2.png"
[ "$(convert "$work/panel-2.png" -format '%k' info:)" -gt 8 ] || fail "the panel is not shown on another workspace"
swaymsg workspace 1 >/dev/null
wait_for 5 target_focused || fail "the terminal lost the focus"

"$say_into_mic" "The quick brown fox jumps over the lazy dog."
sleep 3
press_toggle
wait_for 10 panel_hidden || fail "panel still shown after the second press"
wait_for 15 clipboard_has_words || fail "clipboard: '$(clipboard || true)'"
delivered=$(clipboard)
echo "delivered: $delivered"
wait_for 10 sh -c "[ \"\$(cat '$work/typed.txt' 2>/dev/null)\" = \"\$1\" ]" _ "$delivered" \
  || fail "typed '$(cat "$work/typed.txt" 2>/dev/null)' instead of '$delivered'"
[ "$(focused_app)" = dictation-target ] || fail "focus moved during delivery"

# The commands reach the running Sayline: start, then cancel discards.
before=$(listening_count)
as-sway-user "$sayline" --toggle || fail "--toggle failed"
wait_for 10 panel_shown || fail "--toggle did not show the panel"
wait_for 10 listening_more_than "$before" || fail "not listening after --toggle"
"$say_into_mic" "Testing the microphone."
as-sway-user "$sayline" --cancel || fail "--cancel failed"
wait_for 10 panel_hidden || fail "--cancel did not hide the panel"
sleep 0.5
[ "$(clipboard)" = "$delivered" ] || fail "--cancel delivered text"
[ "$(cat "$work/typed.txt")" = "$delivered" ] || fail "--cancel typed text"

# A second plain launch hands over and exits; the panel comes back.
as-sway-user "$sayline" || fail "second launch failed"
wait_for 10 panel_shown || fail "second launch did not bring the panel up"
echo PASS
