// The bitmap button, slider, rotating knob and bitmap text: the frame and place each draws for a value
// and what input does to them.
#include "controls/IBButtonControl.h"
#include "controls/IBKnobRotaterControl.h"
#include "controls/IBSliderControl.h"
#include "controls/IBTextControl.h"
#include "tests/controls/ControlsTestSupport.h"
#include "tests/controls/DrawLog.h"
#include "tests/controls/ScriptedInput.h"

#include <functional>

using namespace iplugin::igraphics;
using namespace qorvtest;

namespace
{
class BitmapFamilyTest : public ControlsTest
{
protected:
  IBitmap Load(const char* name, int w, int h, int frames = 1)
  {
    return g.LoadBitmap(WritePng(mFolder, name, w, h).c_str(), frames, false);
  }
  std::vector<std::string> Log(const std::function<void()>& draw) { return DrawLog(g, draw); }
  std::vector<std::string> Log(IControl& control) { return DrawLog(g, control); }
  VirtualClock clock;
};

TEST_F(BitmapFamilyTest, SliderHandlesRunFromEndToEndOfTheirTrack)
{
  const IBitmap handle = Load("handle.png", 20, 10);
  const IBitmap handleAcross = Load("across.png", 10, 20);
  const IBitmap track = Load("track.png", 20, 100);
  struct Case
  {
    IRECT bounds;
    bool withTrack;
    EDirection dir;
    double value;
    IRECT expected;
  };
  const Case cases[] = {
      // The track bitmap centred: (10, 10, 30, 110); value 0 at its bottom, 1 at its top.
      {IRECT(0, 0, 40, 120), true, kVertical, 0.0, IRECT(10, 100, 30, 110)},
      {IRECT(0, 0, 40, 120), true, kVertical, 1.0, IRECT(10, 10, 30, 20)},
      {IRECT(0, 0, 40, 120), true, kVertical, 0.5, IRECT(10, 55, 30, 65)},
      // No track bitmap: a handle-wide band along the control.
      {IRECT(0, 0, 40, 120), false, kVertical, 0.0, IRECT(10, 110, 30, 120)},
      {IRECT(0, 0, 40, 120), false, kVertical, 1.0, IRECT(10, 0, 30, 10)},
      {IRECT(0, 0, 200, 40), false, kHorizontal, 0.0, IRECT(0, 10, 10, 30)},
      {IRECT(0, 0, 200, 40), false, kHorizontal, 1.0, IRECT(190, 10, 200, 30)},
  };
  for (const Case& c : cases)
  {
    g.RemoveAllControls();
    const IBitmap& h = c.dir == kHorizontal ? handleAcross : handle;
    auto* slider = Attach(new IBSliderControl(c.bounds, h, c.withTrack ? track : IBitmap(), kGain, c.dir));
    slider->SetValue(c.value);
    EXPECT_EQ(slider->GetHandleBounds(), c.expected) << c.value << " track " << c.withTrack;
    EXPECT_EQ(Log(*slider), Log(
                                [&]
                                {
                                  if (c.withTrack)
                                    g.DrawBitmap(track, IRECT(10, 10, 30, 110), 0, 0, slider->GetBlend());
                                  g.DrawBitmapFrame(h, c.expected, 1, slider->GetBlend());
                                }));
  }

  // A press on the track jumps there; the point-and-length form spans the handle across.
  g.RemoveAllControls();
  auto* slider = Attach(new IBSliderControl(IRECT(0, 0, 40, 120), handle, track, kGain));
  Click(20, 60);
  EXPECT_NEAR(slider->GetValue(), 0.5, 1e-9);
  auto* placed = Attach(new IBSliderControl(100, 5, 80, handle, IBitmap(), kGain));
  EXPECT_EQ(placed->GetRECT(), IRECT(100, 5, 120, 85));
  auto* placedAcross = Attach(new IBSliderControl(150, 5, 80, handleAcross, IBitmap(), kGain, kHorizontal));
  EXPECT_EQ(placedAcross->GetRECT(), IRECT(150, 5, 230, 25));
}

TEST_F(BitmapFamilyTest, TheRotatingKnobIsUprightInTheMiddle)
{
  const IBitmap dial = Load("dial.png", 30, 30);
  auto* knob = Attach(new IBKnobRotaterControl(IRECT(0, 0, 40, 40), dial, kGain));
  for (auto [value, angle] : {std::pair{0.0, -130.0}, {0.5, 0.0}, {1.0, 130.0}, {0.25, -65.0}})
  {
    knob->SetValue(value);
    EXPECT_EQ(Log(*knob),
              Log([&, angle = angle] { g.DrawRotatedBitmap(dial, 20, 20, angle, knob->GetBlend()); }))
        << value;
  }
  // The knob base turns it: 30 points up at gearing 4 on a 30-point frame is a quarter.
  knob->SetValue(0.5);
  Press(20, 20);
  Drag(20, -10, 0, -30);
  Release(20, -10);
  EXPECT_NEAR(knob->GetValue(), 0.75, 1e-9);
}

TEST_F(BitmapFamilyTest, TheButtonShowsItsSecondFrameUntilTheClickAnimationEnds)
{
  const IBitmap twoFrames = Load("button.png", 30, 60, 2);
  auto* button =
      Attach(new IBButtonControl(10, 10, twoFrames, [](IControl* c) { c->StartDefaultClickAnimation(); }));
  auto* held = Attach(new IBButtonControl(IRECT(100, 0, 160, 60), twoFrames));
  EXPECT_EQ(button->GetRECT(), IRECT(10, 10, 40, 40));
  EXPECT_EQ(held->GetRECT(), IRECT(115, 15, 145, 45));

  auto frameShown = [&](IControl& c)
  {
    const auto lines = Log(c);
    return lines.size() == 1 && lines[0].find(" 0 30 ") != std::string::npos ? 2 : 1;
  };
  EXPECT_EQ(frameShown(*button), 1);
  Click(20, 20);
  Tick(g, 50);
  EXPECT_EQ(frameShown(*button), 2);
  Tick(g, 50);
  EXPECT_EQ(frameShown(*button), 1);
  Click(130, 30);
  Tick(g, 5000);
  EXPECT_EQ(frameShown(*held), 2);
}

TEST_F(BitmapFamilyTest, BitmapTextDrawsItsStringWithTheFontBitmap)
{
  const IBitmap font = Load("font.png", 6, 12 * 95, 95);
  IText text = kDefaultText;
  auto* label = Attach(new IBTextControl(IRECT(0, 0, 120, 30), font, text, "Gain 3", 6, 12, 1, true, false));
  IBlend blend(kBlendDefault, 1.f);
  const auto expected = Log(
      [&] { g.DrawBitmapedText(font, IRECT(0, 0, 120, 30), text, &blend, "Gain 3", false, true, 6, 12, 1); });
  EXPECT_FALSE(expected.empty());
  EXPECT_EQ(Log(*label), expected);
  label->SetStr("");
  EXPECT_TRUE(Log(*label).empty());
}
} // namespace
