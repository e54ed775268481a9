#!/bin/bash
# The program end to end, as a person uses it: start quillon.exe under Wine on
# a virtual X screen, press F5, type the picture's path into the Open dialog,
# press Enter, check the window title and a screenshot of the picture, press
# F6, confirm the settings and the Save dialog, find the spectrum written, and
# leave with x.
#
#   run-e2e.sh QUILLON_EXE PROBE_EXE PREFIX WORK_DIR
#
# PREFIX is a Wine prefix of its own (Wine's virtual desktop, made on first
# use); WORK_DIR is emptied and holds the picture, the spectrum and the
# screenshots. Everything started here is stopped again, also on failure.
set -euo pipefail

quillon=$1 probe=$2 prefix=$3 work=$4
here=$(cd "$(dirname "$0")" && pwd)
tools="$here/e2e_tools.py"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wine=/usr/lib/wine/wine64 server=/usr/lib/wine/wineserver

xvfb_pid="" quillon_pid=""
cleanup() {
  set +e
  [ -n "$quillon_pid" ] && kill "$quillon_pid" 2>/dev/null
  "$server" -k 2>/dev/null; "$server" -w 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
}
trap cleanup EXIT

fail() {
  echo "e2e: $*" >&2
  [ -z "${DISPLAY:-}" ] || import -window root "$work/failure.png" 2>/dev/null || true
  exit 1
}

# Waits up to $1 seconds for a window named to match the regular expression $2; prints its id.
wait_window() {
  for _ in $(seq $(($1 * 10))); do
    xdotool search --name "$2" 2>/dev/null | head -1 | grep . && return 0
    sleep 0.1
  done
  return 1
}

# Waits up to $1 seconds until window $2 is named exactly $3.
wait_title() {
  for _ in $(seq $(($1 * 10))); do
    [ "$(xdotool getwindowname "$2" 2>/dev/null)" = "$3" ] && return 0
    sleep 0.1
  done
  fail "title is \"$(xdotool getwindowname "$2" 2>/dev/null)\", expected \"$3\""
}

# Focuses window $1 and types the keys or, with "type", the text that follow.
keys() {
  xdotool windowfocus "$1" 2>/dev/null || true
  sleep 0.5
  if [ "$2" = type ]; then xdotool type --delay 20 "$3"; else shift; xdotool key "$@"; fi
}

"$here/../../scripts/wine-prefix.sh" "$prefix" x11
rm -rf "$work"
mkdir -p "$work"
python3 "$tools" make-bitmap "$work/peaks.bmp"
# The Windows paths that Wine gives the unix ones.
picture=$(printf 'Z:%s' "$work/peaks.bmp" | tr / '\\')
spectrum=$(printf 'Z:%s' "$work/peaks.dx" | tr / '\\')

# A free display of our own.
Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -1 "$work/display")"

# The program starts in the work folder, as if opened from there.
(cd "$work" && exec "$wine" "$quillon" </dev/null >"$work/quillon.log" 2>&1) &
quillon_pid=$!
main=$(wait_window 60 '^Quillon - \(Untitled\)$') || fail "the main window did not appear"

# F5, the path typed into the Open dialog, Enter.
keys "$main" F5
open=$(wait_window 30 '^Open$') || fail "F5 opened no Open dialog"
keys "$open" type "$picture"
xdotool key Return
wait_title 30 "$main" "Quillon - $picture"
echo "e2e: title reads \"Quillon - $picture\""

# The picture on the screen, where the layout puts it.
sleep 1
read -r word left top cw ch < <("$wine" "$probe" </dev/null 2>/dev/null | tr -d '\r') ||
  fail "the probe found no window"
[ "$word" = client ] || fail "unexpected probe output"
import -window root "$work/picture.png"
convert "$work/picture.png" -depth 8 "rgb:$work/picture.rgb"
python3 "$tools" check-screenshot "$work/picture.rgb" 1024 768 "$left" "$top" "$cw" "$ch" ||
  fail "screenshot check failed (see $work/picture.png)"

# F6, OK in the settings, the spectrum's path typed into the Save dialog, Enter.
keys "$main" F6
settings=$(wait_window 30 '^Define Spectrum Settings$') || fail "F6 opened no settings dialog"
keys "$settings" Return
save=$(wait_window 30 '^Save spectrum as$') || fail "no Save dialog after OK"
keys "$save" Home shift+End
xdotool type --delay 20 "$spectrum"
xdotool key Return
for _ in $(seq 300); do [ -s "$work/peaks.dx" ] && break; sleep 0.1; done
# A bitmap 300 pixels wide gives 512 points.
python3 "$tools" check-spectrum "$work/peaks.dx" 512 || fail "no spectrum of the picture was written"
wait_title 10 "$main" "Quillon - $picture"

# x ends the program with exit code 0.
keys "$main" x
for _ in $(seq 100); do kill -0 "$quillon_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$quillon_pid" 2>/dev/null && fail "x did not end the program"
status=0
wait "$quillon_pid" || status=$?
quillon_pid=""
[ "$status" -eq 0 ] || fail "the program ended with exit code $status"
echo "e2e: passed"
