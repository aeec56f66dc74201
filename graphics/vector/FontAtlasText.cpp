// Text layout of the glyph cache: quads along the pen, the text iterator, and measurement.
#include "graphics/vector/FontAtlas.h"

#include <cstring>

#include "graphics/vector/FontAtlasInternal.h"
#include "framework/Utf8.h"

namespace iplugin::igraphics
{
using namespace fontatlas;

namespace
{
float GetVertAlign(FontAtlas* stash, FontAtlasFont* font, int align, short isize)
{
  float v = 0.0f;
  if (align & kFontAtlasAlignTop)
    v = font->ascender * (float)isize / 10.0f;
  else if (align & kFontAtlasAlignMiddle)
    v = (font->ascender + font->descender) / 2.0f * (float)isize / 10.0f;
  else if (align & kFontAtlasAlignBaseline)
    v = 0.0f;
  else if (align & kFontAtlasAlignBottom)
    v = font->descender * (float)isize / 10.0f;
  return (stash->params.flags & kFontAtlasZeroTopLeft) ? v : -v;
}
} // namespace

void FontAtlasGetQuad(FontAtlas* stash, FontAtlasFont* font, int prevGlyphIndex, FontAtlasGlyph* glyph,
                      float scale, float spacing, float* x, float* y, FontAtlasQuad* q)
{
  if (prevGlyphIndex != -1)
  {
    const float adv = (float)stbtt_GetGlyphKernAdvance(&font->font, prevGlyphIndex, glyph->index) * scale;
    *x += (float)TruncInt(adv + spacing + 0.5f);
  }
  // The quad insets the glyph's one-pixel empty border.
  const float xoff = (float)(short)(glyph->xoff + 1);
  const float yoff = (float)(short)(glyph->yoff + 1);
  const float x0 = (float)(glyph->x0 + 1);
  const float y0 = (float)(glyph->y0 + 1);
  const float x1 = (float)(glyph->x1 - 1);
  const float y1 = (float)(glyph->y1 - 1);
  if (stash->params.flags & kFontAtlasZeroTopLeft)
  {
    const float rx = (float)TruncInt(*x + xoff);
    const float ry = (float)TruncInt(*y + yoff);
    q->x0 = rx;
    q->y0 = ry;
    q->x1 = rx + x1 - x0;
    q->y1 = ry + y1 - y0;
  }
  else
  {
    const float rx = (float)TruncInt(*x + xoff);
    const float ry = (float)TruncInt(*y - yoff);
    q->x0 = rx;
    q->y0 = ry;
    q->x1 = rx + x1 - x0;
    q->y1 = ry - y1 + y0;
  }
  q->s0 = x0 * stash->itw;
  q->t0 = y0 * stash->ith;
  q->s1 = x1 * stash->itw;
  q->t1 = y1 * stash->ith;
  *x += (float)TruncInt((float)glyph->xadv / 10.0f + 0.5f);
}

int FontAtlasTextIterInit(FontAtlas* stash, FontAtlasTextIter* iter, float x, float y, const char* str,
                          const char* end, int bitmapOption)
{
  if (!stash || !iter) return 0;
  FontAtlasState* state = GetState(stash);
  memset(iter, 0, sizeof(*iter));
  iter->font = ValidFont(stash, state->font);
  if (!iter->font || !str) return 0;
  iter->isize = TruncShort(state->size * 10.0f);
  iter->iblur = TruncShort(state->blur);
  iter->scale = FontScale(iter->font, iter->isize);

  if (state->align & kFontAtlasAlignLeft)
  {
  }
  else if (state->align & kFontAtlasAlignRight)
    x -= FontAtlasTextBounds(stash, x, y, str, end, nullptr);
  else if (state->align & kFontAtlasAlignCenter)
    x -= FontAtlasTextBounds(stash, x, y, str, end, nullptr) * 0.5f;
  y += GetVertAlign(stash, iter->font, state->align, iter->isize);

  if (!end) end = str + strlen(str);
  iter->x = iter->nextx = x;
  iter->y = iter->nexty = y;
  iter->spacing = state->spacing;
  iter->str = str;
  iter->next = str;
  iter->end = end;
  iter->codepoint = 0;
  iter->prevGlyphIndex = -1;
  iter->bitmapOption = bitmapOption;
  return 1;
}

int FontAtlasTextIterNext(FontAtlas* stash, FontAtlasTextIter* iter, FontAtlasQuad* quad)
{
  const char* str = iter->next;
  iter->str = iter->next;
  if (str == iter->end) return 0;
  for (; str != iter->end; str++)
  {
    if (Utf8Decode(&iter->utf8state, &iter->codepoint, *(const unsigned char*)str)) continue;
    str++;
    iter->x = iter->nextx;
    iter->y = iter->nexty;
    FontAtlasGlyph* glyph =
        FontAtlasGetGlyph(stash, iter->font, iter->codepoint, iter->isize, iter->iblur, iter->bitmapOption);
    if (glyph)
      FontAtlasGetQuad(stash, iter->font, iter->prevGlyphIndex, glyph, iter->scale, iter->spacing,
                       &iter->nextx, &iter->nexty, quad);
    iter->prevGlyphIndex = glyph ? glyph->index : -1;
    break;
  }
  iter->next = str;
  return 1;
}

float FontAtlasTextBounds(FontAtlas* stash, float x, float y, const char* str, const char* end, float* bounds)
{
  if (!stash || !str) return 0;
  FontAtlasState* state = GetState(stash);
  FontAtlasFont* font = ValidFont(stash, state->font);
  if (!font) return 0;
  const short isize = TruncShort(state->size * 10.0f);
  const short iblur = TruncShort(state->blur);
  const float scale = FontScale(font, isize);

  y += GetVertAlign(stash, font, state->align, isize);
  float minx = x, maxx = x, miny = y, maxy = y;
  const float startx = x;
  if (!end) end = str + strlen(str);

  unsigned int codepoint = 0, utf8state = 0;
  int prevGlyphIndex = -1;
  for (; str != end; ++str)
  {
    if (Utf8Decode(&utf8state, &codepoint, *(const unsigned char*)str)) continue;
    FontAtlasGlyph* glyph =
        FontAtlasGetGlyph(stash, font, codepoint, isize, iblur, kFontAtlasGlyphBitmapOptional);
    if (glyph)
    {
      FontAtlasQuad q;
      FontAtlasGetQuad(stash, font, prevGlyphIndex, glyph, scale, state->spacing, &x, &y, &q);
      minx = q.x0 < minx ? q.x0 : minx;
      maxx = q.x1 > maxx ? q.x1 : maxx;
      if (stash->params.flags & kFontAtlasZeroTopLeft)
      {
        miny = q.y0 < miny ? q.y0 : miny;
        maxy = q.y1 > maxy ? q.y1 : maxy;
      }
      else
      {
        miny = q.y1 < miny ? q.y1 : miny;
        maxy = q.y0 > maxy ? q.y0 : maxy;
      }
    }
    prevGlyphIndex = glyph ? glyph->index : -1;
  }

  const float advance = x - startx;
  if (state->align & kFontAtlasAlignLeft)
  {
  }
  else if (state->align & kFontAtlasAlignRight)
  {
    minx -= advance;
    maxx -= advance;
  }
  else if (state->align & kFontAtlasAlignCenter)
  {
    minx -= advance * 0.5f;
    maxx -= advance * 0.5f;
  }
  if (bounds)
  {
    bounds[0] = minx;
    bounds[1] = miny;
    bounds[2] = maxx;
    bounds[3] = maxy;
  }
  return advance;
}

void FontAtlasVertMetrics(FontAtlas* stash, float* ascender, float* descender, float* lineh)
{
  if (!stash) return;
  FontAtlasState* state = GetState(stash);
  FontAtlasFont* font = ValidFont(stash, state->font);
  if (!font) return;
  const short isize = TruncShort(state->size * 10.0f);
  if (ascender) *ascender = font->ascender * isize / 10.0f;
  if (descender) *descender = font->descender * isize / 10.0f;
  if (lineh) *lineh = font->lineh * isize / 10.0f;
}

void FontAtlasLineBounds(FontAtlas* stash, float y, float* miny, float* maxy)
{
  if (!stash) return;
  FontAtlasState* state = GetState(stash);
  FontAtlasFont* font = ValidFont(stash, state->font);
  if (!font) return;
  const short isize = TruncShort(state->size * 10.0f);
  y += GetVertAlign(stash, font, state->align, isize);
  float lo, hi;
  if (stash->params.flags & kFontAtlasZeroTopLeft)
  {
    lo = y - font->ascender * (float)isize / 10.0f;
    hi = lo + font->lineh * isize / 10.0f;
  }
  else
  {
    hi = y + font->descender * (float)isize / 10.0f;
    lo = hi - font->lineh * isize / 10.0f;
  }
  if (miny) *miny = lo;
  if (maxy) *maxy = hi;
}
} // namespace iplugin::igraphics
