#include <AppKit/NSEvent.h>
#include <AppKit/NSScreen.h>
#include <AppKit/NSView.h>
#include <QorvPlatform/Events.h>
#include <QorvPlatform/Metal.h>
#include <QorvPlatform/RunLoopClock.h>

#include "platform/src/AppKit/NativeWindow.h"
#include "platform/src/AppKit/X11Connection.h"
#include "platform/src/AppKit/X11SharedImage.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string>
#include <map>
#include <vector>

namespace qorvplatform::detail
{
namespace
{
// X key symbols to the platform's virtual key codes (ANSI layout).
unsigned short MacKeyCode(KeySym sym)
{
  static const std::map<KeySym, unsigned short> table = {{XK_Return, 36},
                                                         {XK_Tab, 48},
                                                         {XK_space, 49},
                                                         {XK_BackSpace, 51},
                                                         {XK_Escape, 53},
                                                         {XK_Delete, 117},
                                                         {XK_Home, 115},
                                                         {XK_End, 119},
                                                         {XK_Page_Up, 116},
                                                         {XK_Page_Down, 121},
                                                         {XK_Left, 123},
                                                         {XK_Right, 124},
                                                         {XK_Down, 125},
                                                         {XK_Up, 126},
                                                         {XK_Help, 114},
                                                         {XK_F1, 122},
                                                         {XK_F2, 120},
                                                         {XK_F3, 99},
                                                         {XK_F4, 118},
                                                         {XK_F5, 96},
                                                         {XK_F6, 97},
                                                         {XK_F7, 98},
                                                         {XK_F8, 100},
                                                         {XK_F9, 101},
                                                         {XK_F10, 109},
                                                         {XK_F11, 103},
                                                         {XK_F12, 111},
                                                         {XK_F13, 105},
                                                         {XK_F14, 107},
                                                         {XK_F15, 113},
                                                         {XK_F16, 106},
                                                         {XK_KP_Enter, 76},
                                                         {XK_KP_Decimal, 65},
                                                         {XK_KP_Multiply, 67},
                                                         {XK_KP_Add, 69},
                                                         {XK_KP_Divide, 75},
                                                         {XK_KP_Subtract, 78},
                                                         {XK_KP_Equal, 81},
                                                         {XK_KP_0, 82},
                                                         {XK_KP_1, 83},
                                                         {XK_KP_2, 84},
                                                         {XK_KP_3, 85},
                                                         {XK_KP_4, 86},
                                                         {XK_KP_5, 87},
                                                         {XK_KP_6, 88},
                                                         {XK_KP_7, 89},
                                                         {XK_KP_8, 91},
                                                         {XK_KP_9, 92},
                                                         {XK_Num_Lock, 71},
                                                         {XK_a, 0},
                                                         {XK_s, 1},
                                                         {XK_d, 2},
                                                         {XK_f, 3},
                                                         {XK_h, 4},
                                                         {XK_g, 5},
                                                         {XK_z, 6},
                                                         {XK_x, 7},
                                                         {XK_c, 8},
                                                         {XK_v, 9},
                                                         {XK_b, 11},
                                                         {XK_q, 12},
                                                         {XK_w, 13},
                                                         {XK_e, 14},
                                                         {XK_r, 15},
                                                         {XK_y, 16},
                                                         {XK_t, 17},
                                                         {XK_1, 18},
                                                         {XK_2, 19},
                                                         {XK_3, 20},
                                                         {XK_4, 21},
                                                         {XK_6, 22},
                                                         {XK_5, 23},
                                                         {XK_equal, 24},
                                                         {XK_9, 25},
                                                         {XK_7, 26},
                                                         {XK_minus, 27},
                                                         {XK_8, 28},
                                                         {XK_0, 29},
                                                         {XK_bracketright, 30},
                                                         {XK_o, 31},
                                                         {XK_u, 32},
                                                         {XK_bracketleft, 33},
                                                         {XK_i, 34},
                                                         {XK_p, 35},
                                                         {XK_l, 37},
                                                         {XK_j, 38},
                                                         {XK_apostrophe, 39},
                                                         {XK_k, 40},
                                                         {XK_semicolon, 41},
                                                         {XK_backslash, 42},
                                                         {XK_comma, 43},
                                                         {XK_slash, 44},
                                                         {XK_n, 45},
                                                         {XK_m, 46},
                                                         {XK_period, 47},
                                                         {XK_grave, 50}};
  auto it = table.find(sym >= XK_A && sym <= XK_Z ? sym - XK_A + XK_a : sym);
  return it == table.end() ? 0xFFFF : it->second;
}

// A Linux keyboard's Ctrl does what Control does on a Mac with the mouse and the wheel (Control-click,
// Control-drag, Control with the wheel) and what Command does with keys (cut, copy, paste, undo, select
// all); Alt is Option and Super is Command.
unsigned long Modifiers(unsigned state, bool key)
{
  unsigned long m = 0;
  if (state & ShiftMask) m |= NSEventModifierFlagShift;
  if (state & ControlMask) m |= key ? NSEventModifierFlagCommand : NSEventModifierFlagControl;
  if (state & Mod1Mask) m |= NSEventModifierFlagOption;
  if (state & Mod4Mask) m |= NSEventModifierFlagCommand;
  return m;
}

using namespace x11;

// Why the last window did not open on the display ("" when it did).
std::string& Refusal()
{
  static std::string why;
  return why;
}

class X11Window : public NativeWindow, private EventSink
{
public:
  X11Window(NSWindow& window, Display* d, const WindowVisual& visual)
      : mWindow(window), mDisplay(d), mImage(d, visual)
  {
    mScale = window.backingScaleFactor();
    const NSRect r = window.contentRect();
    mWidth = int(std::lround(r.size.width * mScale));
    mHeight = int(std::lround(r.size.height * mScale));
    const int screen = DefaultScreen(d);
    // Where the window's content rectangle says (screen points, origin bottom left).
    const double screenScale = NSScreen::mainScreen()->backingScaleFactor();
    const double top = NSScreen::mainScreen()->frame().size.height - r.origin.y - r.size.height;
    // On a resize the server keeps the picture where it is and paints nothing over it (no background):
    // what the window showed stays until the frame of the new size lands.
    XSetWindowAttributes keep{};
    keep.background_pixmap = None;
    keep.bit_gravity = NorthWestGravity;
    unsigned long attributes = CWBackPixmap | CWBitGravity;
    // A visual other than the root's needs a colormap of its own and a border pixel of its own (the
    // parent's are of the root's visual).
    if (!visual.isDefault)
    {
      keep.colormap = visual.colormap;
      keep.border_pixel = 0;
      attributes |= CWColormap | CWBorderPixel;
    }
    mX = XCreateWindow(d, RootWindow(d, screen), int(std::lround(r.origin.x * screenScale)),
                       int(std::lround(std::max(0.0, top) * screenScale)), unsigned(std::max(1, mWidth)),
                       unsigned(std::max(1, mHeight)), 0, int(visual.depth), InputOutput, visual.visual,
                       attributes, &keep);
    XSelectInput(d, mX,
                 ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask | KeyReleaseMask |
                     EnterWindowMask | LeaveWindowMask | FocusChangeMask | StructureNotifyMask |
                     ExposureMask);
    mDeleteAtom = XInternAtom(d, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(d, mX, &mDeleteAtom, 1);
    // File drops arrive through the XDND protocol (version 5).
    for (auto& [atom, name] : {std::pair{&mXdndAware, "XdndAware"},
                               {&mXdndEnter, "XdndEnter"},
                               {&mXdndPosition, "XdndPosition"},
                               {&mXdndStatus, "XdndStatus"},
                               {&mXdndLeave, "XdndLeave"},
                               {&mXdndDrop, "XdndDrop"},
                               {&mXdndFinished, "XdndFinished"},
                               {&mXdndSelection, "XdndSelection"},
                               {&mXdndActionCopy, "XdndActionCopy"},
                               {&mUriList, "text/uri-list"}})
      *atom = XInternAtom(d, name, False);
    const Atom version = 5;
    XChangeProperty(d, mX, mXdndAware, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&version), 1);
    XStoreName(d, mX, window.title().c_str());
    FixSize();
    mGC = XCreateGC(d, mX, 0, nullptr);
    XMapRaised(d, mX);
    XSync(d, False);
    FollowPosition();
    AddWindow(mX, *this);
    mObserver = AddRunLoopBeforeWaitingObserver([this] { Flush(); });
  }

  ~X11Window() override
  {
    RemoveWindow(mX);
    RemoveRunLoopBeforeWaitingObserver(mObserver);
    // On a lost connection this only frees the client's side.
    mImage.Free();
    XFreeGC(mDisplay, mGC);
    if (!DisplayLost())
    {
      if (!mDestroyed) DestroyWindow(mX);
      XSync(mDisplay, False);
      // What the server said of the window meanwhile, its errors judged.
      PumpEvents();
    }
  }

  // A window destroyed by another client, or lost with the connection, is closed as the user closes it.
  bool CloseRequested() const override { return mCloseRequested || Gone(); }

  void FollowContentSize() override
  {
    const NSRect r = mWindow.contentRect();
    const int w = std::max(1, int(std::lround(r.size.width * mScale)));
    const int h = std::max(1, int(std::lround(r.size.height * mScale)));
    if (w == mWidth && h == mHeight) return;
    mWidth = w;
    mHeight = h;
    mSizeSetBack = false;
    FixSize();
    // Sizes the server reports for requests before this one are stale.
    mResizeSerial = NextRequest(mDisplay);
    XResizeWindow(mDisplay, mX, unsigned(w), unsigned(h));
    XFlush(mDisplay);
    mSendAll = true;
  }

  void Flush() override
  {
    if (Gone() || !KeepImage()) return;
    mViews.clear();
    Collect(mWindow.contentView(), mViews);
    for (NSView* v : mViews)
    {
      CAMetalLayer& layer = *v->layer();
      // The view's top-left corner in window pixels.
      const NSPoint topLeft =
          v->convertPointToView(NSMakePoint(0, v->isFlipped() ? 0 : v->frame().size.height), nullptr);
      const int x = int(std::lround(topLeft.x * mScale));
      const int y = int(std::lround((mWindow.contentRect().size.height - topLeft.y) * mScale));
      ViewPlace& place = mPlaces[v];
      // A new image or a moved view takes all of the view; otherwise only what its presents changed.
      const bool whole = !place.copied || place.x != x || place.y != y;
      const uint64_t presents = QorvMetalLayerPresentCount(layer);
      if (presents == 0 || (!whole && presents == place.presents)) continue;
      mImage.WaitForServer();
      if (!QorvMetalLayerCopyPresentedChanges(layer, whole, mImage.Target(x, y), mChanged)) continue;
      ++mCounts.copies;
      place = ViewPlace{x, y, presents, true};
      mSend.insert(mSend.end(), mChanged.begin(), mChanged.end());
    }
    AddExposures();
    if (!mSend.empty())
    {
      mImage.Send(mX, mGC, mSend, mCounts);
      mSend.clear();
      XFlush(mDisplay);
    }
    // Writing a large image, or a round trip of any window (one closed waits for the server), can make Xlib
    // read the server's events into its own queue; the connection then stays quiet, so the run loop's
    // descriptor would not wake for them.
    if (XEventsQueued(mDisplay, QueuedAlready) > 0 || ErrorsHeld()) PumpEvents();
  }

  Counts PresentCounts() const override
  {
    Counts c = mCounts;
    c.requests = DisplayLost() ? 0 : NextRequest(mDisplay);
    c.sharedMemory = mImage.Shared();
    return c;
  }

  bool ReadPixels(std::vector<uint8_t>& rgba, int& width, int& height) override
  {
    if (Gone()) return false;
    Flush();
    if (!ReadWindowPixels(mDisplay, mX, mWidth, mHeight, rgba)) return false;
    width = mWidth;
    height = mHeight;
    return true;
  }

private:
  static void Collect(NSView* v, std::vector<NSView*>& out)
  {
    if (!v) return;
    if (v->layer()) out.push_back(v);
    for (NSView* c : v->subviews())
      Collect(c, out);
  }

  // The window's picture in mImage at the window's size; false when none can be made. A new one is sent
  // whole, with all of each view.
  bool KeepImage()
  {
    bool made = false;
    if (!mImage.Keep(mWidth, mHeight, made)) return false;
    if (!made) return true;
    for (auto& [view, place] : mPlaces)
      place.copied = false;
    mSendAll = true;
    return true;
  }

  // An expose series is sent once it is complete, the parts of the image that it names.
  void Exposed(const XExposeEvent& e)
  {
    mExposures.push_back(MTLRegionMake2D(NSUInteger(std::max(0, e.x)), NSUInteger(std::max(0, e.y)),
                                         NSUInteger(std::max(0, e.width)),
                                         NSUInteger(std::max(0, e.height))));
    mExposuresComplete = e.count == 0;
  }

  // What the window lost or never had joins what the views changed: all of the image, or the exposed parts.
  void AddExposures()
  {
    const NSUInteger w = NSUInteger(mImage.Width()), h = NSUInteger(mImage.Height());
    if (mSendAll)
      mSend.assign(1, MTLRegionMake2D(0, 0, w, h));
    else if (mExposuresComplete)
      for (MTLRegion r : mExposures)
      {
        if (r.origin.x >= w || r.origin.y >= h) continue;
        r.size.width = std::min(r.size.width, w - r.origin.x);
        r.size.height = std::min(r.size.height, h - r.origin.y);
        if (r.size.width && r.size.height) mSend.push_back(r);
      }
    if (!mSendAll && !mExposuresComplete) return;
    mSendAll = mExposuresComplete = false;
    mExposures.clear();
  }

  void Post(InputEvent e) { PostEvent(mWindow, e); }

  // The plug-in's view sets the size, not the user: a window manager offers no resizing.
  void FixSize()
  {
    XSizeHints* hints = XAllocSizeHints();
    if (!hints) return;
    hints->flags = PMinSize | PMaxSize;
    hints->min_width = hints->max_width = std::max(1, mWidth);
    hints->min_height = hints->max_height = std::max(1, mHeight);
    XSetWMNormalHints(mDisplay, mX, hints);
    XFree(hints);
  }

  // The window's content origin follows where the server (or a window manager) put the window, so that
  // screen points mean the same to the pointer, the window and the warps.
  void FollowPosition()
  {
    int rootX = 0, rootY = 0;
    Window child = 0;
    if (!XTranslateCoordinates(mDisplay, mX, DefaultRootWindow(mDisplay), 0, 0, &rootX, &rootY, &child))
      return;
    const double screenScale = NSScreen::mainScreen()->backingScaleFactor();
    const double screenHeight = NSScreen::mainScreen()->frame().size.height;
    mWindow.setFrameOrigin(NSMakePoint(rootX / screenScale, screenHeight - rootY / screenScale -
                                                                mWindow.contentRect().size.height));
  }

  // A size the server reports; those for requests before the last one asked for are stale.
  void FollowSize(const XConfigureEvent& c)
  {
    if (c.serial < mResizeSerial) return;
    if (c.width == mWidth && c.height == mHeight)
    {
      mSizeSetBack = false;
      return;
    }
    if (!mSizeSetBack)
    {
      // The user does not resize this window (FixSize): a window manager that ignored the size hints is
      // asked once for the window's own size again.
      mSizeSetBack = true;
      mResizeSerial = NextRequest(mDisplay);
      XResizeWindow(mDisplay, mX, unsigned(mWidth), unsigned(mHeight));
      XFlush(mDisplay);
      return;
    }
    // It insists: the content takes the size it gives, so that what is drawn and where the pointer lands
    // keep to one layout of the views.
    mWidth = c.width;
    mHeight = c.height;
    InputEvent e;
    e.kind = InputKind::Resize;
    e.width = mWidth / mScale;
    e.height = mHeight / mScale;
    Post(e);
    mSendAll = true;
  }

  // An event at window pixel (x, y) and root pixel (rootX, rootY), made after the request serial; false
  // for a warp's own motion.
  static bool Place(unsigned long serial, int rootX, int rootY, int& x, int& y, bool motion)
  {
    PointerWarps::Point at{rootX, rootY};
    if (!Warps().Place(serial, at, motion)) return false;
    x += at.x - rootX;
    y += at.y - rootY;
    return true;
  }

  InputEvent At(InputKind kind, int x, int y, unsigned state, Time time)
  {
    InputEvent e;
    e.kind = kind;
    e.x = x / mScale;
    e.y = y / mScale;
    e.modifiers = Modifiers(state, kind == InputKind::KeyDown || kind == InputKind::KeyUp);
    e.time = double(time) / 1000.0;
    return e;
  }

  bool Gone() const { return mDestroyed || DisplayLost(); }

  void HandleEvent(XEvent& ev) override
  {
    if (!mImage.TakeCompletion(ev)) Translate(ev);
  }

  void Translate(XEvent& ev)
  {
    switch (ev.type)
    {
    case ButtonPress:
    case ButtonRelease:
    {
      const XButtonEvent& b = ev.xbutton;
      int x = b.x, y = b.y;
      Place(b.serial, b.x_root, b.y_root, x, y, false);
      if (b.button == 4 || b.button == 5)
      {
        if (ev.type != ButtonPress) return;
        InputEvent e = At(InputKind::Wheel, x, y, b.state, b.time);
        e.delta = b.button == 4 ? 1.0 : -1.0;
        Post(e);
        return;
      }
      if (b.button != 1 && b.button != 3) return;
      InputEvent e =
          At(ev.type == ButtonPress ? InputKind::Press : InputKind::Release, x, y, b.state, b.time);
      e.button = int(b.button);
      Post(e);
      return;
    }
    case MotionNotify:
    {
      const XMotionEvent& m = ev.xmotion;
      int x = m.x, y = m.y;
      if (Place(m.serial, m.x_root, m.y_root, x, y, true)) Post(At(InputKind::Motion, x, y, m.state, m.time));
      return;
    }
    case EnterNotify:
    case LeaveNotify:
    {
      const XCrossingEvent& c = ev.xcrossing;
      int x = c.x, y = c.y;
      Place(c.serial, c.x_root, c.y_root, x, y, false);
      if (c.mode != NotifyNormal) return;
      Post(At(ev.type == EnterNotify ? InputKind::Enter : InputKind::Leave, x, y, c.state, c.time));
      return;
    }
    case KeyPress:
    case KeyRelease:
    {
      XKeyEvent k = ev.xkey;
      InputEvent e =
          At(ev.type == KeyPress ? InputKind::KeyDown : InputKind::KeyUp, k.x, k.y, k.state, k.time);
      // Characters ignoring every modifier but Shift, as the platform gives them.
      k.state &= ShiftMask | LockMask;
      char text[8] = {};
      KeySym sym = 0;
      const int n = XLookupString(&k, text, sizeof text - 1, &sym, nullptr);
      e.keyCode = MacKeyCode(sym);
      // Keys that type no text carry the platform's characters for them (Return "\r", Delete 0x7F, the
      // arrows' function-key characters).
      const std::string named = KeyCharacters(e.keyCode);
      if (!named.empty())
        e.characters = named;
      else if (n > 0 && static_cast<unsigned char>(text[0]) >= 0x20 && text[0] != 0x7F)
        e.characters.assign(text, size_t(n));
      Post(e);
      return;
    }
    case FocusIn:
    case FocusOut:
    {
      InputEvent e;
      e.kind = ev.type == FocusIn ? InputKind::FocusGain : InputKind::FocusLoss;
      Post(e);
      return;
    }
    case ConfigureNotify:
      FollowSize(ev.xconfigure);
      // After the size: the origin counts from the content's bottom.
      FollowPosition();
      return;
    case Expose:
      Exposed(ev.xexpose);
      return;
    case DestroyNotify:
      mDestroyed = true;
      if (CursorWindow() == mX) CursorWindow() = 0;
      return;
    case ClientMessage:
      if (ev.xclient.message_type == mXdndEnter || ev.xclient.message_type == mXdndPosition ||
          ev.xclient.message_type == mXdndDrop || ev.xclient.message_type == mXdndLeave)
        DragMessage(ev.xclient);
      else if (Atom(ev.xclient.data.l[0]) == mDeleteAtom)
        mCloseRequested = true;
      return;
    case SelectionNotify:
      if (ev.xselection.selection == mXdndSelection) DropData(ev.xselection);
      return;
    default:
      return;
    }
  }

  // Sends an XDND message to the drag's source window.
  void SendToSource(Atom type, long l1, long l4)
  {
    XEvent reply{};
    reply.xclient.type = ClientMessage;
    reply.xclient.display = mDisplay;
    reply.xclient.window = mDragSource;
    reply.xclient.message_type = type;
    reply.xclient.format = 32;
    reply.xclient.data.l[0] = long(mX);
    reply.xclient.data.l[1] = l1;
    reply.xclient.data.l[4] = l4;
    // The source, another client's window, may be gone by now.
    ExpectedError gone{X_SendEvent, 0, BadWindow, NextRequest(mDisplay)};
    Expect(&gone);
    XSendEvent(mDisplay, mDragSource, False, NoEventMask, &reply);
    XSync(mDisplay, False);
    Expect(nullptr);
  }

  void DragMessage(const XClientMessageEvent& m)
  {
    mDragSource = Window(m.data.l[0]);
    if (m.message_type == mXdndPosition)
    {
      Window child = 0;
      const int rootX = int(m.data.l[2] >> 16 & 0xFFFF), rootY = int(m.data.l[2] & 0xFFFF);
      XTranslateCoordinates(mDisplay, DefaultRootWindow(mDisplay), mX, rootX, rootY, &mDropX, &mDropY,
                            &child);
      SendToSource(mXdndStatus, 1, long(mXdndActionCopy)); // accepted, as a copy
    }
    else if (m.message_type == mXdndDrop)
      XConvertSelection(mDisplay, mXdndSelection, mUriList, mXdndSelection, mX, Time(m.data.l[2]));
    else if (m.message_type == mXdndLeave)
      mDragSource = 0;
  }

  // The dropped URI list: its file URLs become the paths of one drop.
  void DropData(const XSelectionEvent& e)
  {
    std::vector<std::string> paths;
    if (e.property != None)
    {
      Atom type = 0;
      int format = 0;
      unsigned long count = 0, after = 0;
      unsigned char* data = nullptr;
      if (XGetWindowProperty(mDisplay, mX, e.property, 0, 1 << 20, True, AnyPropertyType, &type, &format,
                             &count, &after, &data) == Success &&
          data)
      {
        const std::string list(reinterpret_cast<const char*>(data), count);
        XFree(data);
        for (size_t start = 0; start < list.size();)
        {
          size_t end = list.find('\n', start);
          if (end == std::string::npos) end = list.size();
          std::string uri = list.substr(start, end - start);
          start = end + 1;
          if (!uri.empty() && uri.back() == '\r') uri.pop_back();
          if (uri.rfind("file://", 0) != 0) continue;
          size_t pathStart = uri.find('/', 7); // after an optional host name
          if (pathStart == std::string::npos) continue;
          paths.push_back(PercentDecoded(uri.substr(pathStart)));
        }
      }
    }
    if (!paths.empty())
    {
      InputEvent drop;
      drop.kind = InputKind::Drop;
      drop.x = mDropX / mScale;
      drop.y = mDropY / mScale;
      drop.paths = std::move(paths);
      Post(drop);
    }
    if (mDragSource) SendToSource(mXdndFinished, DropAccepted(e), long(mXdndActionCopy));
    mDragSource = 0;
  }

  static long DropAccepted(const XSelectionEvent& e) { return e.property != None ? 1 : 0; }

  static std::string PercentDecoded(const std::string& s)
  {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i)
    {
      if (s[i] == '%' && i + 2 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
          std::isxdigit(static_cast<unsigned char>(s[i + 2])))
      {
        out += char(std::stoi(s.substr(i + 1, 2), nullptr, 16));
        i += 2;
      }
      else
        out += s[i];
    }
    return out;
  }

  NSWindow& mWindow;
  Display* mDisplay;
  Atom mXdndAware = 0, mXdndEnter = 0, mXdndPosition = 0, mXdndStatus = 0, mXdndLeave = 0, mXdndDrop = 0,
       mXdndFinished = 0, mXdndSelection = 0, mXdndActionCopy = 0, mUriList = 0;
  Window mDragSource = 0;
  int mDropX = 0, mDropY = 0;
  Window mX = 0;
  GC mGC = nullptr;
  Atom mDeleteAtom = 0;
  double mScale = 1;
  int mWidth = 0, mHeight = 0;
  unsigned long mResizeSerial = 0;
  bool mSizeSetBack = false; // a size that the window manager gave was refused since the last request
  int mObserver = 0;
  bool mCloseRequested = false;
  bool mDestroyed = false; // by another client
  bool mSendAll = true;    // all of the image is due, not only what changed
  std::vector<MTLRegion> mExposures;
  bool mExposuresComplete = false;
  // Where each view's picture was last copied into the image, and the layer's presents then.
  struct ViewPlace
  {
    int x = 0, y = 0;
    uint64_t presents = 0;
    bool copied = false;
  };
  std::map<NSView*, ViewPlace> mPlaces;
  SharedImage mImage;
  // Kept between frames.
  std::vector<NSView*> mViews;
  std::vector<MTLRegion> mChanged, mSend;
  Counts mCounts;
};
} // namespace

std::unique_ptr<NativeWindow> NativeWindow::Open(NSWindow& window)
{
  const char* display = std::getenv("DISPLAY");
  Display* d = x11::OpenDisplayOnce();
  if (!d)
  {
    Refusal() = std::string("the display ") + (display ? display : "") + " cannot be opened";
    return nullptr;
  }
  const WindowVisual* visual = ScreenVisual(d);
  if (!visual)
  {
    Refusal() = std::string("the display ") + (display ? display : "") +
                " has no TrueColor visual: cannot show a window there";
    return nullptr;
  }
  Refusal().clear();
  return std::make_unique<X11Window>(window, d, *visual);
}

} // namespace qorvplatform::detail

std::string qorvplatform::DisplayRefusal()
{
  return detail::Refusal();
}
