// The test tools' connection to the X server. A virtual server that every test of a busy run talks to
// may refuse a connection for a moment: the tools try again for a few seconds before they give up, so
// that a tool's own start is not what fails a window test.
#pragma once

#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

inline Display* OpenTestDisplay(const char* tool)
{
  for (int attempt = 0; attempt < 50; ++attempt)
  {
    if (Display* d = XOpenDisplay(nullptr)) return d;
    const timespec pause{0, 100 * 1000 * 1000};
    nanosleep(&pause, nullptr);
  }
  const char* name = std::getenv("DISPLAY");
  std::fprintf(stderr, "%s: cannot open the display %s\n", tool, name ? name : "(DISPLAY is not set)");
  return nullptr;
}
