// A multisampled stencil: a pipeline of its samples that writes no colour marks each sample on its own, and
// a pipeline of one sample weighs its colour by the share of a pixel's samples that pass.
#include "tests/platform/SoftwareGpu.h"

#include <gtest/gtest.h>

#include <random>
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
                            const char* coverFunction = "testSolid")
{
  Harness h(8, 4);
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

// Marks of random fans (over outlines of 3 to 40 points that turn any way and reach past the target) and
// random triangles, front faces counting up and back ones down in the low 7 bits or both inverting them, with
// and without culling and a scissor, over what earlier marks left, and in some rounds only where a mark in
// the top bit, made first over part of the target, is not: summed along rows (gpu.sampledSpans), in either
// arithmetic, and with and without the edges that a triangle shares with the one before summed at once
// (gpu.sharedEdges; some triangles come again as they were or turned over), the stencil's samples come out
// as triangle by triangle. The points are random floats, so that no sample lies exactly on a row through a
// vertex, where the two may differ.
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
    // rows), in the portable one, and with shared edges summed at once.
    for (int way = 0; way < 5; ++way)
    {
      const bool sums = way > 0;
      Harness h(kW, kH);
      h.stencil = SampledStencil(*h.device, kW, kH, kSamples);
      QorvGpuOptions options;
      options.sampledSpans = sums;
      options.sharedEdges = way == 4;
      options.simd = way != 2;
      options.sumRanges = way != 3;
      QorvMetalSetOptions(*h.device, options);
      MTLDepthStencilDescriptor d;
      d.frontFaceStencil = std::make_shared<MTLStencilDescriptor>();
      d.frontFaceStencil->stencilCompareFunction =
          outsideMarks ? MTLCompareFunctionEqual : MTLCompareFunctionAlways;
      d.frontFaceStencil->readMask = 0x80;
      d.frontFaceStencil->depthStencilPassOperation =
          inverts ? MTLStencilOperationInvert : MTLStencilOperationIncrementWrap;
      d.frontFaceStencil->writeMask = 0x7F;
      d.backFaceStencil = std::make_shared<MTLStencilDescriptor>(*d.frontFaceStencil);
      d.backFaceStencil->depthStencilPassOperation =
          inverts ? MTLStencilOperationInvert : MTLStencilOperationDecrementWrap;
      const auto state = h.device->newDepthStencilStateWithDescriptor(d);
      const auto pipeline =
          h.Pipeline(nullptr, false, MTLBlendFactorOne, MTLBlendFactorZero, MTLColorWriteMaskNone, kSamples);
      std::vector<Harness::DrawSpec> marks = draws;
      for (size_t i = 0; i < marks.size(); ++i)
      {
        marks[i].pipeline = pipeline, marks[i].depthStencil = state;
        // The reference's bits beyond the test's are not asked.
        marks[i].reference = 0x7F;
        if (round % 5 == 2 && i == 1) marks[i].scissor = &scissor;
      }
      if (outsideMarks)
      {
        // The top bit set over a rectangle, at pixel centres.
        Harness::DrawSpec mark;
        mark.vertices = marked;
        mark.pipeline =
            h.Pipeline(nullptr, false, MTLBlendFactorOne, MTLBlendFactorZero, MTLColorWriteMaskNone);
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
      const std::vector<uint8_t> samples = h.Pixels(h.stencil);
      ASSERT_EQ(samples.size(), (size_t)kW * kH * kSamples);
      if (!sums)
        byTriangles = samples;
      else
        ASSERT_EQ(samples, byTriangles) << "round " << round
                                        << (way == 2   ? ", portable"
                                            : way == 3 ? ", SIMD, whole rows"
                                            : way == 4 ? ", shared edges"
                                                       : ", SIMD");
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
