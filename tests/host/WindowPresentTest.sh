#!/bin/bash
# The plug-in tests' window test (QorvXWindow) on a virtual X server of its own, larger than the window:
# once with the window's pixels in shared memory, once with QORV_X11_NO_SHM set. Exit 77 (skipped) when
# Xvfb cannot start.
# usage: WindowPresentTest.sh HOST BUNDLE WORK PLUGIN-TESTS
set -u
WORK=$3 TESTS=$4
rm -rf "$WORK" && mkdir -p "$WORK"
SCREEN_SIZE=1920x1200
. "$(dirname "$0")/VirtualDisplay.sh"
fail=0
for memory in shared unshared; do
  if [ $memory = shared ]; then unset QORV_X11_NO_SHM; else export QORV_X11_NO_SHM=1; fi
  QORV_TEST_X_WINDOW=1 "$TESTS" --gtest_filter='QorvXWindow.*' >"$WORK/$memory.log" 2>&1
  status=$?
  # Ran, and was not skipped.
  if [ $status -ne 0 ] || ! grep -q '^\[  PASSED  \] 1 test' "$WORK/$memory.log" || grep -q 'SKIPPED' "$WORK/$memory.log"; then
    cat "$WORK/$memory.log"; echo "$memory memory: the window test failed ($status)"; fail=1
  fi
done
[ $fail -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $fail
