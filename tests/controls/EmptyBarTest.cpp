// Two sliders and a meter-like range slider whose fill is red, drawn by the vector back end at scales 1 and
// 2, their parameters set from the delegate as a host sets them: at zero the fill puts down nothing, and on
// its way down to zero no more than its bar covers (the range slider's bar of no height once drew a red
// line a pixel wide, 6,120 of ink at scale 1).
#include "tests/controls/VectorGallery.h"
#include "tests/vector/VectorGraphicsTestContext.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace iplugin::igraphics;
using namespace qorvtest;

namespace
{
constexpr int kWidth = 130, kHeight = 100;

RgbaImage BarsFrame(const IColor& fill, double value, float scale)
{
  RecordingDelegate dlg(2);
  dlg.GetParam(0)->InitDouble("Level", 0.5, 0.0, 1.0, 0.0);
  dlg.GetParam(1)->InitDouble("High", 0.5, 0.0, 1.0, 0.0);
  dlg.mMakeGraphicsFunc = [&dlg]() { return new VectorGraphics(dlg, kWidth, kHeight); };
  dlg.OpenWindow(nullptr);
  auto& g = *static_cast<VectorGraphics*>(dlg.GetUI());
  g.Open(scale);
  IVStyle style;
  style.mColorSpec.mColors[kX1] = fill;
  style.mDrawFrame = false;
  // Handles of no size: nothing but the track and its fill.
  g.AttachControl(new IVSliderControl(IRECT(10, 10, 30, 90), 0, "", style, false, kVertical, 1.0, 0.f, 6.f));
  g.AttachControl(
      new IVSliderControl(IRECT(40, 40, 120, 60), 0, "", style, false, kHorizontal, 1.0, 0.f, 6.f));
  g.AttachControl(new IVRangeSliderControl(IRECT(40, 70, 120, 90), {1}, "", style, kHorizontal, 0.f, 6.f));
  dlg.SendParameterValueFromDelegate(0, value, true);
  dlg.SendParameterValueFromDelegate(1, value, true);
  g.Begin();
  g.Draw(g.GetBounds(), 1.f);
  const RgbaImage image = g.End();
  dlg.CloseWindow();
  return image;
}

// How far the green of the frame falls below the one without a fill, summed over its pixels: the red fill's
// ink.
double FillInk(double value, float scale)
{
  const RgbaImage red = BarsFrame(kColorRed, value, scale), none = BarsFrame(kColorTransparent, value, scale);
  double ink = 0;
  for (size_t i = 0; i < red.rgba.size(); i += 4)
    ink += std::abs(int(none.rgba[i + 1]) - int(red.rgba[i + 1])) +
           std::abs(int(none.rgba[i]) - int(red.rgba[i]));
  return ink;
}
} // namespace

TEST(EmptyBars, AFillAtZeroOrOnItsWayThereDrawsNoLine)
{
  for (float scale : {1.f, 2.f})
  {
    EXPECT_EQ(FillInk(0.0, scale), 0) << "at zero, scale " << scale;
    for (double value : {1e-3, 1e-4, 1e-5, 1e-7})
    {
      // Three bars 12 units across, with their area's ink and half a level of rounding in each channel on
      // each pixel of three rows across them.
      const double across = 12 * scale, area = value * 80 * scale * across;
      EXPECT_LE(FillInk(value, scale), 3 * (area * 510 + across * 3))
          << "at " << value << ", scale " << scale;
    }
    EXPECT_GT(FillInk(0.05, scale), 0) << "a bar that shows, scale " << scale;
  }
}
