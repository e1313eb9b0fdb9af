#!/usr/bin/env bash
# A tray host that starts after Sayline (a session whose panel comes up later
# than its autostarted programs) still gets Sayline's item. Runs inside
# with-services --x --pulse --home.
#
#   tray_host_later.sh SAYLINE
set -euo pipefail
sayline=$1
log=$(mktemp /tmp/sayline-tray.XXXXXX)
"$sayline" >"$log" 2>&1 &
pid=$!
tray=""
trap 'kill $pid $tray 2>/dev/null; wait 2>/dev/null; rm -f "$log"' EXIT

# Sayline's item: a small window of class "sayline" anywhere in the tree (docked
# items are children of the tray host's window).
docked_item() { xwininfo -root -tree | awk '/\("sayline" "Sayline"\)/ && $(NF-1) ~ /^[0-9]+x[0-9]+/ {split($(NF-1), s, /[x+]/); if (s[1] <= 48 && s[2] <= 48) found=1} END {exit !found}'; }
wait_for() { for _ in $(seq $(($1 * 10))); do "${@:2}" && return 0; sleep 0.1; done; return 1; }

wait_for 20 "$(dirname "$0")/find-panel" >/dev/null || { echo "FAIL: no panel"; cat "$log"; exit 1; }
sleep 1
docked_item && { echo "FAIL: an item docked without a tray host"; exit 1; }

trayer --edge top --align right --widthtype pixel --width 120 --height 28 --transparent false &
tray=$!
wait_for 10 docked_item || { echo "FAIL: the tray host that started later got no item"; xwininfo -root -tree; exit 1; }
kill -0 "$pid" || { echo "FAIL: sayline ended"; cat "$log"; exit 1; }
echo PASS
