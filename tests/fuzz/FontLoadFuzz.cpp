// Arbitrary bytes as a font: loading must refuse or succeed, and a loaded font must measure, kern and
// rasterise glyphs (plain and blurred, small and large) without reading outside the bytes.
#include "graphics/vector/FontAtlas.h"

#include <cstdint>
#include <vector>

using namespace iplugin::igraphics;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size > (1u << 20)) return 0;
  FontAtlasParams params;
  params.width = 512;
  params.height = 512;
  params.flags = kFontAtlasZeroTopLeft;
  FontAtlas* stash = FontAtlasCreate(&params);
  if (!stash) return 0;
  // An exact-size copy so that any read past the end is caught.
  std::vector<unsigned char> bytes(data, data + size);
  const int face = size > 0 && data[size - 1] == 0xFF ? 1 : 0;
  const int id = FontAtlasAddFontMem(stash, "fuzz", bytes.data(), (int)bytes.size(), 0, face);
  if (id >= 0)
  {
    // Code points from the font's own last bytes reach glyphs a fixed text would not.
    std::vector<char> text = {'A', 'V', 'g', '@', ' ', 'W', 'a', 'B', 'C', 'D', 'E', 'Z', '\xC3', '\xA9'};
    for (size_t i = size > 16 ? size - 16 : 0; i < size; ++i)
      text.push_back((char)(0x20 + data[i] % 0x5F));
    FontAtlasSetFont(stash, id);
    const float sizes[] = {12.0f, 3.0f, 90.0f};
    for (float s : sizes)
    {
      FontAtlasSetSize(stash, s);
      FontAtlasSetBlur(stash, s == 90.0f ? 3.0f : 0.0f);
      float bounds[4];
      FontAtlasTextBounds(stash, 10, 10, text.data(), text.data() + text.size(), bounds);
      FontAtlasTextIter iter;
      FontAtlasQuad q;
      if (FontAtlasTextIterInit(stash, &iter, 0, 0, text.data(), text.data() + text.size(),
                                kFontAtlasGlyphBitmapRequired))
        while (FontAtlasTextIterNext(stash, &iter, &q))
        {
        }
    }
    float asc, desc, lh;
    FontAtlasVertMetrics(stash, &asc, &desc, &lh);
  }
  FontAtlasDelete(stash);
  return 0;
}
