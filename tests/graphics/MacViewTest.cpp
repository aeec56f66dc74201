// The platform graphics class and its view, headless: a host window holds the editor's view, events are
// posted through the platform's one entry point, and what reaches the graphics context is recorded by a
// control that covers the editor. The clock is virtual, so frames come exactly at the frame rate.
#include "framework/IGEditorDelegate.h"
#include "graphics/mac/FontDescriptorCache.h"
#include "graphics/mac/IGraphicsMac.h"
#include "graphics/mac/IGraphicsView.h"
#include "tests/support/PostedKeys.h"

#include <AppKit/NSColorPanel.h>
#include <AppKit/NSEvent.h>
#include <AppKit/NSScreen.h>
#include <Foundation/NSPathUtilities.h>
#include <QorvPlatform/Dialogs.h>
#include <QorvPlatform/Events.h>
#include <QorvPlatform/Metal.h>
#include <QorvPlatform/RunLoopClock.h>

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

using namespace iplugin::igraphics;
using iplugin::IKeyPress;
using iplugin::StringBuf;
using qorvplatform::InputEvent;
using qorvplatform::InputKind;

namespace
{
// Writes every input call it gets to the log, one entry each ending in ";".
class LogControl : public IControl
{
public:
  LogControl(const IRECT& r, std::ostringstream& log) : IControl(r), mLog(log) {}
  void Draw(IGraphics& g) override
  {
    ++mDraws;
    g.FillRect(IColor(255, 40, 80, 120), mRECT);
  }
  bool IsDirty() override { return mAlwaysDirty || IControl::IsDirty(); }
  void OnMouseDown(float x, float y, const IMouseMod& m) override { Log("down", x, y, m); }
  void OnMouseUp(float x, float y, const IMouseMod& m) override { Log("up", x, y, m); }
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& m) override
  {
    mLog << "drag " << x << "," << y << " by " << dX << "," << dY << ";";
  }
  void OnMouseDblClick(float x, float y, const IMouseMod& m) override { Log("dbl", x, y, m); }
  void OnMouseWheel(float x, float y, const IMouseMod& m, float d) override { mLog << "wheel " << d << ";"; }
  void OnMouseOut() override
  {
    mLog << "out;";
    IControl::OnMouseOut();
  }
  bool OnKeyDown(float x, float y, const IKeyPress& k) override
  {
    mLog << "key " << k.VK << (k.S ? " S" : "") << (k.C ? " C" : "") << ";";
    return k.VK != 0;
  }
  void OnDrop(const char* path) override { mLog << "drop " << path << ";"; }

  bool mAlwaysDirty = false;
  int mDraws = 0;

private:
  void Log(const char* what, float x, float y, const IMouseMod& m)
  {
    mLog << what << " " << x << "," << y << (m.L ? " L" : "") << (m.R ? " R" : "") << (m.S ? " S" : "")
         << ";";
  }
  std::ostringstream& mLog;
};

class MacDelegate : public IGEditorDelegate
{
public:
  MacDelegate() : IGEditorDelegate(0)
  {
    SetEditorSize(875, 580);
    SetSizeConstraints(100, 2000, 100, 2000);
    mMakeGraphicsFunc = [this]() -> IGraphicsInterface* { return MakeQorvGraphics(*this, 875, 580, 60); };
    mLayoutFunc = [this](IGraphicsInterface* p)
    {
      auto* g = static_cast<IGraphics*>(p);
      // The background: keys go to the control under the mouse, never to the first one.
      g->AttachControl(new LogControl(IRECT(), mBackgroundLog));
      mControl = new LogControl(g->GetBounds(), mLog);
      mControl->SetTooltip("the whole editor");
      g->AttachControl(mControl);
      g->EnableTooltips(true);
      g->EnableMouseOver(true);
    };
  }
  IGraphicsMac* UI() const { return static_cast<IGraphicsMac*>(static_cast<IGraphics*>(GetUI())); }
  std::string TakeLog()
  {
    std::string s = mLog.str();
    mLog.str("");
    return s;
  }

  std::ostringstream mLog, mBackgroundLog;
  LogControl* mControl = nullptr;
};

// A host window of the editor's size at the screen scale, the editor opened in its content view.
class MacViewTest : public ::testing::TestWithParam<double>
{
protected:
  void SetUp() override
  {
    qorvplatform::ResetMainRunLoop();
    qorvplatform::ResetInput();
    qorvplatform::ResetDialogs();
    qorvplatform::SetScreenScale(Scale());
    mWindow = std::make_unique<NSWindow>(NSMakeRect(100, 200, 875 * Scale(), 580 * Scale()));
    mHostView = std::make_unique<NSView>();
    mWindow->setContentView(mHostView.get());
    mWindow->makeKeyAndOrderFront(nullptr);
    // The editor's draw scale follows the screen scale here, as a host that opens it at its own size.
    mView = static_cast<IGraphicsView_vQorv_au*>(mDelegate.OpenWindow(mHostView.get()));
    ASSERT_NE(mView, nullptr);
    mDelegate.UI()->Resize(875, 580, float(Scale()));
    mDelegate.TakeLog();
  }
  void TearDown() override
  {
    mDelegate.CloseWindow();
    mWindow.reset();
    qorvplatform::ResetInput();
  }
  double Scale() const { return GetParam(); }
  // Posts at view points (the host window's content equals the view).
  void Post(InputKind kind, double x, double y, unsigned long mods = 0, int button = 1)
  {
    InputEvent e;
    e.kind = kind;
    e.x = x;
    e.y = y;
    e.modifiers = mods;
    e.button = button;
    e.time = mTime;
    qorvplatform::PostEvent(*mWindow, e);
  }
  void Click(double x, double y, unsigned long mods = 0, int button = 1)
  {
    Post(InputKind::Press, x, y, mods, button);
    Post(InputKind::Release, x, y, mods, button);
  }
  void Key(unsigned short code, const char* chars, unsigned long mods = 0)
  {
    qorvtest::PostKey(*mWindow, code, chars, mods);
  }

  MacDelegate mDelegate;
  std::unique_ptr<NSWindow> mWindow;
  std::unique_ptr<NSView> mHostView;
  IGraphicsView_vQorv_au* mView = nullptr;
  double mTime = 10.0;
};

INSTANTIATE_TEST_SUITE_P(Scales, MacViewTest, ::testing::Values(1.0, 2.0));

TEST_P(MacViewTest, MouseReachesTheContextInEditorCoordinates)
{
  const double s = Scale();
  Click(200, 100);
  mTime += 1;
  Click(200 * s, 100 * s, NSEventModifierFlagCommand);
  mTime += 1;
  Click(10, 10, NSEventModifierFlagShift, 3);
  const std::string a = std::to_string(int(200 / s)) + "," + std::to_string(int(100 / s));
  EXPECT_EQ(mDelegate.TakeLog(), "down " + a + " L;up " + a + ";down 200,100 L R;up 200,100 R;down " +
                                     std::to_string(int(10 / s)) + "," + std::to_string(int(10 / s)) +
                                     " R S;up " + std::to_string(int(10 / s)) + "," +
                                     std::to_string(int(10 / s)) + " R S;");
}

TEST_P(MacViewTest, ClickCountsComeFromTimeAndDistance)
{
  Click(50, 50);
  mTime += 0.2;
  Click(52, 51); // second click: a double click, no second press
  mTime += 0.2;
  Click(52, 51); // third: a press again
  mTime += 2;
  Click(52, 51); // too late: a press
  mTime += 0.1;
  Click(80, 51); // too far: a press
  std::string log = mDelegate.TakeLog();
  const double s = Scale();
  auto n = [&](const std::string& what)
  {
    size_t count = 0;
    for (size_t p = log.find(what); p != std::string::npos; p = log.find(what, p + 1))
      ++count;
    return count;
  };
  EXPECT_EQ(n("dbl "), 1u) << log;
  EXPECT_EQ(n("down "), 4u) << log;
  (void)s;
}

TEST_P(MacViewTest, DragOutsideEndsWithMouseOutAfterTheRelease)
{
  const double s = Scale();
  Post(InputKind::Motion, 100, 100);
  Post(InputKind::Press, 100, 100);
  Post(InputKind::Motion, 110 * 1, 90);
  Post(InputKind::Motion, 900 * s, 90); // outside the view
  Post(InputKind::Release, 900 * s, 90);
  const std::string log = mDelegate.TakeLog();
  const std::string d = std::to_string(int(10 / s));
  EXPECT_NE(log.find("drag " + std::to_string(int(110 / s)) + "," + std::to_string(int(90 / s)) + " by " + d +
                     ",-" + d),
            std::string::npos)
      << log;
  const size_t up = log.find("up ");
  ASSERT_NE(up, std::string::npos) << log;
  EXPECT_EQ(log.compare(log.size() - 4, 4, "out;"), 0) << log;
  EXPECT_LT(up, log.rfind("out;"));
}

TEST_P(MacViewTest, WheelKeysAndDropsReachTheContext)
{
  InputEvent wheel;
  wheel.kind = InputKind::Wheel;
  wheel.x = wheel.y = 20;
  wheel.delta = -1;
  qorvplatform::PostEvent(*mWindow, wheel);
  Key(76, "\x03");                       // keypad Enter
  Key(36, "\r");                         // Return, through its character
  Key(43, ",");                          // unmapped, no Shift
  Key(0, "A", NSEventModifierFlagShift); // Shift+a
  Key(8, "c", NSEventModifierFlagCommand);
  InputEvent drop;
  drop.kind = InputKind::Drop;
  drop.x = drop.y = 30;
  drop.paths = {"/tmp/one.qxs", "/tmp/two.qxs"};
  qorvplatform::PostEvent(*mWindow, drop);
  EXPECT_EQ(mDelegate.TakeLog(), "wheel -1;key 32781;key 13;key 0;key 65 S;key 67 C;drop /tmp/one.qxs;");
}

TEST(MacKeyMapping, TableOfKeys)
{
  struct Case
  {
    unsigned short code;
    const char* chars;
    unsigned long mods;
    int vk;
    bool shift;
  };
  const Case cases[] = {{51, "\x7f", 0, 8, false},
                        {123, "\xef\x9c\x82", 0, 37, false},
                        {122, "\xef\x9c\x84", 0, 112, false},
                        {92, "9", 0, 105, false},
                        {200, "", 0, 1024 + 200, false},
                        {43, ",", NSEventModifierFlagShift, 0, false},
                        {18, "1", NSEventModifierFlagShift, '1', true},
                        {48, "\x19", NSEventModifierFlagCommand, 9, false},
                        {48, "\x19", 0, 0, false},
                        {53, "\x1b", 0, 27, false}};
  for (const Case& c : cases)
  {
    NSEvent::Fields f;
    f.type = NSEventTypeKeyDown;
    f.keyCode = c.code;
    f.charactersIgnoringModifiers = c.chars;
    f.modifierFlags = c.mods;
    NSEvent e(f);
    const IKeyPress k = IGraphicsView_vQorv_au::KeyPressFromEvent(&e);
    EXPECT_EQ(k.VK, c.vk) << c.code;
    EXPECT_EQ(k.S, c.shift) << c.code;
  }
}

// The keys a script or the X11 window names arrive as a Mac keyboard's, with the codes text entry reads.
TEST(MacKeyMapping, NamedKeys)
{
  // The Windows virtual-key codes.
  const std::pair<const char*, int> cases[] = {
      {"return", 13},        {"enter", 32781}, {"tab", 9},  {"space", 32},  {"delete", 8},    {"escape", 27},
      {"forwarddelete", 46}, {"home", 36},     {"end", 35}, {"pageup", 33}, {"pagedown", 34}, {"left", 37},
      {"right", 39},         {"down", 40},     {"up", 38},  {"f1", 112},    {"f12", 123}};
  for (const auto& [name, vk] : cases)
  {
    NSEvent::Fields f;
    f.type = NSEventTypeKeyDown;
    std::string chars;
    ASSERT_TRUE(qorvplatform::NamedKey(name, f.keyCode, chars)) << name;
    EXPECT_EQ(qorvplatform::KeyCharacters(f.keyCode), chars) << name;
    f.charactersIgnoringModifiers = chars;
    NSEvent e(f);
    EXPECT_EQ(IGraphicsView_vQorv_au::KeyPressFromEvent(&e).VK, vk) << name;
  }
  unsigned short code = 0;
  std::string chars;
  EXPECT_FALSE(qorvplatform::NamedKey("Return", code, chars));
  EXPECT_EQ(qorvplatform::KeyCharacters(0), ""); // "a" types text
}

TEST_P(MacViewTest, HiddenLockedCursorStaysAtItsLockPointWhileDragging)
{
  IGraphicsMac* g = mDelegate.UI();
  Post(InputKind::Motion, 100, 100);
  Post(InputKind::Press, 100, 100);
  g->HideMouseCursor(true, true);
  EXPECT_EQ(qorvplatform::CursorHideLevel(), 1);
  const size_t movesBefore = qorvplatform::CursorMoves().size();
  mDelegate.TakeLog();
  Post(InputKind::Motion, 100, 130);
  Post(InputKind::Motion, 100, 160);
  // The cursor went back to the lock point each time; each drag keeps its own point and moves by its
  // distance from the lock point.
  EXPECT_EQ(qorvplatform::CursorMoves().size(), movesBefore + 2);
  const CGPoint lock = qorvplatform::CursorMoves().back();
  EXPECT_DOUBLE_EQ(lock.x, 100 + 100);
  // The window's content starts 200 points above the screen's bottom and is 580 editor points high.
  EXPECT_DOUBLE_EQ(lock.y, NSScreen::mainScreen()->frame().size.height - 200 - 580 * Scale() + 100);
  EXPECT_TRUE(qorvplatform::PointerAssociated());
  const double s = Scale();
  auto at = [&](double x, double y) { return std::to_string(int(x / s)) + "," + std::to_string(int(y / s)); };
  EXPECT_EQ(mDelegate.TakeLog(), "drag " + at(100, 130) + " by 0," + std::to_string(int(30 / s)) + ";drag " +
                                     at(100, 160) + " by 0," + std::to_string(int(60 / s)) + ";");
  Post(InputKind::Release, 100, 160);
  g->HideMouseCursor(false);
  EXPECT_EQ(qorvplatform::CursorHideLevel(), 0);
  // With a tablet the cursor is never moved.
  g->SetTabletInput(true);
  const size_t moves = qorvplatform::CursorMoves().size();
  g->MoveMouseCursor(10, 10);
  EXPECT_EQ(qorvplatform::CursorMoves().size(), moves);
}

TEST_P(MacViewTest, TooltipsCursorsAndClipboard)
{
  Post(InputKind::Motion, 300, 200);
  EXPECT_EQ(mWindow->toolTipAt(NSMakePoint(300, 580 * Scale() - 200)), "the whole editor");
  IGraphicsMac* g = mDelegate.UI();
  for (auto [kind, name] : std::vector<std::pair<int, std::string>>{{1, "ibeam"},
                                                                    {5, "resize-nwse"},
                                                                    {9, "move"},
                                                                    {11, "hand"},
                                                                    {13, "help"},
                                                                    {14, "arrow"},
                                                                    {0, "arrow"}})
  {
    g->SetMouseCursor(kind);
    EXPECT_EQ(qorvplatform::CurrentCursorName(), name) << kind;
  }
  StringBuf text;
  EXPECT_FALSE(g->GetTextFromClipboard(text));
  EXPECT_TRUE(g->SetTextInClipboard("-6.0 dB"));
  EXPECT_TRUE(g->GetTextFromClipboard(text));
  EXPECT_STREQ(text.Get(), "-6.0 dB");
}

TEST_P(MacViewTest, PointerAppearanceAndNativePrompts)
{
  IGraphicsMac* g = mDelegate.UI();
  Post(InputKind::Motion, 300, 200);
  float x = 0, y = 0;
  g->GetMouseLocation(x, y);
  EXPECT_FLOAT_EQ(x, float(300 / Scale()));
  EXPECT_FLOAT_EQ(y, float(200 / Scale()));

  EXPECT_FALSE(g->IsDarkMode());
  qorvplatform::SetDarkAppearance(true);
  EXPECT_TRUE(g->IsDarkMode());
  qorvplatform::SetDarkAppearance(false);

  // A native menu 4 points below the area (in view points); the chosen item comes back with its function.
  int called = 0;
  IPopupMenu menu("", {"One", "Two"}, [&](IPopupMenu*) { ++called; });
  qorvplatform::ScriptMenuChoice({1});
  bool async = false;
  IPopupMenu* chosen = g->CreatePlatformPopupMenu(menu, IRECT(10, 20, 60, 40), async);
  ASSERT_EQ(chosen, &menu);
  EXPECT_EQ(menu.GetChosenItemIdx(), 1);
  EXPECT_EQ(called, 1);
  ASSERT_FALSE(qorvplatform::ShownMenus().empty());
  EXPECT_DOUBLE_EQ(qorvplatform::ShownMenus().back().y, 40 * Scale() + 4);
  EXPECT_EQ(g->CreatePlatformPopupMenu(menu, IRECT(10, 20, 60, 40), async), nullptr); // nothing queued

  // Revealing a file opens its folder and selects it there; a missing path does nothing.
  StringBuf path("/tmp");
  EXPECT_TRUE(g->RevealPathInFinder(path, false));
  EXPECT_EQ(qorvplatform::OpenedURLs().back(), "file:///tmp");
  StringBuf missing("/no/such/file/qorv");
  EXPECT_FALSE(g->RevealPathInFinder(missing, true));
}

TEST_P(MacViewTest, FramesComeAtTheFrameRate)
{
  EXPECT_DOUBLE_EQ(mView->timerInterval(), 1.0 / 60.0);
  mDelegate.mControl->mAlwaysDirty = true;
  qorvplatform::AdvanceClock(0.001);
  const uint64_t before = QorvMetalLayerPresentCount(*mView->layer());
  // Fewer frames at scale 2, where each is four times the pixels.
  const uint64_t frames = Scale() == 1 ? 15 : 2;
  qorvplatform::AdvanceClock(double(frames) / 60.0);
  EXPECT_EQ(QorvMetalLayerPresentCount(*mView->layer()) - before, frames);
  // The frame is at the backing size: the editor at the screen scale.
  std::vector<uint8_t> rgba;
  int w = 0, h = 0;
  ASSERT_TRUE(QorvMetalLayerCopyPresentedImage(*mView->layer(), rgba, w, h));
  // The editor's draw scale times the screen scale.
  EXPECT_EQ(w, int(875 * Scale() * Scale()));
  EXPECT_EQ(h, int(580 * Scale() * Scale()));
  EXPECT_EQ(rgba[0], 40);
  EXPECT_EQ(rgba[2], 120);
}

// Display ticks without a dirty control draw, composite and present nothing; one dirty control is drawn
// once, in one frame.
TEST_P(MacViewTest, AnIdleEditorDrawsAndPresentsNothing)
{
  CAMetalLayer& layer = *mView->layer();
  qorvplatform::AdvanceClock(2.0 / 60.0);
  const uint64_t presents = QorvMetalLayerPresentCount(layer);
  const int draws = mDelegate.mControl->mDraws;
  ASSERT_GT(presents, 0u);
  qorvplatform::AdvanceClock(1.0);
  EXPECT_EQ(QorvMetalLayerPresentCount(layer), presents);
  EXPECT_EQ(mDelegate.mControl->mDraws, draws);
  mDelegate.mControl->SetDirty(false);
  qorvplatform::AdvanceClock(0.5);
  EXPECT_EQ(QorvMetalLayerPresentCount(layer), presents + 1);
  EXPECT_EQ(mDelegate.mControl->mDraws, draws + 1);
}

// A window off the screen draws nothing; what became dirty meanwhile is drawn at the first tick after it
// is shown again, in one frame.
TEST_P(MacViewTest, AWindowOffTheScreenDrawsOnlyOnceShownAgain)
{
  CAMetalLayer& layer = *mView->layer();
  qorvplatform::AdvanceClock(2.0 / 60.0);
  const uint64_t presents = QorvMetalLayerPresentCount(layer);
  const int draws = mDelegate.mControl->mDraws;
  mWindow->orderOut(nullptr);
  mDelegate.mControl->SetDirty(false);
  qorvplatform::AdvanceClock(0.5);
  EXPECT_EQ(QorvMetalLayerPresentCount(layer), presents);
  EXPECT_EQ(mDelegate.mControl->mDraws, draws);
  EXPECT_TRUE(mDelegate.mControl->IsDirty());
  mWindow->orderFront(nullptr);
  qorvplatform::AdvanceClock(0.5);
  EXPECT_EQ(QorvMetalLayerPresentCount(layer), presents + 1);
  EXPECT_EQ(mDelegate.mControl->mDraws, draws + 1);
}

TEST_P(MacViewTest, FocusLossAndResizeReachTheView)
{
  Post(InputKind::Motion, 100, 100);
  Post(InputKind::Press, 100, 100);
  EXPECT_TRUE(mDelegate.UI()->ControlIsCaptured());
  InputEvent focus;
  focus.kind = InputKind::FocusLoss;
  qorvplatform::PostEvent(*mWindow, focus);
  EXPECT_FALSE(mDelegate.UI()->ControlIsCaptured());
  mView->setFrameSize(NSMakeSize(400, 300));
  EXPECT_DOUBLE_EQ(mView->layer()->drawableSize.width, 400 * Scale());
}

// Closing the editor from inside a second open used to delete the context while its OpenWindow ran.
TEST_P(MacViewTest, ASecondOpenTearsTheOldViewDown)
{
  IGraphicsMac* g = mDelegate.UI();
  void* second = g->OpenWindow(mHostView.get());
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(mDelegate.UI(), g);
  ASSERT_EQ(mHostView->subviews().size(), 1u);
  EXPECT_EQ(mHostView->subviews()[0], second);
  EXPECT_TRUE(g->WindowIsOpen());
  EXPECT_EQ(g->NControls(), 2);
  // The host removing the view closes the editor through the delegate.
  static_cast<NSView*>(second)->removeFromSuperview();
  EXPECT_EQ(mDelegate.GetUI(), nullptr);
  EXPECT_TRUE(mHostView->subviews().empty());
}

TEST_P(MacViewTest, PlatformResizeWidensToWholePoints)
{
  IGraphicsMac* g = mDelegate.UI();
  g->Resize(875, 580, 1.5f);
  EXPECT_DOUBLE_EQ(mView->frame().size.width, 1312);
  EXPECT_DOUBLE_EQ(mView->frame().size.height, 870);
  const NSRect r = g->ToViewRect(IRECT(0.3f, 0.3f, 10.1f, 10.1f));
  EXPECT_DOUBLE_EQ(r.origin.x, 0);
  EXPECT_DOUBLE_EQ(r.size.width, 16);
}

TEST_P(MacViewTest, DialogsAndTheWorkspace)
{
  IGraphicsMac* g = mDelegate.UI();
  // Only an address with a scheme is a web page.
  EXPECT_TRUE(g->OpenURL("/home/u/httpd/a.txt"));
  EXPECT_TRUE(g->OpenURL("https://example.org/q?x=http"));
  ASSERT_EQ(qorvplatform::OpenedURLs().size(), 2u);
  EXPECT_EQ(qorvplatform::OpenedURLs()[0], "file:///home/u/httpd/a.txt");
  EXPECT_EQ(qorvplatform::OpenedURLs()[1], "https://example.org/q?x=http");

  StringBuf dir;
  g->PromptForDirectory(dir); // cancelled
  EXPECT_STREQ(dir.Get(), "");
  ASSERT_EQ(qorvplatform::ShownPanels().size(), 1u);
  EXPECT_EQ(qorvplatform::ShownPanels()[0].directory, "file://" + NSHomeDirectory() + "/Desktop");
  EXPECT_EQ(qorvplatform::ShownPanels()[0].title, "Choose a Directory");
  qorvplatform::ScriptPanelAnswer("/tmp/presets");
  g->PromptForDirectory(dir);
  EXPECT_STREQ(dir.Get(), "/tmp/presets/");

  StringBuf file("a.png"), folder("/tmp");
  qorvplatform::ScriptPanelAnswer("/tmp/pics/b.jpg");
  g->PromptForFile(file, folder, kFileOpen, "png jpg");
  EXPECT_EQ(qorvplatform::ShownPanels().back().allowedTypes, (std::vector<std::string>{"png", "jpg"}));
  EXPECT_STREQ(file.Get(), "/tmp/pics/b.jpg");
  EXPECT_STREQ(folder.Get(), "/tmp/pics/");

  qorvplatform::ScriptAlertAnswer(2); // "No"
  EMsgBoxResult seen = kNoResult;
  EXPECT_EQ(g->ShowMessageBox("Save?", "Qorv", kMB_YESNOCANCEL, [&](EMsgBoxResult r) { seen = r; }), kNO);
  EXPECT_EQ(seen, kNO);
  EXPECT_EQ(g->ShowMessageBox("x", "y", kMB_ABORTRETRYIGNORE), kCANCEL);
}

// The panel's colour is converted to device RGB and clamped before it becomes an IColor.
TEST_P(MacViewTest, ColourPanelAnswersInDeviceRGB)
{
  IGraphicsMac* g = mDelegate.UI();
  std::vector<IColor> picked;
  IColor start(255, 10, 20, 30);
  ASSERT_TRUE(g->PromptForColor(start, "", [&](const IColor& c) { picked.push_back(c); }));
  NSColorPanel* panel = NSColorPanel::sharedColorPanel();
  EXPECT_TRUE(panel->showsAlpha());
  EXPECT_DOUBLE_EQ(panel->color().red, 10 / 255.0);
  panel->Pick(NSColor::colorWithDeviceWhite(0.5, 1.0));
  panel->Pick(NSColor::colorWithExtendedSRGBRed(1.25, -0.5, 0.5, 1.0));
  ASSERT_EQ(picked.size(), 2u);
  EXPECT_EQ(picked[0], IColor(255, 127, 127, 127));
  EXPECT_EQ(picked[1], IColor(255, 255, 0, 127));
}

TEST(MacGraphics, LastContextEmptiesTheFontDescriptorCache)
{
  MacDelegate d1, d2;
  auto* a = MakeQorvGraphics(d1, 100, 100);
  auto* b = MakeQorvGraphics(d2, 100, 100);
  EXPECT_STREQ(a->GetBundleID(), "com.Lumenkraft.audiounit.Qorv");
  EXPECT_STREQ(a->GetPlatformAPIStr(), "Cocoa");
  auto font = a->LoadPlatformFontFromSystem("Roboto", "Roboto", 0);
  ASSERT_NE(font, nullptr);
  a->CachePlatformFont("Roboto", font);
  StaticStorage<CoreTextFontDescriptor>& cache = FontDescriptorCache();
  EXPECT_EQ(cache.NEntries(), 1);
  delete a;
  EXPECT_EQ(cache.NEntries(), 1);
  delete b;
  EXPECT_EQ(cache.NEntries(), 0);
}
} // namespace

namespace
{
// Starts the context's corner drag when pressed.
class CornerHandle : public IControl
{
public:
  using IControl::IControl;
  void Draw(IGraphics&) override {}
  void OnMouseDown(float, float, const IMouseMod&) override { GetUI()->StartDragResize(); }
};
} // namespace

// A corner drag grows the editor until its window would leave the screen's visible frame, its top left
// corner kept where it is, and shrinks it from there; the screen's scale does not change where it stops.
TEST_P(MacViewTest, CornerDragStopsAtTheScreensVisibleFrame)
{
  IGraphicsMac* g = mDelegate.UI();
  g->Resize(875, 580, 1.f);
  g->AttachCornerResizer(new CornerHandle(IRECT(855, 560, 875, 580)), kResizeScale);
  mHostView->setFlipped(true); // as the host's window keeps the view at its top left corner
  // The view's top 800 points above the visible frame's bottom, 100 from its left.
  const NSRect area = NSScreen::mainScreen()->visibleFrame();
  ASSERT_GT(area.size.width, 100 + 875 * 1.8);
  ASSERT_GT(area.size.height, 800);
  const double left = area.origin.x + 100, bottom = area.origin.y;
  mWindow->setFrameOrigin(NSMakePoint(left, bottom + 800 - mWindow->contentRect().size.height));
  Post(InputKind::Motion, 870, 575);
  Post(InputKind::Press, 870, 575);
  for (double k : {1.3, 1.8, 2.5})
    Post(InputKind::Motion, 870 * k, 575 * k);
  EXPECT_NEAR(g->GetDrawScale(), 800.f / 580.f, 1e-4);
  EXPECT_LE(mView->frame().size.height, 800);
  EXPECT_GE(mView->frame().size.height, 799);
  Post(InputKind::Motion, 870 * 1.2, 575 * 1.2);
  EXPECT_NEAR(g->GetDrawScale(), 1.2f, 1e-4);
  Post(InputKind::Release, 870 * 1.2, 575 * 1.2);
  // Lower on the screen there is less room: a drag that would grow it does nothing.
  mWindow->setFrameOrigin(NSMakePoint(left, bottom + 600 - mWindow->contentRect().size.height));
  const float before = g->GetDrawScale();
  const IRECT corner = g->GetCornerResizer()->GetRECT();
  Post(InputKind::Motion, corner.MW() * before, corner.MH() * before);
  Post(InputKind::Press, corner.MW() * before, corner.MH() * before);
  Post(InputKind::Motion, corner.MW() * before * 1.5, corner.MH() * before * 1.5);
  Post(InputKind::Release, corner.MW() * before * 1.5, corner.MH() * before * 1.5);
  EXPECT_EQ(g->GetDrawScale(), before);
}
