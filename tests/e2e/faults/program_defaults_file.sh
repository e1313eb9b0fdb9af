#!/usr/bin/env bash
# The real program on a defaults file that is corrupt, wrongly typed,
# read-only or on a full disk: it starts and dictates on its defaults, keeps the
# bad file aside, rewrites nothing the user pinned and never leaves a cut-off file. Runs inside with-services --x --pulse --home.
#
#   program_defaults_file.sh SAYLINE SAY_INTO_MIC
set -euo pipefail
sayline=$1 say_into_mic=$2
source "$(dirname "$0")/program-faults.sh"
config="$XDG_CONFIG_HOME/Sayline"
file="$config/defaults.json"
mkdir -p "$config"

starts_and_listens() {
  wait_for 20 panel_shown || fail "$1: no panel after launch"
  wait_for 20 listening_more_than 0 || fail "$1: not listening after launch"
  sleep 1
  alive || fail "$1: the program ended"
}

# One dictation: speech, the shortcut, the text on the clipboard.
dictate() {
  local case=$1
  "$say_into_mic" "The quick brown fox jumps over the lazy dog."
  wait_for 15 grep -qiE 'Recognition transcription: .*(quick|brown|fox|lazy|dog)' "$work/sayline.out" \
    || fail "$case: nothing recognised"
  sleep 1
  xdotool key ctrl+super+a
  wait_for 10 panel_hidden || fail "$case: the shortcut did not close the panel"
  wait_for 10 sh -c "xclip -o -selection clipboard 2>/dev/null | grep -qiE 'quick|brown|fox|lazy|dog'" \
    || fail "$case: clipboard holds '$(clipboard)'"
}

# Corrupt files: moved aside byte for byte, the program runs on its defaults.
write_corrupt() {
  case $1 in
    truncated) printf '{"outputTargets": "[\\"pasteboard\\",\\"auto' ;;
    garbage) printf '\x89PNG\r\n\x1a\n\x00\x00\x00\rIHDR\xff\xfe\x00' ;;
  esac
}
for case in truncated garbage; do
  rm -f "$config"/*
  write_corrupt "$case" >"$file"
  cp "$file" "$work/original"
  launch
  starts_and_listens "$case"
  said "kept as $file.corrupt" || fail "$case: no word about the corrupt file"
  cmp -s "$work/original" "$file.corrupt" || fail "$case: the kept-aside file differs from the original"
  quit
  # A later start finds a good file and leaves the kept-aside one alone.
  launch
  starts_and_listens "$case, second start"
  said "corrupt" && fail "$case: second start complains about the file it wrote itself"
  cmp -s "$work/original" "$file.corrupt" || fail "$case: the second start touched the kept-aside file"
  python3 -c 'import json,sys; assert isinstance(json.load(open(sys.argv[1])), dict)' "$file" \
    || fail "$case: the new defaults file is not a JSON object"
  quit
  echo "ok: $case file kept aside"
done

# Wrong types: each setting falls back to its default; the file stays the user's.
rm -f "$config"/*
cat >"$file" <<'JSON'
{"showInMenuBar": "yes", "outputTargets": 5, "main.WindowPositionX": "abc", "main.WindowPositionY": [3]}
JSON
launch
starts_and_listens "wrong types"
id=$("$(dirname "$0")/../find-panel")
eval "$(xdotool getwindowgeometry --shell "$id")"
screen_w=$(xwininfo -root | awk '/Width:/ {print $2}')
[ $((X + WIDTH / 2 - screen_w / 2)) -ge -1 ] && [ $((X + WIDTH / 2 - screen_w / 2)) -le 1 ] \
  || fail "wrong types: panel not at its default place (x=$X)"
dictate "wrong types" # "outputTargets" 5 means the clipboard alone
alive || fail "wrong types: the program ended"
[ -e "$file.corrupt" ] && fail "wrong types: a well-formed file was moved aside"
python3 - "$file" <<'PY' || fail "wrong types: the user's other values were changed"
import json, sys
d = json.load(open(sys.argv[1]))
assert d["showInMenuBar"] == "yes" and d["outputTargets"] == 5, d
PY
quit
echo "ok: wrong types fall back to defaults"

# Read-only: read, used, never rewritten, even by a full dictation.
rm -f "$config"/*
printf '{"outputTargets": "[\\"pasteboard\\"]", "showInMenuBar": false}\n' >"$file"
chmod 0444 "$file"
cp -p "$file" "$work/original"
launch
starts_and_listens "read-only"
said "read-only" || fail "read-only: no word about the read-only file"
dictate "read-only"
xdotool key ctrl+super+a
wait_for 10 panel_shown || fail "read-only: no panel for a new dictation"
sleep 1
xdotool key Escape
wait_for 10 panel_hidden || fail "read-only: Escape did not close the panel"
quit
cmp -s "$work/original" "$file" || fail "read-only: the file was rewritten: $(cat "$file")"
[ "$(stat -c %a "$file")" = 444 ] || fail "read-only: the file's mode changed"
[ "$(ls -A "$config")" = defaults.json ] || fail "read-only: stray files: $(ls -A "$config")"
echo "ok: read-only file untouched"

# A full disk: no write may fit (file size limit, its signal ignored as a full
# disk sends none). The program runs, and the file keeps its whole old text.
rm -f "$config"/*
python3 -c 'import json,sys; json.dump({"note": "x" * 4000, "showInMenuBar": False}, open(sys.argv[1], "w"))' "$file"
cp "$file" "$work/original"
: >"$work/sayline.out"; : >"$work/sayline.err"
(trap '' XFSZ; ulimit -f 2; exec "$sayline" >"$work/sayline.out" 2>"$work/sayline.err") &
sayline_pid=$!
starts_and_listens "disk full"
said "cannot write $file" || fail "disk full: no word about the failed write"
quit
cmp -s "$work/original" "$file" || fail "disk full: the file was cut to $(stat -c %s "$file") bytes"
[ "$(ls -A "$config")" = defaults.json ] || fail "disk full: stray files: $(ls -A "$config")"
echo "ok: a write that does not fit leaves the old file"
echo PASS
