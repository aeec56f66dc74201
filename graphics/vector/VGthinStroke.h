// Short thin strokes with round or square caps, drawn as the columns of their outline, box-filtered along
// and across (VGthinColumns.h), so that their caps put down their ink wherever they lie. A stroke thinner
// than the fringe is otherwise drawn a fringe wide and faded by its share of it, which puts down its area's
// ink along its length, but its caps, sampled where they end, put down more or less of theirs with where
// they lie between pixel centres; on a stroke about as long as it is wide the caps are most of it.
#pragma once

#include "graphics/vector/VGcontext.h"

namespace iplugin::igraphics
{
// Draws the flattened path (ctx->cache) stroked `width` wide (at most a fringe and a half) with the given
// cap, when it is one open sub-path no longer than eight fringes that turns by less than a quarter turn in
// all (and whose outline each line across the way it lies meets once); answers whether it was drawn.
bool vgThinStroke(VGcontext* ctx, const VGpaint& paint, float width, int lineCap);
} // namespace iplugin::igraphics
