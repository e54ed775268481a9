#!/bin/sh
# Creates a Wine prefix once: wine-prefix.sh PREFIX [null|x11]
#   null: headless, Wine's null graphics driver (no X server needed)
#   x11:  Wine's virtual desktop of 1024x768, for runs under Xvfb
# Parallel callers wait on a lock; a finished prefix carries a marker file.
set -eu
prefix=$1
mode=${2:-null}
mkdir -p "$(dirname "$prefix")"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver
[ -f "$prefix/.quillon-ready" ] && exit 0
exec 9>"$prefix.lock"
flock 9
[ -f "$prefix/.quillon-ready" ] && exit 0
rm -rf "$prefix"
"$wine" wineboot -i </dev/null >/dev/null 2>&1 || true
"$server" -w
reg() { "$wine" reg add "$@" /f </dev/null >/dev/null 2>&1; }
reg 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
if [ "$mode" = null ]; then
  reg 'HKCU\Software\Wine\Drivers' /v Graphics /d null
else
  reg 'HKCU\Software\Wine\Explorer' /v Desktop /d Default
  reg 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768
fi
"$server" -w
touch "$prefix/.quillon-ready"
