// The AppKit, Core Graphics and Core Text stand-ins of the view layer: coordinates through flipped and
// unflipped views, the notification centre, timers on the virtual clock, run-loop descriptors, and the
// font descriptors that fontconfig answers.
#include <AppKit/NSEvent.h>
#include <AppKit/NSPasteboard.h>
#include <AppKit/NSView.h>
#include <CoreGraphics/CGDataProvider.h>
#include <CoreText/CoreText.h>
#include <Foundation/NSNotification.h>
#include <Foundation/NSTimer.h>
#include <QorvPlatform/Events.h>
#include <QorvPlatform/RunLoopClock.h>

#include <gtest/gtest.h>

#include <unistd.h>

namespace
{
class RecordingView : public NSView
{
public:
  using NSView::NSView;
  void mouseDown(NSEvent* e) override { log += "down" + std::to_string(e->clickCount()) + ";"; }
  void mouseDragged(NSEvent* e) override { log += "drag;"; }
  void mouseUp(NSEvent* e) override { log += "up;"; }
  void mouseEntered(NSEvent*) override { log += "enter;"; }
  void mouseExited(NSEvent*) override { log += "exit;"; }
  void keyDown(NSEvent* e) override { log += "key" + std::to_string(e->keyCode()) + ";"; }
  std::string log;
};
} // namespace

TEST(AppKitViews, PointsConvertThroughFlippedAndUnflippedViews)
{
  NSWindow window(NSMakeRect(0, 0, 400, 300));
  NSView content;
  window.setContentView(&content);
  NSView plain(NSMakeRect(10, 20, 100, 50));
  NSView flipped(NSMakeRect(10, 20, 100, 50));
  flipped.setFlipped(true);
  NSView inner(NSMakeRect(5, 5, 20, 20));
  content.addSubview(&plain);
  content.addSubview(&flipped);
  flipped.addSubview(&inner);
  // Window base coordinates have their origin bottom left, as the unflipped content view.
  EXPECT_DOUBLE_EQ(plain.convertPointFromView(NSMakePoint(15, 25), nullptr).y, 5);
  EXPECT_DOUBLE_EQ(flipped.convertPointFromView(NSMakePoint(15, 25), nullptr).y, 45);
  const NSPoint p = inner.convertPointFromView(NSMakePoint(16, 60), nullptr);
  EXPECT_DOUBLE_EQ(p.x, 1);
  EXPECT_DOUBLE_EQ(p.y, 15); // the inner view is unflipped: from its bottom
  for (const NSPoint q : {NSMakePoint(0, 0), NSMakePoint(3, 7), NSMakePoint(19.5, 0.25)})
  {
    const NSPoint back = inner.convertPointFromView(inner.convertPointToView(q, nullptr), nullptr);
    EXPECT_DOUBLE_EQ(back.x, q.x);
    EXPECT_DOUBLE_EQ(back.y, q.y);
  }
  EXPECT_EQ(content.hitTest(NSMakePoint(20, 60)), &inner);
}

TEST(AppKitViews, EventsGoToThePressedViewAndTrackingAreasCross)
{
  qorvplatform::ResetInput();
  NSWindow window(NSMakeRect(0, 0, 200, 200));
  RecordingView content, left(NSMakeRect(0, 0, 100, 200)), right(NSMakeRect(100, 0, 100, 200));
  window.setContentView(&content);
  content.addSubview(&left);
  content.addSubview(&right);
  left.addTrackingArea(
      std::make_shared<NSTrackingArea>(left.bounds(), NSTrackingMouseEnteredAndExited, &left));
  auto post = [&](qorvplatform::InputKind kind, double x, double time)
  {
    qorvplatform::InputEvent e;
    e.kind = kind;
    e.x = x;
    e.y = 50;
    e.time = time;
    qorvplatform::PostEvent(window, e);
  };
  using K = qorvplatform::InputKind;
  post(K::Motion, 50, 1);
  post(K::Press, 50, 1);
  post(K::Motion, 150, 1.1); // the drag stays with the left view; its area is not tracked during drags
  post(K::Release, 150, 1.2);
  post(K::Press, 150, 1.3);
  post(K::Release, 150, 1.3);
  EXPECT_EQ(left.log, "enter;down1;drag;up;exit;");
  EXPECT_EQ(right.log, "down1;up;");
  qorvplatform::InputEvent key;
  key.kind = K::KeyDown;
  key.keyCode = 36;
  qorvplatform::PostEvent(window, key);
  EXPECT_EQ(right.log, "down1;up;key36;"); // the pressed view became first responder
}

TEST(AppKitViews, NotificationsAndPasteboards)
{
  NSNotificationCenter* center = NSNotificationCenter::defaultCenter();
  NSObject a, b, sender, other;
  int aCount = 0, bCount = 0;
  center->addObserver(
      &a,
      [&](NSNotification* n)
      {
        ++aCount;
        center->removeObserver(&b);
      },
      "ping", &sender);
  center->addObserver(
      &b, [&](NSNotification*) { ++bCount; }, "ping", nullptr);
  center->postNotificationName("ping", &other);  // only b, which listens to any sender
  center->postNotificationName("ping", &sender); // a removes b while it is told
  center->postNotificationName("ping", &sender);
  EXPECT_EQ(aCount, 2);
  EXPECT_EQ(bCount, 1);
  center->removeObserver(&a);

  NSPasteboard board;
  std::string s;
  EXPECT_FALSE(board.stringForType(NSStringPboardType, s));
  board.setString("x", NSStringPboardType);
  board.setFilenames({"/a"});
  EXPECT_EQ(board.types(), (std::vector<std::string>{NSStringPboardType, NSFilenamesPboardType}));
  board.clearContents();
  EXPECT_TRUE(board.types().empty());
}

TEST(RunLoopSources, TimersOnTheVirtualClockAndDescriptors)
{
  qorvplatform::ResetMainRunLoop();
  int fired = 0;
  auto timer = NSTimer::timerWithTimeInterval(1.0 / 60.0, true,
                                              [&](NSTimer* t)
                                              {
                                                if (++fired == 30) t->invalidate();
                                              });
  NSRunLoop::currentRunLoop()->addTimer(timer, kCFRunLoopCommonModes);
  qorvplatform::AdvanceClock(0.26);
  EXPECT_EQ(fired, 15);
  qorvplatform::AdvanceClock(10);
  EXPECT_EQ(fired, 30);
  EXPECT_FALSE(timer->isValid());

  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  int reads = 0, flushes = 0;
  const int source = qorvplatform::AddRunLoopDescriptor(fds[0],
                                                        [&]
                                                        {
                                                          char c;
                                                          if (read(fds[0], &c, 1) == 1) ++reads;
                                                        });
  const int observer = qorvplatform::AddRunLoopBeforeWaitingObserver([&] { ++flushes; });
  ASSERT_EQ(write(fds[1], "ab", 2), 2);
  qorvplatform::AdvanceClock(0.01);
  qorvplatform::AdvanceClock(0.01);
  EXPECT_EQ(reads, 2);
  EXPECT_GE(flushes, 2);
  qorvplatform::RemoveRunLoopDescriptor(source);
  qorvplatform::RemoveRunLoopBeforeWaitingObserver(observer);
  ASSERT_EQ(write(fds[1], "c", 1), 1);
  qorvplatform::AdvanceClock(0.01);
  EXPECT_EQ(reads, 2);
  close(fds[0]);
  close(fds[1]);
}

TEST(CoreTextDescriptors, InstalledFamiliesHaveAFileAndUnknownOnesNone)
{
  auto descriptorFor = [](const char* family, const char* style)
  {
    CFStringRef f = CFStringCreateWithCString(nullptr, family, kCFStringEncodingUTF8);
    CFStringRef s = CFStringCreateWithCString(nullptr, style, kCFStringEncodingUTF8);
    const void* keys[] = {kCTFontFamilyNameAttribute, kCTFontStyleNameAttribute};
    const void* values[] = {f, s};
    CFDictionaryRef attributes = CFDictionaryCreate(nullptr, keys, values, 2, &kCFTypeDictionaryKeyCallBacks,
                                                    &kCFTypeDictionaryValueCallBacks);
    CTFontDescriptorRef d = CTFontDescriptorCreateWithAttributes(attributes);
    CFRelease(attributes);
    CFRelease(f);
    CFRelease(s);
    return d;
  };
  CTFontDescriptorRef roboto = descriptorFor("Roboto", "Regular");
  CFURLRef url = static_cast<CFURLRef>(CTFontDescriptorCopyAttribute(roboto, kCTFontURLAttribute));
  ASSERT_NE(url, nullptr);
  UInt8 path[1024];
  ASSERT_TRUE(CFURLGetFileSystemRepresentation(url, true, path, sizeof path));
  EXPECT_NE(std::string(reinterpret_cast<char*>(path)).find("Roboto-Regular.ttf"), std::string::npos) << path;
  CGDataProviderRef provider = CGDataProviderCreateWithURL(url);
  CGFontRef font = CGFontCreateWithDataProvider(provider);
  EXPECT_NE(font, nullptr);
  CGFontRelease(font);
  CGDataProviderRelease(provider);
  CFRelease(url);
  CFRelease(roboto);

  CTFontDescriptorRef unknown = descriptorFor("No Such Family Qorv", "Regular");
  EXPECT_EQ(CTFontDescriptorCopyAttribute(unknown, kCTFontURLAttribute), nullptr);
  CFRelease(unknown);

  const char text[] = "plain text, no font";
  CGDataProviderRef notAFont = CGDataProviderCreateWithData(nullptr, text, sizeof text, nullptr);
  EXPECT_EQ(CGFontCreateWithDataProvider(notAFont), nullptr);
  CGDataProviderRelease(notAFont);
}
