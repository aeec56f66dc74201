// The button and slider bases through the graphics context: a momentary press held for the click
// animation, jumps to the pointer, relative and absolute drags, stepped parameters and the wheel,
// which follows the knob's rule exactly.
#include "controls/IButtonControlBase.h"
#include "controls/IKnobControlBase.h"
#include "controls/ISliderControlBase.h"
#include "tests/controls/ControlsTestSupport.h"
#include "tests/controls/ScriptedInput.h"

#include <random>

using namespace iplugin::igraphics;
using namespace qorvtest;

namespace
{
class PlainButton : public IButtonControlBase
{
public:
  using IButtonControlBase::IButtonControlBase;
  void Draw(IGraphics& g) override {}
};
class PlainSlider : public ISliderControlBase
{
public:
  using ISliderControlBase::ISliderControlBase;
  void Draw(IGraphics& g) override {}
};
class PlainKnob : public IKnobControlBase
{
public:
  using IKnobControlBase::IKnobControlBase;
  void Draw(IGraphics& g) override {}
};

class ButtonSliderTest : public ControlsTest
{
protected:
  VirtualClock clock;
};

TEST_F(ButtonSliderTest, AButtonStaysPressedForItsClickAnimationOnly)
{
  int ended = 0;
  auto* animated =
      Attach(new PlainButton(IRECT(0, 0, 50, 50), [](IControl* c) { c->StartDefaultClickAnimation(); }));
  animated->SetAnimationEndActionFunction([&ended](IControl*) { ++ended; });
  auto* plain = Attach(new PlainButton(IRECT(60, 0, 110, 50), nullptr));

  Click(25, 25);
  Click(85, 25);
  EXPECT_EQ(animated->GetValue(), 1.0);
  EXPECT_EQ(plain->GetValue(), 1.0);
  Tick(g, 99);
  EXPECT_EQ(animated->GetValue(), 1.0);
  Tick(g, 1);
  EXPECT_EQ(animated->GetValue(), 0.0);
  EXPECT_EQ(ended, 1);
  EXPECT_FALSE(animated->GetAnimationFunction());
  Tick(g, 1000);
  EXPECT_EQ(plain->GetValue(), 1.0) << "no animation, no release";

  // A double click is a second press, which starts the animation again.
  Press(25, 25);
  Release(25, 25);
  g.OnMouseDblClick(25, 25, IMouseMod(true));
  EXPECT_EQ(animated->GetValue(), 1.0);
  Tick(g, 100);
  EXPECT_EQ(animated->GetValue(), 0.0);
  EXPECT_EQ(ended, 2);
}

TEST_F(ButtonSliderTest, APressJumpsToThePointerUnlessTheParameterIsStepped)
{
  // Vertical, 100 points high: y = 25 is 0.75.
  auto* gain = Attach(new PlainSlider(IRECT(0, 0, 20, 100), kGain));
  auto* percent = Attach(new PlainSlider(IRECT(30, 0, 50, 100), kPercent));
  auto* across = Attach(new PlainSlider(IRECT(60, 0, 260, 20), kGain, kHorizontal));
  percent->SetValue(0.4);

  Click(10, 25);
  EXPECT_NEAR(gain->GetValue(), 0.75, 1e-12);
  EXPECT_EQ(dlg.mSentValues.back(), std::make_pair(int(kGain), 0.75));
  Click(40, 25);
  EXPECT_EQ(percent->GetValue(), 0.4);
  Click(110, 10);
  EXPECT_NEAR(across->GetValue(), 0.25, 1e-12);

  // The pointer is hidden from the press to the release.
  Press(10, 50);
  EXPECT_TRUE(g.CursorHidden());
  Release(10, 50);
  EXPECT_FALSE(g.CursorHidden());
}

TEST_F(ButtonSliderTest, DragsAreRelativeWithAHiddenMousePointerAndAbsoluteForFingers)
{
  struct Case
  {
    EDirection dir;
    bool hideCursor;
    uint64_t touch;
    IMouseMod mod;
    float dX, dY;    // the move; the pointer ends at press + move
    double expected; // pressed at the middle (0.5)
  };
  const Case cases[] = {
      // 100 points, gearing 1: 25 points up is a quarter.
      {kVertical, true, 0, IMouseMod(true), 0, -25, 0.75},
      {kVertical, true, 0, IMouseMod(true, false, true), 0, -25, 0.525},
      {kVertical, true, 0, IMouseMod(true, false, false, true), 0, 25, 0.475},
      {kVertical, true, 0, IMouseMod(true), 40, 0, 0.5},
      {kVertical, true, 0, IMouseMod(true), 0, -80, 1.0},
      // Absolute: the value is where the pointer is, gearing and fine mode aside.
      {kVertical, false, 0, IMouseMod(true, false, true), 0, -25, 0.75},
      {kVertical, true, 7, IMouseMod(true, false, true), 0, 40, 0.1},
      {kHorizontal, true, 0, IMouseMod(true), 25, 0, 0.75},
      {kHorizontal, false, 0, IMouseMod(true), -30, 0, 0.2},
  };
  for (const Case& c : cases)
  {
    g.RemoveAllControls();
    auto* slider = Attach(new PlainSlider(IRECT(0, 0, 100, 100), kGain, c.dir, 1.0));
    slider->SetHideCursorOnDrag(c.hideCursor);
    IMouseMod mod = c.mod;
    mod.touchID = c.touch;
    Press(50, 50, mod);
    Drag(50 + c.dX, 50 + c.dY, c.dX, c.dY, mod);
    Release(50 + c.dX, 50 + c.dY, mod);
    EXPECT_NEAR(slider->GetValue(), c.expected, 1e-9)
        << c.dir << " hide " << c.hideCursor << " touch " << c.touch << " move " << c.dX << "," << c.dY;
  }
}

TEST_F(ButtonSliderTest, SteppedDragsAreRelativeAndSnapTowardZero)
{
  // 0..100 in steps of 1 on 100 points with gearing 1: one point is one step. Even with the pointer
  // shown a stepped parameter moves by the drag.
  auto* slider = Attach(new PlainSlider(IRECT(0, 0, 20, 100), kPercent, kVertical, 1.0));
  slider->SetHideCursorOnDrag(false);
  slider->SetValue(0.2);
  Press(10, 90);
  for (float dY : {-10.5f, -0.4f, -0.4f})
    Drag(10, 90 + dY, 0, dY);
  Release(10, 80);
  // 0.2 + 0.113 = 31.3 steps -> 31.
  EXPECT_NEAR(slider->GetValue(), 0.31, 1e-12);
}

TEST_F(ButtonSliderTest, TheWheelMovesSlidersExactlyAsKnobs)
{
  std::mt19937 rng(22);
  std::uniform_real_distribution<double> value(0.0, 1.0);
  const float deltas[] = {-3.f, -1.f, -0.5f, 0.f, 0.25f, 1.f, 2.f};
  const int params[] = {kGain, kPercent, kLevel, kCount, -1};
  for (int i = 0; i < 200; ++i)
  {
    g.RemoveAllControls();
    const int param = params[i % 5];
    auto* slider = Attach(new PlainSlider(IRECT(0, 0, 50, 100), param));
    auto* knob = Attach(new PlainKnob(IRECT(100, 0, 150, 100), param));
    const double v = value(rng);
    const float d = deltas[rng() % 7];
    const IMouseMod mod(false, false, rng() % 3 == 0, rng() % 3 == 0);
    slider->SetValue(v);
    knob->SetValue(v);
    Wheel(25, 50, d, mod);
    Wheel(125, 50, d, mod);
    EXPECT_EQ(slider->GetValue(), knob->GetValue()) << "param " << param << " from " << v << " by " << d;
  }
  // The rule itself: 0.01 a unit, 0.001 fine, one step for stepped parameters, never past the ends.
  auto* slider = Attach(new PlainSlider(IRECT(200, 0, 250, 100), kGain));
  slider->SetValue(0.5);
  Wheel(225, 50, 2.f);
  EXPECT_NEAR(slider->GetValue(), 0.52, 1e-12);
  Wheel(225, 50, 1.f, IMouseMod(false, false, true));
  EXPECT_NEAR(slider->GetValue(), 0.521, 1e-12);
  auto* count = Attach(new PlainSlider(IRECT(260, 0, 290, 100), kCount));
  count->SetValue(0.96);
  Wheel(275, 50, 1.f);
  EXPECT_NEAR(count->GetValue(), 1.0, 1e-12);
  Wheel(275, 50, 1.f);
  EXPECT_NEAR(count->GetValue(), 1.0, 1e-12);
}
} // namespace

namespace
{
// A slider whose track has collapsed to a line across its direction of travel.
class FlatTrackSlider : public PlainSlider
{
public:
  using PlainSlider::PlainSlider;
  void OnResize() override
  {
    PlainSlider::OnResize();
    mTrack = IRECT(mRECT.L, mRECT.MH(), mRECT.R, mRECT.MH());
  }
};

TEST_F(ButtonSliderTest, ATrackWithoutLengthLeavesTheValueWhereItIs)
{
  auto* slider = Attach(new FlatTrackSlider(IRECT(0, 0, 20, 100), kGain, kVertical, 1.0));
  slider->SetValue(0.3);
  Press(10, 50);
  for (auto [dX, dY] : {std::pair{0.f, 5.f}, {3.f, 0.f}, {0.f, -40.f}})
    Drag(10 + dX, 50 + dY, dX, dY);
  Release(10, 10);
  EXPECT_EQ(slider->GetValue(), 0.3);
  for (const auto& [param, value] : dlg.mSentValues)
    EXPECT_EQ(value, 0.3);
}
} // namespace
