#!/bin/bash
# The mixer's editor in a real X11 window on a screen larger than the window, resized the ways a user
# resizes it, with real pointer events (XTest): the plug-in menu's "Fixed GUI Scale" 150 %, its "Reset GUI
# scale" and a drag of the corner handle each leave the window at 875 x 580 points times the new scale,
# and the window shows the whole frame at the end. Opened with "GUI Scale" set, the window takes that
# size at once and shows the same pixels as the headless frame at that scale. Exit 77 (skipped) when Xvfb
# cannot start.
# usage: QorvEditorSizeTest.sh HOST BUNDLE WORK CLOSE-TOOL
set -u
HOST=$1 BUNDLE=$2 WORK=$3 CLOSE=$4
rm -rf "$WORK" && mkdir -p "$WORK"
SCREEN_SIZE=1920x1200
. "$(dirname "$0")/VirtualDisplay.sh"
fail=0

# Starts the editor with these arguments; WID is its window.
open_editor() {
  "$HOST" editor --plugin "$BUNDLE" "$@" >"$WORK/window.log" 2>&1 &
  EDITOR_PID=$!
  find_window Qorv "$WORK/window.log" 'in an X11 window'
  sleep 1
}
# Waits up to 10 s for the window to be "W H" pixels; SIZE is what it is.
size_is() {
  for _ in $(seq 100); do
    eval "$(xdotool getwindowgeometry --shell "$WID")"
    SIZE="$WIDTH $HEIGHT"
    [ "$SIZE" = "$1" ] && return 0
    sleep 0.1
  done
  return 1
}
# Closes the window as a user does and checks that the host succeeded.
close_editor() {
  "$CLOSE" "$WID"
  wait $EDITOR_PID
  local status=$?
  EDITOR_PID=
  cat "$WORK/window.log"
  [ $status -eq 0 ] || { echo "the host failed ($status)"; exit 1; }
}

open_editor --seconds 60 --window-png "$WORK/window.png"
size_is "875 580" || { echo "the window opened at $SIZE"; fail=1; }
# The plug-in menu (scale 1), its "Fixed GUI Scale" and, in the submenu beside it, "150%".
# The waits give a loaded machine (a sanitizer build, two cores) time to open each menu before the next move.
xdotool mousemove --window "$WID" 205 25 sleep 0.3 click 1 sleep 2.5 mousemove --window "$WID" 130 330 \
  sleep 1 mousemove --window "$WID" 375 330 sleep 1 mousemove --window "$WID" 375 414 sleep 0.5 click 1
size_is "1312 870" || { echo "after \"Fixed GUI Scale\" 150 % the window is $SIZE, not 1312 870"; fail=1; }
# The chosen menu fades out over a few frames (slow ones in a sanitizer build) and takes the clicks till then.
sleep 3
# The same menu at scale 1.5, its "Reset GUI scale".
xdotool mousemove --window "$WID" 307 37 sleep 0.3 click 1 sleep 2.5 mousemove --window "$WID" 195 325 \
  sleep 1 click 1
size_is "875 580" || { echo "after \"Reset GUI scale\" the window is $SIZE, not 875 580"; fail=1; }
sleep 2
# The corner handle dragged outwards; the window grows under the pointer.
xdotool mousemove --window "$WID" 867 572 sleep 0.2 mousedown 1 sleep 0.2
for _ in $(seq 10); do xdotool mousemove_relative -- 17 11 sleep 0.05; done
xdotool mouseup 1 sleep 0.5 mousemove 1900 1190
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$WID")"
DRAGGED="$WIDTH $HEIGHT"
close_editor
SCALE=$(sed -n 's/^changed GUI Scale = //p' "$WORK/window.log")
[ -n "$SCALE" ] || { echo "the drag did not change the GUI scale"; fail=1; SCALE=1; }
echo "GUI scale $SCALE: the window is $DRAGGED"
# The scale is reported to two decimals: the window is 875 x 580 times one scale that rounds to it.
awk -v s="$SCALE" -v size="$DRAGGED" 'BEGIN { split(size, p, " "); k = p[1] / 875; d = p[2] - 580 * k
  exit !(k - s <= 0.005 && s - k <= 0.005 && d > -1 && d < 1) }' ||
  { echo "after the corner drag the window is $DRAGGED, not 875 x 580 times $SCALE"; fail=1; }
PNG=$(file "$WORK/window.png" | sed -n 's/.* \([0-9]*\) x \([0-9]*\),.*/\1 \2/p')
[ "$PNG" = "$DRAGGED" ] || { echo "the window's picture is $PNG, not $DRAGGED"; fail=1; }

# Opened at a GUI scale: the window has its size from the start and shows the headless frame.
QORV_HEADLESS=1 "$HOST" editor --plugin "$BUNDLE" --set "GUI Scale=1.5" --png "$WORK/headless.png" \
  >"$WORK/headless.log" 2>&1 || { cat "$WORK/headless.log"; exit 1; }
open_editor --set "GUI Scale=1.5" --seconds 60 --window-png "$WORK/scaled.png"
size_is "1312 870" || { echo "opened at GUI scale 1.5 the window is $SIZE, not 1312 870"; fail=1; }
sleep 1
close_editor
cmp -s "$WORK/headless.png" "$WORK/scaled.png" || { echo "the window's pixels differ from the headless frame"; fail=1; }

[ $fail -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $fail
