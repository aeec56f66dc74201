#!/bin/bash
# Opens a plug-in's editor in a real X11 window on a virtual X server (started here), sends real pointer,
# wheel and key events through XTest (xdotool) and drops a file through XDND, and checks that they reached
# the window's view as platform events and the graphics context as input calls (the example plug-in's
# editor writes those), and that the window shows the same pixels as the headless frame. Exit 77
# (skipped) when Xvfb cannot start.
# usage: EditorWindowTest.sh HOST BUNDLE WORK DROP-TOOL
set -u
HOST=$1 BUNDLE=$2 WORK=$3 DROP=$4
rm -rf "$WORK" && mkdir -p "$WORK"
if ! command -v Xvfb >/dev/null || ! command -v xdotool >/dev/null; then
  echo "skipped: Xvfb or xdotool is not installed"; exit 77
fi
# A display number no other run holds.
for n in $(seq 140 199); do [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || { DISPLAY_NUM=$n; break; }; done
Xvfb :$DISPLAY_NUM -screen 0 1280x1024x24 -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
XVFB=$!
trap 'kill $XVFB 2>/dev/null; [ -n "${EDITOR_PID:-}" ] && kill $EDITOR_PID 2>/dev/null' EXIT
for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$DISPLAY_NUM ] && break; sleep 0.1; done
if ! [ -e /tmp/.X11-unix/X$DISPLAY_NUM ]; then
  echo "skipped: Xvfb cannot start"; cat "$WORK/xvfb.log"; exit 77
fi
export DISPLAY=:$DISPLAY_NUM

QORV_HEADLESS=1 "$HOST" editor --plugin "$BUNDLE" --png "$WORK/headless.png" >"$WORK/headless.log" 2>&1 \
  || { cat "$WORK/headless.log"; exit 1; }

QORV_LOG_EVENTS=1 "$HOST" editor --plugin "$BUNDLE" --seconds 6 --png "$WORK/frame.png" \
  --window-png "$WORK/window.png" >"$WORK/window.log" 2>"$WORK/events.log" &
EDITOR_PID=$!
WID=
for _ in $(seq 50); do WID=$(xdotool search --name "Example" 2>/dev/null | head -1); [ -n "$WID" ] && break; sleep 0.1; done
[ -n "$WID" ] || { echo "no editor window appeared"; cat "$WORK/window.log" "$WORK/events.log"; exit 1; }
sleep 0.5
xdotool mousemove --window "$WID" 200 100 sleep 0.1 click 1 sleep 0.1 click --repeat 2 --delay 80 1 \
  sleep 0.1 click 4 sleep 0.1 key --window "$WID" a sleep 0.1 key --window "$WID" KP_Enter
"$DROP" Example 300 150 "/tmp/a folder/preset.qxs" || echo "the drop was not finished"
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
cmp -s "$WORK/headless.png" "$WORK/window.png" || { echo "the window's pixels differ from the headless frame"; fail=1; }
cmp -s "$WORK/frame.png" "$WORK/window.png" || { echo "the window's pixels differ from its own frame"; fail=1; }
[ $fail -eq 0 ] && echo "1 passed, 0 failed" || { cat "$WORK/events.log"; echo "0 passed, 1 failed"; }
exit $fail
