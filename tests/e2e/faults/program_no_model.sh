#!/usr/bin/env bash
# The real program without a usable recognition model: the models folder empty,
# or holding a model whose files are garbled. The program says speech
# recognition is unavailable or the model cannot be loaded, keeps running, and
# the shortcut still opens and closes the panel. Runs inside
# with-services --x --pulse --home.
#
#   program_no_model.sh SAYLINE
set -euo pipefail
sayline=$1
source "$(dirname "$0")/program-faults.sh"

mkdir -p "$work/empty" "$work/garbled"
cp -r /usr/share/pocketsphinx/model/en-us "$work/garbled/"
printf '0.3\n garbage garbage\n' >"$work/garbled/en-us/en-us/mdef"

try_models() {
  local folder=$1 message=$2
  launch VOXCORE_SPHINX_MODELS="$folder"
  wait_for 20 panel_shown || fail "$folder: no panel after launch"
  wait_for 20 said "Sayline: $message" || fail "$folder: no '$message'"
  sleep 1
  alive || fail "$folder: the program ended"
  xdotool key ctrl+super+a
  wait_for 10 panel_hidden || fail "$folder: the shortcut did not close the panel"
  xdotool key ctrl+super+a
  wait_for 10 panel_shown || fail "$folder: the shortcut did not open the panel again"
  wait_for 10 sh -c "[ \$(grep -c 'Sayline: $message' '$work/sayline.err') -ge 2 ]" \
    || fail "$folder: the second dictation did not say why it failed"
  alive || fail "$folder: the program ended"
  [ -z "$(clipboard)" ] || fail "$folder: something was delivered: $(clipboard)"
  quit
  echo "ok: $folder"
}
try_models "$work/empty" "Speech recognition is not available"
try_models "$work/garbled" "Recognition failed: Cannot load the speech model in $work/garbled/en-us"
echo PASS
