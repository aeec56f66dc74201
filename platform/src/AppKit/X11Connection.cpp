#include "platform/src/AppKit/X11Connection.h"

#include "platform/src/AppKit/NativeWindow.h"

#include <AppKit/NSScreen.h>
#include <QorvPlatform/Events.h>
#include <QorvPlatform/RunLoopClock.h>

#include <X11/Xatom.h>
#include <X11/cursorfont.h>
#include <X11/extensions/Xfixes.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace qorvplatform::detail::x11
{
namespace
{
Display* sDisplay = nullptr;
bool sDisplayLost = false;
// Xlib's handlers of the process when the connection opened: every other connection's errors go there.
XErrorHandler sPreviousErrorHandler = nullptr;
XIOErrorHandler sPreviousConnectionErrorHandler = nullptr;
ExpectedError* sExpected = nullptr;
// The windows on the connection, few: a look at each is cheaper than a search structure.
std::vector<std::pair<Window, EventSink*>> sWindows;
int sDescriptor = 0; // the run loop's watch of the connection, while any window is there
Window sCursorWindow = 0;
PointerWarps sWarps;

// A window of the platform that is gone (destroyed by the platform, or by another client as the server
// told): requests after `taken`, the last one the server took while the window was there, may still name
// it and end in BadWindow or BadDrawable, which end nothing. The few last ones; an id used again for a new
// window leaves.
struct GoneWindow
{
  Window window = 0;
  unsigned long taken = 0;
};
std::array<GoneWindow, 16> sGone;
size_t sGoneNext = 0;

// Errors naming a window of the platform that another client may have destroyed: Xlib reads the destroy's
// event before the error but hands it on later, so they are judged once the queue is read (PumpEvents).
std::array<XErrorEvent, 64> sHeld;
size_t sHeldCount = 0;

GoneWindow* FindGone(XID id)
{
  for (GoneWindow& g : sGone)
    if (g.window && g.window == id) return &g;
  return nullptr;
}

void NoteGone(Window window, unsigned long taken)
{
  if (GoneWindow* g = FindGone(window))
  {
    g->taken = std::min(g->taken, taken);
    return;
  }
  sGone[sGoneNext] = {window, taken};
  sGoneNext = (sGoneNext + 1) % sGone.size();
}

bool Registered(XID id)
{
  return std::any_of(sWindows.begin(), sWindows.end(), [&](const auto& w) { return w.first == id; });
}

bool IsWindowError(const XErrorEvent& e)
{
  return e.error_code == BadWindow || e.error_code == BadDrawable;
}

// An error of a request that came to a window of the platform after it was gone.
bool OfGoneWindow(const XErrorEvent& e)
{
  const GoneWindow* g = IsWindowError(e) ? FindGone(e.resourceid) : nullptr;
  return g && e.serial > g->taken;
}

// The error a request was expected to end in, and those of windows the platform knows are gone, end
// nothing; those naming one of its windows wait for the queue to be read. Any other error, and every error
// of another connection (a host's or another plug-in's), goes to the handler that was there before.
int OnXError(Display* d, XErrorEvent* e)
{
  if (d != sDisplay) return sPreviousErrorHandler(d, e);
  if (sExpected && IsExpected(*e, *sExpected)) return sExpected->seen = true, 0;
  if (OfGoneWindow(*e)) return 0;
  if (IsWindowError(*e) && (Registered(e->resourceid) || FindGone(e->resourceid)) &&
      sHeldCount < sHeld.size())
    return sHeld[sHeldCount++] = *e, 0;
  return sPreviousErrorHandler(d, e);
}

// The held errors whose window the queue did not say was gone go where any other error goes.
void JudgeHeldErrors()
{
  const size_t count = std::exchange(sHeldCount, 0);
  for (size_t i = 0; i < count; ++i)
    if (!OfGoneWindow(sHeld[i])) sPreviousErrorHandler(sDisplay, &sHeld[i]);
}

// This connection's end is told to OnXConnectionLost; another connection's goes where it went before.
int OnXConnectionError(Display* d)
{
  return d == sDisplay ? 0 : sPreviousConnectionErrorHandler(d);
}

// Xlib holds one handler of each kind for the whole process: the ones before come back only where ours
// is still the one set. A handler set after ours may hand errors on to ours, which then hands them on.
void GiveBackHandlers()
{
  const XErrorHandler current = XSetErrorHandler(sPreviousErrorHandler);
  if (current != OnXError) XSetErrorHandler(current);
  const XIOErrorHandler currentIO = XSetIOErrorHandler(sPreviousConnectionErrorHandler);
  if (currentIO != OnXConnectionError) XSetIOErrorHandler(currentIO);
}

// Instead of ending the process: the windows close as when the user closes them.
void OnXConnectionLost(Display*, void*)
{
  sDisplayLost = true;
  sCursorWindow = 0;
  GiveBackHandlers();
}

void Unwatch()
{
  if (sDescriptor) RemoveRunLoopDescriptor(sDescriptor);
  sDescriptor = 0;
}
} // namespace

Display* OpenDisplayOnce()
{
  if (sDisplay || sDisplayLost) return sDisplay;
  sDisplay = XOpenDisplay(nullptr);
  if (!sDisplay) return nullptr;
  sPreviousErrorHandler = XSetErrorHandler(OnXError); // Xlib's own when there was none
  sPreviousConnectionErrorHandler = XSetIOErrorHandler(OnXConnectionError);
  XSetIOErrorExitHandler(sDisplay, OnXConnectionLost, nullptr);
  return sDisplay;
}

Display* DisplayIfOpen()
{
  return sDisplay;
}

bool DisplayLost()
{
  return sDisplayLost;
}

bool IsExpected(const XErrorEvent& e, const ExpectedError& expected)
{
  return e.serial == expected.serial && e.request_code == expected.major && e.minor_code == expected.minor &&
         (expected.code == 0 || e.error_code == expected.code);
}

void Expect(ExpectedError* expected)
{
  sExpected = expected;
}

void AddWindow(Window window, EventSink& sink)
{
  if (GoneWindow* g = FindGone(window)) *g = {};
  sWindows.emplace_back(window, &sink);
  sCursorWindow = window;
  if (!sDescriptor && sDisplay && !sDisplayLost)
    sDescriptor = AddRunLoopDescriptor(ConnectionNumber(sDisplay), PumpEvents);
}

void RemoveWindow(Window window)
{
  std::erase_if(sWindows, [&](const auto& w) { return w.first == window; });
  if (sCursorWindow == window) sCursorWindow = sWindows.empty() ? 0 : sWindows.back().first;
  if (sWindows.empty()) Unwatch();
}

int OpenWindows()
{
  return int(sWindows.size());
}

void DestroyWindow(Window window)
{
  NoteGone(window, NextRequest(sDisplay) - 1);
  XDestroyWindow(sDisplay, window);
}

bool ErrorsHeld()
{
  return sHeldCount > 0;
}

void PumpEvents()
{
  while (sDisplay && !sDisplayLost && XPending(sDisplay))
  {
    XEvent ev;
    XNextEvent(sDisplay, &ev);
    // The keyboard's layout changed: key codes mean other symbols from now on. It names no window.
    if (ev.type == MappingNotify)
    {
      XRefreshKeyboardMapping(&ev.xmapping);
      continue;
    }
    if (ev.type == DestroyNotify &&
        (Registered(ev.xdestroywindow.window) || FindGone(ev.xdestroywindow.window)))
      NoteGone(ev.xdestroywindow.window, ev.xdestroywindow.serial);
    // Looked up for each event: the last one's sink may have closed a window.
    auto it = std::find_if(sWindows.begin(), sWindows.end(),
                           [&](const auto& w) { return w.first == ev.xany.window; });
    if (it != sWindows.end()) it->second->HandleEvent(ev);
  }
  JudgeHeldErrors();
  // A closed connection stays readable: the loop would wake for it on every turn.
  if (sDisplayLost) Unwatch();
}

Window& CursorWindow()
{
  return sCursorWindow;
}

PointerWarps& Warps()
{
  return sWarps;
}
} // namespace qorvplatform::detail::x11

namespace qorvplatform::detail
{
using x11::sCursorWindow;
using x11::sDisplay;
using x11::sDisplayLost;

void NativeSetCursor(const std::string& name)
{
  if (!sDisplay || !sCursorWindow) return;
  static const std::map<std::string, unsigned> shapes = {{"arrow", XC_left_ptr},
                                                         {"ibeam", XC_xterm},
                                                         {"crosshair", XC_crosshair},
                                                         {"hand", XC_hand2},
                                                         {"not-allowed", XC_X_cursor},
                                                         {"resize-up", XC_top_side},
                                                         {"resize-north", XC_top_side},
                                                         {"resize-left-right", XC_sb_h_double_arrow},
                                                         {"resize-east-west", XC_sb_h_double_arrow},
                                                         {"resize-up-down", XC_sb_v_double_arrow},
                                                         {"resize-north-south", XC_sb_v_double_arrow},
                                                         {"resize-nwse", XC_bottom_right_corner},
                                                         {"resize-nesw", XC_bottom_left_corner},
                                                         {"busy", XC_watch},
                                                         {"help", XC_question_arrow},
                                                         {"move", XC_fleur}};
  auto it = shapes.find(name);
  static std::map<unsigned, Cursor> made;
  const unsigned shape = it == shapes.end() ? XC_left_ptr : it->second;
  Cursor& c = made[shape];
  if (!c) c = XCreateFontCursor(sDisplay, shape);
  XDefineCursor(sDisplay, sCursorWindow, c);
  XFlush(sDisplay);
}

void NativeShowCursor(bool shown)
{
  if (!sDisplay || !sCursorWindow) return;
  shown ? XFixesShowCursor(sDisplay, sCursorWindow) : XFixesHideCursor(sDisplay, sCursorWindow);
  XFlush(sDisplay);
}

void NativeWarpPointer(CGPoint p)
{
  if (!sDisplay || !x11::OpenWindows() || sDisplayLost) return;
  const double scale = NSScreen::mainScreen()->backingScaleFactor();
  const int x = int(std::lround(p.x * scale)), y = int(std::lround(p.y * scale));
  if (!x11::sWarps.Warp({x, y}, NextRequest(sDisplay))) return;
  XWarpPointer(sDisplay, None, DefaultRootWindow(sDisplay), 0, 0, 0, 0, x, y);
  XFlush(sDisplay);
}

bool NativeScreenSize(double& width, double& height)
{
  // Once a display is there, the screen is the display's from the start, before any window opens.
  static bool asked = false;
  if (!sDisplay && !asked && DisplayAvailable())
  {
    asked = true;
    x11::OpenDisplayOnce();
  }
  if (!sDisplay) return false;
  width = DisplayWidth(sDisplay, DefaultScreen(sDisplay));
  height = DisplayHeight(sDisplay, DefaultScreen(sDisplay));
  return true;
}

bool NativeWorkArea(double& x, double& y, double& width, double& height)
{
  double screenWidth = 0, screenHeight = 0;
  if (!NativeScreenSize(screenWidth, screenHeight) || sDisplayLost) return false;
  const Window root = DefaultRootWindow(sDisplay);
  // Four cardinals a desktop; the current desktop's, or the first's.
  long desktop = 0;
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(sDisplay, root, XInternAtom(sDisplay, "_NET_CURRENT_DESKTOP", False), 0, 1, False,
                         XA_CARDINAL, &type, &format, &count, &after, &data) == Success &&
      data)
  {
    if (format == 32 && count == 1) desktop = *reinterpret_cast<long*>(data);
    XFree(data);
  }
  data = nullptr;
  if (XGetWindowProperty(sDisplay, root, XInternAtom(sDisplay, "_NET_WORKAREA", False), 0, 1024, False,
                         XA_CARDINAL, &type, &format, &count, &after, &data) != Success ||
      !data)
    return false;
  const long* area = reinterpret_cast<long*>(data); // Xlib hands 32-bit items as longs
  if (desktop < 0 || static_cast<unsigned long>(desktop) * 4 + 4 > count) desktop = 0;
  const bool found = format == 32 && count >= 4 && area[desktop * 4 + 2] > 0 && area[desktop * 4 + 3] > 0;
  if (found)
  {
    x = double(area[desktop * 4]);
    y = double(area[desktop * 4 + 1]);
    width = double(area[desktop * 4 + 2]);
    height = double(area[desktop * 4 + 3]);
  }
  XFree(data);
  return found;
}
} // namespace qorvplatform::detail
