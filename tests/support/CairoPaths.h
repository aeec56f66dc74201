// Paths for drawing reference scenes with cairo (tests and benchmarks that compare against it).
#pragma once

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace qorvtest
{
// A rectangle with quarter-circle corners of radius r, as a closed sub-path.
inline void CairoRoundedRect(cairo_t* cr, double x, double y, double w, double h, double r)
{
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
  cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
  cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}
// A box gradient as the vector context defines it (a rounded rectangle blurred over the feather f, colours
// straight RGBA 0..1 from in to out), computed per pixel centre into a premultiplied surface of
// pw x ph pixels of 1 / scale units each. Cairo has no such paint.
inline cairo_surface_t* CairoBoxGradientImage(int pw, int ph, double scale, double x, double y, double w, double h,
                                              double r, double f, const double in[4], const double out[4])
{
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pw, ph);
  unsigned char* data = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  f = std::max(f, 1.0);
  for (int py = 0; py < ph; ++py)
    for (int px = 0; px < pw; ++px)
    {
      const double dx = std::fabs((px + 0.5) / scale - (x + w / 2)) - (w / 2 - r),
                   dy = std::fabs((py + 0.5) / scale - (y + h / 2)) - (h / 2 - r);
      const double dist = std::min(std::max(dx, dy), 0.0) + std::hypot(std::max(dx, 0.0), std::max(dy, 0.0)) - r;
      const double t = std::clamp((dist + f / 2) / f, 0.0, 1.0);
      double c[4];
      for (int i = 0; i < 4; ++i)
        c[i] = in[i] + (out[i] - in[i]) * t;
      auto byte = [](double v) { return (uint32_t)std::lround(std::clamp(v, 0.0, 1.0) * 255); };
      const uint32_t p = byte(c[3]) << 24 | byte(c[0] * c[3]) << 16 | byte(c[1] * c[3]) << 8 | byte(c[2] * c[3]);
      std::memcpy(data + py * stride + px * 4, &p, 4);
    }
  cairo_surface_mark_dirty(s);
  return s;
}
// A square RGB24 picture of side pixels, white, drawn on at the scale; its target is the surface, which
// the caller destroys after the context.
inline cairo_t* CairoOnWhite(int side, double scale)
{
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, side, side);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_scale(cr, scale, scale);
  return cr;
}
// The red of each pixel of an RGB24 image surface, row by row.
inline std::vector<int> CairoReds(cairo_surface_t* surface)
{
  cairo_surface_flush(surface);
  const int w = cairo_image_surface_get_width(surface), h = cairo_image_surface_get_height(surface);
  std::vector<int> red((size_t)w * h);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
    {
      uint32_t p;
      std::memcpy(&p, data + y * stride + x * 4, 4);
      red[(size_t)y * w + x] = (int)(p >> 16 & 0xff);
    }
  return red;
}
} // namespace qorvtest
