// A multisampled stencil: a pipeline of its samples that writes no colour marks each sample on its own, and
// a pipeline of one sample weighs its colour by the share of a pixel's samples that pass.
#include "tests/platform/SoftwareGpu.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <type_traits>
#include <vector>

using namespace gputest;

namespace
{
constexpr NSUInteger kSamples = 16;

std::shared_ptr<MTLTexture> SampledStencil(MTLDevice& device, int w, int h, NSUInteger samples)
{
  auto d = MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormatStencil8, w, h, false);
  d->usage = MTLTextureUsageRenderTarget;
  d->textureType = samples > 1 ? MTLTextureType2DMultisample : MTLTextureType2D;
  d->sampleCount = samples;
  return device.newTextureWithDescriptor(*d);
}

// Red of each pixel of row 0 after a rectangle from x = 0 to `right` (all rows) marks the stencil (at each
// sample with a pipeline of the stencil's samples, else at pixel centres) and a white cover over black
// colours where it is marked (or, cover "testCoverageShare", draws the grey of the share that passed).
std::vector<int> CoveredRow(NSUInteger stencilSamples, NSUInteger rasterSamples, float right,
                            const char* coverFunction = "testSolid", const QorvGpuOptions& options = {},
                            const float* coverColour = nullptr)
{
  Harness h(8, 4);
  QorvMetalSetOptions(*h.device, options);
  h.stencil = SampledStencil(*h.device, 8, 4, stencilSamples);
  Harness::DrawSpec mark;
  mark.vertices = Quad(0, 0, right, 4);
  mark.pipeline =
      h.Pipeline(nullptr, false, MTLBlendFactorOne, MTLBlendFactorZero, MTLColorWriteMaskNone, rasterSamples);
  mark.depthStencil = Harness::Stencil(*h.device, MTLCompareFunctionAlways, MTLStencilOperationIncrementWrap,
                                       MTLStencilOperationKeep, MTLStencilOperationIncrementWrap);
  Harness::DrawSpec cover;
  cover.vertices = Quad(0, 0, 8, 4);
  cover.pipeline = h.Pipeline(coverFunction, true, MTLBlendFactorOne, MTLBlendFactorOneMinusSourceAlpha);
  cover.depthStencil = Harness::Stencil(*h.device, MTLCompareFunctionNotEqual, MTLStencilOperationZero,
                                        MTLStencilOperationZero, MTLStencilOperationZero);
  if (coverColour) std::copy(coverColour, coverColour + 4, cover.colour);
  const float black[4] = {0, 0, 0, 1};
  h.Pass({mark, cover}, black, true);
  std::vector<int> row;
  const std::vector<uint8_t> pixels = h.Pixels(h.colour);
  for (int x = 0; x < 8; ++x)
    row.push_back(pixels[(size_t)x * 4]);
  // The cover leaves every sample it reached at 0.
  for (uint8_t s : h.Pixels(h.stencil))
    EXPECT_EQ(s, 0);
  return row;
}

// One colour a run of fragments, told by where the run starts and how long it is: the pictures show the runs
// the shader is given.
void RunColour(const QorvFragmentSpanIn& in, float out[4])
{
  const float alpha = 0.5f + 0.5f * (float)(in.count % 3) / 2.0f;
  out[0] = alpha * (float)(in.x % 7) / 6.0f, out[1] = alpha * (float)(in.count % 5) / 4.0f;
  out[2] = alpha * (float)(in.y % 3) / 2.0f, out[3] = alpha;
}

QorvSpanKind RunColourAsk(const QorvFragmentSpanIn& in, const float (*)[kQorvMaxVaryings], int rows,
                          unsigned wants, QorvSpanAnswer& answer)
{
  answer = QorvSpanAnswer{};
  if (rows == 0 && (wants & QorvWants(QorvSpanKind::kOneColour)))
  {
    RunColour(in, answer.colour);
    answer.kind = QorvSpanKind::kOneColour;
  }
  return answer.kind;
}

void RunColourSpan(const QorvFragmentSpanIn& in, float (*colour)[4], unsigned char* keep)
{
  std::memset(keep, 1, (size_t)in.count);
  if (colour)
    for (int i = 0; i < in.count; ++i)
      RunColour(in, colour[i]);
}

// The solid colour of buffer 0 where x + y is not a multiple of 3; the others discarded.
bool DiscardSomeFragment(const QorvFragmentIn& in, float colour[4])
{
  return ((int)in.position[0] + (int)in.position[1]) % 3 != 0 && SolidFragment(in, colour);
}

void DiscardSomeSpan(const QorvFragmentSpanIn& in, float (*colour)[4], unsigned char* keep)
{
  SolidSpan(in, colour, keep);
  for (int i = 0; i < in.count; ++i)
    keep[i] = (in.x + i + in.y) % 3 != 0;
}

// The harness's library made of the vertex function, the solid span and the fragment function name.
void UseFragmentFunction(Harness& h, const char* name)
{
  auto more = QorvMetalLibraryData({{MTLFunctionTypeVertex, "testVertex"},
                                    {MTLFunctionTypeFragment, name},
                                    {MTLFunctionTypeFragment, "testSolidSpan"}});
  dispatch_data_t data =
      dispatch_data_create(more.data(), more.size(), nullptr, DISPATCH_DATA_DESTRUCTOR_DEFAULT);
  h.library = h.device->newLibraryWithData(data, nullptr);
  dispatch_release(data);
}

void UseRunColour(Harness& h)
{
  QorvMetalRegisterFragmentFunction("testRunColour", SolidFragment, RunColourSpan, RunColourAsk);
  UseFragmentFunction(h, "testRunColour");
}

// The samples after draws mark a cleared stencil of 16 samples a pixel, front faces counting up and back ones
// down (or up too, bothUp) in the low 7 bits or both inverting them; where marked is given, first its rectangle sets the top bit
// at pixel centres and the draws mark only where it is not; the second draw under scissor where given.
std::vector<uint8_t> MarkedSamples(Harness& h, const std::vector<Harness::DrawSpec>& draws, bool inverts,
                                   const std::vector<Vertex>* marked, const MTLScissorRect* scissor,
                                   bool bothUp = false)
{
  MTLDepthStencilDescriptor d;
  d.frontFaceStencil = std::make_shared<MTLStencilDescriptor>();
  d.frontFaceStencil->stencilCompareFunction = marked ? MTLCompareFunctionEqual : MTLCompareFunctionAlways;
  d.frontFaceStencil->readMask = 0x80;
  d.frontFaceStencil->depthStencilPassOperation =
      inverts ? MTLStencilOperationInvert : MTLStencilOperationIncrementWrap;
  d.frontFaceStencil->writeMask = 0x7F;
  d.backFaceStencil = std::make_shared<MTLStencilDescriptor>(*d.frontFaceStencil);
  d.backFaceStencil->depthStencilPassOperation = inverts  ? MTLStencilOperationInvert
                                                 : bothUp ? MTLStencilOperationIncrementWrap
                                                          : MTLStencilOperationDecrementWrap;
  const auto state = h.device->newDepthStencilStateWithDescriptor(d);
  const auto pipeline =
      h.Pipeline(nullptr, false, MTLBlendFactorOne, MTLBlendFactorZero, MTLColorWriteMaskNone, kSamples);
  std::vector<Harness::DrawSpec> marks = draws;
  for (size_t i = 0; i < marks.size(); ++i)
  {
    marks[i].pipeline = pipeline, marks[i].depthStencil = state;
    // The reference's bits beyond the test's are not asked.
    marks[i].reference = 0x7F;
    if (i == 1) marks[i].scissor = scissor;
  }
  if (marked)
  {
    Harness::DrawSpec mark;
    mark.vertices = *marked;
    mark.pipeline = h.Pipeline(nullptr, false, MTLBlendFactorOne, MTLBlendFactorZero, MTLColorWriteMaskNone);
    MTLDepthStencilDescriptor md;
    md.frontFaceStencil = std::make_shared<MTLStencilDescriptor>();
    md.frontFaceStencil->stencilCompareFunction = MTLCompareFunctionAlways;
    md.frontFaceStencil->depthStencilPassOperation = MTLStencilOperationReplace;
    md.frontFaceStencil->writeMask = 0x80;
    md.backFaceStencil = std::make_shared<MTLStencilDescriptor>(*md.frontFaceStencil);
    mark.depthStencil = h.device->newDepthStencilStateWithDescriptor(md);
    mark.reference = 0x80;
    marks.insert(marks.begin(), mark);
  }
  const float clear[4] = {0, 0, 0, 1};
  h.Pass(marks, clear, true);
  return h.Pixels(h.stencil);
}
} // namespace

// An upright edge through a pixel covers as many of its 16 samples as sixteenths of the pixel lie on its
// side (no two samples share a column), and the cover weighs the pixel's colour by them.
TEST(SampledStencil, CoverWeighsEachPixelByItsMarkedSamples)
{
  for (int sixteenths = 0; sixteenths <= 16; ++sixteenths)
  {
    const std::vector<int> row = CoveredRow(kSamples, kSamples, 2.0f + sixteenths / 16.0f);
    EXPECT_EQ(row[1], 255);
    EXPECT_NEAR(row[2], 255.0 * sixteenths / 16.0, 0.5) << sixteenths;
    EXPECT_EQ(row[3], 0);
  }
}

// A fragment function that reads its coverage after the stencil test is given how many of a pixel's samples
// passed, and its colour is not weighed by them again: the grey of that share, once.
TEST(SampledStencil, CoverageIsGivenToFunctionsThatReadIt)
{
  for (int sixteenths = 0; sixteenths <= 16; ++sixteenths)
  {
    const std::vector<int> row =
        CoveredRow(kSamples, kSamples, 2.0f + sixteenths / 16.0f, "testCoverageShare");
    EXPECT_EQ(row[1], 255);
    EXPECT_NEAR(row[2], 255.0 * sixteenths / 16.0, 0.5) << sixteenths;
    EXPECT_EQ(row[3], 0);
  }
  // Over a stencil of one sample a pixel passes whole or not at all.
  EXPECT_EQ(CoveredRow(1, 1, 2.7f, "testCoverageShare"), CoveredRow(1, 1, 2.7f));
}

// Such a function's draw form is asked once a draw, from its bindings, and each span is handed what it gave;
// without the draw's shortcuts (gpu.coverageSpans) it is not asked and the spans are handed nothing.
TEST(SampledStencil, ADrawFormIsAskedOnceADrawAndHandedToEachSpan)
{
  const float red[4] = {0.6f, 1, 1, 1};
  for (const bool shortcuts : {true, false})
  {
    QorvGpuOptions options;
    options.coverageSpans = shortcuts;
    coverageDrawForms = 0;
    const std::vector<int> row = CoveredRow(kSamples, kSamples, 2.5f, "testCoverageDrawn", options, red);
    EXPECT_EQ(coverageDrawForms, shortcuts ? 1 : 0);
    const double weight = shortcuts ? 0.6 : 0.25;
    EXPECT_NEAR(row[1], 255.0 * weight, 0.5) << shortcuts;
    EXPECT_NEAR(row[2], 255.0 * weight / 2.0, 0.5) << shortcuts;
    EXPECT_EQ(row[3], 0);
  }
}

// Marks of random fans (over outlines of 3 to 40 points that turn any way and reach past the target) and
// random triangles, front faces counting up and back ones down (or up too, in some rounds) in the low 7 bits
// or both inverting them, with and without culling and a scissor, over what earlier marks left, and in some
// rounds only where a mark in the top bit, made first over part of the target, is not: summed along rows
// (gpu.sampledSpans), in either arithmetic, and with and without the edges that a triangle shares with the
// one before summed at once (gpu.sharedEdges; some triangles come again as they were or turned over), by
// their edges or by a fan's outline alone (gpu.fanChains), the stencil's samples come out as triangle by
// triangle. The points are random floats, so that no sample lies exactly on a row through a vertex, where
// the two may differ.
TEST(SampledStencil, SumsMarkWhatTrianglesMark)
{
  std::mt19937 rng(64);
  auto uni = [&](float a, float b) { return std::uniform_real_distribution<float>(a, b)(rng); };
  constexpr int kW = 41, kH = 37;
  for (int round = 0; round < 120; ++round)
  {
    std::vector<Harness::DrawSpec> draws;
    for (int d = 0; d < 3; ++d)
    {
      Harness::DrawSpec draw;
      const int points = 3 + (int)(rng() % 38);
      for (int i = 0; i < points; ++i)
        draw.vertices.push_back({uni(-4, kW + 4), uni(-4, kH + 4), 0, 0});
      for (int i = 1; i + 1 < points; ++i)
        draw.indices.insert(draw.indices.end(), {0u, (uint32_t)i, (uint32_t)i + 1});
      for (int t = 0; t < (int)(rng() % 4); ++t)
      {
        const uint32_t at = (uint32_t)draw.vertices.size();
        for (int k = 0; k < 3; ++k)
          draw.vertices.push_back({uni(0, kW), uni(0, kH), 0, 0});
        draw.indices.insert(draw.indices.end(), {at, at + 1, at + 2});
        const bool again = rng() % 2, over = rng() % 2;
        if (again)
          draw.indices.insert(draw.indices.end(), {at, over ? at + 2 : at + 1, over ? at + 1 : at + 2});
      }
      draw.cull = round % 3 == 0 ? MTLCullModeBack : MTLCullModeNone;
      draws.push_back(draw);
    }
    const bool inverts = round % 4 == 1, outsideMarks = round % 2 == 0;
    const std::vector<Vertex> marked = Quad(uni(0, kW / 2), uni(0, kH / 2), uni(kW / 2, kW), uni(kH / 2, kH));
    const MTLScissorRect scissor{3, 5, 30, 25};
    std::vector<uint8_t> byTriangles;
    // Triangle by triangle, then summed in the SIMD arithmetic (over the crossings' ranges, and over whole
    // rows), in the portable one, and with shared edges summed at once, by a fan's outline or edge by edge.
    for (int way = 0; way < 6; ++way)
    {
      const bool sums = way > 0;
      Harness h(kW, kH);
      h.stencil = SampledStencil(*h.device, kW, kH, kSamples);
      QorvGpuOptions options;
      options.sampledSpans = sums;
      options.sharedEdges = way >= 4;
      options.fanChains = way == 4;
      options.simd = way != 2;
      options.sumRanges = way != 3;
      QorvMetalSetOptions(*h.device, options);
      const std::vector<uint8_t> samples = MarkedSamples(h, draws, inverts, outsideMarks ? &marked : nullptr,
                                                         round % 5 == 2 ? &scissor : nullptr, round % 4 == 3);
      ASSERT_EQ(samples.size(), (size_t)kW * kH * kSamples);
      if (!sums)
        byTriangles = samples;
      else
        ASSERT_EQ(samples, byTriangles) << "round " << round
                                        << (way == 2   ? ", portable"
                                            : way == 3 ? ", SIMD, whole rows"
                                            : way == 4 ? ", fans by their outlines"
                                            : way == 5 ? ", shared edges"
                                                       : ", SIMD");
    }
  }
}

// Fans over outlines of 3 to 300 points around a centre (near, on or off the target), 0.2 to 80 pixels
// across or up to 400,000, star-like or round and turned any way, their points on sixteenths of a pixel in
// some rounds (so that samples lie on their edges and rows of samples through their ends) and on whole
// columns in others (upright edges), marked as above in bands of rows, with and without a scissor and
// culling: an edge stepped down its rows of samples (gpu.sampleRowEdges), one by one or a row of pixels at a
// time, marks the samples that its 16 samples' bounds set up by division mark, in either arithmetic.
TEST(SampledStencil, SampleRowEdgesMarkWhatEveryEdgeMarks)
{
  std::mt19937 rng(46);
  auto uni = [&](float a, float b) { return std::uniform_real_distribution<float>(a, b)(rng); };
  constexpr int kW = 75, kH = 61;
  for (int round = 0; round < 160; ++round)
  {
    std::vector<Harness::DrawSpec> draws;
    const bool onSixteenths = round % 3 == 1;
    for (int d = 0; d < 2; ++d)
    {
      Harness::DrawSpec draw;
      const int points = 3 + (int)(rng() % (round % 2 ? 298 : 30));
      // Some thousands of pixels across, their edges long and their crossings far off.
      const float cx = uni(-10, kW + 10), cy = uni(-10, kH + 10),
                  radius = round % 7 == 3 ? uni(1e3f, 2e5f) : std::exp(uni(-2.3f, 3.7f)), turn = uni(0, 6.3f),
                  inner = uni(0.2f, 1.0f);
      for (int i = 0; i < points; ++i)
      {
        const float a = turn + 6.2831853f * (float)i / (float)points, r = radius * (i % 2 ? inner : 1.0f);
        float x = cx + r * std::cos(a), y = cy + r * std::sin(a);
        if (onSixteenths) x = std::round(x * 16) / 16, y = std::round(y * 16) / 16;
        if (round % 5 == 4) x = std::round(x); // upright edges where points share a column
        draw.vertices.push_back({x, y, 0, 0});
      }
      for (int i = 1; i + 1 < points; ++i)
        draw.indices.insert(draw.indices.end(), {0u, (uint32_t)i, (uint32_t)i + 1});
      draw.cull = round % 4 == 0 ? MTLCullModeBack : MTLCullModeNone;
      draws.push_back(draw);
    }
    const bool inverts = round % 5 == 1, outsideMarks = round % 2 == 0;
    const std::vector<Vertex> marked = Quad(uni(0, kW / 2), uni(0, kH / 2), uni(kW / 2, kW), uni(kH / 2, kH));
    const MTLScissorRect scissor{(NSUInteger)(rng() % 20), (NSUInteger)(rng() % 20), 40, 30};
    std::vector<uint8_t> everyEdge;
    for (int way = 0; way < 4; ++way)
    {
      Harness h(kW, kH);
      h.stencil = SampledStencil(*h.device, kW, kH, kSamples);
      QorvGpuOptions options;
      options.sampleRowEdges = way % 2 == 1;
      options.simd = way < 2;
      QorvMetalSetOptions(*h.device, options);
      const std::vector<uint8_t> samples = MarkedSamples(h, draws, inverts, outsideMarks ? &marked : nullptr,
                                                         round % 3 == 2 ? &scissor : nullptr);
      if (!options.sampleRowEdges)
        everyEdge = samples;
      else
        ASSERT_EQ(samples, everyEdge) << "round " << round << (options.simd ? "" : ", portable");
    }
  }
}

// A pipeline of one sample marks every sample of a pixel whose centre it covers: the picture of a stencil
// of one sample.
TEST(SampledStencil, OneSamplePipelinesMarkWholePixels)
{
  for (float right : {2.2f, 2.5f, 2.7f})
    EXPECT_EQ(CoveredRow(kSamples, 1, right), CoveredRow(1, 1, right)) << right;
}

// Multisampled textures are stencils of a count the device supports.
TEST(SampledStencil, TexturesOfSamplesAreStencilsOfSupportedCounts)
{
  auto device = MTLCreateSystemDefaultDevice();
  EXPECT_TRUE(device->supportsTextureSampleCount(16));
  EXPECT_FALSE(device->supportsTextureSampleCount(3));
  EXPECT_NE(SampledStencil(*device, 4, 4, 16), nullptr);
  EXPECT_EQ(SampledStencil(*device, 4, 4, 3), nullptr);
  auto colour =
      MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormatRGBA8Unorm, 4, 4, false);
  colour->textureType = MTLTextureType2DMultisample;
  colour->sampleCount = 4;
  EXPECT_EQ(device->newTextureWithDescriptor(*colour), nullptr);
  auto flat = MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormatStencil8, 4, 4, false);
  flat->sampleCount = 4;
  EXPECT_EQ(device->newTextureWithDescriptor(*flat), nullptr);
}

// Covers of one colour (opaque or not, source-over or another blend, into RGBA or BGRA) over samples that
// random marks left (runs of one value, pixels whose samples differ, a mark of the top bit at pixel centres),
// with random tests, operations, masks, references, turned covers and scissors: tested a pixel's samples at
// once where they hold the pixel before's value (gpu.sampledCover), and blended where the colour lies over
// the bytes of four pixels before as those were (gpu.repeatedBlends), they give the colour and samples of
// each sample tested and each pixel blended on its own, with and without the stencil skipping, and in the
// portable arithmetic. In some rounds each run of fragments takes a colour of its own: the shortcut shades
// the runs the general path does.
TEST(SampledStencil, OneColourRunsGiveTheGeneralPathsBytes)
{
  std::mt19937 rng(42);
  auto uni = [&](float a, float b) { return std::uniform_real_distribution<float>(a, b)(rng); };
  auto pick = [&](auto... values)
  {
    const std::common_type_t<decltype(values)...> all[] = {values...};
    return all[rng() % sizeof...(values)];
  };
  constexpr int kW = 53, kH = 29;
  for (int round = 0; round < 160; ++round)
  {
    const MTLPixelFormat format = round % 2 ? MTLPixelFormatBGRA8Unorm : MTLPixelFormatRGBA8Unorm;
    // The marks: triangles at each sample counting up or down, some wide enough to leave runs.
    std::vector<Vertex> marks;
    for (int t = 0, count = 1 + (int)(rng() % 6); t < count; ++t)
    {
      const float cx = uni(0, kW), cy = uni(0, kH), r = uni(2, 40);
      for (int k = 0; k < 3; ++k)
        marks.push_back({cx + uni(-r, r), cy + uni(-r, r), 0, 0});
    }
    const std::vector<Vertex> top =
        Quad(uni(-5, kW / 2), uni(-5, kH / 2), uni(kW / 2, kW + 5), uni(kH / 2, kH));
    const bool topMark = rng() % 2;
    // The cover: an upright quad over the target or a turned one.
    std::vector<Vertex> cover = Quad(-1, -1, kW + 1, kH + 1);
    if (round % 3 == 1)
    {
      const float a = uni(0, 6.3f), cx = kW / 2.0f, cy = kH / 2.0f;
      for (Vertex& v : cover)
      {
        const float x = v.x - cx, y = v.y - cy;
        v.x = cx + x * std::cos(a) - y * std::sin(a), v.y = cy + x * std::sin(a) + y * std::cos(a);
      }
    }
    const MTLCompareFunction compare =
        pick(MTLCompareFunctionNotEqual, MTLCompareFunctionEqual, MTLCompareFunctionLess,
             MTLCompareFunctionGreater, MTLCompareFunctionAlways, MTLCompareFunctionNever);
    const MTLStencilOperation pass = pick(MTLStencilOperationZero, MTLStencilOperationKeep,
                                          MTLStencilOperationInvert, MTLStencilOperationIncrementWrap,
                                          MTLStencilOperationReplace),
                              fail = pick(MTLStencilOperationZero, MTLStencilOperationKeep,
                                          MTLStencilOperationDecrementClamp, MTLStencilOperationReplace);
    const uint32_t readMask = pick(0x7Fu, 0xFFu, 0x80u), writeMask = pick(0xFFu, 0x7Fu),
                   reference = pick(0u, 1u, 0x80u, 0x7Fu);
    const bool sourceOver = round % 5 != 4, opaque = rng() % 3 == 0;
    const float alpha = opaque ? 1.0f : uni(0, 1);
    const float colour[4] = {uni(0, alpha), uni(0, alpha), uni(0, alpha), alpha};
    const MTLScissorRect scissor{(NSUInteger)(rng() % 10), (NSUInteger)(rng() % 8), 30, 17};
    const bool scissored = round % 4 == 2, byRuns = round % 3 == 0;
    std::vector<uint8_t> general, generalSamples;
    // The general path and the shortcut, each with the stencil skipping, without it, and in the portable
    // arithmetic.
    for (int way = 0; way < 6; ++way)
    {
      Harness h(kW, kH, format);
      if (byRuns) UseRunColour(h);
      h.stencil = SampledStencil(*h.device, kW, kH, kSamples);
      QorvGpuOptions options;
      options.sampledCover = options.repeatedBlends = way % 2 == 1;
      options.stencilSkipping = way / 2 != 1;
      options.simd = way / 2 != 2;
      QorvMetalSetOptions(*h.device, options);
      Harness::DrawSpec mark;
      mark.vertices = marks;
      mark.pipeline =
          h.Pipeline(nullptr, false, MTLBlendFactorOne, MTLBlendFactorZero, MTLColorWriteMaskNone, kSamples);
      mark.depthStencil =
          Harness::Stencil(*h.device, MTLCompareFunctionAlways, MTLStencilOperationIncrementWrap,
                           MTLStencilOperationKeep, MTLStencilOperationDecrementWrap);
      Harness::DrawSpec centres;
      centres.vertices = top;
      centres.pipeline =
          h.Pipeline(nullptr, false, MTLBlendFactorOne, MTLBlendFactorZero, MTLColorWriteMaskNone);
      centres.depthStencil = Harness::Stencil(*h.device, MTLCompareFunctionAlways, MTLStencilOperationReplace,
                                              MTLStencilOperationKeep, MTLStencilOperationReplace);
      centres.reference = 0x80;
      Harness::DrawSpec coverDraw;
      coverDraw.vertices = cover;
      coverDraw.pipeline = h.Pipeline(byRuns ? "testRunColour" : "testSolidSpan", true, MTLBlendFactorOne,
                                      sourceOver ? MTLBlendFactorOneMinusSourceAlpha : MTLBlendFactorOne);
      MTLDepthStencilDescriptor d;
      d.frontFaceStencil = std::make_shared<MTLStencilDescriptor>();
      d.frontFaceStencil->stencilCompareFunction = compare;
      d.frontFaceStencil->depthStencilPassOperation = pass;
      d.frontFaceStencil->stencilFailureOperation = fail;
      d.frontFaceStencil->readMask = readMask;
      d.frontFaceStencil->writeMask = writeMask;
      d.backFaceStencil = std::make_shared<MTLStencilDescriptor>(*d.frontFaceStencil);
      coverDraw.depthStencil = h.device->newDepthStencilStateWithDescriptor(d);
      coverDraw.reference = reference;
      std::copy(colour, colour + 4, coverDraw.colour);
      if (scissored) coverDraw.scissor = &scissor;
      std::vector<Harness::DrawSpec> draws = {mark};
      if (topMark) draws.push_back(centres);
      draws.push_back(coverDraw);
      // A second cover over what the first left.
      draws.push_back(coverDraw);
      const float clear[4] = {0.2f, 0.6f, 0.4f, 1};
      h.Pass(draws, clear, true);
      if (way % 2 == 0)
      {
        general = h.Pixels(h.colour), generalSamples = h.Pixels(h.stencil);
        continue;
      }
      ASSERT_EQ(h.Pixels(h.colour), general) << "round " << round << ", way " << way;
      ASSERT_EQ(h.Pixels(h.stencil), generalSamples) << "round " << round << ", way " << way;
    }
  }
}

// Strips a fifth of a pixel to three wide along closed outlines of 3 to 10 corners that turn any way (so that
// they cross), drawn as a sampled fill draws its fringe: counted in the stencil (16 samples a pixel, or one,
// some marked at each sample before) by a draw without a fragment function, then in colour where a pixel was
// counted once, then a cover; by shaders that read their varyings, answer one colour, show the runs they are
// given, read their coverage or discard some fragments; under blends of the composite operations, culled or
// not, scissored or not, in bands or not. With gpu.thinRows off, the colour and the stencil are what it gives
// on, with and without gpu.failedUncoloured (a fragment every sample of which fails asked only whether it
// is discarded).
TEST(SampledStencil, ThinRowsGiveTheGeneralPathsBytes)
{
  std::mt19937 rng(45);
  auto uni = [&](float a, float b) { return std::uniform_real_distribution<float>(a, b)(rng); };
  constexpr int kW = 61, kH = 47;
  const MTLScissorRect scissor{4, 3, 41, 33};
  const MTLBlendFactor blends[][2] = {
      {MTLBlendFactorOne, MTLBlendFactorOneMinusSourceAlpha},
      {MTLBlendFactorOne, MTLBlendFactorZero},
      {MTLBlendFactorZero, MTLBlendFactorOneMinusSourceAlpha},
      {MTLBlendFactorOneMinusDestinationAlpha, MTLBlendFactorOne},
      {MTLBlendFactorDestinationAlpha, MTLBlendFactorZero},
      {MTLBlendFactorOneMinusDestinationAlpha, MTLBlendFactorOneMinusSourceAlpha}};
  const char* const shaders[] = {"testTextureSpan", "testSolidSpan",     "testRunColour",
                                 "testCoverageShare", "testDiscardSome"};
  int drawn = 0;
  for (int round = 0; round < 240; ++round)
  {
    // Inner and outer points of each corner, one after the other, back to the first.
    std::vector<Vertex> strip;
    const int corners = 3 + (int)(rng() % 8);
    const float cx = uni(10, kW - 10), cy = uni(8, kH - 8), width = uni(0.2f, 3.0f);
    std::vector<float> turns(corners), reach(corners);
    for (int k = 0; k < corners; ++k)
      turns[k] = uni(0, 6.2832f), reach[k] = uni(2, 40);
    if (round % 2) std::sort(turns.begin(), turns.end());
    for (int k = 0; k <= corners; ++k)
    {
      const float a = turns[k % corners], r = reach[k % corners], dx = std::cos(a), dy = std::sin(a);
      strip.push_back({cx + (r - width / 2) * dx, cy + (r - width / 2) * dy, 0, (float)k / 3});
      strip.push_back({cx + (r + width / 2) * dx, cy + (r + width / 2) * dy, 1, (float)k / 3});
    }
    // Marks at each sample before, in some rounds, so that the strip meets pixels whose samples differ.
    std::vector<Vertex> marks;
    for (int t = 0, n = round % 3 ? 1 + (int)(rng() % 4) : 0; t < n; ++t)
      for (int k = 0; k < 3; ++k)
        marks.push_back({uni(-4, kW + 4), uni(-4, kH + 4), 0, 0});
    const char* shader = shaders[round % 5];
    const MTLBlendFactor* blend = blends[rng() % 6];
    const NSUInteger samples = round % 6 == 5 ? 1 : kSamples;
    const MTLCullMode cull = round % 5 == 1 ? MTLCullModeBack : MTLCullModeNone;
    const bool scissored = round % 3 == 2;
    const float colour[4] = {uni(0, 0.6f), uni(0, 0.6f), uni(0, 0.6f), uni(0.6f, 1)};
    std::vector<uint8_t> pictures[3], stencils[3];
    for (int thin = 0; thin < 3; ++thin)
    {
      Harness h(kW, kH);
      QorvMetalSetPixelsPerBand(round % 4 < 2 ? kTestPixelsPerBand : kW * kH * 4);
      if (round % 5 == 2) UseRunColour(h);
      if (round % 5 == 4)
      {
        QorvMetalRegisterFragmentFunction("testDiscardSome", DiscardSomeFragment, DiscardSomeSpan);
        UseFragmentFunction(h, "testDiscardSome");
      }
      h.stencil = SampledStencil(*h.device, kW, kH, samples);
      QorvMetalSetOptions(*h.device, QorvGpuOptions{.thinRows = thin >= 1, .failedUncoloured = thin == 2});
      Harness::DrawSpec mark;
      mark.vertices = marks;
      mark.pipeline = h.Pipeline(nullptr, false, MTLBlendFactorOne, MTLBlendFactorZero, MTLColorWriteMaskNone,
                                 samples);
      mark.depthStencil = Harness::Stencil(*h.device, MTLCompareFunctionAlways, MTLStencilOperationIncrementWrap,
                                           MTLStencilOperationKeep, MTLStencilOperationIncrementWrap);
      Harness::DrawSpec count;
      count.vertices = strip, count.type = MTLPrimitiveTypeTriangleStrip;
      count.pipeline = h.Pipeline(nullptr, false, MTLBlendFactorOne, MTLBlendFactorZero, MTLColorWriteMaskNone);
      count.depthStencil = Harness::Stencil(*h.device, MTLCompareFunctionGreater, MTLStencilOperationReplace,
                                            MTLStencilOperationIncrementClamp, MTLStencilOperationReplace);
      count.reference = 0x7F, count.cull = cull;
      if (scissored) count.scissor = &scissor;
      Harness::DrawSpec ramp = count;
      ramp.pipeline = h.Pipeline(shader, true, blend[0], blend[1]);
      ramp.depthStencil = Harness::Stencil(*h.device, MTLCompareFunctionEqual, MTLStencilOperationInvert,
                                           MTLStencilOperationZero, MTLStencilOperationInvert);
      std::copy(colour, colour + 4, ramp.colour);
      if (round % 5 == 0) TextureTheDraw(h, ramp, round % 10 == 0);
      Harness::DrawSpec cover = ramp;
      cover.vertices = Quad(cx - 20, cy - 20, cx + 20, cy + 20), cover.type = MTLPrimitiveTypeTriangle;
      cover.depthStencil = Harness::Stencil(*h.device, MTLCompareFunctionNotEqual, MTLStencilOperationZero,
                                            MTLStencilOperationZero, MTLStencilOperationZero);
      cover.reference = 0;
      const float clear[4] = {0.1f, 0.3f, 0.2f, round % 7 == 3 ? 0.5f : 1.0f};
      h.Pass({mark, count, ramp}, clear, true);
      stencils[thin] = h.Pixels(h.stencil);
      h.Pass({count, cover});
      pictures[thin] = h.Pixels(h.colour);
    }
    for (int thin = 1; thin < 3; ++thin)
    {
      ASSERT_EQ(stencils[thin], stencils[0]) << "round " << round << ", way " << thin;
      ASSERT_EQ(pictures[thin], pictures[0]) << "round " << round << ", way " << thin;
    }
    // Samples the strip reached once.
    for (uint8_t s : stencils[0])
      drawn += s == 0x80;
  }
  QorvMetalSetPixelsPerBand(kTestPixelsPerBand);
  EXPECT_GT(drawn, 150000);
}
