// The strip of a thin convex fill, laid out once its band is built: the band and, joined to it by triangles
// of no area, its inner outline zigzagging along the shape, with coverage that follows the shape's width.
#pragma once

#include "graphics/vector/VGpath.h"
#include "graphics/vector/VGthinScratch.h"

namespace iplugin::igraphics
{
// Lays out the strip from the band strip[0, nband) (inner and outer vertices in turn, inner ones carrying
// the index of their point of s.inner in u, outer ones -1) and sets every vertex's u; answers how many
// vertices the strip has. outline: the n points the band was built on; (ux, uy): the way the shape lies, of
// unit length; area: the ink to put down; ccw: whether the path turns counter-clockwise. With `taper`
// (some side is thin) the band's outer points move to where each column is box-filtered and coverage
// follows the shape's width, else every inner point is at full coverage. Writes at most
// 4 * s.inner.size() / 2 + 2 vertices after the band.
int vgThinStrip(VGthinScratch& s, const VGpoint* outline, int n, VGvertex* strip, int nband, double ux,
                double uy, float woff, double area, bool ccw, bool taper);
} // namespace iplugin::igraphics
