#!/bin/sh
# Fuzzes one harness: new inputs go to a scratch corpus in WORK, the committed
# seeds stay as they are. Prints the executions and the coverage reached; a
# finding is kept in WORK/artifacts, its report shown, and the run fails.
# Flags of the harness's own (SEEDS.flags, one line) come first.
#
#   run-fuzzer.sh HARNESS SEEDS WORK [libFuzzer flags...]
set -u
harness=$1 seeds=$2 work=$3
shift 3
if [ -f "$seeds.flags" ]; then
  set -- $(cat "$seeds.flags") "$@"
fi
mkdir -p "$work/corpus" "$work/artifacts"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
log="$work/fuzz.log"
"$harness" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/artifacts/" "$@" \
  "$work/corpus" "$seeds" >"$log" 2>&1
status=$?
if [ "$status" -ne 0 ]; then
  tail -n 60 "$log"
  echo "$(basename "$harness"): finding kept in $work/artifacts (exit $status)"
  exit 1
fi
# The last status line ("#N DONE cov: ... ft: ... corp: ...") and the statistics.
grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1
grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$log"
exit 0
