// A multisampled stencil: a pipeline of its samples that writes no colour marks each sample on its own, and
// a pipeline of one sample weighs its colour by the share of a pixel's samples that pass.
#include "tests/platform/SoftwareGpu.h"

#include <gtest/gtest.h>

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
