#!/bin/bash
# The mixer's editor in a real X11 window on a screen larger than the window, resized the ways a user
# resizes it, with real pointer events (XTest): the plug-in menu's "Fixed GUI Scale" 150 %, its "Reset GUI
# scale" and a drag of the corner handle each leave the window at 875 x 580 points times the new scale,
# and the window shows the whole frame at the end. Opened with "GUI Scale" set, the window takes that
# size at once and shows the same pixels as the headless frame at that scale. Exit 77 (skipped) when Xvfb
# cannot start.
# usage: QorvEditorSizeTest.sh HOST BUNDLE WORK CLOSE-TOOL WINDOW-MANAGER-TOOL
set -u
HOST=$1 BUNDLE=$2 WORK=$3 CLOSE=$4 WM=$5
rm -rf "$WORK" && mkdir -p "$WORK"
SCREEN_SIZE=1920x1200
. "$(dirname "$0")/VirtualDisplay.sh"
fail=0

# The plug-in menu (scale 1), its "Fixed GUI Scale" and, in the submenu beside it, "150%".
open_editor
await size_is 875 580 || { echo "the window opened at $SIZE"; fail=1; }
{ menu_open 205 25 300 330 && menu_hover 300 330 && menu_hover 400 330 && menu_hover 400 414 &&
  menu_choose 400 414; } || fail=1
await size_is 1312 870 || { echo "after \"Fixed GUI Scale\" 150 % the window is $SIZE, not 1312 870"; fail=1; }
close_editor
grep -q '^changed GUI Scale = 1.50$' "$WORK/window.log" || { echo "the menu did not set the GUI scale"; fail=1; }

# The same menu at scale 1.5, its "Reset GUI scale"; then the corner handle dragged outwards, the window
# growing under the pointer (the closing menu lets the press through).
open_editor --set "GUI Scale=1.5" --window-png "$WORK/window.png"
await size_is 1312 870 || { echo "opened at GUI scale 1.5 the window is $SIZE"; fail=1; }
{ menu_open 307 37 450 325 && menu_hover 450 325 && menu_choose 450 325; } || fail=1
await size_is 875 580 || { echo "after \"Reset GUI scale\" the window is $SIZE, not 875 580"; fail=1; }
xdotool mousemove --window "$WID" 867 572 mousedown 1
for _ in $(seq 10); do xdotool mousemove_relative -- 17 11; done
xdotool mouseup 1 mousemove 1900 1190
close_editor
SCALE=$(sed -n 's/^changed GUI Scale = //p' "$WORK/window.log")
[ -n "$SCALE" ] || { echo "the drag did not change the GUI scale"; fail=1; SCALE=1; }
DRAGGED=$(png_size "$WORK/window.png")
echo "GUI scale $SCALE: the window is $DRAGGED"
# The scale is reported to two decimals: the window is 875 x 580 times one scale that rounds to it.
awk -v s="$SCALE" -v size="$DRAGGED" 'BEGIN { split(size, p, " "); k = p[1] / 875; d = p[2] - 580 * k
  exit !(k > 1.1 && k - s <= 0.005 && s - k <= 0.005 && d > -1 && d < 1) }' ||
  { echo "after the corner drag the window is $DRAGGED, not 875 x 580 times $SCALE"; fail=1; }

# Opened at a GUI scale: the window has its size from the start and shows the headless frame.
QORV_HEADLESS=1 "$HOST" editor --plugin "$BUNDLE" --set "GUI Scale=1.5" --png "$WORK/headless.png" \
  >"$WORK/headless.log" 2>&1 || { cat "$WORK/headless.log"; exit 1; }
open_editor --set "GUI Scale=1.5" --window-png "$WORK/scaled.png"
await size_is 1312 870 || { echo "opened at GUI scale 1.5 the window is $SIZE, not 1312 870"; fail=1; }
close_editor
cmp -s "$WORK/headless.png" "$WORK/scaled.png" || { echo "the window's pixels differ from the headless frame"; fail=1; }

[ $fail -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $fail
