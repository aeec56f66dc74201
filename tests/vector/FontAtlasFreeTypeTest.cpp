// The glyph cache's reading of real fonts against FreeType: glyph lookup, advances, kerning and vertical
// metrics must agree exactly (in font units, and through the cache's own rounding at editor sizes);
// rasterised glyphs must match FreeType's unhinted anti-aliased rendering within a small tolerance.
#include "graphics/vector/FontAtlas.h"
#include "tests/vector/FontTestFiles.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_BITMAP_H
#include FT_TRUETYPE_TABLES_H

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

using namespace iplugin::igraphics;

namespace
{
struct FontCase
{
  const char* name;
  const char* path;
};

std::vector<unsigned int> SampleCodepoints()
{
  std::vector<unsigned int> cps;
  for (unsigned int c = 32; c < 127; ++c)
    cps.push_back(c);
  for (unsigned int c = 160; c < 256; ++c)
    cps.push_back(c);
  for (unsigned int c = 0x391; c <= 0x3C9; ++c) // Greek
    cps.push_back(c);
  for (unsigned int c = 0x410; c <= 0x44F; ++c) // Cyrillic
    cps.push_back(c);
  for (unsigned int c : {0x2013u, 0x2014u, 0x2026u, 0x20ACu, 0x2122u, 0xFB01u, 0x4E00u, 0x1F600u})
    cps.push_back(c);
  return cps;
}

class FontAgainstFreeType : public ::testing::TestWithParam<FontCase>
{
protected:
  void SetUp() override
  {
    data = qorvtest::ReadFileBytes(GetParam().path);
    ASSERT_FALSE(data.empty()) << GetParam().path;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    ASSERT_EQ(FT_New_Memory_Face(library, data.data(), (FT_Long)data.size(), 0, &face), 0);
    auto* hhea = (TT_HoriHeader*)FT_Get_Sfnt_Table(face, FT_SFNT_HHEA);
    ASSERT_NE(hhea, nullptr);
    ascent = hhea->Ascender;
    descent = hhea->Descender;
    lineGap = hhea->Line_Gap;

    FontAtlasParams params;
    params.width = 512;
    params.height = 512;
    params.flags = kFontAtlasZeroTopLeft;
    stash = FontAtlasCreate(&params);
    ASSERT_NE(stash, nullptr);
    fontId = FontAtlasAddFontMem(stash, GetParam().name, data.data(), (int)data.size(), 0, 0);
    ASSERT_EQ(fontId, 0);
    font = stash->fonts[fontId];
  }

  void TearDown() override
  {
    FontAtlasDelete(stash);
    if (face) FT_Done_Face(face);
    if (library) FT_Done_FreeType(library);
  }

  int FreeTypeAdvance(unsigned int glyph)
  {
    EXPECT_EQ(FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING), 0);
    return (int)face->glyph->metrics.horiAdvance;
  }

  // A size at which one font unit is exactly one pixel: advances in tenths are font units times ten.
  short UnitSize() const { return (short)((ascent - descent) * 10); }

  std::vector<unsigned char> data;
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  int ascent = 0, descent = 0, lineGap = 0;
  FontAtlas* stash = nullptr;
  FontAtlasFont* font = nullptr;
  int fontId = -1;
};

TEST_P(FontAgainstFreeType, VerticalMetricsAgree)
{
  const float fh = (float)(ascent - descent);
  EXPECT_EQ(font->ascender, (float)ascent / fh);
  EXPECT_EQ(font->descender, (float)descent / fh);
  EXPECT_EQ(font->lineh, (float)(ascent - descent + lineGap) / fh);
  for (float size : {9.0f, 12.0f, 14.5f, 20.0f, 37.0f})
  {
    FontAtlasSetFont(stash, fontId);
    FontAtlasSetSize(stash, size);
    float asc = 0, desc = 0, lh = 0;
    FontAtlasVertMetrics(stash, &asc, &desc, &lh);
    const short isize = (short)(size * 10.0f);
    EXPECT_EQ(asc, (float)ascent / fh * isize / 10.0f) << size;
    EXPECT_EQ(desc, (float)descent / fh * isize / 10.0f) << size;
    EXPECT_EQ(lh, (float)(ascent - descent + lineGap) / fh * isize / 10.0f) << size;
  }
}

TEST_P(FontAgainstFreeType, GlyphIndicesAndAdvancesAgree)
{
  int missing = 0;
  for (unsigned int cp : SampleCodepoints())
  {
    const unsigned int ftIndex = FT_Get_Char_Index(face, cp);
    missing += ftIndex == 0;
    FontAtlasGlyph* g = FontAtlasGetGlyph(stash, font, cp, UnitSize(), 0, kFontAtlasGlyphBitmapOptional);
    ASSERT_NE(g, nullptr) << cp;
    EXPECT_EQ(g->index, (int)ftIndex) << "U+" << std::hex << cp;
    const int advance = FreeTypeAdvance(ftIndex);
    EXPECT_EQ(g->xadv, advance * 10) << "U+" << std::hex << cp;
    // The same units through the cache's rounding at an editor size.
    const short isize = 140;
    FontAtlasGlyph* small = FontAtlasGetGlyph(stash, font, cp, isize, 0, kFontAtlasGlyphBitmapOptional);
    const float scale = (isize / 10.0f) / (float)(ascent - descent);
    EXPECT_EQ(small->xadv, (short)(int)(scale * (float)advance * 10.0f)) << "U+" << std::hex << cp;
  }
  EXPECT_GE(missing, 1); // CJK and emoji are not in these fonts
}

TEST_P(FontAgainstFreeType, KerningAgrees)
{
  // Kerning comes from the kern table only, which FreeType reads too; Roboto has none (its pairs are in
  // GPOS).
  const bool hasKernTable = FT_HAS_KERNING(face);
  int kerned = 0;
  for (unsigned int left = 33; left < 127; ++left)
  {
    for (unsigned int right = 33; right < 127; ++right)
    {
      const unsigned int li = FT_Get_Char_Index(face, left), ri = FT_Get_Char_Index(face, right);
      FT_Vector delta;
      ASSERT_EQ(FT_Get_Kerning(face, li, ri, FT_KERNING_UNSCALED, &delta), 0);
      kerned += delta.x != 0;
      FontAtlasGlyph* g = FontAtlasGetGlyph(stash, font, right, UnitSize(), 0, kFontAtlasGlyphBitmapOptional);
      ASSERT_NE(g, nullptr);
      float x = 0, y = 0;
      FontAtlasQuad q;
      FontAtlasGetQuad(stash, font, (int)li, g, 1.0f, 0.0f, &x, &y, &q);
      const int kern = (int)((float)delta.x + 0.5f);
      EXPECT_EQ(x, (float)(kern + g->xadv / 10)) << (char)left << (char)right;
    }
  }
  if (hasKernTable)
    EXPECT_GT(kerned, 50);
  else
    EXPECT_EQ(kerned, 0);
}

struct RasterCase
{
  unsigned int codepoint;
  float size;
};

// Coverage of glyph g rendered by FreeType's smooth rasteriser, unhinted, at the cache's scale, into the
// cache's box: left edge x0 and bottom edge yBottom, in pixels with y growing downwards.
std::vector<unsigned char> FreeTypeCoverage(FT_Library library, FT_Face face, unsigned int g, float scale,
                                            int x0, int yBottom, int w, int h)
{
  std::vector<unsigned char> pixels((size_t)(w * h), 0);
  EXPECT_EQ(FT_Load_Glyph(face, g, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING), 0);
  FT_Outline* outline = &face->glyph->outline;
  const FT_Fixed s = (FT_Fixed)std::lround(scale * 64.0 * 65536.0);
  FT_Matrix m = {s, 0, 0, s};
  FT_Outline_Transform(outline, &m);
  FT_Outline_Translate(outline, -x0 * 64, yBottom * 64);
  FT_Bitmap bitmap;
  FT_Bitmap_Init(&bitmap);
  bitmap.rows = (unsigned)h;
  bitmap.width = (unsigned)w;
  bitmap.pitch = w;
  bitmap.buffer = pixels.data();
  bitmap.num_grays = 256;
  bitmap.pixel_mode = FT_PIXEL_MODE_GRAY;
  EXPECT_EQ(FT_Outline_Get_Bitmap(library, outline, &bitmap), 0);
  return pixels;
}

struct Difference
{
  int maxDiff = 0;
  double meanDiff = 0;
  double inkRatio = 0;
};

Difference Compare(const std::vector<unsigned char>& ours, const std::vector<unsigned char>& theirs)
{
  Difference d;
  long sum = 0, inkOurs = 0, inkTheirs = 0;
  for (size_t i = 0; i < ours.size(); ++i)
  {
    const int diff = std::abs(ours[i] - theirs[i]);
    d.maxDiff = std::max(d.maxDiff, diff);
    sum += diff;
    inkOurs += ours[i];
    inkTheirs += theirs[i];
  }
  d.meanDiff = (double)sum / (double)ours.size();
  d.inkRatio = inkTheirs ? (double)inkOurs / (double)inkTheirs : 0;
  return d;
}

std::string Name(const RasterCase& rc)
{
  return "U+" + std::to_string(rc.codepoint) + " at " + std::to_string(rc.size);
}

TEST_P(FontAgainstFreeType, RasterisedGlyphsMatchFreeType)
{
  // Tolerance: stb_truetype flattens curves to 0.35 px while FreeType follows them exactly, so a pixel on a
  // strongly curved edge may differ by up to that part of its coverage (96 of 255); the mean difference and
  // the total ink stay close. Flattened finely, the same outline agrees within rounding.
  const RasterCase cases[] = {{'A', 12},    {'g', 12}, {'e', 14},  {'Q', 20},  {'@', 24},
                              {'&', 31.5f}, {'S', 48}, {0xE9, 18}, {0xDF, 18}, {'W', 64}};
  for (const RasterCase& rc : cases)
  {
    const short isize = (short)(rc.size * 10.0f);
    FontAtlasGlyph* g = FontAtlasGetGlyph(stash, font, rc.codepoint, isize, 0, kFontAtlasGlyphBitmapRequired);
    ASSERT_NE(g, nullptr);
    const int pad = 2;
    const int w = g->x1 - g->x0 - 2 * pad, h = g->y1 - g->y0 - 2 * pad;
    const float scale = (isize / 10.0f) / (float)(ascent - descent);
    const int bx0 = g->xoff + pad, by0 = g->yoff + pad;
    const std::vector<unsigned char> ref =
        FreeTypeCoverage(library, face, (unsigned)g->index, scale, bx0, by0 + h, w, h);
    // The cache's own bitmap, flattened at 0.35 px.
    std::vector<unsigned char> ours((size_t)(w * h));
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        ours[(size_t)(x + y * w)] =
            stash->texData[(g->x0 + pad + x) + (g->y0 + pad + y) * stash->params.width];
    const Difference cached = Compare(ours, ref);
    EXPECT_LE(cached.maxDiff, 96) << Name(rc);
    EXPECT_LE(cached.meanDiff, 14.0) << Name(rc);
    EXPECT_NEAR(cached.inkRatio, 1.0, 0.1) << Name(rc);
    // The same outline, placement and scale rasterised with fine flattening: what remains is rounding.
    std::vector<unsigned char> fine((size_t)(w * h), 0);
    stbtt_vertex* v = nullptr;
    const int n = stbtt_GetGlyphShape(&font->font, g->index, &v);
    stbtt__bitmap gbm{w, h, w, fine.data()};
    stbtt_Rasterize(&gbm, 0.01f, v, n, scale, scale, 0, 0, bx0, by0, 1, font->font.userdata);
    stbtt_FreeShape(&font->font, v);
    const Difference exact = Compare(fine, ref);
    EXPECT_LE(exact.maxDiff, 32) << Name(rc);
    EXPECT_LE(exact.meanDiff, 4.5) << Name(rc);
  }
}

INSTANTIATE_TEST_SUITE_P(EditorFonts, FontAgainstFreeType,
                         ::testing::Values(FontCase{"Roboto-Regular.ttf", qorvtest::kRobotoPath},
                                           FontCase{"verdana.ttf", qorvtest::kDejaVuPath},
                                           FontCase{"verdanab.ttf", qorvtest::kDejaVuBoldPath}),
                         [](const ::testing::TestParamInfo<FontCase>& info) {
                           return std::string(info.index == 0   ? "Roboto"
                                              : info.index == 1 ? "DejaVuSans"
                                                                : "DejaVuSansBold");
                         });

} // namespace
