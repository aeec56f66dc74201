// The mixer's editor in a real X11 window on a virtual X server larger than the window, as a host shows it,
// driven by real pointer events (XTest) and by audio: after a knob drag, a meter move and a rescale the
// server shows exactly the frame the editor presented (what the headless editor shows), and an editor left
// alone costs nothing. Runs under tests/host/WindowPresentTest.sh, which starts the server and sets
// QORV_TEST_X_WINDOW, with and without shared memory (QORV_X11_NO_SHM) and on a 16-bit screen; skipped
// elsewhere.
#include "graphics/mac/IGraphicsMac.h"
#include "mixer/QorvParams.h"
#include "tests/plugin/QorvTestInstance.h"
#include "tests/support/GoldenImage.h"
#include "tests/support/TestPaths.h"
#include "tests/support/XWindowTest.h"

#include <AppKit/NSScreen.h>
#include <AppKit/NSView.h>
#include <CoreFoundation/CFRunLoop.h>
#include <Foundation/NSNotification.h>
#include <QorvPlatform/Bundles.h>
#include <QorvPlatform/Events.h>
#include <QorvPlatform/Metal.h>
#include <QorvPlatform/RunLoopClock.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>

using namespace iplugin;
using namespace iplugin::igraphics;

namespace xwindowtest
{
constexpr double kWidth = 875, kHeight = 580;
// The window's top left corner on the screen, away from its corner and edges.
constexpr double kLeft = 150, kTop = 120;

class QorvXWindow : public testing::Test
{
protected:
  void SetUp() override
  {
    if (!qorvtest::XWindowTestWanted())
      GTEST_SKIP() << "runs under tests/host/WindowPresentTest.sh, on its own X server";
    mInput = qorvtest::OpenXTestConnection();
    ASSERT_NE(mInput, nullptr);
    qorvtest::StartWindowTest();
    qorvplatform::RegisterBundle((qorvtest::BinaryDir() + "/Qorv.component").c_str());
    mHome = std::make_unique<mixtest::ScopedDataHome>("x_window");
    mPlug = std::make_unique<mixtest::RecordingQorv>();
    mPlug->mMakeGraphicsFunc = [this]() -> IGraphicsInterface* {
      return MakeQorvGraphics(*mPlug, int(kWidth), int(kHeight), 60, float(mPlug->Engine().mGuiScale.Load()));
    };
    const double screenHeight = NSScreen::mainScreen()->frame().size.height;
    mWindow = std::make_unique<NSWindow>(NSMakeRect(kLeft, screenHeight - kTop - kHeight, kWidth, kHeight));
    mContent = std::make_unique<NSView>();
    mWindow->setContentView(mContent.get());
    mWindow->makeKeyAndOrderFront(nullptr);
    ASSERT_NE(mWindow->nativeWindow(), nullptr);
    mView = static_cast<NSView*>(mPlug->OpenWindow(mContent.get()));
    ASSERT_NE(mView, nullptr);
    // As a host's window does: it takes the view's size when the editor rescales itself.
    NSNotificationCenter::defaultCenter()->addObserver(
        mContent.get(), [this](NSNotification*) { mWindow->setContentSize(mView->frame().size); },
        NSViewFrameDidChangeNotification, mView);
    ASSERT_TRUE(RunUntil([this] { return Counts().copies > 0; }));
  }

  void TearDown() override
  {
    if (mContent) NSNotificationCenter::defaultCenter()->removeObserver(mContent.get());
    if (mView) mView->removeFromSuperview();
    if (mPlug) mPlug->CloseWindow();
    if (mWindow) mWindow->close();
    mPlug.reset();
    mWindow.reset();
    mContent.reset();
    mHome.reset();
    if (mInput) XCloseDisplay(mInput);
    qorvtest::EndWindowTest();
  }

  qorvplatform::WindowPresentCounts Counts()
  {
    qorvplatform::WindowPresentCounts c;
    EXPECT_TRUE(qorvplatform::GetWindowPresentCounts(*mWindow, c));
    return c;
  }
  uint64_t Presents() { return QorvMetalLayerPresentCount(*mView->layer()); }

  static bool RunUntil(const std::function<bool()>& done) { return qorvtest::RunLoopUntil(done); }
  // Runs until the editor presented a frame after now. (Reading the server's picture first sends what
  // the window has not sent yet; the GPU is synchronous, so nothing is presented in between.)
  bool RunUntilPresented()
  {
    const uint64_t presents = Presents();
    return RunUntil([&] { return Presents() > presents; });
  }

  // Real pointer events at window points, through the server.
  void MoveTo(double x, double y)
  {
    const NSRect r = mWindow->contentRect();
    const double screenHeight = NSScreen::mainScreen()->frame().size.height;
    XTestFakeMotionEvent(mInput, -1, int(std::lround(r.origin.x + x)),
                         int(std::lround(screenHeight - r.origin.y - r.size.height + y)), CurrentTime);
    XSync(mInput, False);
  }
  void Button(bool down)
  {
    XTestFakeButtonEvent(mInput, 1, down ? True : False, CurrentTime);
    XSync(mInput, False);
  }

  // The server's picture of the window against the editor's frame, both as opaque PNGs: the same bytes on a
  // 24-bit screen, and on a narrower screen each channel at the level nearest the frame's.
  void ExpectTheFrameOnTheServer(const char* after)
  {
    SCOPED_TRACE(after);
    std::vector<unsigned char> window, frame;
    ASSERT_TRUE(qorvplatform::EncodeWindowScreenPNG(*mWindow, window));
    ASSERT_TRUE(qorvplatform::EncodeViewFramePNG(*mView, frame));
    Visual* visual = DefaultVisual(mInput, DefaultScreen(mInput));
    if (DefaultDepth(mInput, DefaultScreen(mInput)) == 24)
    {
      EXPECT_TRUE(window == frame) << "the server shows other pixels than the editor's frame";
      return;
    }
    const qorvtest::RgbaImage w = Decoded(window, "window"), f = Decoded(frame, "frame");
    ASSERT_EQ(w.width, f.width);
    ASSERT_EQ(w.height, f.height);
    const int tolerance[3] = {Tolerance(visual->red_mask), Tolerance(visual->green_mask),
                              Tolerance(visual->blue_mask)};
    int wrong = 0;
    for (size_t i = 0; i < w.rgba.size(); ++i)
      if (i % 4 != 3 && std::abs(int(w.rgba[i]) - int(f.rgba[i])) > tolerance[i % 4]) ++wrong;
    EXPECT_EQ(wrong, 0) << "channels off the screen's nearest level";
  }
  // How far an 8-bit value and the nearest level of a mask's channel, read back as 8 bits, may be apart:
  // half a level, and the rounding of the read.
  static int Tolerance(unsigned long mask)
  {
    int bits = 0;
    for (; mask; mask >>= 1)
      bits += int(mask & 1);
    return int(255.0 / double((1ul << bits) - 1) / 2 + 0.5);
  }
  static qorvtest::RgbaImage Decoded(const std::vector<unsigned char>& png, const std::string& name)
  {
    const std::string path = qorvtest::ScratchDir("x_window_pictures") + "/" + name + ".png";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
    qorvtest::RgbaImage image;
    EXPECT_TRUE(qorvtest::ReadPng(path, image));
    return image;
  }

  Display* mInput = nullptr;
  std::unique_ptr<mixtest::ScopedDataHome> mHome;
  std::unique_ptr<mixtest::RecordingQorv> mPlug;
  std::unique_ptr<NSWindow> mWindow;
  std::unique_ptr<NSView> mContent;
  NSView* mView = nullptr;
};

TEST_F(QorvXWindow, TheServerShowsTheFrameAfterADragAMeterMoveAndARescale)
{
  EXPECT_EQ(Counts().sharedMemory, !std::getenv("QORV_X11_NO_SHM"));
  ExpectTheFrameOnTheServer("opening");

  // The "Release" knob, dragged up in steps: each step a frame of its own.
  const double release = mPlug->GetParam(kParamRelease)->Value();
  MoveTo(778, 82);
  Button(true);
  for (int i = 1; i <= 5; ++i)
  {
    const uint64_t presents = Presents();
    MoveTo(778, 82 - 4 * i);
    ASSERT_TRUE(RunUntil([&] { return Presents() > presents; })) << "step " << i;
  }
  Button(false);
  EXPECT_NE(mPlug->GetParam(kParamRelease)->Value(), release);
  ASSERT_TRUE(RunUntilPresented());
  ExpectTheFrameOnTheServer("a drag");
  // Away from the window, so that no tooltip comes up.
  MoveTo(-kLeft + 5, -kTop + 5);

  // Audio moves the meters; the frame after the meter pass shows them.
  mixtest::MixTone(*mPlug, 0.3);
  mPlug->Engine().mMetersDue = uint8_t{1};
  mPlug->OnIdleTick();
  ASSERT_TRUE(RunUntilPresented());
  const qorvplatform::WindowPresentCounts meters = Counts();
  ExpectTheFrameOnTheServer("a meter move");

  // An editor left alone presents nothing, copies nothing and asks nothing of the server.
  {
    const uint64_t presents = Presents();
    const qorvplatform::WindowPresentCounts before = Counts();
    CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0.5, false);
    const qorvplatform::WindowPresentCounts after = Counts();
    EXPECT_EQ(Presents(), presents);
    EXPECT_EQ(after.copies, before.copies);
    EXPECT_EQ(after.puts, before.puts);
    EXPECT_EQ(after.requests, before.requests);
  }
  EXPECT_GT(meters.puts, 0u);

  // A rescale, as a recalled state brings it: the window takes the new size and shows the whole new frame.
  mPlug->Change(kParamGuiScale, 1.5, kPresetRecall);
  mPlug->OnIdleTick();
  ASSERT_TRUE(RunUntil([&] { return mWindow->contentRect().size.width > kWidth * 1.4; }));
  ASSERT_TRUE(RunUntilPresented());
  ExpectTheFrameOnTheServer("a rescale");
}
} // namespace xwindowtest
