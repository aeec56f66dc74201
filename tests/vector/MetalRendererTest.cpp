// The GPU renderer's own behaviour: buffer sets and the semaphore, textures, framebuffers, pipelines,
// stencil passes, and the faults it guards against.
#include "tests/vector/MetalTestContext.h"

#include <QorvPlatform/Dispatch.h>

#include <gtest/gtest.h>

#include <random>

#include <cstring>
#include <thread>

using namespace iplugin::igraphics;
using qorvtest::MetalContext;
using qorvtest::RgbaImage;

namespace
{
struct AsyncMode
{
  AsyncMode() { QorvMetalSetSynchronous(false); }
  ~AsyncMode() { QorvMetalSetSynchronous(true); }
};

void FillRect(VGcontext* vg, float x, float y, float w, float h, VGcolor c)
{
  vgBeginPath(vg);
  vgRect(vg, x, y, w, h);
  vgFillColor(vg, c);
  vgFill(vg);
}

struct FlagCase
{
  int flags;
  int buffers;
  const char* fragment;
};

class MetalFlags : public testing::TestWithParam<FlagCase>
{
};
} // namespace

TEST_P(MetalFlags, BufferSetsSemaphoreAndFragmentFunction)
{
  MetalContext m(32, 32, GetParam().flags);
  ASSERT_TRUE(m.ctx);
  auto& r = m.Renderer();
  EXPECT_EQ(r.maxBuffers, GetParam().buffers);
  EXPECT_EQ((int)r.cbuffers.size(), GetParam().buffers);
  EXPECT_EQ(QorvDispatchSemaphoreValue(r.semaphore), GetParam().buffers);
  EXPECT_EQ(r.fragmentFunction->name(), GetParam().fragment);
  EXPECT_EQ(r.fragSize, 256);
  EXPECT_EQ(r.indexSize, 4);
  EXPECT_EQ(m.ctx->params.edgeAntiAlias, GetParam().flags & 1);
  EXPECT_FALSE(m.layer->opaque);
  // A frame takes one set while it records and gives it back when it completes.
  m.Begin();
  EXPECT_EQ(QorvDispatchSemaphoreValue(r.semaphore), GetParam().buffers - 1);
  EXPECT_TRUE(r.cbuffers[0]->isBusy);
  m.End();
  EXPECT_EQ(QorvDispatchSemaphoreValue(r.semaphore), GetParam().buffers);
  EXPECT_FALSE(r.cbuffers[0]->isBusy);
}

INSTANTIATE_TEST_SUITE_P(Table, MetalFlags,
                         testing::Values(FlagCase{0x2001, 3, "fragmentShaderAA"},
                                         FlagCase{0x3000, 3, "fragmentShader"},
                                         FlagCase{0x1001, 2, "fragmentShaderAA"},
                                         FlagCase{0, 1, "fragmentShader"}));

// With one set, each viewport waits until the GPU finished the previous frame.
TEST(MetalRenderer, OneSetWaitsForThePreviousFrame)
{
  AsyncMode async;
  MetalContext m(64, 64, 0);
  ASSERT_TRUE(m.ctx);
  auto& r = m.Renderer();
  for (int frame = 0; frame < 4; ++frame)
  {
    m.Begin();
    EXPECT_EQ(QorvDispatchSemaphoreValue(r.semaphore), 0);
    FillRect(m.ctx, 0, 0, 64, 64, vgRGBA(frame * 60, 0, 0, 255));
    vgEndFrame(m.ctx);
  }
  m.Begin();
  // The last frame completed (and was presented) before this one could start.
  EXPECT_EQ(QorvMetalLayerPresentCount(*m.layer), 4u);
  vgCancelFrame(m.ctx);
  EXPECT_EQ(QorvDispatchSemaphoreValue(r.semaphore), 1);
}

TEST(MetalRenderer, LibraryFailureFailsCreation)
{
  QorvMetalSetLibraryFailure(true);
  testing::internal::CaptureStdout();
  MetalContext quiet(16, 16, 0x2001);
  MetalContext debug(16, 16, 0x2005);
  std::string out = testing::internal::GetCapturedStdout();
  QorvMetalSetLibraryFailure(false);
  EXPECT_EQ(quiet.ctx, nullptr);
  EXPECT_EQ(debug.ctx, nullptr);
  // Only the debug bit prints, once, for the library.
  EXPECT_EQ(out, "Error occurs after init library: Invalid library file\n");
}

TEST(MetalRenderer, TextureIdsCountUpAndRecordsAreReused)
{
  MetalContext m(16, 16);
  auto& r = m.Renderer();
  int font = m.ctx->fontImages[0]; // the context made the first atlas
  EXPECT_EQ(font, 1);
  int a = MvgRenderCreateTexture(&r, kVGTextureRGBA, 4, 4, 0, nullptr);
  int b = MvgRenderCreateTexture(&r, kVGTextureAlpha, 8, 2, 0, nullptr);
  EXPECT_EQ(a, 2);
  EXPECT_EQ(b, 3);
  size_t records = r.textures.size();
  EXPECT_EQ(MvgRenderDeleteTexture(&r, a), 1);
  EXPECT_EQ(MvgRenderDeleteTexture(&r, a), 0);
  int c = MvgRenderCreateTexture(&r, kVGTextureRGBA, 4, 4, 0, nullptr);
  EXPECT_EQ(c, 4); // the freed record, with the next id
  EXPECT_EQ(r.textures.size(), records);
  int w = 0, h = 0;
  EXPECT_EQ(MvgRenderGetTextureSize(&r, b, &w, &h), 1);
  EXPECT_EQ(w, 8);
  EXPECT_EQ(h, 2);
  w = h = -1;
  EXPECT_EQ(MvgRenderGetTextureSize(&r, a, &w, &h), 0);
  EXPECT_EQ(w, -1);
  EXPECT_EQ(MvgRenderUpdateTexture(&r, 99, 0, 0, 1, 1, nullptr), 0);
  EXPECT_EQ(r.findTexture(b)->tex->pixelFormat(), MTLPixelFormatR8Unorm);
  EXPECT_EQ(r.findTexture(c)->tex->pixelFormat(), MTLPixelFormatRGBA8Unorm);
}

// Ids are found whatever was asked before: over random creations, deletions (records reused with new ids)
// and questions, more ids than the lookup keeps, each live id answers its own size and each deleted one none.
TEST(MetalRenderer, TexturesAreFoundByIdAmongMany)
{
  MetalContext m(16, 16);
  auto& r = m.Renderer();
  std::mt19937 rng(5);
  std::vector<std::pair<int, int>> live; // id, width
  std::vector<int> deleted;
  for (int step = 0; step < 600; step++)
  {
    const unsigned op = rng() % 4;
    if (op == 0 || live.empty())
    {
      const int width = 1 + int(rng() % 40);
      const int id = MvgRenderCreateTexture(&r, kVGTextureAlpha, width, 1, 0, nullptr);
      ASSERT_GT(id, 0);
      live.emplace_back(id, width);
    }
    else if (op == 1)
    {
      const size_t i = rng() % live.size();
      ASSERT_EQ(MvgRenderDeleteTexture(&r, live[i].first), 1);
      deleted.push_back(live[i].first);
      live.erase(live.begin() + long(i));
    }
    else
    {
      int w = -1, h = -1;
      const auto& [id, width] = live[rng() % live.size()];
      ASSERT_EQ(MvgRenderGetTextureSize(&r, id, &w, &h), 1) << "id " << id;
      ASSERT_EQ(w, width) << "id " << id;
      if (!deleted.empty())
      {
        ASSERT_EQ(r.findTexture(deleted[rng() % deleted.size()]), nullptr);
      }
    }
  }
  ASSERT_GT(live.size() + deleted.size(), 64u);
}

// A texture that cannot be made is reported as failure (0), not as an id without pixels.
TEST(MetalRenderer, TextureThatCannotBeMadeAnswersZero)
{
  MetalContext m(16, 16);
  auto& r = m.Renderer();
  EXPECT_EQ(MvgRenderCreateTexture(&r, kVGTextureRGBA, 0, 4, 0, nullptr), 0);
  EXPECT_EQ(MvgRenderCreateTexture(&r, kVGTextureRGBA, 100000, 4, 0, nullptr), 0);
  EXPECT_EQ(MvgRenderCreateTexture(&r, 3, 4, 4, 0, nullptr), 0);
  for (const auto& t : r.textures)
  {
    if (t->id != 0)
    {
      EXPECT_TRUE(t->tex);
    }
  }
}

TEST(MetalRenderer, SamplersFollowImageFlags)
{
  MetalContext m(16, 16);
  auto& r = m.Renderer();
  int a = MvgRenderCreateTexture(&r, kVGTextureRGBA, 4, 4, kVGImageRepeatX | kVGImageNearest, nullptr);
  int b = MvgRenderCreateTexture(&r, kVGTextureRGBA, 4, 4, kVGImageRepeatY, nullptr);
  const auto& sa = r.findTexture(a)->sampler->descriptor();
  const auto& sb = r.findTexture(b)->sampler->descriptor();
  EXPECT_EQ(sa.magFilter, MTLSamplerMinMagFilterNearest);
  EXPECT_EQ(sa.sAddressMode, MTLSamplerAddressModeRepeat);
  EXPECT_EQ(sa.tAddressMode, MTLSamplerAddressModeClampToEdge);
  EXPECT_EQ(sb.minFilter, MTLSamplerMinMagFilterLinear);
  EXPECT_EQ(sb.sAddressMode, MTLSamplerAddressModeClampToEdge);
  EXPECT_EQ(sb.tAddressMode, MTLSamplerAddressModeRepeat);
}

TEST(MetalRenderer, InitialPixelsAndMipmaps)
{
  MetalContext m(16, 16);
  auto& r = m.Renderer();
  std::vector<unsigned char> px(4 * 2 * 4);
  for (size_t i = 0; i < px.size(); ++i)
    px[i] = (unsigned char)(i * 8);
  int id = MvgRenderCreateTexture(&r, kVGTextureRGBA, 4, 2, kVGImageGenerateMipmaps, px.data());
  auto tex = r.findTexture(id)->tex;
  ASSERT_EQ(tex->mipmapLevelCount(), 3u);
  std::vector<unsigned char> back(px.size());
  MvgReadPixels(m.ctx, id, 0, 0, 4, 2, back.data());
  EXPECT_EQ(back, px);
  // level 1, first texel: the average of the 2 x 2 block
  EXPECT_EQ(tex->levels()[1].pixels[0], (0 + 32 + 128 + 160 + 2) / 4);
  EXPECT_EQ(r.findTexture(id)->sampler->descriptor().mipFilter, MTLSamplerMipFilterLinear);
}

// Updating a 10 x 10 region at (5, 7) of a 512-wide alpha texture reads from data + 7 x 512 + 5,
// rows 512 bytes apart.
TEST(MetalRenderer, UpdateRegionReadsTheSameRegionOfTheData)
{
  MetalContext m(16, 16);
  auto& r = m.Renderer();
  int id = MvgRenderCreateTexture(&r, kVGTextureAlpha, 512, 32, 0, nullptr);
  std::vector<unsigned char> data(512 * 32);
  for (size_t i = 0; i < data.size(); ++i)
    data[i] = (unsigned char)(i * 7 + i / 512);
  EXPECT_EQ(MvgRenderUpdateTexture(&r, id, 5, 7, 10, 10, data.data()), 1);
  std::vector<unsigned char> back(512 * 32, 0);
  MvgReadPixels(m.ctx, id, 0, 0, 512, 32, back.data());
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 512; ++x)
    {
      bool in = x >= 5 && x < 15 && y >= 7 && y < 17;
      ASSERT_EQ(back[y * 512 + x], in ? data[y * 512 + x] : 0) << x << "," << y;
    }
  // A region reaching outside the texture is clipped to it instead of reading past the data.
  std::vector<unsigned char> small(512 * 32, 9);
  EXPECT_EQ(MvgRenderUpdateTexture(&r, id, 505, 30, 50, 50, small.data()), 1);
  EXPECT_EQ(MvgRenderUpdateTexture(&r, id, -20, -20, 25, 25, small.data()), 1);
  MvgReadPixels(m.ctx, id, 0, 0, 512, 32, back.data());
  EXPECT_EQ(back[31 * 512 + 511], 9);
  EXPECT_EQ(back[4 * 512 + 4], 9);
  EXPECT_EQ(back[5 * 512 + 5], 0);
}

// Deleting with "do not delete" frees the record but leaves the texture alive.
TEST(MetalRenderer, DeleteKeepsTexturesFlaggedNotToDelete)
{
  MetalContext m(16, 16);
  auto& r = m.Renderer();
  int keep = MvgRenderCreateTexture(&r, kVGTextureRGBA, 4, 4, kVGImageNoDelete, nullptr);
  int drop = MvgRenderCreateTexture(&r, kVGTextureRGBA, 4, 4, 0, nullptr);
  std::weak_ptr<MTLTexture> kept = r.findTexture(keep)->tex, dropped = r.findTexture(drop)->tex;
  EXPECT_EQ(MvgRenderDeleteTexture(&r, keep), 1);
  EXPECT_EQ(MvgRenderDeleteTexture(&r, drop), 1);
  EXPECT_FALSE(kept.expired());
  EXPECT_TRUE(dropped.expired());
  int w, h;
  EXPECT_EQ(MvgRenderGetTextureSize(&r, keep, &w, &h), 0);
}

// An existing texture wrapped as an image draws like any image.
TEST(MetalRenderer, WrappedTexturesAndTheirHandles)
{
  MetalContext m(16, 16);
  auto device = MvgDevice(m.ctx);
  ASSERT_TRUE(device);
  EXPECT_TRUE(MvgCommandQueue(m.ctx));
  auto d = MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormatRGBA8Unorm, 2, 2, false);
  auto tex = device->newTextureWithDescriptor(*d);
  int id = MvgCreateImageFromHandle(m.ctx, tex, kVGImageNoDelete);
  EXPECT_GT(id, 0);
  EXPECT_EQ(MvgImageHandle(m.ctx, id), tex);
  EXPECT_EQ(MvgImageHandle(m.ctx, 999), nullptr);
  EXPECT_EQ(MvgCreateImageFromHandle(m.ctx, nullptr, 0), 0);
}

// A factor code that is not a single bit falls back to premultiplied source-over for the whole blend.
TEST(MetalRenderer, InvalidBlendFallsBackToSourceOver)
{
  MetalContext m(16, 16, 0);
  m.Begin(vgRGBAf(0, 0, 1, 1));
  vgGlobalCompositeBlendFuncSeparate(m.ctx, 3, kVGZero, kVGZero, kVGZero);
  FillRect(m.ctx, 0, 0, 16, 16, vgRGBAf(1, 0, 0, 0.5f));
  auto& r = m.Renderer();
  const MVGcall& call = r.cbuffers[0]->rec.calls[0];
  EXPECT_EQ(call.blend.srcRGB, (uint64_t)MTLBlendFactorOne);
  EXPECT_EQ(call.blend.dstRGB, (uint64_t)MTLBlendFactorOneMinusSourceAlpha);
  EXPECT_EQ(call.blend.srcAlpha, (uint64_t)MTLBlendFactorOne);
  EXPECT_EQ(call.blend.dstAlpha, (uint64_t)MTLBlendFactorOneMinusSourceAlpha);
  RgbaImage image = m.End();
  const uint8_t* p = image.At(8, 8);
  EXPECT_NEAR(p[0], 128, 1);
  EXPECT_NEAR(p[2], 128, 1);
  EXPECT_EQ(p[3], 255);
}

// Drawing into a framebuffer and then onto the drawable, as every frame of the editor does, makes the
// pipelines once per blend and format instead of at every change of target.
TEST(MetalRenderer, PipelinesAreCachedPerBlendAndFormat)
{
  MetalContext m(32, 32);
  MVGframebuffer* fb = MvgFramebufferCreate(m.ctx, 32, 32, 0);
  ASSERT_TRUE(fb);
  ASSERT_GT(fb->image, 0);
  uint64_t before = 0;
  for (int frame = 0; frame < 5; ++frame)
  {
    if (frame == 2) before = QorvMetalPipelineStatesMade();
    MvgSetCurrentFramebuffer(fb);
    MvgClearWithColor(m.ctx, vgRGBAf(0, 0, 0, 0));
    vgBeginFrame(m.ctx, 32, 32, 1);
    FillRect(m.ctx, 4, 4, 24, 24, vgRGBA(0, 200, 0, 255));
    vgEndFrame(m.ctx);
    MvgSetCurrentFramebuffer(nullptr);
    vgBeginFrame(m.ctx, 32, 32, 1);
    vgBeginPath(m.ctx);
    vgRect(m.ctx, 0, 0, 32, 32);
    vgFillPaint(m.ctx, vgImagePattern(0, 0, 32, 32, 0, fb->image, 1.0f));
    vgFill(m.ctx);
    vgEndFrame(m.ctx);
  }
  EXPECT_EQ(QorvMetalPipelineStatesMade(), before);
  EXPECT_EQ(m.Renderer().pipelineCache.size(), 2u);
  // The composite shows the framebuffer's picture.
  RgbaImage image;
  ASSERT_TRUE(QorvMetalLayerCopyPresentedImage(*m.layer, image.rgba, image.width, image.height));
  EXPECT_EQ(image.At(16, 16)[1], 200);
  EXPECT_EQ(image.At(1, 1)[3], 0);
  // The framebuffer's own pixels, read back.
  std::vector<unsigned char> px(32 * 32 * 4);
  MvgReadPixels(m.ctx, fb->image, 0, 0, 32, 32, px.data());
  EXPECT_EQ(px[(16 * 32 + 16) * 4 + 1], 200);
  EXPECT_EQ(px[(1 * 32 + 1) * 4 + 3], 0);
  MvgFramebufferFree(fb);
  EXPECT_EQ(MvgCurrentFramebuffer(), nullptr);
  MvgFramebufferFree(nullptr);
}

// The stencil of 16 samples a pixel (16 bytes) that a concave fill counts its coverage in is held only while
// frames have such fills: a buffer set's next frame without one goes back to a stencil of one sample.
TEST(MetalRenderer, TheSampledStencilIsHeldOnlyWhileFramesNeedIt)
{
  MetalContext m(64, 48);
  auto samplesHeld = [&]
  {
    NSUInteger most = 0;
    for (const auto& set : m.Renderer().cbuffers)
      if (set->stencilTexture) most = std::max(most, set->stencilTexture->sampleCount());
    return most;
  };
  auto frame = [&](bool concave)
  {
    m.Begin();
    vgBeginPath(m.ctx);
    // An outline with a notch, or a rectangle (a convex fill, no stencil).
    if (concave)
      vgMoveTo(m.ctx, 4, 4), vgLineTo(m.ctx, 40, 4), vgLineTo(m.ctx, 22, 12), vgLineTo(m.ctx, 30, 40),
          vgLineTo(m.ctx, 4, 40), vgClosePath(m.ctx);
    else
      vgRect(m.ctx, 4, 4, 36, 36);
    vgFillColor(m.ctx, vgRGBA(0, 0, 0, 255));
    vgFill(m.ctx);
    m.End();
  };
  frame(false);
  EXPECT_EQ(samplesHeld(), 1u);
  frame(true);
  EXPECT_EQ(samplesHeld(), MVGcontext_vQorv_au::kStencilSamples);
  for (size_t i = 0; i < m.Renderer().cbuffers.size(); ++i)
    frame(false);
  EXPECT_EQ(samplesHeld(), 1u);
  frame(true);
  EXPECT_EQ(samplesHeld(), MVGcontext_vQorv_au::kStencilSamples);
}

// A framebuffer of another context is not a target of this one: the flush draws onto the drawable.
TEST(MetalRenderer, FramebufferOfAnotherContextIsIgnored)
{
  MetalContext a(16, 16), b(16, 16);
  MVGframebuffer* fb = MvgFramebufferCreate(b.ctx, 16, 16, 0);
  MvgSetCurrentFramebuffer(fb);
  MvgClearWithColor(a.ctx, vgRGBAf(1, 0, 0, 1));
  vgBeginFrame(a.ctx, 16, 16, 1);
  vgEndFrame(a.ctx);
  MvgSetCurrentFramebuffer(nullptr);
  EXPECT_EQ(QorvMetalLayerPresentCount(*a.layer), 1u);
  MvgFramebufferFree(fb);
}

// A zero-sized viewport or target cancels the frame and gives its set back.
TEST(MetalRenderer, EmptyTargetsCancelTheFrame)
{
  MetalContext m(16, 16, 0x1001);
  auto& r = m.Renderer();
  vgBeginFrame(m.ctx, 0, 16, 1);
  FillRect(m.ctx, 0, 0, 4, 4, vgRGBA(0, 0, 0, 255));
  vgEndFrame(m.ctx);
  EXPECT_EQ(QorvDispatchSemaphoreValue(r.semaphore), 2);
  EXPECT_EQ(QorvMetalLayerPresentCount(*m.layer), 0u);
  // A layer without drawables: the frame still completes and frees its set.
  m.layer->drawableSize = CGSizeMake(0, 0);
  vgBeginFrame(m.ctx, 16, 16, 1);
  FillRect(m.ctx, 0, 0, 4, 4, vgRGBA(0, 0, 0, 255));
  vgEndFrame(m.ctx);
  EXPECT_EQ(QorvDispatchSemaphoreValue(r.semaphore), 2);
  // Flushing or cancelling without a frame does not release a set twice.
  MvgRenderFlush(&r);
  MvgRenderCancel(&r);
  EXPECT_EQ(QorvDispatchSemaphoreValue(r.semaphore), 2);
}

TEST(MetalRenderer, ClearColourIsPremultipliedAndUsedOnce)
{
  MetalContext m(8, 8, 0);
  MvgClearWithColor(m.ctx, vgRGBAf(1, 0.5f, 0, 0.5f));
  EXPECT_DOUBLE_EQ(m.Renderer().clearColor[0], 0.5);
  EXPECT_DOUBLE_EQ(m.Renderer().clearColor[1], 0.25);
  vgBeginFrame(m.ctx, 8, 8, 1);
  RgbaImage image = m.End();
  EXPECT_EQ(image.At(0, 0)[0], 128);
  EXPECT_EQ(image.At(0, 0)[3], 128);
  EXPECT_FALSE(m.Renderer().clearBufferOnFlush);
}

// The layer presents with transactions: the drawable is presented after scheduling, not by the buffer.
TEST(MetalRenderer, PresentsWithTransaction)
{
  MetalContext m(8, 8, 0);
  m.layer->presentsWithTransaction = true;
  m.Begin(vgRGBAf(0, 1, 0, 1));
  RgbaImage image = m.End();
  EXPECT_EQ(QorvMetalLayerPresentCount(*m.layer), 1u);
  EXPECT_EQ(image.At(3, 3)[1], 255);
}

// A half-transparent stroke that crosses itself: with stencil strokes the crossing is covered once.
TEST(MetalRenderer, StencilStrokesCoverOverlapsOnce)
{
  uint8_t crossing[2], single[2];
  for (int stencil = 0; stencil < 2; ++stencil)
  {
    MetalContext m(64, 64, 0x2001 | (stencil ? kVGStencilStrokes : 0));
    m.Begin(vgRGBAf(1, 1, 1, 1));
    vgBeginPath(m.ctx);
    vgMoveTo(m.ctx, 8, 8);
    vgLineTo(m.ctx, 56, 56);
    vgLineTo(m.ctx, 56, 8);
    vgLineTo(m.ctx, 8, 56);
    vgStrokeWidth(m.ctx, 6);
    vgStrokeColor(m.ctx, vgRGBAf(0, 0, 0, 0.5f));
    vgStroke(m.ctx);
    RgbaImage image = m.End();
    crossing[stencil] = image.At(32, 32)[0];
    single[stencil] = image.At(20, 20)[0];
  }
  EXPECT_NEAR(single[0], 128, 2);
  EXPECT_NEAR(single[1], 128, 2);
  EXPECT_LT(crossing[0], 100); // covered twice: darker
  EXPECT_NEAR(crossing[1], 128, 2);
}

// A fill that crosses itself leaves the stencil as it found it, also where its fan (inset by half a fringe,
// which moves it outward where the path turns the other way) reaches past its bounds: the fill after it
// covers its own shape only. Random crossing quadrilaterals and stars, then a bow tie whose cover quad is the
// whole target and whose shape leaves out the triangles at the top and the bottom: the pixels that the bow
// tie alone leaves white keep the first fill's picture.
TEST(MetalRenderer, CrossingFillsLeaveNoStencilBehind)
{
  constexpr int kSize = 40;
  MetalContext m(kSize, kSize);
  std::mt19937 rng(17);
  std::uniform_real_distribution<float> at(1, kSize - 1);
  auto frame = [&](const std::vector<float>& corners, bool first, bool bowTie)
  {
    m.Begin(vgRGBAf(1, 1, 1, 1));
    if (first)
    {
      vgBeginPath(m.ctx);
      for (size_t i = 0; i < corners.size(); i += 2)
        i == 0 ? vgMoveTo(m.ctx, corners[i], corners[i + 1]) : vgLineTo(m.ctx, corners[i], corners[i + 1]);
      vgClosePath(m.ctx);
      vgFillColor(m.ctx, vgRGBA(20, 120, 220, 255));
      vgFill(m.ctx);
    }
    if (bowTie)
    {
      const float s = (float)kSize;
      vgBeginPath(m.ctx);
      vgMoveTo(m.ctx, 0, 0);
      vgLineTo(m.ctx, s, s);
      vgLineTo(m.ctx, s, 0);
      vgLineTo(m.ctx, 0, s);
      vgClosePath(m.ctx);
      vgFillColor(m.ctx, vgRGBA(0, 0, 0, 255));
      vgFill(m.ctx);
    }
    return m.End();
  };
  const RgbaImage bowTie = frame({}, false, true);
  for (int round = 0; round < 200; ++round)
  {
    std::vector<float> corners((size_t)(4 + rng() % 2) * 2);
    for (float& c : corners)
      c = at(rng);
    const RgbaImage alone = frame(corners, true, false), both = frame(corners, true, true);
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x)
        if (bowTie.At(x, y)[0] == 255)
        {
          ASSERT_EQ(std::vector<uint8_t>(both.At(x, y), both.At(x, y) + 4),
                    std::vector<uint8_t>(alone.At(x, y), alone.At(x, y) + 4))
              << "round " << round << " pixel " << x << ", " << y;
        }
  }
}

// Frames drawn with the completion thread match frames drawn synchronously.
TEST(MetalRenderer, CompletionThreadGivesTheSamePixels)
{
  auto draw = [](MetalContext& m)
  {
    m.Begin();
    vgBeginPath(m.ctx);
    vgCircle(m.ctx, 40, 30, 20);
    vgFillPaint(m.ctx, vgLinearGradient(20, 10, 60, 50, vgRGBA(255, 0, 0, 255), vgRGBA(0, 0, 255, 255)));
    vgFill(m.ctx);
    return m.End();
  };
  MetalContext sync(80, 60);
  RgbaImage expected = draw(sync);
  AsyncMode async;
  MetalContext m(80, 60);
  RgbaImage actual;
  for (int i = 0; i < 4; ++i)
    actual = draw(m);
  EXPECT_EQ(actual.rgba, expected.rgba);
}

// Text: glyph quads sample the alpha atlas at their texture coordinates and scale the colour.
TEST(MetalRenderer, TrianglesSampleTheAlphaAtlas)
{
  MetalContext m(16, 16, 0x2001);
  auto& r = m.Renderer();
  int atlas = m.ctx->fontImages[0];
  std::vector<unsigned char> alpha(512 * 512, 0);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      alpha[y * 512 + x] = x < 4 ? 255 : 64;
  MvgRenderUpdateTexture(&r, atlas, 0, 0, 8, 8, alpha.data());
  m.Begin(vgRGBAf(0, 0, 0, 0));
  VGpaint paint = vgImagePattern(0, 0, 512, 512, 0, atlas, 1.0f);
  paint.innerColor = paint.outerColor = vgRGBAf(1, 0, 0, 1);
  const float t = 8.0f / 512;
  VGvertex quad[6] = {{0, 0, 0, 0}, {8, 8, t, t}, {8, 0, t, 0}, {0, 0, 0, 0}, {0, 8, 0, t}, {8, 8, t, t}};
  VGscissor scissor{{1, 0, 0, 1, 0, 0}, {-1, -1}};
  VGcompositeOperationState op{kVGOne, kVGOneMinusSrcAlpha, kVGOne, kVGOneMinusSrcAlpha};
  MvgRenderTriangles(&r, &paint, op, &scissor, quad, 6, 1.0f);
  RgbaImage image = m.End();
  EXPECT_EQ(image.At(1, 4)[0], 255);
  EXPECT_EQ(image.At(1, 4)[3], 255);
  EXPECT_NEAR(image.At(6, 4)[0], 64, 1);
  EXPECT_NEAR(image.At(6, 4)[3], 64, 1);
  EXPECT_EQ(image.At(12, 12)[3], 0);
}

// A frame begun over a frame still recording gives the first one up instead of keeping its set (with one
// set the second begin would wait forever); recording outside a frame is dropped, not written into a set
// the GPU may be reading.
TEST(MetalRenderer, FramesThatAreNotEndedDoNotKeepTheirSet)
{
  MetalContext m(16, 16, 0);
  auto& r = m.Renderer();
  vgBeginFrame(m.ctx, 16, 16, 1);
  FillRect(m.ctx, 0, 0, 8, 8, vgRGBA(255, 0, 0, 255));
  vgBeginFrame(m.ctx, 16, 16, 1);
  EXPECT_EQ(r.cbuffers[0]->rec.ncalls, 0);
  EXPECT_EQ(QorvDispatchSemaphoreValue(r.semaphore), 0);
  vgEndFrame(m.ctx);
  EXPECT_EQ(QorvDispatchSemaphoreValue(r.semaphore), 1);
  VGpaint paint = vgLinearGradient(0, 0, 1, 1, vgRGBA(0, 0, 0, 255), vgRGBA(0, 0, 0, 255));
  VGscissor scissor{{1, 0, 0, 1, 0, 0}, {-1, -1}};
  VGvertex tri[3] = {{0, 0, 0.5f, 1}, {8, 0, 0.5f, 1}, {0, 8, 0.5f, 1}};
  MvgRenderTriangles(&r, &paint, VGcompositeOperationState{kVGOne, kVGZero, kVGOne, kVGZero}, &scissor, tri,
                     3, 1);
  EXPECT_EQ(r.cbuffers[0]->rec.ncalls, 0);
}

// A renderer kept by a static is deleted as the process exits, after the main thread's own variables went
// (the renderer's caches of room for draws among them): closing its queue must not reach those.
TEST(MetalRendererDeathTest, ARendererDeletedAtExitLeavesTheThreadsGoneCachesAlone)
{
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        static std::unique_ptr<MetalContext> kept = std::make_unique<MetalContext>(64, 64);
        kept->Begin();
        vgBeginPath(kept->ctx);
        vgRect(kept->ctx, 4, 4, 40, 30);
        vgFillColor(kept->ctx, vgRGBA(200, 40, 40, 255));
        vgFill(kept->ctx);
        kept->End();
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}
