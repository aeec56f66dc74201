// The knob base: geared vertical and horizontal drags (finer with Shift or Control), snapping to a
// stepped parameter, the wheel, the right-button prompt and the hidden pointer during a drag.
#include "controls/IKnobControlBase.h"
#include "controls/StepSnapping.h"
#include "tests/controls/ControlsTestSupport.h"

#include <cmath>

using namespace iplugin::igraphics;
using qorvtest::ControlsTest;

namespace
{
class PlainKnob : public IKnobControlBase
{
public:
  using IKnobControlBase::IKnobControlBase;
  void Draw(IGraphics& g) override {}
};

class KnobTest : public ControlsTest
{
protected:
  // A 50-point-high knob, as the context hands a press, drags of (dX, dY) and the release.
  PlainKnob* Knob(int paramIdx, EDirection dir = kVertical, double gearing = 4.0)
  {
    return Attach(new PlainKnob(IRECT(0, 0, 50, 50), paramIdx, dir, gearing));
  }
  // Press at (25, 25), the moves, release.
  void DragKnob(std::initializer_list<std::pair<float, float>> moves, const IMouseMod& mod = IMouseMod(true))
  {
    Press(25, 25, mod);
    float x = 25, y = 25;
    for (auto [dX, dY] : moves)
      Drag(x += dX, y += dY, dX, dY, mod);
    Release(x, y, mod);
  }
};

TEST_F(KnobTest, DragsFollowTheirAxisWithGearingAndStopAtTheEnds)
{
  struct Case
  {
    EDirection dir;
    bool shift, control;
    float dX, dY;
    double expected; // from 0.5
  };
  const Case cases[] = {
      {kVertical, false, false, 0, -10, 0.55},  {kVertical, true, false, 0, -10, 0.505},
      {kVertical, false, true, 0, -10, 0.505},  {kVertical, false, false, 0, 10, 0.45},
      {kVertical, false, false, 30, 0, 0.5},    {kHorizontal, false, false, 10, 0, 0.55},
      {kHorizontal, false, false, 0, -30, 0.5}, {kHorizontal, true, false, -10, 0, 0.495},
  };
  for (const Case& c : cases)
  {
    PlainKnob* knob = Knob(kGain, c.dir);
    knob->SetValue(0.5);
    DragKnob({{c.dX, c.dY}}, IMouseMod(true, false, c.shift, c.control));
    EXPECT_NEAR(knob->GetValue(), c.expected, 1e-9) << c.dir << " " << c.dX << "," << c.dY;
  }

  // 200 points of travel for the whole range; past the top it stops, and coming back moves at once.
  PlainKnob* knob = Knob(kGain);
  dlg.mGestures.clear();
  DragKnob({{0, -150}, {0, -100}, {0, 20}});
  EXPECT_NEAR(knob->GetValue(), 0.9, 1e-9);
  EXPECT_EQ(dlg.mGestures, (std::vector<int>{kGain, -1 - kGain}));
  DragKnob({{0, 500}});
  EXPECT_EQ(knob->GetValue(), 0.0);
  EXPECT_EQ(dlg.mSentValues.back(), std::make_pair(int(kGain), 0.0));
}

TEST_F(KnobTest, DragsOnASteppedParameterSnapTowardZeroAndKeepTheUnsnappedSum)
{
  // Gearing 1 on 50 points: each point is 1/50 of the range.
  struct Case
  {
    int paramIdx;
    double dragValue;
    double expected;
  };
  const Case cases[] = {
      {kLevel, 0.505, 31.0 / 60},                            // -29.7 takes -29
      {kPercent, 0.297, 0.29},                               // 29.7 takes 29
      {kPercent, 0.29, 0.29},                                // a sum landing a hair below 29 is 29
      {kPercent, 0.57, 0.57},     {kLevel, 0.45, 27.0 / 60}, // -33 exactly
      {kCount, 1.0, 1.0},
  };
  for (const Case& c : cases)
  {
    PlainKnob* knob = Attach(new PlainKnob(IRECT(0, 0, 50, 100), c.paramIdx, kVertical, 1.0));
    // From 0 up by dragValue x 100 points in one move.
    DragKnob({{0.f, float(-c.dragValue * 100.0)}});
    EXPECT_NEAR(knob->GetValue(), c.expected, 1e-12) << c.paramIdx << " at " << c.dragValue;
  }

  // Slow drags: each move is under a step, the sum still crosses steps.
  PlainKnob* knob = Knob(kCount, kVertical, 1.0);
  Press(25, 25);
  for (int i = 0; i < 8; ++i)
    Drag(25, 24.f - float(i), 0, -1.f);
  EXPECT_NEAR(knob->GetValue(), 0.1, 1e-12); // 8/50 = 0.16 of 10 is 1.6: step 1
}

TEST_F(KnobTest, TheWheelStepsOneStepFromTheNearestStep)
{
  struct Case
  {
    int paramIdx;
    double real; // current real value
    float d;
    double expectedReal;
  };
  const Case cases[] = {
      {kPercent, 29, 1, 30},  {kPercent, 29, -1, 28}, {kLevel, -29, 1, -28}, {kLevel, -29, -1, -30},
      {kCount, 10, 3, 10},    {kCount, 5, -0.2f, 4},  {kCount, 0, -1, 0},    {kPercent, 57, 1, 58},
      {kPercent, 99, 1, 100}, {kLevel, -1, 1, 0},     {kPercent, 29, 0, 29},
  };
  for (const Case& c : cases)
  {
    const iplugin::IParam* p = dlg.GetParam(c.paramIdx);
    PlainKnob* knob = Knob(c.paramIdx);
    knob->SetValueFromDelegate(p->ToNormalized(c.real));
    Wheel(25, 25, c.d);
    EXPECT_NEAR(p->FromNormalized(knob->GetValue()), c.expectedReal, 1e-9) << p->GetName() << " " << c.real;
  }
  // Walking the whole range one event at a time visits every step once, both ways.
  for (int paramIdx : {int(kPercent), int(kLevel)})
  {
    const iplugin::IParam* p = dlg.GetParam(paramIdx);
    PlainKnob* knob = Knob(paramIdx);
    for (int i = 1; i <= 100; ++i)
    {
      Wheel(25, 25, 1.f);
      const double expected = std::min(p->GetMin() + i, p->GetMax());
      ASSERT_NEAR(p->FromNormalized(knob->GetValue()), expected, 1e-9) << p->GetName() << " up " << i;
    }
    for (int i = 1; i <= 100; ++i)
    {
      Wheel(25, 25, -1.f);
      const double expected = std::max(p->GetMax() - i, p->GetMin());
      ASSERT_NEAR(p->FromNormalized(knob->GetValue()), expected, 1e-9) << p->GetName() << " down " << i;
    }
  }
}

TEST_F(KnobTest, TheWheelOnAContinuousKnobMovesByItsDeltaAndIsClamped)
{
  PlainKnob* knob = Knob(-1);
  knob->SetValue(0.995);
  Wheel(25, 25, 2.f);
  EXPECT_EQ(knob->GetValue(), 1.0);
  Wheel(25, 25, -3.f);
  EXPECT_NEAR(knob->GetValue(), 0.97, 1e-12);
  Wheel(25, 25, -3.f, IMouseMod(false, false, true));
  EXPECT_NEAR(knob->GetValue(), 0.967, 1e-12);
  // Not stepped: the gain parameter moves continuously.
  PlainKnob* gain = Knob(kGain);
  gain->SetValue(0.5);
  Wheel(25, 25, 1.5f, IMouseMod(false, false, false, true));
  EXPECT_NEAR(gain->GetValue(), 0.5015, 1e-12);
}

TEST_F(KnobTest, ARightPressPromptsAndThePointerHidesUntilRelease)
{
  PlainKnob* knob = Knob(kGain);
  knob->DisablePrompt(false);
  // The context keeps right presses on a linked control for its context menu unless it wants them.
  knob->SetWantsRightClicks(true);
  g.TakeLog();
  Press(25, 25, IMouseMod(false, true));
  EXPECT_EQ(g.TakeLog({"prompt"}), std::vector<std::string>{"prompt 5 17 45 33 0"});
  EXPECT_TRUE(knob->GetMouseDown());
  EXPECT_TRUE(g.CursorHidden());
  Release(25, 25, IMouseMod(false, true));
  EXPECT_FALSE(knob->GetMouseDown());
  EXPECT_FALSE(g.CursorHidden());
  // A left press does not prompt.
  Press(25, 25);
  EXPECT_TRUE(g.TakeLog({"prompt"}).empty());
  Release(25, 25);
}

TEST(StepSnappingTest, NeedsAStepAndARange)
{
  iplugin::IParam p;
  EXPECT_FALSE(HasUsableSteps(nullptr));
  p.InitDouble("a", 0, 0, 10, 1);
  EXPECT_FALSE(HasUsableSteps(&p));
  p.InitDouble("b", 0, 0, 10, 1, "", iplugin::IParam::kFlagStepped);
  EXPECT_TRUE(HasUsableSteps(&p));
  p.InitDouble("c", 0, 0, 10, 0, "", iplugin::IParam::kFlagStepped);
  EXPECT_FALSE(HasUsableSteps(&p));
}
} // namespace
