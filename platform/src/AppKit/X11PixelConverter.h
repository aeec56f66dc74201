// The views' pixels (8-bit blue, green, red and alpha, in that order in memory) in the layout of a TrueColor
// visual other than the one they share (private to the platform): each channel where the visual's mask
// puts it, rounded to the nearest level of its width, the pixel in the image's size and byte order.
#pragma once

#include <X11/Xlib.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qorvplatform::detail::x11
{
// One channel of a TrueColor pixel, where its mask puts it: 8-bit values in and out, each rounded to the
// nearest level of the other width.
struct MaskChannel
{
  explicit MaskChannel(unsigned long mask);
  unsigned long From8(uint8_t v) const;
  uint8_t To8(unsigned long pixel) const;
  int shift = 0, bits = 0;
};

// Converts into one image's layout (its masks, bits per pixel and byte order, as they are when made): the
// levels are worked out once, into a table of every blue and green pair (a pixel takes two looks, not
// three) and one of red, and rows of whole-byte pixels are written without Xlib; 5-6-5 pixels in the
// machine's own byte order are computed without the tables.
class PixelConverter
{
public:
  explicit PixelConverter(const XImage& image);
  // `count` pixels into `image` from (x, y) onwards, along the row; nothing else of the image changes.
  void PutRow(const uint8_t* bgra, XImage& image, int x, int y, size_t count) const;

private:
  using Row = void (*)(const PixelConverter&, const uint8_t* from, uint8_t* to, size_t count);
  template <int kBytes, bool kMostSignificantFirst>
  static void PutWholeBytes(const PixelConverter& c, const uint8_t* from, uint8_t* to, size_t count);
  static void Put565(const PixelConverter& c, const uint8_t* from, uint8_t* to, size_t count);
  static Row RowFor(const XImage& image);

  static uint32_t Pixel(const uint32_t* blueGreen, const uint32_t* red, const uint8_t* bgra)
  {
    return blueGreen[bgra[0] | bgra[1] << 8] | red[bgra[2]];
  }

  // The levels of each 8-bit value where the channels' masks put them: blue and green together, indexed by
  // blue | green << 8, and red.
  std::vector<uint32_t> mBlueGreen;
  std::array<uint32_t, 256> mRed{};
  Row mRow; // null for pixels smaller than a byte, which Xlib puts one by one
};
} // namespace qorvplatform::detail::x11
