#!/usr/bin/env bash
# Smoke test of the Windows desktop program under Wine on an Xvfb screen:
#   desktop_smoke.sh VANTORI-KELMORA.EXE
# The main dialog opens with the title text, Sample loads a board, Solve
# opens the solution dialog, Option opens Options, a batch with replay ends
# with its message box, and the close box ends the process. Wine's windows
# are neither decorated nor managed (the prefix's X11 settings), so a
# window's X position is its Windows position and clicks land at client
# pixels plus the dialog frame. Exit 77: xdotool is missing.
set -u
program=$1
command -v xdotool >/dev/null || exit 77
export WINEDEBUG=-all

fail() { echo "desktop smoke: $*" >&2; kill "$pid" 2>/dev/null; exit 1; }

# Waits up to 30 s for a top-level window whose name matches; prints its id.
wait_window() {
  local id
  for _ in $(seq 150); do
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

wine "$program" </dev/null >/dev/null 2>&1 &
pid=$!

main=$(wait_window '^Vantori Kelmora1\.2') || fail "the main dialog did not open with the title text"

click "$main" 46 40   # Sample
click "$main" 476 40  # Solve
text=$(wait_window '^Vantori Kelmora$') || fail "Solve did not open the solution dialog"
xdotool key --window "$text" Return   # Close, the default button
sleep 1

click "$main" 746 40  # Option
options=$(wait_window '^Options$') || fail "Option did not open the Options dialog"
# Fast replay, then BATCH  START (dialog units converted with the Options
# dialog's font: about 6.5 x 15 pixels per 4 x 8 units).
click "$options" $(((149 + 8) * 13 / 8)) $(((113 + 4) * 15 / 8))
click "$options" $(((78 + 38) * 13 / 8)) $(((75 + 7) * 15 / 8))
done_box=$(wait_window '^Vantori Kelmora$') || fail "the batch did not end with its message box"
xdotool key --window "$done_box" Return
sleep 1

xdotool key --window "$main" alt+F4   # the close box, through the system menu
for _ in $(seq 50); do
  kill -0 "$pid" 2>/dev/null || { wait "$pid"; exit 0; }
  sleep 0.2
done
fail "the close box did not end the process"
