// A vector context on the GPU renderer over the software GPU, drawing into a Metal layer whose presented
// image the test reads back.
#pragma once

#include <QorvPlatform/Metal.h>

#include "graphics/vector/MVGcontext.h"
#include "graphics/vector/MVGrenderer.h"
#include "tests/support/GoldenImage.h"

namespace qorvtest
{
struct MetalContext
{
  std::shared_ptr<CAMetalLayer> layer = CAMetalLayer::layer();
  iplugin::igraphics::VGcontext* ctx = nullptr;
  int width, height;

  MetalContext(int w, int h, int flags = 0x2001, float ratio = 1.0f) : width(w), height(h)
  {
    layer->device = MTLCreateSystemDefaultDevice();
    layer->drawableSize = CGSizeMake(w * ratio, h * ratio);
    ctx = iplugin::igraphics::MvgCreateContext(layer, flags);
  }
  ~MetalContext()
  {
    if (ctx) iplugin::igraphics::MvgDelete(ctx);
  }
  iplugin::igraphics::MVGcontext_vQorv_au& Renderer() const
  {
    return *static_cast<iplugin::igraphics::MVGcontext_vQorv_au*>(
        static_cast<iplugin::igraphics::MVGrecorder*>(ctx->params.userPtr));
  }
  // Starts a frame onto the layer, cleared to the colour.
  void Begin(iplugin::igraphics::VGcolor clear = iplugin::igraphics::vgRGBAf(1, 1, 1, 1), float ratio = 1.0f)
  {
    iplugin::igraphics::MvgSetCurrentFramebuffer(nullptr);
    iplugin::igraphics::MvgClearWithColor(ctx, clear);
    iplugin::igraphics::vgBeginFrame(ctx, (float)width, (float)height, ratio);
  }
  // Ends the frame and answers what the layer shows.
  RgbaImage End()
  {
    iplugin::igraphics::vgEndFrame(ctx);
    RgbaImage image;
    QorvMetalLayerCopyPresentedImage(*layer, image.rgba, image.width, image.height);
    return image;
  }
};
} // namespace qorvtest
