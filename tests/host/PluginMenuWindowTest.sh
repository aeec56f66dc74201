#!/bin/bash
# Opens the mixer's editor in a real X11 window on a virtual X server and, with a real pointer (XTest),
# chooses "Changelog ..." and then "About ..." from the plug-in menu. The page is told on standard error
# and handed to the desktop's opener (here a stand-in xdg-open on PATH that notes what it is given); the
# about box's title, text and answer are told on standard error. Exit 77 (skipped) when Xvfb cannot start.
# usage: PluginMenuWindowTest.sh HOST BUNDLE WORK
set -u
HOST=$1 BUNDLE=$2 WORK=$3
rm -rf "$WORK" && mkdir -p "$WORK/bin"
. "$(dirname "$0")/VirtualDisplay.sh"
printf '#!/bin/sh\nprintf "%%s\\n" "$1" >>"%s/opened.txt"\n' "$WORK" >"$WORK/bin/xdg-open"
chmod +x "$WORK/bin/xdg-open"

PATH="$WORK/bin:$PATH" QORV_LOG_EVENTS=1 "$HOST" editor --plugin "$BUNDLE" --seconds 30 >"$WORK/out.log" 2>"$WORK/err.log" &
EDITOR_PID=$!
WID=
for _ in $(seq 100); do WID=$(xdotool search --onlyvisible --name "Qorv" 2>/dev/null | head -1); [ -n "$WID" ] && break; sleep 0.1; done
[ -n "$WID" ] || { echo "no editor window appeared"; cat "$WORK/out.log" "$WORK/err.log"; exit 1; }
for _ in $(seq 150); do grep -q 'in an X11 window' "$WORK/out.log" && break; sleep 0.1; done
sleep 2
# The menu's button, then an item of the menu it opens (window points, scale 1); then up to 5 s for the
# line that the choice tells, and a second for the menu to fade out. A loaded machine may draw the menu
# too late for the click: then the choice is made again, up to three times.
choose() {
  for _ in 1 2 3; do
    xdotool mousemove --window "$WID" 205 25 sleep 0.2 click 1 sleep 1
    xdotool mousemove --window "$WID" 130 "$1" sleep 0.2 click 1
    for _ in $(seq 50); do grep -q "$2" "$WORK/err.log" && break; sleep 0.1; done
    sleep 1
    grep -q "$2" "$WORK/err.log" && return
  done
}
choose 121 '^open https://' # Changelog ...
choose 75 '^message box answer' # About ...
wait $EDITOR_PID
STATUS=$?
EDITOR_PID=
cat "$WORK/out.log"; grep -v "^event " "$WORK/err.log"
[ $STATUS -eq 0 ] || { echo "the host failed ($STATUS)"; exit 1; }

fail=0
for _ in $(seq 50); do [ -s "$WORK/opened.txt" ] && break; sleep 0.1; done
grep -q '^open https://.*/products/qor#Changelog$' "$WORK/err.log" || { echo "the changelog was not told"; fail=1; }
grep -q '^https://.*/products/qor#Changelog$' "$WORK/opened.txt" 2>/dev/null ||
  { echo "xdg-open was not given the changelog"; fail=1; }
grep -q '^message box "About"$' "$WORK/err.log" && grep -q '^  Plugin name: Qorv$' "$WORK/err.log" &&
  grep -q '^message box answer: OK$' "$WORK/err.log" || { echo "the about box was not told"; fail=1; }
[ $fail -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $fail
