# Sourced by the window tests: starts a virtual X server of SCREEN_SIZE (default 1280x1024) on a display
# number that the server picks itself (so runs at the same time never share one), exports DISPLAY, and
# stops the server (and the editor whose pid is in EDITOR_PID) on exit. Exits 77 (skipped) when Xvfb or
# xdotool is missing or the server cannot start. Needs WORK. Defines find_window.
if ! command -v Xvfb >/dev/null || ! command -v xdotool >/dev/null; then
  echo "skipped: Xvfb or xdotool is not installed"; exit 77
fi
rm -f "$WORK/display"
Xvfb -displayfd 3 -screen 0 "${SCREEN_SIZE:-1280x1024}x24" -nolisten tcp 3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
XVFB=$!
trap 'kill $XVFB 2>/dev/null; [ -n "${EDITOR_PID:-}" ] && kill $EDITOR_PID 2>/dev/null' EXIT
# The server writes its display number once it takes connections.
for _ in $(seq 100); do [ -s "$WORK/display" ] && break; kill -0 $XVFB 2>/dev/null || break; sleep 0.1; done
DISPLAY_NUM=$(head -1 "$WORK/display" 2>/dev/null)
if [ -z "$DISPLAY_NUM" ]; then
  echo "skipped: Xvfb cannot start"; cat "$WORK/xvfb.log"; exit 77
fi
export DISPLAY=:$DISPLAY_NUM

# find_window NAME LOG [SAID]: WID := the visible window whose name has NAME (exits 1 with LOG when none
# appears), and up to 15 s more for the host to write SAID in LOG.
find_window() {
  WID=
  for _ in $(seq 100); do WID=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1); [ -n "$WID" ] && break; sleep 0.1; done
  [ -n "$WID" ] || { echo "no editor window appeared"; cat "$2"; exit 1; }
  [ -z "${3:-}" ] && return
  for _ in $(seq 150); do grep -q "$3" "$2" && break; sleep 0.1; done
}
