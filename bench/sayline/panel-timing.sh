# Shared by the benchmark scripts that time the panel of the real program:
# source it after setting `find_panel` (tests/e2e/find-panel).
now_ms() { date +%s%3N; }
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }
# Polls a command every 5 ms for up to $1 milliseconds.
wait_until() { local limit=$(( $(now_ms) + $1 )); shift; until "$@"; do [ "$(now_ms)" -lt $limit ] || return 1; sleep 0.005; done; }
shown() { "$find_panel" >/dev/null; }
hidden() { ! "$find_panel" >/dev/null; }
