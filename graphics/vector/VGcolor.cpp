#include "graphics/vector/VGcolor.h"

#include <algorithm>
#include <cmath>

namespace iplugin::igraphics
{
VGcolor vgRGB(unsigned char r, unsigned char g, unsigned char b)
{
  return vgRGBA(r, g, b, 255);
}

VGcolor vgRGBf(float r, float g, float b)
{
  return vgRGBAf(r, g, b, 1.0f);
}

VGcolor vgRGBA(unsigned char r, unsigned char g, unsigned char b, unsigned char a)
{
  return vgRGBAf(r / 255.0f, g / 255.0f, b / 255.0f, a / 255.0f);
}

VGcolor vgRGBAf(float r, float g, float b, float a)
{
  VGcolor c;
  c.r = r;
  c.g = g;
  c.b = b;
  c.a = a;
  return c;
}

VGcolor vgTransRGBA(VGcolor c, unsigned char a)
{
  c.a = a / 255.0f;
  return c;
}

VGcolor vgTransRGBAf(VGcolor c, float a)
{
  c.a = a;
  return c;
}

VGcolor vgLerpRGBA(VGcolor c0, VGcolor c1, float u)
{
  u = std::clamp(u, 0.0f, 1.0f);
  float oneminu = 1.0f - u;
  VGcolor c;
  for (int i = 0; i < 4; i++)
    c.rgba[i] = c0.rgba[i] * oneminu + c1.rgba[i] * u;
  return c;
}

VGcolor vgHSL(float h, float s, float l)
{
  return vgHSLA(h, s, l, 255);
}

namespace
{
float Hue(float h, float m1, float m2)
{
  if (h < 0.0f) h += 1.0f;
  if (h > 1.0f) h -= 1.0f;
  if (h < 1.0f / 6.0f) return m1 + (m2 - m1) * h * 6.0f;
  if (h < 3.0f / 6.0f) return m2;
  if (h < 4.0f / 6.0f) return m1 + (m2 - m1) * (2.0f / 3.0f - h) * 6.0f;
  return m1;
}
} // namespace

VGcolor vgHSLA(float h, float s, float l, unsigned char a)
{
  h = std::fmod(h, 1.0f);
  if (h < 0.0f) h += 1.0f;
  s = std::clamp(s, 0.0f, 1.0f);
  l = std::clamp(l, 0.0f, 1.0f);
  float m2 = l <= 0.5f ? l * (1.0f + s) : l + s - l * s;
  float m1 = 2.0f * l - m2;
  VGcolor c;
  c.r = std::clamp(Hue(h + 1.0f / 3.0f, m1, m2), 0.0f, 1.0f);
  c.g = std::clamp(Hue(h, m1, m2), 0.0f, 1.0f);
  c.b = std::clamp(Hue(h - 1.0f / 3.0f, m1, m2), 0.0f, 1.0f);
  c.a = a / 255.0f;
  return c;
}
} // namespace iplugin::igraphics
