// UTF-8 in one place: the byte-at-a-time decoder that the glyph atlas steps through, and on it the reading
// of whole characters, their encoding, counting and cutting.
//
// Malformed input is handled here only. A stray continuation byte, an overlong form, a surrogate, a value
// above U+10FFFF, a sequence cut short and a byte that never occurs all make the byte decoder reject, for
// good; the character functions then take the first byte of the bad sequence as one U+FFFD and go on
// with the next byte. Well-formed text is never changed. Any thread; nothing allocates but the appended
// text.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace iplugin
{
constexpr unsigned int kUtf8Accept = 0;
constexpr unsigned int kUtf8Reject = 12;
constexpr char32_t kReplacementCharacter = 0xFFFD;

namespace utf8detail
{
// Byte classes: 0 ASCII, 1 continuation 80-8F, 9 continuation 90-9F, 7 continuation A0-BF, 2 lead C2-DF,
// 10 lead E0, 3 leads E1-EC and EE-EF, 4 lead ED, 11 lead F0, 6 leads F1-F3, 5 lead F4, 8 never valid.
constexpr std::array<uint8_t, 256 + 108> MakeTable()
{
  std::array<uint8_t, 256 + 108> t{};
  for (int b = 0; b < 256; ++b)
  {
    uint8_t c = 8;
    if (b < 0x80)
      c = 0;
    else if (b < 0x90)
      c = 1;
    else if (b < 0xA0)
      c = 9;
    else if (b < 0xC0)
      c = 7;
    else if (b < 0xC2)
      c = 8;
    else if (b < 0xE0)
      c = 2;
    else if (b == 0xE0)
      c = 10;
    else if (b == 0xED)
      c = 4;
    else if (b < 0xF0)
      c = 3;
    else if (b == 0xF0)
      c = 11;
    else if (b < 0xF4)
      c = 6;
    else if (b == 0xF4)
      c = 5;
    t[b] = c;
  }
  // Transitions, one row of twelve classes per state (states are multiples of 12).
  constexpr uint8_t transitions[108] = {
      0,  12, 24, 36, 60, 96, 84, 12, 12, 12, 48, 72, // accept
      12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, // reject
      12, 0,  12, 12, 12, 12, 12, 0,  12, 0,  12, 12, // one continuation left
      12, 24, 12, 12, 12, 12, 12, 24, 12, 24, 12, 12, // two left
      12, 12, 12, 12, 12, 12, 12, 24, 12, 12, 12, 12, // after E0: A0-BF
      12, 24, 12, 12, 12, 12, 12, 12, 12, 24, 12, 12, // after ED: 80-9F
      12, 12, 12, 12, 12, 12, 12, 36, 12, 36, 12, 12, // after F0: 90-BF
      12, 36, 12, 12, 12, 12, 12, 36, 12, 36, 12, 12, // after F1-F3: 80-BF
      12, 36, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, // after F4: 80-8F
  };
  for (int i = 0; i < 108; ++i)
    t[256 + i] = transitions[i];
  return t;
}
inline constexpr std::array<uint8_t, 256 + 108> kTable = MakeTable();
} // namespace utf8detail

// Feeds one byte; returns the new state: kUtf8Accept when a code point is complete (then in *codepoint),
// kUtf8Reject for good once the input is malformed, any other value while continuation bytes are due.
inline unsigned int Utf8Decode(unsigned int* state, unsigned int* codepoint, unsigned int byte)
{
  const unsigned int type = utf8detail::kTable[byte & 0xFF];
  *codepoint = (*state != kUtf8Accept) ? (byte & 0x3Fu) | (*codepoint << 6) : (0xFFu >> type) & byte;
  *state = utf8detail::kTable[256 + *state + type];
  return *state;
}

// The character at s (s before end), s moved past it: its code point, or U+FFFD with s moved one byte on
// when the bytes from s are malformed or end early.
inline char32_t DecodeUtf8(const char*& s, const char* end)
{
  unsigned int state = kUtf8Accept, codepoint = 0;
  for (const char* p = s; p < end; ++p)
  {
    if (Utf8Decode(&state, &codepoint, static_cast<unsigned char>(*p)) == kUtf8Reject) break;
    if (state == kUtf8Accept)
    {
      s = p + 1;
      return codepoint;
    }
  }
  ++s;
  return kReplacementCharacter;
}

// cp in UTF-8 into out (room for four bytes); the number of bytes. A surrogate or a value above U+10FFFF,
// which UTF-8 cannot carry, is written as U+FFFD.
inline int EncodeUtf8(char32_t cp, char* out)
{
  if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = kReplacementCharacter;
  if (cp < 0x80)
  {
    out[0] = char(cp);
    return 1;
  }
  if (cp < 0x800)
  {
    out[0] = char(0xC0 | cp >> 6);
    out[1] = char(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000)
  {
    out[0] = char(0xE0 | cp >> 12);
    out[1] = char(0x80 | (cp >> 6 & 0x3F));
    out[2] = char(0x80 | (cp & 0x3F));
    return 3;
  }
  out[0] = char(0xF0 | cp >> 18);
  out[1] = char(0x80 | (cp >> 12 & 0x3F));
  out[2] = char(0x80 | (cp >> 6 & 0x3F));
  out[3] = char(0x80 | (cp & 0x3F));
  return 4;
}

inline void AppendUtf8(std::string& out, char32_t cp)
{
  char bytes[4];
  out.append(bytes, size_t(EncodeUtf8(cp, bytes)));
}

// The characters of text, each malformed byte counted as one.
inline int CountUtf8Characters(std::string_view text)
{
  int n = 0;
  for (const char *s = text.data(), *end = s + text.size(); s < end; ++n)
    DecodeUtf8(s, end);
  return n;
}

// The byte offset at which character n starts (the text's length when it has fewer).
inline size_t Utf8OffsetOfCharacter(std::string_view text, int n)
{
  const char *s = text.data(), *end = s + text.size();
  for (int i = 0; i < n && s < end; ++i)
    DecodeUtf8(s, end);
  return size_t(s - text.data());
}

// The length of the longest start of s[0 .. size) of at most max bytes that splits no character.
inline size_t Utf8PrefixLength(const char* s, size_t size, size_t max)
{
  const char *p = s, *end = s + size;
  while (p < end)
  {
    const char* next = p;
    DecodeUtf8(next, end);
    if (size_t(next - s) > max) break;
    p = next;
  }
  return size_t(p - s);
}
} // namespace iplugin
