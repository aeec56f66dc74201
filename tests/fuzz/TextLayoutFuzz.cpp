// Arbitrary bytes as text on a vector context: the first bytes choose size, width, alignment and scale,
// the rest is the text. Drawing, measuring, glyph positions, line breaking and text boxes must stay inside
// the text and terminate.
#include "tests/support/VGrecordingRenderer.h"
#include "graphics/vector/VGtext.h"

#include <cstdint>
#include <vector>

using namespace iplugin::igraphics;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size < 4 || size > 4096) return 0;
  // One context for the whole run, as an editor keeps its own: the atlas fills and grows across inputs.
  static VGcontext* ctx = VGrecordingRenderer::CreateContext(kVGAntialias);
  static const int font =
      ctx ? vgCreateFont(ctx, "sans", "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf") : -1;
  if (font == 0)
  {
    vgBeginFrame(ctx, 400, 300, data[3] & 1 ? 2.0f : 1.0f);
    vgFontFace(ctx, "sans");
    vgFontSize(ctx, 1.0f + data[0] % 64);
    vgTextAlign(ctx, data[1] & 0x7F);
    vgTextLetterSpacing(ctx, (float)(data[3] >> 4) - 4.0f);
    vgScale(ctx, 0.25f + (data[3] >> 1 & 7), 0.25f + (data[3] >> 1 & 7));
    const float width = (float)data[2];
    // An exact-size copy so that reads past the end are caught.
    std::vector<char> text(data + 4, data + size);
    const char* s = text.data();
    const char* e = s + text.size();
    float bounds[4];
    vgText(ctx, 5, 20, s, e);
    vgTextBounds(ctx, 5, 20, s, e, bounds);
    VGglyphPosition positions[64];
    vgTextGlyphPositions(ctx, 5, 20, s, e, positions, 64);
    VGtextRow rows[16];
    const int n = vgTextBreakLines(ctx, s, e, width, rows, 16);
    for (int i = 0; i < n; ++i)
      if (rows[i].start < s || rows[i].end > e || rows[i].next > e || rows[i].start > rows[i].end)
        __builtin_trap();
    vgTextBox(ctx, 5, 20, width, s, e);
    vgTextBoxBounds(ctx, 5, 20, width, s, e, bounds);
    vgEndFrame(ctx);
  }
  return 0;
}
