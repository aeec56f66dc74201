#include <QorvPlatform/MetalShaders.h>

#include <gtest/gtest.h>

namespace
{
// A 2 x 1 RGBA texture: black, white.
std::shared_ptr<MTLTexture> TwoTexels()
{
  auto device = MTLCreateSystemDefaultDevice();
  auto d = MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormatRGBA8Unorm, 2, 1, false);
  auto t = device->newTextureWithDescriptor(*d);
  const uint8_t px[8] = {0, 0, 0, 255, 255, 255, 255, 255};
  t->replaceRegion(MTLRegionMake2D(0, 0, 2, 1), 0, px, 8);
  return t;
}

struct SampleCase
{
  MTLSamplerMinMagFilter filter;
  MTLSamplerAddressMode mode;
  float u;
  float red;
};

class Sampling : public testing::TestWithParam<SampleCase>
{
};
} // namespace

TEST_P(Sampling, FilterAndAddressMode)
{
  const SampleCase& c = GetParam();
  auto t = TwoTexels();
  MTLSamplerDescriptor d;
  d.minFilter = d.magFilter = c.filter;
  d.sAddressMode = d.tAddressMode = c.mode;
  MTLSamplerState s(d);
  float out[4];
  QorvSampleTexture(t.get(), &s, c.u, 0.5f, out);
  EXPECT_NEAR(out[0], c.red, 1e-4) << c.u;
  EXPECT_NEAR(out[3], 1.0f, 1e-4);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Sampling,
    testing::Values(SampleCase{MTLSamplerMinMagFilterNearest, MTLSamplerAddressModeClampToEdge, 0.25f, 0},
                    SampleCase{MTLSamplerMinMagFilterNearest, MTLSamplerAddressModeClampToEdge, 0.75f, 1},
                    SampleCase{MTLSamplerMinMagFilterNearest, MTLSamplerAddressModeClampToEdge, 1.75f, 1},
                    SampleCase{MTLSamplerMinMagFilterNearest, MTLSamplerAddressModeRepeat, 1.25f, 0},
                    SampleCase{MTLSamplerMinMagFilterNearest, MTLSamplerAddressModeRepeat, -0.25f, 1},
                    // linear: texel centres at 0.25 and 0.75
                    SampleCase{MTLSamplerMinMagFilterLinear, MTLSamplerAddressModeClampToEdge, 0.5f, 0.5f},
                    SampleCase{MTLSamplerMinMagFilterLinear, MTLSamplerAddressModeClampToEdge, 0.375f, 0.25f},
                    SampleCase{MTLSamplerMinMagFilterLinear, MTLSamplerAddressModeClampToEdge, 0.0f, 0.0f},
                    SampleCase{MTLSamplerMinMagFilterLinear, MTLSamplerAddressModeClampToEdge, 1.0f, 1.0f},
                    // repeat wraps the filter across the edge: halfway between white and black
                    SampleCase{MTLSamplerMinMagFilterLinear, MTLSamplerAddressModeRepeat, 1.0f, 0.5f},
                    SampleCase{MTLSamplerMinMagFilterLinear, MTLSamplerAddressModeRepeat, 0.0f, 0.5f}));

TEST(Sampling, AlphaTexturesReadRedOnly)
{
  auto device = MTLCreateSystemDefaultDevice();
  auto d = MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormatR8Unorm, 1, 1, false);
  auto t = device->newTextureWithDescriptor(*d);
  uint8_t v = 51;
  t->replaceRegion(MTLRegionMake2D(0, 0, 1, 1), 0, &v, 1);
  float out[4];
  QorvSampleTexture(t.get(), nullptr, 0.5f, 0.5f, out);
  EXPECT_NEAR(out[0], 0.2f, 1e-4);
  EXPECT_EQ(out[1], 0);
  EXPECT_EQ(out[3], 1);
  QorvSampleTexture(nullptr, nullptr, 0.5f, 0.5f, out);
  EXPECT_EQ(out[3], 0);
}
