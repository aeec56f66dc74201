#include "graphics/vector/VGtransform.h"

#include <cmath>

#include "graphics/svg/AffineTransform.h"

namespace iplugin::igraphics
{
void vgTransformIdentity(float* t)
{
  affine::Identity(t);
}

void vgTransformTranslate(float* t, float tx, float ty)
{
  affine::Translate(t, tx, ty);
}

void vgTransformScale(float* t, float sx, float sy)
{
  affine::Scale(t, sx, sy);
}

void vgTransformRotate(float* t, float a)
{
  affine::Rotate(t, a);
}

void vgTransformSkewX(float* t, float a)
{
  affine::SkewX(t, a);
}

void vgTransformSkewY(float* t, float a)
{
  affine::SkewY(t, a);
}

void vgTransformMultiply(float* t, const float* s)
{
  affine::Multiply(t, s);
}

void vgTransformPremultiply(float* t, const float* s)
{
  affine::Premultiply(t, s);
}

int vgTransformInverse(float* inv, const float* t)
{
  double det = (double)t[0] * t[3] - (double)t[2] * t[1];
  if (det > -1e-6 && det < 1e-6)
  {
    vgTransformIdentity(inv);
    return 0;
  }
  double invdet = 1.0 / det;
  inv[0] = (float)(t[3] * invdet);
  inv[2] = (float)(-t[2] * invdet);
  inv[4] = (float)(((double)t[2] * t[5] - (double)t[3] * t[4]) * invdet);
  inv[1] = (float)(-t[1] * invdet);
  inv[3] = (float)(t[0] * invdet);
  inv[5] = (float)(((double)t[1] * t[4] - (double)t[0] * t[5]) * invdet);
  return 1;
}

void vgTransformPoint(float* dx, float* dy, const float* t, float sx, float sy)
{
  affine::Point(dx, dy, t, sx, sy);
}

float vgTransformAverageScale(const float* t)
{
  float sx = std::sqrt(t[0] * t[0] + t[2] * t[2]);
  float sy = std::sqrt(t[1] * t[1] + t[3] * t[3]);
  return (sx + sy) * 0.5f;
}

float vgDegToRad(float deg)
{
  return deg / 180.0f * 3.1415927f;
}

float vgRadToDeg(float rad)
{
  return rad / 3.1415927f * 180.0f;
}
} // namespace iplugin::igraphics
