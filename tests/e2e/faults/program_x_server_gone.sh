#!/usr/bin/env bash
# The X server goes away under the running program while it listens: the
# program ends by itself within a bounded time, with a failure status rather
# than a crash, and its defaults file is whole. Runs inside
# with-services --x --pulse --home.
#
#   program_x_server_gone.sh SAYLINE
set -euo pipefail
sayline=$1
source "$(dirname "$0")/program-faults.sh"

launch
wait_for 20 panel_shown || fail "no panel after launch"
wait_for 20 listening_more_than 0 || fail "not listening after launch"
sleep 1

# The X server of this test: the process listening on its socket.
socket="/tmp/.X11-unix/X${DISPLAY#:}"
xserver=""
for pid in $(fuser "$socket" 2>/dev/null); do
  [ "$(cat /proc/"$pid"/comm 2>/dev/null)" = Xvfb ] && xserver=$pid
done
[ -n "$xserver" ] || fail "cannot find the X server of $DISPLAY"
kill -KILL "$xserver"

ended_within 30 || fail "still running 30 s after the X server went away"
status=$ended_status
echo "exit status $status"
[ "$status" -ne 0 ] || fail "ended with success although its display is gone"
[ "$status" -lt 128 ] || fail "died from signal $((status - 128)) instead of ending"
defaults="$XDG_CONFIG_HOME/Sayline/defaults.json"
if [ -e "$defaults" ]; then
  python3 -c 'import json,sys; assert isinstance(json.load(open(sys.argv[1])), dict)' "$defaults" \
    || fail "the defaults file is damaged: $(cat "$defaults")"
fi
echo PASS
