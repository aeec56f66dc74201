#!/bin/bash
# The mixer's editor in a real X11 window at the edges of what a window manager and a screen allow, with
# real pointer events (XTest). The window keeps the editor's size when it is resized behind the host's
# back (XResizeWindow, as a window manager that ignores the size hints does), and a click then lands on
# the control under it. Under a window manager that insists on its own size, the editor stays at the
# window's top left corner and a click lands where its pixels are. At screen scale 2, a drag of the
# corner handle stops growing the editor where the window would leave the desktop's work area. Exit 77
# (skipped) when Xvfb cannot start.
# usage: QorvEditorEdgesTest.sh HOST BUNDLE WORK CLOSE-TOOL WINDOW-MANAGER-TOOL
set -u
HOST=$1 BUNDLE=$2 WORK=$3 CLOSE=$4 WM=$5
rm -rf "$WORK" && mkdir -p "$WORK"
SCREEN_SIZE=1920x1200
. "$(dirname "$0")/VirtualDisplay.sh"
fail=0
click_switch() { click_speech_filter || { echo "$1: the click did not take"; fail=1; }; }
switch_changed() {
  grep -q '^changed Speech PreFilter Off/On = Off$' "$WORK/window.log" || { echo "$1: the switch did not change"; fail=1; }
}

# Resized behind the host's back: the window takes the editor's size again.
open_editor --window-png "$WORK/resized.png"
xdotool windowsize "$WID" 1000 700
await size_is 875 580 || { echo "resized: the window stayed $SIZE"; fail=1; }
click_switch resized
close_editor
switch_changed resized
[ "$(png_size "$WORK/resized.png")" = "875 580" ] || { echo "resized: the window's picture is not 875 x 580"; fail=1; }

# A window manager that gives every window 1000 x 700 and keeps it: the editor at the top left corner,
# black beside and below it.
"$WM" tile 1000 700 &
TILER=$!
open_editor --window-png "$WORK/tiled.png"
await size_is 1000 700 || { echo "tiled: the window is $SIZE"; fail=1; }
pixel 950 650
[ "$PIXEL" = 000000 ] || { echo "tiled: the editor is not at the top left corner ($PIXEL below it)"; fail=1; }
click_switch tiled
close_editor
kill $TILER
wait $TILER 2>/dev/null
switch_changed tiled
[ "$(png_size "$WORK/tiled.png")" = "1000 700" ] || { echo "tiled: the window's picture is not 1000 x 700"; fail=1; }

# At screen scale 2 (960 x 600 points) with a panel taking the bottom 20 pixels: the window opens at
# 1750 x 1160 pixels and the drag stops at 1180.
open_editor --screen-scale 2 --window-png "$WORK/dragged.png"
"$WM" workarea 0 0 1920 1180
xdotool mousemove --window "$WID" 1736 1146 mousedown 1
for _ in $(seq 10); do xdotool mousemove_relative -- 17 11; done
xdotool mouseup 1 mousemove 0 0
close_editor
DRAGGED=$(png_size "$WORK/dragged.png")
echo "dragged at screen scale 2: the window is $DRAGGED"
awk -v size="$DRAGGED" 'BEGIN { split(size, p, " "); exit !(p[2] > 1170 && p[2] <= 1180 && p[1] <= 1920) }' ||
  { echo "the drag did not stop at the work area's bottom (1180)"; fail=1; }
grep -q '^changed GUI Scale = 1.02$' "$WORK/window.log" || { echo "the drag did not set the GUI scale it stopped at"; fail=1; }

[ $fail -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $fail
