#!/usr/bin/env bash
# Without a reachable sound server the panel shows only the microphone notice.
# Runs inside with-services --x --home (no --pulse).
#
#   unauthorized_notice.sh SAYLINE ARTIFACT_DIR
set -euo pipefail
sayline=$1 artifacts=$2
mkdir -p "$artifacts"
export PULSE_SERVER=unix:/nonexistent/pulse/native
log=$(mktemp /tmp/sayline-unauth.XXXXXX)
"$sayline" > "$log" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null; wait 2>/dev/null; rm -f "$log"' EXIT
# The notice is one row: the panel is much lower than with the dictation controls.
for _ in $(seq 200); do
  for id in $("$(dirname "$0")/find-panel"); do
    eval "$(xdotool getwindowgeometry --shell "$id")"
    if [ "$WIDTH" -ge 400 ] && [ "$HEIGHT" -lt 100 ]; then
      sleep 0.5
      import -window root "$artifacts/unauthorized.png"
      import -window "$id" "$artifacts/unauthorized-panel.png"
      screen_h=$(xwininfo -root | awk '/Height:/ {print $2}')
      [ $((Y + HEIGHT)) -eq $((screen_h - 80)) ] || { echo "FAIL: notice panel not 80 px above the bottom"; exit 1; }
      echo "notice panel ${WIDTH}x${HEIGHT}"; echo PASS; exit 0
    fi
  done
  sleep 0.1
done
echo "FAIL: no notice panel"; cat "$log"; exit 1
