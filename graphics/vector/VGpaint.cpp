#include "graphics/vector/VGpaint.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "graphics/vector/VGtransform.h"

namespace iplugin::igraphics
{
namespace
{
VGpaint GradientPaint(float extentx, float extenty, float radius, float feather, VGcolor icol, VGcolor ocol)
{
  VGpaint p;
  std::memset(&p, 0, sizeof(p));
  vgTransformIdentity(p.xform);
  p.extent[0] = extentx;
  p.extent[1] = extenty;
  p.radius = radius;
  p.feather = feather;
  p.innerColor = icol;
  p.outerColor = ocol;
  return p;
}
} // namespace

VGpaint vgColorPaint(VGcolor color)
{
  return GradientPaint(0.0f, 0.0f, 0.0f, 1.0f, color, color);
}

VGpaint vgLinearGradient(float sx, float sy, float ex, float ey, VGcolor icol, VGcolor ocol)
{
  const float large = 1e5f;
  float dx = ex - sx, dy = ey - sy;
  float d = std::sqrt(dx * dx + dy * dy);
  if (d > 0.0001f)
  {
    dx /= d;
    dy /= d;
  }
  else
  {
    dx = 0.0f;
    dy = 1.0f;
  }
  // The box edge sits at the middle of the segment and the feather spans it.
  VGpaint p = GradientPaint(large, large + d * 0.5f, 0.0f, std::max(1.0f, d), icol, ocol);
  p.xform[0] = dy;
  p.xform[1] = -dx;
  p.xform[2] = dx;
  p.xform[3] = dy;
  p.xform[4] = sx - dx * large;
  p.xform[5] = sy - dy * large;
  return p;
}

VGpaint vgRadialGradient(float cx, float cy, float inr, float outr, VGcolor icol, VGcolor ocol)
{
  float r = (inr + outr) * 0.5f;
  VGpaint p = GradientPaint(r, r, r, std::max(1.0f, outr - inr), icol, ocol);
  p.xform[4] = cx;
  p.xform[5] = cy;
  return p;
}

VGpaint vgBoxGradient(float x, float y, float w, float h, float r, float f, VGcolor icol, VGcolor ocol)
{
  VGpaint p = GradientPaint(w * 0.5f, h * 0.5f, r, std::max(1.0f, f), icol, ocol);
  p.xform[4] = x + w * 0.5f;
  p.xform[5] = y + h * 0.5f;
  return p;
}

VGpaint vgImagePattern(float cx, float cy, float w, float h, float angle, int image, float alpha)
{
  VGcolor white;
  white.r = white.g = white.b = 1.0f;
  white.a = alpha;
  VGpaint p = GradientPaint(w, h, 0.0f, 0.0f, white, white);
  vgTransformRotate(p.xform, angle);
  p.xform[4] = cx;
  p.xform[5] = cy;
  p.image = image;
  return p;
}
} // namespace iplugin::igraphics
