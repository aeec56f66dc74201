#!/bin/bash
# Opens a plug-in's editor in a real X11 window on a virtual X server (started here), sends real pointer,
# wheel and key events through XTest (xdotool) and drops a file through XDND, and checks that they reached
# the window's view as platform events and the graphics context as input calls (the example plug-in's
# editor writes those), and that the window shows the same pixels as the headless frame. Exit 77
# (skipped) when Xvfb cannot start.
# usage: EditorWindowTest.sh HOST BUNDLE WORK DROP-TOOL CLOSE-TOOL
set -u
HOST=$1 BUNDLE=$2 WORK=$3 DROP=$4 CLOSE=$5
rm -rf "$WORK" && mkdir -p "$WORK"
. "$(dirname "$0")/VirtualDisplay.sh"

QORV_HEADLESS=1 "$HOST" editor --plugin "$BUNDLE" --png "$WORK/headless.png" >"$WORK/headless.log" 2>&1 \
  || { cat "$WORK/headless.log"; exit 1; }

QORV_LOG_EVENTS=1 "$HOST" editor --plugin "$BUNDLE" --seconds 300 --png "$WORK/frame.png" \
  --window-png "$WORK/window.png" >"$WORK/window.log" 2>"$WORK/events.log" &
EDITOR_PID=$!
find_window Example "$WORK/events.log"
await logged 'in an X11 window' "$WORK/window.log" || { echo "the host did not say it is in a window"; exit 1; }
# A single click, then (half a second later, by the server's clock) a double click.
xdotool mousemove --window "$WID" 200 100 click 1 sleep 0.6 click --repeat 2 --delay 80 1 \
  click 4 key --window "$WID" a key --window "$WID" KP_Enter
# A source that goes mid-drag: the window's answer to it finds no window, and the next drop is taken.
"$DROP" Example 300 150 /tmp/gone.qxs --vanish
"$DROP" Example 300 150 "/tmp/a folder/preset.qxs" || echo "the drop was not finished"
# The window closes after everything before has reached it.
"$CLOSE" "$WID"
wait $EDITOR_PID
STATUS=$?
EDITOR_PID=
cat "$WORK/window.log"
[ $STATUS -eq 0 ] || { echo "the host failed ($STATUS)"; cat "$WORK/events.log"; exit 1; }
grep -q "in an X11 window" "$WORK/window.log" || { echo "the editor did not open in a window"; exit 1; }

fail=0
expect() { grep -qE "$1" "$WORK/events.log" || { echo "missing: $2"; fail=1; }; }
expect '^event 1 200 100 clicks=1 ' "a left press at (200, 100)"
expect '^event 1 200 100 clicks=2 ' "the second press of a double click"
expect '^event 22 200 100 ' "a wheel step"
expect '^event 10 .* key=0 chars=a$' "the key a"
expect '^event 10 .* key=76 ' "the keypad Enter key"
expect '^drop 300 150 /tmp/a folder/preset.qxs$' "a file dropped at (300, 150)"
expect '^context down 200 100 L$' "the press in the graphics context"
expect '^context dbl 200 100 L$' "the double click in the graphics context"
expect '^context wheel 1$' "the wheel step in the graphics context"
expect '^context key 65$' "the key a in the graphics context"
expect '^context key 32781$' "keypad Enter in the graphics context"
expect '^context drop /tmp/a folder/preset.qxs$' "the drop in the graphics context"
! grep -q 'gone.qxs' "$WORK/events.log" || { echo "a drop from the source that went"; fail=1; }
cmp -s "$WORK/headless.png" "$WORK/window.png" || { echo "the window's pixels differ from the headless frame"; fail=1; }
cmp -s "$WORK/frame.png" "$WORK/window.png" || { echo "the window's pixels differ from its own frame"; fail=1; }
[ $fail -eq 0 ] && echo "1 passed, 0 failed" || { cat "$WORK/events.log"; echo "0 passed, 1 failed"; }
exit $fail
