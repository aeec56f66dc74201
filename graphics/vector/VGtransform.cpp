#include "graphics/vector/VGtransform.h"

#include <cmath>

namespace iplugin::igraphics
{
void vgTransformIdentity(float* t)
{
  t[0] = 1.0f;
  t[1] = 0.0f;
  t[2] = 0.0f;
  t[3] = 1.0f;
  t[4] = 0.0f;
  t[5] = 0.0f;
}

void vgTransformTranslate(float* t, float tx, float ty)
{
  vgTransformIdentity(t);
  t[4] = tx;
  t[5] = ty;
}

void vgTransformScale(float* t, float sx, float sy)
{
  vgTransformIdentity(t);
  t[0] = sx;
  t[3] = sy;
}

void vgTransformRotate(float* t, float a)
{
  float cs = std::cos(a), sn = std::sin(a);
  t[0] = cs;
  t[1] = sn;
  t[2] = -sn;
  t[3] = cs;
  t[4] = 0.0f;
  t[5] = 0.0f;
}

void vgTransformSkewX(float* t, float a)
{
  vgTransformIdentity(t);
  t[2] = std::tan(a);
}

void vgTransformSkewY(float* t, float a)
{
  vgTransformIdentity(t);
  t[1] = std::tan(a);
}

void vgTransformMultiply(float* t, const float* s)
{
  float t0 = t[0] * s[0] + t[1] * s[2];
  float t2 = t[2] * s[0] + t[3] * s[2];
  float t4 = t[4] * s[0] + t[5] * s[2] + s[4];
  t[1] = t[0] * s[1] + t[1] * s[3];
  t[3] = t[2] * s[1] + t[3] * s[3];
  t[5] = t[4] * s[1] + t[5] * s[3] + s[5];
  t[0] = t0;
  t[2] = t2;
  t[4] = t4;
}

void vgTransformPremultiply(float* t, const float* s)
{
  float s2[6] = {s[0], s[1], s[2], s[3], s[4], s[5]};
  vgTransformMultiply(s2, t);
  for (int i = 0; i < 6; i++)
    t[i] = s2[i];
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
  *dx = sx * t[0] + sy * t[2] + t[4];
  *dy = sx * t[1] + sy * t[3] + t[5];
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
