#!/usr/bin/env bash
# A long dictation of human speech (the LibriVox clips of pocketsphinx-testdata,
# repeated) through the real program and sound server, optionally with busy
# processes loading the cores so that the recognizer falls behind. The second
# press closes the panel; the text on the clipboard must then hold every word:
# it is compared with the file transcription (voxcore-cli transcribe) of the
# audio recorded from the same microphone meanwhile, and must end with the
# last sentence spoken. Then a new dictation is
# cancelled with Escape while the recognizer lags. Prints `FIGURE name=value
# unit` lines; with --check it also fails when a word is missing. Runs inside
# with-services --x --pulse --home.
#
#   long_dictation.sh SAYLINE VOXCORE_CLI SECONDS BUSY_PROCESSES LABEL [--check]
set -euo pipefail
sayline=$1 cli=$2 seconds=$3 busy=$4 label=$5 check=${6:-}
here=$(cd "$(dirname "$0")" && pwd)
clips=/usr/share/pocketsphinx/test/data/librivox
work=$(mktemp -d /tmp/sayline-long.XXXXXX)
pids=() loaders=()
stop_loaders() { for p in "${loaders[@]}"; do kill "$p" 2>/dev/null || true; done; loaders=(); }
cleanup() { stop_loaders; for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; echo "--- sayline output" >&2; tail -n 40 "$work/sayline.out" >&2 || true; exit 1; }
wait_for() { local t=$1; shift; for _ in $(seq $((t * 10))); do "$@" && return 0; sleep 0.1; done; return 1; }
now_ms() { date +%s%3N; }
panel_shown() { "$here/find-panel" >/dev/null; }
viewable() { xwininfo -id "$1" 2>/dev/null | grep -q 'IsViewable'; }
listening_count() { grep -c 'Start microphone transcription' "$work/sayline.out" 2>/dev/null || true; }
listening_more_than() { [ "$(listening_count)" -gt "$1" ]; }
clipboard() { xclip -o -selection clipboard 2>/dev/null || true; }
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
# Polls until window $1 is unmapped; prints the milliseconds since $2.
hidden_after() {
  local id=$1 since=$2
  for _ in $(seq 20000); do viewable "$id" || { echo $(($(now_ms) - since)); return 0; }; sleep 0.005; done
  return 1
}

# The speech: the clips in turn, 0.6 s apart, whole rounds until SECONDS are filled.
sox -n -r 16000 -c 1 -b 16 "$work/gap.wav" trim 0 0.6
sox -n -r 16000 -c 1 -b 16 "$work/lead.wav" trim 0 1
parts=("$work/lead.wav") total=0
while [ "$(awk -v t="$total" -v s="$seconds" 'BEGIN {print (t < s)}')" = 1 ]; do
  for clip in "$clips"/*.wav; do
    parts+=("$clip" "$work/gap.wav")
    total=$(awk -v t="$total" -v d="$(soxi -D "$clip")" 'BEGIN {print t + d + 0.6}')
  done
done
sox "${parts[@]}" "$work/speech.wav"
last_sentence=$(sed -n 's/^<s> \(.*\) <\/s> (.*)$/\1/p' "$clips/transcription" | tail -n 1)
speech_seconds=$(soxi -D "$work/speech.wav")

for _ in $(seq "$busy"); do (while :; do :; done) & loaders+=($!); done

"$sayline" >"$work/sayline.out" 2>&1 & pids+=($!)
sayline_pid=$!
wait_for 30 panel_shown || fail "panel not shown after launch"
wait_for 30 listening_more_than 0 || fail "not listening after launch"
panel=$("$here/find-panel")

# The same microphone recorded meanwhile, in the capture's own format.
source=$(pactl info | sed -n 's/^Default Source: //p')
parecord --device="$source" --format=float32le --rate=44100 --channels=2 --file-format=wav "$work/heard.wav" & pids+=($!)
recorder=$!
sleep 0.5
ticks_before=$(cpu_ticks "$sayline_pid")
paplay "$work/speech.wav"
sleep 0.5

pressed=$(now_ms)
xdotool key ctrl+super+a
kill -INT "$recorder" # capture ends at the press: so does the recording
to_hidden=$(hidden_after "$panel" "$pressed") || fail "panel still shown after the second press"
delivered_at=""
bound=$((seconds > 300 ? seconds * 3 : 900)) # seconds: a lagging decoder needs a multiple of the speech
for _ in $(seq $((bound * 10))); do
  [ -n "$(clipboard)" ] && { delivered_at=$(now_ms); break; }
  sleep 0.1
done
[ -n "$delivered_at" ] || fail "nothing delivered within $bound s of the press"
delivered=$(clipboard)
ticks_after=$(cpu_ticks "$sayline_pid")
wait "$recorder" 2>/dev/null || true

# Escape while the recognizer lags: a new dictation of the first 20 s, cancelled at once.
xdotool key ctrl+super+a
wait_for 30 panel_shown || fail "panel not shown by a new press"
wait_for 30 listening_more_than 1 || fail "not listening after a new press"
panel=$("$here/find-panel")
sox "$work/speech.wav" "$work/first20.wav" trim 0 20
paplay "$work/first20.wav"
escaped=$(now_ms)
xdotool key Escape
escape_to_hidden=$(hidden_after "$panel" "$escaped") || fail "Escape did not hide the panel"
sleep 1
[ "$(clipboard)" = "$delivered" ] || fail "Escape delivered text"

rss_kib=$(awk '/^VmHWM:/ {print $2}' "/proc/$sayline_pid/status")
stop_loaders
from_file=$("$cli" transcribe "$work/heard.wav" 2>"$work/cli.err" | grep -v '^\[AppleSpeechProvider\]' | tail -n 1) \
  || fail "voxcore-cli transcribe failed: $(cat "$work/cli.err")"

read -r wer lost file_words last_found < <(python3 - "$from_file" "$delivered" "$last_sentence" <<'PY'
import sys
def words(text): return text.lower().split()
def distance(a, b):
    row = list(range(len(b) + 1))
    for i, x in enumerate(a, 1):
        prev, row[0] = row[0], i
        for j, y in enumerate(b, 1):
            prev, row[j] = row[j], min(row[j] + 1, row[j - 1] + 1, prev + (x != y))
    return row[len(b)]
reference, hypothesis, last = words(sys.argv[1]), words(sys.argv[2]), words(sys.argv[3])
wer = distance(reference, hypothesis) / max(1, len(reference))
lost = max(0, len(reference) - len(hypothesis))
# The last sentence's opening words (recognised reliably) close the delivered text.
opening, tail = " ".join(last[:6]), " ".join(hypothesis[-len(last) - 4:])
print(f"{wer:.3f} {lost} {len(reference)} {int(opening in tail)}")
PY
)
cpu_seconds=$(awk -v a="$ticks_before" -v b="$ticks_after" -v hz="$(getconf CLK_TCK)" 'BEGIN {printf "%.1f", (b - a) / hz}')
cpu_per_minute=$(awk -v c="$cpu_seconds" -v s="$speech_seconds" 'BEGIN {printf "%.1f", c / (s / 60)}')

echo "speech: ${speech_seconds} s, $busy busy processes; file transcription: $file_words words"
echo "FIGURE long_${label}_speech_length=${speech_seconds%.*} s"
echo "delivered: $delivered"
echo "from file: $from_file"
echo "FIGURE long_${label}_press_to_hidden=$to_hidden ms"
echo "FIGURE long_${label}_press_to_delivered=$((delivered_at - pressed)) ms"
echo "FIGURE long_${label}_words_lost=$lost of $file_words"
echo "FIGURE long_${label}_wer_vs_file=$wer"
echo "FIGURE long_${label}_peak_rss=$((rss_kib / 1024)) MiB"
echo "FIGURE long_${label}_cpu_per_speech_minute=$cpu_per_minute s"
echo "FIGURE long_${label}_escape_to_hidden=$escape_to_hidden ms"

if [ "$check" = --check ]; then
  # Every decoding starts from the same state and is fed in the same steps, so what the
  # program and the recording heard decodes to the same words.
  [ "$lost" -eq 0 ] || fail "$lost of $file_words words lost"
  awk -v w="$wer" 'BEGIN {exit !(w <= 0.02)}' || fail "WER $wer against the file transcription"
  [ "$last_found" = 1 ] || fail "the last sentence '$last_sentence' is not at the end"
  # Generous: the panel goes within a frame when idle; under load the polling itself is slow.
  [ "$to_hidden" -le 2000 ] || fail "the second press took $to_hidden ms to hide the panel"
  [ "$escape_to_hidden" -le 2000 ] || fail "Escape took $escape_to_hidden ms to hide the panel"
  # The user's words stay out of the program's output.
  ! grep -q 'Recognition transcription' "$work/sayline.out" || fail "transcripts logged"
  probe=$(awk '{print $1, $2, $3}' <<<"$delivered")
  ! grep -qiF "$probe" "$work/sayline.out" || fail "dictated words in the program's output"
  echo PASS
fi
