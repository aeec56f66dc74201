// A vector context on the GPU renderer over the software GPU, drawing into a Metal layer whose presented
// image the test reads back.
#pragma once

#include <QorvPlatform/Metal.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "graphics/vector/MVGcontext.h"
#include "graphics/vector/MVGrenderer.h"
#include "graphics/vector/VGpaint.h"
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
  // Ends a frame of black at `alpha` on white and answers the ink it put down (InkOf).
  double EndInk(double alpha);
  // A frame of one image of w by h RGBA texels (made for the frame) filling its own rectangle at (x, y);
  // what the layer shows.
  std::vector<unsigned char> ImageFrame(const std::vector<unsigned char>& texels, int w, int h, float x,
                                        float y)
  {
    using namespace iplugin::igraphics;
    Begin();
    const int image = vgCreateImageRGBA(ctx, w, h, 0, texels.data());
    vgBeginPath(ctx);
    vgRect(ctx, x, y, (float)w, (float)h);
    vgFillPaint(ctx, vgImagePattern(x, y, (float)w, (float)h, 0.0f, image, 1.0f));
    vgFill(ctx);
    const RgbaImage shown = End();
    vgDeleteImage(ctx, image);
    return shown.rgba;
  }
};
// The ink a frame of black at `alpha` on white puts down, in pixels at full cover.
inline double InkOf(const RgbaImage& image, double alpha)
{
  double ink = 0;
  for (size_t i = 0; i < (size_t)image.width * image.height; ++i)
    ink += 255 - image.rgba[i * 4];
  return ink / (255 * alpha);
}
inline double MetalContext::EndInk(double alpha)
{
  return InkOf(End(), alpha);
}

// A frame of a polygon of black at `alpha` on white, moved to (cx, cy) and turned, in a frame of side by
// side at the scale; whether it was filled as convex, into convex.
inline RgbaImage PolygonFrame(const std::vector<std::pair<double, double>>& pts, float cx, float cy,
                              float turn, float ratio, double alpha, int side, bool& convex)
{
  using namespace iplugin::igraphics;
  MetalContext m(side, side, 0x2001, ratio);
  m.Begin(vgRGBAf(1, 1, 1, 1), ratio);
  vgTranslate(m.ctx, cx, cy);
  vgRotate(m.ctx, turn);
  vgBeginPath(m.ctx);
  for (size_t k = 0; k < pts.size(); k++)
    (k == 0 ? vgMoveTo : vgLineTo)(m.ctx, (float)pts[k].first, (float)pts[k].second);
  vgClosePath(m.ctx);
  vgFillColor(m.ctx, vgRGBAf(0, 0, 0, (float)alpha));
  vgFill(m.ctx);
  convex = m.ctx->cache->paths[0].convex;
  return m.End();
}
// The area of a polygon of user units drawn at the scale, in device pixels.
inline double PolygonArea(const std::vector<std::pair<double, double>>& pts, float ratio)
{
  double twice = 0;
  for (size_t k = 0; k < pts.size(); k++)
  {
    const auto &a = pts[k], &b = pts[(k + 1) % pts.size()];
    twice += a.first * b.second - b.first * a.second;
  }
  return std::fabs(twice) / 2 * ratio * ratio;
}
// How a test names a shape of its family that it drew turned about (cx, cy) at the scale, in device pixels.
inline std::string PlacedShapeName(const char* kind, double length, double across, double cx, double cy,
                                   double turn, double ratio)
{
  char text[160];
  std::snprintf(text, sizeof text, "%s %.1f x %.2f px at %.3f, %.3f, turned %.4f, at scale %.1f", kind, length,
                across, cx, cy, turn, ratio);
  return text;
}
// The ink (InkOf) of PolygonFrame's polygon.
inline double PolygonInk(const std::vector<std::pair<double, double>>& pts, float cx, float cy, float turn,
                         float ratio, double alpha, int side, bool& convex)
{
  return InkOf(PolygonFrame(pts, cx, cy, turn, ratio, alpha, side, convex), alpha);
}
} // namespace qorvtest
