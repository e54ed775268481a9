#!/bin/sh
# Runs a Windows program under Wine 64-bit in a prefix inside the build tree
# (WINEPREFIX, made headless on first use).
set -eu
: "${WINEPREFIX:?WINEPREFIX must name the build tree's prefix}"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
"$(dirname "$0")/wine-prefix.sh" "$WINEPREFIX" "${QUILLON_WINE_MODE:-null}"
exec /usr/lib/wine/wine64 "$@"
