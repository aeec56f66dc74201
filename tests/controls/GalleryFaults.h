// The galleries' picture check: a page drawn as it is and with the three visible faults that its golden
// comparison must catch (anti-aliasing off, every control half a pixel off, 85 % alpha).
#pragma once

#include "tests/support/PictureFaults.h"
#include "tests/vector/VectorGraphicsTestContext.h"

namespace qorvtest
{
using GalleryFault = PictureFault;

// Draws the whole page with the fault applied.
inline RgbaImage DrawGalleryFrame(VectorGraphics& g, GalleryFault fault)
{
  ShiftControlsForFault(g, fault);
  g.Begin();
  ApplyDrawingFault(g.VG(), fault);
  g.Draw(g.GetBounds(), 1.f);
  return g.End();
}

inline void ExpectGalleryMatchesOnlyWhenRight(const std::function<RgbaImage(GalleryFault)>& draw, int width,
                                              int height, const char* golden)
{
  ExpectMatchesOnlyWhenRight(draw, width, height, "controls", golden);
}
} // namespace qorvtest
