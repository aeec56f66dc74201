// A thin convex fill cut by the scissor. The scissor's coverage, soft over a fringe across its edge, and the
// fill's are each sampled at the pixel centre and multiplied, which is the share of the pixel both cover
// only where one of them holds over the pixel: along a shape thinner than a fringe or two both ramp
// within the same pixels, and a scissor edge there gave 0.38 to 1.8 times the ink of what it leaves. Such a
// fill's outline is cut by the scissor's rectangle instead and drawn without the scissor, so that the
// fill's own fringe puts down the ink of what is left.
#pragma once

#include "graphics/vector/VGrenderParams.h"

namespace iplugin::igraphics
{
struct VGcontext;

enum class VGscissorCut
{
  kNone,  // the fill is drawn as it is, under the scissor
  kCut,   // the cut outline is in the context's outline cache, to be drawn without a scissor
  kEmpty, // the scissor leaves nothing of the fill
};

// Cuts the context's current path cache (the flattened paths, or the outlines of an even-odd fill) when it
// is one convex sub-path less than two fringes across on the whole (its area under two fringes times half
// its perimeter) that reaches within a fringe of an edge of the scissor, a rectangle under an affine
// transform. Points of the cut nearer than the distance tolerance are one. Main thread; allocates.
VGscissorCut vgCutByScissor(VGcontext* ctx, const VGscissor& scissor);
} // namespace iplugin::igraphics
