// The GPU renderer with the completion thread: three frames in flight, framebuffer and drawable
// alternating, texture updates and read-back between frames, as the editor's frames run, and a window
// taking what each present changed while the GPU's thread presents.
#include <QorvPlatform/Metal.h>

#include <gtest/gtest.h>

#include <vector>

#include "graphics/vector/MVGrenderer.h"

using namespace iplugin::igraphics;

// With small shares, each pass is drawn by several threads in bands of rows.
constexpr int kW = 320, kH = 240, kFrames = 12;

TEST(MetalRendererThreads, FramesInFlightWithReadBack)
{
  QorvMetalSetSynchronous(false);
  QorvMetalSetPixelsPerBand(kW * kH / 8);
  {
    auto layer = CAMetalLayer::layer();
    layer->drawableSize = CGSizeMake(kW, kH);
    VGcontext* vg = MvgCreateContext(layer, 0x2001);
    ASSERT_TRUE(vg);
    MVGframebuffer* fb = MvgFramebufferCreate(vg, kW, kH, 0);
    std::vector<unsigned char> atlas(512 * 512, 0), px(kW * kH * 4), window(kW * kH * 4, 0);
    std::vector<MTLRegion> changed;
    const QorvPixelTarget target{window.data(), kW * 4, kW, kH, 0, 0};
    for (int frame = 0; frame < kFrames; ++frame)
    {
      MvgSetCurrentFramebuffer(fb);
      MvgClearWithColor(vg, vgRGBAf(0, 0, 0, 0));
      vgBeginFrame(vg, kW, kH, 1);
      vgBeginPath(vg);
      vgRoundedRect(vg, 4, 4, 40 + frame % 8, 30, 6);
      vgFillColor(vg, vgRGBA(200, (unsigned char)(frame * 5), 0, 255));
      vgFill(vg);
      vgEndFrame(vg);
      atlas[frame] = (unsigned char)frame;
      vg->params.renderUpdateTexture(vg->params.userPtr, vg->fontImages[0], 0, 0, 64, 1, atlas.data());
      if (frame % 5 == 0)
      {
        MvgReadPixels(vg, fb->image, 0, 0, kW, kH, px.data());
        EXPECT_EQ(px[(20 * kW + 20) * 4 + 1], (unsigned char)(frame * 5));
      }
      MvgSetCurrentFramebuffer(nullptr);
      vgBeginFrame(vg, kW, kH, 1);
      vgBeginPath(vg);
      vgRect(vg, 0, 0, kW, kH);
      vgFillPaint(vg, vgImagePattern(0, 0, kW, kH, 0, fb->image, 1.0f));
      vgFill(vg);
      vgEndFrame(vg);
      QorvMetalLayerCopyPresentedChanges(*layer, false, target, changed);
    }
    std::vector<uint8_t> rgba;
    int w = 0, h = 0;
    ASSERT_TRUE(QorvMetalLayerCopyPresentedImage(*layer, rgba, w, h));
    EXPECT_EQ(rgba[(20 * kW + 20) * 4 + 1], (unsigned char)((kFrames - 1) * 5));
    // Once the GPU is done, the window holds the last frame (blue first).
    QorvMetalLayerCopyPresentedChanges(*layer, false, target, changed);
    EXPECT_EQ(window[(20 * kW + 20) * 4 + 1], (unsigned char)((kFrames - 1) * 5));
    EXPECT_EQ(window[(20 * kW + 20) * 4 + 2], 200);
    MvgFramebufferFree(fb);
    MvgDelete(vg);
  }
  QorvMetalSetSynchronous(true);
}
