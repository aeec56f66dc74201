// The SVG-drawn controls: which picture each draws for a value and where, the slider's layout from its
// pictures' proportions, and the static picture's layer, rendered once and reused until the control
// moves or a scale changes.
#include "controls/ISVGButtonControl.h"
#include "controls/ISVGControl.h"
#include "controls/ISVGKnobControl.h"
#include "controls/ISVGSliderControl.h"
#include "controls/ISVGSwitchControl.h"
#include "tests/controls/ControlsTestSupport.h"
#include "tests/controls/DrawLog.h"
#include "tests/controls/ScriptedInput.h"
#include "tests/support/TestPaths.h"

#include <algorithm>
#include <cstring>
#include <functional>

using namespace iplugin::igraphics;
using namespace qorvtest;

namespace
{
class SvgControlsTest : public ControlsTest
{
protected:
  ISVG Load(const char* name) { return g.LoadSVG(DataPath("controls", name).c_str()); }
  ISVG FromText(const char* name, const char* doc)
  {
    return g.LoadSVGFromData(name, doc, int(std::strlen(doc)));
  }
  std::vector<std::string> Log(const std::function<void()>& draw) { return DrawLog(g, draw); }
  std::vector<std::string> Log(IControl& control) { return DrawLog(g, control); }
};

TEST_F(SvgControlsTest, SwitchesButtonsAndKnobsDrawThePictureForTheirValue)
{
  const ISVG pictures[] = {Load("switch-off.svg"), Load("switch-mid.svg"), Load("switch-on.svg")};
  ASSERT_TRUE(pictures[0].IsValid() && pictures[1].IsValid() && pictures[2].IsValid());
  const IRECT r(10, 10, 90, 50);
  auto* sw = Attach(new ISVGSwitchControl(r, {pictures[0], pictures[1], pictures[2]}));
  const std::pair<double, int> switchCases[] = {{0.0, 0},  {0.24, 0}, {0.25, 1}, {0.5, 1},
                                                {0.74, 1}, {0.75, 2}, {1.0, 2}};
  for (auto [value, picture] : switchCases)
  {
    sw->SetValue(value);
    EXPECT_EQ(Log(*sw), Log([&, picture = picture] { g.DrawSVG(pictures[picture], r, sw->GetBlend()); }))
        << value;
  }
  // Eleven states from its parameter, three pictures: the last picture, never past it.
  auto* counted =
      Attach(new ISVGSwitchControl(IRECT(10, 60, 90, 100), {pictures[0], pictures[1], pictures[2]}, kCount));
  EXPECT_EQ(counted->GetNumStates(), 11);
  counted->SetValue(1.0);
  EXPECT_EQ(counted->PictureForValue(1.0), 2);
  EXPECT_EQ(Log(*counted), Log([&] { g.DrawSVG(pictures[2], counted->GetRECT(), counted->GetBlend()); }));
  // A click steps the switch.
  sw->SetValue(0.0);
  Click(50, 30);
  EXPECT_EQ(sw->GetValue(), 0.5);

  auto* button = Attach(new ISVGButtonControl(IRECT(100, 10, 130, 40), nullptr, pictures[0], pictures[2]));
  for (auto [value, picture] : {std::pair{0.5, 0}, {0.5001, 2}, {1.0, 2}, {0.0, 0}})
  {
    button->SetValue(value);
    EXPECT_EQ(Log(*button), Log([&, picture = picture]
                                { g.DrawSVG(pictures[picture], button->GetRECT(), button->GetBlend()); }))
        << value;
  }

  const ISVG dial = Load("knob.svg");
  auto* knob = Attach(new ISVGKnobControl(IRECT(150, 0, 210, 40), dial, kGain));
  for (auto [value, angle] : {std::pair{0.0, -135.0}, {0.5, 0.0}, {1.0, 135.0}})
  {
    knob->SetValue(value);
    EXPECT_EQ(Log(*knob),
              Log([&, angle = angle] { g.DrawRotatedSVG(dial, 180, 20, 60, 40, angle, knob->GetBlend()); }))
        << value;
  }
  knob->SetSVG(pictures[1]);
  EXPECT_EQ(Log(*knob),
            Log([&] { g.DrawRotatedSVG(pictures[1], 180, 20, 60, 40, 135.0, knob->GetBlend()); }));
}

TEST_F(SvgControlsTest, SlidersLayTheirPicturesOutByTheTrackPicturesProportions)
{
  const ISVG track = Load("slider-track.svg");   // 10 x 100
  const ISVG handle = Load("slider-handle.svg"); // 10 x 10
  const ISVG trackAcross =
      FromText("track-across", "<svg xmlns='http://www.w3.org/2000/svg' width='100' height='10'>"
                               "<rect width='100' height='10' fill='#444'/></svg>");
  // Vertical, 100 high: the track picture keeps 10 x 100; the handle spans its top 10 points at 1.
  auto* up = Attach(new ISVGSliderControl(IRECT(0, 0, 30, 100), handle, track, kGain));
  EXPECT_EQ(up->GetTrackSVGBounds(), IRECT(10, 0, 20, 100));
  EXPECT_EQ(up->GetHandleBounds(1.0), IRECT(10, 0, 20, 10));
  EXPECT_EQ(up->GetHandleBounds(0.0), IRECT(10, 90, 20, 100));
  EXPECT_EQ(up->GetHandleBounds(0.5), IRECT(10, 45, 20, 55));
  // Horizontal, 200 wide: the track picture is 200 x 20, the handle scaled twice to 20 x 20.
  auto* across =
      Attach(new ISVGSliderControl(IRECT(40, 0, 240, 40), handle, trackAcross, kGain, kHorizontal));
  EXPECT_EQ(across->GetTrackSVGBounds(), IRECT(40, 10, 240, 30));
  EXPECT_EQ(across->GetHandleBounds(1.0), IRECT(220, 10, 240, 30));
  EXPECT_EQ(across->GetHandleBounds(0.0), IRECT(40, 10, 60, 30));
  // The slide range starts one handle in: a press at x = 150 is half way.
  Click(150, 20);
  EXPECT_NEAR(across->GetValue(), 0.5, 1e-9);
  EXPECT_EQ(Log(*across), Log(
                              [&]
                              {
                                g.DrawSVG(trackAcross, IRECT(40, 10, 240, 30), across->GetBlend());
                                g.DrawSVG(handle, IRECT(130, 10, 150, 30), across->GetBlend());
                              }));
  // Resizing lays it out again.
  g.SetControlBounds(g.GetControlIdx(up), IRECT(0, 0, 30, 50));
  EXPECT_EQ(up->GetTrackSVGBounds(), IRECT(12.5f, 0, 17.5f, 50));
  EXPECT_EQ(up->GetHandleBounds(1.0), IRECT(12.5f, 0, 17.5f, 5));
  // A picture without a size lays out nothing that divides by it.
  auto* blank = Attach(new ISVGSliderControl(IRECT(250, 0, 270, 100), handle, ISVG(), kGain));
  EXPECT_EQ(blank->GetTrackSVGBounds(), IRECT(250, 0, 270, 100));
}

TEST_F(SvgControlsTest, APictureWithALayerIsRenderedOnceUntilItMovesOrTheScaleChanges)
{
  const ISVG picture = Load("picture.svg");
  auto* layered = Attach(new ISVGControl(IRECT(10, 10, 70, 50), picture, true));
  auto* direct = Attach(new ISVGControl(IRECT(100, 10, 160, 50), picture, false));
  const int fills = CountLines(Log([&] { g.DrawSVG(picture, IRECT(10, 10, 70, 50)); }), "fill");
  ASSERT_GT(fills, 0);

  auto rendered = [&] { return CountLines(Log(*layered), "fill") == fills; };
  EXPECT_TRUE(rendered());
  EXPECT_FALSE(rendered());
  EXPECT_FALSE(rendered());
  g.SetControlPosition(g.GetControlIdx(layered), 12, 10);
  EXPECT_TRUE(rendered());
  EXPECT_FALSE(rendered());
  g.SetScreenScale(2.f);
  EXPECT_TRUE(rendered());
  EXPECT_FALSE(rendered());
  // Drawn from the layer each time it is not rendered.
  EXPECT_EQ(CountLines(Log(*layered), "bitmap"), 1);
  EXPECT_EQ(CountLines(Log(*direct), "fill"), fills);
  EXPECT_EQ(CountLines(Log(*direct), "fill"), fills);
}

TEST_F(SvgControlsTest, TheSvgBackgroundCoversTheContextBehindEverything)
{
  Attach(new ISVGButtonControl(IRECT(0, 0, 30, 30), nullptr, ISVG(), ISVG()));
  g.AttachSVGBackground(DataPath("controls", "picture.svg").c_str());
  ASSERT_EQ(g.NControls(), 2);
  EXPECT_EQ(g.GetControl(0)->GetRECT(), IRECT(0, 0, 300, 200));
  EXPECT_GT(CountLines(Log(*g.GetControl(0)), "fill"), 0);
}
} // namespace
