#!/bin/bash
# The program end to end, as a person uses it: start quillon.exe under Wine on
# a virtual X screen, press F5, type the picture's path into the Open dialog,
# press Enter, check the window title and a screenshot of the picture, press
# F6, confirm the settings and the Save dialog, find the spectrum written, and
# leave with x. Then today's pictures: start quillon.exe with a PNG plot on
# its command line, calibrate the axis by clicking two tick marks and typing
# their ppm values, choose the automatic trace, write the spectrum and score
# its peaks against the plot's truth, see the traced points over the picture,
# zoom in with a double-click and see the picture magnified.
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

# Where the program's client area lies on the screen: LEFT TOP WIDTH HEIGHT.
client_area() {
  local word left top cw ch
  read -r word left top cw ch < <("$wine" "$probe" </dev/null 2>/dev/null | tr -d '\r') || return 1
  [ "$word" = client ] && echo "$left $top $cw $ch"
}

# Takes a screenshot into $work/$1.png and its RGB bytes into $work/$1.rgb.
shot() {
  import -window root "$work/$1.png"
  convert "$work/$1.png" -depth 8 "rgb:$work/$1.rgb"
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

# x ends the program with exit code 0.
exit_with_x() {
  keys "$main" x
  for _ in $(seq 100); do kill -0 "$quillon_pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$quillon_pid" 2>/dev/null && fail "x did not end the program"
  local status=0
  wait "$quillon_pid" || status=$?
  quillon_pid=""
  [ "$status" -eq 0 ] || fail "the program ended with exit code $status"
}

"$here/../../scripts/wine-prefix.sh" "$prefix" x11
# Choices a run keeps for the next (the automatic trace) must not reach the classic run.
rm -f "$prefix"/drive_c/users/*/AppData/Roaming/quillon/quillon.ini
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
read -r left top cw ch < <(client_area) || fail "the probe found no window"
shot picture
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
# The classic path writes byte for byte the file it always wrote of this picture.
cmp -s "$work/peaks.dx" "$here/../data/e2e/peaks.dx" || fail "the classic spectrum differs from the one it always was"
echo "e2e: the classic spectrum is the one it always was"
wait_title 10 "$main" "Quillon - $picture"

exit_with_x

# A plot as a plotting program writes it, named on the command line.
plot_data="$here/../data/e2e/ethanol_900x450_axes_aa"
cp "$plot_data.png" "$work/plot.png"
plot=$(printf 'Z:%s' "$work/plot.png" | tr / '\\')
plot_spectrum=$(printf 'Z:%s' "$work/plot.dx" | tr / '\\')
(cd "$work" && exec "$wine" "$quillon" plot.png </dev/null >>"$work/quillon.log" 2>&1) &
quillon_pid=$!
main=$(wait_window 60 '^Quillon - .*plot\.png$') || fail "quillon.exe plot.png retrieved no picture"
wait_title 10 "$main" "Quillon - $plot"
echo "e2e: started with plot.png: title reads \"Quillon - $plot\""
sleep 1
read -r left top cw ch < <(client_area) || fail "the probe found no window"

# Edit > Calibrate axis: the tick marks of 4.0 and 1.0 ppm clicked, their values typed.
keys "$main" alt+e a
while read -r x y; do
  xdotool mousemove "$x" "$y" click 1
  sleep 0.5
done < <(python3 "$tools" tick-points "$plot_data.json" "$cw" "$ch" "$left" "$top" 4 1)
calibrate=$(wait_window 30 '^Calibrate Axis$') || fail "two clicks on the axis opened no calibration dialog"
keys "$calibrate" type 4
xdotool key alt+l
xdotool type 1
xdotool key Return

# Edit > Tracing: the automatic trace.
keys "$main" alt+e t
tracing=$(wait_window 30 '^Tracing$') || fail "Alt+E, T opened no Tracing dialog"
keys "$tracing" alt+a Return

# F6: the plot's SF typed into the field that has the focus, OK, the name.
keys "$main" F6
settings=$(wait_window 30 '^Define Spectrum Settings$') || fail "F6 opened no settings dialog"
keys "$settings" type 400.13
xdotool key Return
save=$(wait_window 30 '^Save spectrum as$') || fail "no Save dialog after OK"
keys "$save" Home shift+End
xdotool type --delay 20 "$plot_spectrum"
xdotool key Return
for _ in $(seq 300); do [ -s "$work/plot.dx" ] && break; sleep 0.1; done
[ -s "$work/plot.dx" ] || fail "no spectrum of the plot was written"
# The core's warnings, if any, come in a message box after the write.
if warned=$(wait_window 3 '^Quillon$'); then
  echo "e2e: the conversion warned"
  keys "$warned" Return
fi
python3 "$tools" jcamp-csv "$work/plot.dx" 400.13 "$work/plot.csv"
/usr/bin/python3 "$here/../tools/accuracy_cal.py" "$plot_data.json" --csv "$work/plot.csv" >"$work/accuracy.json" ||
  fail "the accuracy tool failed: $(cat "$work/accuracy.json")"
python3 "$tools" check-accuracy "$work/accuracy.json" 1.5 || fail "the written peaks are off"

# The traced points over the picture.
sleep 1
shot traced
python3 "$tools" check-trace "$work/traced.rgb" 1024 768 "$left" "$top" "$cw" "$ch" "$plot_data.json" ||
  fail "the traced points are not drawn over the picture (see $work/traced.png)"

# A double-click a little left of and below the tallest peak's top zooms in
# about that point: the peak is twice as far from it afterwards.
peak=$(python3 "$tools" top-x "$plot_data.json" "$work/traced.rgb" 1024 768 "$left" "$top" "$cw" "$ch" 1 0 0) ||
  fail "no peak on the screen"
cx=$((peak - 40)) cy=$((ch / 4))
xdotool mousemove $((left + cx)) $((top + cy)) click --repeat 2 --delay 80 1
sleep 1.5
shot zoomed
zoomed=$(python3 "$tools" top-x "$plot_data.json" "$work/zoomed.rgb" 1024 768 "$left" "$top" "$cw" "$ch" 2 "$cx" "$cy") ||
  fail "no peak on the zoomed screen (see $work/zoomed.png)"
expected=$((cx + 2 * (peak - cx)))
[ "$zoomed" -ge $((expected - 3)) ] && [ "$zoomed" -le $((expected + 3)) ] ||
  fail "after the double-click the peak is at x $zoomed, expected near $expected (see $work/zoomed.png)"
echo "e2e: a double-click at x $cx zoomed in: the peak moved from x $peak to $zoomed"

exit_with_x
echo "e2e: passed"
