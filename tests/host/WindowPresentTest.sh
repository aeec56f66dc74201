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
Xvfb -displayfd 3 -screen 0 "${SCREEN_SIZE}x16" -nolisten tcp 3>"$WORK/display16" >"$WORK/xvfb16.log" 2>&1 &
XVFB16=$!
trap 'kill $XVFB $XVFB16 2>/dev/null' EXIT
for _ in $(seq 100); do [ -s "$WORK/display16" ] && break; kill -0 $XVFB16 2>/dev/null || break; sleep 0.1; done
DISPLAY16=:$(head -1 "$WORK/display16" 2>/dev/null)
[ "$DISPLAY16" != ":" ] || { echo "the 16-bit server did not start"; cat "$WORK/xvfb16.log"; exit 1; }

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
