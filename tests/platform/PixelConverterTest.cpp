// The views' pixels converted into every TrueColor layout other than their own that a server may give a
// window's image: 16-bit (5-6-5, 5-5-5, 4-4-4, blue-first), 24-bit packed, 32-bit in the other byte order
// or channel order, 10-bit channels, 8-bit and 4-bit pixels, in both byte orders. Each must give the same
// bytes as Xlib's own XPutPixel of each pixel's nearest levels, and the bytes recorded when every window
// converted that way, over frames of every channel value and of random pixels; and nothing outside the
// rectangles converted changes.
#include "platform/src/AppKit/X11PixelConverter.h"

#include <Metal/MTLTypes.h>
#include <X11/Xutil.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace pixelconvertertest
{
using qorvplatform::detail::x11::MaskChannel;
using qorvplatform::detail::x11::PixelConverter;

constexpr int kWidth = 97, kHeight = 23; // rows of odd length, so no row starts aligned

struct Layout
{
  const char* name;
  int depth, bitsPerPixel, byteOrder;
  unsigned long red, green, blue;
  uint64_t digest; // of the converted frames, as converted by XPutPixel a pixel
};

// An image of this layout in the client's memory, every byte 0xA5 until written.
struct SyntheticImage
{
  SyntheticImage(const Layout& l)
  {
    image.width = kWidth;
    image.height = kHeight;
    image.format = ZPixmap;
    image.byte_order = image.bitmap_bit_order = l.byteOrder;
    image.bitmap_unit = image.bitmap_pad = 32;
    image.depth = l.depth;
    image.bits_per_pixel = l.bitsPerPixel;
    image.bytes_per_line = (kWidth * l.bitsPerPixel + 31) / 32 * 4;
    image.red_mask = l.red;
    image.green_mask = l.green;
    image.blue_mask = l.blue;
    bytes.assign(size_t(image.bytes_per_line) * kHeight, char(0xA5));
    image.data = bytes.data();
    ok = XInitImage(&image) != 0;
  }
  std::vector<char> bytes;
  XImage image{};
  bool ok = false;
};

// Frame 0 takes every value of every channel (blue along the rows, green and red across them, each with
// its own step); the others are random.
std::vector<uint8_t> Frame(int index)
{
  std::vector<uint8_t> frame(size_t(kWidth) * kHeight * 4);
  std::mt19937 random{unsigned(index)};
  for (size_t i = 0; i < frame.size(); i += 4)
  {
    const size_t pixel = i / 4;
    if (index == 0)
    {
      frame[i] = uint8_t(pixel);
      frame[i + 1] = uint8_t(pixel * 7 + 3);
      frame[i + 2] = uint8_t(255 - pixel * 13);
    }
    else
      for (int c = 0; c < 3; ++c)
        frame[i + size_t(c)] = uint8_t(random());
    frame[i + 3] = 255;
  }
  return frame;
}

const MTLRegion kRects[] = {MTLRegionMake2D(0, 0, kWidth, 1), MTLRegionMake2D(5, 3, 40, 11),
                            MTLRegionMake2D(kWidth - 1, kHeight - 1, 1, 1), MTLRegionMake2D(0, 14, kWidth, 8),
                            MTLRegionMake2D(60, 2, 37, 3)};

// Each pixel through XPutPixel, at the nearest level of each channel.
void PutEachPixel(const std::vector<uint8_t>& frame, XImage& image, const MTLRegion& r)
{
  const MaskChannel red(image.red_mask), green(image.green_mask), blue(image.blue_mask);
  for (NSUInteger y = r.origin.y; y < r.origin.y + r.size.height; ++y)
    for (NSUInteger x = r.origin.x; x < r.origin.x + r.size.width; ++x)
    {
      const uint8_t* p = &frame[(y * kWidth + x) * 4];
      XPutPixel(&image, int(x), int(y), red.From8(p[2]) | green.From8(p[1]) | blue.From8(p[0]));
    }
}

uint64_t Digest(const std::vector<char>& bytes, uint64_t h)
{
  for (const char b : bytes)
    h = (h ^ uint8_t(b)) * 0x100000001B3ull; // FNV-1a
  return h;
}

TEST(PixelConverter, GivesXlibsBytesInEveryLayout)
{
  const Layout layouts[] = {
      {"5-6-5", 16, 16, LSBFirst, 0xF800, 0x07E0, 0x001F, 0xCD562985C86EE00E},
      {"5-6-5 big-endian", 16, 16, MSBFirst, 0xF800, 0x07E0, 0x001F, 0x190024E9D9A5A3A4},
      {"5-5-5", 15, 16, LSBFirst, 0x7C00, 0x03E0, 0x001F, 0xE31A78CAEECC1EFA},
      {"5-5-5 big-endian", 15, 16, MSBFirst, 0x7C00, 0x03E0, 0x001F, 0xFE81D76A660E581C},
      {"5-6-5 blue first", 16, 16, LSBFirst, 0x001F, 0x07E0, 0xF800, 0x66BA06CBFC3A83CD},
      {"4-4-4", 12, 16, LSBFirst, 0x0F00, 0x00F0, 0x000F, 0xF34BB48285C072F2},
      {"8-8-8 packed", 24, 24, LSBFirst, 0xFF0000, 0xFF00, 0xFF, 0x1F5A3BE0D02BC63E},
      {"8-8-8 packed big-endian", 24, 24, MSBFirst, 0xFF0000, 0xFF00, 0xFF, 0x0FD37E922715F9AE},
      {"8-8-8 big-endian", 24, 32, MSBFirst, 0xFF0000, 0xFF00, 0xFF, 0x4A7B8B71C0642395},
      {"8-8-8 red first", 24, 32, LSBFirst, 0xFF, 0xFF00, 0xFF0000, 0x38FFA0F05AF35575},
      {"10-10-10", 30, 32, LSBFirst, 0x3FF00000, 0xFFC00, 0x3FF, 0xA9DDB10F1872B82D},
      {"3-3-2", 8, 8, LSBFirst, 0xE0, 0x1C, 0x03, 0x27BE498DFEB378E0},
      {"1-2-1", 4, 4, LSBFirst, 0x8, 0x6, 0x1, 0x018CE3E76A2A1B0F},
      {"1-2-1 big-endian", 4, 4, MSBFirst, 0x8, 0x6, 0x1, 0xB1D0C7CAFEEB3A9D},
  };
  for (const Layout& l : layouts)
  {
    SCOPED_TRACE(l.name);
    SyntheticImage converted(l), reference(l);
    ASSERT_TRUE(converted.ok && reference.ok);
    const PixelConverter converter(converted.image);
    uint64_t digest = 0xCBF29CE484222325ull;
    for (int f = 0; f < 3; ++f)
    {
      const std::vector<uint8_t> frame = Frame(f);
      for (const MTLRegion& r : kRects)
      {
        for (NSUInteger y = r.origin.y; y < r.origin.y + r.size.height; ++y)
          converter.PutRow(&frame[(y * kWidth + r.origin.x) * 4], converted.image, int(r.origin.x), int(y),
                           r.size.width);
        PutEachPixel(frame, reference.image, r);
      }
      ASSERT_EQ(converted.bytes, reference.bytes) << "frame " << f;
      digest = Digest(converted.bytes, digest);
    }
    EXPECT_EQ(digest, l.digest) << std::hex << "0x" << digest;
  }
}
} // namespace pixelconvertertest
