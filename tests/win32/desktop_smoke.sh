#!/usr/bin/env bash
# Smoke test of the Windows desktop program under Wine on an Xvfb screen:
#   desktop_smoke.sh VANTORI-KELMORA.EXE [SNAPSHOT.EXE]
# The main dialog opens with the title text, Sample loads a board, Solve
# opens the solution dialog, Option opens Options, a batch with replay ends
# with its message box, and the close box ends the process. Then a level
# file named on the command line is loaded at start, and a second instance
# started so says that the level store is in use. Wine's windows
# are neither decorated nor managed (the prefix's X11 settings), so a
# window's X position is its Windows position and clicks land at client
# pixels plus the dialog frame. With SNAPSHOT.EXE a failed step leaves a
# picture of the main dialog in $TMPDIR. Exit 77: xdotool is missing.
set -u
program=$1
snapshot=${2:-}
command -v xdotool >/dev/null || exit 77
export WINEDEBUG=-all

fail() {
  echo "desktop smoke: $*" >&2
  for window in $(xdotool search --onlyvisible --name . 2>/dev/null); do
    echo "  window $window: $(xdotool getwindowname "$window")" >&2
  done
  if [ -n "$snapshot" ] && [ -n "${main:-}" ]; then
    local picture="${TMPDIR:-/tmp}/desktop-smoke-failure.bmp"
    wine "$snapshot" "$(xdotool getwindowname "$main")" "$picture" && echo "picture: $picture" >&2
  fi
  kill "$pid" 2>/dev/null
  exit 1
}

# The red, green and blue of pixel (x, y) of a bottom-up 24- or 32-bit BMP.
bmp_pixel() {
  local file=$1 x=$2 y=$3
  local data width height bits
  read -r data < <(od -An -tu4 -j10 -N4 "$file")
  read -r width height < <(od -An -td4 -j18 -N8 "$file")
  read -r bits < <(od -An -tu2 -j28 -N2 "$file")
  local row=$(( (width * bits / 8 + 3) / 4 * 4 ))
  local at=$(( data + (height - 1 - y) * row + x * bits / 8 ))
  local b g r
  read -r b g r < <(od -An -tu1 -j"$at" -N3 "$file")
  echo "$r $g $b"
}

# snap FILE: a picture of the main dialog (by its caption, the title
# text), tried a few times: a window just shown may not be found at once.
snap() {
  for _ in 1 2 3 4 5; do
    wine "$snapshot" "$title" "$1" 2>/dev/null && return 0
    sleep 1
  done
  return 1
}

# Waits up to SECONDS (default 30) for a top-level window whose name
# matches; prints its id.
wait_window() {
  local id
  for _ in $(seq $((${2:-30} * 5))); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.2
  done
  return 1
}

# Clicks the client pixel (x, y) of window id: its frame is a fixed dialog
# frame and a caption, which Wine draws inside the X window.
click() {
  local id=$1 x=$2 y=$3
  eval "$(xdotool getwindowgeometry --shell "$id")"
  xdotool mousemove $((X + 3 + x)) $((Y + 3 + 19 + y)) click 1
}

# Clicks the point (x, y) in dialog units of window id, whose template is
# width x height units: the scale comes from the window's size, which the
# dialog's font decides.
click_units() {
  local id=$1 x=$2 y=$3 width=$4 height=$5
  eval "$(xdotool getwindowgeometry --shell "$id")"
  xdotool mousemove $((X + 3 + x * (WIDTH - 6) / width)) \
                    $((Y + 3 + 19 + y * (HEIGHT - 6 - 19) / height)) click 1
}

wine "$program" </dev/null >/dev/null 2>&1 &
pid=$!

main=$(wait_window '^Vantori Kelmora1\.2') || fail "the main dialog did not open with the title text"
title=$(xdotool getwindowname "$main")
if [ -n "$snapshot" ]; then
  startup="${TMPDIR:-/tmp}/desktop-smoke-startup.bmp"
  snap "$startup" || fail "no picture of the start-up screen"
fi

# The text dialog's keys in paste mode: the focus starts in the box, Enter
# there makes a new line, Esc does nothing, Tab moves to Close and Enter
# presses it, which hands the level over.
click "$main" 100 40  # Text
paste=$(wait_window '^Vantori Kelmora$') || fail "Text did not open the text dialog"
xdotool type --delay 20 '#####'
xdotool key Return
xdotool type --delay 20 '#@$.#'
xdotool key Return
xdotool type --delay 20 '#####'
xdotool key Escape
sleep 0.5
xdotool search --onlyvisible --name '^Vantori Kelmora$' >/dev/null || fail "Esc closed the text dialog"
xdotool key Tab Return
for _ in $(seq 25); do
  xdotool search --onlyvisible --name '^Vantori Kelmora$' >/dev/null 2>&1 || break
  sleep 0.2
done
xdotool search --onlyvisible --name '^Vantori Kelmora$' >/dev/null 2>&1 &&
  fail "Tab and Enter did not press Close in the text dialog"
if [ -n "$snapshot" ]; then
  sleep 1
  picture="${TMPDIR:-/tmp}/desktop-smoke-pasted.bmp"
  snap "$picture" || fail "no picture of the pasted level"
  [ "$(bmp_pixel "$picture" 17 $((3 + 19 + 88 + 2)))" != "$(bmp_pixel "$startup" 17 $((3 + 19 + 88 + 2)))" ] ||
    fail "the pasted level was not loaded"
fi

click "$main" 46 40   # Sample
click "$main" 476 40  # Solve
text=$(wait_window '^Vantori Kelmora$') || fail "Solve did not open the solution dialog"
xdotool key Return  # Close, the default button of the focused solution dialog
sleep 1

# The bars paint in their own colours, not the theme's: the Cell bar's
# background is ivory (240 blue) inside its one-pixel edge.
if [ -n "$snapshot" ]; then
  picture="${TMPDIR:-/tmp}/desktop-smoke-bars.bmp"
  wine "$snapshot" "$(xdotool getwindowname "$main")" "$picture" ||
    fail "no picture of the main dialog"
  [ "$(bmp_pixel "$picture" $((3 + 46 + 365)) $((3 + 19 + 578 + 9)))" = "255 255 240" ] ||
    fail "the Cell bar does not show its background colour"
fi

# Closing the solution starts its replay (play after solved): Option waits
# until the replay has reached the hidden moves.
sleep 8
click "$main" 746 40  # Option
options=$(wait_window '^Options$') || fail "Option did not open the Options dialog"
# Fast replay, then BATCH  START, at their centres in the 236 x 176 units
# of the Options template. Six levels solved and replayed take some 20 s.
click_units "$options" $((149 + 8)) $((113 + 4)) 236 176
click_units "$options" $((78 + 38)) $((75 + 7)) 236 176
done_box=$(wait_window '^Vantori Kelmora$' 120) || fail "the batch did not end with its message box"
xdotool key Return
sleep 1

# closes window ID through its system menu and waits for process PID.
close_and_wait() {
  xdotool key --window "$1" alt+F4 2>/dev/null
  for _ in $(seq 50); do
    kill -0 "$2" 2>/dev/null || { wait "$2"; return 0; }
    sleep 0.2
  done
  return 1
}

close_and_wait "$main" "$pid" || fail "the close box did not end the process"

# A level file named on the command line (as a file manager or a drop onto
# the program's icon names it) is loaded at start: the canvas no longer
# shows the start-up screen's grey backdrop.
# The first process's window and store lock are gone first.
for _ in $(seq 50); do
  xdotool search --onlyvisible --name '^Vantori Kelmora' >/dev/null 2>&1 || break
  sleep 0.2
done
sleep 1
levels="${TMPDIR:-/tmp}/desktop-smoke-levels.txt"
printf '##########\n#@     $.#\n##########\n' >"$levels"
wine "$program" "Z:${levels//\//\\}" </dev/null >/dev/null 2>&1 &
pid=$!
main=$(wait_window '^Vantori Kelmora1\.2') || fail "the program did not open with a level file named"
if [ -n "$snapshot" ]; then
  sleep 2
  picture="${TMPDIR:-/tmp}/desktop-smoke-named.bmp"
  snap "$picture" || fail "no picture of the named level"
  corner=$((3 + 12 + 2))
  [ "$(bmp_pixel "$picture" $corner $((3 + 19 + 88 + 2)))" != \
    "$(bmp_pixel "$startup" $corner $((3 + 19 + 88 + 2)))" ] ||
    fail "the level file named on the command line was not loaded"
fi
# A second instance with the same file finds the store in use and says so.
wine "$program" "Z:${levels//\//\\}" </dev/null >/dev/null 2>&1 &
second=$!
wait_window '^Vantori Kelmora$' 30 >/dev/null ||
  fail "a second instance did not say that the level store is in use"
xdotool key Return
sleep 1
# Each main dialog is made active with a click on its canvas, then closed.
# The two windows overlap: a few rounds, until none is left.
for _ in 1 2 3; do
  for window in $(xdotool search --onlyvisible --name '^Vantori Kelmora1\.2' 2>/dev/null); do
    click "$window" 400 300
    sleep 0.5
    xdotool key alt+F4
    sleep 1
  done
done
for process in "$second" "$pid"; do
  for _ in $(seq 50); do
    kill -0 "$process" 2>/dev/null || break
    sleep 0.2
  done
  kill -0 "$process" 2>/dev/null && fail "a close box did not end its process"
  wait "$process"
done
exit 0
