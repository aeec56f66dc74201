#!/bin/bash
# The platform's two-window test (X11Windows) on a virtual X server of its own: with the windows' pixels
# in shared memory, with QORV_X11_NO_SHM set, on a 16-bit server (the pixels converted into its layout),
# on an 8-bit server (its default visual colormapped: the windows take its TrueColor one), with Xlib's
# core keyboard (XKB_DISABLE set: no mapping is refreshed unless asked), and on a server in another IPC
# namespace, which refuses to attach the process's segments (where unshare can make one). Exit 77
# (skipped) when Xvfb cannot start.
# usage: X11WindowsTest.sh WORK PLATFORM-TESTS
set -u
WORK=$1 TESTS=$2
rm -rf "$WORK" && mkdir -p "$WORK"
. "$(dirname "$0")/../host/VirtualDisplay.sh"
second_server 16-bit 16 || exit 1
DISPLAY16=$DISPLAY_OTHER
second_server 8-bit 8 || exit 1
DISPLAY8=$DISPLAY_OTHER
runs="shared unshared 16-bit 8-bit core-keyboard"
# A server of its own IPC namespace cannot see the segments.
if unshare -Uri true 2>/dev/null; then
  second_server refusing 24 unshare -Uri || exit 1
  DISPLAY_REFUSING=$DISPLAY_OTHER
  runs="$runs refused"
else
  echo "no run on a server that refuses shared memory: unshare -Uri is not allowed here"
fi

fail=0
for run in $runs; do
  unset QORV_X11_NO_SHM QORV_TEST_SHM_REFUSED XKB_DISABLE
  SHOWN=$DISPLAY
  [ $run = unshared ] && export QORV_X11_NO_SHM=1
  [ $run = refused ] && export QORV_TEST_SHM_REFUSED=1 && SHOWN=$DISPLAY_REFUSING
  [ $run = 16-bit ] && SHOWN=$DISPLAY16
  [ $run = 8-bit ] && SHOWN=$DISPLAY8
  [ $run = core-keyboard ] && export XKB_DISABLE=1
  DISPLAY=$SHOWN QORV_TEST_X_WINDOW=1 "$TESTS" --gtest_filter='X11Windows.*' >"$WORK/$run.log" 2>&1
  status=$?
  # Ran every test, none skipped but the shared-memory one where there is none.
  want=13
  [ $run = unshared ] || [ $run = refused ] && want=12
  if [ $status -ne 0 ] || ! grep -q "^\[  PASSED  \] $want tests" "$WORK/$run.log"; then
    cat "$WORK/$run.log"; echo "$run: the window test failed ($status)"; fail=1
  fi
done
# The platform's connection killed by another client, each case in a process of its own.
for lost in TheHandlersBeforeComeBack AHandlerSetAfterStaysAndHandsOn; do
  QORV_TEST_LOSE_X_CONNECTION=1 QORV_TEST_X_WINDOW=1 "$TESTS" --gtest_filter="X11ConnectionLost.$lost" \
    >"$WORK/$lost.log" 2>&1
  status=$?
  if [ $status -ne 0 ] || ! grep -q '^\[  PASSED  \] 1 test' "$WORK/$lost.log" || grep -q 'SKIPPED' "$WORK/$lost.log"; then
    cat "$WORK/$lost.log"; echo "$lost: the connection test failed ($status)"; fail=1
  fi
done
[ $fail -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $fail
