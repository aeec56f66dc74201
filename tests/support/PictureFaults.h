// The picture check of whole frames (the control galleries, the editor): a frame drawn as it is and with
// the three visible faults its golden comparison must catch (anti-aliasing off, every control half a pixel
// off, 85 % alpha), each drawn by the vector back end.
#pragma once

#include "tests/support/GoldenImage.h"

#include "graphics/IGraphics.h"
#include "graphics/vector/VGcontext.h"

#include <gtest/gtest.h>

#include <functional>

namespace qorvtest
{
enum class PictureFault
{
  kNone,
  kNoAntiAlias,
  kHalfPixel,
  kAlpha85
};

// Before the frame: moves every control but the background half a point right and down. Each control's
// drawing starts from a fresh transform, so the shift moves the controls themselves.
inline void ShiftControlsForFault(iplugin::igraphics::IGraphics& g, PictureFault fault)
{
  if (fault != PictureFault::kHalfPixel) return;
  for (int i = 1; i < g.NControls(); ++i)
  {
    const iplugin::igraphics::IRECT& r = g.GetControl(i)->GetRECT();
    g.SetControlPosition(i, r.L + 0.5f, r.T + 0.5f);
  }
}

// Once the frame has begun: turns anti-aliasing off or the alpha down for everything drawn after.
inline void ApplyDrawingFault(iplugin::igraphics::VGcontext* vg, PictureFault fault)
{
  if (fault == PictureFault::kNoAntiAlias) vgShapeAntiAlias(vg, 0);
  if (fault == PictureFault::kAlpha85) vgGlobalAlpha(vg, 0.85f);
}

// Same renderer, same input: only rounding may differ.
inline ImageTolerance FrameTolerance()
{
  return ImageTolerance{2, 8, 0.0005, 0};
}

// The frame matches its golden in tests/data/<area> at the tolerance, and each faulty frame does not.
inline void ExpectMatchesOnlyWhenRight(const std::function<RgbaImage(PictureFault)>& draw, int width,
                                       int height, const char* area, const char* golden,
                                       const ImageTolerance& tight = FrameTolerance())
{
  const RgbaImage frame = draw(PictureFault::kNone);
  ASSERT_EQ(frame.width, width);
  ASSERT_EQ(frame.height, height);
  EXPECT_TRUE(MatchesGolden(frame, area, golden, tight));
  // Rewriting the reference stops here: the wrong pictures must not overwrite it.
  if (UpdateGolden()) return;
  for (PictureFault f : {PictureFault::kNoAntiAlias, PictureFault::kHalfPixel, PictureFault::kAlpha85})
    EXPECT_FALSE(MatchesGolden(draw(f), area, golden, tight, false)) << "fault " << int(f);
}
} // namespace qorvtest
