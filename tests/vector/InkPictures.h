// The red of each pixel of a picture, white where nothing is drawn: the ink a black fill puts down on white
// is the sum of 255 minus red. Ours from the software GPU's image, cairo's from a white surface it draws on.
#pragma once

#include "tests/support/CairoPaths.h"
#include "tests/support/GoldenImage.h"

#include <cairo.h>

#include <cmath>
#include <cstdlib>
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

// The mean difference between two pictures' reds over the pixels either shows as an edge: between white
// and the full red of black at alpha, 3 levels clear of each.
inline double EdgeDifference(const std::vector<int>& ours, const std::vector<int>& theirs, double alpha)
{
  const int full = (int)std::lround(255 * (1 - alpha));
  double sum = 0;
  int count = 0;
  for (size_t k = 0; k < ours.size(); k++)
  {
    auto edge = [&](int red) { return red > full + 3 && red < 252; };
    if (!edge(ours[k]) && !edge(theirs[k])) continue;
    sum += std::abs(ours[k] - theirs[k]), count++;
  }
  return count ? sum / count : 0.0;
}
} // namespace qorvtest
