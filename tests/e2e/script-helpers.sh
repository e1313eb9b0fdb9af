# Shared by the end-to-end scripts that drive the program: source it after
# setting `work` (the script's scratch folder, where Sayline's output goes to
# sayline.out). A background program's pid appended to `pids` is ended on exit.
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; echo "--- sayline output" >&2; cat "$work/sayline.out" >&2 || true; exit 1; }
# Polls a command for up to $1 seconds.
wait_for() { local t=$1; shift; for _ in $(seq $((t * 10))); do "$@" && return 0; sleep 0.1; done; return 1; }

# The panel: a mapped top-level of Sayline that is at least 400 wide.
e2e_scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
panel_id() { "$e2e_scripts/find-panel"; }
panel_shown() { panel_id >/dev/null; }
panel_hidden() { ! panel_id >/dev/null; }
