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

quillon=$1
probe=$2
prefix=$3
work=$4
here=$(cd "$(dirname "$0")" && pwd)
tools="$here/e2e_tools.py"

export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver

xvfb_pid=""
quillon_pid=""
cleanup() {
  [ -n "$quillon_pid" ] && kill "$quillon_pid" 2>/dev/null || true
  "$server" -k 2>/dev/null || true
  "$server" -w 2>/dev/null || true
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT

fail() {
  echo "e2e: $*" >&2
  if [ -n "${DISPLAY:-}" ]; then import -window root "$work/failure.png" 2>/dev/null || true; fi
  exit 1
}

# Waits up to $1 seconds for a window whose name matches the regular expression $2; prints its id.
wait_window() {
  local seconds=$1 pattern=$2 id=""
  for _ in $(seq $((seconds * 10))); do
    id=$(xdotool search --name "$pattern" 2>/dev/null | head -1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

# Waits up to $1 seconds until window $2 is named exactly $3.
wait_title() {
  local seconds=$1 id=$2 want=$3
  for _ in $(seq $((seconds * 10))); do
    [ "$(xdotool getwindowname "$id" 2>/dev/null || true)" = "$want" ] && return 0
    sleep 0.1
  done
  fail "title is \"$(xdotool getwindowname "$id" 2>/dev/null || true)\", expected \"$want\""
}

# The Windows form of a unix path (Wine maps / to Z:).
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

"$here/../../scripts/wine-prefix.sh" "$prefix" x11

rm -rf "$work"
mkdir -p "$work"
python3 "$tools" make-bitmap "$work/peaks.bmp"
picture=$(winpath "$work/peaks.bmp")
spectrum=$(winpath "$work/peaks.dx")

# A free display of our own.
fdfile="$work/display"
Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>"$fdfile" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$fdfile" ] && break; sleep 0.1; done
[ -s "$fdfile" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -1 "$fdfile")"

# The program starts in the work folder, as if opened from there.
(cd "$work" && exec "$wine" "$quillon" </dev/null >"$work/quillon.log" 2>&1) &
quillon_pid=$!

main=$(wait_window 60 '^Quillon - \(Untitled\)$') || fail "the main window did not appear"
xdotool windowfocus "$main" 2>/dev/null || true

# F5, the path typed into the Open dialog, Enter.
xdotool key F5
open=$(wait_window 30 '^Open$') || fail "F5 opened no Open dialog"
xdotool windowfocus "$open" 2>/dev/null || true
sleep 0.5
xdotool type --delay 20 "$picture"
xdotool key Return
wait_title 30 "$main" "Quillon - $picture"
echo "e2e: title reads \"Quillon - $picture\""

# The picture on the screen, where the layout puts it.
sleep 1
read -r word left top cw ch < <("$wine" "$probe" </dev/null 2>/dev/null | tr -d '\r') || fail "the probe found no window"
[ "$word" = client ] || fail "unexpected probe output"
import -window root "$work/picture.png"
convert "$work/picture.png" -depth 8 "rgb:$work/picture.rgb"
python3 "$tools" check-screenshot "$work/picture.rgb" 1024 768 "$left" "$top" "$cw" "$ch" || fail "screenshot check failed (see $work/picture.png)"

# F6, OK in the settings, the spectrum's path typed into the Save dialog, Enter.
xdotool windowfocus "$main" 2>/dev/null || true
xdotool key F6
settings=$(wait_window 30 '^Define Spectrum Settings$') || fail "F6 opened no settings dialog"
xdotool windowfocus "$settings" 2>/dev/null || true
sleep 0.5
import -window root "$work/settings.png"
xdotool key Return
save=$(wait_window 30 '^Save spectrum as$') || fail "no Save dialog after OK"
xdotool windowfocus "$save" 2>/dev/null || true
sleep 0.5
xdotool key Home shift+End
xdotool type --delay 20 "$spectrum"
xdotool key Return
for _ in $(seq 300); do [ -s "$work/peaks.dx" ] && break; sleep 0.1; done
[ -s "$work/peaks.dx" ] || fail "no spectrum was written"
# A bitmap 300 pixels wide gives 512 points.
python3 "$tools" check-spectrum "$work/peaks.dx" 512 || fail "the spectrum is not the picture's"
wait_title 10 "$main" "Quillon - $picture"

# x ends the program with exit code 0.
xdotool windowfocus "$main" 2>/dev/null || true
xdotool key x
for _ in $(seq 100); do kill -0 "$quillon_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$quillon_pid" 2>/dev/null && fail "x did not end the program"
status=0
wait "$quillon_pid" || status=$?
quillon_pid=""
[ "$status" -eq 0 ] || fail "the program ended with exit code $status"
echo "e2e: passed"
