// The link, text toggle, caption and placeholder controls: what they draw and what the mouse and
// the parameter do to them.
#include "controls/ICaptionControl.h"
#include "controls/ITextToggleControl.h"
#include "controls/IURLControl.h"
#include "controls/PlaceHolder.h"
#include "tests/controls/ControlsTestSupport.h"
#include "tests/controls/DrawLog.h"
#include "tests/controls/ScriptedInput.h"

using namespace iplugin::igraphics;
using namespace qorvtest;

namespace
{
class TextFamilyTest : public ControlsTest
{
protected:
  // Hovering reaches every control but the bottom one: a panel lies below.
  TextFamilyTest()
  {
    g.EnableMouseOver(true);
    g.AttachPanelBackground(kColorWhite);
  }
  std::vector<std::string> Log(IControl& control) { return DrawLog(g, control); }
  std::vector<std::string> Log(const std::function<void()>& draw) { return DrawLog(g, draw); }
  // The text lines of a drawing.
  std::vector<std::string> Texts(IControl& control)
  {
    g.TakeLog();
    control.Draw(g);
    return g.TakeLog({"text"});
  }
};

TEST_F(TextFamilyTest, ALinkOpensItsAddressAndKeepsTheClickedColourUntilHoveredAgain)
{
  const IColor normal(255, 10, 20, 30), over(255, 200, 0, 0), clicked(255, 0, 0, 200);
  IText text = kDefaultText;
  text.mFGColor = normal;
  text.mAlign = kAlignNear;
  text.mVAlign = kVAlignTop;
  // 14-point text of 4 characters measures 28 x 14 in the recording context.
  auto* link = Attach(new IURLControl(IRECT(10, 10, 110, 40), "Site", "https://example.org/qorv", text,
                                      kColorTransparent, over, clicked));
  auto underline = [&](const IColor& c)
  { return DrawLog(g, [&] { g.DrawLine(c, 10, 24, 38, 24, link->GetBlend(), 1.f); }); };
  auto drawnUnderline = [&]
  {
    // Between the background's fill and the text.
    const auto lines = Log(*link);
    const auto fill = std::find_if(lines.begin(), lines.end(),
                                   [](const std::string& l) { return l.rfind("fill", 0) == 0; });
    return std::vector<std::string>(fill + 1, lines.end() - 1);
  };
  EXPECT_EQ(drawnUnderline(), underline(normal));

  g.OnMouseOver(20, 20, IMouseMod());
  EXPECT_EQ(g.CursorType(), kHandCursor);
  EXPECT_EQ(drawnUnderline(), underline(over));
  Press(20, 20);
  EXPECT_EQ(g.mOpenedURLs, std::vector<std::string>{"https://example.org/qorv"});
  EXPECT_FALSE(g.ControlIsCaptured()) << "the browser takes the release away";
  g.OnMouseOver(200, 150, IMouseMod());
  EXPECT_EQ(g.CursorType(), kArrowCursor);
  EXPECT_EQ(drawnUnderline(), underline(clicked));
  g.OnMouseOver(20, 20, IMouseMod());
  EXPECT_EQ(drawnUnderline(), underline(over));
}

TEST_F(TextFamilyTest, TheToggleShowsTheWordOfItsValueWhereverTheValueCameFrom)
{
  auto* toggle = Attach(new ITextToggleControl(IRECT(0, 0, 100, 30), kGain, "Off", "On"));
  dlg.SendParameterValueFromDelegate(kGain, 0.5, true);
  EXPECT_EQ(std::string(toggle->GetStr()), "Off");
  // 0.5 is not below 0.5: the click turns it off.
  Click(50, 15);
  EXPECT_EQ(toggle->GetValue(), 0.0);
  EXPECT_EQ(dlg.mSentValues.back(), std::make_pair(int(kGain), 0.0));
  Click(50, 15);
  EXPECT_EQ(std::string(toggle->GetStr()), "On");
  EXPECT_EQ(Texts(*toggle), std::vector<std::string>{"text On 0 0 100 30 b0,1"});
  // From the parameter, without a click.
  dlg.SendParameterValueFromDelegate(kGain, 0.2, true);
  EXPECT_EQ(std::string(toggle->GetStr()), "Off");
  // A double click is a second click.
  g.OnMouseDblClick(50, 15, IMouseMod(true));
  EXPECT_EQ(std::string(toggle->GetStr()), "On");
}

TEST_F(TextFamilyTest, CaptionsShowTheParameterAndATriangleOnlyForEnumerations)
{
  auto* mode = Attach(new ICaptionControl(IRECT(0, 0, 100, 20), kMode));
  auto* level = Attach(new ICaptionControl(IRECT(0, 30, 100, 50), kLevel, kDefaultText, kColorWhite, true));
  auto* bare = Attach(new ICaptionControl(IRECT(0, 60, 100, 80), kLevel, kDefaultText, kColorWhite, false));
  EXPECT_EQ(mode->GetTriangleRECT(), IRECT(86, 7.5f, 94, 12.5f));
  EXPECT_TRUE(level->GetTriangleRECT().Empty());

  dlg.GetParam(kLevel)->Set(-12.0);
  dlg.SendParameterValueFromDelegate(kLevel, -12.0, false);
  EXPECT_EQ(Texts(*level), std::vector<std::string>{"text -12 dB 0 30 100 50 b0,1"});
  EXPECT_EQ(Texts(*bare), std::vector<std::string>{"text -12 0 60 100 80 b0,1"});
  // Background and text, no triangle; the enumeration adds one filled triangle.
  EXPECT_EQ(CountLines(Log(*level), "fill"), 1);
  const auto triangle = [&](const IColor& c)
  { return DrawLog(g, [&] { g.FillTriangle(c, 86, 7.5f, 94, 7.5f, 90, 12.5f, mode->GetBlend()); }); };
  auto drawnTriangle = [&]
  {
    auto lines = Log(*mode);
    return std::vector<std::string>(lines.end() - triangle(kColorBlack).size(), lines.end());
  };
  EXPECT_EQ(drawnTriangle(), triangle(kColorDarkGray));
  g.OnMouseOver(90, 10, IMouseMod());
  EXPECT_EQ(drawnTriangle(), triangle(kColorBlack));

  // A click prompts for the value over the caption; while its entry is open the text is not drawn.
  g.TakeLog();
  Click(50, 40);
  EXPECT_EQ(g.TakeLog({"prompt"}), std::vector<std::string>{"prompt 0 30 100 50 0"});
  g.SetInTextEntry(level);
  EXPECT_TRUE(Texts(*level).empty());
}

TEST_F(TextFamilyTest, APlaceholderShowsWhereItIsAndTakesATypedName)
{
  auto* holder = Attach(new PlaceHolder(IRECT(10, 20, 110, 70), "Meter"));
  EXPECT_STREQ(holder->GetPositionStr(), "10.0, 20.0");
  EXPECT_STREQ(holder->GetWidthStr(), "100.0");
  EXPECT_STREQ(holder->GetHeightStr(), "50.0");
  const auto texts = Texts(*holder);
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[0].rfind("text Meter 10 20 110 70", 0), 0u);

  g.SetControlBounds(g.GetControlIdx(holder), IRECT(0, 0, 150.25f, 40));
  EXPECT_STREQ(holder->GetWidthStr(), "150.2");
  EXPECT_STREQ(holder->GetPositionStr(), "0.0, 0.0");

  g.TakeLog();
  g.OnMouseDblClick(50, 20, IMouseMod(true));
  EXPECT_EQ(g.TakeLog({"textentry"}).size(), 1u);
  g.SetControlValueAfterTextEdit("Gain strip");
  EXPECT_STREQ(holder->GetStr(), "Gain strip");
}
} // namespace
