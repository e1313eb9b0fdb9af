#!/usr/bin/env bash
# The recent dictations through the real program, tray host and clipboard: a
# delivered and a cancelled dictation are kept newest first (file mode 0600)
# and copied back from the tray's "Recent Dictations"; a dictation killed with
# SIGKILL keeps its text so far; a damaged file is moved aside; "Keep recent
# dictations" off deletes the file. Runs inside with-services --x --pulse --home.
#
#   recent_dictations.sh SAYLINE SAY_INTO_MIC
set -euo pipefail
sayline=$1 say_into_mic=$2
work=$(mktemp -d /tmp/sayline-history.XXXXXX)
history="${XDG_DATA_HOME:-$HOME/.local/share}/Sayline/history.json"
defaults="$XDG_CONFIG_HOME/Sayline/defaults.json"
# shellcheck source=script-helpers.sh
. "$(dirname "$0")/script-helpers.sh"
# Each launch writes an output file of its own.
fail() { echo "FAIL: $*" >&2; echo "--- sayline output" >&2; cat "$work"/sayline*.out >&2 || true; exit 1; }
clipboard() { xclip -o -selection clipboard 2>/dev/null || true; }
listening_more_than() { [ "$(grep -c 'Start microphone transcription' "$work/sayline.out" 2>/dev/null || true)" -gt "$1" ]; }
# The history's entries as "text" lines, newest first (nothing while absent or damaged).
entries() { python3 -c 'import json,sys; [print(e["text"]) for e in json.load(open(sys.argv[1]))["dictations"]]' "$history" 2>/dev/null || true; }
entry_count_is() { [ "$(entries | wc -l)" -eq "$1" ]; }
newest() { entries | head -n 1; }
start_sayline() { "$sayline" > "$work/sayline$1.out" 2>&1 & pids+=($!); sayline_pid=$!; wait_for 20 panel_shown || fail "no panel at launch"; }
stop_sayline() { kill "$sayline_pid"; wait "$sayline_pid" 2>/dev/null || true; }

# Sayline's item docked in the tray host: the centre of its window.
tray_item_centre() {
  xwininfo -root -tree | awk '/\("sayline" "Sayline"\)/ {split($(NF-1), s, /[x+]/); split($NF, a, /\+/);
    if (s[1] > 4 && s[1] <= 48 && s[2] <= 48) {print a[2] + int(s[1] / 2), a[3] + int(s[2] / 2); exit}}'
}
# Opens the tray menu and picks the entry $1 (0 = newest) under "Recent Dictations".
choose_recent() {
  local centre; centre=$(tray_item_centre); [ -n "$centre" ] || fail "no tray item"
  xdotool mousemove $centre click 1; sleep 0.8
  xdotool key Down Down Down Right; sleep 0.4
  for _ in $(seq "$1"); do xdotool key Down; done
  xdotool key Return; sleep 0.3
}

trayer --edge top --align right --widthtype pixel --width 120 --height 28 --transparent false & pids+=($!)
sleep 0.8
start_sayline ""
wait_for 20 listening_more_than 0 || fail "not listening after launch"
wait_for 10 sh -c '[ -n "$1" ]' _ "$(tray_item_centre)" || fail "no tray item docked"

# Delivered: kept while it is spoken, then with its final text.
"$say_into_mic" "The quick brown fox jumps over the lazy dog."
wait_for 20 sh -c "grep -qi 'fox\|dog\|brown\|quick' '$history'" || fail "the dictation in progress was not saved: $(cat "$history" 2>&1)"
xdotool key ctrl+super+a
wait_for 10 panel_hidden || fail "panel still shown after the second press"
wait_for 10 sh -c '[ -n "$(xclip -o -selection clipboard 2>/dev/null)" ]' || fail "nothing delivered"
delivered=$(clipboard)
wait_for 5 sh -c '[ "$1" = "$2" ]' _ "$delivered" "$(newest)" || fail "newest entry '$(newest)', delivered '$delivered'"

# Cancelled: kept as well, newest first.
xdotool key ctrl+super+a
wait_for 10 panel_shown || fail "panel not shown by a new press"
wait_for 10 listening_more_than 1 || fail "not listening after a new press"
"$say_into_mic" "Testing the microphone."
wait_for 20 entry_count_is 2 || fail "the second dictation was not saved: $(entries)"
xdotool key Escape
wait_for 10 panel_hidden || fail "Escape did not hide the panel"
sleep 0.5
cancelled=$(newest)
[ -n "$cancelled" ] && [ "$cancelled" != "$delivered" ] || fail "cancelled dictation not kept: $(entries)"
[ "$(entries | tail -n 1)" = "$delivered" ] || fail "entries not newest first: $(entries)"
[ "$(clipboard)" = "$delivered" ] || fail "Escape delivered text"
[ "$(stat -c %a "$history")" = 600 ] || fail "history file mode $(stat -c %a "$history")"
echo "kept: '$cancelled', '$delivered'"

# Both copy back from the tray menu.
printf 'something else' | xclip -selection clipboard
choose_recent 0
wait_for 5 sh -c '[ "$(xclip -o -selection clipboard)" = "$1" ]' _ "$cancelled" || fail "newest entry copied '$(clipboard)'"
choose_recent 1
wait_for 5 sh -c '[ "$(xclip -o -selection clipboard)" = "$1" ]' _ "$delivered" || fail "older entry copied '$(clipboard)'"

# Killed mid-dictation: the text so far is in the history.
xdotool key ctrl+super+a
wait_for 10 listening_more_than 2 || fail "not listening for the third dictation"
"$say_into_mic" "Hello world this is a test."
wait_for 20 entry_count_is 3 || fail "the dictation in progress was not saved: $(entries)"
panel_shown || fail "the dictation ended early"
kill -KILL "$sayline_pid"; wait "$sayline_pid" 2>/dev/null || true
grep -qi 'hello\|world\|test' <<<"$(newest)" || fail "after SIGKILL the newest entry is '$(newest)'"
echo "after SIGKILL: '$(newest)'"

# A damaged file is moved aside, and Sayline starts with an empty history.
printf '{"dictations": [' > "$history"
start_sayline 2
wait_for 5 test -e "$history.corrupt" || fail "damaged history not moved aside"
[ "$(cat "$history.corrupt")" = '{"dictations": [' ] || fail "moved-aside file differs"
grep -q "history.json is no dictation history; kept as" "$work/sayline2.out" || fail "no word of the damaged history"
stop_sayline

# Keeping switched off deletes the file.
printf '{"dictations": [{"text": "secret", "time": "2026-01-01T00:00:00Z"}]}' > "$history"
python3 - "$defaults" <<'PY'
import json, sys
d = json.load(open(sys.argv[1]))
d["keepRecentDictations"] = False
json.dump(d, open(sys.argv[1], "w"))
PY
start_sayline 3
wait_for 5 sh -c '! test -e "$1"' _ "$history" || fail "history kept although switched off"
"$say_into_mic" "Nothing is kept."
sleep 3
[ ! -e "$history" ] || fail "a dictation was kept although switched off: $(cat "$history")"
echo PASS
