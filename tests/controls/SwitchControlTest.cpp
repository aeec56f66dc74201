// The switch base: stepping through its states on clicks and double clicks, the number of states
// taken from a linked parameter, and the per-state flags.
#include "controls/ISwitchControlBase.h"
#include "tests/controls/ControlsTestSupport.h"

using namespace iplugin::igraphics;
using qorvtest::ControlsTest;

namespace
{
class PlainSwitch : public ISwitchControlBase
{
public:
  using ISwitchControlBase::ISwitchControlBase;
  void Draw(IGraphics& g) override {}
};

using SwitchTest = ControlsTest;

struct StepCase
{
  int paramIdx;
  int numStates;
  double start;
  std::vector<double> values; // after each click
};

TEST_F(SwitchTest, ClicksAndDoubleClicksStepThroughTheStatesAndWrap)
{
  const StepCase cases[] = {
      {-1, 2, 0.0, {1.0, 0.0, 1.0}},
      {-1, 2, 0.3, {0.0, 1.0}}, // only an exact 0 toggles up
      {-1, 4, 0.0, {1.0 / 3, 2.0 / 3, 1.0, 0.0}},
      {-1, 1, 0.0, {0.0, 0.0}},
      {-1, 0, 0.4, {0.0}},
      {kMode, 2, 0.0, {0.25, 0.5, 0.75, 1.0, 0.0}}, // five values whatever the constructor said
  };
  for (const StepCase& c : cases)
  {
    int actions = 0;
    auto* sw = Attach(new PlainSwitch(
        IRECT(0, 0, 20, 20), c.paramIdx, [&](IControl*) { ++actions; }, c.numStates));
    sw->SetValue(c.start);
    for (size_t k = 0; k < c.values.size(); ++k)
    {
      if (k % 2)
        g.OnMouseDblClick(5, 5, IMouseMod(true));
      else
        Press(5, 5);
      EXPECT_TRUE(sw->GetMouseDown());
      Release(5, 5);
      EXPECT_FALSE(sw->GetMouseDown());
      EXPECT_NEAR(sw->GetValue(), c.values[k], 1e-12) << c.numStates << " states, click " << k;
    }
    EXPECT_EQ(actions, int(c.values.size()));
  }
}

TEST_F(SwitchTest, ALinkedSwitchSendsEachStepToItsParameter)
{
  auto* sw = Attach(new PlainSwitch(IRECT(0, 0, 20, 20), kMode, nullptr, 2));
  EXPECT_EQ(sw->GetNumStates(), 5);
  dlg.mSentValues.clear();
  dlg.mGestures.clear();
  Click(5, 5);
  const std::vector<std::pair<int, double>> sent{{kMode, 0.25}};
  EXPECT_EQ(dlg.mSentValues, sent);
  // The context brackets the step with the parameter's gesture.
  EXPECT_EQ(dlg.mGestures, (std::vector<int>{kMode, -1 - kMode}));
  // A right press that reaches the switch steps too: it ignores the buttons.
  sw->SetWantsRightClicks(true);
  Click(5, 5, IMouseMod(false, true));
  EXPECT_EQ(sw->GetValue(), 0.5);
  EXPECT_TRUE(g.TakeLog({"prompt"}).empty());
}

TEST_F(SwitchTest, StateFlagsCoverEveryStateOfTheLinkedParameter)
{
  // Made with 2 states, linked to 5: every one of the 5 keeps a flag.
  auto* sw = Attach(new PlainSwitch(IRECT(0, 0, 20, 20), kMode, nullptr, 2));
  sw->SetStateDisabled(4, true);
  EXPECT_TRUE(sw->GetStateDisabled(4));
  EXPECT_FALSE(sw->GetStateDisabled(3));

  for (int bad : {-1, 5, 100})
  {
    sw->SetClean();
    sw->SetStateDisabled(bad, true);
    EXPECT_TRUE(sw->IsDirty()) << bad;
    EXPECT_FALSE(sw->GetStateDisabled(bad)) << bad;
  }
  sw->SetAllStatesDisabled(true);
  for (int i = 0; i < 5; ++i)
    EXPECT_TRUE(sw->GetStateDisabled(i)) << i;
  sw->SetAllStatesDisabled(false);
  for (int i = 0; i < 5; ++i)
    EXPECT_FALSE(sw->GetStateDisabled(i)) << i;
}
} // namespace
