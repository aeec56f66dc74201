// A convex fill thin along its whole length, drawn as columns across the way it lies: each column's coverage
// is the shape box-filtered over a fringe, across and along, so that its samples a fringe apart add up to
// the shape's width wherever they lie, and the strip fades as the shape narrows.
#pragma once

#include "graphics/vector/VGthinFill.h"

namespace iplugin::igraphics
{
// The strip of columns of the convex outline pts[0, n) lying along (ux, uy) (of unit length), box-filtered
// over `fringe` (a device pixel, widened as the shape lies across the pixel grid), written from dst: each
// column four vertices across, from the shape's ramp in to its hold and out again, at times across the way
// it lies where a side's point does, a half fringe either side; widths scaled so that the ink is `area`.
// Answers how many vertices were written, or 0, writing nothing, where the shape is more than two fringes
// across somewhere. Writes at most n * 18 + 8.
int vgThinColumns(VGthinScratch& s, const VGpoint* pts, int n, double ux, double uy, double fringe,
                  double area, VGvertex* dst);
} // namespace iplugin::igraphics
