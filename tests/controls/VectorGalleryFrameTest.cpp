// The gallery's second page, the vector controls, drawn by the vector back end and compared with its
// reviewed golden picture, tightly enough that anti-aliasing off, a half-pixel shift or 85 % alpha
// fail it.
#include "tests/controls/VectorGallery.h"
#include "tests/support/GoldenImage.h"
#include "tests/vector/VectorGraphicsTestContext.h"

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

RgbaImage DrawVectorGallery(Fault fault)
{
  RecordingDelegate dlg(kNumVectorGalleryParams);
  InitVectorGalleryParams(dlg);
  dlg.mMakeGraphicsFunc = [&dlg]()
  { return new VectorGraphics(dlg, kVectorGalleryWidth, kVectorGalleryHeight); };
  dlg.OpenWindow(nullptr);
  auto& g = *static_cast<VectorGraphics*>(dlg.GetUI());
  g.Open(1.f);
  AttachVectorGallery(g, kRobotoPath);
  for (int i = 0; i < kNumVectorGalleryParams; ++i)
    dlg.SendParameterValueFromDelegate(i, dlg.GetParam(i)->GetDefault(true), true);

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

TEST(GalleryFrameTest, TheVectorPageMatchesItsReviewedPicture)
{
  const RgbaImage frame = DrawVectorGallery(Fault::kNone);
  ASSERT_EQ(frame.width, kVectorGalleryWidth);
  ASSERT_EQ(frame.height, kVectorGalleryHeight);
  EXPECT_TRUE(MatchesGolden(frame, "controls", "gallery-vector", kTight));
  if (UpdateGolden()) return;
  EXPECT_FALSE(MatchesGolden(DrawVectorGallery(Fault::kNoAntiAlias), "controls", "gallery-vector", kTight));
  EXPECT_FALSE(MatchesGolden(DrawVectorGallery(Fault::kHalfPixel), "controls", "gallery-vector", kTight));
  EXPECT_FALSE(MatchesGolden(DrawVectorGallery(Fault::kAlpha85), "controls", "gallery-vector", kTight));
}
} // namespace
