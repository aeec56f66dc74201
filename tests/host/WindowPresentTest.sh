#!/bin/bash
# The plug-in tests' window test (QorvXWindow) on a virtual X server of its own, larger than the window:
# once with the window's pixels in shared memory, once with QORV_X11_NO_SHM set, and once on a 16-bit
# screen, where the window converts them through the visual's masks. Exit 77 (skipped) when Xvfb cannot
# start.
# usage: WindowPresentTest.sh HOST BUNDLE WORK PLUGIN-TESTS
set -u
WORK=$3 TESTS=$4
rm -rf "$WORK" && mkdir -p "$WORK"
SCREEN_SIZE=1920x1200
. "$(dirname "$0")/VirtualDisplay.sh"
# The 16-bit server, beside the one VirtualDisplay.sh started.
second_server 16-bit 16 || exit 1
DISPLAY16=$DISPLAY_OTHER

fail=0
for run in shared unshared 16-bit; do
  unset QORV_X11_NO_SHM
  [ $run = unshared ] && export QORV_X11_NO_SHM=1
  SHOWN=$DISPLAY
  [ $run = 16-bit ] && SHOWN=$DISPLAY16
  DISPLAY=$SHOWN QORV_TEST_X_WINDOW=1 "$TESTS" --gtest_filter='QorvXWindow.*' >"$WORK/$run.log" 2>&1
  status=$?
  # Ran, and was not skipped.
  if [ $status -ne 0 ] || ! grep -q '^\[  PASSED  \] 1 test' "$WORK/$run.log" || grep -q 'SKIPPED' "$WORK/$run.log"; then
    cat "$WORK/$run.log"; echo "$run: the window test failed ($status)"; fail=1
  fi
done
[ $fail -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $fail
