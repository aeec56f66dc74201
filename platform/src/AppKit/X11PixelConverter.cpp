#include "platform/src/AppKit/X11PixelConverter.h"

#include <X11/Xutil.h>

namespace qorvplatform::detail::x11
{
MaskChannel::MaskChannel(unsigned long mask)
{
  if (!mask) return;
  while (!(mask >> shift & 1))
    ++shift;
  while (bits < 32 && mask >> (shift + bits) & 1)
    ++bits;
}

unsigned long MaskChannel::From8(uint8_t v) const
{
  const uint64_t top = (uint64_t{1} << bits) - 1;
  return (unsigned long)((v * top + 127) / 255) << shift;
}

uint8_t MaskChannel::To8(unsigned long pixel) const
{
  if (!bits) return 0;
  const uint64_t top = (uint64_t{1} << bits) - 1;
  const uint64_t v = pixel >> shift & top;
  return uint8_t((v * 255 + top / 2) / top);
}

PixelConverter::PixelConverter(const XImage& image)
    : mRed(image.red_mask), mGreen(image.green_mask), mBlue(image.blue_mask)
{
}

void PixelConverter::Convert(const uint8_t* frame, size_t frameStride, XImage& image,
                             const MTLRegion& r) const
{
  for (NSUInteger y = r.origin.y; y < r.origin.y + r.size.height; ++y)
    for (NSUInteger x = r.origin.x; x < r.origin.x + r.size.width; ++x)
    {
      const uint8_t* p = &frame[size_t(y) * frameStride + size_t(x) * 4];
      XPutPixel(&image, int(x), int(y), mRed.From8(p[2]) | mGreen.From8(p[1]) | mBlue.From8(p[0]));
    }
}
} // namespace qorvplatform::detail::x11
