#include "graphics/vector/FontAtlasBlur.h"

#include <cmath>

namespace iplugin::igraphics
{
namespace
{
constexpr int kAlphaPrec = 16;
constexpr int kAccumPrec = 7;

void BlurHorizontal(unsigned char* dst, int w, int h, int dstStride, int alpha)
{
  for (int y = 0; y < h; y++)
  {
    int z = 0;
    for (int x = 1; x < w; x++)
    {
      z += (alpha * (((int)(dst[x]) << kAccumPrec) - z)) >> kAlphaPrec;
      dst[x] = (unsigned char)(z >> kAccumPrec);
    }
    dst[w - 1] = 0;
    z = 0;
    for (int x = w - 2; x >= 0; x--)
    {
      z += (alpha * (((int)(dst[x]) << kAccumPrec) - z)) >> kAlphaPrec;
      dst[x] = (unsigned char)(z >> kAccumPrec);
    }
    dst[0] = 0;
    dst += dstStride;
  }
}

void BlurVertical(unsigned char* dst, int w, int h, int dstStride, int alpha)
{
  for (int x = 0; x < w; x++)
  {
    int z = 0;
    for (int y = dstStride; y < h * dstStride; y += dstStride)
    {
      z += (alpha * (((int)(dst[y]) << kAccumPrec) - z)) >> kAlphaPrec;
      dst[y] = (unsigned char)(z >> kAccumPrec);
    }
    dst[(h - 1) * dstStride] = 0;
    z = 0;
    for (int y = (h - 2) * dstStride; y >= 0; y -= dstStride)
    {
      z += (alpha * (((int)(dst[y]) << kAccumPrec) - z)) >> kAlphaPrec;
      dst[y] = (unsigned char)(z >> kAccumPrec);
    }
    dst[0] = 0;
    dst++;
  }
}

} // namespace

void FontAtlasBlur(unsigned char* dst, int w, int h, int dstStride, int blur)
{
  if (blur < 1) return;
  const float sigma = (float)blur * 0.57735f;
  const int alpha = (int)((1 << kAlphaPrec) * (1.0f - expf(-2.3f / (sigma + 1.0f))));
  BlurVertical(dst, w, h, dstStride, alpha);
  BlurHorizontal(dst, w, h, dstStride, alpha);
  BlurVertical(dst, w, h, dstStride, alpha);
  BlurHorizontal(dst, w, h, dstStride, alpha);
}

} // namespace iplugin::igraphics
