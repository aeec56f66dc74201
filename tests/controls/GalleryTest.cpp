// The gallery driven by input as a person gives it: each family's controls answer presses, drags and
// the wheel, and draw the frame, picture, word or colour that their value asks for.
#include "tests/controls/DrawLog.h"
#include "tests/controls/Gallery.h"
#include "tests/controls/ScriptedInput.h"
#include "tests/support/TestPaths.h"

#include "framework/IParam.h"

#include <gtest/gtest.h>

using namespace iplugin::igraphics;
using namespace qorvtest;

namespace
{
class GalleryTest : public ::testing::Test
{
protected:
  GalleryTest() : dlg(kNumGalleryParams), g(Open()), gallery(AttachGallery(g, ScratchDir("gallery"), "")) {}
  RecordingGraphics& Open()
  {
    InitGalleryParams(dlg);
    return dlg.Open(kGalleryWidth, kGalleryHeight);
  }
  std::vector<std::string> Log(IControl& control) { return DrawLog(g, control); }
  std::vector<std::string> Log(const std::function<void()>& draw) { return DrawLog(g, draw); }

  VirtualClock clock;
  RecordingDelegate dlg;
  RecordingGraphics& g;
  Gallery gallery;
};

TEST_F(GalleryTest, BitmapControlsFollowTheMouse)
{
  IBSliderControl& slider = *gallery.bitmapSlider;
  // The track bitmap spans 10..86; a press at either end jumps there.
  Click(g, 138, 86);
  EXPECT_EQ(slider.GetValue(), 0.0);
  EXPECT_EQ(slider.GetHandleBounds(), IRECT(130, 78, 146, 86));
  Click(g, 138, 10);
  EXPECT_EQ(slider.GetValue(), 1.0);
  EXPECT_EQ(slider.GetHandleBounds(), IRECT(130, 10, 146, 18));
  // With the pointer hidden, drags are relative: 19 of 76 points down is a quarter.
  Press(g, 138, 48);
  DragTo(g, 138, 67, 0, 19);
  Release(g, 138, 67);
  EXPECT_NEAR(slider.GetValue(), 0.25, 1e-9);
  Wheel(g, 138, 48, 3.f);
  EXPECT_NEAR(slider.GetValue(), 0.28, 1e-9);

  // The rotating knob is upright in the middle.
  dlg.SendParameterValueFromDelegate(kRotaterParam, 0.5, true);
  EXPECT_EQ(
      Log(*gallery.rotater),
      Log([&]
          { g.DrawRotatedBitmap(gallery.rotater->GetBitmap(), 100, 30, 0.0, gallery.rotater->GetBlend()); }));
  // The momentary button is pressed for its click animation only.
  Click(g, 55, 20);
  EXPECT_EQ(gallery.bitmapButton->GetValue(), 1.0);
  Tick(g, 100);
  EXPECT_EQ(gallery.bitmapButton->GetValue(), 0.0);
}

TEST_F(GalleryTest, SvgControlsPickTheirPictures)
{
  ISVGSwitchControl& sw = *gallery.svgSwitch;
  EXPECT_EQ(sw.GetNumStates(), 3);
  for (auto [value, picture] : {std::pair{0.24, 0}, {0.25, 1}, {0.74, 1}, {0.75, 2}})
    EXPECT_EQ(sw.PictureForValue(value), picture) << value;

  Click(g, 225, 50);
  EXPECT_EQ(gallery.svgButton->GetValue(), 1.0);
  Tick(g, 100);
  EXPECT_EQ(gallery.svgButton->GetValue(), 0.0);

  // The SVG slider: the track picture is 8.5 x 85, the handle 8.5 high; the slide range 173.5..250.
  ISVGSliderControl& fader = *gallery.svgSlider;
  Click(g, 185, 173.5f + 76.5f * 0.5f);
  EXPECT_NEAR(fader.GetValue(), 0.5, 1e-3);
  // The press jumps to 50 / 76.5 (to 0.001), then a quarter of the range up.
  Press(g, 185, 200);
  DragTo(g, 185, 180.875f, 0, -19.125f);
  Release(g, 185, 180.875f);
  EXPECT_NEAR(fader.GetValue(), 0.654 + 0.25, 1e-6);
  Wheel(g, 185, 200, -1.f, IMouseMod(false, false, true));
  EXPECT_NEAR(fader.GetValue(), 0.903, 1e-6);
}

TEST_F(GalleryTest, TextControlsOpenPromptAndShowTheirWords)
{
  Click(g, 100, 110);
  EXPECT_EQ(g.mOpenedURLs, std::vector<std::string>{"https://qorv.example/manual"});

  EXPECT_STREQ(gallery.toggle->GetStr(), "Bypass off");
  Click(g, 130, 135);
  EXPECT_STREQ(gallery.toggle->GetStr(), "Bypass on");
  dlg.SendParameterValueFromDelegate(kBypassParam, 0.0, true);
  EXPECT_STREQ(gallery.toggle->GetStr(), "Bypass off");

  EXPECT_FALSE(gallery.enumCaption->GetTriangleRECT().Empty());
  EXPECT_TRUE(gallery.valueCaption->GetTriangleRECT().Empty());
  g.TakeLog();
  Click(g, 250, 110);
  EXPECT_EQ(g.TakeLog({"menu"}).size(), 1u) << "an enumeration prompts with a menu";
  Click(g, 250, 135);
  EXPECT_EQ(g.TakeLog({"textentry"}).size(), 1u) << "a number prompts with a text entry";

  EXPECT_STREQ(gallery.placeHolder->GetPositionStr(), "10.0, 160.0");
  EXPECT_STREQ(gallery.placeHolder->GetWidthStr(), "150.0");
  EXPECT_STREQ(gallery.placeHolder->GetHeightStr(), "90.0");
}

TEST_F(GalleryTest, PanelsAndTheBubbleDrawTheirColours)
{
  const auto background = Log(*g.GetControl(0));
  EXPECT_EQ(CountLines(background, "fill linear e1 #255,236,239,244@0 #255,200,208,222@1"), 1);
  const auto frame = Log(*g.GetControl(1));
  EXPECT_EQ(CountLines(frame, "fill #255,248,248,250"), 1);
  EXPECT_EQ(CountLines(frame, "stroke #255,240,240,240 t1"), 1);

  IBubbleControl& bubble = *gallery.bubble;
  EXPECT_EQ(bubble.GetState(), IBubbleControl::kHidden);
  dlg.GetParam(kFaderParam)->Set(-12.0);
  Press(g, 185, 200);
  EXPECT_EQ(bubble.GetCaller(), gallery.svgSlider);
  EXPECT_STREQ(bubble.GetStr(), "-12.0 dB");
  std::vector<float> opacities;
  for (int i = 0; i < 4; ++i)
  {
    Tick(g, 50);
    opacities.push_back(bubble.GetOpacity());
  }
  EXPECT_NEAR(opacities[0], 0.2375f, 1e-4);
  EXPECT_NEAR(opacities[1], 0.475f, 1e-4);
  EXPECT_NEAR(opacities[3], 0.95f, 1e-4);
  Release(g, 185, 200);
  Tick(g, 1000);
  Tick(g, 100);
  EXPECT_NEAR(bubble.GetOpacity(), 0.475f, 1e-4);
  Tick(g, 100);
  EXPECT_TRUE(bubble.IsHidden());
}
} // namespace
