// The glyph cache's own behaviour: glyph records and their keys, fallbacks, the skyline packer, the atlas's
// reset and growth, quads and alignment, the iterator on broken UTF-8, the state stack, its own drawing.
#include "graphics/vector/FontAtlas.h"
#include "tests/vector/FontTestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace iplugin::igraphics;

namespace
{
struct Recorder
{
  std::vector<std::pair<int, int>> errors;
  std::vector<int> drawCounts;
  std::vector<std::vector<int>> updates;
  int expandOnFull = 0; // grow the atlas by this many rows when it is full
  FontAtlas* stash = nullptr;
};

void OnError(void* up, int error, int value)
{
  auto* r = (Recorder*)up;
  r->errors.push_back({error, value});
  if (error == kFontAtlasAtlasFull && r->expandOnFull)
  {
    int w, h;
    FontAtlasGetAtlasSize(r->stash, &w, &h);
    FontAtlasExpandAtlas(r->stash, w, h + r->expandOnFull);
  }
}

class FontAtlasTest : public ::testing::Test
{
protected:
  void Create(int w = 512, int h = 512, unsigned char flags = kFontAtlasZeroTopLeft)
  {
    FontAtlasDelete(stash);
    FontAtlasParams params;
    params.width = w;
    params.height = h;
    params.flags = flags;
    params.userPtr = &rec;
    params.renderUpdate = [](void* up, int* rect, const unsigned char*) {
      ((Recorder*)up)->updates.push_back({rect[0], rect[1], rect[2], rect[3]});
    };
    params.renderDraw = [](void* up, const float*, const float*, const unsigned int*, int n)
    { ((Recorder*)up)->drawCounts.push_back(n); };
    stash = FontAtlasCreate(&params);
    ASSERT_NE(stash, nullptr);
    rec.stash = stash;
    sans = FontAtlasAddFont(stash, "sans", qorvtest::kDejaVuPath, 0);
    ASSERT_EQ(sans, 0);
    FontAtlasSetFont(stash, sans);
  }
  void SetUp() override { Create(); }
  void TearDown() override { FontAtlasDelete(stash); }

  FontAtlasGlyph* Glyph(unsigned int cp, short isize = 200, short blur = 0,
                        int option = kFontAtlasGlyphBitmapRequired)
  {
    return FontAtlasGetGlyph(stash, stash->fonts[sans], cp, isize, blur, option);
  }
  std::vector<FontAtlasSkylineNode> Nodes() const
  {
    return std::vector<FontAtlasSkylineNode>(stash->atlas->nodes, stash->atlas->nodes + stash->atlas->nnodes);
  }
  int Ink(int x0, int y0, int x1, int y1) const
  {
    int ink = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x)
        ink += stash->texData[x + y * stash->params.width] != 0;
    return ink;
  }

  Recorder rec;
  FontAtlas* stash = nullptr;
  int sans = -1;
};

TEST_F(FontAtlasTest, WhiteRectangleFirstThenTheFirstGlyphBesideIt)
{
  EXPECT_EQ(Ink(0, 0, 2, 2), 4);
  EXPECT_EQ(stash->texData[0], 255);
  EXPECT_EQ(Ink(0, 0, 512, 512), 4);
  FontAtlasGlyph* g = Glyph('A');
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->x0, 2);
  EXPECT_EQ(g->y0, 0);
  // One empty pixel around the bitmap, ink inside it.
  EXPECT_EQ(Ink(g->x0, g->y0, g->x1, g->y0 + 1) + Ink(g->x0, g->y1 - 1, g->x1, g->y1), 0);
  EXPECT_EQ(Ink(g->x0, g->y0, g->x0 + 1, g->y1) + Ink(g->x1 - 1, g->y0, g->x1, g->y1), 0);
  EXPECT_GT(Ink(g->x0, g->y0, g->x1, g->y1), 40);
}

TEST_F(FontAtlasTest, MetricsFirstThenBitmapIsTheSameRecord)
{
  FontAtlasGlyph* metrics = Glyph('B', 200, 0, kFontAtlasGlyphBitmapOptional);
  ASSERT_NE(metrics, nullptr);
  EXPECT_EQ(metrics->x0, -1);
  EXPECT_EQ(metrics->y0, -1);
  EXPECT_EQ(Ink(0, 0, 512, 512), 4); // nothing rasterised
  const int count = stash->fonts[sans]->nglyphs;
  const int index = (int)(metrics - stash->fonts[sans]->glyphs);
  FontAtlasGlyph* full = Glyph('B');
  ASSERT_NE(full, nullptr);
  EXPECT_EQ(full - stash->fonts[sans]->glyphs, index);
  EXPECT_EQ(stash->fonts[sans]->nglyphs, count);
  EXPECT_EQ(full->x0, 2);
  EXPECT_GT(Ink(full->x0, full->y0, full->x1, full->y1), 40);
  EXPECT_EQ(Glyph('B', 200, 0, kFontAtlasGlyphBitmapOptional), full);
}

struct SizeKey
{
  float size;
  short tenths;
};

class FontAtlasSizeKey : public FontAtlasTest, public ::testing::WithParamInterface<SizeKey>
{
};

TEST_P(FontAtlasSizeKey, SizesAreKeyedInTruncatedTenths)
{
  FontAtlasSetSize(stash, GetParam().size);
  FontAtlasTextIter iter;
  ASSERT_TRUE(FontAtlasTextIterInit(stash, &iter, 0, 0, "x", nullptr, kFontAtlasGlyphBitmapRequired));
  EXPECT_EQ(iter.isize, GetParam().tenths);
  FontAtlasQuad q;
  ASSERT_TRUE(FontAtlasTextIterNext(stash, &iter, &q));
  EXPECT_EQ(stash->fonts[sans]->glyphs[0].size, GetParam().tenths);
}

INSTANTIATE_TEST_SUITE_P(Sizes, FontAtlasSizeKey,
                         ::testing::Values(SizeKey{12.0f, 120}, SizeKey{12.04f, 120}, SizeKey{12.09f, 120},
                                           SizeKey{12.1f, 121}));

TEST_F(FontAtlasTest, SizesInOneTenthShareGlyphs)
{
  for (float size : {12.0f, 12.04f, 12.09f})
  {
    FontAtlasSetSize(stash, size);
    FontAtlasTextBounds(stash, 0, 0, "x", nullptr, nullptr);
  }
  EXPECT_EQ(stash->fonts[sans]->nglyphs, 1);
  FontAtlasSetSize(stash, 12.1f);
  FontAtlasTextBounds(stash, 0, 0, "x", nullptr, nullptr);
  EXPECT_EQ(stash->fonts[sans]->nglyphs, 2);
}

TEST_F(FontAtlasTest, BlurIsCappedAndTruncated)
{
  FontAtlasGlyph* capped = Glyph('o', 200, 25);
  ASSERT_NE(capped, nullptr);
  EXPECT_EQ(capped->blur, 20);
  EXPECT_EQ(Glyph('o', 200, 20), capped);
  // The state's blur is truncated: 0.5 is no blur.
  FontAtlasSetBlur(stash, 0.5f);
  FontAtlasTextIter iter;
  ASSERT_TRUE(FontAtlasTextIterInit(stash, &iter, 0, 0, "o", nullptr, kFontAtlasGlyphBitmapRequired));
  EXPECT_EQ(iter.iblur, 0);
}

TEST_F(FontAtlasTest, BlurSpreadsInkIntoThePaddingAndKeepsTheBorderEmpty)
{
  FontAtlasGlyph* sharp = Glyph('l', 300, 0);
  FontAtlasGlyph* blurred = Glyph('l', 300, 4);
  ASSERT_NE(sharp, nullptr);
  ASSERT_NE(blurred, nullptr);
  // Four more pixels of padding each side.
  EXPECT_EQ(blurred->x1 - blurred->x0, sharp->x1 - sharp->x0 + 8);
  EXPECT_EQ(blurred->xoff, sharp->xoff - 4);
  const int x0 = blurred->x0, y0 = blurred->y0, x1 = blurred->x1, y1 = blurred->y1;
  EXPECT_EQ(Ink(x0, y0, x1, y0 + 1) + Ink(x0, y1 - 1, x1, y1) + Ink(x0, y0, x0 + 1, y1) +
                Ink(x1 - 1, y0, x1, y1),
            0);
  // Ink reaches beyond the unblurred bitmap's box (pad 6 around it), and the stem is no longer solid.
  EXPECT_GT(Ink(x0 + 1, y0 + 1, x0 + 6, y1 - 1), 0);
  int maxValue = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      maxValue = std::max(maxValue, (int)stash->texData[x + y * stash->params.width]);
  EXPECT_LT(maxValue, 255);
}

TEST_F(FontAtlasTest, SizeBelowTwoTenthsGivesNoGlyph)
{
  EXPECT_EQ(Glyph('A', 1), nullptr);
  EXPECT_NE(Glyph('A', 2, 0, kFontAtlasGlyphBitmapOptional), nullptr);
}

TEST_F(FontAtlasTest, MissingCodePointsUseFallbacksThenGlyphZero)
{
  const int mono = FontAtlasAddFont(stash, "mono", "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf", 0);
  const int roboto = FontAtlasAddFont(stash, "roboto", qorvtest::kRobotoPath, 0);
  ASSERT_EQ(mono, 1);
  ASSERT_EQ(roboto, 2);
  // An arrow or technical sign that DejaVu Sans has and Roboto lacks.
  FontAtlasFont* robotoFont = stash->fonts[roboto];
  unsigned int onlyInSans = 0;
  for (unsigned int cp = 0x2190; cp < 0x2400 && !onlyInSans; ++cp)
    if (stbtt_FindGlyphIndex(&robotoFont->font, (int)cp) == 0 &&
        stbtt_FindGlyphIndex(&stash->fonts[sans]->font, (int)cp) != 0)
      onlyInSans = cp;
  ASSERT_NE(onlyInSans, 0u);
  FontAtlasGlyph* missing =
      FontAtlasGetGlyph(stash, robotoFont, onlyInSans, 200, 0, kFontAtlasGlyphBitmapRequired);
  ASSERT_NE(missing, nullptr);
  EXPECT_EQ(missing->index, 0);
  EXPECT_EQ(FontAtlasAddFallbackFont(stash, roboto, mono), 1);
  EXPECT_EQ(FontAtlasAddFallbackFont(stash, roboto, sans), 1);
  FontAtlasGlyph* found =
      FontAtlasGetGlyph(stash, robotoFont, onlyInSans, 210, 0, kFontAtlasGlyphBitmapRequired);
  ASSERT_NE(found, nullptr);
  const int inMono = stbtt_FindGlyphIndex(&stash->fonts[mono]->font, (int)onlyInSans);
  const int inSans = stbtt_FindGlyphIndex(&stash->fonts[sans]->font, (int)onlyInSans);
  EXPECT_EQ(found->index, inMono != 0 ? inMono : inSans);
  // In none of them: glyph 0 of the base font.
  FontAtlasGlyph* none = FontAtlasGetGlyph(stash, robotoFont, 0x4E00, 200, 0, kFontAtlasGlyphBitmapRequired);
  ASSERT_NE(none, nullptr);
  EXPECT_EQ(none->index, 0);
  EXPECT_GT(Ink(none->x0, none->y0, none->x1, none->y1), 10); // the missing-glyph box
}

TEST_F(FontAtlasTest, TwentyFallbacksAtMost)
{
  for (int i = 0; i < kFontAtlasMaxFallbacks; ++i)
    EXPECT_EQ(FontAtlasAddFallbackFont(stash, sans, sans), 1) << i;
  EXPECT_EQ(FontAtlasAddFallbackFont(stash, sans, sans), 0);
  EXPECT_EQ(FontAtlasAddFallbackFont(stash, 7, sans), 0);
  EXPECT_EQ(FontAtlasAddFallbackFont(stash, sans, -1), 0);
}

TEST_F(FontAtlasTest, NamesAreCutToSixtyThreeCharactersAndFoundExactly)
{
  const std::string longName(70, 'n');
  std::vector<unsigned char> data = qorvtest::ReadFileBytes(qorvtest::kDejaVuPath);
  const int id = FontAtlasAddFontMem(stash, longName.c_str(), data.data(), (int)data.size(), 0, 0);
  ASSERT_EQ(id, 1);
  EXPECT_EQ(std::string(stash->fonts[id]->name), longName.substr(0, 63));
  EXPECT_EQ(FontAtlasGetFontByName(stash, longName.substr(0, 63).c_str()), 1);
  EXPECT_EQ(FontAtlasGetFontByName(stash, longName.c_str()), -1);
  EXPECT_EQ(FontAtlasGetFontByName(stash, "Sans"), -1);
  EXPECT_EQ(FontAtlasGetFontByName(stash, nullptr), -1);
  // First match wins.
  EXPECT_EQ(FontAtlasAddFontMem(stash, "sans", data.data(), (int)data.size(), 0, 0), 2);
  EXPECT_EQ(FontAtlasGetFontByName(stash, "sans"), 0);
  // More fonts than the four initial slots.
  for (int i = 3; i < 9; ++i)
    EXPECT_EQ(FontAtlasAddFontMem(stash, "more", data.data(), (int)data.size(), 0, 0), i);
}

TEST_F(FontAtlasTest, UnreadableFilesAreRefused)
{
  EXPECT_EQ(FontAtlasAddFont(stash, "none", "/nonexistent/font.ttf", 0), -1);
  EXPECT_EQ(FontAtlasAddFont(stash, "dir", "/usr/share/fonts", 0), -1);
  EXPECT_EQ(FontAtlasAddFont(stash, "face", qorvtest::kDejaVuPath, 1), -1);
  EXPECT_EQ(stash->nfonts, 1);
}

struct PackCase
{
  const char* name;
  std::vector<std::pair<int, int>> rects;     // packed in order into a 16 x 8 skyline
  std::vector<std::pair<int, int>> positions; // expected, (-1, -1) for a failure
  std::vector<FontAtlasSkylineNode> nodes;
};

class FontAtlasSkylinePacking : public FontAtlasTest, public ::testing::WithParamInterface<PackCase>
{
};

TEST_P(FontAtlasSkylinePacking, PlacesRectanglesAndKeepsTheSkyline)
{
  const PackCase& c = GetParam();
  ASSERT_EQ(FontAtlasResetAtlas(stash, 16, 8), 1);
  // Start from an empty skyline (reset adds the 2 x 2 white rectangle).
  stash->atlas->nnodes = 1;
  stash->atlas->nodes[0] = {0, 0, 16};
  for (size_t i = 0; i < c.rects.size(); ++i)
  {
    int x = -1, y = -1;
    const auto before = Nodes();
    const int ok = FontAtlasAddRect(stash, c.rects[i].first, c.rects[i].second, &x, &y);
    EXPECT_EQ(std::make_pair(ok ? x : -1, ok ? y : -1), c.positions[i]) << i;
    if (!ok)
    {
      const auto after = Nodes();
      ASSERT_EQ(after.size(), before.size());
      for (size_t k = 0; k < after.size(); ++k)
        EXPECT_TRUE(after[k].x == before[k].x && after[k].y == before[k].y &&
                    after[k].width == before[k].width);
    }
  }
  const auto nodes = Nodes();
  ASSERT_EQ(nodes.size(), c.nodes.size());
  for (size_t k = 0; k < nodes.size(); ++k)
  {
    EXPECT_EQ(nodes[k].x, c.nodes[k].x) << k;
    EXPECT_EQ(nodes[k].y, c.nodes[k].y) << k;
    EXPECT_EQ(nodes[k].width, c.nodes[k].width) << k;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FontAtlasSkylinePacking,
    ::testing::Values(
        PackCase{"SideBySide", {{4, 3}, {4, 2}}, {{0, 0}, {4, 0}}, {{0, 3, 4}, {4, 2, 4}, {8, 0, 8}}},
        // The lowest top wins: the 5 x 1 goes on the lower step, not on the floor beyond it.
        PackCase{"LowestTop",
                 {{10, 1}, {6, 4}, {5, 1}},
                 {{0, 0}, {10, 0}, {0, 1}},
                 {{0, 2, 5}, {5, 1, 5}, {10, 4, 6}}},
        // Equal tops: the narrower node wins.
        PackCase{
            "NarrowerOnTie", {{4, 2}, {12, 1}, {2, 1}}, {{0, 0}, {4, 0}, {4, 1}}, {{0, 2, 6}, {6, 1, 10}}},
        // A rectangle spanning nodes sits on the highest of them; the nodes it covers go and equal
        // heights merge.
        PackCase{"SpanAndMerge", {{4, 3}, {4, 2}, {12, 1}}, {{0, 0}, {4, 0}, {4, 2}}, {{0, 3, 16}}},
        // Tops are strict bounds: reaching the atlas's bottom counts only on a node narrower than the atlas.
        PackCase{"TooWideOrTooTall",
                 {{17, 1}, {1, 9}, {16, 8}, {16, 7}, {1, 1}},
                 {{-1, -1}, {-1, -1}, {-1, -1}, {0, 0}, {-1, -1}},
                 {{0, 7, 16}}},
        PackCase{"EmptyRectangles", {{0, 3}, {3, 0}}, {{-1, -1}, {-1, -1}}, {{0, 0, 16}}}),
    [](const ::testing::TestParamInfo<PackCase>& info) { return std::string(info.param.name); });

TEST_F(FontAtlasTest, FullAtlasYieldsNoGlyphUntilTheCallbackMakesRoom)
{
  ASSERT_EQ(FontAtlasResetAtlas(stash, 64, 64), 1);
  int made = 0;
  while (Glyph(0x41 + (unsigned)made, 300) && made < 100)
    ++made;
  ASSERT_LT(made, 100);
  EXPECT_EQ(Glyph(0x41 + (unsigned)made, 300), nullptr); // no callback: simply no glyph
  FontAtlasSetErrorCallback(stash, OnError, &rec);
  rec.expandOnFull = 64;
  FontAtlasGlyph* g = Glyph(0x41 + (unsigned)made, 300);
  ASSERT_NE(g, nullptr); // retried once after the callback grew the atlas
  ASSERT_EQ(rec.errors.size(), 1u);
  EXPECT_EQ(rec.errors[0].first, kFontAtlasAtlasFull);
  EXPECT_GE(g->y1, 64);
  EXPECT_EQ(stash->params.height, 128);
}

TEST_F(FontAtlasTest, ResetForgetsGlyphsAndLeavesOnlyTheWhiteRectangle)
{
  for (const char* c = "Hamburgefonstiv"; *c; ++c)
    Glyph((unsigned)*c);
  ASSERT_GT(stash->fonts[sans]->nglyphs, 10);
  ASSERT_EQ(FontAtlasResetAtlas(stash, 256, 128), 1);
  EXPECT_EQ(stash->fonts[sans]->nglyphs, 0);
  for (int b = 0; b < kFontAtlasHashSize; ++b)
    ASSERT_EQ(stash->fonts[sans]->lut[b], -1);
  EXPECT_EQ(Ink(0, 0, 256, 128), 4);
  int dirty[4];
  ASSERT_EQ(FontAtlasValidateTexture(stash, dirty), 1);
  EXPECT_EQ(std::vector<int>(dirty, dirty + 4), (std::vector<int>{0, 0, 2, 2}));
  EXPECT_EQ(FontAtlasValidateTexture(stash, dirty), 0); // reset by the query
  int w, h;
  FontAtlasGetTextureData(stash, &w, &h);
  EXPECT_EQ(w, 256);
  EXPECT_EQ(h, 128);
  EXPECT_EQ(stash->itw, 1.0f / 256);
  EXPECT_EQ(Glyph('A')->x0, 2); // packs again from the start
  EXPECT_EQ(FontAtlasResetAtlas(stash, 0, 128), 0);
  EXPECT_EQ(FontAtlasResetAtlas(stash, 40000, 128), 0);
  EXPECT_EQ(stash->params.width, 256);
}

TEST_F(FontAtlasTest, ExpandKeepsGlyphsInPlace)
{
  ASSERT_EQ(FontAtlasResetAtlas(stash, 64, 64), 1);
  FontAtlasGlyph* a = Glyph('A');
  const int x0 = a->x0, y0 = a->y0, x1 = a->x1, y1 = a->y1;
  const int ink = Ink(x0, y0, x1, y1);
  int dirty[4];
  FontAtlasValidateTexture(stash, dirty);
  EXPECT_EQ(FontAtlasExpandAtlas(stash, 32, 32), 1); // never shrinks: same size, nothing to do
  EXPECT_EQ(FontAtlasValidateTexture(stash, dirty), 0);
  ASSERT_EQ(FontAtlasExpandAtlas(stash, 128, 96), 1);
  EXPECT_EQ(stash->params.width, 128);
  EXPECT_EQ(stash->params.height, 96);
  EXPECT_EQ(Glyph('A'), a);
  EXPECT_EQ(Ink(x0, y0, x1, y1), ink);
  ASSERT_EQ(FontAtlasValidateTexture(stash, dirty), 1);
  EXPECT_EQ(std::vector<int>(dirty, dirty + 4), (std::vector<int>{0, 0, 64, y1}));
  // The new strip on the right is packable from the top, and taller rectangles now fit.
  const auto nodes = Nodes();
  EXPECT_EQ(nodes.back().x, 64);
  EXPECT_EQ(nodes.back().width, 64);
  int x, y;
  ASSERT_EQ(FontAtlasAddRect(stash, 60, 90, &x, &y), 1);
  EXPECT_GT(x + 60, 64);
  EXPECT_EQ(y, 0);
}

TEST_F(FontAtlasTest, QuadsInsetTheBorderAndFollowTheOrigin)
{
  FontAtlasGlyph* g = Glyph('H', 200);
  ASSERT_NE(g, nullptr);
  float x = 10.5f, y = 50;
  FontAtlasQuad q;
  FontAtlasGetQuad(stash, stash->fonts[sans], -1, g, 0.01f, 0, &x, &y, &q);
  EXPECT_EQ(q.x0, (float)(int)(10.5f + g->xoff + 1));
  EXPECT_EQ(q.y0, (float)(int)(50 + g->yoff + 1));
  EXPECT_EQ(q.x1 - q.x0, (float)(g->x1 - g->x0 - 2));
  EXPECT_EQ(q.y1 - q.y0, (float)(g->y1 - g->y0 - 2));
  EXPECT_EQ(q.s0, (g->x0 + 1) / 512.0f);
  EXPECT_EQ(q.t1, (g->y1 - 1) / 512.0f);
  EXPECT_EQ(x, 10.5f + (float)(int)(g->xadv / 10.0f + 0.5f));

  Create(512, 512, kFontAtlasZeroBottomLeft);
  g = Glyph('H', 200);
  x = 10, y = 50;
  FontAtlasGetQuad(stash, stash->fonts[sans], -1, g, 0.01f, 0, &x, &y, &q);
  EXPECT_EQ(q.y0, (float)(int)(50 - (g->yoff + 1)));
  EXPECT_EQ(q.y1, q.y0 - (g->y1 - g->y0 - 2)); // y grows upwards
}

TEST_F(FontAtlasTest, SpacingAndKerningMoveThePenByWholePixels)
{
  FontAtlasGlyph* a = Glyph('A', 400, 0, kFontAtlasGlyphBitmapOptional);
  FontAtlasGlyph* v = Glyph('V', 400, 0, kFontAtlasGlyphBitmapOptional);
  const float scale = 40.0f / (stash->fonts[sans]->ascent - stash->fonts[sans]->descent);
  const int kern = stbtt_GetGlyphKernAdvance(&stash->fonts[sans]->font, a->index, v->index);
  ASSERT_LT(kern, 0);
  float x = 0, y = 0;
  FontAtlasQuad q;
  FontAtlasGetQuad(stash, stash->fonts[sans], a->index, v, scale, 2.0f, &x, &y, &q);
  EXPECT_EQ(x, (float)(int)(kern * scale + 2.0f + 0.5f) + (float)(int)(v->xadv / 10.0f + 0.5f));
}

struct AlignCase
{
  int align;
  float dx;     // x moved left by this part of the advance
  int vertical; // 0 none, 1 ascender, 2 middle, 3 descender
};

class FontAtlasAlignment : public FontAtlasTest, public ::testing::WithParamInterface<AlignCase>
{
};

TEST_P(FontAtlasAlignment, MovesBoundsAndPen)
{
  FontAtlasSetSize(stash, 20);
  const float advance = FontAtlasTextBounds(stash, 100, 100, "Tag", nullptr, nullptr);
  FontAtlasSetAlign(stash, GetParam().align);
  float b[4];
  EXPECT_EQ(FontAtlasTextBounds(stash, 100, 100, "Tag", nullptr, b), advance);
  FontAtlasFont* f = stash->fonts[sans];
  const float offsets[] = {0, f->ascender * 200 / 10.0f, (f->ascender + f->descender) / 2.0f * 200 / 10.0f,
                           f->descender * 200 / 10.0f};
  const float dy = offsets[GetParam().vertical];
  FontAtlasTextIter iter;
  ASSERT_TRUE(FontAtlasTextIterInit(stash, &iter, 100, 100, "Tag", nullptr, kFontAtlasGlyphBitmapOptional));
  EXPECT_EQ(iter.x, 100 - GetParam().dx * advance);
  EXPECT_EQ(iter.y, 100 + dy);
  float miny, maxy;
  FontAtlasLineBounds(stash, 100, &miny, &maxy);
  EXPECT_FLOAT_EQ(miny, 100 + dy - f->ascender * 20);
  EXPECT_FLOAT_EQ(maxy - miny, f->lineh * 20);
  EXPECT_LE(b[0], 100 - GetParam().dx * advance + 2);
  EXPECT_GE(b[2], 100 - GetParam().dx * advance + advance - 2);
}

INSTANTIATE_TEST_SUITE_P(
    Bits, FontAtlasAlignment,
    ::testing::Values(AlignCase{kFontAtlasAlignLeft | kFontAtlasAlignBaseline, 0, 0},
                      AlignCase{kFontAtlasAlignRight | kFontAtlasAlignTop, 1, 1},
                      AlignCase{kFontAtlasAlignCenter | kFontAtlasAlignMiddle, 0.5f, 2},
                      AlignCase{kFontAtlasAlignCenter | kFontAtlasAlignBottom, 0.5f, 3},
                      // Left wins over right and centre; top over the other vertical bits.
                      AlignCase{kFontAtlasAlignLeft | kFontAtlasAlignRight | kFontAtlasAlignTop |
                                    kFontAtlasAlignBottom,
                                0, 1}));

TEST_F(FontAtlasTest, InvalidUtf8StopsTheText)
{
  const char text[] = "AB\xFF"
                      "CD";
  FontAtlasTextIter iter;
  ASSERT_TRUE(FontAtlasTextIterInit(stash, &iter, 0, 0, text, nullptr, kFontAtlasGlyphBitmapRequired));
  FontAtlasQuad q;
  std::vector<unsigned int> seen;
  int steps = 0;
  while (FontAtlasTextIterNext(stash, &iter, &q))
  {
    ++steps;
    if (iter.utf8state == 0) seen.push_back(iter.codepoint);
  }
  EXPECT_EQ(seen, (std::vector<unsigned int>{'A', 'B'}));
  EXPECT_EQ(steps, 3);
  EXPECT_EQ(iter.next, text + strlen(text));
  // Bounds stop there too.
  const float ab = FontAtlasTextBounds(stash, 0, 0, "AB", nullptr, nullptr);
  EXPECT_EQ(FontAtlasTextBounds(stash, 0, 0, text, nullptr, nullptr), ab);
}

TEST_F(FontAtlasTest, TextEndingInsideASequenceMakesNoQuad)
{
  const char text[] = "A\xC3"; // a two-byte sequence cut after its first byte
  FontAtlasTextIter iter;
  ASSERT_TRUE(FontAtlasTextIterInit(stash, &iter, 0, 0, text, nullptr, kFontAtlasGlyphBitmapRequired));
  FontAtlasQuad q;
  ASSERT_TRUE(FontAtlasTextIterNext(stash, &iter, &q));
  const FontAtlasQuad first = q;
  const int prev = iter.prevGlyphIndex;
  ASSERT_TRUE(FontAtlasTextIterNext(stash, &iter, &q));
  EXPECT_NE(iter.utf8state, 0u);
  EXPECT_EQ(iter.prevGlyphIndex, prev);
  EXPECT_EQ(memcmp(&q, &first, sizeof(q)), 0);
  EXPECT_FALSE(FontAtlasTextIterNext(stash, &iter, &q));
}

TEST_F(FontAtlasTest, IteratorNeedsAValidFont)
{
  FontAtlasTextIter iter;
  FontAtlasSetFont(stash, 3);
  EXPECT_EQ(FontAtlasTextIterInit(stash, &iter, 0, 0, "A", nullptr, 2), 0);
  EXPECT_EQ(FontAtlasTextBounds(stash, 0, 0, "A", nullptr, nullptr), 0);
  FontAtlasSetFont(stash, -1);
  EXPECT_EQ(FontAtlasTextIterInit(stash, &iter, 0, 0, "A", nullptr, 2), 0);
  float asc = 7;
  FontAtlasVertMetrics(stash, &asc, nullptr, nullptr);
  EXPECT_EQ(asc, 7);
}

TEST_F(FontAtlasTest, StateStackHoldsTwentyStates)
{
  FontAtlasSetErrorCallback(stash, OnError, &rec);
  const FontAtlasState cleared = stash->states[0];
  EXPECT_EQ(cleared.size, 12.0f);
  EXPECT_EQ(cleared.align, 0x41);
  EXPECT_EQ(cleared.color, 0xFFFFFFFFu);
  FontAtlasSetSize(stash, 30);
  for (int i = 1; i < kFontAtlasMaxStates; ++i)
    FontAtlasPushState(stash);
  EXPECT_EQ(stash->nstates, 20);
  EXPECT_EQ(stash->states[19].size, 30.0f);
  FontAtlasPushState(stash);
  EXPECT_EQ(stash->nstates, 20);
  ASSERT_EQ(rec.errors.size(), 1u);
  EXPECT_EQ(rec.errors[0], std::make_pair((int)kFontAtlasStatesOverflow, 0));
  FontAtlasSetColor(stash, 0xFF0000FF);
  FontAtlasClearState(stash);
  EXPECT_EQ(stash->states[19].size, 12.0f);
  for (int i = 1; i < kFontAtlasMaxStates; ++i)
    FontAtlasPopState(stash);
  EXPECT_EQ(stash->nstates, 1);
  EXPECT_EQ(stash->states[0].size, 30.0f);
  FontAtlasPopState(stash);
  EXPECT_EQ(stash->nstates, 1);
  ASSERT_EQ(rec.errors.size(), 2u);
  EXPECT_EQ(rec.errors[1].first, kFontAtlasStatesUnderflow);
}

TEST_F(FontAtlasTest, OwnDrawingBatchesSixVerticesAGlyphAndUploadsFirst)
{
  std::string text(200, 'x'); // 1,200 vertices: one flush at 1,020, the rest at the end
  FontAtlasSetSize(stash, 10);
  const float end = FontAtlasDrawText(stash, 5, 20, text.c_str(), nullptr);
  EXPECT_GT(end, 5);
  ASSERT_EQ(rec.drawCounts, (std::vector<int>{1020, 180}));
  ASSERT_GE(rec.updates.size(), 1u);
  EXPECT_EQ(rec.updates[0][0], 0); // the white rectangle and the glyph
  // Spaces draw nothing visible but still make quads; a broken byte ends the text.
  rec.drawCounts.clear();
  FontAtlasDrawText(stash, 5, 20, "a b\xFFzz", nullptr);
  EXPECT_EQ(rec.drawCounts, (std::vector<int>{18}));
  rec.drawCounts.clear();
  FontAtlasDrawDebug(stash, 0, 0);
  EXPECT_EQ(rec.drawCounts, (std::vector<int>{12 + 6 * stash->atlas->nnodes}));
}

TEST_F(FontAtlasTest, ScratchOverflowIsReportedAndServedFromTheHeap)
{
  FontAtlasSetErrorCallback(stash, OnError, &rec);
  stash->nscratch = 0;
  void* inside = FontAtlasScratchAlloc(1000, stash);
  EXPECT_EQ(stash->nscratch, 1008);
  void* outside = FontAtlasScratchAlloc(kFontAtlasScratchSize, stash);
  ASSERT_NE(outside, nullptr);
  ASSERT_EQ(rec.errors.size(), 1u);
  EXPECT_EQ(rec.errors[0], std::make_pair((int)kFontAtlasScratchFull, (int)kFontAtlasScratchSize));
  memset(outside, 1, kFontAtlasScratchSize);
  FontAtlasScratchFree(inside, stash);
  FontAtlasScratchFree(outside, stash); // the sanitizer reports a leak or a bad free otherwise
  // A huge glyph still renders.
  ASSERT_EQ(FontAtlasResetAtlas(stash, 2048, 2048), 1);
  FontAtlasGlyph* g = Glyph('@', 15000);
  ASSERT_NE(g, nullptr);
  EXPECT_GT(Ink(g->x0, g->y0, g->x1, g->y1), 100000);
}

} // namespace

namespace
{
TEST(FontAtlasCallbacks, CreateAndResizeCallbacksCanRefuse)
{
  FontAtlasParams params;
  params.width = 64;
  params.height = 64;
  params.flags = kFontAtlasZeroTopLeft;
  params.renderCreate = [](void*, int, int) { return 0; };
  EXPECT_EQ(FontAtlasCreate(&params), nullptr);
  params.renderCreate = nullptr;
  params.renderResize = [](void*, int w, int) { return w <= 128 ? 1 : 0; };
  int deleted = 0;
  params.userPtr = &deleted;
  params.renderDelete = [](void* up) { ++*(int*)up; };
  FontAtlas* stash = FontAtlasCreate(&params);
  ASSERT_NE(stash, nullptr);
  EXPECT_EQ(FontAtlasExpandAtlas(stash, 128, 64), 1);
  EXPECT_EQ(FontAtlasExpandAtlas(stash, 256, 64), 0);
  EXPECT_EQ(FontAtlasResetAtlas(stash, 256, 256), 0);
  EXPECT_EQ(stash->params.width, 128); // a refused size changes nothing
  EXPECT_EQ(FontAtlasResetAtlas(stash, 32, 32), 1);
  FontAtlasDelete(stash);
  EXPECT_EQ(deleted, 1);
  for (auto [w, h] : {std::pair{0, 64}, std::pair{64, -1}, std::pair{40000, 64}})
  {
    params.width = w;
    params.height = h;
    EXPECT_EQ(FontAtlasCreate(&params), nullptr) << w << "x" << h;
  }
  EXPECT_EQ(FontAtlasCreate(nullptr), nullptr);
}
} // namespace
