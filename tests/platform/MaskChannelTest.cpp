// A channel of a TrueColor visual other than 8 bits wide (5 and 6 on a 16-bit screen, 10 on a deep one):
// every 8-bit value goes to the nearest level of the channel, and every level back to the nearest 8-bit
// value, each in its place in the pixel.
#include "platform/src/AppKit/X11PixelConverter.h"

#include <gtest/gtest.h>

#include <cmath>

namespace maskchanneltest
{
using qorvplatform::detail::x11::MaskChannel;

TEST(MaskChannel, ValuesGoToTheNearestLevelBothWays)
{
  struct Case
  {
    unsigned long mask;
    int bits;
  };
  // The 5-6-5 channels of a 16-bit screen, and other widths and places.
  const Case cases[] = {{0xF800, 5},   {0x07E0, 6},      {0x001F, 5}, {0x1, 1},
                        {0x6, 2},      {0x70, 3},        {0xF00, 4},  {0x7F, 7},
                        {0xFF0000, 8}, {0x3FF00000, 10}, {0xFFF, 12}, {0xFFFF0000, 16}};
  for (const Case& c : cases)
  {
    SCOPED_TRACE(testing::Message() << std::hex << "mask 0x" << c.mask);
    const MaskChannel channel(c.mask);
    ASSERT_EQ(channel.bits, c.bits);
    const unsigned long top = (1ul << c.bits) - 1;
    int wrong = 0;
    for (int v = 0; v < 256; ++v)
    {
      const unsigned long pixel = channel.From8(uint8_t(v));
      const auto nearest = (unsigned long)std::lround(v * double(top) / 255.0);
      wrong += (pixel & ~c.mask) != 0 || pixel >> channel.shift != nearest;
    }
    EXPECT_EQ(wrong, 0) << "8-bit values off their nearest level";
    wrong = 0;
    for (unsigned long level = 0; level <= top; ++level)
    {
      const long nearest = std::lround(level * 255.0 / double(top));
      // Bits outside the channel are other channels': they change nothing.
      wrong += channel.To8(level << channel.shift | ~c.mask) != nearest;
    }
    EXPECT_EQ(wrong, 0) << "levels off their nearest 8-bit value";
  }
}
} // namespace maskchanneltest
