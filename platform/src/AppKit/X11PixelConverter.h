// The views' pixels (8-bit blue, green, red and alpha, in that order in memory) in the layout of a TrueColor
// visual other than the one they share (private to the platform): each channel where the visual's mask
// puts it, rounded to the nearest level of its width, the pixel in the image's size and byte order.
#pragma once

#include <QorvPlatform/Metal.h>

#include <X11/Xlib.h>

#include <cstdint>

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

// Converts into one image's layout (its masks, bits per pixel and byte order, as they are when made).
class PixelConverter
{
public:
  explicit PixelConverter(const XImage& image);
  // The rectangle r of `frame` (rows of `frameStride` bytes, the image's own size) into the same place in
  // `image`; nothing else of the image changes.
  void Convert(const uint8_t* frame, size_t frameStride, XImage& image, const MTLRegion& r) const;

private:
  MaskChannel mRed, mGreen, mBlue;
};
} // namespace qorvplatform::detail::x11
