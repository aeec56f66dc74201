// Which side of a sampled fill's fringe (VGrenderParams sampledFills) the fill lies on: whether it lies on
// the inner side alone everywhere, so that its renderer may take the ramp of an edge that alone passes near
// a pixel as it is (MVGsampledFill.cpp); where it may not, the side told pair by pair from the windings, or
// left to the pixel's samples to turn and hold.
#pragma once

#include <cstdint>

namespace iplugin::igraphics
{
class VGsegmentGrid;
struct VGcontext;
struct VGpath;
struct VGvertex;

// Whether every edge of the context's flattened paths bounds what the fill covers, with the fill on the
// side its fringe takes for the inside: no two paths cross (vgPathsCross), and each path lies where the
// others wind 0 around it, turned as a solid, or where they wind once, turned as a hole (vgPathsLieAsTurned,
// the cheaper, asked first). Main thread.
bool vgSampledFringeHolds(VGcontext* ctx);
// nothing: where given, nothing[i] says whether path i encloses nothing (vgEnclosesNothing), asked once for
// every step of a fill that needs it (vgPathsEncloseNothing).
bool vgPathsLieAsTurned(const VGcontext* ctx, const uint8_t* nothing = nullptr);
// Of a context of several paths: for each, whether it encloses nothing (vgEnclosesNothing; the thread's
// array, kept until the next call). Main thread.
const uint8_t* vgPathsEncloseNothing(const VGcontext* ctx);

// Of a fill whose edges the samples turn: the thread's grid of its paths' segments, made for it, or null
// where it has more than kVGFringeSidesMostPoints points (its fringe left to the samples). Main thread.
constexpr int kVGFringeSidesMostPoints = 4096;
VGsegmentGrid* vgFringeSidesGrid(const VGcontext* ctx, const uint8_t* nothing = nullptr);

// Sets the v of each pair of the path's fringe (just made, the vertex buffer with room for twice as many
// pairs after it) to the side the fill lies on there (EVGfringeSide), from the winding of all the fill's
// paths just inside and just outside the outline, under the fill rule; where a segment crosses the edge
// between two pairs, or they differ, the strip between them is left to the samples. Answers the end of the
// fringe.
VGvertex* vgSideFringe(VGsegmentGrid& grid, VGpath* path, int fillRule);
} // namespace iplugin::igraphics
