// What the thin fills and strokes work in (VGthinFill.h, VGthinColumns.h, VGthinStrip.h, VGthinStroke.h):
// kept by the context from fill to fill, so that a frame of thin shapes allocates once. Main thread, as the
// context; each field means one thing whoever fills it.
#pragma once

#include "graphics/vector/VGpath.h"

#include <vector>

namespace iplugin::igraphics
{
struct VGthinScratch
{
  std::vector<double> inner;     // the inner outline, x, y pairs
  std::vector<double> across;    // the shape's width across each segment
  std::vector<double> whole;     // how far the whole shape reaches across from each segment
  std::vector<double> farBand;   // how far each segment's far band is moved out; negative where it has none
  std::vector<double> unit;      // each corner's unit bisector and miter length, bx, by, dm triples
  std::vector<double> bisector;  // how far in the shape reaches along each corner's bisector
  std::vector<double> planes;    // half-planes: nx, ny, c (n . q >= c)
  std::vector<double> reversed;  // the thin sides' far bands, merged into planes
  std::vector<double> keys;      // the far bands' directions, for the merge
  std::vector<int> deque;        // the half-planes the inner outline keeps
  std::vector<double> meet;      // where each kept half-plane meets the next
  std::vector<VGpoint> fewer;    // a curve's outline on fewer points
  std::vector<double> projected; // points along and across the way the shape lies, t, s pairs
  std::vector<double> columns;   // each column's time along, box-filtered width and middle across
  std::vector<double> weight;    // each inner point's share of the ink at full coverage
  std::vector<double> cover;     // each inner point's coverage
  std::vector<double> sides[3];  // the outline's, inner outline's and band's sides, rising along
  std::vector<double> kept;      // the band's outer points across the shape before they were moved
  std::vector<double> points;    // a thin shape's times where a side has a point: width, middle, slopes
  std::vector<int> sharp;        // the points where the width's slope turns sharply
  std::vector<int> gentle;       // and gently
  std::vector<VGpoint> stroke;   // a short thin stroke's outline
};
} // namespace iplugin::igraphics
