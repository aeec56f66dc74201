#include "tests/platform/SoftwareGpu.h"
#include "tests/support/AllocatedBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <random>
#include <sched.h>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace gputest;

namespace
{
std::mutex gShaderThreadsMutex;
std::set<std::thread::id> gShaderThreads;

// The solid shader, noting which thread ran it.
bool ThreadNotingFragment(const QorvFragmentIn& in, float colour[4])
{
  {
    std::lock_guard<std::mutex> lock(gShaderThreadsMutex);
    gShaderThreads.insert(std::this_thread::get_id());
  }
  return SolidFragment(in, colour);
}

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

namespace
{
unsigned CoresToRunOn()
{
  cpu_set_t set;
  CPU_ZERO(&set);
  return sched_getaffinity(0, sizeof set, &set) == 0 ? (unsigned)std::max(CPU_COUNT(&set), 1) : 1u;
}

// The harness's library with the test's vertex function and the fragment function under the name.
void UseFragmentLibrary(Harness& h, const char* name, QorvFragmentFunction fragment)
{
  QorvMetalRegisterFragmentFunction(name, fragment);
  auto bytes = QorvMetalLibraryData({{MTLFunctionTypeVertex, "testVertex"}, {MTLFunctionTypeFragment, name}});
  dispatch_data_t data =
      dispatch_data_create(bytes.data(), bytes.size(), nullptr, DISPATCH_DATA_DESTRUCTOR_DEFAULT);
  h.library = h.device->newLibraryWithData(data, nullptr);
  dispatch_release(data);
}
} // namespace

// A target is drawn on as many threads as it holds shares of pixels (at most one a core the process may run
// on), and alike on any number of them; held to one core, or with band threads off, it is drawn on one
// thread.
TEST(Rasterizer, TargetsAreDrawnOnAThreadAShare)
{
  const unsigned cores = CoresToRunOn();
  cpu_set_t all;
  CPU_ZERO(&all);
  ASSERT_EQ(sched_getaffinity(0, sizeof all, &all), 0);
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(std::max(sched_getcpu(), 0), &one);
  struct Case
  {
    uint64_t share;
    size_t most, least;
    bool oneCore;
    bool bandThreads = true;
  };
  std::vector<uint8_t> first;
  for (const Case& c : {Case{300 * 300, 1, 1, false}, Case{300 * 300 / 2, 2, std::min(2u, cores), false},
                        Case{kTestPixelsPerBand, 8, std::min(3u, cores), false},
                        Case{kTestPixelsPerBand, 1, 1, true}, Case{kTestPixelsPerBand, 1, 1, false, false}})
  {
    if (c.oneCore)
    {
      ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
    }
    Harness h(300, 300);
    QorvMetalSetPixelsPerBand(c.share);
    QorvMetalSetOptions(*h.device, QorvGpuOptions{.bandThreads = c.bandThreads});
    UseFragmentLibrary(h, "testThreads", ThreadNotingFragment);
    Harness::DrawSpec d;
    d.vertices = Quad(0, 0, 300, 300);
    d.pipeline = h.Pipeline("testThreads");
    d.colour[0] = 0.2f, d.colour[1] = 0.4f, d.colour[2] = 0.6f, d.colour[3] = 1;
    gShaderThreads.clear();
    h.Pass({d});
    const size_t threads = gShaderThreads.size();
    if (c.oneCore) sched_setaffinity(0, sizeof all, &all);
    EXPECT_LE(threads, c.most) << c.share;
    EXPECT_GE(threads, c.least) << c.share;
    const auto px = h.Pixels(h.colour);
    if (first.empty()) first = px;
    EXPECT_EQ(px, first) << c.share;
  }
  QorvMetalSetPixelsPerBand(kTestPixelsPerBand);
}

// A pass whose draws are all scissored is drawn in bands by the pixels their rectangles reach, each tile of
// 16 x 16 counted once however many rectangles reach it (the last column's and row's tiles by what they
// hold): the count is what decides between one band and two, across more than 64 tiles of a row.
TEST(Rasterizer, ScissoredPassesCountEachTileOnce)
{
  constexpr int kWidth = 1100, kHeight = 40, kTile = 16; // 69 tiles across, the last 12 wide; 3 rows
  const std::vector<MTLScissorRect> rects = {{1000, 0, 100, 40}, {1000, 0, 100, 40}, {5, 0, 20, 40},
                                             {1020, 0, 10, 40},  {1030, 0, 30, 40},  {300, 20, 40, 5},
                                             {0, 33, 2000, 3},   {500, 0, 0, 40}};
  std::set<std::pair<int, int>> tiles;
  for (const MTLScissorRect& r : rects)
  {
    const int x0 = std::min<int>((int)r.x, kWidth), y0 = std::min<int>((int)r.y, kHeight);
    const int x1 = std::min<int>(x0 + (int)r.width, kWidth), y1 = std::min<int>(y0 + (int)r.height, kHeight);
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x)
        tiles.insert({x / kTile, y / kTile});
  }
  uint64_t reached = 0;
  for (auto [tx, ty] : tiles)
    reached += (uint64_t)std::min(kTile, kWidth - tx * kTile) * std::min(kTile, kHeight - ty * kTile);
  ASSERT_EQ(reached % 2, 0u);
  const unsigned cores = CoresToRunOn();
  // Half the count a share: two bands; one pixel more: one.
  for (auto [share, threads] : {std::pair<uint64_t, size_t>{reached / 2, 2}, {reached / 2 + 1, 1}})
  {
    Harness h(kWidth, kHeight);
    QorvMetalSetPixelsPerBand(share);
    UseFragmentLibrary(h, "testThreads", ThreadNotingFragment);
    std::vector<Harness::DrawSpec> draws(rects.size());
    for (size_t i = 0; i < rects.size(); ++i)
    {
      draws[i].vertices = Quad(0, 0, kWidth, kHeight);
      draws[i].pipeline = h.Pipeline("testThreads");
      draws[i].scissor = &rects[i];
    }
    gShaderThreads.clear();
    h.Pass(draws);
    EXPECT_LE(gShaderThreads.size(), threads) << share;
    EXPECT_GE(gShaderThreads.size(), std::min<size_t>(threads, cores)) << share;
  }
  QorvMetalSetPixelsPerBand(kTestPixelsPerBand);
}

namespace
{
// Seven overlapping triangles about the middle of a target s pixels square, marking their winding in the
// stencil: front faces increment it, back faces decrement it.
Harness::DrawSpec WindingFan(Harness& h, float s)
{
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
  return fan;
}

// A triangle across a target s pixels square sampling a 3 x 2 texture of translucent texels, linearly
// filtered, through the fragment function named, blended over.
Harness::DrawSpec TexturedTriangle(Harness& h, float s, const char* fragment)
{
  Harness::DrawSpec image;
  image.vertices = {
      {s * 0.1f, s * 0.2f, -0.2f, 0.1f}, {s * 0.9f, s * 0.1f, 1.3f, 0}, {s * 0.4f, s * 0.95f, 0.4f, 1.2f}};
  image.pipeline = h.Pipeline(fragment, true, MTLBlendFactorOne, MTLBlendFactorOneMinusSourceAlpha);
  auto td = MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormatRGBA8Unorm, 3, 2, false);
  image.texture = h.device->newTextureWithDescriptor(*td);
  const uint8_t texels[24] = {200, 10, 30, 255, 0,   0,   0,   0,   90, 180, 60, 128,
                              40,  40, 40, 64,  255, 255, 255, 255, 5,  100, 7,  200};
  image.texture->replaceRegion(MTLRegionMake2D(0, 0, 3, 2), 0, texels, 12);
  MTLSamplerDescriptor sd;
  sd.minFilter = sd.magFilter = MTLSamplerMinMagFilterLinear;
  image.sampler = h.device->newSamplerStateWithDescriptor(sd);
  return image;
}
} // namespace

struct SpanCase
{
  MTLPixelFormat format;
  int size;
};

class RasterizerSpans : public testing::TestWithParam<SpanCase>
{
};

// Shaders that shade whole spans go through another path of the rasteriser (stencil lookups ahead of
// shading, chunks, the four-channel blend, rows that the shader answers one colour blended at once); a scene
// of windings, stencil covers, blended textures and a blended solid triangle must come out byte for byte as
// with the per-fragment shaders.
TEST_P(RasterizerSpans, DrawAsPerFragmentShaders)
{
  const SpanCase& c = GetParam();
  auto draw = [&](bool spans)
  {
    Harness h(c.size, c.size, c.format);
    const float s = (float)c.size;
    const Harness::DrawSpec fan = WindingFan(h, s);
    Harness::DrawSpec cover;
    cover.vertices = Quad(0, 0, s, s);
    cover.pipeline = h.Pipeline(spans ? "testSolidSpan" : "testSolid", true, MTLBlendFactorOne,
                                MTLBlendFactorOneMinusSourceAlpha);
    cover.depthStencil = Harness::Stencil(*h.device, MTLCompareFunctionNotEqual, MTLStencilOperationZero,
                                          MTLStencilOperationZero, MTLStencilOperationZero);
    cover.colour[0] = 0.3f, cover.colour[1] = 0.55f, cover.colour[2] = 0.1f, cover.colour[3] = 0.7f;
    const Harness::DrawSpec image = TexturedTriangle(h, s, spans ? "testTextureSpan" : "testTexture");
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

std::atomic<uint64_t> gFragmentsShaded{0};

// The solid shader, counting the fragments it shades.
bool CountingFragment(const QorvFragmentIn& in, float colour[4])
{
  gFragmentsShaded.fetch_add(1, std::memory_order_relaxed);
  return SolidFragment(in, colour);
}

// Fragments that fail the stencil test and keep its value are left unshaded (gpu.stencilSkipping), and
// every other fragment is shaded: off, every fragment is shaded and the test drops those. Over windings,
// covers that keep the value where the test passes or fails, change it where it fails, or zero it where it
// passes, and a textured cover under the test, both give the same colour and stencil bytes (a solid
// colour does not hang on where a run starts; varyings stepped from another start may round a level apart
// elsewhere, VGoptions.h), and the shaded fragments are as many as the stencil says.
TEST(RasterizerStencil, SkippedFragmentsAreThoseThatChangeNothing)
{
  for (const int size : {40, 150})
  {
    auto draw = [&](bool skipping, uint64_t& shaded, uint64_t& live)
    {
      Harness h(size, size);
      QorvMetalSetOptions(*h.device, QorvGpuOptions{.stencilSkipping = skipping});
      UseFragmentLibrary(h, "testCounting", CountingFragment);
      const float s = (float)size;
      const Harness::DrawSpec fan = WindingFan(h, s);
      const float clear[4] = {0.1f, 0.2f, 0.9f, 0.6f};
      h.Pass({fan}, clear, true);
      // Each cover over the whole target, as a pass of its own: which fragments pass, by the stencil before.
      struct Cover
      {
        MTLCompareFunction compare;
        MTLStencilOperation pass, fail;
        uint32_t reference;
      };
      shaded = live = 0;
      for (const Cover& c :
           {Cover{MTLCompareFunctionNotEqual, MTLStencilOperationKeep, MTLStencilOperationKeep, 0},
            Cover{MTLCompareFunctionEqual, MTLStencilOperationKeep, MTLStencilOperationIncrementWrap, 255},
            Cover{MTLCompareFunctionLess, MTLStencilOperationZero, MTLStencilOperationKeep, 1}})
      {
        uint64_t passing = 0;
        for (uint8_t v : h.Pixels(h.stencil))
        {
          const bool passes = c.compare == MTLCompareFunctionNotEqual ? c.reference != v
                              : c.compare == MTLCompareFunctionEqual  ? c.reference == v
                                                                      : c.reference < v;
          passing += passes ? 1 : 0;
          live += passes || c.fail != MTLStencilOperationKeep ? 1 : 0;
        }
        EXPECT_GT(passing, 0u);
        EXPECT_LT(passing, (uint64_t)size * size);
        Harness::DrawSpec cover;
        cover.vertices = Quad(0, 0, s, s);
        cover.pipeline =
            h.Pipeline("testCounting", true, MTLBlendFactorOne, MTLBlendFactorOneMinusSourceAlpha);
        cover.depthStencil = Harness::Stencil(*h.device, c.compare, c.pass, c.fail, c.pass);
        cover.reference = c.reference;
        cover.colour[0] = 0.3f, cover.colour[1] = 0.55f, cover.colour[2] = 0.1f, cover.colour[3] = 0.7f;
        gFragmentsShaded = 0;
        h.Pass({cover});
        shaded += gFragmentsShaded;
      }
      Harness::DrawSpec image = TexturedTriangle(h, s, "testTexture");
      image.depthStencil = Harness::Stencil(*h.device, MTLCompareFunctionEqual, MTLStencilOperationKeep,
                                            MTLStencilOperationKeep, MTLStencilOperationKeep);
      h.Pass({image});
      auto out = h.Pixels(h.colour);
      auto st = h.Pixels(h.stencil);
      out.insert(out.end(), st.begin(), st.end());
      return out;
    };
    uint64_t shadedAll = 0, shadedLive = 0, live = 0;
    const auto every = draw(false, shadedAll, live);
    const auto skipped = draw(true, shadedLive, live);
    EXPECT_EQ(shadedAll, 3u * size * size) << size;
    EXPECT_EQ(shadedLive, live) << size;
    EXPECT_LT(shadedLive, shadedAll) << size;
    ASSERT_EQ(skipped.size(), every.size());
    for (size_t i = 0; i < every.size(); ++i)
      ASSERT_EQ(skipped[i], every[i]) << "size " << size << " byte " << i;
  }
}

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

namespace
{
using Polygon = std::vector<std::array<float, 2>>;

struct FanCase
{
  const char* name;
  int size;
  std::vector<Polygon> polygons;
  MTLCullMode cull = MTLCullModeNone;
  bool textured = false; // texture coordinates that are not affine over the polygon
  bool strip = false;    // the polygon's points are a triangle strip
};

Polygon Circle(float cx, float cy, float r, int n, bool reversed = false)
{
  Polygon p;
  for (int i = 0; i < n; ++i)
  {
    const float a = (reversed ? -1.0f : 1.0f) * 6.2831853f * (float)i / (float)n;
    p.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
  }
  return p;
}

// Convex polygons with every vertex on a pixel centre, where the top-left rule decides at a vertex.
std::vector<Polygon> SnappedPolygons(int count, float size)
{
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> angle(0, 6.2831853f), radius(0.2f, 0.45f);
  std::vector<Polygon> out;
  while ((int)out.size() < count)
  {
    std::vector<float> a(3 + rng() % 10);
    for (float& x : a)
      x = angle(rng);
    std::sort(a.begin(), a.end());
    const float r = radius(rng) * size;
    Polygon p;
    for (float x : a)
    {
      std::array<float, 2> v{std::floor(size / 2 + r * std::cos(x)) + 0.5f,
                             std::floor(size / 2 + r * std::sin(x)) + 0.5f};
      if (p.empty() || v != p.back()) p.push_back(v);
    }
    if (p.size() >= 4 && p.front() != p.back()) out.push_back(p);
  }
  return out;
}

// Fan triangles that all turn one way round corners that all turn that way, but sweep round p0 one and a
// half times, so that they overlap.
Polygon Spiral()
{
  Polygon p = {{150, 150}};
  for (int i = 0; i < 30; ++i)
  {
    const float a = 0.3f + 9.4f * (float)i / 29.0f, r = 20.0f + 4.0f * (float)i;
    p.push_back({150 + r * std::cos(a), 150 + r * std::sin(a)});
  }
  return p;
}

// A strip along an arc, as a stroke's body or a fill's fringe, and two of them joined by repeated points
// as strips of several paths are.
Polygon Ribbon(float cx, float cy, float r, float width, int quads)
{
  Polygon p;
  for (int i = 0; i <= quads; ++i)
  {
    const float a = 0.2f + 4.0f * (float)i / (float)quads;
    for (float rr : {r + width / 2, r - width / 2})
      p.push_back({cx + rr * std::cos(a), cy + rr * std::sin(a)});
  }
  return p;
}

Polygon JoinedRibbons()
{
  Polygon a = Ribbon(150.2f, 150.7f, 100, 3, 30), b = Ribbon(140.6f, 160.1f, 60.5f, 1.5f, 17);
  a.push_back(a.back());
  a.push_back(b.front());
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Polygon Star()
{
  const Polygon p = Circle(150, 150, 120, 7);
  Polygon star;
  for (int i = 0; i < 14; ++i)
    star.push_back(p[(i * 2) % 7]);
  return star;
}

// A bitmap as the renderer records it: its rectangle, and a fringe strip half a pixel out and in round it,
// whose quads are trapezoids with level and upright sides, corners on pixel centres where the bitmap lies
// on whole pixels.
Polygon Rectangle(float x0, float y0, float x1, float y1)
{
  return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
}

Polygon Fringe(float x0, float y0, float x1, float y1, float half)
{
  Polygon p;
  const Polygon corners = Rectangle(x0, y0, x1, y1);
  for (int i = 0; i <= 4; ++i)
  {
    const auto [x, y] = corners[i % 4];
    const float dx = i % 4 == 0 || i % 4 == 3 ? -half : half, dy = i % 4 < 2 ? -half : half;
    p.push_back({x + dx, y + dy});
    p.push_back({x - dx, y - dy});
  }
  return p;
}

std::vector<FanCase> FanCases()
{
  return {
      {"circle", 300, {Circle(150.3f, 148.7f, 137.3f, 32)}},
      {"reversed", 300, {Circle(150.3f, 148.7f, 137.3f, 32, true)}},
      {"small", 40, {Circle(20.1f, 19.4f, 13.0f, 20)}},
      {"snapped", 300, SnappedPolygons(40, 300)},
      {"snappedSmall", 24, SnappedPolygons(40, 24)},
      {"rectangle", 300, {{{10.5f, 10.5f}, {200.5f, 10.5f}, {200.5f, 280.5f}, {10.5f, 280.5f}}}},
      {"concave", 300, {{{10, 10}, {290, 30}, {120, 120}, {280, 270}, {20, 290}}}},
      {"twice", 300, {Star()}},
      {"spiral", 300, {Spiral()}},
      {"textured", 300, {Circle(150.3f, 148.7f, 137.3f, 32)}, MTLCullModeNone, true},
      {"ribbon",
       300,
       {Ribbon(150.2f, 150.7f, 100, 3, 40), Ribbon(150, 150, 137.5f, 1, 64)},
       MTLCullModeNone,
       false,
       true},
      {"joined", 300, {JoinedRibbons()}, MTLCullModeNone, false, true},
      {"ribbonCulled", 40, {Ribbon(20.3f, 20.1f, 12, 2, 9)}, MTLCullModeBack, false, true},
      {"culled", 300, {Circle(150.3f, 148.7f, 137.3f, 32)}, MTLCullModeBack},
      {"kept", 300, {Circle(150.3f, 148.7f, 137.3f, 32, true)}, MTLCullModeBack},
      {"bitmaps", 200, {Rectangle(10, 10, 110, 60), Rectangle(30.5f, 20.5f, 90.5f, 41.5f)}},
      {"bitmapsTextured", 200, {Rectangle(10, 10, 110, 60)}, MTLCullModeNone, true},
      {"fringes",
       200,
       {Fringe(10, 10, 110, 60, 0.5f), Fringe(40.25f, 15.75f, 120.5f, 70, 0.5f),
        Fringe(30.5f, 20.5f, 90.5f, 41.5f, 0.5f)},
       MTLCullModeNone,
       false,
       true},
      {"fringesTextured", 200, {Fringe(10, 10, 110, 60, 0.5f)}, MTLCullModeNone, true, true},
  };
}

class RasterizerFans : public testing::TestWithParam<FanCase>
{
};
} // namespace

// A fan of triangles from one vertex (as convex fills arrive), or two triangles of a strip, may be drawn as
// the polygon they cover; it must cover exactly the pixels that the same triangles cover drawn as a list that
// is no fan (each vertex order turned round), whether convex, concave, winding twice or culled, on one
// thread or in bands, and keep the triangles' own interpolation where the texture coordinates are not
// affine over it.
TEST_P(RasterizerFans, CoverWhatTheirTrianglesCover)
{
  const FanCase& c = GetParam();
  for (size_t n = 0; n < c.polygons.size(); ++n)
  {
    const Polygon& polygon = c.polygons[n];
    auto draw = [&](bool fan)
    {
      Harness h(c.size, c.size);
      Harness::DrawSpec d;
      for (size_t i = 0; i < polygon.size(); ++i)
        d.vertices.push_back({polygon[i][0], polygon[i][1], c.textured ? (float)(i % 3) * 0.4f : 0,
                              c.textured ? (float)(i % 2) * 0.7f : 0});
      if (c.strip && fan)
        d.type = MTLPrimitiveTypeTriangleStrip;
      else
        for (uint32_t i = 1; i + 1 < polygon.size(); ++i)
        {
          // The strip's triangles keep its facing: odd ones swap their first two points.
          const uint32_t t[3] = {c.strip ? i - 1 + (i % 2 == 0) : 0, c.strip ? i - (i % 2 == 0) : i, i + 1};
          for (int k = 0; k < 3; ++k)
            d.indices.push_back(t[fan ? k : (k + 1) % 3]);
        }
      // Additive, so that a pixel covered twice shows.
      d.pipeline = h.Pipeline(c.textured ? "testTextureSpan" : "testSolidSpan", true, MTLBlendFactorOne,
                              MTLBlendFactorOne);
      if (c.textured) TextureTheDraw(h, d);
      d.colour[0] = d.colour[1] = d.colour[2] = d.colour[3] = 0.25f;
      d.cull = c.cull;
      float clear[4] = {0, 0, 0, 0};
      h.Pass({d}, clear, true);
      return h.Pixels(h.colour);
    };
    const auto triangles = draw(false), fan = draw(true);
    int covered = 0;
    for (size_t i = 0; i < fan.size(); ++i)
    {
      ASSERT_EQ(fan[i], triangles[i]) << c.name << " polygon " << n << " byte " << i;
      covered += i % 4 == 3 && fan[i] != 0;
    }
    EXPECT_EQ(covered == 0, std::string(c.name) == "culled") << c.name;
  }
}

INSTANTIATE_TEST_SUITE_P(Polygons, RasterizerFans, testing::ValuesIn(FanCases()),
                         [](const testing::TestParamInfo<FanCase>& info) { return info.param.name; });

// Triangles of at most 4 by 4 candidate pixels find their rows' spans by testing those pixels
// (gpu.smallTriangles): random triangles from a tenth of a pixel to 6 pixels across (so some have more
// candidates), corners anywhere or on pixel centres and edges (where the top-left rule decides), both
// facings, culled or not, textured, under a scissor, in one band or several, come out as drawn with their
// edges' bounds, to the byte.
TEST(Rasterizer, SmallTrianglesCoverWhatTheirEdgesBoundsCover)
{
  constexpr int kSize = 64;
  std::mt19937 rng(44);
  std::uniform_real_distribution<float> unit(0, 1);
  const MTLScissorRect scissor{5, 7, 50, 40};
  int covered = 0;
  for (int round = 0; round < 48; ++round)
  {
    std::vector<Vertex> vertices;
    for (int t = 0; t < 80; ++t)
    {
      const float size = 0.1f + (round % 2 ? 6.0f : 2.0f) * unit(rng);
      const float x = (kSize + 4) * unit(rng) - 2, y = (kSize + 4) * unit(rng) - 2;
      for (int k = 0; k < 3; ++k)
      {
        float vx = x + size * unit(rng), vy = y + size * unit(rng);
        if (round % 3 == 0) vx = std::round(vx * 2) / 2, vy = std::round(vy * 2) / 2;
        vertices.push_back({vx, vy, 3 * unit(rng), 3 * unit(rng)});
      }
    }
    std::vector<uint8_t> pictures[2];
    for (int small = 0; small < 2; ++small)
    {
      Harness h(kSize, kSize);
      // After the harness, which sets its own.
      QorvMetalSetPixelsPerBand(round % 4 < 2 ? kTestPixelsPerBand : kSize * 16);
      QorvMetalSetOptions(*h.device, QorvGpuOptions{.smallTriangles = small == 1});
      Harness::DrawSpec d;
      d.vertices = vertices;
      // Additive, so that a pixel covered twice shows.
      d.pipeline = h.Pipeline("testTextureSpan", true, MTLBlendFactorOne, MTLBlendFactorOne);
      TextureTheDraw(h, d);
      d.colour[0] = d.colour[1] = d.colour[2] = d.colour[3] = 0.25f;
      d.cull = round % 5 == 1 ? MTLCullModeBack : round % 5 == 3 ? MTLCullModeFront : MTLCullModeNone;
      if (round % 7 == 2) d.scissor = &scissor;
      float clear[4] = {0, 0, 0, 0};
      h.Pass({d}, clear, true);
      pictures[small] = h.Pixels(h.colour);
    }
    ASSERT_EQ(pictures[1], pictures[0]) << "round " << round;
    for (size_t i = 3; i < pictures[0].size(); i += 4)
      covered += pictures[0][i] != 0;
  }
  QorvMetalSetPixelsPerBand(kTestPixelsPerBand);
  EXPECT_GT(covered, 500);
}

// Triangles tall enough to come back into a band's rows past the other bands' blocks (random ones, turned any
// way, with corners anywhere or on half pixels, where edges lie level or upright), textured and blended
// additively, drawn in two bands, three or many, cover what they cover in one, to the byte.
TEST(Rasterizer, TrianglesInBandsCoverWhatOneBandCovers)
{
  constexpr int kW = 67, kH = 230;
  std::mt19937 rng(46);
  std::uniform_real_distribution<float> unit(0, 1);
  int covered = 0;
  for (int round = 0; round < 24; ++round)
  {
    std::vector<Vertex> vertices;
    for (int t = 0; t < 12; ++t)
      for (int k = 0; k < 3; ++k)
      {
        float x = (kW + 10) * unit(rng) - 5, y = (kH + 10) * unit(rng) - 5;
        if (round % 2) x = std::round(x * 2) / 2, y = std::round(y * 2) / 2;
        // Some with a level edge or an upright one, from any of the three corners.
        if (k > 0 && t % 4 == 1 + k % 2) y = vertices.back().y;
        if (k > 0 && t % 4 == 3 && k == 2) x = vertices.back().x;
        vertices.push_back({x, y, 3 * unit(rng), 3 * unit(rng)});
      }
    std::vector<uint8_t> one;
    for (const uint64_t share : {(uint64_t)kW * kH * 4, (uint64_t)kW * kH / 2, (uint64_t)kW * kH / 3,
                                 kTestPixelsPerBand})
    {
      Harness h(kW, kH);
      QorvMetalSetPixelsPerBand(share); // after the harness, which sets its own
      Harness::DrawSpec d;
      d.vertices = vertices;
      // Additive, so that a pixel covered twice shows.
      d.pipeline = h.Pipeline("testTextureSpan", true, MTLBlendFactorOne, MTLBlendFactorOne);
      TextureTheDraw(h, d);
      d.colour[0] = d.colour[1] = d.colour[2] = d.colour[3] = 0.25f;
      float clear[4] = {0, 0, 0, 0};
      h.Pass({d}, clear, true);
      if (one.empty())
        one = h.Pixels(h.colour);
      else
        ASSERT_EQ(h.Pixels(h.colour), one) << "round " << round << ", share " << share;
    }
    for (size_t i = 3; i < one.size(); i += 4)
      covered += one[i] != 0;
  }
  QorvMetalSetPixelsPerBand(kTestPixelsPerBand);
  EXPECT_GT(covered, 20000);
}

// Passes of stencil marks (no fragment function: positions alone) and textured covers that read their
// varyings, as lists, strips and indexed fans, over one sample a pixel or 16, scissored or not, in bands or
// not: the stencil (of one sample) and the colour with positions alone are those of whole vertices.
TEST(Rasterizer, PositionsAloneMarkWhatWholeVerticesMark)
{
  constexpr int kSize = 48;
  std::mt19937 rng(43);
  std::uniform_real_distribution<float> unit(0, 1);
  const MTLScissorRect scissor{3, 5, 30, 36};
  int marked = 0;
  for (int round = 0; round < 24; ++round)
  {
    const NSUInteger samples = round % 2 ? 16 : 1;
    std::vector<Vertex> shape;
    for (int k = 0, n = 3 + (int)(rng() % 12); k < n; ++k)
      shape.push_back({(kSize + 8) * unit(rng) - 4, (kSize + 8) * unit(rng) - 4, unit(rng), unit(rng)});
    std::vector<uint32_t> fan;
    for (uint32_t k = 1; k + 1 < shape.size(); ++k)
      fan.insert(fan.end(), {0, k, k + 1});
    std::vector<uint8_t> pictures[2], stencils[2];
    for (int alone = 0; alone < 2; ++alone)
    {
      Harness h(kSize, kSize);
      // After the harness, which sets its own.
      QorvMetalSetPixelsPerBand(round % 4 < 2 ? kTestPixelsPerBand : kSize * kSize * 4);
      if (samples > 1)
      {
        auto sd = MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormatStencil8, kSize,
                                                                           kSize, false);
        sd->usage = MTLTextureUsageRenderTarget;
        sd->sampleCount = samples;
        sd->textureType = MTLTextureType2DMultisample;
        h.stencil = h.device->newTextureWithDescriptor(*sd);
      }
      QorvMetalSetOptions(*h.device, QorvGpuOptions{.positionsAlone = alone == 1});
      Harness::DrawSpec mark;
      mark.pipeline =
          h.Pipeline(nullptr, false, MTLBlendFactorOne, MTLBlendFactorZero, MTLColorWriteMaskNone, samples);
      mark.depthStencil =
          Harness::Stencil(*h.device, MTLCompareFunctionAlways, MTLStencilOperationIncrementWrap,
                           MTLStencilOperationKeep, MTLStencilOperationDecrementWrap);
      if (round % 3 == 0) mark.scissor = &scissor;
      Harness::DrawSpec strip = mark, list = mark;
      mark.vertices = shape, mark.indices = fan;
      strip.vertices = shape, strip.type = MTLPrimitiveTypeTriangleStrip;
      list.vertices = shape, list.vertices.resize(shape.size() / 3 * 3);
      Harness::DrawSpec cover;
      cover.pipeline =
          h.Pipeline("testTextureSpan", true, MTLBlendFactorOne, MTLBlendFactorOneMinusSourceAlpha);
      cover.depthStencil = Harness::Stencil(*h.device, MTLCompareFunctionNotEqual, MTLStencilOperationKeep,
                                            MTLStencilOperationKeep, MTLStencilOperationKeep);
      cover.vertices = Quad(0, 0, kSize, kSize);
      for (Vertex& v : cover.vertices)
        v.u = v.x / 7, v.v = v.y / 5;
      TextureTheDraw(h, cover, true);
      float clear[4] = {0, 0, 0, 0};
      h.Pass({mark, strip, list}, clear, true);
      if (samples == 1) stencils[alone] = h.Pixels(h.stencil);
      h.Pass({cover});
      pictures[alone] = h.Pixels(h.colour);
    }
    ASSERT_EQ(stencils[1], stencils[0]) << "round " << round;
    ASSERT_EQ(pictures[1], pictures[0]) << "round " << round;
    for (size_t i = 3; i < pictures[0].size(); i += 4)
      marked += pictures[0][i] != 0;
  }
  QorvMetalSetPixelsPerBand(kTestPixelsPerBand);
  EXPECT_GT(marked, 2000);
}

namespace
{
// The farthest a fragment's (u, v) lay from its pixel centre, for vertices whose (u, v) is their position.
std::atomic<float> gFarthest{0.0f};

bool FarthestNotingFragment(const QorvFragmentIn& in, float colour[4])
{
  const float off =
      std::max(std::fabs(in.varyings[0] - in.position[0]), std::fabs(in.varyings[1] - in.position[1]));
  for (float seen = gFarthest.load(); off > seen && !gFarthest.compare_exchange_weak(seen, off);)
    ;
  colour[0] = colour[1] = colour[2] = colour[3] = 0.0f;
  return true;
}
} // namespace

// A fan over a polygon of many corners (a circle's, an ellipse's, long and thin ones, turned) interpolates
// the varyings as its triangles do, to the rounding of their corners to the rasteriser's grid: positions
// given as varyings come out within a few 512ths of a pixel of the pixel centres, as they do drawn as a list
// that is no fan, and not carried across the polygon from a sliver of it (which puts them a hundredth of a
// pixel off, and a scissor's edge a few levels).
TEST(Rasterizer, FansInterpolateAsTheirTrianglesDo)
{
  constexpr int kSize = 120;
  Harness h(kSize, kSize);
  UseFragmentLibrary(h, "testFarthest", FarthestNotingFragment);
  std::mt19937 rng(29);
  std::uniform_real_distribution<float> unit(0, 1);
  for (int round = 0; round < 60; ++round)
  {
    const float cx = 20 + 80 * unit(rng), cy = 20 + 80 * unit(rng), rx = 1 + 60 * unit(rng),
                ry = 1 + 60 * unit(rng), turn = 6.2831853f * unit(rng);
    const int n = 8 + (int)(rng() % 90);
    Harness::DrawSpec d;
    for (int i = 0; i < n; ++i)
    {
      const float a = 6.2831853f * (float)i / (float)n, ex = rx * std::cos(a), ey = ry * std::sin(a);
      const float x = cx + ex * std::cos(turn) - ey * std::sin(turn),
                  y = cy + ex * std::sin(turn) + ey * std::cos(turn);
      d.vertices.push_back({x, y, x, y});
    }
    d.pipeline = h.Pipeline("testFarthest");
    for (bool fan : {true, false})
    {
      d.indices.clear();
      for (uint32_t i = 1; i + 1 < (uint32_t)n; ++i)
      {
        const uint32_t t[3] = {0, i, i + 1};
        for (int k = 0; k < 3; ++k)
          d.indices.push_back(t[fan ? k : (k + 1) % 3]);
      }
      gFarthest = 0.0f;
      h.Pass({d});
      EXPECT_LE(gFarthest.load(), 3.0f / 512)
          << (fan ? "fan" : "list") << " round " << round << ", " << n << " corners";
    }
  }
}

// What a view's draws leave with the drawing thread (the draws kept with their lists' room for the next
// pass, a pass's ids and draw list) goes when the view's queue closes, not at the thread's end: a host that
// opens and closes views all day keeps nothing of the closed ones.
TEST(Rasterizer, AClosedQueueLeavesNoRoomOfItsDrawsWithTheThread)
{
  if (!qorvtest::kAllocatedBytesCounted)
    GTEST_SKIP() << "bytes in use are counted under AddressSanitizer only";
  auto pass = [](int draws)
  {
    Harness h(64, 64);
    std::vector<Harness::DrawSpec> specs(static_cast<size_t>(draws));
    for (int i = 0; i < draws; ++i)
    {
      specs[size_t(i)].vertices = Quad(float(i % 60), 1, float(i % 60) + 3.5f, 40);
      specs[size_t(i)].pipeline = h.Pipeline("testSolid");
    }
    h.Pass(specs);
  };
  pass(1); // the same target in as many bands: what stays for the process is made here
  const size_t before = qorvtest::AllocatedBytes();
  pass(400);
  EXPECT_LE(qorvtest::AllocatedBytes(), before + 1024);
}

namespace
{
std::mutex gFetchedMutex;
std::map<uint32_t, std::array<std::array<float, 4>, kQorvMaxAttributes>> gFetched;

// Notes what each vertex was given; every vertex lands on one point, so nothing is drawn.
void FetchNotingVertex(const QorvVertexIn& in, QorvVertexOut& out)
{
  {
    std::lock_guard<std::mutex> lock(gFetchedMutex);
    auto& seen = gFetched[in.vertexId];
    for (int a = 0; a < kQorvMaxAttributes; ++a)
      std::copy(in.attributes[a], in.attributes[a] + 4, seen[a].begin());
  }
  out.position[0] = out.position[1] = out.position[2] = 0;
  out.position[3] = 1;
}
} // namespace

// Each vertex gets the attributes its descriptor names, whatever the vertices shaded before it got: each
// format's floats, (0, 0, 0, 1) for the rest, and all of that for an attribute out of its buffer's range (as
// with robust buffer access), unbound, or of no format. Vertices in and out of range take turns.
TEST(Rasterizer, VertexFetchGivesEachVertexItsOwnAttributes)
{
  Harness h;
  QorvMetalRegisterVertexFunction("testFetchNoting", FetchNotingVertex, 0);
  auto bytes = QorvMetalLibraryData({{MTLFunctionTypeVertex, "testFetchNoting"}});
  dispatch_data_t data =
      dispatch_data_create(bytes.data(), bytes.size(), nullptr, DISPATCH_DATA_DESTRUCTOR_DEFAULT);
  auto library = h.device->newLibraryWithData(data, nullptr);
  dispatch_release(data);

  struct Attribute
  {
    MTLVertexFormat format;
    NSUInteger offset, buffer;
  };
  // Buffer 0: 6 vertices of 20 bytes (the Float3 at 12 runs past the last); 2: one constant Float4; 3:
  // unbound; 4: 2 vertices of 16 bytes.
  const Attribute attributes[] = {{MTLVertexFormatFloat2, 0, 0},  {MTLVertexFormatUChar4Normalized, 8, 0},
                                  {MTLVertexFormatFloat3, 12, 0}, {MTLVertexFormatFloat4, 0, 2},
                                  {MTLVertexFormatFloat, 0, 3},   {MTLVertexFormatFloat4, 0, 4},
                                  {MTLVertexFormatFloat, 4, 99},  {MTLVertexFormatInvalid, 0, 0}};
  const NSUInteger strides[] = {20, 0, 0, 0, 16};
  MTLRenderPipelineDescriptor d;
  d.vertexFunction = library->newFunctionWithName("testFetchNoting");
  auto vd = MTLVertexDescriptor::vertexDescriptor();
  for (int a = 0; a < kQorvMaxAttributes; ++a)
    vd->attributes[a] = {attributes[a].format, attributes[a].offset, attributes[a].buffer};
  for (int b = 0; b < 5; ++b)
    vd->layouts[b].stride = strides[b];
  vd->layouts[2].stepFunction = MTLVertexStepFunctionConstant;
  d.vertexDescriptor = vd;
  d.colorAttachments[0].pixelFormat = h.colour->pixelFormat();
  d.stencilAttachmentPixelFormat = MTLPixelFormatStencil8;
  auto pipeline = h.device->newRenderPipelineStateWithDescriptor(d, nullptr);

  std::mt19937 random(7);
  std::uniform_real_distribution<float> value(-100, 100);
  std::vector<unsigned char> buffers[5];
  buffers[0].resize(6 * 20), buffers[2].resize(16), buffers[4].resize(2 * 16);
  for (auto& b : buffers)
    for (size_t i = 0; i + 4 <= b.size(); i += 4)
    {
      const float f = value(random);
      std::memcpy(&b[i], &f, 4);
    }
  const std::vector<uint32_t> indices = {5, 0, 4, 1, 3, 2};
  gFetched.clear();
  auto cb = h.queue->commandBuffer();
  auto pass = MTLRenderPassDescriptor::renderPassDescriptor();
  pass->colorAttachments[0].texture = h.colour;
  pass->stencilAttachment.texture = h.stencil;
  auto enc = cb->renderCommandEncoderWithDescriptor(*pass);
  enc->setRenderPipelineState(pipeline);
  for (int b : {0, 2, 4})
    enc->setVertexBuffer(
        h.device->newBufferWithBytes(buffers[b].data(), buffers[b].size(), MTLResourceStorageModeShared), 0,
        b);
  enc->drawIndexedPrimitives(
      MTLPrimitiveTypeTriangle, indices.size(), MTLIndexTypeUInt32,
      h.device->newBufferWithBytes(indices.data(), indices.size() * 4, MTLResourceStorageModeShared), 0);
  enc->endEncoding();
  cb->commit();
  cb->waitUntilCompleted();

  ASSERT_EQ(gFetched.size(), 6u);
  const int floats[] = {2, 4, 3, 4, 1, 4, 1, 0};
  for (uint32_t id = 0; id < 6; ++id)
    for (int a = 0; a < kQorvMaxAttributes; ++a)
    {
      const Attribute& at = attributes[a];
      std::array<float, 4> expected = {0, 0, 0, 1};
      const NSUInteger size = at.format == MTLVertexFormatUChar4Normalized ? 4 : 4 * floats[a];
      const NSUInteger from = at.offset + (at.buffer == 2 ? 0 : strides[at.buffer < 5 ? at.buffer : 0] * id);
      if (at.buffer < 5 && at.format != MTLVertexFormatInvalid && !buffers[at.buffer].empty() &&
          from + size <= buffers[at.buffer].size())
      {
        for (int i = 0; i < floats[a]; ++i)
          if (at.format == MTLVertexFormatUChar4Normalized)
            expected[i] = buffers[at.buffer][from + i] / 255.0f;
          else
            std::memcpy(&expected[i], &buffers[at.buffer][from + 4 * i], 4);
      }
      EXPECT_EQ(gFetched[id][a], expected) << "vertex " << id << ", attribute " << a;
    }
}

// Draws share their bindings until one changes, while offsets, the scissor and the stencil reference are
// each draw's own; a buffer rebound away must live until the draws that read it are done.
TEST(Rasterizer, EachDrawReadsTheStateItWasEncodedWith)
{
  Harness h(16, 4);
  std::vector<Vertex> quads;
  float colours[4][4];
  for (int i = 0; i < 4; ++i)
  {
    const auto q = Quad(4.f * i, 0, 4.f * i + 4, 4);
    quads.insert(quads.end(), q.begin(), q.end());
    for (int c = 0; c < 4; ++c)
      colours[i][c] = c == 3 ? 1.f : float((i + c) % 4) / 3.f;
  }
  auto cb = h.queue->commandBuffer();
  auto pass = MTLRenderPassDescriptor::renderPassDescriptor();
  pass->colorAttachments[0].texture = h.colour;
  pass->colorAttachments[0].loadAction = MTLLoadActionClear;
  pass->stencilAttachment.texture = h.stencil;
  auto enc = cb->renderCommandEncoderWithDescriptor(*pass);
  const float size[2] = {16, 4};
  enc->setVertexBuffer(h.device->newBufferWithBytes(size, 8, MTLResourceStorageModeShared), 0, 1);
  enc->setRenderPipelineState(h.Pipeline("testSolid"));
  auto fragment = h.device->newBufferWithBytes(colours, sizeof colours, MTLResourceStorageModeShared);
  enc->setFragmentBuffer(fragment, 0, 0);
  auto vertices = [&]
  {
    return h.device->newBufferWithBytes(quads.data(), quads.size() * sizeof(Vertex),
                                        MTLResourceStorageModeShared);
  };
  enc->setVertexBuffer(vertices(), 0, 0);
  for (NSUInteger i = 0; i < 4; ++i)
  {
    if (i == 2) enc->setVertexBuffer(vertices(), 0, 0); // the first goes with the draws that read it
    if (i == 3) enc->setFragmentBuffer(fragment, 0, 0); // the same buffer again, at offset 0
    enc->setVertexBufferOffset(i * 6 * sizeof(Vertex), 0);
    if (i != 3) enc->setFragmentBufferOffset(i * 16, 0);
    enc->setScissorRect(MTLScissorRect{4 * i, 0, i == 1 ? 2u : 4u, 4});
    enc->drawPrimitives(MTLPrimitiveTypeTriangle, 0, 6);
  }
  fragment.reset();
  enc->endEncoding();
  cb->commit();
  cb->waitUntilCompleted();

  for (int x = 0; x < 16; ++x)
  {
    const int i = x / 4;
    const bool cut = i == 1 && x % 4 >= 2;
    const float* c = colours[i == 3 ? 0 : i];
    const std::vector<uint8_t> want =
        cut ? std::vector<uint8_t>{0, 0, 0, 255}
            : std::vector<uint8_t>{uint8_t(std::lround(c[0] * 255)), uint8_t(std::lround(c[1] * 255)),
                                   uint8_t(std::lround(c[2] * 255)), 255};
    EXPECT_EQ(h.ColourAt(x, 2), want) << "x " << x;
  }
}
