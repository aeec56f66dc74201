#include "tests/platform/SoftwareGpu.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace gputest;

namespace
{
int CountStencil(const Harness& h, uint8_t value)
{
  int n = 0;
  for (uint8_t s : h.Pixels(h.stencil))
    n += s == value;
  return n;
}
} // namespace

// Pixel centres on the left and top edges are inside, those on the right and bottom edges are not.
TEST(Rasterizer, TopLeftRuleCoversEachPixelOfASquareOnce)
{
  Harness h;
  Harness::DrawSpec d;
  d.vertices = Quad(0.5f, 0.5f, 4.5f, 4.5f);
  d.pipeline = h.Pipeline("testSolid");
  d.depthStencil = Harness::Stencil(*h.device, MTLCompareFunctionAlways, MTLStencilOperationIncrementClamp,
                                    MTLStencilOperationKeep, MTLStencilOperationIncrementClamp);
  h.Pass({d}, nullptr, true);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x)
      EXPECT_EQ(h.StencilAt(x, y), x < 4 && y < 4 ? 1 : 0) << x << "," << y;
}

// A fan around a centre with edges through many pixel centres: every pixel inside counts exactly 1.
TEST(Rasterizer, SharedEdgesOfAFanCountOnce)
{
  Harness h(32, 32);
  std::vector<Vertex> v;
  const float cx = 16.5f, cy = 16.5f;
  const float ring[][2] = {{4.5f, 4.5f},   {16.5f, 2.5f},  {28.5f, 4.5f}, {30.5f, 16.5f},
                           {28.5f, 28.5f}, {16.5f, 30.5f}, {4.5f, 28.5f}, {2.5f, 16.5f}};
  for (int i = 0; i < 8; ++i)
  {
    const float* a = ring[i];
    const float* b = ring[(i + 1) % 8];
    v.push_back({cx, cy, 0, 0});
    v.push_back({a[0], a[1], 0, 0});
    v.push_back({b[0], b[1], 0, 0});
  }
  Harness::DrawSpec d;
  d.vertices = v;
  d.pipeline = h.Pipeline(nullptr);
  d.depthStencil = Harness::Stencil(*h.device, MTLCompareFunctionAlways, MTLStencilOperationIncrementWrap,
                                    MTLStencilOperationKeep, MTLStencilOperationIncrementWrap);
  h.Pass({d}, nullptr, true);
  EXPECT_EQ(CountStencil(h, 2), 0);
  EXPECT_GT(CountStencil(h, 1), 500);
  // Two opposite windings over the same area cancel with increment and decrement.
  Harness::DrawSpec both = d;
  both.depthStencil = Harness::Stencil(*h.device, MTLCompareFunctionAlways, MTLStencilOperationIncrementWrap,
                                       MTLStencilOperationKeep, MTLStencilOperationDecrementWrap);
  for (size_t i = 0; i < d.vertices.size(); i += 3)
  {
    both.vertices.push_back(d.vertices[i]);
    both.vertices.push_back(d.vertices[i + 2]);
    both.vertices.push_back(d.vertices[i + 1]);
  }
  h.Pass({both}, nullptr, true);
  EXPECT_EQ(CountStencil(h, 0), 32 * 32);
}

struct WindingCase
{
  bool secondReversed;
  uint8_t overlap;
};

class RasterizerWinding : public testing::TestWithParam<WindingCase>
{
};

// Front faces increment and back faces decrement: the stencil holds the winding number.
TEST_P(RasterizerWinding, OverlapHoldsTheWindingNumber)
{
  Harness h;
  Harness::DrawSpec d;
  d.vertices = Quad(1, 1, 9, 9);
  auto second = Quad(5, 5, 13, 13);
  if (GetParam().secondReversed)
    for (size_t i = 0; i < second.size(); i += 3)
      std::swap(second[i + 1], second[i + 2]);
  d.vertices.insert(d.vertices.end(), second.begin(), second.end());
  d.pipeline = h.Pipeline(nullptr);
  d.depthStencil = Harness::Stencil(*h.device, MTLCompareFunctionAlways, MTLStencilOperationIncrementWrap,
                                    MTLStencilOperationKeep, MTLStencilOperationDecrementWrap);
  h.Pass({d}, nullptr, true);
  // Quads are clockwise on screen, so back faces under counter-clockwise front faces: they decrement.
  EXPECT_EQ(h.StencilAt(2, 2), 255);
  EXPECT_EQ(h.StencilAt(7, 7), GetParam().overlap);
  EXPECT_EQ(h.StencilAt(11, 11), GetParam().secondReversed ? 1 : 255);
  EXPECT_EQ(h.StencilAt(14, 2), 0);
}

INSTANTIATE_TEST_SUITE_P(Both, RasterizerWinding,
                         testing::Values(WindingCase{false, 254}, WindingCase{true, 0}));

// With counter-clockwise front faces, a triangle that is clockwise on screen (y down) is front facing,
// because clip space runs y up.
TEST(Rasterizer, CullModesFollowTheWinding)
{
  struct Case
  {
    MTLCullMode cull;
    bool screenClockwise;
    bool drawn;
  } cases[] = {{MTLCullModeBack, true, false}, {MTLCullModeBack, false, true},
               {MTLCullModeFront, true, true}, {MTLCullModeFront, false, false},
               {MTLCullModeNone, true, true},  {MTLCullModeNone, false, true}};
  for (const Case& c : cases)
  {
    Harness h;
    Harness::DrawSpec d;
    d.vertices = {{1, 1, 0, 0}, {12, 1, 0, 0}, {1, 12, 0, 0}}; // clockwise on screen
    if (!c.screenClockwise) std::swap(d.vertices[1], d.vertices[2]);
    d.pipeline = h.Pipeline("testSolid");
    d.cull = c.cull;
    float clear[4] = {0, 0, 0, 0};
    h.Pass({d}, clear);
    EXPECT_EQ(h.ColourAt(3, 3)[0], c.drawn ? 255 : 0) << c.cull << " " << c.screenClockwise;
  }
}

// A strip keeps one facing: with back faces culled, every triangle of a front-facing strip is drawn.
TEST(Rasterizer, StripTrianglesShareTheFacingOfTheFirst)
{
  Harness h;
  Harness::DrawSpec d;
  d.type = MTLPrimitiveTypeTriangleStrip;
  d.vertices = {{1, 1, 0, 0}, {1, 12, 0, 0}, {6, 1, 0, 0}, {6, 12, 0, 0}, {12, 1, 0, 0}, {12, 12, 0, 0}};
  d.pipeline = h.Pipeline("testSolid");
  d.cull = MTLCullModeBack;
  float clear[4] = {0, 0, 0, 0};
  h.Pass({d}, clear);
  for (int x : {2, 4, 8, 10})
    EXPECT_EQ(h.ColourAt(x, 6)[0], 255) << x;
}

struct StencilOpCase
{
  MTLCompareFunction compare;
  MTLStencilOperation pass, fail;
  uint8_t before, reference, after;
  bool coloured;
};

class RasterizerStencilOps : public testing::TestWithParam<StencilOpCase>
{
};

TEST_P(RasterizerStencilOps, TestAndOperation)
{
  const StencilOpCase& c = GetParam();
  Harness h;
  Harness::DrawSpec fill;
  fill.vertices = Quad(0, 0, 16, 16);
  fill.pipeline = h.Pipeline(nullptr);
  fill.depthStencil = Harness::Stencil(*h.device, MTLCompareFunctionAlways, MTLStencilOperationReplace,
                                       MTLStencilOperationKeep, MTLStencilOperationReplace);
  fill.reference = c.before;
  Harness::DrawSpec d;
  d.vertices = Quad(0, 0, 16, 16);
  d.pipeline = h.Pipeline("testSolid");
  d.depthStencil = Harness::Stencil(*h.device, c.compare, c.pass, c.fail, c.pass);
  d.reference = c.reference;
  float clear[4] = {0, 0, 0, 0};
  h.Pass({fill, d}, clear, true);
  EXPECT_EQ(h.StencilAt(5, 5), c.after);
  EXPECT_EQ(h.ColourAt(5, 5)[0], c.coloured ? 255 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RasterizerStencilOps,
    testing::Values(StencilOpCase{MTLCompareFunctionEqual, MTLStencilOperationKeep, MTLStencilOperationKeep,
                                  0, 0, 0, true},
                    StencilOpCase{MTLCompareFunctionEqual, MTLStencilOperationIncrementClamp,
                                  MTLStencilOperationKeep, 1, 0, 1, false},
                    StencilOpCase{MTLCompareFunctionNotEqual, MTLStencilOperationZero,
                                  MTLStencilOperationZero, 3, 0, 0, true},
                    StencilOpCase{MTLCompareFunctionNotEqual, MTLStencilOperationZero,
                                  MTLStencilOperationZero, 0, 0, 0, false},
                    StencilOpCase{MTLCompareFunctionAlways, MTLStencilOperationIncrementClamp,
                                  MTLStencilOperationKeep, 255, 0, 255, true},
                    StencilOpCase{MTLCompareFunctionAlways, MTLStencilOperationIncrementWrap,
                                  MTLStencilOperationKeep, 255, 0, 0, true},
                    StencilOpCase{MTLCompareFunctionAlways, MTLStencilOperationDecrementWrap,
                                  MTLStencilOperationKeep, 0, 0, 255, true},
                    StencilOpCase{MTLCompareFunctionAlways, MTLStencilOperationDecrementClamp,
                                  MTLStencilOperationKeep, 0, 0, 0, true},
                    StencilOpCase{MTLCompareFunctionAlways, MTLStencilOperationInvert,
                                  MTLStencilOperationKeep, 0x0f, 0, 0xf0, true},
                    StencilOpCase{MTLCompareFunctionLess, MTLStencilOperationReplace, MTLStencilOperationKeep,
                                  5, 3, 3, true},
                    StencilOpCase{MTLCompareFunctionGreater, MTLStencilOperationReplace,
                                  MTLStencilOperationZero, 5, 3, 0, false},
                    StencilOpCase{MTLCompareFunctionNever, MTLStencilOperationKeep,
                                  MTLStencilOperationIncrementClamp, 5, 3, 6, false}));

// A discarded fragment writes neither colour nor stencil.
TEST(Rasterizer, DiscardLeavesStencilAndColour)
{
  Harness h;
  Harness::DrawSpec d;
  d.vertices = Quad(0, 0, 16, 16);
  d.pipeline = h.Pipeline("testDiscardLeft");
  d.depthStencil = Harness::Stencil(*h.device, MTLCompareFunctionAlways, MTLStencilOperationIncrementClamp,
                                    MTLStencilOperationKeep, MTLStencilOperationIncrementClamp);
  float clear[4] = {0, 0, 0, 0};
  h.Pass({d}, clear, true);
  EXPECT_EQ(h.StencilAt(3, 3), 0);
  EXPECT_EQ(h.ColourAt(3, 3)[0], 0);
  EXPECT_EQ(h.StencilAt(12, 3), 1);
  EXPECT_EQ(h.ColourAt(12, 3)[0], 255);
}

struct BlendCase
{
  MTLBlendFactor src, dst;
  float source[4];
  float destination[4];
  uint8_t expected[4];
};

class RasterizerBlend : public testing::TestWithParam<BlendCase>
{
};

TEST_P(RasterizerBlend, Factors)
{
  const BlendCase& c = GetParam();
  Harness h;
  Harness::DrawSpec d;
  d.vertices = Quad(0, 0, 16, 16);
  d.pipeline = h.Pipeline("testSolid", true, c.src, c.dst);
  std::memcpy(d.colour, c.source, sizeof d.colour);
  h.Pass({d}, c.destination);
  auto px = h.ColourAt(4, 4);
  for (int i = 0; i < 4; ++i)
    EXPECT_NEAR(px[i], c.expected[i], 1) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Table, RasterizerBlend,
    testing::Values(
        // premultiplied source over
        BlendCase{MTLBlendFactorOne,
                  MTLBlendFactorOneMinusSourceAlpha,
                  {0.5f, 0, 0, 0.5f},
                  {0, 0, 1, 1},
                  {128, 0, 128, 255}},
        BlendCase{
            MTLBlendFactorZero, MTLBlendFactorSourceAlpha, {1, 1, 1, 0.25f}, {1, 1, 1, 1}, {64, 64, 64, 64}},
        BlendCase{MTLBlendFactorDestinationAlpha,
                  MTLBlendFactorZero,
                  {1, 0.5f, 0, 1},
                  {0, 0, 0, 0.5f},
                  {128, 64, 0, 128}},
        BlendCase{MTLBlendFactorOneMinusDestinationAlpha,
                  MTLBlendFactorOne,
                  {1, 1, 1, 1},
                  {0, 0, 0.5f, 0.5f},
                  {128, 128, 255, 255}},
        BlendCase{MTLBlendFactorDestinationColor,
                  MTLBlendFactorZero,
                  {0.5f, 1, 1, 1},
                  {1, 0.5f, 0, 1},
                  {128, 128, 0, 255}},
        BlendCase{MTLBlendFactorOne,
                  MTLBlendFactorOneMinusSourceColor,
                  {0.5f, 0, 0, 0},
                  {1, 1, 1, 1},
                  {255, 255, 255, 255}},
        BlendCase{MTLBlendFactorSourceAlphaSaturated,
                  MTLBlendFactorOne,
                  {1, 1, 1, 1},
                  {0, 0, 0, 0.75f},
                  {64, 64, 64, 255}},
        // outputs outside 0..1 are clamped before blending
        BlendCase{
            MTLBlendFactorOne, MTLBlendFactorZero, {2, -1, 0.5f, 1}, {0, 0, 0, 0}, {255, 0, 128, 255}}));

TEST(Rasterizer, WriteMaskNoneKeepsColour)
{
  Harness h;
  Harness::DrawSpec d;
  d.vertices = Quad(0, 0, 16, 16);
  d.pipeline = h.Pipeline("testSolid", false, MTLBlendFactorOne, MTLBlendFactorZero, MTLColorWriteMaskNone);
  float clear[4] = {0, 0.5f, 0, 1};
  h.Pass({d}, clear);
  EXPECT_EQ(h.ColourAt(3, 3), (std::vector<uint8_t>{0, 128, 0, 255}));
}

TEST(Rasterizer, BgraTargetsStoreBlueFirst)
{
  Harness h(16, 16, MTLPixelFormatBGRA8Unorm);
  Harness::DrawSpec d;
  d.vertices = Quad(0, 0, 16, 16);
  d.pipeline = h.Pipeline("testSolid");
  d.colour[0] = 1, d.colour[1] = 0.5f, d.colour[2] = 0, d.colour[3] = 1;
  h.Pass({d});
  EXPECT_EQ(h.ColourAt(3, 3), (std::vector<uint8_t>{0, 128, 255, 255}));
}

// Indexed triangles read 32-bit indices; geometry far outside the target is clipped without harm.
TEST(Rasterizer, IndexedAndHugeGeometry)
{
  Harness h;
  Harness::DrawSpec d;
  d.vertices = {{-1e9f, -1e9f, 0, 0}, {1e9f, -1e9f, 0, 0}, {-1e9f, 1e9f, 0, 0}, {1e9f, 1e9f, 0, 0}};
  d.indices = {0, 1, 2, 1, 3, 2};
  d.pipeline = h.Pipeline("testSolid");
  float clear[4] = {0, 0, 0, 0};
  h.Pass({d}, clear);
  EXPECT_EQ(h.ColourAt(0, 0)[0], 255);
  EXPECT_EQ(h.ColourAt(15, 15)[0], 255);
}

// A pipeline made for another colour format does not draw, and is counted as misuse.
TEST(Rasterizer, PipelineOfAnotherFormatIsRefused)
{
  Harness h;
  Harness bgra(16, 16, MTLPixelFormatBGRA8Unorm);
  Harness::DrawSpec d;
  d.vertices = Quad(0, 0, 16, 16);
  d.pipeline = bgra.Pipeline("testSolid");
  float clear[4] = {0, 0, 0, 0};
  uint64_t before = QorvMetalValidationErrors();
  h.Pass({d}, clear);
  EXPECT_EQ(h.ColourAt(3, 3)[0], 0);
  EXPECT_EQ(QorvMetalValidationErrors(), before + 1);
}

// Large targets are drawn by several threads in bands of rows: every row is drawn once, and the draws
// reach each pixel in order.
TEST(Rasterizer, LargeTargetsDrawEveryRowOnceAndInOrder)
{
  Harness h(300, 300);
  Harness::DrawSpec count;
  count.vertices = Quad(0, 0, 300, 300);
  count.pipeline = h.Pipeline(nullptr);
  count.depthStencil = Harness::Stencil(*h.device, MTLCompareFunctionAlways, MTLStencilOperationIncrementWrap,
                                        MTLStencilOperationKeep, MTLStencilOperationIncrementWrap);
  Harness::DrawSpec red, blue;
  red.vertices = blue.vertices = Quad(0, 0, 300, 300);
  red.pipeline = blue.pipeline =
      h.Pipeline("testSolid", true, MTLBlendFactorOne, MTLBlendFactorOneMinusSourceAlpha);
  red.colour[0] = 1, red.colour[1] = 0, red.colour[2] = 0, red.colour[3] = 1;
  blue.colour[0] = 0, blue.colour[1] = 0, blue.colour[2] = 0.5f, blue.colour[3] = 0.5f;
  float clear[4] = {0, 0, 0, 0};
  h.Pass({count, red, blue}, clear, true);
  EXPECT_EQ(CountStencil(h, 1), 300 * 300);
  auto px = h.Pixels(h.colour);
  for (size_t i = 0; i < px.size(); i += 4)
    ASSERT_EQ(std::vector<uint8_t>(px.begin() + i, px.begin() + i + 4),
              (std::vector<uint8_t>{128, 0, 128, 255}))
        << i / 4;
}

struct SpanCase
{
  MTLPixelFormat format;
  int size;
};

class RasterizerSpans : public testing::TestWithParam<SpanCase>
{
};

// Shaders that shade whole spans go through another path of the rasteriser (stencil lookups ahead of
// shading, chunks, the four-channel blend); a scene of windings, stencil covers and blended textures must
// come out byte for byte as with the per-fragment shaders.
TEST_P(RasterizerSpans, DrawAsPerFragmentShaders)
{
  const SpanCase& c = GetParam();
  auto draw = [&](bool spans)
  {
    Harness h(c.size, c.size, c.format);
    const float s = (float)c.size;
    Harness::DrawSpec fan;
    for (int i = 0; i < 7; ++i)
    {
      float a0 = i * 2.7f, a1 = a0 + 2.1f;
      fan.vertices.push_back({s * 0.5f, s * 0.45f, 0, 0});
      fan.vertices.push_back({s * (0.5f + 0.45f * std::cos(a0)), s * (0.5f + 0.47f * std::sin(a0)), 0, 0});
      fan.vertices.push_back({s * (0.5f + 0.43f * std::cos(a1)), s * (0.5f + 0.41f * std::sin(a1)), 0, 0});
    }
    fan.pipeline = h.Pipeline(nullptr);
    fan.depthStencil = Harness::Stencil(*h.device, MTLCompareFunctionAlways, MTLStencilOperationIncrementWrap,
                                        MTLStencilOperationKeep, MTLStencilOperationDecrementWrap);
    Harness::DrawSpec cover;
    cover.vertices = Quad(0, 0, s, s);
    cover.pipeline = h.Pipeline(spans ? "testSolidSpan" : "testSolid", true, MTLBlendFactorOne,
                                MTLBlendFactorOneMinusSourceAlpha);
    cover.depthStencil = Harness::Stencil(*h.device, MTLCompareFunctionNotEqual, MTLStencilOperationZero,
                                          MTLStencilOperationZero, MTLStencilOperationZero);
    cover.colour[0] = 0.3f, cover.colour[1] = 0.55f, cover.colour[2] = 0.1f, cover.colour[3] = 0.7f;
    Harness::DrawSpec image;
    image.vertices = {
        {s * 0.1f, s * 0.2f, -0.2f, 0.1f}, {s * 0.9f, s * 0.1f, 1.3f, 0}, {s * 0.4f, s * 0.95f, 0.4f, 1.2f}};
    image.pipeline = h.Pipeline(spans ? "testTextureSpan" : "testTexture", true, MTLBlendFactorOne,
                                MTLBlendFactorOneMinusSourceAlpha);
    auto td = MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormatRGBA8Unorm, 3, 2, false);
    image.texture = h.device->newTextureWithDescriptor(*td);
    const uint8_t texels[24] = {200, 10, 30, 255, 0,   0,   0,   0,   90, 180, 60, 128,
                                40,  40, 40, 64,  255, 255, 255, 255, 5,  100, 7,  200};
    image.texture->replaceRegion(MTLRegionMake2D(0, 0, 3, 2), 0, texels, 12);
    MTLSamplerDescriptor sd;
    sd.minFilter = sd.magFilter = MTLSamplerMinMagFilterLinear;
    image.sampler = h.device->newSamplerStateWithDescriptor(sd);
    Harness::DrawSpec opaque;
    opaque.vertices = {{s * 0.05f, s * 0.6f, 0, 0}, {s * 0.7f, s * 0.5f, 0, 0}, {s * 0.3f, s * 0.98f, 0, 0}};
    opaque.pipeline = h.Pipeline(spans ? "testSolidSpan" : "testSolid", true, MTLBlendFactorOne,
                                 MTLBlendFactorOneMinusSourceAlpha);
    opaque.colour[0] = 0.9f, opaque.colour[1] = 0.25f, opaque.colour[2] = 0.6f;
    float clear[4] = {0.1f, 0.2f, 0.9f, 0.6f};
    h.Pass({fan, cover, image, opaque}, clear, true);
    auto out = h.Pixels(h.colour);
    auto st = h.Pixels(h.stencil);
    out.insert(out.end(), st.begin(), st.end());
    return out;
  };
  auto reference = draw(false);
  auto spans = draw(true);
  ASSERT_EQ(reference.size(), spans.size());
  for (size_t i = 0; i < spans.size(); ++i)
    ASSERT_EQ(spans[i], reference[i]) << "byte " << i;
}

INSTANTIATE_TEST_SUITE_P(Targets, RasterizerSpans,
                         testing::Values(SpanCase{MTLPixelFormatRGBA8Unorm, 16},
                                         SpanCase{MTLPixelFormatBGRA8Unorm, 16},
                                         SpanCase{MTLPixelFormatRGBA8Unorm, 150},
                                         SpanCase{MTLPixelFormatRGBA8Unorm, 300},
                                         SpanCase{MTLPixelFormatBGRA8Unorm, 300}));

// Small triangles mostly fall within one band of rows; each band must still draw exactly its rows of them.
TEST(Rasterizer, SmallTrianglesOfALargeTargetCoverItOnce)
{
  Harness h(300, 300);
  Harness::DrawSpec tiles;
  for (float y = 0; y < 300; y += 7.5f)
    for (float x = 0; x < 300; x += 12.5f)
    {
      auto q = Quad(x, y, x + 12.5f, y + 7.5f);
      tiles.vertices.insert(tiles.vertices.end(), q.begin(), q.end());
    }
  tiles.pipeline = h.Pipeline(nullptr);
  tiles.depthStencil = Harness::Stencil(*h.device, MTLCompareFunctionAlways, MTLStencilOperationIncrementWrap,
                                        MTLStencilOperationKeep, MTLStencilOperationIncrementWrap);
  h.Pass({tiles}, nullptr, true);
  EXPECT_EQ(CountStencil(h, 1), 300 * 300);
}
