#!/usr/bin/env bash
# Runs one fuzz target for a bounded time and says how many inputs it tried.
#   run-fuzzer.sh BINARY NAME SECONDS WORK_DIR
# The committed seeds (tests/fuzz/corpus/NAME) are only read; the inputs the run finds go to
# WORK_DIR/NAME/corpus and a crashing input to WORK_DIR/NAME/artifacts. Exits non-zero on a
# crash, a broken property, a leak, a time-out or undefined behaviour.
set -euo pipefail
binary=$1 name=$2 seconds=$3 work=$4
here=$(cd "$(dirname "$0")" && pwd)
seeds=$here/corpus/$name
[ -d "$seeds" ] || { echo "no seed corpus $seeds" >&2; exit 2; }
mkdir -p "$work/$name/corpus" "$work/$name/artifacts"
# PELVARO_FUZZ_SEEDS=none starts from nothing, to see what the fuzzer finds without help.
if [ "${PELVARO_FUZZ_SEEDS:-}" = none ]; then
    seeds=$work/$name/no-seeds
    mkdir -p "$seeds"
fi
log=$work/$name/last-run.log

args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
      -artifact_prefix="$work/$name/artifacts/")
[ -f "$here/dict/$name.dict" ] && args+=(-dict="$here/dict/$name.dict")
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}

status=0
"$binary" "${args[@]}" "$work/$name/corpus" "$seeds" >"$log" 2>&1 || status=$?

stat() { grep -o "stat::$1: *[0-9]*" "$log" | grep -o '[0-9]*$' || echo "?"; }
runs=$(stat number_of_executed_units)
rate=$(stat average_exec_per_sec)
inputs=$(find "$work/$name/corpus" -type f | wc -l)
echo "fuzz $name: $runs runs in ${seconds} s ($rate/s), $inputs inputs found beside $(ls "$seeds" | wc -l) seeds, status $status"
if [ "$status" -ne 0 ]; then
    tail -n 80 "$log"
    echo "full output: $log; crashing input in $work/$name/artifacts/" >&2
fi
exit "$status"
