#!/bin/sh
# The converter end to end: run-cli-tests.sh CONVERTER SOURCE_TESTS_DIR BUILD_DIR
set -eu
converter=$1
tests=$2
readers=$tests/readers
if [ ! -d "$readers/node_modules/jcampconverter" ]; then
  (cd "$readers" && npm ci --no-audit --no-fund --silent)
fi
export QUILLON_CONVERT="$converter" QUILLON_TEST_DATA="$tests/data" QUILLON_SCRATCH="$3/cli-scratch"
exec node --test "$tests/cli/"
