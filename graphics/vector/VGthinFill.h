// Convex fills thinner than the anti-aliasing fringe: columns across the shape (VGthinColumns.h), or where
// it is wider somewhere, a fringe band and an inner outline; each covers each pixel once and puts down the
// ink of the shape's area, spread along it as its width is. Every step takes time linear in the outline's
// points.
#pragma once

#include "graphics/vector/VGpath.h"
#include "graphics/vector/VGthinScratch.h"

namespace iplugin::igraphics
{
// Whether a convex outline's fan inset by woff would fold or cross itself (some edge of the inset runs
// against its segment, or the shape is thinner than 2 woff across some segment), or the shape is less
// than 4 woff across and curved (more than four points): such fills are drawn by vgThinConvexFill.
bool vgThinOutline(const VGpoint* pts, int count, float woff);

// How far the convex outline reaches across from each segment over the segment and woff either side of
// it (the shape's width where that segment's band lies; a pointed end is thin by its sides too), into
// across[0, count) (where the whole shape reaches less than `least` across, that reach instead); and,
// unless whole is null, how far the whole shape reaches across from each segment.
void vgThinAcross(const VGpoint* pts, int count, float woff, double* across, double* whole = nullptr,
                  double least = 0.0);

// The strip (path->stroke; path->fill is left empty) of a convex fill for which vgThinOutline holds: with
// columns, its columns where the shape is no more than two fringes across along the way it lies; else its
// band and, joined to it, its inner outline zigzagging along the shape; written from dst. columns becomes
// whether the columns were written. Answers the end of what was written. Writes at most count * 32 + 9
// vertices.
VGvertex* vgThinConvexFill(VGthinScratch& scratch, VGpath* path, const VGpoint* pts, float woff,
                           VGvertex* dst, bool& columns);
} // namespace iplugin::igraphics
