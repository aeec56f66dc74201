#!/bin/bash
# The mixer's editor in a real X11 window on a virtual X server, ended in the ways other than its close
# box: a stop signal, the window destroyed by another client (XDestroyWindow) and this client's
# connection killed (XKillClient). Each ends the editor as a close does, with the report of the switch
# that a real click changed; the signal ends it as a failure (128 + its number). `mix --editor` stopped by
# a signal reports the same and leaves its old output as it was. Exit 77 (skipped) when Xvfb cannot start.
# usage: EditorEndWindowTest.sh HOST BUNDLE WORK WINDOW-MANAGER-TOOL
set -u
set -m # background runs take SIGINT as a foreground run does
HOST=$1 BUNDLE=$2 WORK=$3 WM=$4
HERE=$(cd "$(dirname "$0")" && pwd)
rm -rf "$WORK" && mkdir -p "$WORK" && cd "$WORK" || exit 1
. "$HERE/VirtualDisplay.sh"
passed=0 failed=0
fail() { echo "$1"; failed=$((failed + 1)); }

# Starts the command in the background, waits for its window and clicks the "Speech Filter" switch.
open_and_click() {
  "$@" >run.log 2>&1 &
  EDITOR_PID=$!
  await visible Qorv && click_speech_filter
}

# Ends the run in the way $1 names; $2 is the exit status wanted.
end_and_check() {
  local how=$1 want=$2 name=$3 rc before=$failed
  case $how in
  windowclose | windowkill) xdotool "$how" "$WID" ;;
  *) kill -"$how" "$EDITOR_PID" ;;
  esac
  # The run ends on its own; a run that does not is stopped after a minute.
  (sleep 60; kill -KILL "$EDITOR_PID" 2>/dev/null) &
  local watchdog=$!
  wait "$EDITOR_PID"
  rc=$?
  kill -- -"$watchdog" 2>/dev/null
  wait "$watchdog" 2>/dev/null
  EDITOR_PID=
  [ "$rc" -eq "$want" ] || fail "$name: exit $rc, not $want"
  grep -q '^changed Speech PreFilter Off/On = Off$' run.log || fail "$name: no report of the change: $(cat run.log)"
  [ "$failed" -eq "$before" ] && passed=$((passed + 1))
}

for how in TERM windowclose windowkill; do
  want=0
  [ "$how" = TERM ] && want=143
  open_and_click "$HOST" editor --plugin "$BUNDLE" --seconds 60 || { fail "editor $how: no window"; continue; }
  end_and_check "$how" "$want" "editor $how"
done

command -v sox >/dev/null || { echo "skipped: sox is not installed"; exit 77; }
sox -R -n -r 48000 -c 1 -b 16 a.wav synth 120 pinknoise vol 0.3
echo old >out.wav && echo old >out.wav.old
if open_and_click "$HOST" mix --plugin "$BUNDLE" --editor -o out.wav a.wav; then
  end_and_check INT 130 "mix --editor"
  cmp -s out.wav out.wav.old || fail "mix --editor: the old output was changed"
  [ -z "$(ls -A | grep '^\.saving-')" ] || fail "mix --editor: temporaries left"
else
  fail "mix --editor: no window"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
