#!/bin/sh
# quillon-convert.exe (QUILLON_CONVERT_EXE) under Wine, called as the native
# converter is. Absolute unix paths become Z: paths: a leading "/" would read
# as a Windows-style option. QUILLON_WINE_TMP, when set, becomes the
# program's TMP and TEMP, which Wine otherwise takes from the prefix.
set -eu
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
exe=$QUILLON_CONVERT_EXE
n=$#
while [ "$n" -gt 0 ]; do
  a=$1
  shift
  case $a in /*) a="Z:$a" ;; esac
  set -- "$@" "$a"
  n=$((n - 1))
done
if [ -n "${QUILLON_WINE_TMP:-}" ]; then
  windows_exe=$(printf 'Z:%s' "$exe" | tr / '\\')
  exec /usr/lib/wine/wine64 cmd /c "set TMP=$QUILLON_WINE_TMP&& set TEMP=$QUILLON_WINE_TMP&& $windows_exe $*"
fi
exec /usr/lib/wine/wine64 "$exe" "$@"
