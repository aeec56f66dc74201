// What the window tests need of a window manager and of a person's eyes, on the display of DISPLAY:
//   tile WIDTH HEIGHT  a window manager that ignores the size hints: every window gets that size at the
//       screen's corner and keeps it (see Tile); runs until killed.
//   workarea X Y WIDTH HEIGHT  publishes the desktop's work area (_NET_WORKAREA) as a panel's window
//       manager does; it lasts while another client is connected (the server resets with the last one).
//   pixels WINDOW-ID X Y [X Y ...]  prints the window's pixel at each point as RRGGBB, one a line.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "OpenDisplay.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{
int Usage()
{
  std::fprintf(stderr, "usage: qorv-window-manager tile WIDTH HEIGHT\n"
                       "       qorv-window-manager workarea X Y WIDTH HEIGHT\n"
                       "       qorv-window-manager pixels WINDOW-ID X Y [X Y ...]\n");
  return 2;
}

long Number(const char* s)
{
  return std::strtol(s, nullptr, 0);
}

// Maps every window that asks at that size and refuses every change of size or place that a window asks
// for, answering with the synthetic ConfigureNotify that tells it where it stays (as a tiling window
// manager does). Runs until killed.
int Tile(Display* d, int width, int height)
{
  const Window root = DefaultRootWindow(d);
  XSelectInput(d, root, SubstructureRedirectMask);
  XSync(d, False);
  for (;;)
  {
    XEvent e;
    XNextEvent(d, &e);
    Window w = 0;
    if (e.type == MapRequest)
    {
      w = e.xmaprequest.window;
      XMoveResizeWindow(d, w, 0, 0, unsigned(width), unsigned(height));
      XMapWindow(d, w);
    }
    else if (e.type == ConfigureRequest)
      w = e.xconfigurerequest.window;
    if (!w) continue;
    XEvent told{};
    told.xconfigure.type = ConfigureNotify;
    told.xconfigure.event = w;
    told.xconfigure.window = w;
    told.xconfigure.width = width;
    told.xconfigure.height = height;
    XSendEvent(d, w, False, StructureNotifyMask, &told);
    XFlush(d);
  }
}

int WorkArea(Display* d, long x, long y, long width, long height)
{
  const long area[4] = {x, y, width, height};
  XChangeProperty(d, DefaultRootWindow(d), XInternAtom(d, "_NET_WORKAREA", False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(area), 4);
  XSync(d, False);
  return 0;
}

int Pixels(Display* d, Window w, int count, char** points)
{
  for (int i = 0; i + 1 < count; i += 2)
  {
    XImage* image = XGetImage(d, w, int(Number(points[i])), int(Number(points[i + 1])), 1, 1, AllPlanes, ZPixmap);
    if (!image) return 1;
    std::printf("%06lX\n", XGetPixel(image, 0, 0) & 0xFFFFFF);
    XDestroyImage(image);
  }
  return 0;
}
} // namespace

int main(int argc, char** argv)
{
  if (argc < 2) return Usage();
  const std::string verb = argv[1];
  if (!((verb == "tile" && argc == 4) || (verb == "workarea" && argc == 6) ||
        (verb == "pixels" && argc >= 5 && argc % 2 == 1)))
    return Usage();
  Display* d = OpenTestDisplay("qorv-window-manager");
  if (!d) return 1;
  int status = 0;
  if (verb == "tile")
    status = Tile(d, int(Number(argv[2])), int(Number(argv[3])));
  else if (verb == "workarea")
    status = WorkArea(d, Number(argv[2]), Number(argv[3]), Number(argv[4]), Number(argv[5]));
  else
    status = Pixels(d, Window(Number(argv[2])), argc - 3, argv + 3);
  XCloseDisplay(d);
  return status;
}
