// 2x3 affine transforms (a, b, c, d, e, f): (x, y) -> (a x + c y + e, b x + d y + f). The one
// implementation behind the SVG parser's svgXform* and the vector library's vgTransform* functions, which
// forward here so that both give the same numbers. Plain computation, any thread.
#pragma once

#include <cmath>

namespace iplugin::igraphics::affine
{
inline void Identity(float* t)
{
  t[0] = 1.0f;
  t[1] = 0.0f;
  t[2] = 0.0f;
  t[3] = 1.0f;
  t[4] = 0.0f;
  t[5] = 0.0f;
}

inline void Translate(float* t, float tx, float ty)
{
  Identity(t);
  t[4] = tx;
  t[5] = ty;
}

inline void Scale(float* t, float sx, float sy)
{
  Identity(t);
  t[0] = sx;
  t[3] = sy;
}

inline void Rotate(float* t, float radians)
{
  const float cs = std::cos(radians), sn = std::sin(radians);
  t[0] = cs;
  t[1] = sn;
  t[2] = -sn;
  t[3] = cs;
  t[4] = 0.0f;
  t[5] = 0.0f;
}

inline void SkewX(float* t, float radians)
{
  Identity(t);
  t[2] = std::tan(radians);
}

inline void SkewY(float* t, float radians)
{
  Identity(t);
  t[1] = std::tan(radians);
}

// t becomes t followed by s.
inline void Multiply(float* t, const float* s)
{
  const float t0 = t[0] * s[0] + t[1] * s[2];
  const float t2 = t[2] * s[0] + t[3] * s[2];
  const float t4 = t[4] * s[0] + t[5] * s[2] + s[4];
  t[1] = t[0] * s[1] + t[1] * s[3];
  t[3] = t[2] * s[1] + t[3] * s[3];
  t[5] = t[4] * s[1] + t[5] * s[3] + s[5];
  t[0] = t0;
  t[2] = t2;
  t[4] = t4;
}

// t becomes s followed by t.
inline void Premultiply(float* t, const float* s)
{
  float s2[6] = {s[0], s[1], s[2], s[3], s[4], s[5]};
  Multiply(s2, t);
  for (int i = 0; i < 6; i++)
    t[i] = s2[i];
}

inline double Determinant(const float* t)
{
  return (double)t[0] * t[3] - (double)t[2] * t[1];
}

// inv becomes the inverse of t, whose determinant det the caller has found far enough from 0.
inline void Invert(float* inv, const float* t, double det)
{
  const double invdet = 1.0 / det;
  inv[0] = (float)(t[3] * invdet);
  inv[2] = (float)(-t[2] * invdet);
  inv[4] = (float)(((double)t[2] * t[5] - (double)t[3] * t[4]) * invdet);
  inv[1] = (float)(-t[1] * invdet);
  inv[3] = (float)(t[0] * invdet);
  inv[5] = (float)(((double)t[1] * t[4] - (double)t[0] * t[5]) * invdet);
}

inline void Point(float* dx, float* dy, const float* t, float x, float y)
{
  *dx = x * t[0] + y * t[2] + t[4];
  *dy = x * t[1] + y * t[3] + t[5];
}
} // namespace iplugin::igraphics::affine
