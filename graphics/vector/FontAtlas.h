// Glyph cache: fonts loaded from memory, glyphs rasterised on demand into one alpha atlas packed with a
// skyline, and text turned into textured quads. Plain memory and computation; single-threaded (main thread).
// Failures are results: null glyphs, -1 font ids, 0 from reset, expand and iterator start.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stb_truetype.h>

namespace iplugin::igraphics
{

// Origin of the atlas and quad coordinates.
enum
{
  kFontAtlasZeroTopLeft = 1,
  kFontAtlasZeroBottomLeft = 2,
};

// Text alignment bits.
enum
{
  kFontAtlasAlignLeft = 1 << 0,
  kFontAtlasAlignCenter = 1 << 1,
  kFontAtlasAlignRight = 1 << 2,
  kFontAtlasAlignTop = 1 << 3,
  kFontAtlasAlignMiddle = 1 << 4,
  kFontAtlasAlignBottom = 1 << 5,
  kFontAtlasAlignBaseline = 1 << 6,
};

// Codes handed to the error callback.
enum
{
  kFontAtlasAtlasFull = 1,
  kFontAtlasScratchFull = 2,
  kFontAtlasStatesOverflow = 3,
  kFontAtlasStatesUnderflow = 4,
};

// Bitmap options of glyph lookups: metrics only, or packed and rasterised.
enum
{
  kFontAtlasGlyphBitmapOptional = 1,
  kFontAtlasGlyphBitmapRequired = 2,
};

constexpr int kFontAtlasScratchSize = 96000;
constexpr int kFontAtlasHashSize = 256;
constexpr int kFontAtlasInitFonts = 4;
constexpr int kFontAtlasInitGlyphs = 256;
constexpr int kFontAtlasInitAtlasNodes = 256;
constexpr int kFontAtlasVertexCount = 1024;
constexpr int kFontAtlasMaxStates = 20;
constexpr int kFontAtlasMaxFallbacks = 20;
constexpr int kFontAtlasMaxBlur = 20;
// Skyline nodes and glyph rectangles are 16-bit, which bounds the atlas size.
constexpr int kFontAtlasMaxSize = 32767;

struct FontAtlasParams
{
  int width = 0;
  int height = 0;
  unsigned char flags = 0;
  void* userPtr = nullptr;
  int (*renderCreate)(void* uptr, int width, int height) = nullptr;
  int (*renderResize)(void* uptr, int width, int height) = nullptr;
  void (*renderUpdate)(void* uptr, int* rect, const unsigned char* data) = nullptr;
  void (*renderDraw)(void* uptr, const float* verts, const float* tcoords, const unsigned int* colors,
                     int nverts) = nullptr;
  void (*renderDelete)(void* uptr) = nullptr;
};

struct FontAtlasQuad
{
  float x0, y0, x1, y1;
  float s0, t0, s1, t1;
};

struct FontAtlasGlyph
{
  unsigned int codepoint;
  int index;
  int next;
  short size, blur;
  short x0, y0, x1, y1;
  short xadv, xoff, yoff;
};

struct FontAtlasFont
{
  stbtt_fontinfo font;
  char name[64];
  unsigned char* data;
  int dataSize;
  unsigned char freeData;
  float ascender;
  float descender;
  float lineh;
  FontAtlasGlyph* glyphs;
  int cglyphs;
  int nglyphs;
  int lut[kFontAtlasHashSize];
  int fallbacks[kFontAtlasMaxFallbacks];
  int nfallbacks;
  // Font units from the horizontal header, kept for the scale of each glyph size.
  int ascent;
  int descent;
};

struct FontAtlasTextIter
{
  float x, y, nextx, nexty, scale, spacing;
  unsigned int codepoint;
  short isize, iblur;
  FontAtlasFont* font;
  int prevGlyphIndex;
  const char* str;
  const char* next;
  const char* end;
  unsigned int utf8state;
  int bitmapOption;
};

struct FontAtlasState
{
  int font;
  int align;
  float size;
  unsigned int color;
  float blur;
  float spacing;
};

struct FontAtlasSkylineNode
{
  short x, y, width;
};

struct FontAtlasSkyline
{
  int width, height;
  FontAtlasSkylineNode* nodes;
  int nnodes;
  int cnodes;
};

struct FontAtlas
{
  FontAtlasParams params;
  float itw, ith;
  unsigned char* texData;
  int dirtyRect[4];
  FontAtlasFont** fonts;
  FontAtlasSkyline* atlas;
  int cfonts;
  int nfonts;
  float verts[kFontAtlasVertexCount * 2];
  float tcoords[kFontAtlasVertexCount * 2];
  unsigned int colors[kFontAtlasVertexCount];
  int nverts;
  unsigned char* scratch;
  int nscratch;
  FontAtlasState states[kFontAtlasMaxStates];
  int nstates;
  void (*handleError)(void* uptr, int error, int val);
  void* errorUptr;
};

// Creation and deletion.
FontAtlas* FontAtlasCreate(const FontAtlasParams* params);
void FontAtlasDelete(FontAtlas* stash);

// Fonts. Data handed to AddFontMem must outlive the font unless freeData is set, in which case the cache
// owns it (allocated with malloc) and frees it with the font or on failure.
int FontAtlasAddFont(FontAtlas* stash, const char* name, const char* path, int fontIndex);
int FontAtlasAddFontMem(FontAtlas* stash, const char* name, unsigned char* data, int dataSize, int freeData,
                        int fontIndex);
int FontAtlasGetFontByName(FontAtlas* stash, const char* name);
int FontAtlasAddFallbackFont(FontAtlas* stash, int base, int fallback);

// State stack; each setter writes one field of the top state.
void FontAtlasPushState(FontAtlas* stash);
void FontAtlasPopState(FontAtlas* stash);
void FontAtlasClearState(FontAtlas* stash);
void FontAtlasSetSize(FontAtlas* stash, float size);
void FontAtlasSetColor(FontAtlas* stash, unsigned int color);
void FontAtlasSetSpacing(FontAtlas* stash, float spacing);
void FontAtlasSetBlur(FontAtlas* stash, float blur);
void FontAtlasSetAlign(FontAtlas* stash, int align);
void FontAtlasSetFont(FontAtlas* stash, int font);

// Glyphs and text. Sizes of glyphs are in tenths of a pixel, blur in pixels.
FontAtlasGlyph* FontAtlasGetGlyph(FontAtlas* stash, FontAtlasFont* font, unsigned int codepoint, short isize,
                                  short iblur, int bitmapOption);
void FontAtlasGetQuad(FontAtlas* stash, FontAtlasFont* font, int prevGlyphIndex, FontAtlasGlyph* glyph,
                      float scale, float spacing, float* x, float* y, FontAtlasQuad* q);
int FontAtlasTextIterInit(FontAtlas* stash, FontAtlasTextIter* iter, float x, float y, const char* str,
                          const char* end, int bitmapOption);
// 1 while text remains. A step that ends inside a broken or unfinished UTF-8 sequence leaves the quad as it
// was and the decoder state non-zero.
int FontAtlasTextIterNext(FontAtlas* stash, FontAtlasTextIter* iter, FontAtlasQuad* quad);
float FontAtlasTextBounds(FontAtlas* stash, float x, float y, const char* str, const char* end,
                          float* bounds);
void FontAtlasVertMetrics(FontAtlas* stash, float* ascender, float* descender, float* lineh);
void FontAtlasLineBounds(FontAtlas* stash, float y, float* miny, float* maxy);

// The cache's own drawing through the draw callback (nothing in the editor calls these).
float FontAtlasDrawText(FontAtlas* stash, float x, float y, const char* str, const char* end);
void FontAtlasDrawDebug(FontAtlas* stash, float x, float y);

// Atlas.
const unsigned char* FontAtlasGetTextureData(FontAtlas* stash, int* width, int* height);
int FontAtlasValidateTexture(FontAtlas* stash, int* dirty);
void FontAtlasGetAtlasSize(FontAtlas* stash, int* width, int* height);
int FontAtlasResetAtlas(FontAtlas* stash, int width, int height);
int FontAtlasExpandAtlas(FontAtlas* stash, int width, int height);
void FontAtlasSetErrorCallback(FontAtlas* stash, void (*callback)(void* uptr, int error, int val),
                               void* uptr);

// Skyline packing of a w x h rectangle; 1 and its position, or 0 when it does not fit.
int FontAtlasAddRect(FontAtlas* stash, int w, int h, int* x, int* y);

// Scratch memory of the rasteriser (the stb_truetype allocation hooks): a bump allocator over the fixed
// buffer, reset before each font load and glyph. Requests past its end are reported (scratch full) and
// served from the heap so that an unusually large glyph still renders.
void* FontAtlasScratchAlloc(std::size_t size, void* up);
void FontAtlasScratchFree(void* ptr, void* up);

} // namespace iplugin::igraphics
