// The process's one connection to the X server (private to the platform): opened with the first window or
// question about the screen, and kept. Its events are read in one place and each goes to the window it is
// for, whichever window's work reads them; its errors are judged in one place. Main thread only.
#pragma once

#include "platform/src/AppKit/PointerWarps.h"

#include <X11/Xlib.h>

namespace qorvplatform::detail::x11
{
// The connection, opened on first use; null when no server takes it.
Display* OpenDisplayOnce();
// The connection if it is open, without opening it.
Display* DisplayIfOpen();
// The server closed the connection (another client killed this one): its windows count as closed, and
// nothing is asked of it again.
bool DisplayLost();

// What a window does with the events that are for it.
class EventSink
{
public:
  virtual void HandleEvent(XEvent& event) = 0;

protected:
  ~EventSink() = default;
};
// The events for `window` go to `sink` until RemoveWindow; the run loop watches the connection while any
// window is there.
void AddWindow(Window window, EventSink& sink);
void RemoveWindow(Window window);
// Reads every event that has come and hands each to its window's sink; a change of the keyboard's mapping
// is taken, other events for no window are dropped. A sink may add or remove windows meanwhile. Then the
// errors held for the windows are judged.
void PumpEvents();
// Windows added and not removed.
int OpenWindows();
// Destroys a window of the platform: the errors of requests that still name it end nothing.
void DestroyWindow(Window window);
// Errors that wait for the next PumpEvents to be judged: ones naming a window of the platform, which may
// have been destroyed by another client without the platform having read so yet.
bool ErrorsHeld();

// An error that one request may end in without ending the process: it is noted in `seen` instead. The
// request is known by its serial and opcodes (minor 0 for the core protocol); code 0 takes any error.
struct ExpectedError
{
  int major = 0, minor = 0, code = 0;
  unsigned long serial = 0;
  bool seen = false;
};
bool IsExpected(const XErrorEvent& e, const ExpectedError& expected);
// Sets the error expected from now on (null: none); the caller keeps it alive until then.
void Expect(ExpectedError* expected);

// The window that cursor shapes are set on (the last one opened); 0 for none.
Window& CursorWindow();
// Where to tell pointer events while the application warps the pointer.
PointerWarps& Warps();
} // namespace qorvplatform::detail::x11
