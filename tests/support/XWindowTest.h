// What the tests of real X11 windows share. Each runs under a script that starts an X server of its own
// and sets QORV_TEST_X_WINDOW; elsewhere the tests skip. Main thread only.
#pragma once

#include <CoreFoundation/CFRunLoop.h>
#include <QorvPlatform/Events.h>
#include <QorvPlatform/RunLoopClock.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <cstdlib>
#include <functional>

namespace qorvtest
{
// Under a window test's script, with a display there.
inline bool XWindowTestWanted()
{
  const char* wanted = std::getenv("QORV_TEST_X_WINDOW");
  return wanted && *wanted && qorvplatform::DisplayAvailable();
}

// A connection of the test's own to the server, for real input through XTest; null without one.
inline Display* OpenXTestConnection()
{
  Display* d = XOpenDisplay(nullptr);
  int event = 0, error = 0, major = 0, minor = 0;
  if (d && XTestQueryExtension(d, &event, &error, &major, &minor)) return d;
  if (d) XCloseDisplay(d);
  return nullptr;
}

// The platform as a window test starts: a fresh run loop on the real clock, no input state, screen scale 1;
// and as it ends, back on the virtual clock that the other tests expect.
inline void StartWindowTest()
{
  qorvplatform::ResetMainRunLoop();
  qorvplatform::ResetInput();
  qorvplatform::SetScreenScale(1.0);
  qorvplatform::UseRealClock();
}
inline void EndWindowTest()
{
  qorvplatform::ResetInput();
  qorvplatform::ResetMainRunLoop();
  qorvplatform::UseVirtualClock();
}

// Runs the main run loop, which wakes for the server's events and the timers, until done says so; false
// when it does not within a generous bound.
inline bool RunLoopUntil(const std::function<bool()>& done)
{
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!done())
  {
    if (std::chrono::steady_clock::now() > end) return false;
    CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0.02, true);
  }
  return true;
}
} // namespace qorvtest
