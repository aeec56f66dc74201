// Malformed and truncated fonts are refused by result and never read out of bounds (the sanitizers of the
// test build watch every read); broken glyphs of an otherwise sound font render empty.
#include "graphics/vector/FontAtlas.h"
#include "graphics/vector/FontValidator.h"
#include "tests/vector/FontTestFiles.h"
#include "tests/vector/TinyFont.h"

#include <gtest/gtest.h>

#include <functional>

using namespace iplugin::igraphics;
using qorvtest::TinyFont;

namespace
{
struct Atlas
{
  Atlas()
  {
    FontAtlasParams params;
    params.width = 256;
    params.height = 256;
    params.flags = kFontAtlasZeroTopLeft;
    stash = FontAtlasCreate(&params);
  }
  ~Atlas() { FontAtlasDelete(stash); }
  int Add(std::vector<unsigned char>& bytes, int face = 0)
  {
    return FontAtlasAddFontMem(stash, "font", bytes.data(), (int)bytes.size(), 0, face);
  }
  FontAtlas* stash;
};

// Ink of a glyph rasterised at 40 px, -1 when no glyph came back.
int GlyphInk(FontAtlas* stash, int font, unsigned int codepoint)
{
  FontAtlasGlyph* g =
      FontAtlasGetGlyph(stash, stash->fonts[font], codepoint, 400, 0, kFontAtlasGlyphBitmapRequired);
  if (!g) return -1;
  int ink = 0;
  for (int y = g->y0; y < g->y1; ++y)
    for (int x = g->x0; x < g->x1; ++x)
      ink += stash->texData[x + y * stash->params.width] > 0;
  return ink;
}

TEST(FontValidator, TinyFontLoadsAndBrokenGlyphsRenderEmpty)
{
  TinyFont tiny = qorvtest::MakeTinyFont();
  Atlas atlas;
  const int id = atlas.Add(tiny.bytes);
  ASSERT_EQ(id, 0);
  EXPECT_GT(GlyphInk(atlas.stash, id, 'A'), 100);
  EXPECT_GT(GlyphInk(atlas.stash, id, 'B'), 100); // composite of A
  EXPECT_EQ(GlyphInk(atlas.stash, id, 'C'), 0);   // contains itself
  EXPECT_EQ(GlyphInk(atlas.stash, id, 'D'), 0);   // placed by point matching
  EXPECT_EQ(GlyphInk(atlas.stash, id, 'E'), 0);   // a lone off-curve contour at the end
  EXPECT_GT(GlyphInk(atlas.stash, id, 'Z'), 100); // missing: the square of glyph 0
  // Advances and kerning still come from the metrics.
  FontAtlasGlyph* a = FontAtlasGetGlyph(atlas.stash, atlas.stash->fonts[id], 'A', 1000, 0, 1);
  FontAtlasGlyph* b = FontAtlasGetGlyph(atlas.stash, atlas.stash->fonts[id], 'B', 1000, 0, 1);
  EXPECT_EQ(a->xadv, 1000);
  float x = 0, y = 0;
  FontAtlasQuad q;
  FontAtlasGetQuad(atlas.stash, atlas.stash->fonts[id], a->index, b, 0.1f, 0, &x, &y, &q);
  EXPECT_EQ(x, -4.0f + 100.0f); // int(-50 * 0.1 + 0.5) = -4, then the advance
}

struct Mutation
{
  const char* name;
  std::function<void(TinyFont&)> apply;
};

class FontValidatorMutation : public ::testing::TestWithParam<Mutation>
{
};

TEST_P(FontValidatorMutation, IsRefused)
{
  TinyFont tiny = qorvtest::MakeTinyFont();
  GetParam().apply(tiny);
  Atlas atlas;
  EXPECT_EQ(atlas.Add(tiny.bytes), -1);
  EXPECT_EQ(atlas.stash->nfonts, 0);
}

void Rename(TinyFont& f, const char* tag, const char* to)
{
  for (uint32_t loc = 12; loc + 16 <= 12 + 16 * (uint32_t)f.Get16(4); loc += 16)
    if (std::string(f.bytes.begin() + loc, f.bytes.begin() + loc + 4) == tag)
      std::copy(to, to + 4, f.bytes.begin() + loc);
}

uint32_t Cmap4(const TinyFont& f)
{
  return f.offsets.at("cmap") + 12;
}

const Mutation kMutations[] = {
    {"DirectoryPastEnd", [](TinyFont& f) { f.Put16(4, 4000); }},
    {"NotAFont", [](TinyFont& f) { f.Put32(0, 0x12345678); }},
    {"TableOffsetPastEnd",
     [](TinyFont& f)
     {
       // the hhea entry is the fourth in tag order
       f.Put32(12 + 16 * 3 + 8, (uint32_t)f.bytes.size() - 10);
     }},
    {"NoMaxp", [](TinyFont& f) { Rename(f, "maxp", "maxq"); }},
    {"NoGlyfAsInCffFonts", [](TinyFont& f) { Rename(f, "glyf", "CFF "); }},
    {"NoCmap", [](TinyFont& f) { Rename(f, "cmap", "cmaq"); }},
    {"ZeroHorizontalMetrics", [](TinyFont& f) { f.Put16(f.offsets.at("hhea") + 34, 0); }},
    {"ZeroFontHeight", [](TinyFont& f) { f.Put16(f.offsets.at("hhea") + 6, 800); }},
    {"NegativeFontHeight", [](TinyFont& f) { f.Put16(f.offsets.at("hhea") + 4, -300 & 0xFFFF); }},
    {"ZeroGlyphs", [](TinyFont& f) { f.Put16(f.offsets.at("maxp") + 4, 0); }},
    {"MoreGlyphsThanMetrics", [](TinyFont& f) { f.Put16(f.offsets.at("maxp") + 4, 4000); }},
    {"LongLocaPastEnd", [](TinyFont& f) { f.Put16(f.offsets.at("head") + 50, 1); }},
    {"CmapRecordsPastEnd", [](TinyFont& f) { f.Put16(f.offsets.at("cmap") + 2, 60000); }},
    {"CmapSubtablePastEnd", [](TinyFont& f) { f.Put32(f.offsets.at("cmap") + 8, 0x7FFFFFF0); }},
    {"CmapNoUnicodeSubtable", [](TinyFont& f) { f.Put16(f.offsets.at("cmap") + 4, 1); }},
    {"CmapFormat2", [](TinyFont& f) { f.Put16(Cmap4(f), 2); }},
    {"CmapUnknownFormat", [](TinyFont& f) { f.Put16(Cmap4(f), 99); }},
    {"CmapRangeShiftPastEnd", [](TinyFont& f) { f.Put16(Cmap4(f) + 12, 0xFFFE); }},
    {"CmapSearchRangePastEnd",
     [](TinyFont& f)
     {
       f.Put16(Cmap4(f) + 8, 0xFFFE);
       f.Put16(Cmap4(f) + 10, 15);
     }},
    {"CmapSegmentsPastEnd",
     [](TinyFont& f)
     {
       f.Put16(Cmap4(f) + 6, 0xFFFE);
       f.Put16(Cmap4(f) + 12, 0xFFFE);
     }},
    {"CmapRangeOffsetPastEnd", [](TinyFont& f) { f.Put16(Cmap4(f) + 14 + 2 * 2 + 2 + 2 * 2 * 2, 0x7FF0); }},
    {"Cmap12GroupsPastEnd",
     [](TinyFont& f)
     {
       f.Put16(Cmap4(f), 12);
       f.Put32(Cmap4(f) + 12, 0x10000000);
     }},
    {"Cmap6CountPastEnd",
     [](TinyFont& f)
     {
       f.Put16(Cmap4(f), 6);
       f.Put16(Cmap4(f) + 8, 0xFFFF);
     }},
    {"Cmap0LengthPastEnd",
     [](TinyFont& f)
     {
       f.Put16(Cmap4(f), 0);
       f.Put16(Cmap4(f) + 2, 0xFFFF);
     }},
    {"KernPairsPastEnd", [](TinyFont& f) { f.Put16(f.offsets.at("kern") + 10, 0xFFFF); }},
};

INSTANTIATE_TEST_SUITE_P(TinyFont, FontValidatorMutation, ::testing::ValuesIn(kMutations),
                         [](const ::testing::TestParamInfo<Mutation>& info)
                         { return std::string(info.param.name); });

TEST(FontValidator, CollectionsNeedAFaceInRange)
{
  TinyFont tiny = qorvtest::MakeTinyFont();
  // A collection of one face: "ttcf", version 1, count 1, offset of the face.
  std::vector<unsigned char> ttc = {'t', 't', 'c', 'f', 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 16};
  const size_t headerSize = ttc.size();
  ttc.insert(ttc.end(), tiny.bytes.begin(), tiny.bytes.end());
  // Table offsets are from the start of the file.
  const int count = tiny.Get16(4);
  for (int i = 0; i < count; ++i)
  {
    unsigned char* p = &ttc[headerSize + 12 + 16 * (size_t)i + 8];
    const uint32_t off = (uint32_t)p[0] << 24 | p[1] << 16 | p[2] << 8 | p[3];
    const uint32_t moved = off + (uint32_t)headerSize;
    p[0] = (unsigned char)(moved >> 24), p[1] = (unsigned char)(moved >> 16),
    p[2] = (unsigned char)(moved >> 8), p[3] = (unsigned char)moved;
  }
  Atlas atlas;
  EXPECT_EQ(atlas.Add(ttc, 1), -1);
  EXPECT_EQ(atlas.Add(ttc, -1), -1);
  EXPECT_EQ(atlas.Add(ttc, 0), 0);
  EXPECT_EQ(atlas.Add(tiny.bytes, 1), -1); // a single font has only face 0
  ttc[11] = 0xFF;                          // claims 255 faces but has one offset
  EXPECT_EQ(atlas.Add(ttc, 200), -1);
}

// Every cut of the file is either refused, or loads and draws without reading past the cut.
TEST(FontValidator, TruncatedFontsAreRefusedOrReadSafely)
{
  TinyFont tiny = qorvtest::MakeTinyFont();
  int refused = 0;
  for (size_t size = 0; size < tiny.bytes.size(); ++size)
  {
    Atlas atlas;
    // An exact-size copy, so that the sanitizer sees any read past the cut.
    std::vector<unsigned char> cut(tiny.bytes.begin(), tiny.bytes.begin() + (long)size);
    const int id = cut.empty() ? FontAtlasAddFontMem(atlas.stash, "cut", nullptr, 0, 0, 0) : atlas.Add(cut);
    if (id < 0)
    {
      ++refused;
      continue;
    }
    for (unsigned int cp : {'A', 'B', 'C', 'D', 'E', 'Z'})
      GlyphInk(atlas.stash, id, cp);
  }
  // maxp is the last table: every cut before its end is refused, only its padding may go.
  EXPECT_EQ(refused, (int)tiny.offsets.at("maxp") + 6);
}

TEST(FontValidator, TruncatedEditorFontsAreRefusedOrReadSafely)
{
  for (const char* path : {qorvtest::kRobotoPath, qorvtest::kDejaVuPath})
  {
    const std::vector<unsigned char> whole = qorvtest::ReadFileBytes(path);
    ASSERT_FALSE(whole.empty());
    int loadedShort = 0;
    for (size_t size = 1; size < whole.size(); size += size < 2048 ? 1 : 4099)
    {
      std::vector<unsigned char> cut(whole.begin(), whole.begin() + (long)size);
      Atlas atlas;
      const int id = atlas.Add(cut);
      if (id < 0) continue;
      loadedShort += size < 2048;
      FontAtlasSetFont(atlas.stash, id);
      FontAtlasSetSize(atlas.stash, 18);
      float bounds[4];
      FontAtlasTextBounds(atlas.stash, 0, 0, "Hamburgefonstiv 0123 AVATAR", nullptr, bounds);
      for (unsigned int cp : {65u, 103u, 64u, 0xE9u, 0x416u}) // A g @ é Ж
        GlyphInk(atlas.stash, id, cp);
    }
    EXPECT_EQ(loadedShort, 0) << path;
  }
}

} // namespace
