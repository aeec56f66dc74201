#!/bin/bash
# `mix --editor` on a virtual X server: the mixer's editor opens in a real X11 window, paced at real time;
# closing the window (as a window manager asks it to) closes the editor while the mix goes on, no longer
# paced, to the same result as a mix without the editor. Exit 77 (skipped) when Xvfb cannot start.
# usage: MixEditorWindowTest.sh HOST BUNDLE WORK CLOSE-TOOL
set -u
HOST=$1 BUNDLE=$2 WORK=$3 CLOSE=$4
rm -rf "$WORK" && mkdir -p "$WORK"
. "$(dirname "$0")/VirtualDisplay.sh"

# A minute of silence, mono 16-bit at 48 kHz: paced at real time the mix would take that long.
le() { local v=$1 n=$2; for _ in $(seq "$n"); do printf "\\x$(printf %02x $((v & 255)))"; v=$((v >> 8)); done; }
BYTES=$((48000 * 2 * 60))
{ printf RIFF; le $((36 + BYTES)) 4; printf WAVEfmt' '; le 16 4; le 1 2; le 1 2; le 48000 4; le 96000 4
  le 2 2; le 16 2; printf data; le $BYTES 4; head -c $BYTES /dev/zero; } >"$WORK/silence.wav"
"$HOST" mix -q --plugin "$BUNDLE" -o "$WORK/plain.wav" "$WORK/silence.wav" >"$WORK/plain.log" 2>&1 ||
  { cat "$WORK/plain.log"; exit 1; }

START=$(date +%s)
"$HOST" mix -q --editor --plugin "$BUNDLE" -o "$WORK/mix.wav" "$WORK/silence.wav" >"$WORK/mix.log" 2>&1 &
EDITOR_PID=$!
find_window Qorv "$WORK/mix.log"
"$CLOSE" "$WID" || { echo "the window could not be asked to close"; exit 1; }
CLOSED=$(date +%s)
# The window goes while the mix still runs.
GONE=
gone() {
  xdotool search --onlyvisible --name "Qorv" >/dev/null 2>&1 && return 1
  kill -0 $EDITOR_PID 2>/dev/null && GONE=running || GONE=ended
}
await gone
wait $EDITOR_PID
STATUS=$?
EDITOR_PID=
END=$(date +%s)
cat "$WORK/mix.log"
[ $STATUS -eq 0 ] || { echo "the mix failed ($STATUS)"; exit 1; }

fail=0
grep -q "the editor's window was closed: the mix goes on without it" "$WORK/mix.log" ||
  { echo "the mix did not tell that the editor closed"; fail=1; }
[ "$GONE" = running ] || { echo "the window did not close while the mix went on (${GONE:-it stayed})"; fail=1; }
# The samples, after the header (whose peak chunk carries the time of writing).
cmp -s -i 200 "$WORK/plain.wav" "$WORK/mix.wav" || { echo "the mix differs from the one without the editor"; fail=1; }
# Closed at once, the mix ends before the minute that real time would take.
echo "closed after $((CLOSED - START)) s, ended $((END - CLOSED)) s later"
[ $((END - START)) -lt 60 ] || { echo "the mix stayed paced at real time after the window closed"; fail=1; }
[ $fail -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $fail
