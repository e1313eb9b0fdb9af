#!/usr/bin/env bash
# One dictation through the real program and services: launch, the panel at
# the bottom centre without taking the focus, speech into the virtual
# microphone shown in the panel, Ctrl+Super+A delivering to the clipboard and
# into the focused window, a new press listening again, Escape discarding, and
# the shortcuts stored in the defaults file. Runs inside with-services
# --x --pulse --home.
#
#   dictation_panel.sh SAYLINE TYPING_TARGET SAY_INTO_MIC ARTIFACT_DIR
set -euo pipefail
sayline=$1 typing_target=$2 say_into_mic=$3 artifacts=$4
mkdir -p "$artifacts"
work=$(mktemp -d /tmp/sayline-e2e.XXXXXX)
# shellcheck source=script-helpers.sh
. "$(dirname "$0")/script-helpers.sh"
count_lines() { grep -c "$1" "$work/sayline.out" 2>/dev/null || true; }
listening_count() { count_lines 'Start microphone transcription'; }
listening_more_than() { [ "$(listening_count)" -gt "$1" ]; }
# Number of distinct colours in the transcript strip of the panel (its top 40 px).
transcript_colours() {
  local id; id=$(panel_id) || { echo 0; return; }
  import -window "$id" -crop 400x40+0+0 +repage "$work/strip.png" 2>/dev/null
  convert "$work/strip.png" -format '%k' info:
}
has_transcript() { [ "$(transcript_colours)" -gt 8 ]; }
shoot() { import -window root "$artifacts/$1.png"; local id; id=$(panel_id) && import -window "$id" "$artifacts/$1-panel.png" || true; }

# Deliver to the clipboard and by typing.
mkdir -p "$XDG_CONFIG_HOME/Sayline"
printf '{"outputTargets": "[\\"pasteboard\\",\\"autoInsert\\"]"}\n' > "$XDG_CONFIG_HOME/Sayline/defaults.json"

"$typing_target" "$work/typed.txt" & pids+=($!)
wait_for 10 test -e "$work/typed.txt.ready" || fail "typing target never got the focus"
target_window=$(xdotool getwindowfocus)

"$sayline" > "$work/sayline.out" 2>&1 & pids+=($!)
sayline_pid=$!
wait_for 15 panel_shown || fail "panel not mapped after launch"
id=$(panel_id)
eval "$(xdotool getwindowgeometry --shell "$id")"
screen_w=$(xwininfo -root | awk '/Width:/ {print $2}'); screen_h=$(xwininfo -root | awk '/Height:/ {print $2}')
centre=$((X + WIDTH / 2)); bottom=$((Y + HEIGHT))
[ $((centre - screen_w / 2)) -ge -1 ] && [ $((centre - screen_w / 2)) -le 1 ] || fail "panel not centred: x=$X w=$WIDTH"
[ "$bottom" -eq $((screen_h - 80)) ] || fail "panel bottom at $bottom, expected $((screen_h - 80))"
echo "panel ${WIDTH}x${HEIGHT} at $X,$Y"
[ "$(xdotool getwindowfocus)" = "$target_window" ] || fail "the panel took the keyboard focus"
grep -q 'accepts input or input focus: False' <<<"$(xprop -id "$id" WM_HINTS)" || fail "panel accepts input focus"

wait_for 20 listening_more_than 0 || fail "not listening after launch"
sleep 1
shoot at-rest
sleep 1
"$say_into_mic" "The quick brown fox jumps over the lazy dog."
wait_for 15 has_transcript || fail "no transcript shown in the panel"
sleep 1
shoot listening-with-text
[ "$(xdotool getwindowfocus)" = "$target_window" ] || fail "focus moved while dictating"

xdotool key ctrl+super+a
wait_for 10 panel_hidden || fail "panel still shown after the second press"
wait_for 10 sh -c "xclip -o -selection clipboard 2>/dev/null | grep -qi 'fox\|dog\|brown\|quick'" \
  || fail "clipboard: '$(xclip -o -selection clipboard 2>/dev/null || true)'"
delivered=$(xclip -o -selection clipboard)
echo "delivered: $delivered"
wait_for 10 sh -c "[ \"\$(cat '$work/typed.txt' 2>/dev/null)\" = \"\$1\" ]" _ "$delivered" \
  || fail "typed '$(cat "$work/typed.txt" 2>/dev/null)' instead of '$delivered'"

# A new press listens again.
before=$(listening_count)
xdotool key ctrl+super+a
wait_for 10 panel_shown || fail "panel not shown by a new press"
wait_for 10 listening_more_than "$before" || fail "not listening after a new press"
[ "$(xdotool getwindowfocus)" = "$target_window" ] || fail "the new panel took the focus"
# Drag the panel by its waveform band; hiding keeps that place for the next show.
eval "$(xdotool getwindowgeometry --shell "$(panel_id)")"
xdotool mousemove $((X + 200)) $((Y + 65)); sleep 0.2; xdotool mousedown 1; sleep 0.1
for step in $(seq 10); do xdotool mousemove $((X + 200 - step * 20)) $((Y + 65 - step * 30)); sleep 0.03; done
xdotool mouseup 1
dragged_x=$((X - 200)) dragged_y=$((Y - 300))
eval "$(xdotool getwindowgeometry --shell "$(panel_id)")"
[ "$X,$Y" = "$dragged_x,$dragged_y" ] || fail "drag moved the panel to $X,$Y instead of $dragged_x,$dragged_y"
[ "$(xdotool getwindowfocus)" = "$target_window" ] || fail "dragging gave the panel the focus"
"$say_into_mic" "Testing the microphone."
wait_for 15 has_transcript || fail "no transcript in the new panel"

# Escape discards: the clipboard keeps the first transcript.
xdotool key Escape
wait_for 10 panel_hidden || fail "Escape did not hide the panel"
sleep 0.5
[ "$(xclip -o -selection clipboard)" = "$delivered" ] || fail "Escape delivered text"
[ "$(cat "$work/typed.txt")" = "$delivered" ] || fail "Escape typed text"
shoot hidden

# A second launch hands over to the running one, which shows the panel again.
"$sayline" || fail "second launch failed"
wait_for 10 panel_shown || fail "second launch did not bring the panel up"
eval "$(xdotool getwindowgeometry --shell "$(panel_id)")"
[ "$X,$Y" = "$dragged_x,$dragged_y" ] || fail "panel shown at $X,$Y, not at its dragged place $dragged_x,$dragged_y"
kill -0 "$sayline_pid" || fail "first Sayline ended"

python3 - "$XDG_CONFIG_HOME/Sayline/defaults.json" <<'PY' || fail "shortcuts not stored"
import json, sys
d = json.load(open(sys.argv[1]))
for name in ("KeyboardShortcuts_toggleMainWindow", "KeyboardShortcuts_closeMainWindow"):
    value = d[name]
    assert isinstance(value, str), (name, value)
    shortcut = json.loads(value)
    assert isinstance(shortcut, dict), (name, value)
print("shortcuts:", d["KeyboardShortcuts_toggleMainWindow"], d["KeyboardShortcuts_closeMainWindow"])
PY
echo PASS
