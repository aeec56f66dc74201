// One frame of the gallery drawn by the vector back end and compared with its reviewed golden picture,
// tightly enough that anti-aliasing off, a half-pixel shift or 85 % alpha fail it.
#include "tests/controls/Gallery.h"
#include "tests/controls/ScriptedInput.h"
#include "tests/support/GoldenImage.h"
#include "tests/support/TestPaths.h"
#include "tests/vector/VectorGraphicsTestContext.h"

#include "framework/IParam.h"
#include "graphics/vector/VGcontext.h"

#include <gtest/gtest.h>

using namespace iplugin::igraphics;
using namespace qorvtest;

namespace
{
const char* const kRobotoPath = "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf";

enum class Fault
{
  kNone,
  kNoAntiAlias,
  kHalfPixel,
  kAlpha85
};

// The gallery opened through its delegate on the vector back end, set by input, drawn in one frame.
RgbaImage DrawGallery(Fault fault)
{
  VirtualClock clock;
  RecordingDelegate dlg(kNumGalleryParams);
  InitGalleryParams(dlg);
  dlg.mMakeGraphicsFunc = [&dlg]() { return new VectorGraphics(dlg, kGalleryWidth, kGalleryHeight); };
  dlg.OpenWindow(nullptr);
  auto& g = *static_cast<VectorGraphics*>(dlg.GetUI());
  g.Open(1.f);
  AttachGallery(g, ScratchDir("gallery-frame"), kRobotoPath);

  // The values a host would have pushed, then a click on the toggle and a press on the fader that
  // holds its bubble, faded in.
  for (auto [param, value] : {std::pair{kLampParam, 1.0},
                              {kHandleParam, 0.75},
                              {kRotaterParam, 0.5},
                              {kDialParam, 0.3},
                              {kPositionParam, 0.5},
                              {kCurveParam, 1.0}})
    dlg.SendParameterValueFromDelegate(param, value, true);
  dlg.GetParam(kThresholdParam)->Set(-20.0);
  dlg.GetParam(kFaderParam)->Set(-12.0);
  Click(g, 130, 135);
  Press(g, 185, 250 - 76.5f * 48.f / 66.f);
  Tick(g, 200);

  // Each control's drawing starts from a fresh transform: the shift moves the controls themselves.
  if (fault == Fault::kHalfPixel)
    for (int i = 1; i < g.NControls(); ++i)
    {
      const IRECT& r = g.GetControl(i)->GetRECT();
      g.SetControlPosition(i, r.L + 0.5f, r.T + 0.5f);
    }
  g.Begin();
  if (fault == Fault::kNoAntiAlias) vgShapeAntiAlias(g.VG(), 0);
  if (fault == Fault::kAlpha85) vgGlobalAlpha(g.VG(), 0.85f);
  g.Draw(g.GetBounds(), 1.f);
  return g.End();
}

// Same renderer, same input: only rounding may differ.
const ImageTolerance kTight{2, 8, 0.0005, 0};

TEST(GalleryFrameTest, TheFrameMatchesItsReviewedPicture)
{
  const RgbaImage frame = DrawGallery(Fault::kNone);
  ASSERT_EQ(frame.width, kGalleryWidth);
  ASSERT_EQ(frame.height, kGalleryHeight);
  EXPECT_TRUE(MatchesGolden(frame, "controls", "gallery", kTight));
  // Rewriting the reference stops here: the wrong pictures must not overwrite it.
  if (UpdateGolden()) return;
  EXPECT_FALSE(MatchesGolden(DrawGallery(Fault::kNoAntiAlias), "controls", "gallery", kTight));
  EXPECT_FALSE(MatchesGolden(DrawGallery(Fault::kHalfPixel), "controls", "gallery", kTight));
  EXPECT_FALSE(MatchesGolden(DrawGallery(Fault::kAlpha85), "controls", "gallery", kTight));
}
} // namespace
