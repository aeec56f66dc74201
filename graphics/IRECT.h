// A rectangle in editor points (left, top, right, bottom), with the layout arithmetic that controls,
// the redraw path and the layers share. Plain value; any thread.
#pragma once

#include <algorithm>
#include <cmath>

namespace iplugin::igraphics
{
struct IRECT
{
  float L = 0.f;
  float T = 0.f;
  float R = 0.f;
  float B = 0.f;

  constexpr IRECT() = default;
  constexpr IRECT(float l, float t, float r, float b) : L(l), T(t), R(r), B(b) {}

  constexpr float W() const { return R - L; }
  constexpr float H() const { return B - T; }
  constexpr float MW() const { return (L + R) * 0.5f; }
  constexpr float MH() const { return (T + B) * 0.5f; }

  // Empty means all four coordinates are 0, not a zero area: (0, 0, 0, 5) is not empty.
  constexpr bool Empty() const { return L == 0.f && T == 0.f && R == 0.f && B == 0.f; }

  constexpr bool operator==(const IRECT& o) const { return L == o.L && T == o.T && R == o.R && B == o.B; }
  constexpr bool operator!=(const IRECT& o) const { return !(*this == o); }

  // Right and bottom edges compare inclusively, left and top strictly, so the test is not symmetric:
  // (0, 0, 10, 10) with (10, 0, 20, 10) gives the degenerate (10, 0, 10, 10).
  IRECT Intersect(const IRECT& o) const
  {
    if (Empty() || o.Empty()) return IRECT();
    if (R >= o.L && o.R > L && B >= o.T && o.B > T)
      return IRECT(std::max(L, o.L), std::max(T, o.T), std::min(R, o.R), std::min(B, o.B));
    return IRECT();
  }

  // Grows outwards to whole pixels at the scale.
  IRECT PixelAligned(float scale) const
  {
    return IRECT(std::floor(L * scale) / scale, std::floor(T * scale) / scale, std::ceil(R * scale) / scale,
                 std::ceil(B * scale) / scale);
  }

  constexpr IRECT GetPadded(float p) const { return IRECT(L - p, T - p, R + p, B + p); }
  constexpr IRECT GetScaled(float s) const { return IRECT(L * s, T * s, R * s, B * s); }
  constexpr IRECT GetTranslated(float x, float y) const { return IRECT(L + x, T + y, R + x, B + y); }

  // Right and bottom edges excluded; the empty rectangle holds nothing.
  constexpr bool Contains(float x, float y) const { return !Empty() && x >= L && x < R && y >= T && y < B; }
  constexpr bool Contains(const IRECT& b) const
  {
    return !Empty() && !b.Empty() && b.L >= L && b.R <= R && b.T >= T && b.B <= B;
  }
};
} // namespace iplugin::igraphics
