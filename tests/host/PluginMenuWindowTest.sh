#!/bin/bash
# Opens the mixer's editor in a real X11 window on a virtual X server and, with a real pointer (XTest),
# chooses "Changelog ..." and then "About ..." from the plug-in menu, each in a run of its own. The page
# is told on standard error and handed to the desktop's opener (here a stand-in xdg-open on PATH that
# notes what it is given); the about box's title, text and answer are told on standard error. Exit 77
# (skipped) when Xvfb cannot start.
# usage: PluginMenuWindowTest.sh HOST BUNDLE WORK CLOSE-TOOL WINDOW-MANAGER-TOOL
set -u
HOST=$1 BUNDLE=$2 WORK=$3 CLOSE=$4 WM=$5
rm -rf "$WORK" && mkdir -p "$WORK/bin"
. "$(dirname "$0")/VirtualDisplay.sh"
printf '#!/bin/sh\nprintf "%%s\\n" "$1" >>"%s/opened.txt"\n' "$WORK" >"$WORK/bin/xdg-open"
chmod +x "$WORK/bin/xdg-open"

fail=0
# In a run of the editor of its own: the menu's button, then an item of the menu it opens (window points,
# scale 1, on the item's face right of its text); then the line that the choice tells, and the window
# closed. What the runs tell is gathered in told.log.
choose() {
  PATH="$WORK/bin:$PATH" open_editor
  { menu_open 205 25 300 "$1" && menu_hover 300 "$1" && menu_choose 300 "$1"; } || fail=1
  await logged "$2" "$WORK/window.log" || { echo "the choice at $1 told nothing"; fail=1; }
  close_editor
  cat "$WORK/window.log" >>"$WORK/told.log"
}
choose 121 '^open https://' # Changelog ...
choose 75 '^message box answer' # About ...

opened() { [ -s "$WORK/opened.txt" ]; }
await opened
grep -q '^open https://.*/products/qor#Changelog$' "$WORK/told.log" || { echo "the changelog was not told"; fail=1; }
grep -q '^https://.*/products/qor#Changelog$' "$WORK/opened.txt" 2>/dev/null ||
  { echo "xdg-open was not given the changelog"; fail=1; }
grep -q '^message box "About"$' "$WORK/told.log" && grep -q '^  Plugin name: Qorv$' "$WORK/told.log" &&
  grep -q '^message box answer: OK$' "$WORK/told.log" || { echo "the about box was not told"; fail=1; }
[ $fail -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $fail
