// Input dispatch on a recording context: hit testing with capture, the press/drag/release road with
// the host gestures it sends (balanced in every way a capture can end), hover, wheel, keys, drops,
// focus loss, the corner drag, the QWERTY keyboard and gesture regions.
#include "framework/IParam.h"
#include "tests/support/RecordingGraphics.h"

#include <gtest/gtest.h>

#include <functional>

using namespace iplugin;
using namespace iplugin::igraphics;
using qorvtest::RecordingDelegate;
using qorvtest::RecordingGraphics;
using qorvtest::TestControl;

namespace
{
// A control that logs every input event it gets as "<name> <event>".
class InputControl : public TestControl
{
public:
  InputControl(std::vector<std::string>& log, std::string name, const IRECT& r,
               std::initializer_list<int> params)
      : TestControl(r, params), mLog(log), mName(std::move(name))
  {
  }

  void OnMouseDown(float x, float y, const IMouseMod& mod) override
  {
    Add("down");
    if (mOnDown) mOnDown();
  }
  void OnMouseUp(float x, float y, const IMouseMod& mod) override { Add("up"); }
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override { Add("drag"); }
  void OnMouseDblClick(float x, float y, const IMouseMod& mod) override { Add("dbl"); }
  void OnMouseWheel(float x, float y, const IMouseMod& mod, float d) override { Add("wheel"); }
  bool OnKeyDown(float x, float y, const IKeyPress& key) override
  {
    Add("keydown");
    return mTakesKeys;
  }
  bool OnKeyUp(float x, float y, const IKeyPress& key) override
  {
    Add("keyup");
    return mTakesKeys;
  }
  void OnMouseOver(float x, float y, const IMouseMod& mod) override
  {
    Add("over");
    mMouseIsOver = true;
  }
  void OnMouseOut() override
  {
    if (mMouseIsOver) Add("out");
    mMouseIsOver = false;
  }
  void OnDrop(const char* path) override { Add(std::string("drop ") + path); }
  void CreateContextMenu(IPopupMenu& menu) override
  {
    for (const char* item : mContextItems)
      menu.AddItem(item);
  }
  void OnContextSelection(int item) override { Add("context " + std::to_string(item)); }
  void OnMenuChoice(IPopupMenu* pMenu, int valIdx) override
  {
    Add("choice " + std::to_string(pMenu ? pMenu->GetChosenItemIdx() : -1));
  }

  void Add(const std::string& event) { mLog.push_back(mName + " " + event); }

  std::vector<std::string>& mLog;
  std::string mName;
  std::vector<const char*> mContextItems;
  std::function<void()> mOnDown;
  bool mTakesKeys = false;
};

using qorvtest::MouseAt;

class InputTest : public ::testing::Test
{
protected:
  InputTest() : dlg(4), g(Init()) {}

  RecordingGraphics& Init()
  {
    dlg.GetParam(0)->InitDouble("Gain", 0.5, 0.0, 1.0, 0.01);
    dlg.GetParam(1)->InitEnumList("Mode", 1, {"Off", "Auto", "Auto Bal.", "Prio"});
    dlg.GetParam(2)->InitDouble("Pan", 0.0, -1.0, 1.0, 0.01);
    dlg.GetParam(3)->InitDouble("Width", 0.0, 0.0, 1.0, 0.01);
    return dlg.Open(875, 580);
  }

  InputControl* Attach(const char* name, const IRECT& r, std::initializer_list<int> params = {-1})
  {
    auto* c = new InputControl(log, name, r, params);
    g.AttachControl(c);
    return c;
  }

  void Press(float x, float y, IMouseMod mod = IMouseMod(true)) { g.OnMouseDown({MouseAt(x, y, mod)}); }
  void Release(float x, float y, IMouseMod mod = IMouseMod(true)) { g.OnMouseUp({MouseAt(x, y, mod)}); }
  void Drag(float x, float y, float dX, float dY) { g.OnMouseDrag({MouseAt(x, y, IMouseMod(true), dX, dY)}); }
  std::vector<std::string> TakeEvents()
  {
    std::vector<std::string> out;
    out.swap(log);
    return out;
  }

  std::vector<std::string> log;
  RecordingDelegate dlg;
  RecordingGraphics& g;
};
} // namespace

TEST_F(InputTest, TheTopMostHittableControlTakesThePress)
{
  struct Case
  {
    const char* name;
    std::function<void(InputControl*)> setUp;
    bool hitTop;
  };
  const std::vector<Case> cases{
      {"visible", [](InputControl*) {}, true},
      {"hidden", [](InputControl* c) { c->Hide(true); }, false},
      {"ignores the mouse", [](InputControl* c) { c->SetIgnoreMouse(true); }, false},
      {"disabled", [](InputControl* c) { c->SetDisabled(true); }, false},
      {"disabled taking mouse events",
       [](InputControl* c)
       {
         c->SetDisabled(true);
         c->SetMouseEventsWhenDisabled(true);
       },
       true},
  };
  for (const Case& c : cases)
  {
    g.RemoveAllControls();
    Attach("bottom", IRECT(0, 0, 100, 100));
    c.setUp(Attach("top", IRECT(50, 50, 150, 150)));
    Press(60, 60);
    Release(60, 60);
    EXPECT_EQ(TakeEvents().at(0), c.hitTop ? "top down" : "bottom down") << c.name;
  }
}

TEST_F(InputTest, ADragOffTheControlAndAReleaseElsewhereStayWithItAndBalanceTheGestures)
{
  g.EnableMouseOver(true);
  InputControl* pair = Attach("pair", IRECT(0, 0, 50, 50), {2, 0});
  Attach("other", IRECT(100, 0, 200, 50));
  Press(10, 10);
  Drag(150, 10, 140, 0);
  Drag(150, 10, 0, 0); // zero movement is not passed on
  Release(150, 10);
  EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"pair down", "pair drag", "pair up", "other over"}));
  EXPECT_EQ(dlg.mGestures, (std::vector<int>{2, 0, -3, -1}));
  EXPECT_FALSE(g.ControlIsCaptured());
  EXPECT_EQ(pair->NVals(), 2);
}

TEST_F(InputTest, EveryWayACaptureEndsWithoutAReleaseEndsTheHostGestures)
{
  struct Case
  {
    const char* name;
    std::function<void(RecordingGraphics&)> drop;
  };
  const std::vector<Case> cases{
      {"resize", [](RecordingGraphics& rg) { rg.Resize(800, 500, 1.f); }},
      {"focus lost", [](RecordingGraphics& rg) { rg.OnFocusLost(); }},
      {"control removed", [](RecordingGraphics& rg) { rg.RemoveControlAtIndex(0); }},
      {"all controls removed", [](RecordingGraphics& rg) { rg.RemoveAllControls(); }},
      {"capture released", [](RecordingGraphics& rg) { rg.ReleaseMouseCapture(); }},
  };
  for (const Case& c : cases)
  {
    g.RemoveAllControls();
    g.Resize(875, 580, 1.f);
    dlg.mGestures.clear();
    Attach("knob", IRECT(0, 0, 50, 50), {1, 3});
    Press(10, 10);
    c.drop(g);
    Release(10, 10);
    EXPECT_EQ(dlg.mGestures, (std::vector<int>{1, 3, -2, -4})) << c.name;
    EXPECT_FALSE(g.ControlIsCaptured()) << c.name;
  }
}

TEST_F(InputTest, AValueMenuOpenedByThePressEndsItsGesturesOnceThroughTheResult)
{
  InputControl* menu = Attach("menu", IRECT(0, 0, 50, 50), {1});
  menu->mOnDown = [&]
  {
    menu->DisablePrompt(false);
    g.PromptUserInput(*menu, menu->GetRECT(), 0);
  };
  g.mMenuAnswers = {2};
  Press(10, 10);
  Release(10, 10);
  EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"menu down", "menu choice 2"}));
  EXPECT_EQ(dlg.mGestures, (std::vector<int>{1, -2}));
}

TEST_F(InputTest, AControlWithoutValueEntriesGetsThePressButNoGesture)
{
  Attach("bare", IRECT(0, 0, 50, 50), {});
  Press(10, 10, IMouseMod(false, true));
  Release(10, 10);
  EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"bare down", "bare up"}));
  EXPECT_TRUE(dlg.mGestures.empty());
  EXPECT_EQ(g.GetParamIdxForPos(10, 10), -1);
}

TEST_F(InputTest, ARightClickOnABoundControlOffersTheContextMenuInsteadOfThePress)
{
  InputControl* silent = Attach("silent", IRECT(0, 0, 50, 50), {0});
  InputControl* menu = Attach("menu", IRECT(100, 0, 150, 50), {0});
  InputControl* own = Attach("own", IRECT(200, 0, 250, 50), {0});
  menu->mContextItems = {"Copy", "Paste"};
  own->SetWantsRightClicks(true);
  const IMouseMod right(false, true);
  g.mMenuAnswers = {1};
  Press(10, 10, right);
  Press(110, 20, right);
  Press(210, 10, right);
  Release(210, 10, right);
  EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"menu context 1", "own down", "own up"}));
  EXPECT_EQ(g.TakeLog({"menu"}), (std::vector<std::string>{"menu 110 20 110 20 2 1"}));
  EXPECT_EQ(g.GetPromptMenu().NItems(), 2);
  // The context menu's result ends the gestures of the control's parameter, as any menu result does.
  EXPECT_EQ(dlg.mGestures, (std::vector<int>{-1, 0, -1}));
  EXPECT_EQ(silent->GetParamIdx(), 0);
}

TEST_F(InputTest, DoubleClicks)
{
  InputControl* plain = Attach("plain", IRECT(0, 0, 50, 50), {0});
  InputControl* single = Attach("single", IRECT(100, 0, 150, 50), {3});
  single->SetDblAsSingleClick(true);
  EXPECT_TRUE(g.OnMouseDblClick(10, 10, IMouseMod(true)));
  EXPECT_FALSE(g.ControlIsCaptured());
  EXPECT_TRUE(g.OnMouseDblClick(110, 10, IMouseMod(true)));
  EXPECT_TRUE(g.ControlIsCaptured(single));
  Release(110, 10);
  EXPECT_FALSE(g.OnMouseDblClick(300, 300, IMouseMod(true)));
  EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"plain dbl", "single down", "single up"}));
  EXPECT_EQ(dlg.mGestures, (std::vector<int>{3, -4}));
  EXPECT_EQ(plain->GetParamIdx(), 0);
}

TEST_F(InputTest, HoverWheelDropAndKeysReachTheControlUnderThePoint)
{
  g.EnableMouseOver(true);
  InputControl* background = Attach("background", IRECT(0, 0, 875, 580));
  InputControl* knob = Attach("knob", IRECT(10, 10, 50, 50));
  background->mTakesKeys = true;
  EXPECT_TRUE(g.OnMouseOver(20, 20, IMouseMod()));
  EXPECT_EQ(g.GetMouseOverControl(), knob);
  EXPECT_EQ(g.GetMouseOverIdx(), 1);
  // The background never becomes the mouse-over control.
  EXPECT_FALSE(g.OnMouseOver(100, 100, IMouseMod()));
  EXPECT_EQ(g.GetMouseOverControl(), nullptr);
  g.OnMouseWheel(20, 20, IMouseMod(), 1.f);
  g.OnDrop("/tmp/a.qxs", 20, 20);
  const IKeyPress a("a", 'A');
  EXPECT_FALSE(g.OnKeyDown(20, 20, a));
  knob->mTakesKeys = true;
  EXPECT_TRUE(g.OnKeyUp(20, 20, a));
  // Keys never go to the background at index 0.
  EXPECT_FALSE(g.OnKeyDown(100, 100, a));
  std::vector<bool> handled;
  g.SetKeyHandlerFunc(
      [&](const IKeyPress&, bool isUp)
      {
        handled.push_back(isUp);
        return true;
      });
  EXPECT_TRUE(g.OnKeyDown(100, 100, a));
  EXPECT_TRUE(g.OnKeyUp(100, 100, a));
  EXPECT_EQ(handled, (std::vector<bool>{false, true}));
  EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"knob over", "knob out", "knob wheel",
                                                    "knob drop /tmp/a.qxs", "knob keydown", "knob keyup"}));
}

TEST_F(InputTest, MouseOutShowsTheArrowAndForgetsTheHover)
{
  g.EnableMouseOver(true);
  Attach("background", IRECT(0, 0, 875, 580));
  InputControl* knob = Attach("knob", IRECT(10, 10, 50, 50));
  g.SetMouseCursor(kHandCursor);
  g.OnMouseOver(20, 20, IMouseMod());
  g.OnMouseOut();
  EXPECT_EQ(g.GetMouseOverControl(), nullptr);
  EXPECT_EQ(g.GetMouseOverIdx(), -1);
  EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"knob over", "knob out"}));
  EXPECT_FALSE(knob->GetMouseIsOver());
}

TEST_F(InputTest, AnExpandedInWindowMenuTakesEveryPressAndFocusLossClosesIt)
{
  Attach("knob", IRECT(0, 0, 50, 50), {0});
  auto* popup = new qorvtest::TestPopupMenuControl();
  g.InstallPopupMenuControl(popup);
  EXPECT_FALSE(g.IsPopupMenuShowing());
  popup->mState = IPopupMenuControlInterface::kExpanded;
  EXPECT_TRUE(g.IsPopupMenuShowing());
  Press(10, 10);
  Release(10, 10);
  Press(500, 500);
  Release(500, 500);
  EXPECT_EQ(popup->mPresses, 2);
  EXPECT_TRUE(TakeEvents().empty());
  g.OnFocusLost();
  EXPECT_FALSE(g.IsPopupMenuShowing());
}

namespace
{
class CornerStandIn : public TestControl
{
public:
  using TestControl::TestControl;
  void OnMouseDown(float x, float y, const IMouseMod& mod) override { GetUI()->StartDragResize(); }
  void OnRescale() override { ++mRescales; }
  int mRescales = 0;
};
} // namespace

TEST_F(InputTest, TheCornerDragScalesByTheSmallerRatio)
{
  auto* corner = new CornerStandIn(IRECT(780, 480, 875, 580));
  g.AttachCornerResizer(corner, kResizeScale);
  Press(800, 500);
  EXPECT_TRUE(g.IsResizing());
  Drag(1000, 500, 200, 0);
  EXPECT_EQ(g.GetDrawScale(), 1.f);
  Drag(1000, 600, 0, 100);
  EXPECT_FLOAT_EQ(g.GetDrawScale(), 1.2f);
  const int rescales = corner->mRescales;
  Release(1000, 600);
  EXPECT_FALSE(g.IsResizing());
  EXPECT_EQ(corner->mRescales, rescales + 1);
  // A press at the left edge gives no ratio: the scale stays finite.
  Press(0, 0);
  g.StartDragResize();
  Drag(100, 100, 100, 100);
  EXPECT_FLOAT_EQ(g.GetDrawScale(), 1.2f);
  Release(100, 100);
}

TEST_F(InputTest, MultiTouchRefusesASecondTouchOnAControlThatDoesNotWantIt)
{
  g.SetMultiTouch(true);
  Attach("knob", IRECT(0, 0, 50, 50), {0});
  IMouseMod touch1(true), touch2(true);
  touch1.touchID = 1;
  touch2.touchID = 2;
  g.OnMouseDown({MouseAt(10, 10, touch1), MouseAt(20, 20, touch2)});
  g.OnMouseUp({MouseAt(10, 10, touch1), MouseAt(20, 20, touch2)});
  EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"knob down", "knob up"}));
  EXPECT_EQ(dlg.mGestures, (std::vector<int>{0, -1}));
}

namespace
{
class MidiDelegate : public RecordingDelegate
{
public:
  using RecordingDelegate::RecordingDelegate;
  void SendMidiMsgFromUI(const IMidiMsg& msg) override
  {
    mSent.push_back(std::to_string(msg.mStatus) + " " + std::to_string(msg.mData1) + " " +
                    std::to_string(msg.mData2));
  }
  std::vector<std::string> mSent;
};
} // namespace

TEST(QwertyKeyboardTest, NotesOctavesAndLimits)
{
  MidiDelegate dlg;
  RecordingGraphics& g = dlg.Open();
  int forwarded = 0;
  g.SetQwertyMidiKeyHandlerFunc([&](const IMidiMsg&) { ++forwarded; });
  const auto down = [&](char k) { return g.OnKeyDown(0, 0, IKeyPress("", k)); };
  const auto up = [&](char k) { return g.OnKeyUp(0, 0, IKeyPress("", k)); };
  EXPECT_TRUE(down('A'));
  EXPECT_TRUE(down('A'));
  EXPECT_TRUE(up('A'));
  EXPECT_TRUE(down('L'));
  EXPECT_TRUE(down('X'));
  EXPECT_TRUE(up('X'));
  EXPECT_TRUE(down('Q'));
  EXPECT_TRUE(down('1'));
  EXPECT_EQ(dlg.mSent, (std::vector<std::string>{"144 48 127", "128 48 0", "144 62 127", "128 62 0"}));
  EXPECT_EQ(forwarded, 4);
  for (int i = 0; i < 6; ++i)
    down('X');
  dlg.mSent.clear();
  down('A');
  up('A');
  for (int i = 0; i < 10; ++i)
    down('Z');
  down('A');
  up('A');
  EXPECT_EQ(dlg.mSent, (std::vector<std::string>{"144 96 127", "128 96 0", "144 24 127", "128 24 0"}));
  // Put the shared keyboard back at its start for other tests in this process.
  for (int i = 0; i < 2; ++i)
    down('X');
}

TEST_F(InputTest, GestureRegionsTakeWhatNoControlWithGesturesTakes)
{
  InputControl* pinchable = Attach("pinchable", IRECT(0, 0, 50, 50));
  Attach("plain", IRECT(100, 0, 150, 50));
  pinchable->AttachGestureFunc(EGestureType::Pinch,
                               [&](IControl*, const IGestureInfo&) { log.push_back("pinch"); });
  std::vector<std::string> regions;
  g.AttachGestureRegion(IRECT(100, 0, 200, 100), EGestureType::SwipeLeft,
                        [&](IControl* c, const IGestureInfo&)
                        { regions.push_back(c ? "control" : "first"); });
  g.AttachGestureRegion(IRECT(0, 0, 875, 580), EGestureType::SwipeLeft,
                        [&](IControl*, const IGestureInfo&) { regions.push_back("second"); });
  EXPECT_EQ(g.GetGestureTypes(), (std::vector<EGestureType>{EGestureType::Pinch, EGestureType::SwipeLeft}));
  EXPECT_TRUE(g.HitTestGestureRegions(10, 10));
  EXPECT_TRUE(g.HitTestGestureRegions(120, 10));
  IGestureInfo info;
  info.type = EGestureType::Pinch;
  info.x = 10;
  info.y = 10;
  g.OnGestureRecognized(info);
  info.x = 120;
  g.OnGestureRecognized(info);
  info.x = 500;
  g.OnGestureRecognized(info);
  EXPECT_EQ(regions, (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"pinch"}));
  g.ClearGestureRegions();
  EXPECT_FALSE(g.HitTestGestureRegions(500, 10));
}

TEST_F(InputTest, DragsStopWhileAValueIsTypedAndAnEditingEntryTakesEveryPress)
{
  InputControl* knob = Attach("knob", IRECT(0, 0, 50, 50), {0});
  knob->DisablePrompt(false);
  Press(10, 10);
  g.PromptUserInput(*knob, knob->GetRECT(), 0); // the platform's field
  Drag(20, 20, 10, 10);
  Release(20, 20);
  g.SetControlValueAfterTextEdit("0.5");

  auto* entry = new qorvtest::TestTextEntryControl();
  g.InstallTextEntryControl(entry);
  Press(10, 10);
  g.PromptUserInput(*knob, knob->GetRECT(), 0);
  EXPECT_EQ(entry->mEntry, "0 7 0.50");
  Drag(20, 20, 10, 10);
  Release(20, 20);
  Press(300, 300);
  EXPECT_TRUE(g.ControlIsCaptured(entry));
  Release(300, 300);
  EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"knob down", "knob up", "knob down", "knob up"}));
  EXPECT_EQ(dlg.mGestures, (std::vector<int>{0, -1, 0, -1}));
}

TEST_F(InputTest, AppearanceChangesReachTheAppearanceFunction)
{
  g.OnAppearanceChanged(EUIAppearance::Dark); // no function: nothing
  std::vector<EUIAppearance> seen;
  g.SetAppearanceChangedFunc([&](EUIAppearance a) { seen.push_back(a); });
  g.OnAppearanceChanged(EUIAppearance::Dark);
  g.OnAppearanceChanged(EUIAppearance::Light);
  EXPECT_EQ(seen, (std::vector<EUIAppearance>{EUIAppearance::Dark, EUIAppearance::Light}));
  EXPECT_EQ(g.GetParamUnderMouseForHost(), -1);
}
