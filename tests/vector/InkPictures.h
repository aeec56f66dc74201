// The red of each pixel of a picture, white where nothing is drawn: the ink a black fill puts down on white
// is the sum of 255 minus red. Ours from the software GPU's image, cairo's from a white surface it draws on.
#pragma once

#include "tests/support/CairoPaths.h"
#include "tests/support/GoldenImage.h"

#include <cairo.h>

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
  cairo_t* cr = CairoOnWhite(side, ratio);
  cairo_surface_t* surface = cairo_get_target(cr);
  draw(cr);
  cairo_destroy(cr);
  std::vector<int> red = CairoReds(surface);
  cairo_surface_destroy(surface);
  return red;
}
} // namespace qorvtest
