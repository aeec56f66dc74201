// A fill whose flattened outline lost its area to the merging of near points: the walk makes points nearer
// than the distance tolerance (a hundredth of a device pixel) one, so a shape thinner than that flattens to
// a segment there and back, which encloses nothing.
#pragma once

#include "graphics/vector/VGpath.h"

namespace iplugin::igraphics
{
struct VGcontext;
struct VGpaint;

// When the context's flattened paths are one sub-path of two points that was drawn with an area, writes
// into the context's outline cache a rectangle along the segment, two distance tolerances across (or as
// wide as the drawn area over the segment's length, if that is more), and fades the paint by the share of
// it the drawn area fills: the fill then puts down the ink of its area, as any thin fill does. Answers that
// cache, or null when the paths are anything else (a fill puts down nothing for a sub-path of fewer than
// 3 points). The path cache is left as it is for a following stroke. Main thread; allocates.
VGpathCache* vgSliverOutline(VGcontext* ctx, VGpaint* paint);

// Whether a flattened sub-path of a fill of several encloses nothing worth a fan and a fringe: fewer than 3
// points, or an area under the distance tolerance times half its perimeter (thinner than the merging
// distance on the whole: under a level and a half of ink a pixel along it, where its fringe alone would
// draw a line). A fill of one sub-path that thin is drawn as a thin fill.
bool vgEnclosesNothing(const VGpath& path, const VGpoint* pts, float distTol);
} // namespace iplugin::igraphics
