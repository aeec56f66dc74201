#!/bin/bash
# Opens the mixer's editor in a real X11 window on a virtual X server and, with a real pointer (XTest),
# chooses "Changelog ..." and then "About ..." from the plug-in menu. The page is told on standard error
# and handed to the desktop's opener (here a stand-in xdg-open on PATH that notes what it is given); the
# about box's title, text and answer are told on standard error. Exit 77 (skipped) when Xvfb cannot start.
# usage: PluginMenuWindowTest.sh HOST BUNDLE WORK CLOSE-TOOL WINDOW-MANAGER-TOOL
set -u
HOST=$1 BUNDLE=$2 WORK=$3 CLOSE=$4 WM=$5
rm -rf "$WORK" && mkdir -p "$WORK/bin"
. "$(dirname "$0")/VirtualDisplay.sh"
printf '#!/bin/sh\nprintf "%%s\\n" "$1" >>"%s/opened.txt"\n' "$WORK" >"$WORK/bin/xdg-open"
chmod +x "$WORK/bin/xdg-open"

PATH="$WORK/bin:$PATH" QORV_LOG_EVENTS=1 "$HOST" editor --plugin "$BUNDLE" --seconds 300 >"$WORK/out.log" 2>"$WORK/err.log" &
EDITOR_PID=$!
find_window Qorv "$WORK/out.log" 'in an X11 window'
await drawn 10 10 || { echo "the window shows no frame"; exit 1; }
fail=0
# The menu's button, then an item of the menu it opens (window points, scale 1, on the item's face right
# of its text); then the line that the choice tells, and the menu gone.
choose() {
  { menu_open 205 25 300 "$1" && menu_hover 300 "$1" && menu_choose 300 "$1"; } || { fail=1; return; }
  await logged "$2" "$WORK/err.log" || { echo "the choice at $1 told nothing"; fail=1; }
  menu_closed || { echo "the menu did not go"; fail=1; }
}
choose 121 '^open https://' # Changelog ...
choose 75 '^message box answer' # About ...
"$CLOSE" "$WID"
wait $EDITOR_PID
STATUS=$?
EDITOR_PID=
cat "$WORK/out.log"; grep -v "^event " "$WORK/err.log"
[ $STATUS -eq 0 ] || { echo "the host failed ($STATUS)"; exit 1; }

opened() { [ -s "$WORK/opened.txt" ]; }
await opened
grep -q '^open https://.*/products/qor#Changelog$' "$WORK/err.log" || { echo "the changelog was not told"; fail=1; }
grep -q '^https://.*/products/qor#Changelog$' "$WORK/opened.txt" 2>/dev/null ||
  { echo "xdg-open was not given the changelog"; fail=1; }
grep -q '^message box "About"$' "$WORK/err.log" && grep -q '^  Plugin name: Qorv$' "$WORK/err.log" &&
  grep -q '^message box answer: OK$' "$WORK/err.log" || { echo "the about box was not told"; fail=1; }
[ $fail -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $fail
