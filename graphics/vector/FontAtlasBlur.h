// Blur of a glyph's rectangle in the atlas, in place: two vertical and two horizontal passes of a
// one-pole filter run both ways, in integers (16 bits of filter precision, 7 of accumulator fraction);
// the rectangle's outermost rows and columns end at zero.
#pragma once

namespace iplugin::igraphics
{
// Radius below 1 leaves the pixels alone.
void FontAtlasBlur(unsigned char* dst, int w, int h, int dstStride, int blur);
} // namespace iplugin::igraphics
