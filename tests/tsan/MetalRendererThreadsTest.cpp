// The GPU renderer with the completion thread: three frames in flight, framebuffer and drawable
// alternating, texture updates and read-back between frames, as the editor's frames run.
#include <QorvPlatform/Metal.h>

#include <gtest/gtest.h>

#include <vector>

#include "graphics/vector/MVGrenderer.h"

using namespace iplugin::igraphics;

TEST(MetalRendererThreads, FramesInFlightWithReadBack)
{
  QorvMetalSetSynchronous(false);
  {
    auto layer = CAMetalLayer::layer();
    layer->drawableSize = CGSizeMake(64, 48);
    VGcontext* vg = MvgCreateContext(layer, 0x2001);
    ASSERT_TRUE(vg);
    MVGframebuffer* fb = MvgFramebufferCreate(vg, 64, 48, 0);
    std::vector<unsigned char> atlas(512 * 512, 0), px(64 * 48 * 4);
    for (int frame = 0; frame < 40; ++frame)
    {
      MvgSetCurrentFramebuffer(fb);
      MvgClearWithColor(vg, vgRGBAf(0, 0, 0, 0));
      vgBeginFrame(vg, 64, 48, 1);
      vgBeginPath(vg);
      vgRoundedRect(vg, 4, 4, 40 + frame % 8, 30, 6);
      vgFillColor(vg, vgRGBA(200, (unsigned char)(frame * 5), 0, 255));
      vgFill(vg);
      vgEndFrame(vg);
      atlas[frame] = (unsigned char)frame;
      vg->params.renderUpdateTexture(vg->params.userPtr, vg->fontImages[0], 0, 0, 64, 1, atlas.data());
      if (frame % 5 == 0)
      {
        MvgReadPixels(vg, fb->image, 0, 0, 64, 48, px.data());
        EXPECT_EQ(px[(20 * 64 + 20) * 4 + 1], (unsigned char)(frame * 5));
      }
      MvgSetCurrentFramebuffer(nullptr);
      vgBeginFrame(vg, 64, 48, 1);
      vgBeginPath(vg);
      vgRect(vg, 0, 0, 64, 48);
      vgFillPaint(vg, vgImagePattern(0, 0, 64, 48, 0, fb->image, 1.0f));
      vgFill(vg);
      vgEndFrame(vg);
    }
    std::vector<uint8_t> rgba;
    int w = 0, h = 0;
    ASSERT_TRUE(QorvMetalLayerCopyPresentedImage(*layer, rgba, w, h));
    EXPECT_EQ(rgba[(20 * 64 + 20) * 4 + 1], (unsigned char)(39 * 5));
    MvgFramebufferFree(fb);
    MvgDelete(vg);
  }
  QorvMetalSetSynchronous(true);
}
