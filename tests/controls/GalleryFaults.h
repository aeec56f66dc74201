// The galleries' picture check: a page drawn as it is and with the three visible faults that its golden
// comparison must catch (anti-aliasing off, every control half a pixel off, 85 % alpha).
#pragma once

#include "tests/support/GoldenImage.h"
#include "tests/vector/VectorGraphicsTestContext.h"

#include "graphics/vector/VGcontext.h"

#include <gtest/gtest.h>

#include <functional>

namespace qorvtest
{
enum class GalleryFault
{
  kNone,
  kNoAntiAlias,
  kHalfPixel,
  kAlpha85
};

// Draws the whole page with the fault applied. Each control's drawing starts from a fresh transform, so
// the shift moves the controls themselves.
inline RgbaImage DrawGalleryFrame(VectorGraphics& g, GalleryFault fault)
{
  if (fault == GalleryFault::kHalfPixel)
    for (int i = 1; i < g.NControls(); ++i)
    {
      const iplugin::igraphics::IRECT& r = g.GetControl(i)->GetRECT();
      g.SetControlPosition(i, r.L + 0.5f, r.T + 0.5f);
    }
  g.Begin();
  if (fault == GalleryFault::kNoAntiAlias) vgShapeAntiAlias(g.VG(), 0);
  if (fault == GalleryFault::kAlpha85) vgGlobalAlpha(g.VG(), 0.85f);
  g.Draw(g.GetBounds(), 1.f);
  return g.End();
}

// The page matches its golden at a tight tolerance (same renderer, same input: only rounding may differ),
// and each faulty page does not.
inline void ExpectGalleryMatchesOnlyWhenRight(const std::function<RgbaImage(GalleryFault)>& draw, int width,
                                              int height, const char* golden)
{
  const ImageTolerance tight{2, 8, 0.0005, 0};
  const RgbaImage frame = draw(GalleryFault::kNone);
  ASSERT_EQ(frame.width, width);
  ASSERT_EQ(frame.height, height);
  EXPECT_TRUE(MatchesGolden(frame, "controls", golden, tight));
  // Rewriting the reference stops here: the wrong pictures must not overwrite it.
  if (UpdateGolden()) return;
  for (GalleryFault f : {GalleryFault::kNoAntiAlias, GalleryFault::kHalfPixel, GalleryFault::kAlpha85})
    EXPECT_FALSE(MatchesGolden(draw(f), "controls", golden, tight)) << "fault " << int(f);
}
} // namespace qorvtest
