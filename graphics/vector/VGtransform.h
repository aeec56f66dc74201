// 2x3 affine transforms (a, b, c, d, e, f): (x, y) -> (a x + c y + e, b x + d y + f), y downwards.
#pragma once

namespace iplugin::igraphics
{
void vgTransformIdentity(float* t);
void vgTransformTranslate(float* t, float tx, float ty);
void vgTransformScale(float* t, float sx, float sy);
void vgTransformRotate(float* t, float a);
void vgTransformSkewX(float* t, float a);
void vgTransformSkewY(float* t, float a);
// t becomes t followed by s.
void vgTransformMultiply(float* t, const float* s);
// t becomes s followed by t.
void vgTransformPremultiply(float* t, const float* s);
// 1 on success; a near-singular t (|det| < 1e-6) gives the identity and 0.
int vgTransformInverse(float* inv, const float* t);
void vgTransformPoint(float* dstx, float* dsty, const float* t, float srcx, float srcy);
// Mean of the two axis scales; stroke widths and text sizes follow it.
float vgTransformAverageScale(const float* t);

float vgDegToRad(float deg);
float vgRadToDeg(float rad);
} // namespace iplugin::igraphics
