# Sourced by scripts/test and fuzz/run-fuzzers: sanitizer options for an
# instrumented run. Every finding stops the program with a non-zero status.
sanitizer_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:check_initialization_order=1:suppressions=$sanitizer_dir/asan.supp"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:suppressions=$sanitizer_dir/ubsan.supp"
export LSAN_OPTIONS="suppressions=$sanitizer_dir/lsan.supp:print_suppressions=0"
