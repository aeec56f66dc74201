// The glyph cache's skyline packer: the atlas's used area as horizontal spans (x, y, width) from left to
// right; a rectangle goes where its top ends lowest, on a tie on the narrower span.
#pragma once

#include "graphics/vector/FontAtlas.h"

namespace iplugin::igraphics
{
// One span (0, 0, w) with room for nnodes spans; null when out of memory.
FontAtlasSkyline* FontAtlasSkylineCreate(int w, int h, int nnodes);
void FontAtlasSkylineDelete(FontAtlasSkyline* atlas);
// Back to one empty span over the new size.
void FontAtlasSkylineReset(FontAtlasSkyline* atlas, int w, int h);
// Grows the area; a wider atlas gets a new empty span on the right.
void FontAtlasSkylineExpand(FontAtlasSkyline* atlas, int w, int h);
// 1 and the position of a rw x rh rectangle, or 0 (and no change) when it does not fit.
int FontAtlasSkylineAddRect(FontAtlasSkyline* atlas, int rw, int rh, int* rx, int* ry);
} // namespace iplugin::igraphics
