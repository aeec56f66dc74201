#include "graphics/vector/VGtransform.h"

#include <cmath>

namespace iplugin::igraphics
{
int vgTransformInverse(float* inv, const float* t)
{
  const double det = affine::Determinant(t);
  if (det > -1e-6 && det < 1e-6)
  {
    vgTransformIdentity(inv);
    return 0;
  }
  affine::Invert(inv, t, det);
  return 1;
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
