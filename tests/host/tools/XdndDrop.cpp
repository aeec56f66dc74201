// A drag source for the window test: drops one file on the window of the given name at a point of the
// window (in pixels), through the XDND protocol, as a file manager would. Exit 0 once the window
// answered the drop as finished and accepted. With --vanish, the source goes as soon as it has told its
// position (a file manager that quits mid-drag): the window's answer finds no window.
// usage: qorv-xdnd-drop WINDOW-NAME X Y PATH [--vanish]
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{
Window FindByName(Display* d, Window w, const char* name)
{
  char* title = nullptr;
  if (XFetchName(d, w, &title) && title)
  {
    const bool match = std::strstr(title, name) != nullptr;
    XFree(title);
    if (match) return w;
  }
  Window root, parent, *children = nullptr;
  unsigned n = 0;
  Window found = 0;
  if (XQueryTree(d, w, &root, &parent, &children, &n))
  {
    for (unsigned i = 0; i < n && !found; ++i)
      found = FindByName(d, children[i], name);
    if (children) XFree(children);
  }
  return found;
}

void Send(Display* d, Window target, Window source, Atom type, long l1, long l2, long l3, long l4)
{
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.display = d;
  e.xclient.window = target;
  e.xclient.message_type = type;
  e.xclient.format = 32;
  e.xclient.data.l[0] = long(source);
  e.xclient.data.l[1] = l1;
  e.xclient.data.l[2] = l2;
  e.xclient.data.l[3] = l3;
  e.xclient.data.l[4] = l4;
  XSendEvent(d, target, False, NoEventMask, &e);
  XFlush(d);
}
} // namespace

int main(int argc, char** argv)
{
  const bool vanish = argc == 6 && std::strcmp(argv[5], "--vanish") == 0;
  if (argc != 5 && !vanish) return 2;
  Display* d = XOpenDisplay(nullptr);
  if (!d) return 1;
  const Window target = FindByName(d, DefaultRootWindow(d), argv[1]);
  if (!target) return 1;
  auto atom = [d](const char* n) { return XInternAtom(d, n, False); };
  const Atom enter = atom("XdndEnter"), position = atom("XdndPosition"), status = atom("XdndStatus"),
             drop = atom("XdndDrop"), finished = atom("XdndFinished"), selection = atom("XdndSelection"),
             copy = atom("XdndActionCopy"), uriList = atom("text/uri-list");
  const Window source = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
  XSetSelectionOwner(d, selection, source, CurrentTime);
  int rootX = 0, rootY = 0;
  Window child;
  XTranslateCoordinates(d, target, DefaultRootWindow(d), std::atoi(argv[2]), std::atoi(argv[3]), &rootX,
                        &rootY, &child);
  const std::string uri = std::string("file://") + argv[4] + "\r\n";

  Send(d, target, source, enter, 5L << 24, long(uriList), 0, 0);
  Send(d, target, source, position, 0, long(rootX) << 16 | rootY, CurrentTime, long(copy));
  if (vanish)
  {
    XDestroyWindow(d, source);
    XCloseDisplay(d);
    return 0;
  }
  const auto start = std::chrono::steady_clock::now();
  bool accepted = false;
  while (std::chrono::steady_clock::now() - start < std::chrono::seconds(5))
  {
    if (!XPending(d))
    {
      struct timespec t
      {
        0, 10000000
      };
      nanosleep(&t, nullptr);
      continue;
    }
    XEvent e;
    XNextEvent(d, &e);
    if (e.type == ClientMessage && e.xclient.message_type == status)
    {
      if (!(e.xclient.data.l[1] & 1)) return 1;
      Send(d, target, source, drop, 0, CurrentTime, 0, 0);
    }
    else if (e.type == SelectionRequest)
    {
      const XSelectionRequestEvent& r = e.xselectionrequest;
      XChangeProperty(d, r.requestor, r.property, uriList, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(uri.data()), int(uri.size()));
      XEvent reply{};
      reply.xselection.type = SelectionNotify;
      reply.xselection.requestor = r.requestor;
      reply.xselection.selection = r.selection;
      reply.xselection.target = r.target;
      reply.xselection.property = r.property;
      reply.xselection.time = r.time;
      XSendEvent(d, r.requestor, False, NoEventMask, &reply);
      XFlush(d);
    }
    else if (e.type == ClientMessage && e.xclient.message_type == finished)
    {
      accepted = e.xclient.data.l[1] & 1;
      break;
    }
  }
  XDestroyWindow(d, source);
  XCloseDisplay(d);
  return accepted ? 0 : 1;
}
