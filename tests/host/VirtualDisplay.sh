# Sourced by the window tests: starts a virtual X server on a display number no other run holds, exports
# DISPLAY, and stops the server (and the editor whose pid is in EDITOR_PID) on exit. Exits 77 (skipped)
# when Xvfb or xdotool is missing or the server cannot start. Needs WORK.
if ! command -v Xvfb >/dev/null || ! command -v xdotool >/dev/null; then
  echo "skipped: Xvfb or xdotool is not installed"; exit 77
fi
for n in $(seq 140 199); do [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || { DISPLAY_NUM=$n; break; }; done
Xvfb :$DISPLAY_NUM -screen 0 1280x1024x24 -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
XVFB=$!
trap 'kill $XVFB 2>/dev/null; [ -n "${EDITOR_PID:-}" ] && kill $EDITOR_PID 2>/dev/null' EXIT
for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$DISPLAY_NUM ] && break; sleep 0.1; done
if ! [ -e /tmp/.X11-unix/X$DISPLAY_NUM ]; then
  echo "skipped: Xvfb cannot start"; cat "$WORK/xvfb.log"; exit 77
fi
export DISPLAY=:$DISPLAY_NUM
