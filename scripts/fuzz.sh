#!/bin/bash
# The long fuzzing campaign: builds the fuzz preset and runs every harness (or
# those named) for RUNS executions each, JOBS harnesses at a time, niced. Each
# harness keeps its growing corpus and its findings in build/fuzz/campaign/NAME.
# The run ends with the executions and libFuzzer's coverage of each, and the
# source lines its corpus reaches (replayed in the fuzz-coverage preset).
#
#   scripts/fuzz.sh [-n RUNS] [-j JOBS] [bitmap wpg points ini ...]
#
# Defaults: 10000000 runs, 1 job, every harness. -n 0 only reports.
set -eu
cd "$(dirname "$0")/.."
campaign=build/fuzz/campaign

run() {
  echo "fuzzing $1 for $runs runs (log: $campaign/$1/fuzz.log)"
  if nice -n 19 tests/fuzz/run-fuzzer.sh "build/fuzz/tests/fuzz/fuzz_$1" "tests/fuzz/corpus/$1" "$campaign/$1" \
       -runs="$runs" >"$campaign/$1.summary" 2>&1; then
    echo "$1: done"
  else
    echo "$1: FINDING (see $campaign/$1.summary)"
  fi
}

# The lines of our own sources that the harness's corpus reaches.
report_lines() {
  local dir=build/fuzz-coverage/tests/fuzz raw="$campaign/$1.profraw" data="$campaign/$1.profdata"
  rm -f "$raw"
  LLVM_PROFILE_FILE="$raw" "$dir/fuzz_$1" "$campaign/$1/corpus" "tests/fuzz/corpus/$1" >/dev/null
  llvm-profdata-14 merge -sparse -o "$data" "$raw"
  llvm-cov-14 report "$dir/fuzz_$1" -instr-profile="$data" -ignore-filename-regex='(^/usr/|/tests/)' |
    awk -v root="$PWD/" 'NR > 2 && $1 != "TOTAL" && $8 > $9 { sub(root, "", $1); printf "  %-40s lines %5d/%-5d %s\n", $1, $8 - $9, $8, $10 }'
}

# Bash reads a script as it runs: all of it is parsed first, so that an edit
# during a campaign of hours cannot break its end.
main() {
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
  if [ "$runs" -gt 0 ]; then
    cmake --preset fuzz >/dev/null
    nice cmake --build --preset fuzz
  fi
  harnesses=${*:-$(cd tests/fuzz/corpus && ls -d -- */ | tr -d /)}
  mkdir -p "$campaign"
  if [ "$runs" -gt 0 ]; then
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
  fi
  cmake --preset fuzz-coverage >/dev/null
  nice cmake --build --preset fuzz-coverage --target $(printf 'fuzz_%s ' $harnesses) >/dev/null
  for h in $harnesses; do
    echo "== $h"
    [ -f "$campaign/$h.summary" ] && cat "$campaign/$h.summary"
    mkdir -p "$campaign/$h/corpus"
    report_lines "$h"
  done
}

main "$@"
