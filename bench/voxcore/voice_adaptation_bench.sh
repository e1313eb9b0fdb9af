#!/usr/bin/env bash
# Training to a voice: time, peak memory and peak disk use of `voxcore-cli adapt` for 20, 40 and 80
# prompts read by flite's awb voice; word error rate on 15 other sentences before and after
# (40 prompts) for each flite voice tried; recognition speed with the profile against the
# stock model. Flite says a word the same way every time, so the gains are larger than a
# real speaker will see. Runs under tests/support/with-services --pulse --home.
#
#   voice_adaptation_bench.sh VOXCORE_CLI PROMPTS_FILE
set -uo pipefail
cli=$1 prompts_file=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data

tests=(
  "the children played in the park until it got dark"
  "please forward this message to the whole team"
  "my brother bought a new bicycle last summer"
  "we are out of coffee so I will stop at the shop"
  "the doctor said I should get more sleep"
  "she plays the piano every evening after work"
  "turn left at the next corner and drive straight ahead"
  "the window in the bedroom does not close properly"
  "I would like a glass of water please"
  "they are planning a big party for the new year"
  "the cat is sleeping on the kitchen chair"
  "our neighbors are painting their house green"
  "he writes a letter to his grandmother every week"
  "the bus was full so we walked to the office"
  "please call the plumber about the leaking sink"
)
grep -v '^#' "$prompts_file" | grep -v '^ *$' >"$work/all-prompts"

# render VOICE: the prompts and the test sentences in that voice.
render() {
  local voice=$1 i=0
  mkdir -p "$work/$voice/rec" "$work/$voice/test"
  while IFS= read -r line; do
    i=$((i + 1)); flite -voice "$voice" -t "$line" -o "$work/$voice/rec/$i.wav"
  done <"$work/all-prompts"
  for i in "${!tests[@]}"; do flite -voice "$voice" -t "${tests[$i]}" -o "$work/$voice/test/$i.wav"; done
}

# wer VOICE [OPTIONS]: word error rate in percent on the test sentences (the recognizer's own
# words, --raw); the seconds spent transcribing go to $work/seconds.
wer() {
  local voice=$1; shift
  local start end
  start=$(date +%s.%N)
  for i in "${!tests[@]}"; do
    printf '%s\t%s\n' "${tests[$i]}" "$("$cli" transcribe "$work/$voice/test/$i.wav" --raw "$@" 2>/dev/null | tr 'A-Z' 'a-z')"
  done >"$work/pairs"
  end=$(date +%s.%N)
  awk -v s="$start" -v e="$end" 'BEGIN {print e - s}' >"$work/seconds"
  python3 - "$work/pairs" <<'PY'
import sys
errors = words = 0
for line in open(sys.argv[1]):
    ref, _, hyp = line.rstrip('\n').partition('\t')
    r, h = ref.split(), hyp.split()
    d = list(range(len(h) + 1))
    for i in range(1, len(r) + 1):
        p, d = d, [i] + [0] * len(h)
        for j in range(1, len(h) + 1):
            d[j] = min(p[j] + 1, d[j - 1] + 1, p[j - 1] + (r[i - 1] != h[j - 1]))
    errors += d[len(h)]; words += len(r)
print("%.1f" % (100.0 * errors / words))
PY
}

# adapt VOICE N: trains on the first N prompts; prints "seconds peak_kib disk_peak_kib" (the
# most the profile folder held while training, sampled every 0.1 s).
adapt() {
  local voice=$1 n=$2 sampler status
  head -n "$n" "$work/all-prompts" >"$work/prompts"
  rm -rf "$XDG_DATA_HOME"
  mkdir -p "$XDG_DATA_HOME"
  echo 0 >"$work/disk"
  (while sleep 0.1; do
     used=$(du -sk "$XDG_DATA_HOME" 2>/dev/null | cut -f1)
     [ "${used:-0}" -gt "$(cat "$work/disk")" ] && echo "$used" >"$work/disk"
   done) & sampler=$!
  /usr/bin/time -f '%e %M' -o "$work/time" "$cli" adapt --language en-US --prompts "$work/prompts" \
    --recordings "$work/$voice/rec" >/dev/null 2>"$work/adapt.log"
  status=$?
  kill "$sampler"; wait "$sampler" 2>/dev/null
  [ "$status" = 0 ] || { tail -n 3 "$work/adapt.log"; return 1; }
  echo "$(cat "$work/time") $(cat "$work/disk")"
}

available=$(wc -l <"$work/all-prompts")
render awb
for n in 20 40 80; do
  [ "$n" -le "$available" ] || { echo "only $available prompts: no run with $n"; continue; }
  read -r seconds peak disk <<<"$(adapt awb "$n")"
  echo "FIGURE adapt_time_$n=$seconds s"
  echo "FIGURE adapt_peak_rss_$n=$((peak / 1024)) MiB"
  echo "FIGURE adapt_disk_peak_$n=$((disk / 1024)) MiB"
done

audio=$(for f in "$work"/awb/test/*.wav; do soxi -D "$f"; done | awk '{s += $1} END {print s}')
for voice in awb kal; do
  [ -d "$work/$voice" ] || render "$voice"
  before=$(wer "$voice" --no-profile); stock_seconds=$(cat "$work/seconds")
  adapt "$voice" 40 >/dev/null
  after=$(wer "$voice"); profile_seconds=$(cat "$work/seconds")
  echo "FIGURE adapt_wer_$voice=$before % -> $after %"
  if [ "$voice" = awb ]; then
    echo "FIGURE adapt_rtf_stock=$(awk -v t="$stock_seconds" -v a="$audio" 'BEGIN {printf "%.2f", t / a}')"
    echo "FIGURE adapt_rtf_profile=$(awk -v t="$profile_seconds" -v a="$audio" 'BEGIN {printf "%.2f", t / a}')"
  fi
done
