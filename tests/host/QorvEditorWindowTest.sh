#!/bin/bash
# Opens the mixer's editor in a real X11 window on a virtual X server, clicks its "Speech Filter" switch
# with a real pointer (XTest), and checks that the host reports the parameter changed and that the
# window shows the same pixels as the headless frame after the same click. Exit 77 (skipped) when Xvfb
# cannot start.
# usage: QorvEditorWindowTest.sh HOST BUNDLE WORK
set -u
HOST=$1 BUNDLE=$2 WORK=$3
rm -rf "$WORK" && mkdir -p "$WORK"
. "$(dirname "$0")/VirtualDisplay.sh"

# The switch's middle, in window points.
X=151 Y=95
printf 'click %s %s\nwait 0.2\n' $X $Y >"$WORK/click.txt"
QORV_HEADLESS=1 "$HOST" editor --plugin "$BUNDLE" --script "$WORK/click.txt" --png "$WORK/headless.png" \
  >"$WORK/headless.log" 2>&1 || { cat "$WORK/headless.log"; exit 1; }

"$HOST" editor --plugin "$BUNDLE" --seconds 15 --window-png "$WORK/window.png" >"$WORK/window.log" 2>&1 &
EDITOR_PID=$!
WID=
for _ in $(seq 100); do WID=$(xdotool search --onlyvisible --name "Qorv" 2>/dev/null | head -1); [ -n "$WID" ] && break; sleep 0.1; done
[ -n "$WID" ] || { echo "no editor window appeared"; cat "$WORK/window.log"; exit 1; }
# The host says when the editor is open in its window; then give a loaded machine time for the first frames.
for _ in $(seq 150); do grep -q 'in an X11 window' "$WORK/window.log" && break; sleep 0.1; done
sleep 2
xdotool mousemove --window "$WID" $X $Y sleep 0.1 click 1
wait $EDITOR_PID
STATUS=$?
EDITOR_PID=
cat "$WORK/window.log"
[ $STATUS -eq 0 ] || { echo "the host failed ($STATUS)"; exit 1; }

fail=0
for log in headless window; do
  grep -q '^changed Speech PreFilter Off/On = Off$' "$WORK/$log.log" || { echo "$log: the switch did not change"; fail=1; }
done
cmp -s "$WORK/headless.png" "$WORK/window.png" || { echo "the window's pixels differ from the headless frame"; fail=1; }

# A window partly off the screen has no pixels to give: --window-png fails with a message, and the host still
# reports what the editor changed (it ended on an X error before).
"$HOST" editor --plugin "$BUNDLE" --seconds 6 --window-png "$WORK/off.png" >"$WORK/off.log" 2>&1 &
EDITOR_PID=$!
for _ in $(seq 150); do grep -q 'in an X11 window' "$WORK/off.log" && break; sleep 0.1; done
WID=$(xdotool search --onlyvisible --name "Qorv" 2>/dev/null | head -1)
sleep 2
xdotool windowmove "$WID" 800 700 sleep 0.5 mousemove --window "$WID" $X $Y sleep 0.1 click 1
wait $EDITOR_PID
STATUS=$?
EDITOR_PID=
cat "$WORK/off.log"
[ $STATUS -eq 1 ] || { echo "off the screen: the host gave $STATUS, not 1"; fail=1; }
grep -q 'off.png: cannot write (no X11 window wholly on the screen)' "$WORK/off.log" || { echo "off the screen: no message"; fail=1; }
grep -q '^changed Speech PreFilter Off/On = Off$' "$WORK/off.log" || { echo "off the screen: the change was not reported"; fail=1; }
[ ! -e "$WORK/off.png" ] || { echo "off the screen: a picture was written"; fail=1; }
[ $fail -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $fail
