#include "platform/src/Metal/Gpu.h"

#include <QorvPlatform/Metal.h>
#include <QorvPlatform/MetalShaders.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

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

// Coordinates that are not finite read as 0; finite ones far outside clamp to the edge texel, whatever their
// size, in either filter and for RGBA and alpha textures alike.
TEST(Sampling, FarAndNonFiniteCoordinates)
{
  auto device = MTLCreateSystemDefaultDevice();
  auto d = MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormatR8Unorm, 2, 1, false);
  auto alpha = device->newTextureWithDescriptor(*d);
  const uint8_t ramp[2] = {0, 255};
  alpha->replaceRegion(MTLRegionMake2D(0, 0, 2, 1), 0, ramp, 2);
  const auto rgba = TwoTexels();
  const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
  for (auto filter : {MTLSamplerMinMagFilterLinear, MTLSamplerMinMagFilterNearest})
  {
    MTLSamplerDescriptor sd;
    sd.minFilter = sd.magFilter = filter;
    MTLSamplerState s(sd);
    for (const MTLTexture* t : {rgba.get(), alpha.get()})
      for (auto [u, red] : {std::pair{nan, 0.0f},
                            {inf, 0.0f},
                            {-inf, 0.0f},
                            {1e30f, 1.0f},
                            {-1e30f, 0.0f},
                            {3e9f, 1.0f},
                            {-3e9f, 0.0f}})
      {
        float out[4];
        QorvSampleTexture(t, &s, u, 0.5f, out);
        EXPECT_EQ(out[0], red) << u << " filter " << (int)filter;
        EXPECT_EQ(out[3], 1.0f) << u;
      }
  }
}

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

namespace
{
struct SpanSampleCase
{
  MTLPixelFormat format;
  MTLSamplerMinMagFilter filter;
  MTLSamplerAddressMode mode;
};

class SamplingSpan : public testing::TestWithParam<SpanSampleCase>
{
};
} // namespace

// The span sampler looks the texture up once; it must give what single samples give, and the four-channel
// bilinear sum of 8-bit colour must keep each channel in place.
TEST_P(SamplingSpan, AgreesWithSingleSamples)
{
  const SpanSampleCase& c = GetParam();
  auto device = MTLCreateSystemDefaultDevice();
  auto d = MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(c.format, 5, 3, false);
  auto t = device->newTextureWithDescriptor(*d);
  const size_t bpp = t->bytesPerPixel();
  std::vector<uint8_t> px(15 * bpp);
  for (size_t i = 0; i < px.size(); ++i)
    px[i] = (uint8_t)(i * 37 + 11);
  t->replaceRegion(MTLRegionMake2D(0, 0, 5, 3), 0, px.data(), 5 * bpp);
  MTLSamplerDescriptor sd;
  sd.minFilter = sd.magFilter = c.filter;
  sd.sAddressMode = sd.tAddressMode = c.mode;
  MTLSamplerState s(sd);
  std::vector<float> u, v;
  for (int i = 0; i < 97; ++i)
  {
    u.push_back(-1.3f + i * 0.037f);
    v.push_back(1.6f - i * 0.029f);
  }
  std::vector<float> spans(4 * u.size());
  QorvSampleTextureSpan(t.get(), &s, u.data(), v.data(), (int)u.size(),
                        reinterpret_cast<float(*)[4]>(spans.data()));
  for (size_t i = 0; i < u.size(); ++i)
  {
    float one[4];
    QorvSampleTexture(t.get(), &s, u[i], v[i], one);
    for (int k = 0; k < 4; ++k)
      ASSERT_EQ(spans[4 * i + k], one[k]) << i << " channel " << k;
    if (c.format == MTLPixelFormatR8Unorm || c.filter != MTLSamplerMinMagFilterLinear ||
        c.mode != MTLSamplerAddressModeClampToEdge)
      continue;
    // Plain bilinear filtering with clamped texel indices, channels in RGBA order.
    double x = u[i] * 5.0 - 0.5, y = v[i] * 3.0 - 0.5;
    int x0 = (int)std::floor(x), y0 = (int)std::floor(y);
    double ax = x - x0, ay = y - y0;
    auto texel = [&](int tx, int ty, int k)
    {
      tx = std::clamp(tx, 0, 4), ty = std::clamp(ty, 0, 2);
      int memory = c.format == MTLPixelFormatBGRA8Unorm && k != 1 && k != 3 ? 2 - k : k;
      return px[(ty * 5 + tx) * 4 + memory] / 255.0;
    };
    for (int k = 0; k < 4; ++k)
    {
      double top = texel(x0, y0, k) * (1 - ax) + texel(x0 + 1, y0, k) * ax;
      double bottom = texel(x0, y0 + 1, k) * (1 - ax) + texel(x0 + 1, y0 + 1, k) * ax;
      EXPECT_NEAR(one[k], top * (1 - ay) + bottom * ay, 1e-5) << i << " channel " << k;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, SamplingSpan,
    testing::Values(
        SpanSampleCase{MTLPixelFormatRGBA8Unorm, MTLSamplerMinMagFilterLinear,
                       MTLSamplerAddressModeClampToEdge},
        SpanSampleCase{MTLPixelFormatBGRA8Unorm, MTLSamplerMinMagFilterLinear,
                       MTLSamplerAddressModeClampToEdge},
        SpanSampleCase{MTLPixelFormatRGBA8Unorm, MTLSamplerMinMagFilterLinear, MTLSamplerAddressModeRepeat},
        SpanSampleCase{MTLPixelFormatBGRA8Unorm, MTLSamplerMinMagFilterNearest, MTLSamplerAddressModeRepeat},
        SpanSampleCase{MTLPixelFormatRGBA8Unorm, MTLSamplerMinMagFilterLinear,
                       MTLSamplerAddressModeMirrorRepeat},
        SpanSampleCase{MTLPixelFormatR8Unorm, MTLSamplerMinMagFilterLinear, MTLSamplerAddressModeClampToEdge},
        SpanSampleCase{MTLPixelFormatR8Unorm, MTLSamplerMinMagFilterNearest,
                       MTLSamplerAddressModeClampToZero}));

// A sample a rounding from a texel centre is that texel alone, as a GPU's few bits of sub-texel position
// make it: up to a 4096th of a texel either side, and never further. Without the snap the exact filter mixes
// in the neighbour, a 16th of a level at most.
TEST(Sampling, SamplesNextToATexelCentreTakeThatTexel)
{
  auto t = TwoTexels();
  MTLSamplerDescriptor d;
  d.minFilter = d.magFilter = MTLSamplerMinMagFilterLinear;
  MTLSamplerState s(d);
  // Texel 0 (black) has its centre at u = 0.25; a texel is 0.5 wide.
  for (float texels : {0.0f, 1.0f / 8192, 1.0f / 4097, 1.0f / 4000, 1.0f / 1000})
    for (bool snap : {true, false})
    {
      const QorvGpuOptions options{.texelSnap = snap};
      float out[4];
      {
        const QorvOptionsScope scope(options);
        QorvSampleTexture(t.get(), &s, 0.25f + texels * 0.5f, 0.5f, out);
      }
      const bool taken = texels == 0.0f || (snap && texels < 1.0f / 4096);
      EXPECT_EQ(out[0] == 0.0f, taken) << texels << " snap " << snap;
      EXPECT_LE(out[0], texels * 1.001f) << texels << " snap " << snap;
    }
}

// The texels a rectangle's rows are taken from are those the filter gives, however the shader names its
// columns: rows of the same count and first value, named anew or not at all, some on texel centres side by
// side and some not, one after another as the same thread finds them.
TEST(Sampling, RowsTakeTheFilteredTexelsUnderAnyName)
{
  constexpr int w = 16, h = 4, n = 6;
  auto device = MTLCreateSystemDefaultDevice();
  auto d = MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormatRGBA8Unorm, w, h, false);
  auto texture = device->newTextureWithDescriptor(*d);
  std::vector<uint8_t> px(w * h * 4);
  for (size_t i = 0; i < px.size(); ++i)
    px[i] = i % 4 == 3 ? 255 : (uint8_t)(i * 37 % 251);
  texture->replaceRegion(MTLRegionMake2D(0, 0, w, h), 0, px.data(), w * 4);
  MTLSamplerDescriptor sd;
  sd.minFilter = sd.magFilter = MTLSamplerMinMagFilterLinear;
  MTLSamplerState sampler(sd);
  // Columns from texel 2 on: side by side on centres, one off a centre, or one skipped.
  auto centre = [](float x) { return (x + 0.5f) / (float)w; };
  const std::vector<std::vector<float>> columns = {
      {centre(2), centre(3), centre(4), centre(5), centre(6), centre(7)},
      {centre(2), centre(3), centre(4.25f), centre(5), centre(6), centre(7)},
      {centre(2), centre(3), centre(5), centre(6), centre(7), centre(8)}};
  const float t = 1.5f / (float)h; // on the centre of texture row 1
  const unsigned char whole = 1;
  unsigned seed = 7;
  uint64_t names = 1000;
  for (int ask = 0; ask < 60; ++ask)
  {
    seed = seed * 1664525u + 1013904223u;
    const std::vector<float>& s = columns[(seed >> 8) % columns.size()];
    QorvSpanAnswer samples;
    samples.kind = QorvSpanKind::kSamples;
    samples.s = s.data(), samples.t = &t, samples.whole = &whole;
    samples.columns = (seed >> 20) % 3 == 0 ? 0 : ++names;
    const unsigned char* start = nullptr;
    unsigned char centred = 0;
    QorvTexelRowsBetween between;
    QorvTexelRowsCentres(texture.get(), &sampler, samples, n, 1, &start, &centred, &between, &names,
                         QorvGpuOptions{});
    bool onCentres = true, sideBySide = true;
    for (int i = 0; i < n; ++i)
    {
      const float x = s[i] * (float)w - 0.5f;
      onCentres = onCentres && x == std::floor(x);
      sideBySide = sideBySide && x == s[0] * (float)w - 0.5f + (float)i;
    }
    ASSERT_EQ(centred, onCentres ? 1 : 0) << "ask " << ask;
    ASSERT_EQ(start != nullptr, onCentres && sideBySide) << "ask " << ask;
    for (int i = 0; start && i < n; ++i)
    {
      float out[4];
      QorvSampleTexture(texture.get(), &sampler, s[i], t, out);
      for (int c = 0; c < 4; ++c)
        ASSERT_EQ(start[i * 4 + c], (int)std::lround(out[c] * 255.0f)) << "ask " << ask << " texel " << i;
    }
  }
}

// A row of sample columns is kept by the arithmetic that worked out its texel indices: asked again with the
// same options it is found kept, and a draw without SIMD (or with it) works out its own rather than take one
// the other arithmetic kept, so that turning SIMD off reaches every row. Both give the same texels.
TEST(Sampling, KeptColumnsAreKeyedByTheirArithmetic)
{
  constexpr int w = 8, n = 5;
  auto device = MTLCreateSystemDefaultDevice();
  auto d = MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormatRGBA8Unorm, w, 1, false);
  auto texture = device->newTextureWithDescriptor(*d);
  std::vector<uint8_t> px(w * 4);
  for (size_t i = 0; i < px.size(); ++i)
    px[i] = (uint8_t)(i * 29 % 251);
  texture->replaceRegion(MTLRegionMake2D(0, 0, w, 1), 0, px.data(), w * 4);
  MTLSamplerDescriptor sd;
  sd.minFilter = sd.magFilter = MTLSamplerMinMagFilterLinear;
  MTLSamplerState sampler(sd);
  // Texel centres 1 to 5, side by side; one t for the row, on the texture's one row.
  std::vector<float> s(n);
  for (int i = 0; i < n; ++i)
    s[i] = ((float)i + 1.5f) / (float)w;
  const float t = 0.5f;
  QorvSpanAnswer samples;
  samples.kind = QorvSpanKind::kSamples;
  samples.s = s.data(), samples.t = &t, samples.tOne = true;
  const int namer = 0;
  const QorvGpuOptions simd, portable{.simd = false};
  auto ask = [&](const QorvGpuOptions& options)
  {
    const uint64_t before = QorvMetalColumnRowsWorkedOut();
    const unsigned char* texels[n];
    const unsigned char* row = nullptr;
    EXPECT_TRUE(QorvTexelCentres(texture.get(), &sampler, samples, n, texels, &row, &namer, options));
    EXPECT_EQ(row, texture->levels()[0].pixels.data() + 4);
    return QorvMetalColumnRowsWorkedOut() - before;
  };
  for (const QorvGpuOptions* first : {&simd, &portable})
  {
    const QorvGpuOptions* other = first == &simd ? &portable : &simd;
    ask(*first);
    EXPECT_EQ(ask(*first), 0u) << "kept, simd " << first->simd;
    EXPECT_EQ(ask(*other), 1u) << "kept by the other arithmetic, simd " << other->simd;
    EXPECT_EQ(ask(*other), 0u) << "kept, simd " << other->simd;
  }
}
