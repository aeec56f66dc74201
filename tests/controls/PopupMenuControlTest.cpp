// The in-window popup menu driven as a person would: menus opened by a control through the context,
// mouse moves and clicks posted to the context, display frames on a clock the test moves.
#include "controls/IPopupMenuControl.h"
#include "tests/controls/SpecialControlsTestSupport.h"

using namespace iplugin::igraphics;

namespace qorvtest
{
namespace
{
// Text of 19 points measures 9.5 points a byte and 19 high: cells are 19 high, 21 apart.
constexpr float kRowPitch = 21.f;

class PopupMenuTest : public SpecialControlsTest
{
protected:
  explicit PopupMenuTest(int w = 400, int h = 300) : SpecialControlsTest(w, h)
  {
    g.AttachControl(new TestControl(g.GetBounds(), -1));
    opener = new PromptingControl(IRECT(20, 20, 80, 40), -1);
    g.AttachControl(opener);
    // A knob strip under where the panels open.
    under = new PromptingControl(IRECT(0, 41, 400, 300), -1);
    g.AttachControl(under);
    g.AttachPopupMenuControl(kDefaultLabelText);
    popup = static_cast<IPopupMenuControl*>(g.GetPopupMenuControl());
  }

  void Open(IPopupMenu& menu, const IRECT& anchor = IRECT(20, 20, 80, 40))
  {
    g.CreatePopupMenu(*opener, menu, anchor, 0);
  }
  // Centre of cell i of panel p.
  std::pair<float, float> Cell(int i, int p = 0) const
  {
    const IRECT& r = popup->GetPanel(p)->cellRects.at(size_t(i));
    return {r.MW(), r.MH()};
  }
  void HoverCell(int i, int p = 0)
  {
    auto [x, y] = Cell(i, p);
    Hover(x, y);
  }
  void ClickCell(int i, int p = 0)
  {
    auto [x, y] = Cell(i, p);
    Click(x, y);
  }
  static void AddItems(IPopupMenu& menu, int n)
  {
    for (int i = 0; i < n; ++i)
      menu.AddItem(("Item " + std::to_string(i)).c_str());
  }

  PromptingControl* opener;
  PromptingControl* under;
  IPopupMenuControl* popup;
};

TEST_F(PopupMenuTest, OpensBelowTheAnchorFadesInAndHandsTheChoiceToTheOpener)
{
  IPopupMenu menu("", 0, false, {"One", "Two", "Three"});
  int completions = 0;
  menu.SetFunction([&](IPopupMenu*) { ++completions; });
  Open(menu);

  // w = 5 bytes x 9.5 + 28, centred on the anchor; the panel starts at the anchor's bottom.
  ASSERT_EQ(popup->NPanels(), 1);
  EXPECT_EQ(popup->GetPlacement(), 2);
  const PopupPanel& panel = *popup->GetPanel(0);
  EXPECT_FLOAT_EQ(panel.panelRect.L, 50.f - 75.5f / 2.f);
  EXPECT_FLOAT_EQ(panel.panelRect.T, 40.f);
  EXPECT_FLOAT_EQ(panel.panelRect.B, 40.f + 5.f + 3 * 19.f + 2 * 2.f + 5.f);
  EXPECT_EQ(popup->GetTargetRECT(), panel.panelRect);

  Advance(50);
  EXPECT_EQ(popup->GetPopupState(), IPopupMenuControl::kFadingIn);
  EXPECT_NEAR(panel.blend.mWeight, 0.5f * 0.95f, 0.02f);
  Advance(60);
  EXPECT_EQ(popup->GetPopupState(), IPopupMenuControl::kOpen);
  EXPECT_FLOAT_EQ(panel.blend.mWeight, 0.95f);

  HoverCell(1);
  EXPECT_EQ(popup->GetMouseCell(), &panel.cellRects[1]);
  ClickCell(1);
  EXPECT_EQ(opener->mChoices, "3:1;");
  EXPECT_EQ(completions, 1);
  EXPECT_TRUE(popup->IsHidden());

  // Chosen, fading out, closing: 100 ms each while hidden, then closed without panels.
  Advance(350);
  EXPECT_EQ(popup->GetPopupState(), IPopupMenuControl::kClosed);
  EXPECT_EQ(popup->NPanels(), 0);
  EXPECT_EQ(under->mPresses, 0);
}

TEST_F(PopupMenuTest, PlacementStaysInsideTheWindowForEveryAnchor)
{
  IPopupMenu menu("", 0, false, {"One", "Two", "Three", "Four"});
  for (float ax = 0.f; ax <= 380.f; ax += 38.f)
    for (float ay = 0.f; ay <= 280.f; ay += 28.f)
    {
      Open(menu, IRECT(ax, ay, ax + 20.f, ay + 20.f));
      const IRECT& r = popup->GetPanel(0)->outerRect;
      EXPECT_GE(r.T, 0.f) << ax << "," << ay;
      EXPECT_LE(r.B, 300.f + 0.01f) << ax << "," << ay;
      EXPECT_GE(r.L, 0.f) << ax << "," << ay;
      EXPECT_LE(r.R, 400.f + 0.01f) << ax << "," << ay;
      Advance(110);
      Click(1.f, 1.f);
      Advance(350);
      ASSERT_EQ(popup->GetPopupState(), IPopupMenuControl::kClosed);
    }
  EXPECT_EQ(opener->mPresses, 0);
}

// Whichever way the first position is found, the panel opens below the anchor when there is room there.
// The menu measures 75.5 x 61 points: x stays in [10, 304.5] and y in [10, 219].
TEST_F(PopupMenuTest, PanelsPreferTheRoomBelowTheAnchorAfterEveryStep)
{
  struct Case
  {
    IRECT anchor;
    int placement;
    float left, top;
  };
  const Case cases[] = {
      {IRECT(20, 20, 80, 40), 2, 50.f - 75.5f / 2.f, 40.f},             // the first guess fits
      {IRECT(80, 160, 390, 170), 2, 235.f - 75.5f / 2.f, 170.f},        // too far left beside it, lower half
      {IRECT(0, 20, 10, 40), 2, 10.f, 40.f},                            // too far left, upper half
      {IRECT(80, 250, 390, 270), 0, 235.f - 75.5f / 2.f, 250.f - 71.f}, // no room below: above
  };
  IPopupMenu menu("", 0, false, {"One", "Two", "Three"});
  for (const Case& c : cases)
  {
    Open(menu, c.anchor);
    EXPECT_EQ(popup->GetPlacement(), c.placement) << c.anchor.L << "," << c.anchor.T;
    const IRECT& r = popup->GetPanel(0)->panelRect;
    EXPECT_FLOAT_EQ(r.L, c.left) << c.anchor.L << "," << c.anchor.T;
    EXPECT_FLOAT_EQ(r.T, c.top) << c.anchor.L << "," << c.anchor.T;
    Advance(110);
    Click(1.f, 1.f);
    Advance(350);
    ASSERT_EQ(popup->GetPopupState(), IPopupMenuControl::kClosed);
  }
}

// A menu with sub-menus centres on the anchor and opens on the side with more room, ties below.
TEST_F(PopupMenuTest, MenusWithSubMenusCentreOnTheAnchorOnTheRoomierSide)
{
  IPopupMenu menu("", 0, false, {"Plain"});
  menu.AddItem("More", new IPopupMenu("", 0, false, {"x"}));
  struct Case
  {
    IRECT anchor;
    int placement;
  };
  const Case cases[] = {
      {IRECT(100, 140, 140, 160), 2}, // 140 above, 140 below
      {IRECT(100, 200, 140, 220), 0},
      {IRECT(300, 60, 340, 80), 2},
  };
  for (const Case& c : cases)
  {
    Open(menu, c.anchor);
    const PopupPanel& panel = *popup->GetPanel(0);
    EXPECT_EQ(popup->GetPlacement(), c.placement) << c.anchor.T;
    // The content (w wide) is centred; the pad on its left shifts the panel by 5.
    EXPECT_FLOAT_EQ(panel.panelRect.MW(), c.anchor.MW() + 5.f) << c.anchor.T;
    EXPECT_FLOAT_EQ(c.placement == 2 ? panel.panelRect.T : panel.panelRect.B,
                    c.placement == 2 ? c.anchor.B : c.anchor.T);
    Advance(110);
    Click(1.f, 1.f);
    Advance(350);
  }
}

TEST_F(PopupMenuTest, ExpandedBoundsReplaceTheMeasuredPanel)
{
  g.RemovePopupMenuControl();
  g.AttachPopupMenuControl(kDefaultLabelText, IRECT(100, 100, 300, 250));
  popup = static_cast<IPopupMenuControl*>(g.GetPopupMenuControl());
  IPopupMenu menu("", 0, false, {"One"});
  Open(menu);
  EXPECT_EQ(popup->GetPanel(0)->panelRect, IRECT(95, 95, 305, 255));
}

TEST_F(PopupMenuTest, ClicksOnNothingChoosableCloseWithoutAChoice)
{
  IPopupMenu menu("", 0, false, {});
  menu.AddItem("Title", -1, IPopupMenu::Item::kTitle);
  menu.AddItem("Off", -1, IPopupMenu::Item::kDisabled);
  menu.AddItem("", -1, IPopupMenu::Item::kSeparator);
  menu.AddItem("On");
  for (int cell : {0, 1, 2, -1})
  {
    Open(menu);
    Advance(110);
    if (cell >= 0)
      ClickCell(cell);
    else
      Click(390.f, 290.f);
    Advance(350);
  }
  EXPECT_EQ(opener->mChoices, "none;none;none;none;");
}

TEST_F(PopupMenuTest, ASecondMenuWhileOneIsShowingShowsNothingNew)
{
  IPopupMenu first("", 0, false, {"A", "B"});
  IPopupMenu second("", 0, false, {"X", "Y", "Z"});
  Open(first);
  Advance(50);
  Open(second, IRECT(300, 200, 320, 220));
  ASSERT_EQ(popup->NPanels(), 1);
  EXPECT_EQ(popup->GetPanel(0)->menu, &first);
}

TEST_F(PopupMenuTest, SubMenusCascadeAfterTheirDelayAndDeliverTheirOwnChoice)
{
  IPopupMenu menu("", 0, false, {"Plain"});
  auto* pSub = new IPopupMenu("", 0, false, {"x", "y"});
  int subCompletions = 0;
  pSub->SetFunction([&](IPopupMenu*) { ++subCompletions; });
  menu.AddItem("More", pSub);
  menu.AddItem("Last");
  Open(menu);
  Advance(110);

  HoverCell(1);
  ASSERT_EQ(popup->NPanels(), 2);
  EXPECT_EQ(popup->GetPopupState(), IPopupMenuControl::kSubMenuAppearing);
  const PopupPanel& sub = *popup->GetPanel(1);
  EXPECT_EQ(sub.parentIndex, 0);
  EXPECT_GE(sub.panelRect.L, popup->GetPanel(0)->cellRects[1].R); // opens to the right
  Advance(170);
  EXPECT_EQ(sub.blend.mWeight, 0.f);
  Advance(20);
  EXPECT_FLOAT_EQ(sub.blend.mWeight, 0.95f);
  Advance(20);
  EXPECT_EQ(popup->GetPopupState(), IPopupMenuControl::kOpen);

  // A plain item of the same panel hides the sub-menu; back on "More" the same panel returns.
  HoverCell(0);
  EXPECT_FALSE(sub.visible);
  HoverCell(1);
  EXPECT_TRUE(sub.visible);
  EXPECT_EQ(popup->NPanels(), 2);
  Advance(210);

  HoverCell(1, 1);
  ClickCell(1, 1);
  EXPECT_EQ(opener->mChoices, "2:1;");
  EXPECT_EQ(subCompletions, 1);
}

// While a panel fades in or a sub-menu waits, the panel is on screen: a click there must not reach
// the control under it.
TEST_F(PopupMenuTest, ClicksWhileFadingInOrWaitingForASubMenuAreSwallowed)
{
  IPopupMenu menu("", 0, false, {"Plain"});
  menu.AddItem("More", new IPopupMenu("", 0, false, {"x", "y"}));
  Open(menu);
  ClickCell(0);
  EXPECT_EQ(under->mPresses, 0);
  EXPECT_EQ(opener->mChoices, "");
  EXPECT_EQ(popup->GetPopupState(), IPopupMenuControl::kFadingIn);

  Advance(110);
  HoverCell(1);
  ASSERT_EQ(popup->GetPopupState(), IPopupMenuControl::kSubMenuAppearing);
  ClickCell(0);
  EXPECT_EQ(under->mPresses, 0);
  EXPECT_EQ(opener->mChoices, "");

  Advance(210);
  ClickCell(0);
  EXPECT_EQ(opener->mChoices, "2:0;");
}

class TallPopupMenuTest : public PopupMenuTest
{
};

// 34 items in a 300-point window: (300 - 5 - 15) / 21 = 13 rows.
TEST_F(TallPopupMenuTest, ScrollsByHoverBetweenTheEnds)
{
  IPopupMenu menu;
  AddItems(menu, 34);
  Open(menu);
  Advance(110);
  const PopupPanel& panel = *popup->GetPanel(0);
  ASSERT_TRUE(panel.scrolls);
  ASSERT_EQ(panel.cellRects.size(), 13u);
  EXPECT_EQ(panel.maxRows, 13);
  EXPECT_FLOAT_EQ(panel.cellRects[1].T - panel.cellRects[0].T, kRowPitch);

  for (int i = 0; i < 30; ++i)
    HoverCell(12);
  EXPECT_EQ(panel.scrollOffset, 34 - 13);
  for (int i = 0; i < 30; ++i)
    HoverCell(0);
  EXPECT_EQ(panel.scrollOffset, 0);

  // A middle cell chooses the item shown in it.
  HoverCell(12);
  HoverCell(12);
  ClickCell(5);
  EXPECT_EQ(opener->mChoices, "34:7;");
}

TEST_F(TallPopupMenuTest, DrawsArrowsInPlaceOfTheHiddenItemsAndHighlightsTheCellUnderTheMouse)
{
  IPopupMenu menu;
  AddItems(menu, 34);
  menu.GetItem(5)->SetChecked(true);
  Open(menu);
  Advance(110);
  HoverCell(12);
  HoverCell(12);
  g.TakeLog();
  popup->Draw(g);
  const std::vector<std::string> log = g.TakeLog({"text", "fill"});
  std::vector<std::string> texts, fills;
  for (const std::string& line : log)
    (line.rfind("text", 0) == 0 ? texts : fills).push_back(line.substr(0, line.rfind(' ')));
  // Rows 1 to 11 show items 3 to 13 (rows 0 and 12 are arrows), in the panel's fade weight.
  ASSERT_EQ(texts.size(), 11u);
  EXPECT_EQ(texts.front(), "text Item 3 100 36 174.5 55");
  EXPECT_EQ(texts.back(), "text Item 13 100 246 174.5 265");
  EXPECT_EQ(log.back().substr(log.back().rfind(' ')), " b0,0.95");
  const std::vector<std::string> expected = {
      "fill #255,255,255,255", // panel
      "fill #255,0,0,0",       // up arrow, not under the mouse
      "fill #255,255,0,0",     // highlight behind the down arrow
      "fill #255,255,255,255", // down arrow in the selected colour
      "fill #255,0,0,0",       // the tick of item 5
  };
  EXPECT_EQ(fills, expected);
}

TEST_F(TallPopupMenuTest, ArrowCellsChooseNothing)
{
  IPopupMenu menu;
  AddItems(menu, 34);
  Open(menu);
  Advance(110);
  ClickCell(12); // the down arrow over item 12
  Advance(350);

  Open(menu);
  Advance(110);
  HoverCell(12);
  HoverCell(12);
  ASSERT_EQ(popup->GetPanel(0)->scrollOffset, 2);
  ClickCell(0); // the up arrow over item 2
  EXPECT_EQ(opener->mChoices, "none;none;");
}

TEST_F(TallPopupMenuTest, ADisabledItemUnderAnArrowStillScrolls)
{
  IPopupMenu menu;
  for (int i = 0; i < 34; ++i)
    menu.AddItem("Item", -1, i == 12 ? IPopupMenu::Item::kDisabled : IPopupMenu::Item::kNoFlags);
  Open(menu);
  Advance(110);
  HoverCell(12);
  EXPECT_EQ(popup->GetPanel(0)->scrollOffset, 1);
}

class ShortWindowPopupMenuTest : public PopupMenuTest
{
protected:
  ShortWindowPopupMenuTest() : PopupMenuTest(400, 40) {}
};

// 40 points leave no room for a row by the overflow rule: the panel still gets one, showing item 0.
TEST_F(ShortWindowPopupMenuTest, AWindowTooShortForARowStillShowsOne)
{
  IPopupMenu menu;
  AddItems(menu, 34);
  Open(menu, IRECT(20, 5, 80, 15));
  Advance(110);
  const PopupPanel& panel = *popup->GetPanel(0);
  ASSERT_EQ(panel.cellRects.size(), 1u);
  HoverCell(0);
  ClickCell(0);
  EXPECT_EQ(opener->mChoices, "34:0;");
}
} // namespace
} // namespace qorvtest
