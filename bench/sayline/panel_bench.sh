#!/usr/bin/env bash
# Figures of the dictation panel, measured on the real program inside
# with-services --x --pulse --home. Prints one line per figure, and the main
# ones again as `FIGURE name_<scene graph>=value unit` for bench/run.
#
#   panel_bench.sh SAYLINE SAY_INTO_MIC FIND_PANEL [HOTKEY_TO_MAP]
#
# The polled figures include the start-up of xdotool, xwininfo and xclip (tens
# of milliseconds each on a loaded machine). HOTKEY_TO_MAP (bench/probes) times
# hot key -> panel mapped and second press -> clipboard from another X client
# without polling.
set -uo pipefail
sayline=$1 say_into_mic=$2 find_panel=$3 probe=${4:-}
work=$(mktemp -d /tmp/sayline-bench.XXXXXX)
pid=""
trap '[ -n "$pid" ] && kill $pid 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT

now_ms() { date +%s%3N; }
# Waits (polling every 5 ms, at most 20 s) until the command succeeds; prints the elapsed ms.
time_until() {
  local start; start=$(now_ms)
  for _ in $(seq 4000); do "$@" >/dev/null 2>&1 && { echo $(($(now_ms) - start)); return 0; }; sleep 0.005; done
  echo "timeout"; return 1
}
listening() { [ "$(grep -c 'Start microphone transcription' "$work/out")" -gt "$1" ]; }
panel_shown() { "$find_panel"; }
panel_hidden() { ! "$find_panel"; }
clipboard_has_text() { [ -n "$(xclip -o -selection clipboard 2>/dev/null)" ]; }
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
switches() { awk '/ctxt_switches/ {s += $2} END {print s}' "/proc/$1/status"; }
hz=$(getconf CLK_TCK)
# CPU of the process over $2 seconds, in % of one core, and its context switches.
cpu_over() {
  local t0 s0 w0; t0=$(ticks "$1"); s0=$(switches "$1"); w0=$(now_ms)
  sleep "$2"
  local t1 s1 w1; t1=$(ticks "$1"); s1=$(switches "$1"); w1=$(now_ms)
  echo "$(awk -v d=$((t1 - t0)) -v hz="$hz" -v ms=$((w1 - w0)) 'BEGIN {printf "%.1f", 100 * d / hz / (ms / 1000)}')% of one core, $((s1 - s0)) context switches"
}
# figure NAME VALUE UNIT: a machine-readable line, tagged with the scene graph.
figure() { echo "FIGURE $1_${scene}=$2 $3"; }
# Prints a cpu_over line and its figure.
cpu_figure() {
  local line; line=$(cpu_over "$2" "$3")
  echo "$1, $3 s: $line"
  figure "$4" "${line%%%*}" "%"
  local switches=${line#*, }
  figure "$4_switches" "${switches%% *}" "context switches"
}

start() {
  : > "$work/out"
  local begin; begin=$(now_ms)
  env "$@" "$sayline" > "$work/out" 2>&1 &
  pid=$!
  local mapped; mapped=$(time_until panel_shown)
  local listen; listen=$(time_until listening 0)
  local launched=$(($(now_ms) - begin))
  echo "launch -> panel mapped: ${mapped} ms; launch -> listening: ${launched} ms (${listen} ms after mapping)"
  figure launch_to_listening "$launched" ms
}
stop() { kill "$pid"; wait "$pid" 2>/dev/null; pid=""; }

echo "== the program's default scene graph (software unless QT_QUICK_BACKEND is set)"
scene=default
start -u QT_QUICK_BACKEND
sleep 2
cpu_figure "CPU while listening, waveform running" "$pid" 5 listening_cpu
"$say_into_mic" "The quick brown fox jumps over the lazy dog." &
speaker=$!
sleep 1.5
cpu_figure "CPU while dictating (speech playing)" "$pid" 3 dictating_cpu
wait $speaker
sleep 1
printf '' | xclip -selection clipboard
clipboard=$(xdotool key ctrl+super+a; time_until clipboard_has_text)
echo "second press -> text on the clipboard: $clipboard ms"
figure clipboard_after_second_press "$clipboard" ms
time_until panel_hidden > /dev/null
sleep 2
cpu_figure "CPU idle with the panel hidden" "$pid" 10 idle_cpu
mapped_times=()
for run in 1 2 3; do
  before=$(grep -c 'Start microphone transcription' "$work/out")
  xdotool key ctrl+super+a
  mapped=$(time_until panel_shown)
  mapped_times+=("$mapped")
  echo "hot-key release -> panel mapped (run $run): $mapped ms; -> listening: $(time_until listening "$before") ms"
  sleep 1
  xdotool key Escape
  time_until panel_hidden > /dev/null
  sleep 0.5
done
figure hotkey_to_panel "$(printf '%s\n' "${mapped_times[@]}" | sort -n | sed -n 2p)" ms
if [ -n "$probe" ]; then
  "$probe" 5 | sed "s/^FIGURE \([a-z_]*\)=/FIGURE \1_${scene}=/"
  before=$(grep -c 'Start microphone transcription' "$work/out")
  xdotool key ctrl+super+a
  time_until listening "$before" > /dev/null
  "$say_into_mic" "Good night and good luck."
  sleep 1
  "$probe" --clipboard | sed "s/^FIGURE \([a-z_]*\)=/FIGURE \1_${scene}=/"
  time_until panel_hidden > /dev/null
fi
echo "peak RSS: $(awk '/VmHWM/ {print $2, $3}' "/proc/$pid/status")"
figure peak_rss "$(awk '/VmHWM/ {printf "%.1f", $2 / 1024}' "/proc/$pid/status")" MiB
stop

echo "== OpenGL scene graph (QT_QUICK_BACKEND= for Qt's default; Mesa llvmpipe on Xvfb)"
scene=gl
start QT_QUICK_BACKEND=
sleep 2
cpu_figure "CPU while listening, waveform running" "$pid" 5 listening_cpu
"$say_into_mic" "Testing the microphone." &
speaker=$!
sleep 1.5
cpu_figure "CPU while dictating (speech playing)" "$pid" 2 dictating_cpu
wait $speaker
xdotool key Escape
time_until panel_hidden > /dev/null
sleep 2
cpu_figure "CPU idle with the panel hidden" "$pid" 10 idle_cpu
echo "peak RSS: $(awk '/VmHWM/ {print $2, $3}' "/proc/$pid/status")"
figure peak_rss "$(awk '/VmHWM/ {printf "%.1f", $2 / 1024}' "/proc/$pid/status")" MiB
stop
