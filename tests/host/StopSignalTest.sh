#!/bin/bash
# Ends qorv-host runs with SIGINT, SIGTERM and SIGHUP, as a terminal or a session manager does: each run
# exits with 128 + the signal's number, leaves no temporary file beside its outputs and every old output
# as it was; the editor first tells what it changed, as when its window closes.
# usage: StopSignalTest.sh HOST BUNDLE WORK
set -u
# Job control: background runs take SIGINT as a foreground run does (without it the shell ignores it for them).
set -m
HOST=$1 BUNDLE=$2 WORK=$3
rm -rf "$WORK" && mkdir -p "$WORK" && cd "$WORK" || exit 1
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

# Waits (at most 20 s) until the file pattern $1 has a match in the folder.
await_file() { for _ in $(seq 400); do compgen -G "$1" >/dev/null && return 0; sleep 0.05; done; return 1; }
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
  await_file '.saving-*' || fail "mix $sig: no output was started"
  sleep 0.3
  stop_and_check $pid "$sig" "mix $sig"
done

# A render reads its whole input, renders it, then writes: stopped in any of them.
"$HOST" render --plugin "$BUNDLE" -o out.wav a.wav >render.log 2>&1 &
pid=$!
sleep 1
stop_and_check $pid TERM "render"

# The headless editor: a click on the "Speech Filter" switch, then the longest wait a script may have.
printf 'click 151 95\nwait 3599\n' >script.txt
QORV_HEADLESS=1 "$HOST" editor --plugin "$BUNDLE" --script script.txt --png frame.png >editor.log 2>&1 &
pid=$!
for _ in $(seq 200); do grep -q 'headless' editor.log && break; sleep 0.05; done
sleep 0.5
stop_and_check $pid INT "editor"
grep -q '^changed Speech PreFilter Off/On = Off$' editor.log || fail "editor: no report of the change: $(cat editor.log)"

# A preset export to a pipe that nobody reads waits in the open; the signal ends it.
mkfifo preset.qxs
"$HOST" preset export --plugin "$BUNDLE" --factory "Auto Mixing" -o preset.qxs >preset.log 2>&1 &
pid=$!
sleep 1
stop_and_check $pid HUP "preset export"
[ -s preset.log ] && fail "preset export: it said: $(cat preset.log)"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
