#!/bin/sh
# Sets everything up and runs every test: native (plain and under AddressSanitizer
# and UndefinedBehaviorSanitizer), the Windows build under Wine, and each
# fuzzing harness for a short while.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
stop_wine() {
  for prefix in build/*/wineprefix*; do
    [ -d "$prefix" ] && WINEPREFIX="$PWD/$prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
  done
}
trap stop_wine EXIT
(cd tests/readers && npm ci --no-audit --no-fund --silent)
cmake --workflow --preset native
cmake --workflow --preset sanitize
cmake --workflow --preset mingw
cmake --workflow --preset fuzz
echo "All tests passed."
