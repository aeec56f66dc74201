// The table-driven decoder against a plain reading of the UTF-8 rules, over every one- and two-byte input,
// every three-byte input and the four-byte inputs of each lead byte.
#include "graphics/vector/Utf8Decoder.h"

#include <gtest/gtest.h>

#include <vector>

using namespace iplugin::igraphics;

namespace
{
// The code point of a complete, well-formed sequence, or -1.
long Reference(const std::vector<unsigned>& bytes)
{
  const unsigned b0 = bytes[0];
  size_t len;
  unsigned long cp;
  if (b0 < 0x80)
    len = 1, cp = b0;
  else if (b0 >= 0xC2 && b0 <= 0xDF)
    len = 2, cp = b0 & 0x1F;
  else if (b0 >= 0xE0 && b0 <= 0xEF)
    len = 3, cp = b0 & 0x0F;
  else if (b0 >= 0xF0 && b0 <= 0xF4)
    len = 4, cp = b0 & 0x07;
  else
    return -1;
  if (bytes.size() != len) return -1;
  for (size_t i = 1; i < len; ++i)
  {
    if ((bytes[i] & 0xC0) != 0x80) return -1;
    cp = cp << 6 | (bytes[i] & 0x3F);
  }
  const unsigned long minimum[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < minimum[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return -1;
  return (long)cp;
}

// Feeds the bytes; the code point when the last byte completes one (and no earlier byte did), else -1.
long Decode(const std::vector<unsigned>& bytes)
{
  unsigned state = kUtf8Accept, cp = 0;
  for (size_t i = 0; i < bytes.size(); ++i)
  {
    Utf8Decode(&state, &cp, bytes[i]);
    if (state == kUtf8Reject) return -1;
    if (state == kUtf8Accept) return i + 1 == bytes.size() ? (long)cp : -1;
  }
  return -1;
}

TEST(Utf8Decoder, AgreesWithTheRulesForShortSequences)
{
  for (unsigned a = 0; a < 256; ++a)
  {
    ASSERT_EQ(Decode({a}), Reference({a})) << a;
    for (unsigned b = 0; b < 256; ++b)
      ASSERT_EQ(Decode({a, b}), Reference({a, b})) << a << " " << b;
  }
}

TEST(Utf8Decoder, AgreesWithTheRulesForThreeAndFourByteSequences)
{
  for (unsigned a = 0xE0; a <= 0xEF; ++a)
    for (unsigned b = 0x70; b < 0xD0; ++b)
      for (unsigned c = 0x70; c < 0xD0; ++c)
        ASSERT_EQ(Decode({a, b, c}), Reference({a, b, c})) << a << " " << b << " " << c;
  for (unsigned a = 0xF0; a <= 0xF5; ++a)
    for (unsigned b = 0x70; b < 0xD0; b += 3)
      for (unsigned c : {0x7Fu, 0x80u, 0xBFu, 0xC0u})
        for (unsigned d = 0x70; d < 0xD0; ++d)
          ASSERT_EQ(Decode({a, b, c, d}), Reference({a, b, c, d}));
}

TEST(Utf8Decoder, RejectIsFinal)
{
  unsigned state = kUtf8Accept, cp = 0;
  Utf8Decode(&state, &cp, 0xFF);
  ASSERT_EQ(state, kUtf8Reject);
  for (unsigned b : {0x41u, 0xC3u, 0xA9u, 0x00u})
    EXPECT_EQ(Utf8Decode(&state, &cp, b), kUtf8Reject);
}

} // namespace
