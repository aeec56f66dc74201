// The red of each pixel of a picture, white where nothing is drawn: the ink a black fill puts down on white
// is the sum of 255 minus red. Ours from the software GPU's image, cairo's from a white surface it draws on.
#pragma once

#include "tests/support/GoldenImage.h"

#include <cairo.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

namespace qorvtest
{
inline std::vector<int> RedOf(const RgbaImage& image)
{
  std::vector<int> red((size_t)image.width * image.height);
  for (size_t i = 0; i < red.size(); ++i)
    red[i] = image.rgba[i * 4];
  return red;
}

// A white surface side pixels square, scaled by ratio, that draw paints on.
inline std::vector<int> CairoRed(int side, float ratio, const std::function<void(cairo_t*)>& draw)
{
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, side, side);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_scale(cr, ratio, ratio);
  draw(cr);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  std::vector<int> red((size_t)side * side);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x)
    {
      uint32_t p;
      std::memcpy(&p, data + y * stride + x * 4, 4);
      red[(size_t)y * side + x] = (int)(p >> 16 & 0xff);
    }
  cairo_surface_destroy(surface);
  return red;
}
} // namespace qorvtest
