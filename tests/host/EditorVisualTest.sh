#!/bin/bash
# The mixer's editor on an 8-bit X server, whose default visual is colormapped: its window takes the
# TrueColor visual that the server offers beside it and shows the editor's frame. Where the server offers
# no TrueColor visual (its list cut by the NO-TRUECOLOR library, preloaded), the editor says that it cannot
# show a window there and runs headless, as without a display (refused when headless has nothing to do). Exit 77 (skipped) when Xvfb cannot start.
# usage: EditorVisualTest.sh HOST BUNDLE WORK CLOSE-TOOL WINDOW-MANAGER-TOOL NO-TRUECOLOR
set -u
HOST=$1 BUNDLE=$2 WORK=$3 CLOSE=$4 WM=$5 NO_TRUECOLOR=$6
rm -rf "$WORK" && mkdir -p "$WORK"
SCREEN_DEPTH=8
. "$(dirname "$0")/VirtualDisplay.sh"
fail=0

open_editor
xwininfo -id "$WID" >"$WORK/window-info.txt"
grep -q 'Visual Class: TrueColor' "$WORK/window-info.txt" || { cat "$WORK/window-info.txt"; echo "not a TrueColor window"; fail=1; }
close_editor

# A preloaded library in a sanitized build: the sanitizer's runtime need not come first.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
WHY="qorv-host: no window for the editor (the display $DISPLAY has no TrueColor visual: cannot show a window there): it runs headless"
LD_PRELOAD=$NO_TRUECOLOR timeout 120 "$HOST" editor --plugin "$BUNDLE" --seconds 300 --png "$WORK/none.png" \
  >"$WORK/none.out" 2>"$WORK/none.err"
status=$?
cat "$WORK/none.out" "$WORK/none.err"
[ $status -eq 0 ] || { echo "no TrueColor visual: the host failed ($status)"; fail=1; }
grep -q 'points, headless$' "$WORK/none.out" || { echo "no TrueColor visual: not headless"; fail=1; }
grep -qxF "$WHY" "$WORK/none.err" || { echo "no TrueColor visual: not said"; fail=1; }
[ -s "$WORK/none.png" ] || { echo "no TrueColor visual: no headless frame written"; fail=1; }

# Headless with nothing to write or replay: refused with the reason and what it would need.
LD_PRELOAD=$NO_TRUECOLOR timeout 120 "$HOST" editor --plugin "$BUNDLE" --seconds 300 >"$WORK/idle.out" 2>"$WORK/idle.err"
status=$?
cat "$WORK/idle.out" "$WORK/idle.err"
[ $status -eq 1 ] || { echo "no TrueColor visual, nothing to do: status $status, not 1"; fail=1; }
grep -qF "has no TrueColor visual: cannot show a window there): headless, it needs --png" "$WORK/idle.err" ||
  { echo "no TrueColor visual, nothing to do: not said"; fail=1; }

# A window's picture asked for: refused with the reason, the old file left.
echo "the old picture" >"$WORK/window.png"
LD_PRELOAD=$NO_TRUECOLOR timeout 120 "$HOST" editor --plugin "$BUNDLE" --seconds 300 \
  --window-png "$WORK/window.png" >"$WORK/png.out" 2>"$WORK/png.err"
status=$?
cat "$WORK/png.out" "$WORK/png.err"
[ $status -eq 1 ] || { echo "--window-png with no TrueColor visual: status $status, not 1"; fail=1; }
grep -qF "no window on the screen (the display $DISPLAY has no TrueColor visual" "$WORK/png.err" ||
  { echo "--window-png with no TrueColor visual: not said"; fail=1; }
[ "$(cat "$WORK/window.png")" = "the old picture" ] || { echo "--window-png: the old file changed"; fail=1; }

[ $fail -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $fail
