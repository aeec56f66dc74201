// Text on the vector context: fonts (forwarded to the glyph cache), text state, drawing, measurement,
// glyph positions, line breaking and text boxes. Text is laid out at the device resolution (the average
// scale of the current transform, quantised to hundredths and capped at 4, times the device pixel
// ratio) and mapped back into user space. Main thread only. With no font (id -1) every text operation
// draws nothing and measures 0.
#pragma once

#include "graphics/vector/VGcontext.h"

namespace iplugin::igraphics
{

// One line of broken text: pointers into the UTF-8 text and its extent in user space.
struct VGtextRow
{
  const char* start; // first byte of the row
  const char* end;   // one past its last visible character
  const char* next;  // where the next row starts
  float width;       // logical width
  float minx, maxx;  // extent of the glyphs, relative to the row's start
};

struct VGglyphPosition
{
  const char* str; // first byte of the glyph
  float x;         // pen position
  float minx, maxx;
};

// Fonts; ids come from the glyph cache, -1 on failure. Face 0 unless an index is given.
int vgCreateFont(VGcontext* ctx, const char* name, const char* filename);
int vgCreateFontAtIndex(VGcontext* ctx, const char* name, const char* filename, int fontIndex);
// The context keeps data (and frees it with malloc's free when freeData is set).
int vgCreateFontMem(VGcontext* ctx, const char* name, unsigned char* data, int ndata, int freeData);
int vgCreateFontMemAtIndex(VGcontext* ctx, const char* name, unsigned char* data, int ndata, int freeData,
                           int fontIndex);
int vgFindFont(VGcontext* ctx, const char* name);
int vgAddFallbackFontId(VGcontext* ctx, int baseFont, int fallbackFont);
int vgAddFallbackFont(VGcontext* ctx, const char* baseFont, const char* fallbackFont);

// Text state of the current render state.
void vgFontSize(VGcontext* ctx, float size);
void vgFontBlur(VGcontext* ctx, float blur);
void vgTextLetterSpacing(VGcontext* ctx, float spacing);
void vgTextLineHeight(VGcontext* ctx, float lineHeight); // a multiple of the font's line height
void vgTextAlign(VGcontext* ctx, int align);             // EVGalign bits
void vgFontFaceId(VGcontext* ctx, int font);
void vgFontFace(VGcontext* ctx, const char* font);

// Drawing and measuring; end may be null for a terminated text.
float vgText(VGcontext* ctx, float x, float y, const char* string, const char* end);
float vgTextBounds(VGcontext* ctx, float x, float y, const char* string, const char* end, float* bounds);
void vgTextMetrics(VGcontext* ctx, float* ascender, float* descender, float* lineh);
int vgTextGlyphPositions(VGcontext* ctx, float x, float y, const char* string, const char* end,
                         VGglyphPosition* positions, int maxPositions);
int vgTextBreakLines(VGcontext* ctx, const char* string, const char* end, float breakRowWidth,
                     VGtextRow* rows, int maxRows);
void vgTextBox(VGcontext* ctx, float x, float y, float breakRowWidth, const char* string, const char* end);
void vgTextBoxBounds(VGcontext* ctx, float x, float y, float breakRowWidth, const char* string,
                     const char* end, float* bounds);

// Moves the context to its next glyph-atlas image and restarts the glyph cache's atlas at that size;
// 0 when four images are in use or no image could be made.
int vgAllocTextAtlas(VGcontext* ctx);

} // namespace iplugin::igraphics
