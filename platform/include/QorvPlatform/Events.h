// The one entry point of user input (no platform counterpart), and the state of the screen, pointer
// and cursor that the AppKit and Core Graphics stand-ins keep. Tests and scripts post input records
// here; the X11 window translates the X server's events into the same records. Main thread only.
#pragma once

#include <AppKit/NSView.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qorvplatform
{
enum class InputKind
{
  Press,
  Release,
  Motion,
  Wheel,
  KeyDown,
  KeyUp,
  Enter,
  Leave,
  FocusGain,
  FocusLoss,
  Resize,       // width, height: the new content size in points
  BackingScale, // width: the new backing scale
  Drop          // paths dropped at (x, y)
};

struct InputEvent
{
  InputKind kind = InputKind::Motion;
  double x = 0, y = 0;         // window content points, origin top left
  int button = 1;              // 1 left, 3 right
  unsigned long modifiers = 0; // NSEventModifierFlag bits
  double time = -1;            // seconds; below 0: the run loop's clock
  double delta = 0;            // wheel lines, positive away from the user
  unsigned short keyCode = 0;  // the platform's virtual key code
  std::string characters;      // UTF-8, ignoring modifiers
  bool tablet = false;
  double width = 0, height = 0;
  std::vector<std::string> paths;
};

// Two presses of one button count as a double click within this time and distance (points).
constexpr double kDoubleClickSeconds = 0.5;
constexpr double kDoubleClickDistance = 4.0;

// Moves the pointer (for pointer events), counts clicks, makes the NSEvent and hands it to the window.
void PostEvent(NSWindow& window, const InputEvent& e);

// A key that types no text, by its lower-case name (return, enter, tab, space, delete or backspace,
// escape, forwarddelete, home, end, pageup, pagedown, left, right, down, up, help, f1 to f12): the
// virtual key code and the characters (UTF-8) that a Mac keyboard gives it. False for another name.
bool NamedKey(const std::string& name, unsigned short& keyCode, std::string& characters);
// The characters of such a key by its virtual key code; "" for any other key.
std::string KeyCharacters(unsigned short keyCode);

// The screen's backing scale (1 or 2); overrides QORV_SCREEN_SCALE.
void SetScreenScale(double scale);
// Switches the process's appearance and tells every view of every window.
void SetDarkAppearance(bool dark);
// True when DISPLAY is set and QORV_HEADLESS is not: windows then open on the X server.
bool DisplayAvailable();
// Why the last window that was to open on the display did not ("" when it opened, or before any): the
// display cannot be opened, or its screen has no TrueColor visual to show one with.
std::string DisplayRefusal();

// The pointer on the screen in points, origin top left.
CGPoint PointerLocation();
// Hide calls minus show calls (the cursor is hidden while above 0).
int CursorHideLevel();
// False between CGAssociateMouseAndMouseCursorPosition(false) and (true).
bool PointerAssociated();
// Each CGDisplayMoveCursorToPoint, oldest first (origin top left).
const std::vector<CGPoint>& CursorMoves();
// The name of the cursor last set ("arrow" at start).
std::string CurrentCursorName();

// The frame the view's layer presented last, encoded as an opaque PNG (the layer is opaque: alpha 255).
// The caller writes the bytes where it wants them.
bool EncodeViewFramePNG(NSView& view, std::vector<unsigned char>& png);
// The pixels the X server shows in the window, as a PNG of the same form; false when headless.
bool EncodeWindowScreenPNG(NSWindow& window, std::vector<unsigned char>& png);
// True once the user asked to close the window's X11 window.
bool WindowCloseRequested(NSWindow& window);
// What showing frames in the window's X11 window has cost so far, for tests: copies out of its views'
// layers, images sent and their pixels, the requests of the process's connection to the X server (the
// number of the next one), and whether the images go through shared memory (QORV_X11_NO_SHM set turns
// that off). False when headless.
struct WindowPresentCounts
{
  uint64_t copies = 0, puts = 0, pixels = 0, requests = 0;
  bool sharedMemory = false;
};
bool GetWindowPresentCounts(NSWindow& window, WindowPresentCounts& counts);
// While on, PostEvent writes each event it hands to a window to standard error, one line each:
// "event TYPE x y clicks=N mods=HEX key=CODE chars=TEXT" (QORV_LOG_EVENTS=1 turns it on too).
void SetLogEvents(bool on);

// Forgets pointer, cursor, click, appearance and scale state, for test isolation.
void ResetInput();
} // namespace qorvplatform
