// Draws pictures with the vector context on the GPU renderer (software GPU) into off-screen
// framebuffers and hands them back as straight-alpha RGBA, as PNG files want them. Main thread only.
#pragma once

#include <QuartzCore/CAMetalLayer.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "graphics/vector/VGcontext.h"

namespace qorvart
{
struct RgbaPixels
{
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba; // rows top to bottom, straight alpha

  const uint8_t* At(int x, int y) const { return &rgba[((size_t)y * width + x) * 4]; }
};

class BitmapCanvas
{
public:
  // Throws std::runtime_error when the renderer cannot be made.
  BitmapCanvas();
  ~BitmapCanvas();
  BitmapCanvas(const BitmapCanvas&) = delete;
  BitmapCanvas& operator=(const BitmapCanvas&) = delete;

  iplugin::igraphics::VGcontext* Context() const { return mVg; }

  // A picture of width x height points at the scale (pixels per point), drawn by draw in points onto
  // a transparent target. Throws std::runtime_error when the target cannot be made.
  RgbaPixels Render(int width, int height, int scale,
                    const std::function<void(iplugin::igraphics::VGcontext*)>& draw);

private:
  std::shared_ptr<CAMetalLayer> mLayer;
  iplugin::igraphics::VGcontext* mVg = nullptr;
};

// Writes the pixels as a PNG through a temporary file and a rename, so a reader never sees half a file.
// False when the file could not be written.
bool WritePngFile(const std::string& path, const RgbaPixels& pixels);
// False when the file cannot be read or decoded.
bool ReadPngFile(const std::string& path, RgbaPixels& pixels);
} // namespace qorvart
