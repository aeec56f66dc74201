// The table-driven decoder against a plain reading of the UTF-8 rules, over every one- and two-byte input,
// every three-byte input and the four-byte inputs of each lead byte; then the character functions built on
// it over a table of malformed input.
#include "framework/BoundedCopy.h"
#include "framework/Utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace iplugin;

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

// The characters that DecodeUtf8 reads from text, U+FFFD for each malformed byte.
std::u32string Characters(const std::string& text)
{
  std::u32string out;
  for (const char *s = text.data(), *end = s + text.size(); s < end;)
    out += DecodeUtf8(s, end);
  return out;
}

TEST(Utf8Characters, MalformedInputBecomesOneReplacementPerByte)
{
  constexpr char32_t R = kReplacementCharacter;
  const struct
  {
    const char* name;
    std::string bytes;
    std::u32string characters;
  } cases[] = {
      {"well formed, one to four bytes", "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", U"A\u00E9\u20AC\U0001F600"},
      {"the largest code point", "\xF4\x8F\xBF\xBF", U"\U0010FFFF"},
      {"a stray continuation byte", "a\x80" "b", {U'a', R, U'b'}},
      {"overlong NUL in two bytes", "\xC0\x80", {R, R}},
      {"overlong slash in three bytes", "\xE0\x80\xAF", {R, R, R}},
      {"overlong in four bytes", "\xF0\x80\x80\xAF", {R, R, R, R}},
      {"a high surrogate", "\xED\xA0\x80", {R, R, R}},
      {"a low surrogate", "\xED\xBF\xBF", {R, R, R}},
      {"above U+10FFFF", "\xF4\x90\x80\x80", {R, R, R, R}},
      {"a lead that never occurs", "\xF5\x80\x80\x80", {R, R, R, R}},
      {"0xFF", "\xFF", {R}},
      {"three bytes cut to two", "\xE2\x82", {R, R}},
      {"four bytes cut to three, then ASCII", "\xF0\x9F\x98x", {R, R, R, U'x'}},
      {"a lead before a new lead", "\xC3\xC3\xA9", {R, U'\u00E9'}},
  };
  for (const auto& c : cases)
  {
    EXPECT_EQ(Characters(c.bytes), c.characters) << c.name;
    EXPECT_EQ(CountUtf8Characters(c.bytes), int(c.characters.size())) << c.name;
  }
}

TEST(Utf8Characters, EncodingRoundTripsAndRefusesWhatUtf8CannotCarry)
{
  for (char32_t cp :
       {U'\0', U'A', char32_t(0x7F), char32_t(0x80), char32_t(0x7FF), char32_t(0x800), char32_t(0xD7FF),
        char32_t(0xE000), char32_t(0xFFFF), char32_t(0x10000), char32_t(0x10FFFF)})
  {
    std::string text;
    AppendUtf8(text, cp);
    EXPECT_EQ(Characters(text), std::u32string(1, cp)) << unsigned(cp);
  }
  for (char32_t cp : {char32_t(0xD800), char32_t(0xDFFF), char32_t(0x110000), char32_t(0xFFFFFFFF)})
  {
    std::string text;
    AppendUtf8(text, cp);
    EXPECT_EQ(text, "\xEF\xBF\xBD") << unsigned(cp);
  }
}

TEST(Utf8Characters, CutsFallBetweenCharacters)
{
  const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\x80z"; // a, e acute, euro, emoji, stray, z
  const size_t starts[] = {0, 1, 3, 6, 10, 11, 12};
  for (int n = 0; n < 7; ++n)
    EXPECT_EQ(Utf8OffsetOfCharacter(text, n), starts[n]) << n;
  EXPECT_EQ(Utf8OffsetOfCharacter(text, 9), text.size());
  const size_t prefixes[] = {0, 1, 1, 3, 3, 3, 6, 6, 6, 6, 10, 11, 12};
  for (size_t max = 0; max <= text.size(); ++max)
    EXPECT_EQ(Utf8PrefixLength(text.data(), text.size(), max), prefixes[max]) << max;

  // A field keeps the whole characters that fit, however the source goes on past it.
  char field[5];
  CopyBounded(field, "ab\xE2\x82\xAC");
  EXPECT_STREQ(field, "ab");
  CopyBounded(field, "abc\xC3\xA9");
  EXPECT_STREQ(field, "abc");
  CopyBounded(field, "abcd\xC3\xA9");
  EXPECT_STREQ(field, "abcd");
  CopyBounded(field, "a\xF0\x9F\x98\x80");
  EXPECT_STREQ(field, "a");
  CopyBounded(field, "\xE2\x82\xAC\x80\x80");
  EXPECT_STREQ(field, "\xE2\x82\xAC\x80");
}
} // namespace
