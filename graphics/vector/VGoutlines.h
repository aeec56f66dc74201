// Outlines of an even-odd fill whose sub-paths were given no winding.
#pragma once

#include "graphics/vector/VGpath.h"

namespace iplugin::igraphics
{
struct VGcontext;

// Cuts the flattened paths of the context's path cache at every crossing into closed loops that cross
// neither themselves nor each other (at a crossing two loops may touch, each keeping a corner of what is
// filled there), and turns each loop so that its extrusion side is the side the even-odd rule fills:
// every fringe then lies outside the filled area, a hole's as well as a solid's.
// The loops go into the context's outline cache, which is returned; the path cache is left as it is, so a
// following stroke still sees the paths as drawn. Paths of fewer than 3 points enclose nothing and are
// left out. Answers null, and the fill keeps the flattened paths, when a path has more crossings or
// segments than are worth resolving, or memory runs out. Main thread; allocates.
VGpathCache* vgEvenOddOutlines(VGcontext* ctx);
// Whether two segments of the context's flattened paths cross inside both (neighbours sharing an end, and
// segments that only touch or overlap, do not), or the paths hold more crossings or segments than are worth
// looking through, or a point that is not finite. Main thread; allocates.
bool vgPathsCross(VGcontext* ctx);
} // namespace iplugin::igraphics
