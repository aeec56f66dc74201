// Checks of TrueType data before stb_truetype reads it. stb_truetype trusts every offset and count in a font,
// so each table, cmap subtable, metric, kerning pair and glyph outline it will touch is checked here against
// the data's size; fonts it cannot read safely (CFF outlines, unsupported cmap formats) are refused.
#pragma once

#include <stb_truetype.h>

namespace iplugin::igraphics
{

// Offset of face fontIndex in data (a font file or a collection), or -1 when the face is missing or any
// table that glyph lookup, metrics and kerning read is malformed or truncated.
int FontValidateFace(const unsigned char* data, int dataSize, int fontIndex);

// 1 when stb_truetype can read the outline of glyph (and of every component of a composite) within
// dataSize, with a bounded number of points and no coordinate overflow; 0 otherwise.
int FontValidateGlyph(const stbtt_fontinfo* info, int dataSize, int glyph);

} // namespace iplugin::igraphics
