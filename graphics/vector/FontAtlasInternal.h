// The glyph cache's inner helpers, shared by its sources (glyph cache and text layout); not part of its
// interface.
#pragma once

#include <climits>

#include "graphics/vector/FontAtlas.h"

namespace iplugin::igraphics::fontatlas
{
// Float to integer conversions of caller-supplied sizes and positions saturate instead of overflowing.
inline int TruncInt(float v)
{
  if (!(v == v)) return 0;
  if (v >= 2147483520.0f) return INT_MAX;
  if (v <= -2147483520.0f) return INT_MIN;
  return (int)v;
}

inline short ClampShort(int v)
{
  return (short)(v < SHRT_MIN ? SHRT_MIN : v > SHRT_MAX ? SHRT_MAX : v);
}
inline short TruncShort(float v)
{
  return ClampShort(TruncInt(v));
}

inline FontAtlasState* GetState(FontAtlas* stash)
{
  return &stash->states[stash->nstates - 1];
}

inline FontAtlasFont* ValidFont(FontAtlas* stash, int id)
{
  if (id < 0 || id >= stash->nfonts) return nullptr;
  FontAtlasFont* font = stash->fonts[id];
  return font->data ? font : nullptr;
}

// Pixels of a size in tenths per font unit.
inline float FontScale(const FontAtlasFont* font, short isize)
{
  return (isize / 10.0f) / (float)(font->ascent - font->descent);
}
} // namespace iplugin::igraphics::fontatlas
