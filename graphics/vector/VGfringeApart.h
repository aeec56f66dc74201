// Whether a sampled fill's fringe strips lie apart: no pixel centre falls in two of their triangles, as the
// GPU rounds their corners to 256ths of a pixel. Then every pixel the fringe reaches is reached once, and the
// fill needs no pass that counts the fringe's fragments before the ramp is drawn (MVGsampledFill.cpp).
#pragma once

namespace iplugin::igraphics
{
struct VGpath;

// The strips' triangles most looked at pair by pair: a fill with more, not told apart by its ribbons, is
// taken as not apart (its fringe counted), as the pairs of its triangles would cost more to look at than
// the count.
constexpr int kVGFringeApartMostTriangles = 64;

// Of the paths' fringe strips (VGpath stroke, nstroke), pixel the length of a device pixel in their units:
// true only where every two of their triangles are shown apart, each lying on its own side of a line through
// one's edge with room for the rounding of their corners, or sharing the corners on that line. A triangle
// with two corners alike covers nothing. Main thread.
bool vgFringeStripsApart(const VGpath* paths, int npaths, float pixel);
// The same told from the strips' shape, whatever their length: true only where each path's strip is a
// ribbon between two simple polygons (VGfringeRibbons.cpp) and the ribbons lie apart or one within
// another's inner side.
bool vgFringeRibbonsApart(const VGpath* paths, int npaths, float pixel);
} // namespace iplugin::igraphics
