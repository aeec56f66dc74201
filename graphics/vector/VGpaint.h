// Paints: a solid colour, a gradient or an image pattern, in user space.
#pragma once

#include "graphics/vector/VGcolor.h"

namespace iplugin::igraphics
{
struct VGpaint
{
  float xform[6];  // paint space to user space
  float extent[2]; // half size of the gradient box, or the size of one image tile
  float radius;    // corner radius of the gradient box
  float feather;   // width of the colour ramp across the box edge
  VGcolor innerColor;
  VGcolor outerColor;
  int image; // renderer image id, 0 = none
};

// Solid colour: identity transform, extent 0, radius 0, feather 1, one colour.
VGpaint vgColorPaint(VGcolor color);

// Inner colour at (sx, sy), outer colour at (ex, ey).
VGpaint vgLinearGradient(float sx, float sy, float ex, float ey, VGcolor icol, VGcolor ocol);
VGpaint vgRadialGradient(float cx, float cy, float inr, float outr, VGcolor icol, VGcolor ocol);
VGpaint vgBoxGradient(float x, float y, float w, float h, float r, float f, VGcolor icol, VGcolor ocol);
// (w, h) is the size of one image tile in user space; angle in radians.
VGpaint vgImagePattern(float ox, float oy, float w, float h, float angle, int image, float alpha);
} // namespace iplugin::igraphics
