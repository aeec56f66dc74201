#include "platform/src/AppKit/X11PixelConverter.h"

#include <X11/Xutil.h>

#include <bit>
#include <cstring>

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

PixelConverter::PixelConverter(const XImage& image) : mBlueGreen(size_t(1) << 16), mRow(RowFor(image))
{
  const MaskChannel red(image.red_mask), green(image.green_mask), blue(image.blue_mask);
  uint32_t greens[256], blues[256];
  for (int v = 0; v < 256; ++v)
  {
    mRed[size_t(v)] = uint32_t(red.From8(uint8_t(v)));
    greens[v] = uint32_t(green.From8(uint8_t(v)));
    blues[v] = uint32_t(blue.From8(uint8_t(v)));
  }
  for (size_t i = 0; i < mBlueGreen.size(); ++i)
    mBlueGreen[i] = blues[i & 0xFF] | greens[i >> 8];
}

// A ZPixmap pixel of whole bytes is its value's low kBytes bytes in the image's byte order: on a
// little-endian machine, for an image of least significant bytes first, as they lie in memory.
template <int kBytes, bool kMostSignificantFirst>
void PixelConverter::PutWholeBytes(const PixelConverter& c, const uint8_t* from, uint8_t* to, size_t count)
{
  constexpr bool kAsInMemory = !kMostSignificantFirst && std::endian::native == std::endian::little;
  const uint32_t *blueGreen = c.mBlueGreen.data(), *red = c.mRed.data(); // looked up once, not a pixel
  for (size_t i = 0; i < count; ++i, from += 4, to += kBytes)
  {
    const uint32_t p = Pixel(blueGreen, red, from);
    if constexpr (kAsInMemory)
      std::memcpy(to, &p, kBytes);
    else
      for (int b = 0; b < kBytes; ++b)
        to[b] = uint8_t(p >> (8 * (kMostSignificantFirst ? kBytes - 1 - b : b)));
  }
}

// The nearest of `top` + 1 levels to 8-bit v (top below 256), as MaskChannel::From8 rounds, in 16-bit
// arithmetic the compiler spreads over a row: v * top + 127 fits 16 bits, and its quotient by 255 is its
// product with 0x8081 shifted right by 23 for every such value.
static inline uint16_t Level(uint16_t v, uint16_t top)
{
  const uint16_t x = uint16_t(v * top + 127);
  return uint16_t(uint16_t((uint32_t(x) * 0x8081u) >> 16) >> 7);
}

// The commonest 16-bit layout without tables: a row's pixels computed side by side.
void PixelConverter::Put565(const PixelConverter&, const uint8_t* from, uint8_t* to, size_t count)
{
  for (size_t i = 0; i < count; ++i)
  {
    const uint16_t p =
        uint16_t(Level(from[4 * i], 31) | Level(from[4 * i + 1], 63) << 5 | Level(from[4 * i + 2], 31) << 11);
    std::memcpy(to + 2 * i, &p, 2);
  }
}

PixelConverter::Row PixelConverter::RowFor(const XImage& image)
{
  const bool msb = image.byte_order == MSBFirst;
  if (image.bits_per_pixel == 16 && !msb && std::endian::native == std::endian::little &&
      image.red_mask == 0xF800 && image.green_mask == 0x7E0 && image.blue_mask == 0x1F)
    return Put565;
  switch (image.bits_per_pixel)
  {
  case 8:
    return PutWholeBytes<1, false>;
  case 16:
    return msb ? PutWholeBytes<2, true> : PutWholeBytes<2, false>;
  case 24:
    return msb ? PutWholeBytes<3, true> : PutWholeBytes<3, false>;
  case 32:
    return msb ? PutWholeBytes<4, true> : PutWholeBytes<4, false>;
  default:
    return nullptr;
  }
}

void PixelConverter::PutRow(const uint8_t* bgra, XImage& image, int x, int y, size_t count) const
{
  if (mRow)
  {
    mRow(*this, bgra,
         reinterpret_cast<uint8_t*>(image.data) + size_t(y) * size_t(image.bytes_per_line) +
             size_t(x) * size_t(image.bits_per_pixel / 8),
         count);
    return;
  }
  for (size_t i = 0; i < count; ++i, bgra += 4)
    XPutPixel(&image, x + int(i), y, Pixel(mBlueGreen.data(), mRed.data(), bgra));
}
} // namespace qorvplatform::detail::x11
