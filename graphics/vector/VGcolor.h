// Colours of the vector context: four floats 0..1, not premultiplied.
#pragma once

namespace iplugin::igraphics
{
struct VGcolor
{
  union
  {
    float rgba[4];
    struct
    {
      float r, g, b, a;
    };
  };
};

VGcolor vgRGB(unsigned char r, unsigned char g, unsigned char b);
VGcolor vgRGBf(float r, float g, float b);
VGcolor vgRGBA(unsigned char r, unsigned char g, unsigned char b, unsigned char a);
VGcolor vgRGBAf(float r, float g, float b, float a);
VGcolor vgTransRGBA(VGcolor c, unsigned char a);
VGcolor vgTransRGBAf(VGcolor c, float a);
// u is clamped to 0..1.
VGcolor vgLerpRGBA(VGcolor c0, VGcolor c1, float u);
// Hue wraps into 0..1; saturation and lightness are clamped to 0..1.
VGcolor vgHSL(float h, float s, float l);
VGcolor vgHSLA(float h, float s, float l, unsigned char a);
} // namespace iplugin::igraphics
