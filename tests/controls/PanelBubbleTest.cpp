// The background panel and the value bubble: the panel's pattern and frame, and the bubble's
// placement, shape, text and fades as a dragged control shows it.
#include "controls/IBubbleControl.h"
#include "controls/IPanelControl.h"
#include "controls/ISliderControlBase.h"
#include "tests/controls/ControlsTestSupport.h"
#include "tests/controls/DrawLog.h"
#include "tests/controls/ScriptedInput.h"

using namespace iplugin::igraphics;
using namespace qorvtest;

namespace
{
// A slider that shows the value bubble whenever its value changes.
class BubbleSlider : public ISliderControlBase
{
public:
  BubbleSlider(const IRECT& bounds, int paramIdx, EDirection dir) : ISliderControlBase(bounds, paramIdx, dir)
  {
    SetActionFunction(
        [dir](IControl* c)
        {
          if (dir == kHorizontal)
            c->ShowValueBubbleHorizontal();
          else
            c->ShowValueBubbleVertical();
        });
  }
  void Draw(IGraphics& g) override {}
};

class PanelBubbleTest : public ControlsTest
{
protected:
  IBubbleControl* Bubble(int idx = 0) { return dynamic_cast<IBubbleControl*>(g.GetBubbleControl(idx)); }
  VirtualClock clock;
};

TEST_F(PanelBubbleTest, PanelsFillWithTheirPatternAndAnOptionalFrame)
{
  IPattern gradient(kLinearPattern);
  gradient.AddStop(kColorRed, 0.f);
  gradient.AddStop(kColorBlue, 1.f);
  const IRECT r(10, 10, 60, 40);
  auto* plain = Attach(new IPanelControl(r, gradient));
  auto* framed = Attach(new IPanelControl(r, kColorGreen, true));
  EXPECT_EQ(DrawLog(g, *plain), DrawLog(g, [&] { g.FillRectWithPattern(gradient, r, plain->GetBlend()); }));
  EXPECT_EQ(DrawLog(g, *framed), DrawLog(g,
                                         [&]
                                         {
                                           g.FillRectWithPattern(kColorGreen, r, framed->GetBlend());
                                           g.DrawRect(IColor(255, 240, 240, 240), r, framed->GetBlend(), 1.f);
                                         }));

  // The background panel: the whole context, at the bottom, never hit.
  g.AttachPanelBackground(gradient);
  IControl* pBackground = g.GetControl(0);
  EXPECT_EQ(pBackground->GetRECT(), IRECT(0, 0, 300, 200));
  EXPECT_TRUE(pBackground->GetIgnoreMouse());
  EXPECT_EQ(
      DrawLog(g, *pBackground),
      DrawLog(g, [&] { g.FillRectWithPattern(gradient, IRECT(0, 0, 300, 200), pBackground->GetBlend()); }));
}

TEST_F(PanelBubbleTest, TheBubbleFadesInStaysWhileItsControlIsHeldAndFadesOut)
{
  // Without a bubble control nothing is shown.
  auto* slider = Attach(new BubbleSlider(IRECT(20, 50, 120, 70), kGain, kHorizontal));
  Click(70, 60);
  g.AttachBubbleControl();
  IBubbleControl* bubble = Bubble();
  ASSERT_TRUE(bubble);
  EXPECT_TRUE(bubble->IsHidden());
  EXPECT_TRUE(bubble->GetIgnoreMouse());

  dlg.GetParam(kGain)->Set(0.25);
  Press(45, 60);
  EXPECT_EQ(bubble->GetCaller(), slider);
  EXPECT_EQ(bubble->GetState(), IBubbleControl::kFadingIn);
  EXPECT_FALSE(bubble->IsHidden());
  EXPECT_STREQ(bubble->GetStr(), "0.25");
  // Right of the slider, centred on its middle: margin 10 around the content, which is at least 50 x 30.
  const IRECT box = bubble->GetBubbleBounds();
  EXPECT_EQ(box, IRECT(120 + 5 + 10, 60 - 15 - 10, 120 + 5 + 10 + 70, 60 + 15 + 10));

  const std::pair<double, float> fadeIn[] = {{0, 0.f}, {100, 0.475f}, {50, 0.7125f}, {50, 0.95f}};
  for (auto [ms, opacity] : fadeIn)
  {
    Tick(g, ms);
    EXPECT_NEAR(bubble->GetOpacity(), opacity, 1e-4) << ms;
  }
  EXPECT_EQ(bubble->GetState(), IBubbleControl::kShown);
  // Still held after a second: it stays.
  Tick(g, 1000);
  EXPECT_EQ(bubble->GetState(), IBubbleControl::kShown);
  Release(45, 60);
  Tick(g, 1000);
  EXPECT_EQ(bubble->GetState(), IBubbleControl::kFadingOut);
  Tick(g, 50);
  EXPECT_NEAR(bubble->GetOpacity(), 0.7125f, 1e-4);
  Tick(g, 150);
  EXPECT_EQ(bubble->GetState(), IBubbleControl::kHidden);
  EXPECT_TRUE(bubble->IsHidden());
  EXPECT_EQ(bubble->GetOpacity(), 0.f);
  EXPECT_EQ(bubble->GetCaller(), nullptr);
  Tick(g, 5000);
  EXPECT_EQ(bubble->GetState(), IBubbleControl::kHidden);
}

TEST_F(PanelBubbleTest, TheBubbleIsABoxWithAnArrowTowardItsControl)
{
  g.AttachBubbleControl();
  IBubbleControl* bubble = Bubble();
  Attach(new BubbleSlider(IRECT(100, 150, 120, 190), kGain, kVertical));
  Press(110, 170);
  Tick(g, 200);
  // Above the slider, arrow on the bottom edge pointing down at its top centre.
  const IRECT box = bubble->GetBubbleBounds();
  EXPECT_EQ(box, IRECT(110 - 35, 150 - 15 - 30 - 20, 110 + 35, 150 - 15));
  const auto log = DrawLog(g, *bubble);
  const std::vector<std::string> arrow = {"L 115 135", "L 110 145", "L 105 135"};
  EXPECT_NE(std::search(log.begin(), log.end(), arrow.begin(), arrow.end()), log.end());
  EXPECT_EQ(CountLines(log, "A"), 4);
  EXPECT_EQ(CountLines(log, "fill #255,200,200,200 preserve b0,0.95"), 1);
  EXPECT_EQ(CountLines(log, "stroke #255,70,70,70 t2"), 1);
  EXPECT_EQ(CountLines(log, "text 0.50 85 95 135 125 b0,0.95"), 1);
}

TEST_F(PanelBubbleTest, WithMultiTouchEachHeldControlGetsABubbleOfItsOwn)
{
  g.AttachBubbleControl();
  g.AttachBubbleControl();
  g.SetMultiTouch(true);
  auto* left = Attach(new BubbleSlider(IRECT(0, 0, 20, 100), kGain, kVertical));
  auto* right = Attach(new BubbleSlider(IRECT(50, 0, 70, 100), kPercent, kVertical));
  Press(10, 50, IMouseMod(true, false, false, false, false, 1));
  Press(60, 50, IMouseMod(true, false, false, false, false, 2));
  Drag(60, 40, 0, -10, IMouseMod(true, false, false, false, false, 2));
  IBubbleControl* first = Bubble(0);
  IBubbleControl* second = Bubble(1);
  ASSERT_NE(first->GetCaller(), nullptr);
  ASSERT_NE(second->GetCaller(), nullptr);
  EXPECT_NE(first->GetCaller(), second->GetCaller());
  IBubbleControl* leftBubble = first->GetCaller() == left ? first : second;
  IBubbleControl* rightBubble = leftBubble == first ? second : first;
  EXPECT_EQ(rightBubble->GetCaller(), right);
  EXPECT_EQ(leftBubble->GetTouchID(), 1u);
  EXPECT_EQ(rightBubble->GetTouchID(), 2u);
  // The same touch keeps its bubble.
  Drag(10, 30, 0, -20, IMouseMod(true, false, false, false, false, 1));
  EXPECT_EQ(leftBubble->GetCaller(), left);
  EXPECT_EQ(rightBubble->GetCaller(), right);
}
} // namespace
