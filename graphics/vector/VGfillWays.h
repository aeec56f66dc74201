// How a fill is drawn, decided in one place (vgChooseFill) as two decision tables read from the top: the
// first row whose switch is on (VGoptions; each row's entry in VGoptions.h's table names the tests that fail
// with it off) and whose condition holds is taken. First the outline the fill draws: the paths as flattened,
// or an outline that mends them, which the scissor may then cut. Then the way that outline is drawn, each
// way a kind of renderer call (EVGfillCall). A way is added as a name here, a row in VGfillWays.cpp's
// kWays, its writer in vgExpandFill (VGtessellate.cpp), a switch and an entry in VGoptions.h.
#pragma once

#include "graphics/vector/VGpaint.h"
#include "graphics/vector/VGrenderParams.h"

#include <cstdint>

namespace iplugin::igraphics
{
struct VGcontext;

// The outline a fill draws, a row each (first that applies).
enum class VGfillOutline : uint8_t
{
  // A sub-path of two points that lost its area to the merging of near points: a rectangle along it as
  // wide as the area over its length (at least two distance tolerances), its paint faded by the share of
  // it the area fills (VGsliver.h). Switch sliverFills.
  kSliverRectangle,
  // Even-odd sub-paths that nobody gave a winding: outlines cut at their crossings, so that a hole's
  // fringe lies in the hole (VGoutlines.h). Switch evenOddOutlines.
  kEvenOddOutlines,
  // The paths as flattened.
  kAsFlattened,
};

// The ways a fill is drawn, a row each (first that applies).
enum class VGfillWay : uint8_t
{
  // The scissor leaves nothing of a thin convex fill it cuts (VGscissorCut.h): nothing is drawn. Switch
  // scissorCuts.
  kNothing,
  // An upright rectangle on whole device pixels, whose fringe changes no pixel: its fan alone, a convex
  // call. Switch unfringedRects.
  kUnfringedRectangle,
  // One convex outline thinner than a fringe somewhere (vgThinOutline), no more than two fringes across
  // along the way it lies: columns across it, each the shape box-filtered (VGthinColumns.h), a strip call.
  // Switches thinFills and thinColumns. Whether the shape is that thin along its lie is known once its
  // columns are laid out: where it is not, its writer takes the thin band.
  kThinColumns,
  // One convex outline thinner than a fringe somewhere: a band along its sides and an inner outline whose
  // coverage follows its width (VGthinFill.h), a strip call. Switch thinFills.
  kThinBand,
  // One convex outline: its fan inset by half a fringe and a fringe that starts on the fan, a convex call
  // (no stencil). Switch convexFills.
  kConvexFan,
  // Any other anti-aliased fill, where the renderer counts coverage in stencil samples: fans on the paths,
  // fringes straddling them (MVGsampledFill.cpp), a sampled stencil call. Switch sampledFills.
  kSampledStencil,
  // The general way: fans marking the winding at pixel centres, a cover quad, fringes outside, a stencil
  // call.
  kPlainStencil,
};

// The name of a way or an outline, as the tables give it.
const char* vgFillWayName(VGfillWay way);
const char* vgFillOutlineName(VGfillOutline outline);

// The renderer's call for a way.
EVGfillCall vgFillCallOf(VGfillWay way);

// What vgChooseFill decided.
struct VGfillPlan
{
  VGfillOutline outline;
  bool cut; // the outline was cut by the scissor's rectangle, and is drawn without the scissor
  VGfillWay way;
};

// Decides how the context's flattened paths are filled with paint under scissor, and readies them: the
// context's cache becomes the outline drawn (the caller restores the flattened paths after the fill, for a
// following stroke), the paint is faded where a sliver's rectangle asks it, the scissor is none where the
// outline was cut, and every point's join is classified for the fringe (vgClassifyFillJoins). Main thread;
// may allocate.
VGfillPlan vgChooseFill(VGcontext* ctx, VGpaint& paint, VGscissor& scissor);
} // namespace iplugin::igraphics
