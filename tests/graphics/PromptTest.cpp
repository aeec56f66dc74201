// Value prompts on a recording context: the value menu built from a parameter's display texts, the
// text entry and the rounding of what is typed, both result paths through the in-window controls and
// the platform's, peers following a change, and the parameter-name tooltips.
#include "framework/IParam.h"
#include "tests/support/RecordingGraphics.h"

#include <gtest/gtest.h>

using namespace iplugin;
using namespace iplugin::igraphics;
using qorvtest::RecordingDelegate;
using qorvtest::RecordingGraphics;
using qorvtest::TestControl;

namespace
{
enum Params
{
  kMode,
  kPan,
  kGain,
  kBareEnum,
  kNumParams
};

class PromptControl : public TestControl
{
public:
  PromptControl(const IRECT& r, std::initializer_list<int> params) : TestControl(r, params)
  {
    DisablePrompt(false);
  }
  void OnTextEntryCompletion(const char* str, int valIdx) override { mCompleted += std::string(str) + ";"; }
  void OnMenuChoice(IPopupMenu* pMenu, int valIdx) override
  {
    mChoices.push_back(pMenu ? pMenu->GetChosenItemIdx() : -1);
    TestControl::OnMenuChoice(pMenu, valIdx);
  }
  std::string mCompleted;
  std::vector<int> mChoices;
};

class PromptTest : public ::testing::Test
{
protected:
  PromptTest() : dlg(kNumParams), g(Init()) {}

  RecordingGraphics& Init()
  {
    dlg.GetParam(kMode)->InitEnumList("Mix Mode", 1, {"Off", "Auto", "Auto Bal.", "Prio"});
    dlg.GetParam(kPan)->InitDouble("Pan", 0.0, -1.0, 1.0, 0.5, "L/R", IParam::kFlagStepped);
    dlg.GetParam(kGain)->InitDouble("Gain", 0.0, -70.0, 24.0, 0.1, "dB");
    dlg.GetParam(kBareEnum)->InitEnum("Bare", 0, 3);
    RecordingGraphics& rg = dlg.Open();
    return rg;
  }

  PromptControl* Attach(std::initializer_list<int> params, const IRECT& r = IRECT(10, 10, 50, 30))
  {
    auto* c = new PromptControl(r, params);
    g.AttachControl(c);
    return c;
  }

  RecordingDelegate dlg;
  RecordingGraphics& g;
};

std::string MenuText(const IPopupMenu& menu)
{
  std::string out = std::string(menu.GetRootTitle()) + ":";
  for (int i = 0; i < menu.NItems(); ++i)
    out += std::string(" ") + menu.GetItem(i)->GetText() + (menu.GetItem(i)->GetChecked() ? "*" : "") +
           (menu.GetItem(i)->GetTag() == -1 ? "" : "#");
  return out;
}
} // namespace

TEST_F(PromptTest, AnEnumeratedParameterGetsAMenuOfItsTextsWithTheCurrentOneChecked)
{
  PromptControl* c = Attach({kMode});
  g.mMenuAnswers = {3};
  g.PromptUserInput(*c, c->GetRECT(), 0);
  EXPECT_EQ(MenuText(g.GetPromptMenu()), "Mix Mode: Off Auto* Auto Bal. Prio");
  EXPECT_EQ(g.TakeLog({"menu", "textentry"}), (std::vector<std::string>{"menu 10 10 50 30 4 3"}));
  EXPECT_EQ(c->mChoices, std::vector<int>{3});
  EXPECT_EQ(dlg.mSentValues, (std::vector<std::pair<int, double>>{{kMode, 1.0}}));
  EXPECT_EQ(dlg.mGestures, std::vector<int>{-1 - kMode});

  // Closed without a choice: nothing chosen, the gesture still ends.
  g.PromptUserInput(*c, c->GetRECT(), 0);
  EXPECT_EQ(c->mChoices, (std::vector<int>{3, -1}));
  EXPECT_EQ(dlg.mGestures, (std::vector<int>{-1 - kMode, -1 - kMode}));
  EXPECT_EQ(dlg.mSentValues.size(), 1u);
}

TEST_F(PromptTest, AnEnumerationWithoutDisplayTextsGetsATextEntryNotAnEmptyMenu)
{
  PromptControl* c = Attach({kBareEnum});
  g.PromptUserInput(*c, c->GetRECT(), 0);
  EXPECT_EQ(g.TakeLog({"menu", "textentry"}), (std::vector<std::string>{"textentry 3 10 10 50 30 7 0"}));
  EXPECT_EQ(g.GetControlInTextEntry(), c);
}

TEST_F(PromptTest, TypedValuesAreSteppedClampedAndNormalised)
{
  struct Case
  {
    int param;
    const char* typed;
    double normalised;
  };
  const std::vector<Case> cases{
      {kPan, "0.3", 0.75}, // nearest multiple of 0.5
      {kPan, "0.2", 0.5},  // rounds to 0
      {kPan, "7", 1.0},    // clamped to the maximum
      {kPan, "-0.8", 0.0}, // -1 after stepping
      {kPan, "junk", 0.5}, // parses as 0
      {kGain, "-80", 0.0}, // below the minimum
      {kGain, "2.35", 72.35 / 94.0},
  };
  for (const Case& c : cases)
  {
    PromptControl* control = Attach({c.param});
    control->SetValue(0.123); // so that every result is a change
    g.PromptUserInput(*control, control->GetRECT(), 0);
    g.SetControlValueAfterTextEdit(c.typed);
    ASSERT_FALSE(dlg.mSentValues.empty()) << c.typed;
    EXPECT_EQ(dlg.mSentValues.back().first, c.param) << c.typed;
    EXPECT_NEAR(dlg.mSentValues.back().second, c.normalised, 1e-9) << c.typed;
    EXPECT_EQ(g.GetControlInTextEntry(), nullptr);
  }
}

TEST_F(PromptTest, TheTextEntryShowsTheValueWithItsLabelWhenAskedAndUnboundEntriesCompleteAsText)
{
  PromptControl* c = Attach({kGain, -1});
  c->SetPromptShowsParamLabel(true);
  c->SetTextEntryLength(5);
  g.PromptUserInput(*c, IRECT(1, 2, 3, 4), 0);
  EXPECT_EQ(g.TakeLog({"textentry"}), (std::vector<std::string>{"textentry 2 1 2 3 4 5 0.0 dB"}));
  g.CreateTextEntry(*c, c->GetText(), IRECT(1, 2, 3, 4), "free", 1);
  g.SetControlValueAfterTextEdit("typed");
  EXPECT_EQ(c->mCompleted, "typed;");
  g.SetControlValueAfterTextEdit("again");
  EXPECT_EQ(c->mCompleted, "typed;");
}

TEST_F(PromptTest, ASecondPromptClosesAnOpenPlatformFieldSoTheTextReachesTheControlThatAskedLast)
{
  PromptControl* first = Attach({kGain});
  PromptControl* second = Attach({kPan});
  g.PromptUserInput(*first, first->GetRECT(), 0);
  g.TakeLog();
  g.PromptUserInput(*second, second->GetRECT(), 0);
  EXPECT_EQ(g.TakeLog({"enduserinput", "textentry"}),
            (std::vector<std::string>{"enduserinput", "textentry 1 10 10 50 30 7 0.0"}));
  g.SetControlValueAfterTextEdit("1");
  EXPECT_EQ(dlg.mSentValues, (std::vector<std::pair<int, double>>{{kPan, 1.0}}));
}

TEST_F(PromptTest, InWindowControlsTakeThePromptsAndDeliverLater)
{
  auto* menu = new qorvtest::TestPopupMenuControl();
  auto* entry = new qorvtest::TestTextEntryControl();
  g.InstallPopupMenuControl(menu);
  g.InstallTextEntryControl(entry);
  PromptControl* mode = Attach({kMode});
  PromptControl* gain = Attach({kGain});

  EXPECT_EQ(g.CreatePopupMenu(*mode, g.GetPromptMenu(), mode->GetRECT(), 0), nullptr);
  g.PromptUserInput(*mode, mode->GetRECT(), 0);
  ASSERT_EQ(menu->mMenu, &g.GetPromptMenu());
  EXPECT_TRUE(mode->mChoices.empty());
  EXPECT_TRUE(g.IsPopupMenuShowing());
  g.GetPromptMenu().SetChosenItemIdx(2);
  g.SetControlValueAfterPopupMenu(menu->mMenu);
  EXPECT_EQ(mode->mChoices, std::vector<int>{2});
  EXPECT_EQ(g.GetControlInPopupMenu(), nullptr);

  g.PromptUserInput(*gain, gain->GetRECT(), 0);
  EXPECT_EQ(entry->mEntry, "2 7 0.0");
  EXPECT_TRUE(g.TakeLog({"textentry", "menu", "enduserinput"}).empty());
}

TEST_F(PromptTest, PeersFollowThroughTheirOwnEntryAndTheCallerIsLeftAlone)
{
  PromptControl* knob = Attach({kPan});
  PromptControl* pair = Attach({kGain, kPan});
  PromptControl* other = Attach({kGain});
  knob->SetValue(0.75);
  pair->SetValue(0.1, 0);
  g.UpdatePeers(knob, 0);
  EXPECT_EQ(pair->GetValue(1), 0.75);
  EXPECT_EQ(pair->GetValue(0), 0.1);
  EXPECT_EQ(other->GetValue(0), 0.0);
  // A peer holding the mouse keeps its value.
  g.SetCaptured(0, pair);
  knob->SetValue(0.25);
  g.UpdatePeers(knob, 0);
  EXPECT_EQ(pair->GetValue(1), 0.75);
  EXPECT_EQ(knob->GetValue(0), 0.25);
}

TEST_F(PromptTest, ParameterNameTooltips)
{
  PromptControl* named = Attach({kGain});
  PromptControl* kept = Attach({kPan});
  PromptControl* unbound = Attach({-1});
  kept->SetTooltip("Stereo position");
  g.AssignParamNameToolTipsAuto();
  EXPECT_STREQ(named->GetTooltip(), "Gain");
  EXPECT_STREQ(kept->GetTooltip(), "Stereo position");
  EXPECT_STREQ(unbound->GetTooltip(), "");
  g.AssignParamNameToolTips();
  EXPECT_STREQ(kept->GetTooltip(), "Pan");
}

TEST(PopupMenuModelTest, ItemsSubMenusAndResetForReuse)
{
  std::vector<int> completed;
  IPopupMenu menu("Presets", {"Default", "Quiet"},
                  [&](IPopupMenu* m) { completed.push_back(m->GetChosenItemIdx()); });
  auto* user = new IPopupMenu("", 0, false, {"Mine"});
  menu.AddItem(new IPopupMenu::Item("User", user, 7));
  menu.AddItem("First", 0);
  EXPECT_EQ(MenuText(menu), "Presets: First Default Quiet User#");
  EXPECT_EQ(menu.GetItem(3)->GetSubmenu(), user);
  EXPECT_EQ(menu.GetItem(3)->GetTag(), 7);
  menu.SetChosenItemIdx(2);
  menu.ExecFunction();
  EXPECT_EQ(completed, std::vector<int>{2});

  // The reset deletes items and sub-menus; title, chosen index and function stay.
  IPopupMenu numbered("", 3, true, {"a"});
  numbered.SetFunction([&](IPopupMenu*) { completed.push_back(-5); });
  numbered.SetChosenItemIdx(0);
  numbered.AddItem("sub", new IPopupMenu("", 0, false, {"x"}));
  numbered.Clear();
  EXPECT_EQ(numbered.NItems(), 0);
  EXPECT_EQ(numbered.GetPrefix(), 0);
  EXPECT_FALSE(numbered.GetMultiCheck());
  EXPECT_EQ(numbered.GetChosenItemIdx(), 0);
  numbered.ExecFunction();
  EXPECT_EQ(completed, (std::vector<int>{2, -5}));
}
