// Asks a window to close as a window manager does when the user clicks its close button: a
// WM_DELETE_WINDOW message of the WM_PROTOCOLS kind. Exit 0 once the message is sent.
// usage: qorv-window-close WINDOW-ID
#include <X11/Xlib.h>

#include "OpenDisplay.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
  if (argc != 2)
  {
    std::fprintf(stderr, "usage: qorv-window-close WINDOW-ID\n");
    return 2;
  }
  Display* d = OpenTestDisplay("qorv-window-close");
  if (!d) return 1;
  const Window w = Window(std::strtoul(argv[1], nullptr, 0));
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = w;
  e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = long(XInternAtom(d, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  const bool sent = XSendEvent(d, w, False, NoEventMask, &e) != 0;
  XSync(d, False);
  XCloseDisplay(d);
  return sent ? 0 : 1;
}
