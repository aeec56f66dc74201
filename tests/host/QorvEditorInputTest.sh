#!/bin/bash
# The mixer's editor in a real X11 window on a screen larger than the window, the window away from the
# screen's corner, driven by real pointer and key events (XTest): a knob drag changes its parameter with
# one drag event for each movement and leaves the pointer where the drag began; a double click, a value
# typed with Ctrl+A, Ctrl+C and Ctrl+V (Command's keys on a Mac) and Return set another knob; Ctrl-click
# (Control-click on a Mac) resets a third and Ctrl with the wheel steps a fourth coarsely; a menu item is
# chosen. Exit 77 (skipped) when Xvfb cannot start.
# usage: QorvEditorInputTest.sh HOST BUNDLE WORK CLOSE-TOOL WINDOW-MANAGER-TOOL
set -u
HOST=$1 BUNDLE=$2 WORK=$3 CLOSE=$4 WM=$5
rm -rf "$WORK" && mkdir -p "$WORK"
SCREEN_SIZE=1920x1200
. "$(dirname "$0")/VirtualDisplay.sh"

QORV_LOG_EVENTS=1 "$HOST" editor --plugin "$BUNDLE" --set Hold=1.5 --seconds 300 >"$WORK/window.log" 2>"$WORK/events.log" &
EDITOR_PID=$!
find_window Qorv "$WORK/window.log" 'in an X11 window'
await drawn 10 10 || { echo "the window shows no frame"; exit 1; }
fail=0
# The pointer is at the screen point "X Y"; AT is where it is.
pointer_at() {
  eval "$(xdotool getmouselocation --shell)"
  AT="$X $Y"
  [ "$AT" = "$1" ]
}
# The window's top left corner is at the screen point "X Y".
window_at() {
  eval "$(xdotool getwindowgeometry --shell "$WID")"
  [ "$X $Y" = "$1" ]
}

# At the screen's corner, a click on the "Gate" knob (which locks the cursor while held) leaves the
# pointer where it was; then the window moves away from the corner.
xdotool mousemove --window "$WID" 340 82 click 1
# The release shows the cursor again where it was.
await logged '^event 2 340 82 ' "$WORK/events.log" || { echo "the click at the corner was not seen"; fail=1; }
await pointer_at "340 82" || { echo "after a click at the corner the pointer is at $AT, not at 340 82"; fail=1; }
WX=100 WY=80
xdotool windowmove "$WID" $WX $WY
await window_at "$WX $WY" || { echo "the window did not move"; fail=1; }

# The "Release" knob, dragged 20 points up in steps of 2 (each a quarter of a knob's drag of 40 points
# for a quarter of the range). Each step starts once the cursor is back at the press.
KX=778 KY=82 PRESS="$((WX + 778)) $((WY + 82))"
xdotool mousemove --window "$WID" $KX $KY mousedown 1
for _ in $(seq 10); do
  xdotool mousemove_relative -- 0 -2
  await pointer_at "$PRESS" || { echo "during the drag the pointer is at $AT, not at the press ($PRESS)"; fail=1; break; }
done
xdotool mouseup 1
await logged "^event 2 $KX $KY " "$WORK/events.log" || { echo "the knob's release was not seen"; fail=1; }
pointer_at "$PRESS" || { echo "after the drag the pointer is at $AT, not at the press ($PRESS)"; fail=1; }

# The "Gate" knob takes a typed value; the keys go to the window under the pointer. "5", all of it
# selected and copied, replaced by "-", then pasted twice: "-55".
xdotool mousemove --window "$WID" 340 82 click --repeat 2 --delay 80 1
for k in 5 ctrl+a ctrl+c minus ctrl+v ctrl+v Return; do xdotool key $k; done

# Ctrl-click puts the "Hold" knob back to its default; Ctrl with the wheel steps "Attack" ten times coarser
# than a plain notch (0.030 s).
xdotool mousemove --window "$WID" 681 82 keydown ctrl click 1 keyup ctrl
xdotool mousemove --window "$WID" 581 82 keydown ctrl click 4 keyup ctrl

# The "Mix Mode" menu's last item.
{ menu_open 40 90 100 187 && menu_hover 100 187 && menu_choose 100 187; } || fail=1

# Closed as a user closes it, after every event before; the host then tells what changed.
"$CLOSE" "$WID"
wait $EDITOR_PID
STATUS=$?
EDITOR_PID=
cat "$WORK/window.log"
[ $STATUS -eq 0 ] || { echo "the host failed ($STATUS)"; exit 1; }
grep -q '^changed Release = 0.675$' "$WORK/window.log" || { echo "the dragged knob did not move by 20 points"; fail=1; }
grep -q '^changed NoiseGate = -55.0$' "$WORK/window.log" || { echo "the typed value was not taken"; fail=1; }
grep -q '^changed Hold = 0.000$' "$WORK/window.log" || { echo "Ctrl-click did not reset the knob"; fail=1; }
grep -q '^changed Attack = 0.600$' "$WORK/window.log" || { echo "Ctrl with the wheel did not step coarsely"; fail=1; }
grep -q '^changed Mix Mode = Prio$' "$WORK/window.log" || { echo "the menu item was not chosen"; fail=1; }
# Ten movements, each one drag: the cursor's own returns to the press are no events.
DRAGS=$(grep -c '^event 6 ' "$WORK/events.log")
EVENTS=$(grep -c '^event ' "$WORK/events.log")
echo "$DRAGS drag events, $EVENTS events in all"
[ "$DRAGS" -le 20 ] || { echo "too many drag events"; fail=1; }
[ "$EVENTS" -le 200 ] || { echo "too many events"; fail=1; }
[ $fail -eq 0 ] && echo "1 passed, 0 failed" || { head -50 "$WORK/events.log"; echo "0 passed, 1 failed"; }
exit $fail
