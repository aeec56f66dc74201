// Convex fills thinner than the anti-aliasing fringe: columns across the shape (VGthinColumns.h), or where
// it is wider somewhere, a fringe band and an inner outline; each covers each pixel once and puts down the
// ink of the shape's area, spread along it as its width is. Every step takes time linear in the outline's
// points.
#pragma once

#include <vector>

#include "graphics/vector/VGpath.h"

namespace iplugin::igraphics
{
// What the construction works in, kept by the context from fill to fill.
struct VGthinScratch
{
  std::vector<double> inner;    // the inner outline, x, y pairs
  std::vector<double> across;   // the shape's width across each segment
  std::vector<double> whole;    // how far the whole shape reaches across from each segment
  std::vector<double> farBand;  // how far each segment's far band is moved out; negative where it has none
  std::vector<double> unit;     // each corner's unit bisector and miter length, bx, by, dm triples
  std::vector<double> bisector; // how far in the shape reaches along each corner's bisector
  std::vector<double> planes;   // half-planes: nx, ny, c (n . q >= c)
  std::vector<double> reversed; // the thin sides' far bands, merged into planes
  std::vector<double> keys;     // the far bands' directions, for the merge
  std::vector<int> deque;       // the half-planes the inner outline keeps
  std::vector<double> meet;     // where each kept half-plane meets the next
  std::vector<VGpoint> fewer;   // a curve's outline on fewer points
  std::vector<double> along;    // points along and across the way the shape lies; a thin shape's columns
  std::vector<double> weight;   // each inner point's share of the ink at full coverage
  std::vector<double> cover;    // each inner point's coverage
  std::vector<double> sides[3]; // the outline's, inner outline's and band's sides, rising along
  std::vector<double> kept;     // the band's outer points across the shape before they were moved
  std::vector<double> points;   // a thin shape's times where a side has a point: width, middle, slopes
  std::vector<int> sharp;       // the points where the width's slope turns sharply
  std::vector<int> gentle;      // and gently
  std::vector<VGpoint> stroke;  // a short thin stroke's outline
};

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

// The strip (path->stroke; path->fill is left empty) of a convex fill for which vgThinOutline holds: its
// columns, or its band and, joined to it, its inner outline zigzagging along the shape, written from dst;
// answers the end of what was written. Writes at most count * 32 + 9 vertices.
VGvertex* vgThinConvexFill(VGthinScratch& scratch, VGpath* path, const VGpoint* pts, float woff,
                           VGvertex* dst);
} // namespace iplugin::igraphics
