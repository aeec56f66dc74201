// The control base: values bound to parameters, dirty marking and actions, default input, geometry,
// gestures and animation on an injected clock. Controls are attached to a recording context and
// driven as the context and the delegate drive them.
#include "framework/IParam.h"
#include "tests/support/RecordingGraphics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace iplugin;
using namespace iplugin::igraphics;
using qorvtest::RecordingDelegate;
using qorvtest::RecordingGraphics;
using qorvtest::TestControl;

namespace
{
double gNow = 0.0;
double FakeClock()
{
  return gNow;
}

class ControlTest : public ::testing::Test
{
protected:
  ControlTest() : dlg(3), g(Init())
  {
    IControl::SetClock(FakeClock);
    gNow = 1000.0;
  }
  ~ControlTest() override { IControl::SetClock(nullptr); }

  RecordingGraphics& Init()
  {
    dlg.GetParam(0)->InitDouble("Gain", 0.25, 0.0, 1.0, 0.01);
    dlg.GetParam(1)->InitEnumList("Mode", 1, {"a", "b", "c"});
    dlg.GetParam(2)->InitDouble("Pan", 0.0, -1.0, 1.0, 0.5, "", IParam::kFlagStepped);
    return dlg.Open();
  }

  TestControl* Attach(TestControl* control)
  {
    g.AttachControl(control);
    return control;
  }

  RecordingDelegate dlg;
  RecordingGraphics& g;
};

TEST_F(ControlTest, SetDirtyClampsSendsBoundValuesUpdatesPeersAndRunsTheAction)
{
  int actions = 0;
  auto* pair = Attach(new TestControl(IRECT(0, 0, 10, 10), {0, 2}, [&](IControl*) { ++actions; }));
  auto* peer = Attach(new TestControl(IRECT(0, 0, 10, 10), {2, 0}));
  peer->SetClean();
  pair->SetValue(1.5, 0);
  pair->SetValue(-0.5, 1);
  pair->SetDirty(true, -1);
  EXPECT_EQ(pair->GetValue(0), 1.0);
  EXPECT_EQ(pair->GetValue(1), 0.0);
  const std::vector<std::pair<int, double>> sent{{0, 1.0}, {2, 0.0}};
  EXPECT_EQ(dlg.mSentValues, sent);
  EXPECT_EQ(actions, 1);
  // The peer got each value at its own entry for that parameter.
  EXPECT_EQ(peer->GetValue(1), 1.0);
  EXPECT_EQ(peer->GetValue(0), 0.0);
  EXPECT_TRUE(peer->IsDirty());

  // An unbound control still runs its action once; a single entry treats -1 as 0.
  auto* unbound = Attach(new TestControl(IRECT(0, 0, 10, 10), [&](IControl*) { ++actions; }));
  unbound->SetValue(7.0);
  unbound->SetDirty(true, -1);
  EXPECT_EQ(actions, 2);
  EXPECT_EQ(unbound->GetValue(), 1.0);
  EXPECT_EQ(dlg.mSentValues.size(), 2u);
}

TEST_F(ControlTest, NaNNeverReachesTheDelegate)
{
  auto* control = Attach(new TestControl(IRECT(0, 0, 10, 10), 0));
  control->SetValue(std::numeric_limits<double>::quiet_NaN());
  control->SetDirty(true);
  ASSERT_EQ(dlg.mSentValues.size(), 1u);
  EXPECT_EQ(dlg.mSentValues[0].second, 0.0);

  // A point in a degenerate area leaves the value as it was and sends nothing.
  control->SetValue(0.4);
  for (const IRECT& area : {IRECT(5, 0, 5, 10), IRECT(0, 5, 10, 5)})
    for (EDirection dir : {kVertical, kHorizontal})
    {
      control->ValueFromPointInRect(5, 5, dir, area, 0);
      EXPECT_EQ(control->GetValue(), 0.4);
    }
  EXPECT_EQ(dlg.mSentValues.size(), 1u);
}

TEST_F(ControlTest, ValueFromPointInRectClampsRoundsAndLimits)
{
  auto* control = Attach(new TestControl(IRECT(0, 0, 10, 10), 0));
  const IRECT area(0, 0, 100, 100);
  struct Case
  {
    float x, y;
    EDirection dir;
    double lo, hi, expected;
  } cases[] = {
      {50, -20, kVertical, 0.0, 1.0, 1.0},        {50, 150, kVertical, 0.0, 1.0, 0.0},
      {12.345f, 0, kHorizontal, 0.0, 1.0, 0.123}, {90, 0, kHorizontal, 0.0, 0.5, 0.5},
      {50, 75, kVertical, 0.3, 1.0, 0.3},
  };
  for (const Case& c : cases)
  {
    control->ValueFromPointInRect(c.x, c.y, c.dir, area, 0, c.lo, c.hi);
    EXPECT_NEAR(control->GetValue(), c.expected, 1e-12) << c.x << "," << c.y;
    EXPECT_NEAR(dlg.mSentValues.back().second, c.expected, 1e-12);
  }
}

TEST_F(ControlTest, ValuesFromTheDelegateMarkDirtyOnlyWhenTheyChangeAndNotWhileCaptured)
{
  auto* control = Attach(new TestControl(IRECT(0, 0, 10, 10), 0));
  control->SetClean();
  control->SetValueFromDelegate(0.0);
  EXPECT_FALSE(control->IsDirty());
  control->SetValueFromDelegate(0.5);
  EXPECT_TRUE(control->IsDirty());
  g.SetCaptured(0, control);
  control->SetValueFromDelegate(0.9);
  EXPECT_EQ(control->GetValue(), 0.5);
  EXPECT_TRUE(dlg.mSentValues.empty());
}

TEST_F(ControlTest, BadValueIndicesAreHarmless)
{
  auto* control = Attach(new TestControl(IRECT(0, 0, 10, 10), 1));
  control->SetParamIdx(2, 5);
  control->SetParamIdx(2, -1);
  EXPECT_EQ(control->GetParamIdx(0), 1);
  control->SetParamIdx(2, 0);
  EXPECT_EQ(control->GetParamIdx(), 2);

  auto* none = Attach(new TestControl(IRECT(0, 0, 10, 10), std::initializer_list<int>{}));
  EXPECT_EQ(none->NVals(), 0);
  EXPECT_EQ(none->GetParamIdx(), -1);
  EXPECT_EQ(none->GetParam(), nullptr);
  EXPECT_EQ(g.GetParamIdxForControlIdx(g.GetControlIdx(none)), -1);
  none->SetDirty(true);
  none->SetValueToDefault();
  EXPECT_TRUE(dlg.mSentValues.empty());
  // Indices past the delegate's parameters have no parameter.
  EXPECT_EQ(Attach(new TestControl(IRECT(0, 0, 1, 1), 99))->GetParam(), nullptr);
}

TEST_F(ControlTest, DefaultsMenusAndPromptsGoThroughTheParameter)
{
  auto* control = Attach(new TestControl(IRECT(10, 20, 50, 40), {0, 1, 2}));
  control->SetValueToDefault(-1);
  EXPECT_DOUBLE_EQ(control->GetValue(0), 0.25);
  EXPECT_DOUBLE_EQ(control->GetValue(1), 0.5);
  EXPECT_DOUBLE_EQ(control->GetValue(2), 0.5);
  EXPECT_EQ(dlg.mSentValues.size(), 3u);

  IPopupMenu menu("", 0, false, {"a", "b", "c"});
  menu.SetChosenItemIdx(2);
  control->OnMenuChoice(&menu, 1);
  EXPECT_DOUBLE_EQ(control->GetValue(1), 0.5); // prompts are disabled by default
  control->OnMouseDown(30, 30, IMouseMod(false, true));
  EXPECT_TRUE(g.TakeLog({"prompt"}).empty());

  control->DisablePrompt(false);
  control->OnMenuChoice(&menu, 1);
  EXPECT_DOUBLE_EQ(control->GetValue(1), 1.0);
  control->OnMenuChoice(nullptr, 1);
  control->OnMenuChoice(&menu, -1);
  EXPECT_DOUBLE_EQ(control->GetValue(1), 1.0);

  // Display texts: the prompt covers the control; otherwise a 40 x 16 box at its centre.
  control->PromptUserInput(1);
  control->PromptUserInput(0);
  control->PromptUserInput(-1);
  const std::vector<std::string> prompts{"prompt 10 20 50 40 1", "prompt 10 22 50 38 0"};
  EXPECT_EQ(g.TakeLog({"prompt"}), prompts);
  control->PromptUserInputInRect(IRECT(1, 2, 3, 4), 2);
  EXPECT_EQ(g.TakeLog({"prompt"}), std::vector<std::string>{"prompt 1 2 3 4 2"});

  // A double click sets the default of the entry under the point (all entries: -1).
  control->SetValue(0.9, 0);
  control->OnMouseDblClick(0, 0, IMouseMod());
  EXPECT_DOUBLE_EQ(control->GetValue(0), 0.25);
}

TEST_F(ControlTest, GeometryFlagsAndHitTesting)
{
  auto* control = Attach(new TestControl(IRECT(10, 10, 30, 20), 0));
  control->SetTargetRECT(IRECT(12, 12, 28, 18));
  EXPECT_TRUE(control->IsHit(12, 12));
  EXPECT_FALSE(control->IsHit(28, 15));
  EXPECT_FALSE(control->IsHit(15, 18));

  control->mHooks.clear();
  control->SetPosition(-5, 10);
  EXPECT_EQ(control->GetRECT(), IRECT(0, 10, 20, 20));
  EXPECT_EQ(control->GetTargetRECT(), IRECT(2, 12, 18, 18));
  control->SetSize(-1, 4);
  EXPECT_EQ(control->GetRECT(), IRECT(0, 10, 0, 14));
  EXPECT_EQ(control->GetTargetRECT(), control->GetRECT());
  EXPECT_EQ(control->mHooks, "resize;resize;");

  control->SetDisabled(true);
  EXPECT_EQ(control->GetBlend()->mWeight, 0.25f);
  control->SetDisabled(false);
  EXPECT_EQ(control->GetBlend()->mWeight, 1.f);

  control->SetClean();
  control->OnMouseOver(1, 1, IMouseMod());
  EXPECT_TRUE(control->IsDirty());
  control->SetClean();
  control->OnMouseOver(1, 1, IMouseMod());
  EXPECT_FALSE(control->IsDirty());
  control->OnMouseOut();
  EXPECT_TRUE(control->IsDirty());
  EXPECT_FALSE(control->GetMouseIsOver());

  control->SetHighlight(true, 1);
  g.TakeLog();
  control->DrawHighlightDot(g);
  const std::vector<std::string> dot = g.TakeLog({"M", "A", "fill"});
  ASSERT_EQ(dot.size(), 3u);
  EXPECT_EQ(dot[1], "A -5 15 2 0 360 0");
  EXPECT_EQ(dot[2], "fill #255,0,0,255");
  control->SetHighlight(false, 9);
  control->DrawHighlightDot(g);
  EXPECT_TRUE(g.TakeLog().empty());
  EXPECT_EQ(control->GetHighlightColor(), kColorBlue);
}

TEST_F(ControlTest, GesturesRunTheirFunctionAndRegisterWithTheContext)
{
  auto* control = Attach(new TestControl(IRECT(0, 0, 10, 10)));
  int pinches = 0, second = 0;
  control->AttachGestureFunc(EGestureType::Pinch, [&](IControl*, const IGestureInfo& info) { pinches += int(info.scale); });
  control->AttachGestureFunc(EGestureType::Pinch, [&](IControl*, const IGestureInfo&) { ++second; });
  control->AttachGestureFunc(EGestureType::DoubleTap, [](IControl*, const IGestureInfo&) {});
  EXPECT_EQ(g.GetGestureTypes(), (std::vector<EGestureType>{EGestureType::Pinch, EGestureType::DoubleTap}));

  IGestureInfo info;
  info.type = EGestureType::Pinch;
  info.scale = 3.f;
  EXPECT_TRUE(control->OnGesture(info));
  EXPECT_EQ(pinches, 3);
  EXPECT_EQ(second, 0);
  EXPECT_EQ(control->GetLastGesture(), EGestureType::Pinch);
  info.type = EGestureType::Rotate;
  EXPECT_FALSE(control->OnGesture(info));
  EXPECT_EQ(control->GetLastGesture(), EGestureType::Pinch);
}

TEST_F(ControlTest, AnimationsEndOnTimeInBothDirections)
{
  auto* control = Attach(new TestControl(IRECT(0, 0, 10, 10)));
  int ended = 0;
  control->SetAnimationEndActionFunction([&](IControl*) { ++ended; });
  EXPECT_EQ(control->GetAnimationProgress(), 0.0);

  control->StartDefaultClickAnimation();
  for (double t : {0.0, 50.0, 99.0})
  {
    gNow = 1000.0 + t;
    control->SetClean();
    control->TickAnimation();
    EXPECT_TRUE(control->IsDirty()) << t;
    EXPECT_NEAR(control->GetAnimationProgress(), t / 100.0, 1e-12);
  }
  gNow = 1100.0;
  control->TickAnimation();
  EXPECT_EQ(ended, 1);
  EXPECT_FALSE(control->GetAnimationFunction());
  EXPECT_TRUE(control->IsDirty()); // drawn once more
  control->SetClean();
  EXPECT_FALSE(control->IsDirty());

  // Backward: progress falls from 1, and the default step still ends after the duration.
  control->SetAnimation(IControl::DefaultAnimationStep);
  control->StartAnimation(200, false);
  gNow += 50.0;
  control->TickAnimation();
  EXPECT_NEAR(control->GetAnimationProgress(), 0.75, 1e-12);
  gNow += 150.0;
  control->TickAnimation();
  EXPECT_EQ(ended, 2);
  EXPECT_FALSE(control->GetAnimationFunction());

  // A step may replace itself while it runs.
  int steps = 0;
  control->SetAnimation([&](IControl* c) {
    ++steps;
    c->SetAnimation(nullptr);
  });
  control->TickAnimation();
  control->TickAnimation();
  EXPECT_EQ(steps, 1);
}
} // namespace
