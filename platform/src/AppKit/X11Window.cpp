#include <AppKit/NSEvent.h>
#include <AppKit/NSScreen.h>
#include <AppKit/NSView.h>
#include <QorvPlatform/Events.h>
#include <QorvPlatform/Metal.h>
#include <QorvPlatform/RunLoopClock.h>

#include "platform/src/AppKit/NativeWindow.h"
#include "platform/src/AppKit/PointerWarps.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xfixes.h>
#include <X11/keysym.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <map>
#include <vector>

namespace qorvplatform::detail
{
namespace
{
// One connection for the process, opened with the first window and kept.
Display* sDisplay = nullptr;
int sOpenWindows = 0;
Window sPointerWindow = 0; // the window cursor shapes are set on

// Where to tell pointer events while the application warps the pointer.
PointerWarps sWarps;
// The server closed the connection (another client killed this one): its windows count as closed, and
// nothing is asked of it again.
bool sDisplayLost = false;
XErrorHandler sDefaultErrorHandler = nullptr;

// A window that another client destroyed answers the requests still on their way to it with these
// errors; they end nothing. Any other error goes to the default handler.
// While the window's pixels are read: a window not wholly on the screen has none to give (BadMatch), which
// is a failed read, not the end of the process.
bool sReadingPixels = false, sReadFailed = false;
// While a shared segment is attached: a server on another host cannot attach it, which means sending the
// pixels in the requests instead.
bool sAttachingShm = false, sShmRefused = false;

int OnXError(Display* d, XErrorEvent* e)
{
  if (e->error_code == BadWindow || e->error_code == BadDrawable) return 0;
  if (sReadingPixels && e->error_code == BadMatch) return sReadFailed = true, 0;
  if (sAttachingShm) return sShmRefused = true, 0;
  return sDefaultErrorHandler ? sDefaultErrorHandler(d, e) : 0;
}

// Shared memory carries the window's pixels where the server offers it, unless QORV_X11_NO_SHM is set
// (and not "0").
bool SharedMemoryWanted(Display* d)
{
  const char* off = std::getenv("QORV_X11_NO_SHM");
  if (off && *off && std::strcmp(off, "0") != 0) return false;
  return !sShmRefused && XShmQueryExtension(d);
}

int OnXConnectionError(Display*)
{
  return 0;
}

// Instead of ending the process: the windows close as when the user closes them.
void OnXConnectionLost(Display*, void*)
{
  sDisplayLost = true;
  sPointerWindow = 0;
}

Display* TheDisplay()
{
  if (sDisplay || sDisplayLost) return sDisplay;
  sDisplay = XOpenDisplay(nullptr);
  if (!sDisplay) return nullptr;
  sDefaultErrorHandler = XSetErrorHandler(OnXError);
  XSetIOErrorHandler(OnXConnectionError);
  XSetIOErrorExitHandler(sDisplay, OnXConnectionLost, nullptr);
  return sDisplay;
}

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

// One channel of a TrueColor pixel, where its mask puts it: 8-bit values in and out, the low bits of a
// narrower channel repeating its high ones on the way out.
struct MaskChannel
{
  explicit MaskChannel(unsigned long mask)
  {
    if (!mask) return;
    while (!(mask >> shift & 1))
      ++shift;
    while (bits < 32 && mask >> (shift + bits) & 1)
      ++bits;
  }
  unsigned long From8(uint8_t v) const
  {
    if (!bits) return 0;
    return (bits >= 8 ? (unsigned long)v << (bits - 8) : (unsigned long)v >> (8 - bits)) << shift;
  }
  uint8_t To8(unsigned long pixel) const
  {
    if (!bits) return 0;
    const unsigned long v = pixel >> shift & ((1ul << bits) - 1);
    if (bits >= 8) return uint8_t(v >> (bits - 8));
    unsigned long out = 0;
    for (int filled = 0; filled < 8; filled += bits)
      out = out << bits | v;
    return uint8_t(out >> ((8 + bits - 1) / bits * bits - 8));
  }
  int shift = 0, bits = 0;
};

class X11Window : public NativeWindow
{
public:
  X11Window(NSWindow& window, Display* d) : mWindow(window), mDisplay(d)
  {
    mScale = window.backingScaleFactor();
    const NSRect r = window.contentRect();
    mWidth = int(std::lround(r.size.width * mScale));
    mHeight = int(std::lround(r.size.height * mScale));
    const int screen = DefaultScreen(d);
    // Where the window's content rectangle says (screen points, origin bottom left).
    const double screenScale = NSScreen::mainScreen()->backingScaleFactor();
    const double top = NSScreen::mainScreen()->frame().size.height - r.origin.y - r.size.height;
    mX =
        XCreateSimpleWindow(d, RootWindow(d, screen), int(std::lround(r.origin.x * screenScale)),
                            int(std::lround(std::max(0.0, top) * screenScale)), unsigned(std::max(1, mWidth)),
                            unsigned(std::max(1, mHeight)), 0, BlackPixel(d, screen), BlackPixel(d, screen));
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
    sPointerWindow = mX;
    ++sOpenWindows;
    mDescriptor = AddRunLoopDescriptor(ConnectionNumber(d), [this] { Pump(); });
    mObserver = AddRunLoopBeforeWaitingObserver([this] { Flush(); });
  }

  ~X11Window() override
  {
    RemoveRunLoopDescriptor(mDescriptor);
    RemoveRunLoopBeforeWaitingObserver(mObserver);
    // On a lost connection this only frees the client's side.
    FreeImage();
    XFreeGC(mDisplay, mGC);
    if (!sDisplayLost)
    {
      if (!mDestroyed) XDestroyWindow(mDisplay, mX);
      XSync(mDisplay, False);
    }
    if (sPointerWindow == mX) sPointerWindow = 0;
    --sOpenWindows;
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
    FixSize();
    // Sizes the server reports for requests before this one are stale.
    mResizeSerial = NextRequest(mDisplay);
    XResizeWindow(mDisplay, mX, unsigned(w), unsigned(h));
    XFlush(mDisplay);
    mExposed = true;
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
      WaitForSharedImage();
      const QorvPixelTarget target{mNative ? reinterpret_cast<uint8_t*>(mImage->data) : mFrame.data(),
                                   mNative ? size_t(mImage->bytes_per_line) : size_t(mImage->width) * 4,
                                   mImage->width,
                                   mImage->height,
                                   x,
                                   y};
      if (!QorvMetalLayerCopyPresentedChanges(layer, whole, target, mChanged)) continue;
      ++mCounts.copies;
      place = ViewPlace{x, y, presents, true};
      if (!mNative) Convert(mChanged);
      mSend.insert(mSend.end(), mChanged.begin(), mChanged.end());
    }
    if (mExposed)
      mSend.assign(1, MTLRegionMake2D(0, 0, NSUInteger(mImage->width), NSUInteger(mImage->height)));
    mExposed = false;
    if (mSend.empty()) return;
    Send(mSend);
    mSend.clear();
    XFlush(mDisplay);
    // Writing a large image can make Xlib read the server's events into its own queue while it waits;
    // the connection then stays quiet, so the run loop's descriptor would not wake for them.
    if (XEventsQueued(mDisplay, QueuedAlready) > 0) Pump();
  }

  Counts PresentCounts() const override
  {
    Counts c = mCounts;
    c.requests = sDisplayLost ? 0 : NextRequest(mDisplay);
    c.sharedMemory = mShared;
    return c;
  }

  bool ReadPixels(std::vector<uint8_t>& rgba, int& width, int& height) override
  {
    if (Gone()) return false;
    Flush();
    XSync(mDisplay, False);
    sReadingPixels = true, sReadFailed = false;
    XImage* image = XGetImage(mDisplay, mX, 0, 0, unsigned(mWidth), unsigned(mHeight), AllPlanes, ZPixmap);
    sReadingPixels = false;
    if (!image || sReadFailed)
    {
      if (image) XDestroyImage(image);
      return false;
    }
    width = mWidth;
    height = mHeight;
    rgba.resize(size_t(width) * size_t(height) * 4);
    const MaskChannel red(image->red_mask), green(image->green_mask), blue(image->blue_mask);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
      {
        const unsigned long p = XGetPixel(image, x, y);
        uint8_t* out = &rgba[(size_t(y) * size_t(width) + size_t(x)) * 4];
        out[0] = red.To8(p);
        out[1] = green.To8(p);
        out[2] = blue.To8(p);
        out[3] = 255;
      }
    XDestroyImage(image);
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

  // The window's picture lives in mImage, in the server's pixel layout, at the window's size: in a segment
  // shared with the server where it offers one, else in the client's memory. False when none can be made.
  bool KeepImage()
  {
    if (mImage && mImage->width == mWidth && mImage->height == mHeight) return true;
    FreeImage();
    const int screen = DefaultScreen(mDisplay);
    Visual* visual = DefaultVisual(mDisplay, screen);
    const unsigned depth = unsigned(DefaultDepth(mDisplay, screen));
    const unsigned w = unsigned(std::max(1, mWidth)), h = unsigned(std::max(1, mHeight));
    if (SharedMemoryWanted(mDisplay)) mImage = SharedImage(visual, depth, w, h);
    if (!mImage)
    {
      mImage = XCreateImage(mDisplay, visual, depth, ZPixmap, 0, nullptr, w, h, 32, 0);
      if (!mImage) return false;
      // Black, as the window's background, until a view fills it; XDestroyImage frees it.
      mImage->data = static_cast<char*>(std::calloc(size_t(mImage->bytes_per_line), h));
      if (!mImage->data) return XDestroyImage(mImage), mImage = nullptr, false;
    }
    // 32-bit pixels, blue in the lowest byte, in this machine's byte order: the drawable's own bytes.
    const uint32_t one = 1;
    const bool littleEndian = *reinterpret_cast<const uint8_t*>(&one) == 1;
    mNative = visual->c_class == TrueColor && mImage->bits_per_pixel == 32 && mImage->red_mask == 0xFF0000 &&
              mImage->green_mask == 0xFF00 && mImage->blue_mask == 0xFF &&
              (mImage->byte_order == LSBFirst) == littleEndian;
    if (mNative)
      mFrame = {};
    else
      mFrame.assign(size_t(w) * h * 4, 0);
    for (auto& [view, place] : mPlaces)
      place.copied = false;
    mExposed = true;
    return true;
  }

  XImage* SharedImage(Visual* visual, unsigned depth, unsigned w, unsigned h)
  {
    XImage* image = XShmCreateImage(mDisplay, visual, depth, ZPixmap, nullptr, &mShm, w, h);
    if (!image) return nullptr;
    mShm.shmid = shmget(IPC_PRIVATE, size_t(image->bytes_per_line) * h, IPC_CREAT | 0600);
    mShm.shmaddr =
        mShm.shmid < 0 ? reinterpret_cast<char*>(-1) : static_cast<char*>(shmat(mShm.shmid, nullptr, 0));
    bool attached = false;
    if (mShm.shmaddr != reinterpret_cast<char*>(-1))
    {
      mShm.readOnly = False;
      image->data = mShm.shmaddr;
      sAttachingShm = true;
      attached = XShmAttach(mDisplay, &mShm) && (XSync(mDisplay, False), !sShmRefused);
      sAttachingShm = false;
    }
    // Freed once both sides let go of it.
    if (mShm.shmid >= 0) shmctl(mShm.shmid, IPC_RMID, nullptr);
    if (!attached)
    {
      if (mShm.shmaddr != reinterpret_cast<char*>(-1)) shmdt(mShm.shmaddr);
      image->data = nullptr;
      XDestroyImage(image);
      sShmRefused = true;
      return nullptr;
    }
    mShared = true;
    mShmCompletion = XShmGetEventBase(mDisplay) + ShmCompletion;
    return image;
  }

  void FreeImage()
  {
    if (!mImage) return;
    if (mShared)
    {
      if (!sDisplayLost)
      {
        XShmDetach(mDisplay, &mShm);
        XSync(mDisplay, False);
      }
      shmdt(mShm.shmaddr);
      mImage->data = nullptr;
      mShared = mSharedPending = false;
    }
    XDestroyImage(mImage);
    mImage = nullptr;
  }

  // The server reads a shared image after the request that sends it: before it is written again, it must
  // have said that it is done (the completion event usually came long before).
  void WaitForSharedImage()
  {
    if (!mSharedPending || sDisplayLost) return;
    XSync(mDisplay, False);
    mSharedPending = false;
  }

  // Other visuals than 32-bit blue-first TrueColor: each changed pixel from the copied frame through the
  // visual's masks.
  void Convert(const std::vector<MTLRegion>& rects)
  {
    const MaskChannel red(mImage->red_mask), green(mImage->green_mask), blue(mImage->blue_mask);
    for (const MTLRegion& r : rects)
      for (NSUInteger y = r.origin.y; y < r.origin.y + r.size.height; ++y)
        for (NSUInteger x = r.origin.x; x < r.origin.x + r.size.width; ++x)
        {
          const uint8_t* p = &mFrame[(size_t(y) * size_t(mImage->width) + size_t(x)) * 4];
          XPutPixel(mImage, int(x), int(y), red.From8(p[2]) | green.From8(p[1]) | blue.From8(p[0]));
        }
  }

  // The rectangles (window pixels) of the kept image to the window.
  void Send(const std::vector<MTLRegion>& rects)
  {
    for (size_t i = 0; i < rects.size(); ++i)
    {
      const MTLRegion& r = rects[i];
      const int x = int(r.origin.x), y = int(r.origin.y);
      const unsigned w = unsigned(r.size.width), h = unsigned(r.size.height);
      if (mShared)
      {
        // The last one says when the server is done with the segment.
        const bool last = i + 1 == rects.size();
        if (last) mSharedSerial = NextRequest(mDisplay);
        XShmPutImage(mDisplay, mX, mGC, mImage, x, y, x, y, w, h, last ? True : False);
      }
      else
        XPutImage(mDisplay, mX, mGC, mImage, x, y, x, y, w, h);
      ++mCounts.puts;
    }
    if (mShared) mSharedPending = true;
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

  // An event at window pixel (x, y) and root pixel (rootX, rootY), made after the request serial; false
  // for a warp's own motion.
  static bool Place(unsigned long serial, int rootX, int rootY, int& x, int& y, bool motion)
  {
    PointerWarps::Point at{rootX, rootY};
    if (!sWarps.Place(serial, at, motion)) return false;
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

  bool Gone() const { return mDestroyed || sDisplayLost; }

  void Pump()
  {
    while (!sDisplayLost && XPending(mDisplay))
    {
      XEvent ev;
      XNextEvent(mDisplay, &ev);
      if (ev.xany.window != mX) continue;
      if (mShared && ev.type == mShmCompletion)
      {
        if (ev.xany.serial >= mSharedSerial) mSharedPending = false;
        continue;
      }
      Translate(ev);
    }
    // A closed connection stays readable: the loop would wake for it on every turn.
    if (sDisplayLost) RemoveRunLoopDescriptor(mDescriptor);
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
      FollowPosition();
      if (ev.xconfigure.serial >= mResizeSerial &&
          (ev.xconfigure.width != mWidth || ev.xconfigure.height != mHeight))
      {
        mWidth = ev.xconfigure.width;
        mHeight = ev.xconfigure.height;
        InputEvent e;
        e.kind = InputKind::Resize;
        e.width = mWidth / mScale;
        e.height = mHeight / mScale;
        Post(e);
        mExposed = true;
      }
      return;
    case Expose:
      mExposed = true;
      return;
    case DestroyNotify:
      mDestroyed = true;
      if (sPointerWindow == mX) sPointerWindow = 0;
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
    XSendEvent(mDisplay, mDragSource, False, NoEventMask, &reply);
    XFlush(mDisplay);
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
  int mDescriptor = 0, mObserver = 0;
  bool mCloseRequested = false;
  bool mDestroyed = false; // by another client
  bool mExposed = true;
  // Where each view's picture was last copied into the image, and the layer's presents then.
  struct ViewPlace
  {
    int x = 0, y = 0;
    uint64_t presents = 0;
    bool copied = false;
  };
  std::map<NSView*, ViewPlace> mPlaces;
  XImage* mImage = nullptr;
  // The image's pixels are the drawable's bytes; otherwise the views are copied into mFrame first and
  // converted from there.
  bool mNative = false;
  std::vector<uint8_t> mFrame;
  XShmSegmentInfo mShm{};
  bool mShared = false, mSharedPending = false;
  unsigned long mSharedSerial = 0;
  int mShmCompletion = -1;
  // Kept between frames.
  std::vector<NSView*> mViews;
  std::vector<MTLRegion> mChanged, mSend;
  Counts mCounts;
};
} // namespace

std::unique_ptr<NativeWindow> NativeWindow::Open(NSWindow& window)
{
  Display* d = TheDisplay();
  if (!d) return nullptr;
  return std::make_unique<X11Window>(window, d);
}

void NativeSetCursor(const std::string& name)
{
  if (!sDisplay || !sPointerWindow) return;
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
  XDefineCursor(sDisplay, sPointerWindow, c);
  XFlush(sDisplay);
}

void NativeShowCursor(bool shown)
{
  if (!sDisplay || !sPointerWindow) return;
  shown ? XFixesShowCursor(sDisplay, sPointerWindow) : XFixesHideCursor(sDisplay, sPointerWindow);
  XFlush(sDisplay);
}

void NativeWarpPointer(CGPoint p)
{
  if (!sDisplay || !sOpenWindows || sDisplayLost) return;
  const double scale = NSScreen::mainScreen()->backingScaleFactor();
  const int x = int(std::lround(p.x * scale)), y = int(std::lround(p.y * scale));
  if (!sWarps.Warp({x, y}, NextRequest(sDisplay))) return;
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
    TheDisplay();
  }
  if (!sDisplay) return false;
  width = DisplayWidth(sDisplay, DefaultScreen(sDisplay));
  height = DisplayHeight(sDisplay, DefaultScreen(sDisplay));
  return true;
}
} // namespace qorvplatform::detail
