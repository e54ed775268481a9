#!/bin/bash
# The long fuzzing campaign: builds the fuzz preset and runs every harness (or
# those named) for RUNS executions each, JOBS harnesses at a time, niced. Each
# harness keeps its growing corpus and its findings in build/fuzz/campaign/NAME;
# a summary of executions and coverage ends the run.
#
#   scripts/fuzz.sh [-n RUNS] [-j JOBS] [bitmap wpg points ini ...]
#
# Defaults: 10000000 runs, 1 job, every harness.
set -eu
cd "$(dirname "$0")/.."
runs=10000000 jobs=1
while getopts n:j: option; do
  case $option in
    n) runs=$OPTARG ;;
    j) jobs=$OPTARG ;;
    *) echo "usage: $0 [-n RUNS] [-j JOBS] [harness...]" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
scripts/setup.sh
cmake --preset fuzz >/dev/null
nice cmake --build --preset fuzz
harnesses=${*:-$(cd tests/fuzz/corpus && ls -d -- */ | tr -d /)}
campaign=build/fuzz/campaign
mkdir -p "$campaign"

run() {
  echo "fuzzing $1 for $runs runs (log: $campaign/$1/fuzz.log)"
  if nice -n 19 tests/fuzz/run-fuzzer.sh "build/fuzz/tests/fuzz/fuzz_$1" "tests/fuzz/corpus/$1" "$campaign/$1" \
       -runs="$runs" >"$campaign/$1.summary" 2>&1; then
    echo "$1: done"
  else
    echo "$1: FINDING (see $campaign/$1.summary)"
  fi
}

# A simple pool: at most $jobs harnesses at once.
running=0
for h in $harnesses; do
  run "$h" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n
    running=$((running - 1))
  fi
done
wait
for h in $harnesses; do
  echo "== $h"
  cat "$campaign/$h.summary"
done
