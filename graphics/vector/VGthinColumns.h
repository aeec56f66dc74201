// A shape thin along its whole length (a convex fill, or a short stroke's outline), drawn as columns across
// the way it lies, each the shape box-filtered over a fringe.
//
// The box filter, which every thin construction follows (the columns here, the band's columns in
// VGthinStrip.cpp, the inner outline in VGthinFill.cpp, short strokes in VGthinStroke.h): samples a pixel
// apart put down a shape's area whatever their phase where each takes the shape's integral over a box one
// pixel square round it. Across a strip W wide, the box over a fringe F ramps over min(W, F) from each
// outer edge and holds over |F - W| at min(W, F) / F: samples F apart add up to W wherever they lie, and
// the coverage fades as the strip narrows. Along the shape, the same box makes each column's width the
// running mean of the shape's width over a fringe. The box is a pixel's square only along the pixel grid:
// across a side turned from the axes, a pixel's square spans |cos| + |sin| pixels, and the fringe is
// widened to that (vgThinLie); along the grid or its diagonal it adds up to the area at any phase.
#pragma once

#include "graphics/vector/VGpath.h"
#include "graphics/vector/VGthinScratch.h"

namespace iplugin::igraphics
{
// The way a thin outline lies, (ux, uy) of unit length, and how many fringes wide a pixel's square is across
// it (the box filter above; a fringe one pixel across puts down up to a third more or less ink on a shape
// lying at 45 degrees). How the shape lies is the main direction of its sides (dx, dy, len; by the doubled
// angle, so that opposite sides agree), weighted by how much they share it. With `grid`, the shape lies
// along whichever of the pixel grid's directions and diagonals is nearest that (along x where its sides
// share next to none, as a dot's).
double vgThinLie(const VGpoint* pts, int n, double& ux, double& uy, bool grid);

// Twice the closed outline's area, positive where it turns from x towards y.
double vgTwiceArea(const VGpoint* pts, int n);

// The strip of columns across the outline pts[0, n), which each line across (ux, uy) (of unit length) meets
// once,
// box-filtered over `fringe` (a device pixel, widened as the shape lies across the pixel grid), written from
// dst. Each column has four vertices across, from an outer edge in to where the shape holds and out to the
// other; columns stand where a side has a point, and half a fringe either side of the ends and of the points
// where the width's slope turns sharply. The strip runs from each column's outer edge in, forwards; across
// its hold, backwards; and out, forwards. Widths are scaled so that the ink is `area` (area2: twice the
// outline's own, signed as it turns). Answers how many vertices were written, or 0, writing nothing, where
// the shape is more than two fringes across somewhere. Columns `spacing` fringes apart or less are one (the
// strip's last aside). Writes at most n * 12 + 12.
int vgThinColumns(VGthinScratch& s, const VGpoint* pts, int n, double ux, double uy, double fringe,
                  double area, double area2, VGvertex* dst, double spacing = 1.0 / 32.0);
} // namespace iplugin::igraphics
