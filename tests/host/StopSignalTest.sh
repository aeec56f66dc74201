#!/bin/bash
# Ends qorv-host runs with SIGINT, SIGTERM and SIGHUP, as a terminal or a session manager does: each run
# exits with 128 + the signal's number, leaves no temporary file beside its outputs and every old output
# as it was; the editor first tells what it changed, as when its window closes.
# usage: StopSignalTest.sh HOST BUNDLE WORK
set -u
# Job control: background runs take SIGINT as a foreground run does (without it the shell ignores it for them).
set -m
HOST=$1 BUNDLE=$2 WORK=$3
HERE=$(cd "$(dirname "$0")" && pwd)
rm -rf "$WORK" && mkdir -p "$WORK" && cd "$WORK" || exit 1
. "$HERE/Await.sh"
command -v sox >/dev/null || { echo "skipped: sox is not installed"; exit 77; }
passed=0 failed=0
fail() { echo "$1"; failed=$((failed + 1)); }

# Long enough that a mix is still running when the signal comes, also in a release build.
sox -R -n -r 48000 -c 1 -b 16 a.wav synth 300 pinknoise vol 0.3
sox -R -n -r 48000 -c 1 -b 16 b.wav synth 300 sine 300 vol 0.2

# Old outputs with content of their own, and copies to compare them with.
for f in out.wav gains.csv state.aupreset automation.csv frame.png; do
  echo "old $f" >"$f" && echo "old $f" >"$f.old"
done

# An output being written holds audio: its temporary has more than a megabyte.
writing() { [ -n "$(find . -maxdepth 1 -name '.saving-*' -size +1M)" ]; }
# The run $1 has the file $2 open.
has_open() { ls -l "/proc/$1/fd" 2>/dev/null | grep -q -- "$2"; }
# The run $1 waits in the open of a pipe for a reader.
waits_for_reader() { [ "$(cat "/proc/$1/wchan" 2>/dev/null)" = wait_for_partner ]; }
# Sends signal $2 to the run $1 and checks what it left; $3 names the case.
stop_and_check() {
  local pid=$1 sig=$2 name=$3 want rc temps
  kill -"$sig" "$pid"
  wait "$pid"
  rc=$?
  want=$((128 + $(kill -l "$sig")))
  local before=$failed
  [ "$rc" -eq "$want" ] || fail "$name: exit $rc, not $want"
  temps=$(ls -A | grep '^\.saving-')
  [ -z "$temps" ] || fail "$name: temporaries left: $temps"
  for f in out.wav gains.csv state.aupreset automation.csv frame.png; do
    cmp -s "$f" "$f.old" || fail "$name: the old $f was changed"
  done
  [ "$failed" -eq "$before" ] && passed=$((passed + 1))
}

for sig in INT TERM HUP; do
  "$HOST" mix --plugin "$BUNDLE" -o out.wav --gains gains.csv --state-out state.aupreset \
    --automation automation.csv a.wav b.wav >"mix-$sig.log" 2>&1 &
  pid=$!
  await writing || fail "mix $sig: no output was started"
  stop_and_check $pid "$sig" "mix $sig"
done

# The editor's frames of --png-every are outputs like the others: the folder's old frames stay whole, no
# new frame and no temporary is left, and a folder the run made for them is gone again.
mkdir -p frames
for i in 1 2 3 4 5; do echo "old frame $i" >"frames/frame-000$i.png"; done
echo "not a frame" >frames/notes.txt
(cd frames && md5sum * >../frames.sums)
# The run $1 has staged at least $2 frames in the folder $3.
staged() { [ "$(find "$3" -maxdepth 1 -name '.saving-*' | wc -l)" -ge "$2" ]; }
for folder in frames new/frames; do
  "$HOST" mix --plugin "$BUNDLE" -q --png-every 1 "$folder" -o out.wav a.wav >"mix-frames.log" 2>&1 &
  pid=$!
  await staged $pid 3 "$folder" || fail "mix --png-every $folder: no frames were staged"
  stop_and_check $pid TERM "mix --png-every $folder"
done
(cd frames && md5sum --quiet -c ../frames.sums) || fail "mix --png-every: the old frames were changed"
[ "$(ls -A frames | wc -l)" -eq 6 ] || fail "mix --png-every: the frames' folder holds $(ls -A frames)"
[ -e new ] && fail "mix --png-every: the folder it made is left: $(find new)"

# A render reads its whole input, renders it, then writes: stopped in any of them.
"$HOST" render --plugin "$BUNDLE" -o out.wav a.wav >render.log 2>&1 &
pid=$!
await has_open $pid a.wav || fail "render: the input was not opened"
stop_and_check $pid TERM "render"

# The headless editor: a click on the "Speech Filter" switch, then the longest wait a script may have.
printf 'click 151 95\nwait 3599\n' >script.txt
QORV_LOG_EVENTS=1 QORV_HEADLESS=1 "$HOST" editor --plugin "$BUNDLE" --script script.txt --png frame.png >editor.log 2>&1 &
pid=$!
await logged '^event 2 151 95 ' editor.log || fail "editor: the click was not replayed"
stop_and_check $pid INT "editor"
grep -q '^changed Speech PreFilter Off/On = Off$' editor.log || fail "editor: no report of the change: $(cat editor.log)"

# A preset export to a pipe that nobody reads never waits in its open, for a signal to end: an output is a
# regular file, and a pipe is refused before any work.
mkfifo preset.qxs
"$HOST" preset export --plugin "$BUNDLE" --factory "Auto Mixing" -o preset.qxs >preset.log 2>&1 &
pid=$!
ended() { ! kill -0 "$1" 2>/dev/null; }
if await ended $pid; then
  wait $pid
  rc=$?
  [ "$rc" -eq 1 ] && grep -q 'preset.qxs: cannot write (is a named pipe' preset.log && passed=$((passed + 1)) ||
    fail "preset export to a pipe: exit $rc: $(cat preset.log)"
else
  waits_for_reader $pid && fail "preset export to a pipe: it waits for a reader"
  stop_and_check $pid HUP "preset export"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
