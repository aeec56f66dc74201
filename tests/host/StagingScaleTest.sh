#!/bin/bash
# What staging a run's outputs costs does not grow with their number: thousands of frames staged and put
# in place under a limit of 128 descriptors, the same file-system calls a frame at 10 frames as at 5,000
# (counted by strace), the frames' folder listed once by the output check, and a `mix --png-every` run
# past 128 staged frames that two stop signals end with every staged frame removed and the old frames whole.
# usage: StagingScaleTest.sh HOST BUNDLE WORK STAGE_FRAMES
set -u
set -m
HOST=$1 BUNDLE=$2 WORK=$3 STAGE=$4
HERE=$(cd "$(dirname "$0")" && pwd)
rm -rf "$WORK" && mkdir -p "$WORK" && cd "$WORK" || exit 1
. "$HERE/Await.sh"
passed=0 failed=0
fail() { echo "$1"; failed=$((failed + 1)); }
check() { if "$@"; then passed=$((passed + 1)); fi; }
hidden_in() { find "$1" -maxdepth 1 -name '.saving-*' | wc -l; }

# Thousands of frames under 128 descriptors.
many_frames() {
  mkdir -p many
  (ulimit -n 128 && "$STAGE" 5000 many) || { fail "5000 frames under 128 descriptors: exit $?"; return 1; }
  [ "$(ls many | wc -l)" -eq 5000 ] || { fail "5000 frames: $(ls many | wc -l) in place"; return 1; }
  [ "$(hidden_in many)" -eq 0 ] || { fail "5000 frames: hidden files left: $(ls -A many | grep '^\.saving')"; return 1; }
}
check many_frames

# The file-system calls of a run with N frames, as strace counts them.
calls() {
  rm -rf "calls-$1" && mkdir "calls-$1"
  ASAN_OPTIONS=detect_leaks=0 strace -f -c -o "calls-$1.txt" "$STAGE" "$1" "calls-$1" >/dev/null || return 1
  awk '$NF ~ /^(open|openat|close|stat|lstat|fstat|newfstatat|statx|access|faccessat|rename|renameat|renameat2|link|linkat|unlink|unlinkat|getdents64|flock|fsync|fchmod|mkdir|kill|read|write)$/ {
         n += ($4 ~ /^[0-9]+$/) ? $4 : $5 } END { print n + 0 }' "calls-$1.txt"
}
same_calls_a_frame() {
  command -v strace >/dev/null || { echo "skipped the call count: strace is not installed"; return 0; }
  local one ten many
  one=$(calls 1) && ten=$(calls 10) && many=$(calls 5000) || { fail "strace could not run the stager"; return 1; }
  # Calls a frame after the first (which opens the folder's staging place), in hundredths.
  local at10=$(( (ten - one) * 100 / 9 )) at5000=$(( (many - one) * 100 / 4999 ))
  echo "file-system calls a frame: $at10/100 at 10 frames, $at5000/100 at 5000 (a run of one frame: $one)"
  [ "$at10" -eq "$at5000" ] || { fail "file-system calls a frame differ: $at10/100 at 10, $at5000/100 at 5000"; return 1; }
}
check same_calls_a_frame

# The output check lists the --png-every folder once, however many frames it holds (a run whose input is
# missing ends right after the check).
listed_once() {
  command -v strace >/dev/null || { echo "skipped the listing count: strace is not installed"; return 0; }
  mkdir -p listed && for i in 1 2 3; do echo "old frame" >"listed/frame-000$i.png"; done
  ASAN_OPTIONS=detect_leaks=0 strace -f -e trace=openat,open -o listed.txt \
    "$HOST" mix --plugin "$BUNDLE" -q --png-every 1 listed -o out.wav missing.wav >/dev/null 2>&1
  local n
  n=$(grep -c '"listed", .*O_DIRECTORY' listed.txt)
  [ "$n" -eq 1 ] || { fail "the output check listed the frames' folder $n times"; return 1; }
}
check listed_once

# A mix staging frames past the descriptor limit, ended by two stop signals at once: every staged frame
# goes, the old frames stay as they were.
two_signals() {
  command -v sox >/dev/null || { echo "skipped the mix: sox is not installed"; return 0; }
  sox -R -n -r 48000 -c 1 -b 16 a.wav synth 60 sine 300 vol 0.2
  mkdir -p frames && echo "old frame" >frames/frame-0001.png && cp frames/frame-0001.png old-frame
  (ulimit -n 128 && exec "$HOST" mix --plugin "$BUNDLE" -q --block 480 --png-every 0.01 frames -o out.wav a.wav) \
    >mix.log 2>&1 &
  local pid=$!
  staged() { [ "$(hidden_in frames)" -ge 201 ]; } # 200 frames and the lock file
  await staged || { fail "mix: 200 frames were not staged: $(cat mix.log)"; kill -KILL $pid; return 1; }
  kill -TERM $pid && kill -TERM $pid
  wait $pid
  local rc=$?
  [ $rc -eq 143 ] || { fail "mix: exit $rc after two signals, not 143: $(cat mix.log)"; return 1; }
  [ "$(hidden_in frames)" -eq 0 ] || { fail "mix: $(hidden_in frames) hidden files left in the frames' folder"; return 1; }
  [ "$(hidden_in .)" -eq 0 ] || { fail "mix: hidden files left beside out.wav: $(ls -A | grep '^\.saving')"; return 1; }
  [ "$(ls -A frames)" = frame-0001.png ] && cmp -s frames/frame-0001.png old-frame ||
    { fail "mix: the frames' folder holds $(ls -A frames | head)"; return 1; }
}
check two_signals

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
