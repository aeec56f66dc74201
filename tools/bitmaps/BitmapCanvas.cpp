#include "tools/bitmaps/BitmapCanvas.h"

#include <Metal/Metal.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include <stb_image.h>
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include "graphics/vector/MVGrenderer.h"

using namespace iplugin::igraphics;

namespace qorvart
{
BitmapCanvas::BitmapCanvas() : mLayer(CAMetalLayer::layer())
{
  mLayer->device = MTLCreateSystemDefaultDevice();
  mLayer->drawableSize = CGSizeMake(1, 1);
  // Stencilled strokes: translucent strokes that overlap themselves are covered once.
  mVg = MvgCreateContext(mLayer, kVGAntialias | kVGStencilStrokes);
  if (!mVg) throw std::runtime_error("the GPU renderer could not be made");
}

BitmapCanvas::~BitmapCanvas()
{
  MvgDelete(mVg);
}

RgbaPixels BitmapCanvas::Render(int width, int height, int scale, const std::function<void(VGcontext*)>& draw)
{
  RgbaPixels out{width * scale, height * scale, {}};
  MVGframebuffer* fb = MvgFramebufferCreate(mVg, out.width, out.height, 0);
  if (!fb)
    throw std::runtime_error("no framebuffer of " + std::to_string(out.width) + " x " +
                             std::to_string(out.height) + " pixels");
  MvgSetCurrentFramebuffer(fb);
  MvgClearWithColor(mVg, vgRGBAf(0, 0, 0, 0));
  vgBeginFrame(mVg, (float)width, (float)height, (float)scale);
  draw(mVg);
  vgEndFrame(mVg);
  MvgSetCurrentFramebuffer(nullptr);
  out.rgba.resize((size_t)out.width * out.height * 4);
  MvgReadPixels(mVg, fb->image, 0, 0, out.width, out.height, out.rgba.data());
  MvgFramebufferFree(fb);
  // The target holds premultiplied colour; PNG holds straight colour.
  for (size_t i = 0; i < out.rgba.size(); i += 4)
  {
    const int a = out.rgba[i + 3];
    if (a == 0 || a == 255) continue;
    for (int c = 0; c < 3; ++c)
    {
      const int v = (out.rgba[i + c] * 255 + a / 2) / a;
      out.rgba[i + c] = (uint8_t)(v > 255 ? 255 : v);
    }
  }
  return out;
}

bool WritePngFile(const std::string& path, const RgbaPixels& pixels)
{
  const std::string temp = path + ".tmp";
  if (!stbi_write_png(temp.c_str(), pixels.width, pixels.height, 4, pixels.rgba.data(), pixels.width * 4))
  {
    std::remove(temp.c_str());
    return false;
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
  if (ec) std::remove(temp.c_str());
  return !ec;
}

bool ReadPngFile(const std::string& path, RgbaPixels& pixels)
{
  int w, h, n;
  unsigned char* data = stbi_load(path.c_str(), &w, &h, &n, 4);
  if (!data) return false;
  pixels.width = w;
  pixels.height = h;
  pixels.rgba.assign(data, data + (size_t)w * h * 4);
  stbi_image_free(data);
  return true;
}
} // namespace qorvart
