#include "graphics/vector/FontAtlas.h"

#include "graphics/vector/FontAtlasBlur.h"
#include "graphics/vector/FontAtlasInternal.h"
#include "graphics/vector/FontAtlasSkyline.h"
#include "graphics/vector/FontValidator.h"
#include "framework/Utf8.h"

#include <QorvPlatform/LargeBlocks.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace iplugin::igraphics
{
using namespace fontatlas;

namespace
{
int ValidSize(int w, int h)
{
  return w > 0 && h > 0 && w <= kFontAtlasMaxSize && h <= kFontAtlasMaxSize;
}

unsigned int HashInt(unsigned int a)
{
  a += ~(a << 15);
  a ^= (a >> 10);
  a += (a << 3);
  a ^= (a >> 6);
  a += ~(a << 11);
  a ^= (a >> 16);
  return a;
}

// ---- Atlas pixels ----

void WidenDirty(FontAtlas* stash, int x0, int y0, int x1, int y1)
{
  int* d = stash->dirtyRect;
  d[0] = x0 < d[0] ? x0 : d[0];
  d[1] = y0 < d[1] ? y0 : d[1];
  d[2] = x1 > d[2] ? x1 : d[2];
  d[3] = y1 > d[3] ? y1 : d[3];
}

void ResetDirty(FontAtlas* stash)
{
  stash->dirtyRect[0] = stash->params.width;
  stash->dirtyRect[1] = stash->params.height;
  stash->dirtyRect[2] = 0;
  stash->dirtyRect[3] = 0;
}

void AddWhiteRect(FontAtlas* stash, int w, int h)
{
  int gx, gy;
  if (!FontAtlasSkylineAddRect(stash->atlas, w, h, &gx, &gy)) return;
  unsigned char* dst = &stash->texData[gx + gy * stash->params.width];
  for (int y = 0; y < h; y++)
  {
    for (int x = 0; x < w; x++)
      dst[x] = 0xff;
    dst += stash->params.width;
  }
  WidenDirty(stash, gx, gy, gx + w, gy + h);
}

void SetAtlasSize(FontAtlas* stash, int width, int height)
{
  stash->params.width = width;
  stash->params.height = height;
  stash->itw = 1.0f / (float)width;
  stash->ith = 1.0f / (float)height;
}

void Flush(FontAtlas* stash)
{
  if (stash->dirtyRect[0] < stash->dirtyRect[2] && stash->dirtyRect[1] < stash->dirtyRect[3] &&
      stash->params.renderUpdate)
  {
    stash->params.renderUpdate(stash->params.userPtr, stash->dirtyRect, stash->texData);
    ResetDirty(stash);
  }
  if (stash->nverts > 0)
  {
    if (stash->params.renderDraw)
      stash->params.renderDraw(stash->params.userPtr, stash->verts, stash->tcoords, stash->colors,
                               stash->nverts);
    stash->nverts = 0;
  }
}

void AddVertex(FontAtlas* stash, float x, float y, float s, float t, unsigned int c)
{
  stash->verts[stash->nverts * 2 + 0] = x;
  stash->verts[stash->nverts * 2 + 1] = y;
  stash->tcoords[stash->nverts * 2 + 0] = s;
  stash->tcoords[stash->nverts * 2 + 1] = t;
  stash->colors[stash->nverts] = c;
  stash->nverts++;
}

void AddQuadVertices(FontAtlas* stash, const FontAtlasQuad& q, unsigned int c)
{
  if (stash->nverts + 6 > kFontAtlasVertexCount) Flush(stash);
  AddVertex(stash, q.x0, q.y0, q.s0, q.t0, c);
  AddVertex(stash, q.x1, q.y1, q.s1, q.t1, c);
  AddVertex(stash, q.x1, q.y0, q.s1, q.t0, c);
  AddVertex(stash, q.x0, q.y0, q.s0, q.t0, c);
  AddVertex(stash, q.x0, q.y1, q.s0, q.t1, c);
  AddVertex(stash, q.x1, q.y1, q.s1, q.t1, c);
}

// ---- Fonts and glyphs ----

void FreeFont(FontAtlasFont* font)
{
  if (!font) return;
  free(font->glyphs);
  if (font->freeData && font->data) free(font->data);
  free(font);
}

int AllocFont(FontAtlas* stash)
{
  if (stash->nfonts + 1 > stash->cfonts)
  {
    const int cfonts = stash->cfonts == 0 ? 8 : stash->cfonts * 2;
    auto** fonts = (FontAtlasFont**)realloc(stash->fonts, sizeof(FontAtlasFont*) * (size_t)cfonts);
    if (!fonts) return -1;
    stash->fonts = fonts;
    stash->cfonts = cfonts;
  }
  auto* font = (FontAtlasFont*)calloc(1, sizeof(FontAtlasFont));
  if (!font) return -1;
  font->glyphs = (FontAtlasGlyph*)calloc(kFontAtlasInitGlyphs, sizeof(FontAtlasGlyph));
  if (!font->glyphs)
  {
    free(font);
    return -1;
  }
  font->cglyphs = kFontAtlasInitGlyphs;
  stash->fonts[stash->nfonts++] = font;
  return stash->nfonts - 1;
}

FontAtlasGlyph* AllocGlyph(FontAtlasFont* font)
{
  if (font->nglyphs + 1 > font->cglyphs)
  {
    const int cglyphs = font->cglyphs == 0 ? 8 : font->cglyphs * 2;
    auto* glyphs = (FontAtlasGlyph*)realloc(font->glyphs, sizeof(FontAtlasGlyph) * (size_t)cglyphs);
    if (!glyphs) return nullptr;
    font->glyphs = glyphs;
    font->cglyphs = cglyphs;
  }
  font->nglyphs++;
  return &font->glyphs[font->nglyphs - 1];
}

// Glyph index of a code point; 0 for code points outside Unicode and indices the font does not have.
int FindGlyphIndex(const FontAtlasFont* font, unsigned int codepoint)
{
  if (codepoint > 0x10FFFF) return 0;
  const int g = stbtt_FindGlyphIndex(&font->font, (int)codepoint);
  return g < 0 || g >= font->font.numGlyphs ? 0 : g;
}

// Rasterises glyph g at scale into a w x h region of the atlas, as stb_truetype's glyph bitmap does, unless
// the outline reaches far outside the box its header declares (a broken font that would make the rasteriser
// flatten huge curves).
void RasterizeGlyph(FontAtlas* stash, FontAtlasFont* font, int g, float scale, int ix0, int iy0,
                    unsigned char* dst, int w, int h)
{
  if (w <= 0 || h <= 0) return;
  stbtt_vertex* vertices = nullptr;
  const int count = stbtt_GetGlyphShape(&font->font, g, &vertices);
  const float margin = (float)(w > h ? w : h) + 16.0f;
  int inside = 1;
  for (int i = 0; i < count && inside; ++i)
  {
    const stbtt_vertex& v = vertices[i];
    for (int k = 0; k < 2; ++k)
    {
      const float x = (k == 0 ? v.x : v.cx) * scale - (float)ix0;
      const float y = -(k == 0 ? v.y : v.cy) * scale - (float)iy0;
      if (x < -margin || x > (float)w + margin || y < -margin || y > (float)h + margin) inside = 0;
    }
  }
  if (inside && count > 0)
  {
    stbtt__bitmap gbm{w, h, stash->params.width, dst};
    stbtt_Rasterize(&gbm, 0.35f, vertices, count, scale, scale, 0.0f, 0.0f, ix0, iy0, 1, font->font.userdata);
  }
  FontAtlasScratchFree(vertices, font->font.userdata);
}

// The atlas's pixels, cleared; a large block, given back whole when the atlas goes or grows.
unsigned char* AtlasPixels(int width, int height)
{
  const size_t bytes = (size_t)width * (size_t)height;
  auto* data = (unsigned char*)qorvplatform::LargeAlloc(bytes);
  if (data) memset(data, 0, bytes);
  return data;
}
} // namespace

// ---- Scratch ----

void* FontAtlasScratchAlloc(size_t size, void* up)
{
  auto* stash = (FontAtlas*)up;
  if (!stash || !stash->scratch) return malloc(size);
  const size_t aligned = (size + 0xf) & ~(size_t)0xf;
  if (aligned < size || aligned > (size_t)(kFontAtlasScratchSize - stash->nscratch))
  {
    if (stash->handleError)
      stash->handleError(stash->errorUptr, kFontAtlasScratchFull, size > INT_MAX ? INT_MAX : (int)size);
    return malloc(size);
  }
  unsigned char* p = stash->scratch + stash->nscratch;
  stash->nscratch += (int)aligned;
  return p;
}

void FontAtlasScratchFree(void* ptr, void* up)
{
  auto* stash = (FontAtlas*)up;
  if (!ptr) return;
  // Scratch memory is released all at once before the next font or glyph.
  const auto* p = (const unsigned char*)ptr;
  if (stash && stash->scratch && p >= stash->scratch && p < stash->scratch + kFontAtlasScratchSize) return;
  free(ptr);
}

// ---- Creation ----

FontAtlas* FontAtlasCreate(const FontAtlasParams* params)
{
  if (!params || !ValidSize(params->width, params->height)) return nullptr;
  auto* stash = (FontAtlas*)calloc(1, sizeof(FontAtlas));
  if (!stash) return nullptr;
  stash->params = *params;

  stash->scratch = (unsigned char*)malloc(kFontAtlasScratchSize);
  if (!stash->scratch) goto error;
  if (stash->params.renderCreate &&
      stash->params.renderCreate(stash->params.userPtr, params->width, params->height) == 0)
    goto error;
  stash->atlas = FontAtlasSkylineCreate(params->width, params->height, kFontAtlasInitAtlasNodes);
  if (!stash->atlas) goto error;
  stash->fonts = (FontAtlasFont**)calloc(kFontAtlasInitFonts, sizeof(FontAtlasFont*));
  if (!stash->fonts) goto error;
  stash->cfonts = kFontAtlasInitFonts;
  stash->nfonts = 0;
  SetAtlasSize(stash, params->width, params->height);
  stash->texData = AtlasPixels(params->width, params->height);
  if (!stash->texData) goto error;
  ResetDirty(stash);
  AddWhiteRect(stash, 2, 2);
  FontAtlasPushState(stash);
  FontAtlasClearState(stash);
  return stash;

error:
  FontAtlasDelete(stash);
  return nullptr;
}

void FontAtlasDelete(FontAtlas* stash)
{
  if (!stash) return;
  if (stash->params.renderDelete) stash->params.renderDelete(stash->params.userPtr);
  for (int i = 0; i < stash->nfonts; ++i)
    FreeFont(stash->fonts[i]);
  free(stash->fonts);
  FontAtlasSkylineDelete(stash->atlas);
  qorvplatform::LargeFree(stash->texData);
  free(stash->scratch);
  free(stash);
}

// ---- Fonts ----

int FontAtlasAddFont(FontAtlas* stash, const char* name, const char* path, int fontIndex)
{
  if (!stash || !path) return -1;
  FILE* fp = fopen(path, "rb");
  if (!fp) return -1;
  unsigned char* data = nullptr;
  long size = -1;
  if (fseek(fp, 0, SEEK_END) == 0) size = ftell(fp);
  if (size > 0 && size <= INT_MAX && fseek(fp, 0, SEEK_SET) == 0)
  {
    data = (unsigned char*)malloc((size_t)size);
    if (data && fread(data, 1, (size_t)size, fp) != (size_t)size)
    {
      free(data);
      data = nullptr;
    }
  }
  fclose(fp);
  if (!data) return -1;
  return FontAtlasAddFontMem(stash, name, data, (int)size, 1, fontIndex);
}

int FontAtlasAddFontMem(FontAtlas* stash, const char* name, unsigned char* data, int dataSize, int freeData,
                        int fontIndex)
{
  if (!stash || !data || dataSize <= 0)
  {
    if (freeData && data) free(data);
    return -1;
  }
  const int idx = AllocFont(stash);
  if (idx == -1)
  {
    if (freeData) free(data);
    return -1;
  }
  FontAtlasFont* font = stash->fonts[idx];
  if (name) strncpy(font->name, name, sizeof(font->name));
  font->name[sizeof(font->name) - 1] = '\0';
  for (int i = 0; i < kFontAtlasHashSize; ++i)
    font->lut[i] = -1;
  font->data = data;
  font->dataSize = dataSize;
  font->freeData = (unsigned char)(freeData ? 1 : 0);

  stash->nscratch = 0;
  const int offset = FontValidateFace(data, dataSize, fontIndex);
  if (offset < 0 || stbtt_GetFontOffsetForIndex(data, fontIndex) != offset ||
      !stbtt_InitFont(&font->font, data, offset))
  {
    FreeFont(font);
    stash->nfonts--;
    return -1;
  }
  font->font.userdata = stash;
  // Kerning comes from the kern table alone.
  font->font.gpos = 0;

  int ascent, descent, lineGap;
  stbtt_GetFontVMetrics(&font->font, &ascent, &descent, &lineGap);
  font->ascent = ascent;
  font->descent = descent;
  const int fh = ascent - descent;
  font->ascender = (float)ascent / (float)fh;
  font->descender = (float)descent / (float)fh;
  font->lineh = (float)(fh + lineGap) / (float)fh;
  return idx;
}

int FontAtlasGetFontByName(FontAtlas* stash, const char* name)
{
  if (!stash || !name) return -1;
  for (int i = 0; i < stash->nfonts; i++)
    if (strcmp(stash->fonts[i]->name, name) == 0) return i;
  return -1;
}

int FontAtlasAddFallbackFont(FontAtlas* stash, int base, int fallback)
{
  if (!stash || base < 0 || base >= stash->nfonts || fallback < 0 || fallback >= stash->nfonts) return 0;
  FontAtlasFont* baseFont = stash->fonts[base];
  if (baseFont->nfallbacks >= kFontAtlasMaxFallbacks) return 0;
  baseFont->fallbacks[baseFont->nfallbacks++] = fallback;
  return 1;
}

// ---- State ----

void FontAtlasPushState(FontAtlas* stash)
{
  if (stash->nstates >= kFontAtlasMaxStates)
  {
    if (stash->handleError) stash->handleError(stash->errorUptr, kFontAtlasStatesOverflow, 0);
    return;
  }
  if (stash->nstates > 0) stash->states[stash->nstates] = stash->states[stash->nstates - 1];
  stash->nstates++;
}

void FontAtlasPopState(FontAtlas* stash)
{
  if (stash->nstates <= 1)
  {
    if (stash->handleError) stash->handleError(stash->errorUptr, kFontAtlasStatesUnderflow, 0);
    return;
  }
  stash->nstates--;
}

void FontAtlasClearState(FontAtlas* stash)
{
  FontAtlasState* state = GetState(stash);
  state->size = 12.0f;
  state->color = 0xffffffff;
  state->font = 0;
  state->blur = 0;
  state->spacing = 0;
  state->align = kFontAtlasAlignLeft | kFontAtlasAlignBaseline;
}

void FontAtlasSetSize(FontAtlas* stash, float size)
{
  GetState(stash)->size = size;
}
void FontAtlasSetColor(FontAtlas* stash, unsigned int color)
{
  GetState(stash)->color = color;
}
void FontAtlasSetSpacing(FontAtlas* stash, float spacing)
{
  GetState(stash)->spacing = spacing;
}
void FontAtlasSetBlur(FontAtlas* stash, float blur)
{
  GetState(stash)->blur = blur;
}
void FontAtlasSetAlign(FontAtlas* stash, int align)
{
  GetState(stash)->align = align;
}
void FontAtlasSetFont(FontAtlas* stash, int font)
{
  GetState(stash)->font = font;
}

// ---- Glyphs ----

FontAtlasGlyph* FontAtlasGetGlyph(FontAtlas* stash, FontAtlasFont* font, unsigned int codepoint, short isize,
                                  short iblur, int bitmapOption)
{
  if (!stash || !font || isize < 2) return nullptr;
  if (iblur > kFontAtlasMaxBlur) iblur = kFontAtlasMaxBlur;
  if (iblur < 0) iblur = 0;
  const int pad = iblur + 2;
  stash->nscratch = 0;

  FontAtlasGlyph* glyph = nullptr;
  const unsigned int h = HashInt(codepoint) & (kFontAtlasHashSize - 1);
  for (int i = font->lut[h]; i != -1; i = font->glyphs[i].next)
  {
    FontAtlasGlyph* g = &font->glyphs[i];
    if (g->codepoint == codepoint && g->size == isize && g->blur == iblur)
    {
      glyph = g;
      if (bitmapOption == kFontAtlasGlyphBitmapOptional || (glyph->x0 >= 0 && glyph->y0 >= 0)) return glyph;
      break; // known by its metrics only: make the bitmap for this same record
    }
  }

  // A code point the font lacks comes from the first fallback that has it; else the missing-glyph shape.
  FontAtlasFont* renderFont = font;
  int g = FindGlyphIndex(font, codepoint);
  if (g == 0)
  {
    for (int i = 0; i < font->nfallbacks; ++i)
    {
      FontAtlasFont* fallback = ValidFont(stash, font->fallbacks[i]);
      if (!fallback) continue;
      const int fg = FindGlyphIndex(fallback, codepoint);
      if (fg != 0)
      {
        g = fg;
        renderFont = fallback;
        break;
      }
    }
  }
  const float scale = FontScale(renderFont, isize);
  int advance, lsb, x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  stbtt_GetGlyphHMetrics(&renderFont->font, g, &advance, &lsb);
  const int outlineOk = FontValidateGlyph(&renderFont->font, renderFont->dataSize, g);
  if (outlineOk) stbtt_GetGlyphBitmapBox(&renderFont->font, g, scale, scale, &x0, &y0, &x1, &y1);
  const int gw = x1 - x0 + pad * 2;
  const int gh = y1 - y0 + pad * 2;

  int gx = -1, gy = -1;
  if (bitmapOption == kFontAtlasGlyphBitmapRequired)
  {
    int added = gw <= kFontAtlasMaxSize && gh <= kFontAtlasMaxSize &&
                FontAtlasSkylineAddRect(stash->atlas, gw, gh, &gx, &gy);
    if (!added && stash->handleError)
    {
      stash->handleError(stash->errorUptr, kFontAtlasAtlasFull, 0);
      added = gw <= kFontAtlasMaxSize && gh <= kFontAtlasMaxSize &&
              FontAtlasSkylineAddRect(stash->atlas, gw, gh, &gx, &gy);
    }
    if (!added) return nullptr;
  }

  if (!glyph)
  {
    glyph = AllocGlyph(font);
    if (!glyph) return nullptr;
    glyph->codepoint = codepoint;
    glyph->size = isize;
    glyph->blur = iblur;
    glyph->next = font->lut[h];
    font->lut[h] = font->nglyphs - 1;
  }
  glyph->index = g;
  glyph->x0 = (short)gx;
  glyph->y0 = (short)gy;
  glyph->x1 = ClampShort(gx + gw);
  glyph->y1 = ClampShort(gy + gh);
  glyph->xadv = TruncShort(scale * (float)advance * 10.0f);
  glyph->xoff = ClampShort(x0 - pad);
  glyph->yoff = ClampShort(y0 - pad);
  if (bitmapOption == kFontAtlasGlyphBitmapOptional) return glyph;

  const int width = stash->params.width;
  if (outlineOk)
    RasterizeGlyph(stash, renderFont, g, scale, x0, y0, &stash->texData[(gx + pad) + (gy + pad) * width],
                   gw - pad * 2, gh - pad * 2);

  // A one-pixel empty border keeps bilinear sampling from bleeding between glyphs.
  unsigned char* dst = &stash->texData[gx + gy * width];
  for (int y = 0; y < gh; y++)
  {
    dst[y * width] = 0;
    dst[gw - 1 + y * width] = 0;
  }
  for (int x = 0; x < gw; x++)
  {
    dst[x] = 0;
    dst[x + (gh - 1) * width] = 0;
  }
  if (iblur > 0)
  {
    stash->nscratch = 0;
    FontAtlasBlur(dst, gw, gh, width, iblur);
  }
  WidenDirty(stash, gx, gy, gx + gw, gy + gh);
  return glyph;
}

// ---- The cache's own drawing ----

float FontAtlasDrawText(FontAtlas* stash, float x, float y, const char* str, const char* end)
{
  if (!stash) return x;
  FontAtlasTextIter iter;
  if (!FontAtlasTextIterInit(stash, &iter, x, y, str, end, kFontAtlasGlyphBitmapRequired)) return x;
  const unsigned int color = GetState(stash)->color;
  FontAtlasQuad q;
  while (FontAtlasTextIterNext(stash, &iter, &q))
  {
    if (iter.prevGlyphIndex != -1 && iter.utf8state == kUtf8Accept) AddQuadVertices(stash, q, color);
  }
  Flush(stash);
  return iter.nextx;
}

void FontAtlasDrawDebug(FontAtlas* stash, float x, float y)
{
  if (!stash) return;
  const float w = (float)stash->params.width;
  const float h = (float)stash->params.height;
  // The white rectangle's centre samples full coverage; the colour makes background and skyline visible.
  const float u = w == 0 ? 0 : 1.0f / w;
  const float v = h == 0 ? 0 : 1.0f / h;
  AddQuadVertices(stash, {x, y, x + w, y + h, u, v, u, v}, 0x40000000);
  AddQuadVertices(stash, {x, y, x + w, y + h, 0, 0, 1, 1}, 0xffffffff);
  const FontAtlasSkyline* atlas = stash->atlas;
  for (int i = 0; i < atlas->nnodes; i++)
  {
    const FontAtlasSkylineNode& n = atlas->nodes[i];
    AddQuadVertices(stash, {x + n.x, y + n.y, x + n.x + n.width, y + n.y + 1, u, v, u, v}, 0xc00000ff);
  }
  Flush(stash);
}

// ---- Atlas ----

const unsigned char* FontAtlasGetTextureData(FontAtlas* stash, int* width, int* height)
{
  if (width) *width = stash->params.width;
  if (height) *height = stash->params.height;
  return stash->texData;
}

int FontAtlasValidateTexture(FontAtlas* stash, int* dirty)
{
  if (stash->dirtyRect[0] < stash->dirtyRect[2] && stash->dirtyRect[1] < stash->dirtyRect[3])
  {
    for (int i = 0; i < 4; ++i)
      dirty[i] = stash->dirtyRect[i];
    ResetDirty(stash);
    return 1;
  }
  return 0;
}

void FontAtlasGetAtlasSize(FontAtlas* stash, int* width, int* height)
{
  if (width) *width = stash->params.width;
  if (height) *height = stash->params.height;
}

int FontAtlasAddRect(FontAtlas* stash, int w, int h, int* x, int* y)
{
  return stash ? FontAtlasSkylineAddRect(stash->atlas, w, h, x, y) : 0;
}

int FontAtlasResetAtlas(FontAtlas* stash, int width, int height)
{
  if (!stash || !ValidSize(width, height)) return 0;
  Flush(stash);
  if (stash->params.renderResize && stash->params.renderResize(stash->params.userPtr, width, height) == 0)
    return 0;
  // Allocate first so that a failure leaves the atlas as it was.
  auto* data = AtlasPixels(width, height);
  if (!data) return 0;
  qorvplatform::LargeFree(stash->texData);
  stash->texData = data;
  FontAtlasSkylineReset(stash->atlas, width, height);
  SetAtlasSize(stash, width, height);
  ResetDirty(stash);
  for (int i = 0; i < stash->nfonts; i++)
  {
    FontAtlasFont* font = stash->fonts[i];
    font->nglyphs = 0;
    for (int j = 0; j < kFontAtlasHashSize; j++)
      font->lut[j] = -1;
  }
  AddWhiteRect(stash, 2, 2);
  return 1;
}

int FontAtlasExpandAtlas(FontAtlas* stash, int width, int height)
{
  if (!stash) return 0;
  width = width > stash->params.width ? width : stash->params.width;
  height = height > stash->params.height ? height : stash->params.height;
  if (width == stash->params.width && height == stash->params.height) return 1;
  if (!ValidSize(width, height)) return 0;
  Flush(stash);
  if (stash->params.renderResize && stash->params.renderResize(stash->params.userPtr, width, height) == 0)
    return 0;
  auto* data = AtlasPixels(width, height);
  if (!data) return 0;
  const int oldWidth = stash->params.width;
  for (int i = 0; i < stash->params.height; i++)
    memcpy(&data[i * width], &stash->texData[i * oldWidth], (size_t)oldWidth);
  qorvplatform::LargeFree(stash->texData);
  stash->texData = data;

  int maxy = 0;
  for (int i = 0; i < stash->atlas->nnodes; i++)
    maxy = stash->atlas->nodes[i].y > maxy ? stash->atlas->nodes[i].y : maxy;
  FontAtlasSkylineExpand(stash->atlas, width, height);
  stash->dirtyRect[0] = 0;
  stash->dirtyRect[1] = 0;
  stash->dirtyRect[2] = oldWidth;
  stash->dirtyRect[3] = maxy;
  SetAtlasSize(stash, width, height);
  return 1;
}

void FontAtlasSetErrorCallback(FontAtlas* stash, void (*callback)(void* uptr, int error, int val), void* uptr)
{
  if (!stash) return;
  stash->handleError = callback;
  stash->errorUptr = uptr;
}

} // namespace iplugin::igraphics
