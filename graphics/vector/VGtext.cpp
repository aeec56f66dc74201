#include "graphics/vector/VGtext.h"

#include "graphics/vector/FontAtlas.h"
#include "framework/Utf8.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace iplugin::igraphics
{
namespace
{
constexpr int kVGMaxTextScale = 4;

float Quantize(float a, float d)
{
  return (float)(int)(a / d + 0.5f) * d;
}

// Text scale: the transform's average scale in hundredths, at most 4, times the device pixel ratio;
// 0 when the transform collapses text (or is not finite), so that nothing is drawn or measured.
float TextScale(VGcontext* ctx, const VGstate* state)
{
  const float average = vgTransformAverageScale(state->xform);
  if (!(average > 0.0f) || !std::isfinite(average * ctx->devicePxRatio)) return 0.0f;
  return std::min(Quantize(std::min(average, (float)kVGMaxTextScale + 1.0f), 0.01f), (float)kVGMaxTextScale) *
         ctx->devicePxRatio;
}

// The glyph cache's single state, written before each text operation; the context never pushes it.
void PrepareFontState(VGcontext* ctx, const VGstate* state, float scale)
{
  FontAtlasSetSize(ctx->fs, state->fontSize * scale);
  FontAtlasSetSpacing(ctx->fs, state->letterSpacing * scale);
  FontAtlasSetBlur(ctx->fs, state->fontBlur * scale);
  FontAtlasSetAlign(ctx->fs, state->textAlign);
  FontAtlasSetFont(ctx->fs, state->fontId);
}

bool HasFont(VGcontext* ctx, const VGstate* state)
{
  return state->fontId >= 0 && state->fontId < ctx->fs->nfonts;
}

// The glyph cache's state for a text operation, or 0 when the operation has nothing to work with.
float BeginText(VGcontext* ctx, const VGstate* state)
{
  if (!HasFont(ctx, state)) return 0.0f;
  const float scale = TextScale(ctx, state);
  if (scale > 0.0f) PrepareFontState(ctx, state, scale);
  return scale;
}

// A step that ends inside a broken or unfinished UTF-8 sequence has no glyph of its own.
bool StepMadeCodepoint(const FontAtlasTextIter& iter)
{
  return iter.utf8state == kUtf8Accept;
}

void FlushTextTexture(VGcontext* ctx)
{
  int dirty[4];
  if (!FontAtlasValidateTexture(ctx->fs, dirty)) return;
  const int fontImage = ctx->fontImages[ctx->fontImageIdx];
  if (fontImage == 0) return;
  int iw, ih;
  const unsigned char* data = FontAtlasGetTextureData(ctx->fs, &iw, &ih);
  ctx->params.renderUpdateTexture(ctx->params.userPtr, fontImage, dirty[0], dirty[1], dirty[2] - dirty[0],
                                  dirty[3] - dirty[1], data);
}

void RenderText(VGcontext* ctx, VGvertex* verts, int nverts)
{
  if (nverts == 0) return;
  VGstate* state = vgGetState(ctx);
  VGpaint paint = state->fill;
  paint.image = ctx->fontImages[ctx->fontImageIdx];
  paint.innerColor.a *= state->alpha;
  paint.outerColor.a *= state->alpha;
  ctx->params.renderTriangles(ctx->params.userPtr, &paint, state->compositeOperation, &state->scissor, verts,
                              nverts, ctx->fringeWidth);
  ctx->drawCallCount++;
  ctx->textTriCount += nverts / 3;
}

void SetVertex(VGvertex* v, float x, float y, float u, float t)
{
  v->x = x;
  v->y = y;
  v->u = u;
  v->v = t;
}

enum ECodepointType
{
  kSpace,
  kNewline,
  kChar,
  kWideChar
};

ECodepointType CodepointType(unsigned int codepoint, unsigned int previous)
{
  switch (codepoint)
  {
  case 9:
  case 11:
  case 12:
  case 32:
  case 0xA0:
    return kSpace;
  case 10: // the second of a CR LF pair is a space
    return previous == 13 ? kSpace : kNewline;
  case 13:
    return previous == 10 ? kSpace : kNewline;
  case 0x85:
    return kNewline;
  default:
    if ((codepoint >= 0x4E00 && codepoint <= 0x9FFF) || (codepoint >= 0x3000 && codepoint <= 0x30FF) ||
        (codepoint >= 0xFF00 && codepoint <= 0xFFEF) || (codepoint >= 0x1100 && codepoint <= 0x11FF) ||
        (codepoint >= 0x3130 && codepoint <= 0x318F) || (codepoint >= 0xAC00 && codepoint <= 0xD7AF))
      return kWideChar;
    return kChar;
  }
}

float RowOffset(int halign, float breakRowWidth, float rowWidth)
{
  if (halign & kVGAlignCenter && !(halign & kVGAlignLeft)) return breakRowWidth * 0.5f - rowWidth * 0.5f;
  if (halign & kVGAlignRight && !(halign & kVGAlignLeft)) return breakRowWidth - rowWidth;
  return 0.0f; // left, or no horizontal alignment
}
} // namespace

// ---- Fonts ----

int vgCreateFont(VGcontext* ctx, const char* name, const char* filename)
{
  return FontAtlasAddFont(ctx->fs, name, filename, 0);
}

int vgCreateFontAtIndex(VGcontext* ctx, const char* name, const char* filename, int fontIndex)
{
  return FontAtlasAddFont(ctx->fs, name, filename, fontIndex);
}

int vgCreateFontMem(VGcontext* ctx, const char* name, unsigned char* data, int ndata, int freeData)
{
  return FontAtlasAddFontMem(ctx->fs, name, data, ndata, freeData, 0);
}

int vgCreateFontMemAtIndex(VGcontext* ctx, const char* name, unsigned char* data, int ndata, int freeData,
                           int fontIndex)
{
  return FontAtlasAddFontMem(ctx->fs, name, data, ndata, freeData, fontIndex);
}

int vgFindFont(VGcontext* ctx, const char* name)
{
  if (!name) return -1;
  return FontAtlasGetFontByName(ctx->fs, name);
}

int vgAddFallbackFontId(VGcontext* ctx, int baseFont, int fallbackFont)
{
  if (baseFont == -1 || fallbackFont == -1) return 0;
  return FontAtlasAddFallbackFont(ctx->fs, baseFont, fallbackFont);
}

int vgAddFallbackFont(VGcontext* ctx, const char* baseFont, const char* fallbackFont)
{
  return vgAddFallbackFontId(ctx, vgFindFont(ctx, baseFont), vgFindFont(ctx, fallbackFont));
}

// ---- State ----

void vgFontSize(VGcontext* ctx, float size)
{
  vgGetState(ctx)->fontSize = size;
}
void vgFontBlur(VGcontext* ctx, float blur)
{
  vgGetState(ctx)->fontBlur = blur;
}
void vgTextLetterSpacing(VGcontext* ctx, float spacing)
{
  vgGetState(ctx)->letterSpacing = spacing;
}
void vgTextLineHeight(VGcontext* ctx, float lineHeight)
{
  vgGetState(ctx)->lineHeight = lineHeight;
}
void vgTextAlign(VGcontext* ctx, int align)
{
  vgGetState(ctx)->textAlign = align;
}
void vgFontFaceId(VGcontext* ctx, int font)
{
  vgGetState(ctx)->fontId = font;
}
void vgFontFace(VGcontext* ctx, const char* font)
{
  vgGetState(ctx)->fontId = vgFindFont(ctx, font);
}

// ---- Atlas images ----

int vgAllocTextAtlas(VGcontext* ctx)
{
  FlushTextTexture(ctx);
  if (ctx->fontImageIdx >= kVGMaxFontImages - 1) return 0;
  int iw = 0, ih = 0;
  const int next = ctx->fontImageIdx + 1;
  if (ctx->fontImages[next] != 0)
    ctx->params.renderGetTextureSize(ctx->params.userPtr, ctx->fontImages[next], &iw, &ih);
  else
  {
    ctx->params.renderGetTextureSize(ctx->params.userPtr, ctx->fontImages[ctx->fontImageIdx], &iw, &ih);
    if (iw <= ih)
      iw *= 2;
    else
      ih *= 2;
    if (iw > kVGMaxFontImageSize || ih > kVGMaxFontImageSize) iw = ih = kVGMaxFontImageSize;
    ctx->fontImages[next] =
        ctx->params.renderCreateTexture(ctx->params.userPtr, kVGTextureAlpha, iw, ih, 0, nullptr);
    // Without the new image the text stays on the current one.
    if (ctx->fontImages[next] == 0) return 0;
  }
  if (!FontAtlasResetAtlas(ctx->fs, iw, ih)) return 0;
  ctx->fontImageIdx = next;
  return 1;
}

// ---- Drawing ----

float vgText(VGcontext* ctx, float x, float y, const char* string, const char* end)
{
  VGstate* state = vgGetState(ctx);
  const float scale = BeginText(ctx, state);
  if (scale <= 0.0f || !string) return x;
  const float invscale = 1.0f / scale;
  if (!end) end = string + strlen(string);

  const long long bytes = std::max<long long>(2, end - string);
  if (bytes > (1LL << 26)) return x;
  const int cverts = (int)bytes * 6;
  VGvertex* verts = vgAllocTempVerts(ctx, cverts);
  if (!verts) return x;

  FontAtlasTextIter iter, prevIter;
  FontAtlasQuad q;
  if (!FontAtlasTextIterInit(ctx->fs, &iter, x * scale, y * scale, string, end,
                             kFontAtlasGlyphBitmapRequired))
    return x;
  // Glyphs smaller than the cache makes never appear, whatever the atlas holds.
  if (iter.isize < 2) return x;
  prevIter = iter;
  int nverts = 0;
  while (FontAtlasTextIterNext(ctx->fs, &iter, &q))
  {
    // Broken UTF-8 decodes no code point and so has no glyph either; only a missing glyph of a code
    // point means that the atlas is full.
    if (StepMadeCodepoint(iter) && iter.prevGlyphIndex == -1)
    {
      // The atlas is full: draw what uses the current image, then go on in a larger one.
      RenderText(ctx, verts, nverts);
      nverts = 0;
      if (!vgAllocTextAtlas(ctx)) break;
      iter = prevIter;
      FontAtlasTextIterNext(ctx->fs, &iter, &q);
      if (iter.prevGlyphIndex == -1) break;
    }
    prevIter = iter;
    if (!StepMadeCodepoint(iter)) continue;
    float c[8];
    vgTransformPoint(&c[0], &c[1], state->xform, q.x0 * invscale, q.y0 * invscale);
    vgTransformPoint(&c[2], &c[3], state->xform, q.x1 * invscale, q.y0 * invscale);
    vgTransformPoint(&c[4], &c[5], state->xform, q.x1 * invscale, q.y1 * invscale);
    vgTransformPoint(&c[6], &c[7], state->xform, q.x0 * invscale, q.y1 * invscale);
    if (nverts + 6 <= cverts)
    {
      SetVertex(&verts[nverts++], c[0], c[1], q.s0, q.t0);
      SetVertex(&verts[nverts++], c[4], c[5], q.s1, q.t1);
      SetVertex(&verts[nverts++], c[2], c[3], q.s1, q.t0);
      SetVertex(&verts[nverts++], c[0], c[1], q.s0, q.t0);
      SetVertex(&verts[nverts++], c[6], c[7], q.s0, q.t1);
      SetVertex(&verts[nverts++], c[4], c[5], q.s1, q.t1);
    }
  }
  FlushTextTexture(ctx);
  RenderText(ctx, verts, nverts);
  return iter.nextx * invscale;
}

// ---- Measuring ----

float vgTextBounds(VGcontext* ctx, float x, float y, const char* string, const char* end, float* bounds)
{
  VGstate* state = vgGetState(ctx);
  const float scale = BeginText(ctx, state);
  if (scale <= 0.0f || !string)
  {
    if (bounds) bounds[0] = bounds[1] = bounds[2] = bounds[3] = 0.0f;
    return 0.0f;
  }
  const float invscale = 1.0f / scale;
  const float width = FontAtlasTextBounds(ctx->fs, x * scale, y * scale, string, end, bounds);
  if (bounds)
  {
    // The line's full height rather than the glyphs'.
    FontAtlasLineBounds(ctx->fs, y * scale, &bounds[1], &bounds[3]);
    for (int i = 0; i < 4; ++i)
      bounds[i] *= invscale;
  }
  return width * invscale;
}

void vgTextMetrics(VGcontext* ctx, float* ascender, float* descender, float* lineh)
{
  VGstate* state = vgGetState(ctx);
  const float scale = BeginText(ctx, state);
  if (scale <= 0.0f) return;
  const float invscale = 1.0f / scale;
  FontAtlasVertMetrics(ctx->fs, ascender, descender, lineh);
  if (ascender) *ascender *= invscale;
  if (descender) *descender *= invscale;
  if (lineh) *lineh *= invscale;
}

int vgTextGlyphPositions(VGcontext* ctx, float x, float y, const char* string, const char* end,
                         VGglyphPosition* positions, int maxPositions)
{
  VGstate* state = vgGetState(ctx);
  const float scale = BeginText(ctx, state);
  if (scale <= 0.0f || !string || !positions || maxPositions <= 0) return 0;
  const float invscale = 1.0f / scale;
  if (!end) end = string + strlen(string);
  if (string == end) return 0;

  // Metrics only: no bitmap is made, so a full atlas never stops a measurement and it never grows.
  FontAtlasTextIter iter;
  FontAtlasQuad q;
  if (!FontAtlasTextIterInit(ctx->fs, &iter, x * scale, y * scale, string, end,
                             kFontAtlasGlyphBitmapOptional))
    return 0;
  int npos = 0;
  while (FontAtlasTextIterNext(ctx->fs, &iter, &q))
  {
    if (!StepMadeCodepoint(iter)) continue;
    VGglyphPosition& p = positions[npos];
    p.str = iter.str;
    p.x = iter.x * invscale;
    if (iter.prevGlyphIndex == -1)
      p.minx = p.maxx = p.x;
    else
    {
      p.minx = std::min(iter.x, q.x0) * invscale;
      p.maxx = std::max(iter.nextx, q.x1) * invscale;
    }
    if (++npos >= maxPositions) break;
  }
  return npos;
}

int vgTextBreakLines(VGcontext* ctx, const char* string, const char* end, float breakRowWidth,
                     VGtextRow* rows, int maxRows)
{
  VGstate* state = vgGetState(ctx);
  if (maxRows <= 0 || !rows || !string) return 0;
  const float scale = BeginText(ctx, state);
  if (scale <= 0.0f) return 0;
  const float invscale = 1.0f / scale;
  if (!end) end = string + strlen(string);
  if (string == end) return 0;
  breakRowWidth *= scale;

  FontAtlasTextIter iter;
  FontAtlasQuad q;
  if (!FontAtlasTextIterInit(ctx->fs, &iter, 0, 0, string, end, kFontAtlasGlyphBitmapOptional)) return 0;

  int nrows = 0;
  float rowStartX = 0, rowWidth = 0, rowMinX = 0, rowMaxX = 0;
  const char* rowStart = nullptr;
  const char* rowEnd = nullptr;
  const char* wordStart = nullptr;
  float wordStartX = 0, wordMinX = 0; // pen and glyph left of the word's start, absolute
  const char* breakEnd = nullptr;
  float breakWidth = 0, breakMaxX = 0;
  ECodepointType type = kSpace, ptype = kSpace;
  unsigned int pcodepoint = 0;

  auto storeRow =
      [&](const char* start, const char* rowEndAt, const char* next, float width, float minx, float maxx)
  {
    rows[nrows] = {start, rowEndAt, next, width * invscale, minx * invscale, maxx * invscale};
    return ++nrows >= maxRows;
  };

  // The row and its first word start at the current glyph.
  auto startRowAtGlyph = [&]()
  {
    rowStartX = iter.x;
    rowStart = iter.str;
    rowEnd = iter.next;
    rowWidth = iter.nextx - rowStartX;
    rowMinX = q.x0 - rowStartX;
    rowMaxX = q.x1 - rowStartX;
    wordStart = iter.str;
    wordStartX = iter.x;
    wordMinX = q.x0;
  };

  while (FontAtlasTextIterNext(ctx->fs, &iter, &q))
  {
    if (!StepMadeCodepoint(iter)) continue;
    // A code point without a glyph (a size too small to make one) takes no room.
    if (iter.prevGlyphIndex == -1) q = {iter.x, iter.y, iter.x, iter.y, 0, 0, 0, 0};
    type = CodepointType(iter.codepoint, pcodepoint);
    const bool isChar = type == kChar || type == kWideChar;
    if (type == kNewline)
    {
      if (storeRow(rowStart ? rowStart : iter.str, rowEnd ? rowEnd : iter.str, iter.next, rowWidth, rowMinX,
                   rowMaxX))
        return nrows;
      breakEnd = rowStart;
      breakWidth = breakMaxX = 0;
      rowStart = rowEnd = nullptr;
      rowWidth = rowMinX = rowMaxX = 0;
    }
    else if (!rowStart)
    {
      // Spaces before a row are skipped; the first character starts the row, its word and a null break.
      if (isChar)
      {
        startRowAtGlyph();
        breakEnd = rowStart;
        breakWidth = breakMaxX = 0;
      }
    }
    else
    {
      const float nextWidth = iter.nextx - rowStartX;
      // A break point before this glyph takes the row as it is without it.
      if ((type == kSpace && (ptype == kChar || ptype == kWideChar)) || type == kWideChar)
      {
        breakEnd = iter.str;
        breakWidth = rowWidth;
        breakMaxX = rowMaxX;
      }
      if ((ptype == kSpace && isChar) || type == kWideChar)
      {
        wordStart = iter.str;
        wordStartX = iter.x;
        wordMinX = q.x0;
      }
      if (isChar && nextWidth > breakRowWidth)
      {
        if (breakEnd == rowStart)
        {
          // One word longer than the row: break just before this glyph.
          if (storeRow(rowStart, iter.str, iter.str, rowWidth, rowMinX, rowMaxX)) return nrows;
          startRowAtGlyph();
        }
        else
        {
          if (storeRow(rowStart, breakEnd, wordStart, breakWidth, rowMinX, breakMaxX)) return nrows;
          rowStartX = wordStartX;
          rowStart = wordStart;
          rowEnd = iter.next;
          rowWidth = iter.nextx - rowStartX;
          rowMinX = wordMinX - rowStartX;
          rowMaxX = q.x1 - rowStartX;
        }
        breakEnd = rowStart;
        breakWidth = breakMaxX = 0;
      }
      else if (isChar)
      {
        rowEnd = iter.next;
        rowWidth = nextWidth;
        rowMaxX = q.x1 - rowStartX;
      }
    }
    pcodepoint = iter.codepoint;
    ptype = type;
  }
  if (rowStart) storeRow(rowStart, rowEnd, end, rowWidth, rowMinX, rowMaxX);
  return nrows;
}

// ---- Text boxes ----

void vgTextBox(VGcontext* ctx, float x, float y, float breakRowWidth, const char* string, const char* end)
{
  VGstate* state = vgGetState(ctx);
  if (!HasFont(ctx, state) || !string) return;
  const int oldAlign = state->textAlign;
  const int halign = oldAlign & (kVGAlignLeft | kVGAlignCenter | kVGAlignRight);
  const int valign = oldAlign & (kVGAlignTop | kVGAlignMiddle | kVGAlignBottom | kVGAlignBaseline);
  float lineh = 0;
  vgTextMetrics(ctx, nullptr, nullptr, &lineh);
  state->textAlign = kVGAlignLeft | valign;
  VGtextRow rows[2];
  int nrows;
  while ((nrows = vgTextBreakLines(ctx, string, end, breakRowWidth, rows, 2)) > 0)
  {
    for (int i = 0; i < nrows; i++)
    {
      vgText(ctx, x + RowOffset(halign, breakRowWidth, rows[i].width), y, rows[i].start, rows[i].end);
      y += lineh * state->lineHeight;
    }
    string = rows[nrows - 1].next;
  }
  state->textAlign = oldAlign;
}

void vgTextBoxBounds(VGcontext* ctx, float x, float y, float breakRowWidth, const char* string,
                     const char* end, float* bounds)
{
  VGstate* state = vgGetState(ctx);
  float minx = x, maxx = x, miny = y, maxy = y;
  if (HasFont(ctx, state) && string)
  {
    const int oldAlign = state->textAlign;
    const int halign = oldAlign & (kVGAlignLeft | kVGAlignCenter | kVGAlignRight);
    const int valign = oldAlign & (kVGAlignTop | kVGAlignMiddle | kVGAlignBottom | kVGAlignBaseline);
    float lineh = 0, rminy = 0, rmaxy = 0;
    vgTextMetrics(ctx, nullptr, nullptr, &lineh);
    state->textAlign = kVGAlignLeft | valign;
    const float scale = BeginText(ctx, state);
    if (scale > 0.0f)
    {
      FontAtlasLineBounds(ctx->fs, 0, &rminy, &rmaxy);
      rminy /= scale;
      rmaxy /= scale;
      VGtextRow rows[2];
      int nrows;
      while ((nrows = vgTextBreakLines(ctx, string, end, breakRowWidth, rows, 2)) > 0)
      {
        for (int i = 0; i < nrows; i++)
        {
          const float dx = RowOffset(halign, breakRowWidth, rows[i].width);
          minx = std::min(minx, x + rows[i].minx + dx);
          maxx = std::max(maxx, x + rows[i].maxx + dx);
          miny = std::min(miny, y + rminy);
          maxy = std::max(maxy, y + rmaxy);
          y += lineh * state->lineHeight;
        }
        string = rows[nrows - 1].next;
      }
    }
    state->textAlign = oldAlign;
  }
  else
    minx = maxx = miny = maxy = 0.0f;
  if (bounds)
  {
    bounds[0] = minx;
    bounds[1] = miny;
    bounds[2] = maxx;
    bounds[3] = maxy;
  }
}

} // namespace iplugin::igraphics
