// Paths for drawing reference scenes with cairo (tests and benchmarks that compare against it).
#pragma once

#include <cairo.h>

#include <cmath>

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
} // namespace qorvtest
