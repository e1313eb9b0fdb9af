#!/usr/bin/env bash
# The sound server stops in the middle of a dictation in the running program
# and comes back: the program says why listening ended, still delivers the
# transcript it had, and dictates again once the server is back. Runs inside
# with-services --x --pulse --home.
#
#   program_sound_server.sh SAYLINE SAY_INTO_MIC
set -euo pipefail
sayline=$1 say_into_mic=$2
source "$(dirname "$0")/program-faults.sh"
[ -n "${SAYLINE_TEST_PULSE_DIR:-}" ] || fail "no private sound server"

launch
wait_for 20 panel_shown || fail "no panel after launch"
wait_for 20 listening_more_than 0 || fail "not listening after launch"
sleep 1
"$say_into_mic" "The quick brown fox jumps over the lazy dog."
wait_for 15 grep -qiE 'Recognition transcription: .*(quick|brown|fox)' "$work/sayline.out" || fail "nothing recognised"

pactl exit
wait_for 10 said 'Sayline: Audio engine error: ' || fail "no word about the lost sound server"
sleep 1
alive || fail "the program ended with its sound server"
panel_shown || fail "the panel went away with the sound server"

# The transcript so far is delivered by the usual second press.
xdotool key ctrl+super+a
wait_for 10 panel_hidden || fail "the shortcut did not close the panel"
wait_for 10 sh -c "xclip -o -selection clipboard 2>/dev/null | grep -qiE 'quick|brown|fox'" \
  || fail "the transcript so far was not delivered: '$(clipboard)'"
first=$(clipboard)
echo "delivered after the loss: $first"

# The server comes back on the same socket with the same virtual microphone.
scratch=$(dirname "$SAYLINE_TEST_PULSE_DIR")
XDG_RUNTIME_DIR="$SAYLINE_TEST_PULSE_DIR" HOME="$SAYLINE_TEST_PULSE_DIR" \
  pulseaudio --system=false --exit-idle-time=-1 -n -F "$scratch/default.pa" \
    --daemonize=no --use-pid-file=no --log-target=file:"$work/pulse-again.log" &
extra_pids+=($!)
wait_for 10 sh -c 'pactl info >/dev/null 2>&1' || fail "the sound server did not come back"

before=$(listening_count)
errors_before=$(grep -c 'Sayline: ' "$work/sayline.err" || true)
xdotool key ctrl+super+a
wait_for 10 panel_shown || fail "no panel for the next dictation"
wait_for 10 listening_more_than "$before" || fail "not listening for the next dictation"
sleep 1
"$say_into_mic" "Testing the microphone."
wait_for 15 grep -qiE 'Recognition transcription: .*(testing|microphone)' "$work/sayline.out" \
  || fail "the next dictation recognised nothing"
sleep 1
xdotool key ctrl+super+a
wait_for 10 panel_hidden || fail "the shortcut did not close the panel"
wait_for 10 sh -c "xclip -o -selection clipboard 2>/dev/null | grep -qiE 'testing|microphone'" \
  || fail "the next dictation was not delivered: '$(clipboard)'"
echo "delivered after the return: $(clipboard)"
[ "$(grep -c 'Sayline: ' "$work/sayline.err" || true)" = "$errors_before" ] \
  || fail "errors in the dictation after the return: $(tail -n 3 "$work/sayline.err")"
alive || fail "the program ended"
echo PASS
