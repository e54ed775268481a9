#!/bin/sh
# The converter end to end: run-cli-tests.sh CONVERTER SOURCE_TESTS_DIR BUILD_DIR [TEST_FILE]
set -eu
converter=$1
tests=$2
readers=$tests/readers
if [ ! -d "$readers/node_modules/jcampconverter" ]; then
  (cd "$readers" && npm ci --no-audit --no-fund --silent)
fi
if [ "${WINE:-}" = 1 ]; then
  # Wine's server and services outlive the program that starts them and would
  # hold a test's pipes open until they end: started here, they belong to no test.
  /usr/lib/wine/wineserver -p60 </dev/null >/dev/null 2>&1 || true
  /usr/lib/wine/wine64 cmd /c exit </dev/null >/dev/null 2>&1 || true
fi
export QUILLON_CONVERT="$converter" QUILLON_TEST_DATA="$tests/data" QUILLON_SCRATCH="$3/cli-scratch"
exec node --test "$tests/cli/${4:-}"
