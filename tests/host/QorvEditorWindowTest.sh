#!/bin/bash
# Opens the mixer's editor in a real X11 window on a virtual X server, clicks its "Speech Filter" switch
# with a real pointer (XTest), and checks that the host reports the parameter changed and that the
# window shows the same pixels as the headless frame after the same click. Exit 77 (skipped) when Xvfb
# cannot start.
# usage: QorvEditorWindowTest.sh HOST BUNDLE WORK CLOSE-TOOL WINDOW-MANAGER-TOOL
set -u
HOST=$1 BUNDLE=$2 WORK=$3 CLOSE=$4 WM=$5
rm -rf "$WORK" && mkdir -p "$WORK"
. "$(dirname "$0")/VirtualDisplay.sh"

# The switch's middle, in window points.
X=151 Y=95
printf 'click %s %s\nwait 0.2\n' $X $Y >"$WORK/click.txt"
QORV_HEADLESS=1 "$HOST" editor --plugin "$BUNDLE" --script "$WORK/click.txt" --png "$WORK/headless.png" \
  >"$WORK/headless.log" 2>&1 || { cat "$WORK/headless.log"; exit 1; }

"$HOST" editor --plugin "$BUNDLE" --seconds 300 --window-png "$WORK/window.png" >"$WORK/window.log" 2>&1 &
EDITOR_PID=$!
find_window Qorv "$WORK/window.log" 'in an X11 window'
await drawn 10 10 || { echo "the window shows no frame"; exit 1; }
# The click, and the window closed once it shows it.
click_speech_filter
"$CLOSE" "$WID"
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
"$HOST" editor --plugin "$BUNDLE" --seconds 300 --window-png "$WORK/off.png" >"$WORK/off.log" 2>&1 &
EDITOR_PID=$!
find_window Qorv "$WORK/off.log" 'in an X11 window'
# Once the switch shows its value, the host takes the move, the click and the close in this order.
await pixel_is 134 95 $LAMP_ON || echo "off the screen: the Speech Filter's lamp is not lit ($PIXEL)"
xdotool windowmove "$WID" 800 700 mousemove --window "$WID" $X $Y click 1
"$CLOSE" "$WID"
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
