// 2x3 affine transforms (a, b, c, d, e, f): (x, y) -> (a x + c y + e, b x + d y + f), y downwards.
#pragma once

#include "graphics/svg/AffineTransform.h"

namespace iplugin::igraphics
{
// The same computation as the SVG parser's svgXform* functions.
inline void vgTransformIdentity(float* t)
{
  affine::Identity(t);
}
inline void vgTransformTranslate(float* t, float tx, float ty)
{
  affine::Translate(t, tx, ty);
}
inline void vgTransformScale(float* t, float sx, float sy)
{
  affine::Scale(t, sx, sy);
}
inline void vgTransformRotate(float* t, float a)
{
  affine::Rotate(t, a);
}
inline void vgTransformSkewX(float* t, float a)
{
  affine::SkewX(t, a);
}
inline void vgTransformSkewY(float* t, float a)
{
  affine::SkewY(t, a);
}
// t becomes t followed by s.
inline void vgTransformMultiply(float* t, const float* s)
{
  affine::Multiply(t, s);
}
// t becomes s followed by t.
inline void vgTransformPremultiply(float* t, const float* s)
{
  affine::Premultiply(t, s);
}
// 1 on success; a near-singular t (|det| < 1e-6) gives the identity and 0.
int vgTransformInverse(float* inv, const float* t);
inline void vgTransformPoint(float* dstx, float* dsty, const float* t, float srcx, float srcy)
{
  affine::Point(dstx, dsty, t, srcx, srcy);
}
// Mean of the two axis scales; stroke widths and text sizes follow it.
float vgTransformAverageScale(const float* t);

float vgDegToRad(float deg);
float vgRadToDeg(float rad);
} // namespace iplugin::igraphics
