#include "graphics/vector/MVGcallBounds.h"

#include <algorithm>
#include <cmath>

namespace iplugin::igraphics
{
bool mvgZeroSourceKeepsTarget(const MVGblend& blend)
{
  auto keeps = [](uint64_t f)
  { return f == kMVGBlendOne || f == kMVGBlendOneMinusSourceColor || f == kMVGBlendOneMinusSourceAlpha; };
  return keeps(blend.dstRGB) && keeps(blend.dstAlpha);
}

bool mvgScissorPixelBounds(const MVGfragUniforms& frag, float ratioX, float ratioY, int width, int height,
                           MVGpixelRect& out)
{
  const float* m = frag.scissorMat;
  if (std::all_of(m, m + 12, [](float v) { return v == 0.0f; })) return false;
  if (!(ratioX > 0.0f) || !(ratioY > 0.0f)) return false;
  // Coverage is above 0 only where |s| < extent + 0.5 / scale in scissor space (s = m applied to the
  // view point); the corners of that box go back to view space through the inverse of m.
  const double a = m[0], b = m[1], c = m[4], d = m[5], e = m[8], f = m[9];
  const double det = a * d - b * c;
  if (!std::isfinite(det) || std::fabs(det) < 1e-12) return false;
  double hx = frag.scissorExt[0] + 0.5 / frag.scissorScale[0];
  double hy = frag.scissorExt[1] + 0.5 / frag.scissorScale[1];
  if (!std::isfinite(hx) || !std::isfinite(hy)) return false;
  if (hx < 0 || hy < 0)
  {
    out = MVGpixelRect{0, 0, 0, 0};
    return true;
  }
  double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
  for (int corner = 0; corner < 4; ++corner)
  {
    const double sx = (corner & 1 ? hx : -hx) - e, sy = (corner & 2 ? hy : -hy) - f;
    const double x = (d * sx - c * sy) / det, y = (a * sy - b * sx) / det;
    minX = std::min(minX, x), maxX = std::max(maxX, x);
    minY = std::min(minY, y), maxY = std::max(maxY, y);
  }
  auto clampTo = [](double v, int n) { return (int)std::clamp(v, 0.0, (double)n); };
  out.x0 = clampTo(std::floor(minX * ratioX) - 1, width);
  out.y0 = clampTo(std::floor(minY * ratioY) - 1, height);
  out.x1 = clampTo(std::ceil(maxX * ratioX) + 1, width);
  out.y1 = clampTo(std::ceil(maxY * ratioY) + 1, height);
  if (out.x1 < out.x0) out.x1 = out.x0;
  if (out.y1 < out.y0) out.y1 = out.y0;
  return true;
}
} // namespace iplugin::igraphics
