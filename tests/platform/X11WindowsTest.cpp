// Two windows open on the process's one connection to a virtual X server, each showing a frame of one
// colour, driven from a connection of the test's own as a user and a window manager drive them: pointer and
// key events (XTest), a change of the keyboard's mapping, a window laid over part of one and taken away, a
// close message, a move and a destroy. Each event goes to the window it is for, whichever window's work
// reads the connection; the window that lost part of its picture sends that part again, and only that; a
// frame reads back as drawn on whatever visual the screen has. The window's shared-memory image is kept
// through an error of another request and let go of with the window. The errors of a program's own
// connection reach the handler it set, and so do the platform's own but those of its windows that are gone;
// once the platform's connection is lost the handlers before the platform's are back where the platform's
// was still set. Runs under tests/platform/X11WindowsTest.sh, which starts the server and sets
// QORV_TEST_X_WINDOW (QORV_TEST_SHM_REFUSED on a server that cannot attach the process's segments); skipped
// elsewhere.
#include "platform/src/AppKit/X11Connection.h"
#include "tests/support/AllocationCount.h"
#include "tests/support/XWindowTest.h"

#include <AppKit/NSEvent.h>
#include <AppKit/NSScreen.h>
#include <AppKit/NSView.h>
#include <CoreFoundation/CFRunLoop.h>
#include <Metal/MTLDevice.h>
#include <QorvPlatform/Events.h>
#include <QorvPlatform/RunLoopClock.h>
#include <QuartzCore/CAMetalLayer.h>

#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace x11windowstest
{
constexpr int kWidth = 200, kHeight = 150;

// The errors that reach the handler set before the platform's (which passes on what it does not expect,
// and every error of another connection).
std::vector<XErrorEvent> gErrors;
int RecordError(Display*, XErrorEvent* e)
{
  gErrors.push_back(*e);
  return 0;
}
int RecordConnectionError(Display*)
{
  return 0;
}

XErrorHandler CurrentErrorHandler()
{
  const XErrorHandler current = XSetErrorHandler(RecordError);
  XSetErrorHandler(current);
  return current;
}
XIOErrorHandler CurrentConnectionErrorHandler()
{
  const XIOErrorHandler current = XSetIOErrorHandler(RecordConnectionError);
  XSetIOErrorHandler(current);
  return current;
}

// A view that keeps what reaches it.
class RecordingView : public NSView
{
public:
  using NSView::NSView;
  void mouseDown(NSEvent*) override { got += "down "; }
  void mouseUp(NSEvent*) override { got += "up "; }
  void keyDown(NSEvent* e) override
  {
    got += "key:" + std::string(e->charactersIgnoringModifiers().UTF8String()) + " ";
  }
  std::string got;
};

struct Pane
{
  std::unique_ptr<NSWindow> window;
  std::unique_ptr<RecordingView> view;
  Window id = 0; // as the server knows it
  uint8_t blue = 0, green = 0, red = 0;
};

class X11Windows : public testing::Test
{
protected:
  void SetUp() override
  {
    if (!qorvtest::XWindowTestWanted())
      GTEST_SKIP() << "runs under tests/platform/X11WindowsTest.sh, on its own X server";
    // A program's own handlers, set before the platform opens its connection, which passes on to them the
    // errors it does not expect and those of other connections.
    if (!qorvplatform::detail::x11::DisplayIfOpen())
    {
      XSetErrorHandler(RecordError);
      XSetIOErrorHandler(RecordConnectionError);
    }
    gErrors.clear();
    mInput = qorvtest::OpenXTestConnection();
    ASSERT_NE(mInput, nullptr);
    qorvtest::StartWindowTest();
    Open(mFirst, "first", 100, 100, {0x20, 0x40, 0xC0});
    Open(mSecond, "second", 400, 100, {0xE0, 0x60, 0x10});
    ASSERT_TRUE(RunUntil([&] { return Counts(mFirst).puts > 0 && Counts(mSecond).puts > 0; }));
  }

  void TearDown() override
  {
    for (Pane* p : {&mFirst, &mSecond, &mThird})
      Close(*p);
    if (mInput) XCloseDisplay(mInput);
    qorvtest::EndWindowTest();
  }

  // A window of the test's own connection, destroyed: requests for it end in BadWindow.
  Window DestroyedWindow()
  {
    const Window w = XCreateSimpleWindow(mInput, DefaultRootWindow(mInput), 0, 0, 1, 1, 0, 0, 0);
    XDestroyWindow(mInput, w);
    XSync(mInput, False);
    return w;
  }
  // Maps the window on the connection and waits for the answer: the errors that reach RecordError.
  static std::vector<XErrorEvent> MapErrors(Display* d, Window w)
  {
    gErrors.clear();
    XMapWindow(d, w);
    XSync(d, False);
    return gErrors;
  }

  // A window at (left, top) screen pixels that shows one colour (blue, green, red).
  void Open(Pane& p, const std::string& title, int left, int top, std::array<uint8_t, 3> bgr)
  {
    const double screenHeight = NSScreen::mainScreen()->frame().size.height;
    p.window = std::make_unique<NSWindow>(NSMakeRect(left, screenHeight - top - kHeight, kWidth, kHeight));
    p.window->setTitle(title);
    p.view = std::make_unique<RecordingView>();
    auto layer = CAMetalLayer::layer();
    layer->device = MTLCreateSystemDefaultDevice();
    p.view->setLayer(layer);
    p.window->setContentView(p.view.get());
    p.window->makeKeyAndOrderFront(nullptr);
    ASSERT_NE(p.window->nativeWindow(), nullptr);
    p.id = Find(title);
    ASSERT_NE(p.id, 0u) << title;
    std::tie(p.blue, p.green, p.red) = std::tuple(bgr[0], bgr[1], bgr[2]);
    Present(p);
  }
  void Present(Pane& p)
  {
    std::vector<uint8_t> bytes(size_t(kWidth) * kHeight * 4);
    for (size_t i = 0; i < bytes.size(); i += 4)
      bytes[i] = p.blue, bytes[i + 1] = p.green, bytes[i + 2] = p.red, bytes[i + 3] = 255;
    Present(p, bytes);
  }
  // A frame of kWidth x kHeight pixels, blue, green, red and alpha.
  static void Present(Pane& p, const std::vector<uint8_t>& bgra)
  {
    CAMetalLayer& layer = *p.view->layer();
    layer.drawableSize = CGSizeMake(kWidth, kHeight);
    auto drawable = layer.nextDrawable();
    ASSERT_TRUE(drawable);
    drawable->texture()->replaceRegion(MTLRegionMake2D(0, 0, kWidth, kHeight), 0, bgra.data(), kWidth * 4);
    drawable->present();
  }
  static void Close(Pane& p)
  {
    if (p.window) p.window->close();
    p.window.reset();
    p.view.reset();
  }

  // The server's id of the window of this title, from the test's own connection.
  Window Find(const std::string& title)
  {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (!XQueryTree(mInput, DefaultRootWindow(mInput), &root, &parent, &children, &count)) return 0;
    for (unsigned i = 0; i < count && !found; ++i)
    {
      char* name = nullptr;
      if (XFetchName(mInput, children[i], &name) && name) found = title == name ? children[i] : 0;
      if (name) XFree(name);
    }
    if (children) XFree(children);
    return found;
  }

  qorvplatform::WindowPresentCounts Counts(Pane& p)
  {
    qorvplatform::WindowPresentCounts c;
    EXPECT_TRUE(qorvplatform::GetWindowPresentCounts(*p.window, c));
    return c;
  }

  static bool RunUntil(const std::function<bool()>& done) { return qorvtest::RunLoopUntil(done); }
  static void RunFor(double seconds) { CFRunLoopRunInMode(kCFRunLoopDefaultMode, seconds, false); }

  // Whether the server shows the pane's colour in the rectangle (window pixels), read through the test's
  // own connection.
  bool Shows(const Pane& p, int x, int y, int w, int h)
  {
    return Shows(p.id, x, y, w, h, {p.red, p.green, p.blue});
  }
  // Whether the server shows the colour (red, green, blue) there in the window.
  bool Shows(Window id, int x, int y, int w, int h, std::array<uint8_t, 3> rgb)
  {
    XImage* image = XGetImage(mInput, id, x, y, unsigned(w), unsigned(h), AllPlanes, ZPixmap);
    if (!image) return false;
    // The window's own visual: TrueColor, whatever the screen's default is.
    bool all = image->red_mask && image->green_mask && image->blue_mask;
    for (int j = 0; j < h && all; ++j)
      for (int i = 0; i < w && all; ++i)
      {
        const unsigned long px = XGetPixel(image, i, j);
        all = Near(px, image->red_mask, rgb[0]) && Near(px, image->green_mask, rgb[1]) &&
              Near(px, image->blue_mask, rgb[2]);
      }
    XDestroyImage(image);
    return all;
  }
  // The channel is the wanted value rounded to a level of its width: within half a level (and one for the
  // reading's own rounding down), none off on an 8-bit channel.
  static bool Near(unsigned long pixel, unsigned long mask, uint8_t want)
  {
    int shift = 0, bits = 0;
    while (!(mask >> shift & 1))
      ++shift;
    while (mask >> (shift + bits) & 1)
      ++bits;
    const unsigned long top = (1ul << bits) - 1;
    const int got = int(((pixel & mask) >> shift) * 255 / top);
    const int levels = top == 255 ? 0 : int(255 / (2 * top)) + 1;
    return std::abs(got - int(want)) <= levels;
  }

  static bool SharedMemoryExpected()
  {
    for (const char* name : {"QORV_X11_NO_SHM", "QORV_TEST_SHM_REFUSED"})
      if (const char* v = std::getenv(name); v && *v && std::string(v) != "0") return false;
    return true;
  }
  // The System V segments this process made that are still there (attached by someone).
  static int SegmentsOfThisProcess()
  {
    std::ifstream table("/proc/sysvipc/shm");
    std::string line;
    std::getline(table, line); // the heading
    int n = 0;
    while (std::getline(table, line))
    {
      std::istringstream fields(line);
      long key = 0, shmid = 0, perms = 0, size = 0, cpid = 0;
      fields >> key >> shmid >> perms >> size >> cpid;
      n += cpid == getpid() ? 1 : 0;
    }
    return n;
  }

  // XTest events at a pane's window pixel (x, y).
  void Click(const Pane& p, int x, int y)
  {
    int rootX = 0, rootY = 0;
    Window child = 0;
    XTranslateCoordinates(mInput, p.id, DefaultRootWindow(mInput), x, y, &rootX, &rootY, &child);
    XTestFakeMotionEvent(mInput, -1, rootX, rootY, CurrentTime);
    XTestFakeButtonEvent(mInput, 1, True, CurrentTime);
    XTestFakeButtonEvent(mInput, 1, False, CurrentTime);
    XSync(mInput, False);
  }
  void Type(KeySym sym)
  {
    const KeyCode code = XKeysymToKeycode(mInput, sym);
    XTestFakeKeyEvent(mInput, code, True, CurrentTime);
    XTestFakeKeyEvent(mInput, code, False, CurrentTime);
    XSync(mInput, False);
  }

  Display* mInput = nullptr;
  Pane mFirst, mSecond, mThird;
};

// The first window was opened first: its work reads the connection first, and the second window's events
// must still reach the second.
TEST_F(X11Windows, PointerAndKeyEventsGoToTheWindowUnderThePointer)
{
  Click(mSecond, 50, 60);
  Type(XK_a);
  EXPECT_TRUE(RunUntil([&] { return mSecond.view->got == "down up key:a "; })) << mSecond.view->got;
  EXPECT_EQ(mFirst.view->got, "");
  Click(mFirst, 20, 30);
  EXPECT_TRUE(RunUntil([&] { return mFirst.view->got == "down up "; })) << mFirst.view->got;
  EXPECT_EQ(mSecond.view->got, "down up key:a ");
}

// Another client maps the key that typed "a" to "q" (as a change of keyboard layout does): the windows take
// the new mapping, and the same key types "q". The old mapping comes back after.
TEST_F(X11Windows, AChangedKeyboardMappingIsTaken)
{
  const KeyCode code = XKeysymToKeycode(mInput, XK_a);
  ASSERT_NE(code, 0);
  int perCode = 0;
  KeySym* old = XGetKeyboardMapping(mInput, code, 1, &perCode);
  ASSERT_NE(old, nullptr);
  const std::vector<KeySym> before(old, old + perCode);
  XFree(old);
  Click(mSecond, 50, 60); // the keys go to the window under the pointer
  Type(XK_a);             // Xlib's mapping of the platform's connection is read by now
  ASSERT_TRUE(RunUntil([&] { return mSecond.view->got == "down up key:a "; })) << mSecond.view->got;
  mSecond.view->got.clear();

  std::vector<KeySym> q(before.size(), NoSymbol);
  q[0] = XK_q;
  if (q.size() > 1) q[1] = XK_Q;
  XChangeKeyboardMapping(mInput, code, perCode, q.data(), 1);
  XSync(mInput, False);
  XTestFakeKeyEvent(mInput, code, True, CurrentTime);
  XTestFakeKeyEvent(mInput, code, False, CurrentTime);
  XSync(mInput, False);
  const bool taken = RunUntil([&] { return !mSecond.view->got.empty(); });
  XChangeKeyboardMapping(mInput, code, perCode, const_cast<KeySym*>(before.data()), 1);
  XSync(mInput, False);
  ASSERT_TRUE(taken);
  EXPECT_EQ(mSecond.view->got, "key:q ");
}

// A window laid over part of the second and taken away: the server clears that part and tells the second
// window, which sends that part again, and nothing more.
TEST_F(X11Windows, AnUncoveredWindowSendsWhatWasCoveredAndNoMore)
{
  ASSERT_TRUE(RunUntil([&] { return Shows(mSecond, 0, 0, kWidth, kHeight); }));
  RunFor(0.1);
  const qorvplatform::WindowPresentCounts first = Counts(mFirst), second = Counts(mSecond);
  int rootX = 0, rootY = 0;
  Window child = 0;
  XTranslateCoordinates(mInput, mSecond.id, DefaultRootWindow(mInput), 30, 40, &rootX, &rootY, &child);
  // White in the second window's visual, which need not be the screen's default: what the cover leaves
  // reads back as white through the second.
  XWindowAttributes shown{};
  ASSERT_TRUE(XGetWindowAttributes(mInput, mSecond.id, &shown));
  XSetWindowAttributes over{};
  over.override_redirect = True;
  over.background_pixel = shown.visual->red_mask | shown.visual->green_mask | shown.visual->blue_mask;
  over.border_pixel = 0;
  over.colormap = shown.colormap;
  const Window cover =
      XCreateWindow(mInput, DefaultRootWindow(mInput), rootX, rootY, 20, 10, 0, shown.depth, InputOutput,
                    shown.visual, CWOverrideRedirect | CWBackPixel | CWBorderPixel | CWColormap, &over);
  XMapRaised(mInput, cover);
  XSync(mInput, False);
  XDestroyWindow(mInput, cover);
  XSync(mInput, False);
  // The window has no background: the server leaves the part as the cover left it until the window sends
  // it (the test's turn holds the window's work back).
  EXPECT_TRUE(Shows(mSecond.id, 30, 40, 20, 10, {0xFF, 0xFF, 0xFF}));
  EXPECT_TRUE(RunUntil([&] { return Counts(mSecond).pixels > second.pixels; }));
  EXPECT_TRUE(RunUntil([&] { return Shows(mSecond, 30, 40, 20, 10); }));
  RunFor(0.1);
  EXPECT_EQ(Counts(mSecond).pixels - second.pixels, 20u * 10u);
  EXPECT_EQ(Counts(mFirst).pixels, first.pixels);
  EXPECT_TRUE(Shows(mSecond, 0, 0, kWidth, kHeight));
}

// A resize keeps the picture where it was (north-west bit gravity, no background) until the window sends
// its image of the new size, which has the last frame where it was: nothing of it is wiped in between.
TEST_F(X11Windows, AResizeKeepsThePicture)
{
  ASSERT_TRUE(RunUntil([&] { return Shows(mSecond, 0, 0, kWidth, kHeight); }));
  XWindowAttributes attributes{};
  ASSERT_TRUE(XGetWindowAttributes(mInput, mSecond.id, &attributes));
  EXPECT_EQ(attributes.bit_gravity, NorthWestGravity);
  mSecond.window->setContentSize(NSMakeSize(kWidth + 40, kHeight + 30));
  XSync(qorvplatform::detail::x11::DisplayIfOpen(), False); // the server has taken the resize
  ASSERT_TRUE(XGetWindowAttributes(mInput, mSecond.id, &attributes));
  ASSERT_EQ(attributes.width, kWidth + 40);
  EXPECT_TRUE(Shows(mSecond, 0, 0, kWidth, kHeight)) << "wiped by the resize";
  const uint64_t sent = Counts(mSecond).pixels;
  ASSERT_TRUE(RunUntil([&] { return Counts(mSecond).pixels > sent; }));
  EXPECT_TRUE(Shows(mSecond, 0, 0, kWidth, kHeight)) << "wiped by the image of the new size";
}

// A frame in which every pixel differs (red across, green down, blue along the diagonal, each from 0 to
// 255 from edge to edge) reads back from the server as it was drawn, each channel within half a level of
// the window's visual, edge pixels included. The window's visual is TrueColor whatever the screen's default
// is; another than the default has a colormap of its own.
TEST_F(X11Windows, TheWindowShowsTheFrameOnTheScreensVisual)
{
  Display* d = qorvplatform::detail::x11::DisplayIfOpen();
  XWindowAttributes a{};
  ASSERT_TRUE(XGetWindowAttributes(mInput, mFirst.id, &a));
  EXPECT_EQ(a.visual->c_class, TrueColor);
  const bool isDefault =
      XVisualIDFromVisual(a.visual) == XVisualIDFromVisual(DefaultVisual(mInput, DefaultScreen(mInput)));
  EXPECT_EQ(isDefault, DefaultVisual(mInput, DefaultScreen(mInput))->c_class == TrueColor);
  EXPECT_EQ(a.colormap == DefaultColormap(mInput, DefaultScreen(mInput)), isDefault);

  std::vector<uint8_t> bgra(size_t(kWidth) * kHeight * 4);
  const auto at = [](int x, int y)
  {
    return std::array<uint8_t, 3>{uint8_t(x * 255 / (kWidth - 1)), uint8_t(y * 255 / (kHeight - 1)),
                                  uint8_t((x + y) * 255 / (kWidth + kHeight - 2))};
  };
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
    {
      const auto rgb = at(x, y);
      uint8_t* px = &bgra[(size_t(y) * kWidth + size_t(x)) * 4];
      px[0] = rgb[2], px[1] = rgb[1], px[2] = rgb[0], px[3] = 255;
    }
  const uint64_t sent = Counts(mFirst).pixels;
  Present(mFirst, bgra);
  ASSERT_TRUE(RunUntil([&] { return Counts(mFirst).pixels > sent; }));
  XSync(d, False);
  XImage* image = XGetImage(mInput, mFirst.id, 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
  ASSERT_NE(image, nullptr);
  ASSERT_TRUE(image->red_mask && image->green_mask && image->blue_mask);
  int wrong = 0;
  std::string first;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
    {
      const unsigned long px = XGetPixel(image, x, y);
      const auto rgb = at(x, y);
      if (Near(px, image->red_mask, rgb[0]) && Near(px, image->green_mask, rgb[1]) &&
          Near(px, image->blue_mask, rgb[2]))
        continue;
      if (!wrong++) first = std::to_string(x) + "," + std::to_string(y) + ": " + std::to_string(px);
    }
  XDestroyImage(image);
  EXPECT_EQ(wrong, 0) << "the first at " << first;
}

// Two windows left alone: the loop's turns, which flush both and read the connection, allocate nothing.
TEST_F(X11Windows, TurnsWithWindowsOpenAllocateNothing)
{
  RunFor(0.1);
  const long before = qorvtest::gAllocationsCounted.load();
  qorvtest::tCountAllocations = true;
  for (int i = 0; i < 100; ++i)
    CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0.001, false);
  qorvtest::tCountAllocations = false;
  EXPECT_EQ(qorvtest::gAllocationsCounted.load() - before, 0);
}

// A third window over part of the second, closed: the server tells the second of the part it shows again
// while the third's closing waits for the server, and the second sends that part.
TEST_F(X11Windows, ClosingAWindowOverAnotherShowsTheOtherAgain)
{
  const double screenHeight = NSScreen::mainScreen()->frame().size.height;
  mThird.window = std::make_unique<NSWindow>(NSMakeRect(450, screenHeight - 130 - 40, 60, 40));
  mThird.window->setTitle("third");
  mThird.view = std::make_unique<RecordingView>();
  mThird.window->setContentView(mThird.view.get());
  mThird.window->makeKeyAndOrderFront(nullptr);
  mThird.id = Find("third");
  int x = 0, y = 0;
  Window child = 0;
  XTranslateCoordinates(mInput, mThird.id, mSecond.id, 0, 0, &x, &y, &child);
  ASSERT_TRUE(x > 0 && y > 0 && x + 60 < kWidth && y + 40 < kHeight) << x << " " << y;
  ASSERT_TRUE(RunUntil([&] { return Counts(mThird).puts > 0; }));
  const uint64_t sent = Counts(mSecond).pixels;
  Close(mThird);
  EXPECT_TRUE(RunUntil([&] { return Shows(mSecond, x, y, 60, 40); }));
  EXPECT_EQ(Counts(mSecond).pixels - sent, 60u * 40u);
}

// A window manager's close message and a move by another client reach the second window only.
TEST_F(X11Windows, CloseMessagesAndMovesGoToTheirWindow)
{
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = mSecond.id;
  e.xclient.message_type = XInternAtom(mInput, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = long(XInternAtom(mInput, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  ASSERT_NE(XSendEvent(mInput, mSecond.id, False, NoEventMask, &e), 0);
  XSync(mInput, False);
  EXPECT_TRUE(RunUntil([&] { return qorvplatform::WindowCloseRequested(*mSecond.window); }));
  EXPECT_FALSE(qorvplatform::WindowCloseRequested(*mFirst.window));

  const NSPoint before = mFirst.window->contentRect().origin;
  XMoveWindow(mInput, mSecond.id, 420, 300);
  XSync(mInput, False);
  const double screenHeight = NSScreen::mainScreen()->frame().size.height;
  EXPECT_TRUE(RunUntil([&] { return mSecond.window->contentRect().origin.x == 420; }));
  EXPECT_EQ(mSecond.window->contentRect().origin.y, screenHeight - 300 - kHeight);
  EXPECT_EQ(mFirst.window->contentRect().origin.x, before.x);
  EXPECT_EQ(mFirst.window->contentRect().origin.y, before.y);
}

// The server says when it is done with a shared image; told to the second window, the second window's next
// frame goes out without a round trip to wait for it.
TEST_F(X11Windows, TheServerSaysToTheSecondWindowWhenItsImageIsRead)
{
  EXPECT_EQ(Counts(mSecond).sharedMemory, SharedMemoryExpected());
  if (!SharedMemoryExpected()) GTEST_SKIP() << "no shared memory here";
  for (int frame = 0; frame < 3; ++frame)
  {
    RunFor(0.2); // the completion of the last frame has long come
    const qorvplatform::WindowPresentCounts before = Counts(mSecond);
    mSecond.red = uint8_t(0x30 * frame);
    Present(mSecond);
    ASSERT_TRUE(RunUntil([&] { return Counts(mSecond).puts > before.puts; }));
    const qorvplatform::WindowPresentCounts after = Counts(mSecond);
    EXPECT_EQ(after.requests - before.requests, after.puts - before.puts) << "frame " << frame;
  }
}

// An error of another request that comes in while the server attaches a window's segment refuses nothing:
// the window keeps shared memory. Each segment goes with its window.
TEST_F(X11Windows, AnotherRequestsErrorDuringTheAttachRefusesNothing)
{
  const int segments = SegmentsOfThisProcess();
  EXPECT_EQ(segments, SharedMemoryExpected() ? 2 : 0);
  Display* d = qorvplatform::detail::x11::DisplayIfOpen();
  ASSERT_NE(d, nullptr);
  // The third window's image is made at its first flush; the error comes in while it waits for the attach.
  mThird.window = std::make_unique<NSWindow>(NSMakeRect(100, 100, kWidth, kHeight));
  mThird.window->setTitle("third");
  mThird.view = std::make_unique<RecordingView>();
  mThird.window->setContentView(mThird.view.get());
  mThird.window->makeKeyAndOrderFront(nullptr);
  ASSERT_NE(mThird.window->nativeWindow(), nullptr);
  const unsigned long serial = NextRequest(d);
  XFreePixmap(d, XAllocID(d)); // no such pixmap
  ASSERT_TRUE(RunUntil([&] { return Counts(mThird).puts > 0; }));
  EXPECT_EQ(Counts(mThird).sharedMemory, SharedMemoryExpected());
  EXPECT_EQ(SegmentsOfThisProcess(), SharedMemoryExpected() ? segments + 1 : 0);
  for (Pane* p : {&mFirst, &mSecond, &mThird})
    Close(*p);
  EXPECT_EQ(SegmentsOfThisProcess(), 0) << "segments the server still holds";
  // The error went where it would have gone without a window.
  ASSERT_EQ(gErrors.size(), 1u);
  EXPECT_EQ(gErrors[0].display, d);
  EXPECT_EQ(gErrors[0].error_code, BadPixmap);
  EXPECT_EQ(gErrors[0].request_code, X_FreePixmap);
  EXPECT_EQ(gErrors[0].serial, serial);
}

// A program's own connection beside the platform's windows: its errors reach the handler it set, the
// BadWindow of a window that is gone included.
TEST_F(X11Windows, AnotherConnectionsErrorsReachItsOwnHandler)
{
  const Window gone = DestroyedWindow();
  const unsigned long serial = NextRequest(mInput);
  const std::vector<XErrorEvent> own = MapErrors(mInput, gone);
  ASSERT_EQ(own.size(), 1u);
  EXPECT_EQ(own[0].display, mInput);
  EXPECT_EQ(own[0].error_code, BadWindow);
  EXPECT_EQ(own[0].request_code, X_MapWindow);
  EXPECT_EQ(own[0].serial, serial);
}

// On the platform's own connection, the BadWindow of a window it never had (a fault of its own) is not
// hidden: it reaches the handler set before, as do those of a window it destroyed once sixteen more have
// gone since. Those of a window it destroyed lately end nothing.
TEST_F(X11Windows, OnlyTheErrorsOfWindowsThePlatformDestroyedEndNothing)
{
  Display* d = qorvplatform::detail::x11::DisplayIfOpen();
  const Window never = DestroyedWindow();
  const unsigned long serial = NextRequest(d);
  const std::vector<XErrorEvent> errors = MapErrors(d, never);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].display, d);
  EXPECT_EQ(errors[0].error_code, BadWindow);
  EXPECT_EQ(errors[0].resourceid, never);
  EXPECT_EQ(errors[0].serial, serial);

  const Window first = mFirst.id;
  Close(mFirst);
  EXPECT_TRUE(MapErrors(d, first).empty());
  RunFor(0.1); // nothing held comes later
  EXPECT_TRUE(gErrors.empty());
  for (int i = 0; i < 16; ++i)
  {
    Pane p;
    Open(p, "passing", 10, 10, {0, 0, 0});
    Close(p);
  }
  EXPECT_EQ(MapErrors(d, first).size(), 1u) << "the platform's windows gone long ago are still kept";
}

// Another client destroys the second window while the platform still sends it requests, before the
// platform has read that it is gone: their errors end nothing, and the window counts as closed.
TEST_F(X11Windows, ErrorsOfAWindowAnotherClientDestroyedEndNothing)
{
  Display* d = qorvplatform::detail::x11::DisplayIfOpen();
  XDestroyWindow(mInput, mSecond.id);
  XSync(mInput, False);
  // The platform's requests after the destroy, its event not yet handed on (the test's turn holds the
  // window's work back).
  EXPECT_TRUE(MapErrors(d, mSecond.id).empty());
  Present(mSecond);
  EXPECT_TRUE(RunUntil([&] { return qorvplatform::WindowCloseRequested(*mSecond.window); }));
  EXPECT_FALSE(qorvplatform::WindowCloseRequested(*mFirst.window));
  Close(mSecond);
  ASSERT_TRUE(gErrors.empty()) << int(gErrors[0].error_code) << " of request "
                               << int(gErrors[0].request_code);
  // Other errors of the connection still reach the handler: a pixmap it never had.
  XFreePixmap(d, XAllocID(d));
  XSync(d, False);
  EXPECT_EQ(gErrors.size(), 1u);
}

// The platform's connection ended by the server (another client killed it): each of its windows closes.
// Each case runs in a process of its own (QORV_TEST_LOSE_X_CONNECTION set), as the connection is the
// process's and does not come back.
class X11ConnectionLost : public X11Windows
{
protected:
  void SetUp() override
  {
    const char* lose = std::getenv("QORV_TEST_LOSE_X_CONNECTION");
    if (!lose || !*lose) GTEST_SKIP() << "runs alone under tests/platform/X11WindowsTest.sh";
    X11Windows::SetUp();
  }
  void Lose()
  {
    XKillClient(mInput, mFirst.id);
    XSync(mInput, False);
    ASSERT_TRUE(RunUntil([&] { return qorvplatform::WindowCloseRequested(*mFirst.window); }));
  }
};

// With the connection the platform's handlers go, and those that were there before are back.
TEST_F(X11ConnectionLost, TheHandlersBeforeComeBack)
{
  EXPECT_NE(CurrentErrorHandler(), RecordError);
  EXPECT_NE(CurrentConnectionErrorHandler(), RecordConnectionError);
  Lose();
  EXPECT_EQ(CurrentErrorHandler(), RecordError);
  EXPECT_EQ(CurrentConnectionErrorHandler(), RecordConnectionError);
}

// A handler set after the platform's stays set, and the errors it hands on to the platform's still reach
// the one before.
XErrorHandler gPlatformHandler = nullptr;
int gHandedOn = 0;
int HandOn(Display* d, XErrorEvent* e)
{
  ++gHandedOn;
  return gPlatformHandler(d, e);
}
TEST_F(X11ConnectionLost, AHandlerSetAfterStaysAndHandsOn)
{
  gPlatformHandler = XSetErrorHandler(HandOn);
  Lose();
  EXPECT_EQ(CurrentErrorHandler(), HandOn);
  const std::vector<XErrorEvent> own = MapErrors(mInput, DestroyedWindow());
  EXPECT_EQ(gHandedOn, 1);
  ASSERT_EQ(own.size(), 1u);
  EXPECT_EQ(own[0].display, mInput);
  XSetErrorHandler(RecordError);
}
} // namespace x11windowstest
