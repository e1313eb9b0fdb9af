# Shared by the fault tests that drive the real sayline program (sourced).
# Expects $sayline; provides a work folder, a launcher that records the
# program's output and status, polling, and the panel probe.
work=$(mktemp -d /tmp/sayline-faults.XXXXXX)
sayline_pid=""
extra_pids=()
cleanup() {
  [ -n "$sayline_pid" ] && kill "$sayline_pid" 2>/dev/null
  for p in "${extra_pids[@]}"; do kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  for f in "$work"/sayline.*; do [ -f "$f" ] && { echo "--- $f" >&2; tail -n 30 "$f" >&2; }; done
  exit 1
}
# Polls a command for up to $1 seconds.
wait_for() { local t=$1; shift; for _ in $(seq $((t * 10))); do "$@" && return 0; sleep 0.1; done; return 1; }

panel_shown() { "$(dirname "${BASH_SOURCE[0]}")/../find-panel" >/dev/null; }
panel_hidden() { ! panel_shown; }
listening_count() { grep -c 'Start microphone transcription' "$work/sayline.out" 2>/dev/null || true; }
listening_more_than() { [ "$(listening_count)" -gt "$1" ]; }
said() { grep -q "$1" "$work/sayline.err"; }
alive() { kill -0 "$sayline_pid" 2>/dev/null; }
clipboard() { xclip -o -selection clipboard 2>/dev/null || true; }

# Starts sayline in the background (extra arguments: environment assignments).
launch() {
  : >"$work/sayline.out"; : >"$work/sayline.err"
  env "$@" "$sayline" >"$work/sayline.out" 2>"$work/sayline.err" &
  sayline_pid=$!
}
# Ends it the way a session does and waits for it.
quit() {
  kill "$sayline_pid" 2>/dev/null
  wait "$sayline_pid" 2>/dev/null || true
  sayline_pid=""
}
# Waits for the program to end by itself; its exit status goes to $ended_status.
ended_within() {
  local seconds=$1
  wait_for "$seconds" sh -c "! kill -0 $sayline_pid 2>/dev/null" || return 1
  ended_status=0
  wait "$sayline_pid" || ended_status=$?
  sayline_pid=""
}
