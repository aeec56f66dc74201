// Text on the vector context, recorded: the text scale, drawn glyph quads and atlas uploads, atlas growth
// across images, measurement, glyph positions, line breaking and text boxes.
#include "graphics/vector/FontAtlas.h"
#include "graphics/vector/VGtext.h"
#include "tests/vector/FontTestFiles.h"
#include "tests/vector/VectorTestContext.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using namespace iplugin::igraphics;

namespace
{
class TextTest : public ::testing::Test
{
protected:
  void SetUp() override { Load(); }

  void Load()
  {
    ctx = t->ctx;
    sans = vgCreateFont(ctx, "sans", qorvtest::kDejaVuPath);
    ASSERT_EQ(sans, 0);
    vgFontFace(ctx, "sans");
  }
  void Restart(float ratio)
  {
    t = std::make_unique<qorvtest::RecordingContext>(kVGAntialias, ratio);
    Load();
  }
  std::vector<MVGcall> TextCalls() const
  {
    std::vector<MVGcall> calls;
    for (int i = 0; i < t->r->recording.ncalls; ++i)
      if (t->Call(i).type == kMVGTriangles) calls.push_back(t->Call(i));
    return calls;
  }
  std::vector<VGvertex> Verts(const MVGcall& c) const
  {
    return {t->r->recording.verts + c.triangleOffset,
            t->r->recording.verts + c.triangleOffset + c.triangleCount};
  }
  int Count(const char* name) const
  {
    return (int)std::count(t->r->log->begin(), t->r->log->end(), std::string(name));
  }
  std::pair<int, int> ImageSize(int image) const
  {
    const VGrecordedTexture* tex = t->r->FindTexture(image);
    return tex ? std::make_pair(tex->width, tex->height) : std::make_pair(0, 0);
  }

  std::unique_ptr<qorvtest::RecordingContext> t = std::make_unique<qorvtest::RecordingContext>();
  VGcontext* ctx = nullptr;
  int sans = -1;
};

struct ScaleCase
{
  float transformScale;
  float ratio;
  float textScale;
};

class TextScale : public TextTest, public ::testing::WithParamInterface<ScaleCase>
{
};

TEST_P(TextScale, IsQuantisedCappedAndTimesTheRatio)
{
  Restart(GetParam().ratio);
  vgFontSize(ctx, 10);
  vgScale(ctx, GetParam().transformScale, GetParam().transformScale);
  vgText(ctx, 0, 0, "x", nullptr);
  EXPECT_FLOAT_EQ(ctx->fs->states[0].size, 10 * GetParam().textScale);
}

INSTANTIATE_TEST_SUITE_P(Cases, TextScale,
                         ::testing::Values(ScaleCase{1.0f, 1, 1.0f}, ScaleCase{1.004f, 1, 1.0f},
                                           ScaleCase{1.006f, 1, 1.01f}, ScaleCase{8.0f, 1, 4.0f},
                                           ScaleCase{1.0f, 2, 2.0f}, ScaleCase{3.0f, 2, 6.0f}));

TEST_F(TextTest, GlyphsAreRasterisedAtTheTextScaleAndMappedBack)
{
  vgFontSize(ctx, 12);
  vgScale(ctx, 8, 8); // text scale 4: the glyph is made at 48 px and drawn scaled by 2 more
  const float end = vgText(ctx, 1, 2, "H", nullptr);
  const auto calls = TextCalls();
  ASSERT_EQ(calls.size(), 1u);
  const auto v = Verts(calls[0]);
  ASSERT_EQ(v.size(), 6u);
  FontAtlasFont* f = ctx->fs->fonts[sans];
  FontAtlasGlyph* g = FontAtlasGetGlyph(ctx->fs, f, 'H', 480, 0, kFontAtlasGlyphBitmapOptional);
  // Quad corners of the glyph at (4, 8) device units of the cache, divided by 4, then scaled by 8.
  const float qx0 = (float)(int)(4 + g->xoff + 1), qy0 = (float)(int)(8 + g->yoff + 1);
  EXPECT_FLOAT_EQ(v[0].x, qx0 / 4 * 8);
  EXPECT_FLOAT_EQ(v[0].y, qy0 / 4 * 8);
  EXPECT_FLOAT_EQ(v[1].x - v[0].x, (float)(g->x1 - g->x0 - 2) / 4 * 8);
  // Triangles (x0 y0)(x1 y1)(x1 y0)(x0 y0)(x0 y1)(x1 y1) with matching texture corners.
  EXPECT_EQ(v[3].x, v[0].x);
  EXPECT_EQ(v[2].x, v[1].x);
  EXPECT_EQ(v[2].y, v[0].y);
  EXPECT_EQ(v[4].x, v[0].x);
  EXPECT_EQ(v[4].y, v[1].y);
  EXPECT_EQ(v[5].x, v[1].x);
  EXPECT_FLOAT_EQ(v[0].u, (g->x0 + 1) / 512.0f);
  EXPECT_FLOAT_EQ(v[1].v, (g->y1 - 1) / 512.0f);
  // The returned pen is in user space.
  EXPECT_FLOAT_EQ(end, (4 + (float)(int)(g->xadv / 10.0f + 0.5f)) / 4);
  EXPECT_EQ(calls[0].image, ctx->fontImages[0]);
  EXPECT_EQ(ctx->textTriCount, 2);
}

TEST_F(TextTest, DirtyAtlasRegionIsUploadedOncePerRun)
{
  vgFontSize(ctx, 20);
  vgText(ctx, 10, 30, "Qorv", nullptr);
  EXPECT_EQ(Count("renderUpdateTexture"), 1);
  // The image now holds the atlas's pixels.
  const VGrecordedTexture* tex = t->r->FindTexture(ctx->fontImages[0]);
  ASSERT_NE(tex, nullptr);
  int w, h;
  const unsigned char* atlas = FontAtlasGetTextureData(ctx->fs, &w, &h);
  EXPECT_EQ(memcmp(tex->pixels.data(), atlas, (size_t)(w * h)), 0);
  // The same glyphs again: nothing to upload.
  vgText(ctx, 10, 60, "vroQ", nullptr);
  EXPECT_EQ(Count("renderUpdateTexture"), 1);
}

TEST_F(TextTest, GlobalAlphaAndFillPaintReachTheTextCall)
{
  vgFillColor(ctx, vgRGBAf(1, 0, 0, 0.5f));
  vgGlobalAlpha(ctx, 0.5f);
  vgFontSize(ctx, 14);
  vgText(ctx, 0, 20, "a", nullptr);
  const auto calls = TextCalls();
  ASSERT_EQ(calls.size(), 1u);
  const MVGfragUniforms& u = t->CallUniforms(
      (int)(std::find_if(t->r->recording.calls, t->r->recording.calls + t->r->recording.ncalls,
                         [](const MVGcall& c) { return c.type == kMVGTriangles; }) -
            t->r->recording.calls));
  EXPECT_FLOAT_EQ(u.innerCol[3], 0.25f);
  EXPECT_FLOAT_EQ(u.innerCol[0], 0.25f); // premultiplied
  EXPECT_EQ(u.texType, kMVGTexAlpha);
}

TEST_F(TextTest, NoFontDrawsAndMeasuresNothing)
{
  vgFontFace(ctx, "no such font");
  EXPECT_EQ(vgGetState(ctx)->fontId, -1);
  EXPECT_EQ(vgText(ctx, 12, 30, "text", nullptr), 12);
  EXPECT_TRUE(TextCalls().empty());
  float b[4] = {1, 2, 3, 4};
  EXPECT_EQ(vgTextBounds(ctx, 0, 0, "text", nullptr, b), 0);
  EXPECT_EQ(std::vector<float>(b, b + 4), std::vector<float>(4, 0.0f));
  VGtextRow rows[4];
  EXPECT_EQ(vgTextBreakLines(ctx, "a b", nullptr, 100, rows, 4), 0);
  vgTextBoxBounds(ctx, 5, 5, 100, "a b", nullptr, b);
  EXPECT_EQ(std::vector<float>(b, b + 4), std::vector<float>(4, 0.0f));
  float asc = 9;
  vgTextMetrics(ctx, &asc, nullptr, nullptr);
  EXPECT_EQ(asc, 9);
  vgFontFace(ctx, nullptr);
  EXPECT_EQ(vgGetState(ctx)->fontId, -1);
}

TEST_F(TextTest, FontsAreFoundByNameAndFallbacksByNameOrId)
{
  EXPECT_EQ(vgFindFont(ctx, "sans"), 0);
  EXPECT_EQ(vgFindFont(ctx, nullptr), -1);
  const std::vector<unsigned char> bytes = qorvtest::ReadFileBytes(qorvtest::kRobotoPath);
  auto* data = (unsigned char*)malloc(bytes.size());
  memcpy(data, bytes.data(), bytes.size());
  EXPECT_EQ(vgCreateFontMem(ctx, "Roboto-Regular.ttf", data, (int)bytes.size(), 1), 1); // the cache frees it
  EXPECT_EQ(vgCreateFontAtIndex(ctx, "bold", qorvtest::kDejaVuBoldPath, 0), 2);
  EXPECT_EQ(vgCreateFontMemAtIndex(ctx, "bad", data, 10, 0, 0), -1);
  EXPECT_EQ(vgAddFallbackFont(ctx, "Roboto-Regular.ttf", "sans"), 1);
  EXPECT_EQ(vgAddFallbackFont(ctx, "Roboto-Regular.ttf", "missing"), 0);
  EXPECT_EQ(vgAddFallbackFontId(ctx, -1, 0), 0);
  EXPECT_EQ(vgAddFallbackFontId(ctx, 1, 2), 1);
  EXPECT_EQ(ctx->fs->fonts[1]->nfallbacks, 2);
}

TEST_F(TextTest, BoundsSpanTheLineNotTheGlyphs)
{
  vgFontSize(ctx, 20);
  vgTextAlign(ctx, kVGAlignLeft | kVGAlignBaseline);
  float b[4];
  const float advance = vgTextBounds(ctx, 10, 50, "ace", nullptr, b);
  const float expected = FontAtlasTextBounds(ctx->fs, 10, 50, "ace", nullptr, nullptr);
  EXPECT_EQ(advance, expected);
  FontAtlasFont* f = ctx->fs->fonts[sans];
  EXPECT_FLOAT_EQ(b[1], 50 - f->ascender * 20);
  EXPECT_FLOAT_EQ(b[3], b[1] + f->lineh * 20);
  // "ace" has no ascenders or descenders: the glyphs alone span much less.
  float glyphs[4];
  FontAtlasTextBounds(ctx->fs, 10, 50, "ace", nullptr, glyphs);
  EXPECT_LT(b[1], glyphs[1] - 3);
  EXPECT_GT(b[3], glyphs[3] + 2);
  EXPECT_LE(b[0], 11);
  EXPECT_NEAR(b[2], 10 + advance, 2);
  float asc, desc, lh;
  vgTextMetrics(ctx, &asc, &desc, &lh);
  EXPECT_FLOAT_EQ(asc, f->ascender * 20);
  EXPECT_FLOAT_EQ(desc, f->descender * 20);
  EXPECT_FLOAT_EQ(lh, f->lineh * 20);
}

TEST_F(TextTest, MetricsAreInUserSpaceAtAnyRatio)
{
  Restart(2.0f);
  vgFontSize(ctx, 15);
  float asc, desc, lh;
  vgTextMetrics(ctx, &asc, &desc, &lh);
  FontAtlasFont* f = ctx->fs->fonts[sans];
  EXPECT_FLOAT_EQ(asc, f->ascender * 15);
  EXPECT_FLOAT_EQ(lh, f->lineh * 15);
  float b[4];
  vgTextBounds(ctx, 0, 0, "ace", nullptr, b);
  EXPECT_FLOAT_EQ(b[1], -f->ascender * 15);
}

// Many large distinct glyphs fill a 512 x 512 atlas in one run.
std::string ManyGlyphs()
{
  std::string s;
  for (unsigned c = 0x21; c < 0x7F; ++c)
    s += (char)c;
  for (unsigned c = 0xC0; c < 0x100; ++c)
  {
    s += (char)(0xC0 | (c >> 6));
    s += (char)(0x80 | (c & 0x3F));
  }
  return s;
}

TEST_F(TextTest, RunThatOverflowsTheAtlasMovesToALargerImage)
{
  vgFontSize(ctx, 75);
  const int first = ctx->fontImages[0];
  const std::string text = ManyGlyphs();
  vgText(ctx, 0, 100, text.c_str(), nullptr);
  ASSERT_EQ(ctx->fontImageIdx, 1);
  const int second = ctx->fontImages[1];
  EXPECT_EQ(ImageSize(second), std::make_pair(1024, 512));
  const auto calls = TextCalls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].image, first); // glyphs before the switch
  EXPECT_EQ(calls[1].image, second);
  // Every glyph of the run is drawn once, across the two calls.
  EXPECT_EQ((calls[0].triangleCount + calls[1].triangleCount) / 6, 94 + 64);
  EXPECT_EQ(Count("renderUpdateTexture"), 2); // before the switch and at the end
  int w, h;
  FontAtlasGetAtlasSize(ctx->fs, &w, &h);
  EXPECT_EQ(std::make_pair(w, h), std::make_pair(1024, 512));

  // The frame's end keeps only the larger image, in slot 0.
  vgEndFrame(ctx);
  EXPECT_EQ(ctx->fontImages[0], second);
  EXPECT_EQ(ctx->fontImageIdx, 0);
  EXPECT_EQ(ctx->fontImages[1], 0);
  EXPECT_EQ(t->r->FindTexture(first), nullptr);
}

TEST_F(TextTest, AtlasImagesGrowToFourPerFrameAndTo2048)
{
  std::vector<std::pair<int, int>> sizes;
  while (vgAllocTextAtlas(ctx))
    sizes.push_back(ImageSize(ctx->fontImages[ctx->fontImageIdx]));
  EXPECT_EQ(sizes, (std::vector<std::pair<int, int>>{{1024, 512}, {1024, 1024}, {2048, 1024}}));
  int w, h;
  FontAtlasGetAtlasSize(ctx->fs, &w, &h);
  EXPECT_EQ(std::make_pair(w, h), std::make_pair(2048, 1024));
  vgEndFrame(ctx);
  EXPECT_EQ(ImageSize(ctx->fontImages[0]), std::make_pair(2048, 1024));
  EXPECT_EQ(Count("renderDeleteTexture"), 3);
  vgBeginFrame(ctx, 400, 300, 1);
  ASSERT_EQ(vgAllocTextAtlas(ctx), 1);
  EXPECT_EQ(ImageSize(ctx->fontImages[1]), std::make_pair(2048, 2048));
  ASSERT_EQ(vgAllocTextAtlas(ctx), 1);
  EXPECT_EQ(ImageSize(ctx->fontImages[2]), std::make_pair(2048, 2048));
}

TEST_F(TextTest, AtlasGrowthReusesTheImageInTheNextSlot)
{
  ASSERT_EQ(vgAllocTextAtlas(ctx), 1);
  ASSERT_EQ(vgAllocTextAtlas(ctx), 1); // 512, 1024x512, 1024x1024
  ctx->fontImageIdx = 1;               // a 1024 x 1024 image waits in slot 2
  const int created = Count("renderCreateTexture");
  ASSERT_EQ(vgAllocTextAtlas(ctx), 1);
  EXPECT_EQ(Count("renderCreateTexture"), created);
  int w, h;
  FontAtlasGetAtlasSize(ctx->fs, &w, &h);
  EXPECT_EQ(std::make_pair(w, h), std::make_pair(1024, 1024));
}

TEST_F(TextTest, FailedImageKeepsTheCurrentOne)
{
  t->r->failTextures = true;
  EXPECT_EQ(vgAllocTextAtlas(ctx), 0);
  EXPECT_EQ(ctx->fontImageIdx, 0);
  int w, h;
  FontAtlasGetAtlasSize(ctx->fs, &w, &h);
  EXPECT_EQ(w, 512);
}

TEST_F(TextTest, BrokenTailMakesNoExtraGlyph)
{
  vgFontSize(ctx, 14);
  vgText(ctx, 0, 20, "A\xC3", nullptr);
  const auto calls = TextCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].triangleCount, 6);
}

TEST_F(TextTest, BrokenHeadDrawsNothingAndKeepsTheAtlas)
{
  // A step that decodes no code point has no glyph, but it is no sign of a full atlas.
  vgFontSize(ctx, 14);
  vgText(ctx, 0, 20, "A", nullptr);
  vgText(ctx, 0, 20,
         "\xFF"
         "B",
         nullptr);
  vgText(ctx, 0, 20, "\xC3", nullptr);
  EXPECT_EQ(ctx->fontImageIdx, 0);
  EXPECT_EQ(Count("renderCreateTexture"), 1);
  const auto calls = TextCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].triangleCount, 6);
}

TEST_F(TextTest, TooSmallTextDrawsNothingAndKeepsTheAtlas)
{
  vgFontSize(ctx, 0.1f);
  EXPECT_EQ(vgText(ctx, 3, 20, "tiny", nullptr), 3);
  EXPECT_EQ(ctx->fontImageIdx, 0);
  vgFontSize(ctx, 14);
  vgScale(ctx, 0, 0);
  EXPECT_EQ(vgText(ctx, 3, 20, "collapsed", nullptr), 3);
  EXPECT_EQ(ctx->fontImageIdx, 0);
  EXPECT_TRUE(TextCalls().empty());
}

TEST_F(TextTest, GlyphPositionsFollowThePen)
{
  vgFontSize(ctx, 16);
  const char* text = "Wave\xC3\xA9";
  VGglyphPosition pos[8];
  const int n = vgTextGlyphPositions(ctx, 10, 20, text, nullptr, pos, 8);
  ASSERT_EQ(n, 5);
  EXPECT_EQ(pos[0].str, text);
  EXPECT_EQ(pos[4].str, text + 4);
  EXPECT_EQ(pos[0].x, 10);
  for (int i = 1; i < n; ++i)
  {
    EXPECT_GT(pos[i].x, pos[i - 1].x);
    EXPECT_LE(pos[i].minx, pos[i].x + 1);
  }
  EXPECT_EQ(vgTextGlyphPositions(ctx, 10, 20, text, nullptr, pos, 2), 2);
  EXPECT_EQ(vgTextGlyphPositions(ctx, 10, 20, text, nullptr, pos, 0), 0);
  EXPECT_EQ(vgTextGlyphPositions(ctx, 10, 20, text, text, pos, 8), 0);
  // Measuring never rasterises or grows the atlas.
  EXPECT_EQ(Count("renderUpdateTexture"), 0);
}

struct BreakCase
{
  const char* name;
  const char* text;
  float widthInGlyphs; // of the advance of 'a' at 20 px
  std::vector<std::string> rows;
};

class TextBreakLines : public TextTest, public ::testing::WithParamInterface<BreakCase>
{
};

TEST_P(TextBreakLines, BreaksAtSpacesNewlinesAndWideCharacters)
{
  vgFontSize(ctx, 20);
  const float glyph = vgTextBounds(ctx, 0, 0, "a", nullptr, nullptr);
  const BreakCase& c = GetParam();
  VGtextRow rows[16];
  const int n = vgTextBreakLines(ctx, c.text, nullptr, c.widthInGlyphs * glyph, rows, 16);
  std::vector<std::string> got;
  for (int i = 0; i < n; ++i)
    got.emplace_back(rows[i].start, rows[i].end);
  EXPECT_EQ(got, c.rows);
  // Rows follow each other and widths stay within the break width unless one glyph alone is wider.
  for (int i = 0; i + 1 < n; ++i)
    EXPECT_LE(rows[i].next, rows[i + 1].start);
  for (int i = 0; i < n; ++i)
  {
    if (rows[i].end - rows[i].start > 3)
    {
      EXPECT_LE(rows[i].width, c.widthInGlyphs * glyph + 0.5f) << i;
    }
  }
}

const char* const kCjk = "\xE4\xB8\x80\xE4\xBA\x8C\xE4\xB8\x89\xE5\x9B\x9B"; // four ideographs

INSTANTIATE_TEST_SUITE_P(
    Cases, TextBreakLines,
    ::testing::Values(BreakCase{"LetterCrLfLetter", "a\r\nb", 10, {"a", "b"}},
                      BreakCase{"LfCrIsOneNewline", "a\n\rb", 10, {"a", "b"}},
                      BreakCase{"TwoNewlinesMakeAnEmptyRow", "a\n\nb", 10, {"a", "", "b"}},
                      BreakCase{"NextLineCharacter",
                                "a\xC2\x85"
                                "b",
                                10,
                                {"a", "b"}},
                      BreakCase{"FourLettersOneAndAHalfWide", "aaaa", 1.5f, {"a", "a", "a", "a"}},
                      BreakCase{"AtSpaces", "aa aa aa", 5.5f, {"aa aa", "aa"}},
                      BreakCase{"LeadingAndTrailingSpacesGo", "   aa  \t aa   ", 3.5f, {"aa", "aa"}},
                      BreakCase{"LongWordIsCut", "aaaaa aa", 3.5f, {"aaa", "aa", "aa"}},
                      BreakCase{"NoBreakNeeded", "aa aa", 50, {"aa aa"}},
                      BreakCase{"OnlySpaces", "    ", 5, {}}),
    [](const ::testing::TestParamInfo<BreakCase>& info) { return std::string(info.param.name); });

TEST_F(TextTest, WideCharactersBreakBetweenAnyTwo)
{
  vgFontSize(ctx, 20);
  const float wide = vgTextBounds(ctx, 0, 0, "\xE4\xB8\x80", nullptr, nullptr);
  VGtextRow rows[8];
  const int n = vgTextBreakLines(ctx, kCjk, nullptr, wide * 2.5f, rows, 8);
  ASSERT_EQ(n, 2);
  EXPECT_EQ(std::string(rows[0].start, rows[0].end), std::string(kCjk, 6));
  EXPECT_EQ(std::string(rows[1].start, rows[1].end), std::string(kCjk + 6, 6));
  EXPECT_FLOAT_EQ(rows[0].width, 2 * wide);
  EXPECT_FLOAT_EQ(rows[1].width, 2 * wide);
  // Mixed with Latin words: a wide character ends the word before it.
  const std::string mixed = std::string("ab") + kCjk;
  const int m = vgTextBreakLines(ctx, mixed.c_str(), nullptr, wide * 3.2f, rows, 8);
  ASSERT_GE(m, 2);
  EXPECT_EQ(rows[1].start[0], kCjk[0]);
  EXPECT_EQ(vgTextBreakLines(ctx, kCjk, nullptr, 100, rows, 0), 0);
  EXPECT_EQ(vgTextBreakLines(ctx, kCjk, nullptr, wide * 1.5f, rows, 3), 3); // stops at max rows
}

TEST_F(TextTest, TextBoxRightAlignsEachRowAndRestoresTheAlignment)
{
  vgFontSize(ctx, 20);
  const int align = kVGAlignRight | kVGAlignTop;
  vgTextAlign(ctx, align);
  const char* text = "one two three four five";
  const float width = 120;
  VGtextRow rows[8];
  const int n = vgTextBreakLines(ctx, text, nullptr, width, rows, 8);
  ASSERT_GE(n, 3);
  vgTextBox(ctx, 30, 40, width, text, nullptr);
  EXPECT_EQ(vgGetState(ctx)->textAlign, align);
  const auto calls = TextCalls();
  ASSERT_EQ((int)calls.size(), n);
  float lineh;
  vgTextMetrics(ctx, nullptr, nullptr, &lineh);
  for (int i = 0; i < n; ++i)
  {
    float minx = 1e9f, maxx = -1e9f, miny = 1e9f;
    for (const VGvertex& v : Verts(calls[(size_t)i]))
      minx = std::min(minx, v.x), maxx = std::max(maxx, v.x), miny = std::min(miny, v.y);
    // Drawn from x + width - row width: the row's ink ends at the right edge.
    EXPECT_NEAR(minx, 30 + width - rows[i].width + rows[i].minx, 1.0f) << i;
    EXPECT_NEAR(maxx, 30 + width - rows[i].width + rows[i].maxx, 1.0f) << i;
    EXPECT_LE(maxx, 30 + width + 3);
    // Top-aligned rows, one line height apart.
    EXPECT_GE(miny, 40 + i * lineh - 1) << i;
  }
  float b[4];
  vgTextBoxBounds(ctx, 30, 40, width, text, nullptr, b);
  EXPECT_EQ(vgGetState(ctx)->textAlign, align);
  EXPECT_NEAR(b[2], 30 + width, 2);
  EXPECT_FLOAT_EQ(b[1], 40);
  EXPECT_FLOAT_EQ(b[3], 40 + n * lineh);
}

TEST_F(TextTest, TextBoxRowsFollowTheLineHeight)
{
  vgFontSize(ctx, 20);
  vgTextAlign(ctx, kVGAlignLeft | kVGAlignTop);
  vgTextLineHeight(ctx, 2.5f);
  float lineh;
  vgTextMetrics(ctx, nullptr, nullptr, &lineh);
  vgTextBox(ctx, 0, 40, 30, "aa aa aa", nullptr);
  const auto calls = TextCalls();
  ASSERT_EQ(calls.size(), 3u);
  for (size_t i = 1; i < calls.size(); ++i)
    EXPECT_NEAR(Verts(calls[i])[0].y - Verts(calls[i - 1])[0].y, 2.5f * lineh, 1.0f) << i;
  float b[4];
  vgTextBoxBounds(ctx, 0, 40, 30, "aa aa aa", nullptr, b);
  EXPECT_FLOAT_EQ(b[1], 40);
  EXPECT_NEAR(b[3], 40 + 2 * 2.5f * lineh + lineh, 1e-3f);
}

TEST_F(TextTest, BlurIsMadeAtTheTextScale)
{
  Restart(2);
  vgFontSize(ctx, 20);
  vgFontBlur(ctx, 3);
  vgText(ctx, 0, 30, "H", nullptr);
  // The cache holds the glyph at twice the size and twice the blur, rasterised.
  FontAtlasGlyph* g =
      FontAtlasGetGlyph(ctx->fs, ctx->fs->fonts[sans], 'H', 400, 6, kFontAtlasGlyphBitmapOptional);
  ASSERT_NE(g, nullptr);
  EXPECT_GE(g->x0, 0);
  EXPECT_EQ(ctx->fs->fonts[sans]->nglyphs, 1);
}

TEST_F(TextTest, TextBoxWithoutHorizontalAlignmentDrawsLeft)
{
  vgFontSize(ctx, 20);
  vgTextAlign(ctx, kVGAlignBaseline);
  vgTextBox(ctx, 30, 40, 40, "aa aa", nullptr);
  const auto calls = TextCalls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_NEAR(Verts(calls[1])[0].x, Verts(calls[0])[0].x, 0.01f);
  EXPECT_LT(Verts(calls[0])[0].x, 33);
}

} // namespace
