# Sourced by the window tests: starts a virtual X server of SCREEN_SIZE (default 1280x1024) and SCREEN_DEPTH
# bits (default 24) on a display number that the server picks itself (so runs at the same time never share
# one), exports DISPLAY, and stops the server (and the editor whose pid is in EDITOR_PID) on exit. Exits 77
# (skipped) when Xvfb or xdotool is missing or the server cannot start. Needs WORK; the pixel and menu helpers need WM, the
# qorv-window-manager tool, and the editor's HOST, BUNDLE and CLOSE.

if ! command -v Xvfb >/dev/null || ! command -v xdotool >/dev/null; then
  echo "skipped: Xvfb or xdotool is not installed"; exit 77
fi

. "$(dirname "${BASH_SOURCE[0]}")/Await.sh"

rm -f "$WORK/display"
Xvfb -displayfd 3 -screen 0 "${SCREEN_SIZE:-1280x1024}x${SCREEN_DEPTH:-24}" -nolisten tcp 3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
XVFB=$!
trap 'kill $XVFB 2>/dev/null; [ -n "${EDITOR_PID:-}" ] && kill $EDITOR_PID 2>/dev/null' EXIT
# The server writes its display number once it takes connections.
server_ready() { [ -s "$WORK/display" ] || ! kill -0 $XVFB 2>/dev/null; }
await server_ready
DISPLAY_NUM=$(head -1 "$WORK/display" 2>/dev/null)
if [ -z "$DISPLAY_NUM" ]; then
  echo "skipped: Xvfb cannot start"; cat "$WORK/xvfb.log"; exit 77
fi
export DISPLAY=:$DISPLAY_NUM

# second_server NAME DEPTH [COMMAND...]: starts one more server (of DEPTH bits, through COMMAND such as
# `unshare -Uri` when given) beside the first, stopped on exit with it; DISPLAY_OTHER := its display.
# Fails with its log when it does not start.
OTHER_SERVERS=
second_server() {
  local name=$1 depth=$2
  shift 2
  rm -f "$WORK/display-$name"
  "$@" Xvfb -displayfd 3 -screen 0 "${SCREEN_SIZE:-1280x1024}x$depth" -nolisten tcp 3>"$WORK/display-$name" \
    >"$WORK/xvfb-$name.log" 2>&1 &
  local pid=$!
  OTHER_SERVERS="$OTHER_SERVERS $pid"
  trap 'kill $XVFB $OTHER_SERVERS 2>/dev/null; [ -n "${EDITOR_PID:-}" ] && kill $EDITOR_PID 2>/dev/null' EXIT
  other_ready() { [ -s "$WORK/display-$name" ] || ! kill -0 $pid 2>/dev/null; }
  await other_ready
  DISPLAY_OTHER=:$(head -1 "$WORK/display-$name" 2>/dev/null)
  [ "$DISPLAY_OTHER" != ":" ] || { echo "the $name server did not start"; cat "$WORK/xvfb-$name.log"; return 1; }
}

# visible NAME: WID := the visible window whose name has NAME.
visible() { WID=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1); [ -n "$WID" ]; }
# find_window NAME LOG [SAID]: WID := the visible window whose name has NAME (exits 1 with LOG when none
# appears), once the host wrote SAID in LOG.
find_window() {
  await visible "$1" || { echo "no editor window appeared"; cat "$2"; exit 1; }
  [ -z "${3:-}" ] || await logged "$3" "$2" || { echo "the host did not say \"$3\""; cat "$2"; exit 1; }
}
# size_is W H: the window WID is W x H pixels; SIZE is what it is.
size_is() {
  eval "$(xdotool getwindowgeometry --shell "$WID")"
  SIZE="$WIDTH $HEIGHT"
  [ "$SIZE" = "$1 $2" ]
}
# pixel X Y: PIXEL := the window's pixel at (X, Y) as RRGGBB.
pixel() { PIXEL=$("$WM" pixels "$WID" "$1" "$2" 2>/dev/null); }
pixel_is() { pixel "$1" "$2" && [ "$PIXEL" = "$3" ]; }
pixel_is_not() { pixel "$1" "$2" && [ -n "$PIXEL" ] && [ "$PIXEL" != "$3" ]; }
# drawn X Y: the editor's frame is on the window (before the first it shows the empty screen beneath: black).
drawn() { pixel_is_not "$1" "$2" 000000; }

# The in-window menus: their face, and a press that a menu still fading in (or a sub-menu still appearing)
# takes and drops. A chosen menu still takes the presses on its button while it fades out and closes, so
# a test opens one menu a run.
MENU_FACE=F3F3F3
# menu_open X Y PX PY: presses the button at (X, Y) and waits for the point (PX, PY) of its menu to show
# the face.
menu_open() {
  xdotool mousemove --window "$WID" "$1" "$2" click 1
  await pixel_is "$3" "$4" $MENU_FACE || { echo "the menu of the button at $1 $2 did not open"; return 1; }
}
# menu_hover X Y: moves onto the item at (X, Y), on its face, and waits for its highlight (a frame drawn
# after the one that showed the face: the menu has faded in).
menu_hover() {
  await pixel_is "$1" "$2" $MENU_FACE || { echo "no menu item at $1 $2"; return 1; }
  xdotool mousemove --window "$WID" "$1" "$2"
  await pixel_is_not "$1" "$2" $MENU_FACE || { echo "the item at $1 $2 is not highlighted"; return 1; }
  MENU_HIGHLIGHT=$PIXEL
}
# menu_choose X Y: clicks the highlighted item at (X, Y) until the menu takes the click (its highlight
# goes as the menu closes); a sub-menu that was still appearing dropped the click before.
menu_choose() {
  local try
  for try in 1 2 3; do
    xdotool click 1
    AWAIT_SECONDS=20 await pixel_is_not "$1" "$2" "$MENU_HIGHLIGHT" && return 0
  done
  echo "the item at $1 $2 did not take the click"; return 1
}

# The mixer's editor at scale 1 in window points: a click on its "Speech Filter" switch (on by default),
# once the switch shows the parameter's value, and back once its lamp (left of the point) went out.
LAMP_ON=78F596 LAMP_OFF=1C3422
click_speech_filter() {
  await pixel_is 134 95 $LAMP_ON || { echo "the Speech Filter's lamp is not lit ($PIXEL)"; return 1; }
  xdotool mousemove --window "$WID" 151 95 click 1
  await pixel_is 134 95 $LAMP_OFF || { echo "the Speech Filter's lamp did not go out ($PIXEL)"; return 1; }
}

# open_editor ARG...: starts the editor of BUNDLE in HOST with these arguments, its output in
# WORK/window.log; WID is its window, once it shows the first frame.
open_editor() {
  "$HOST" editor --plugin "$BUNDLE" --seconds 300 "$@" >"$WORK/window.log" 2>&1 &
  EDITOR_PID=$!
  find_window Qorv "$WORK/window.log" 'in an X11 window'
  await drawn 10 10 || { echo "the window shows no frame"; exit 1; }
}
# close_editor: closes the window as a user does (CLOSE, the qorv-window-close tool); the host must
# succeed.
close_editor() {
  "$CLOSE" "$WID"
  wait $EDITOR_PID
  local status=$?
  EDITOR_PID=
  cat "$WORK/window.log"
  [ $status -eq 0 ] || { echo "the host failed ($status)"; exit 1; }
}
# png_size FILE: the size of a PNG file, "W H".
png_size() { file "$1" | sed -n 's/.* \([0-9]*\) x \([0-9]*\),.*/\1 \2/p'; }
