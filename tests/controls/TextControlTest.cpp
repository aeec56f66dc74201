// The text control: background and string, sizing to the string around its centre, the formatted
// setter, and the label hiding its text while the text entry edits it.
#include "controls/ITextControl.h"
#include "tests/controls/ControlsTestSupport.h"

using namespace iplugin::igraphics;
using qorvtest::ControlsTest;

namespace
{
class TextControlTest : public ControlsTest
{
protected:
  std::vector<std::string> Draw(IControl& c)
  {
    g.TakeLog();
    c.Draw(g);
    return g.TakeLog({"fill", "text"});
  }
};

// The recording back end measures half the text size per byte: 10 points a byte at size 20.
const IText kText(20.f, kColorBlack, "Roboto-Regular", kAlignCenter, kVAlignMiddle, 0.f, kColorWhite,
                  kColorBlack);

TEST_F(TextControlTest, SizesToItsStringAroundItsCentreWhenAskedTo)
{
  // Made before attaching: sized once the context can measure.
  auto* label = new ITextControl(IRECT(100, 40, 140, 60), "abcd", kText, kColorGray, true);
  EXPECT_EQ(label->GetRECT(), IRECT(100, 40, 140, 60));
  Attach(label);
  EXPECT_EQ(label->GetRECT(), IRECT(100, 40, 140, 60));
  label->SetStr("abcdef");
  EXPECT_EQ(label->GetRECT(), IRECT(90, 40, 150, 60));
  EXPECT_EQ(label->GetTargetRECT(), IRECT(90, 40, 150, 60));
  // The same text measures nothing: a rectangle moved since stays.
  label->SetTargetAndDrawRECTs(IRECT(0, 0, 10, 10));
  label->SetStr("abcdef");
  EXPECT_EQ(label->GetRECT(), IRECT(0, 0, 10, 10));
  label->ClearStr();
  EXPECT_EQ(label->GetRECT(), IRECT(5, 5, 5, 5));

  auto* fixed = Attach(new ITextControl(IRECT(0, 0, 30, 10), "abcdef", kText));
  fixed->SetStr("a much longer text");
  EXPECT_EQ(fixed->GetRECT(), IRECT(0, 0, 30, 10));
  EXPECT_STREQ(fixed->GetStr(), "a much longer text");
}

TEST_F(TextControlTest, DrawsItsBackgroundAndTextUnlessTheEntryEditsIt)
{
  auto* label = Attach(new ITextControl(IRECT(0, 0, 40, 20), "on", kText, kColorGray));
  EXPECT_EQ(Draw(*label), (std::vector<std::string>{"fill #255,127,127,127 b0,1", "text on 0 0 40 20 b0,1"}));
  g.SetInTextEntry(label);
  EXPECT_EQ(Draw(*label), std::vector<std::string>{"fill #255,127,127,127 b0,1"});
  g.SetInTextEntry(nullptr);
  label->ClearStr();
  EXPECT_EQ(Draw(*label), std::vector<std::string>{"fill #255,127,127,127 b0,1"});
  auto* unnamed = Attach(new ITextControl(IRECT(0, 0, 40, 20), nullptr, kText));
  EXPECT_EQ(Draw(*unnamed).size(), 1u);
}

TEST_F(TextControlTest, FormatsAtMostTheGivenLength)
{
  auto* label = Attach(new ITextControl(IRECT(0, 0, 40, 20), "x", kText, kColorGray, true));
  const IRECT before = label->GetRECT();
  label->SetStrFmt(5, "%d", 1234567);
  EXPECT_STREQ(label->GetStr(), "12345");
  EXPECT_EQ(label->GetRECT(), before);
  label->SetStrFmt(8, "%s-%d", "ab", 7);
  EXPECT_STREQ(label->GetStr(), "ab-7");
}

TEST_F(TextControlTest, AClickOnALabelReachesTheControlUnderIt)
{
  IControl* below = Attach(new qorvtest::TestControl(IRECT(0, 0, 100, 100)));
  Attach(new ITextControl(IRECT(10, 10, 90, 90), "label", kText));
  EXPECT_EQ(g.GetMouseControl(50, 50, false), below);
}
} // namespace
