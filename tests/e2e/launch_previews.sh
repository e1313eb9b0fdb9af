#!/usr/bin/env bash
# XCODE_RUNNING_FOR_PREVIEWS=1 starts nothing at launch (no panel, no
# listening) and the program keeps running; "0" starts dictation as usual.
# Runs inside with-services --x --pulse --home.
#
#   launch_previews.sh SAYLINE
set -euo pipefail
sayline=$1
find_panel="$(dirname "$0")/find-panel"
log=$(mktemp /tmp/sayline-previews.XXXXXX)
pid=""
trap '[ -n "$pid" ] && kill $pid 2>/dev/null; wait 2>/dev/null; rm -f "$log"' EXIT

XCODE_RUNNING_FOR_PREVIEWS=1 "$sayline" > "$log" 2>&1 &
pid=$!
sleep 3
kill -0 $pid || { echo "FAIL: Sayline ended"; cat "$log"; exit 1; }
"$find_panel" && { echo "FAIL: panel shown with previews set"; exit 1; }
grep -q 'Start microphone transcription' "$log" && { echo "FAIL: listening with previews set"; exit 1; }
kill $pid; wait $pid 2>/dev/null || true; pid=""

XCODE_RUNNING_FOR_PREVIEWS=0 "$sayline" > "$log" 2>&1 &
pid=$!
for _ in $(seq 150); do
  "$find_panel" >/dev/null && grep -q 'Start microphone transcription' "$log" && { echo PASS; exit 0; }
  sleep 0.1
done
echo "FAIL: no dictation at launch with the value 0"; cat "$log"; exit 1
