#include "graphics/vector/MVGcallBounds.h"

#include "graphics/vector/VGshading.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace iplugin::igraphics
{
bool mvgZeroSourceKeepsTarget(const MVGblend& blend)
{
  auto keeps = [](uint64_t f)
  { return f == kMVGBlendOne || f == kMVGBlendOneMinusSourceColor || f == kMVGBlendOneMinusSourceAlpha; };
  return keeps(blend.dstRGB) && keeps(blend.dstAlpha);
}

namespace
{
// The view coordinate of a pixel centre when it is what the rasteriser gives that pixel: the quotient is
// exact (a ratio of 1 or 2, say), so no rounding can move it.
bool ExactCentre(int pixel, float ratio, float& at)
{
  at = (float(pixel) + 0.5f) / ratio;
  return double(at) * double(ratio) == double(pixel) + 0.5;
}

// An upright scissor's coverage is a factor across (from x alone) times one down (from y alone). The margin
// against rounding leaves a column or row on each side whose centre the scissor's fringe just fails to
// reach (coverage 0, as the shader computes it); without them a pixel-aligned scissor's rows are all
// covered whole, which the renderer's row shortcuts need. Only exact centres are judged.
void TrimUncovered(const MVGfragUniforms& frag, float ratioX, float ratioY, MVGpixelRect& r)
{
  if (r.x1 - r.x0 < 3 || r.y1 - r.y0 < 3) return;
  float mx, my;
  if (!ExactCentre((r.x0 + r.x1) / 2, ratioX, mx) || !ExactCentre((r.y0 + r.y1) / 2, ratioY, my) ||
      vgScissorCoverage(frag, mx, my) != 1.0f)
    return;
  // The other factor is 1 at the middle column and row, so the coverage there is this factor alone.
  auto noneAcross = [&](int px)
  {
    float x;
    return ExactCentre(px, ratioX, x) && vgScissorCoverage(frag, x, my) == 0.0f;
  };
  auto noneDown = [&](int py)
  {
    float y;
    return ExactCentre(py, ratioY, y) && vgScissorCoverage(frag, mx, y) == 0.0f;
  };
  // Each stops at the middle at the latest, which is covered.
  while (noneAcross(r.x0))
    ++r.x0;
  while (noneAcross(r.x1 - 1))
    --r.x1;
  while (noneDown(r.y0))
    ++r.y0;
  while (noneDown(r.y1 - 1))
    --r.y1;
}
} // namespace

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
  if (b == 0.0 && c == 0.0) TrimUncovered(frag, ratioX, ratioY, out);
  return true;
}

size_t MVGscissorBoundsCache::KeyHash::operator()(const Key& k) const
{
  // Two entries a step: asked once a call.
  uint64_t h = 14695981039346656037ull;
  for (size_t i = 0; i < k.size(); i += 2)
    h = (h ^ (uint64_t(k[i]) | uint64_t(k[i + 1]) << 32)) * 1099511628211ull;
  return size_t(h ^ (h >> 32));
}

bool MVGscissorBoundsCache::Bounds(const MVGfragUniforms& frag, float ratioX, float ratioY, int width,
                                   int height, MVGpixelRect& out)
{
  Key key;
  std::memcpy(&key[0], frag.scissorMat, sizeof(frag.scissorMat));
  std::memcpy(&key[12], frag.scissorExt, sizeof(frag.scissorExt));
  std::memcpy(&key[14], frag.scissorScale, sizeof(frag.scissorScale));
  std::memcpy(&key[16], &ratioX, sizeof(float));
  std::memcpy(&key[17], &ratioY, sizeof(float));
  std::memcpy(&key[18], &width, sizeof(int));
  std::memcpy(&key[19], &height, sizeof(int));
  if (const auto found = mAnswers.find(key); found != mAnswers.end())
  {
    if (found->second.bounded) out = found->second.rect;
    return found->second.bounded;
  }
  Answer a{};
  a.bounded = mvgScissorPixelBounds(frag, ratioX, ratioY, width, height, a.rect);
  if (mAnswers.size() >= kMaxAnswers) mAnswers.clear();
  mAnswers.emplace(key, a);
  if (a.bounded) out = a.rect;
  return a.bounded;
}
} // namespace iplugin::igraphics
