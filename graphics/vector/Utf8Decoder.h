// Table-driven UTF-8 decoder: a deterministic automaton over byte classes. State 0 accepts a code point,
// state 12 rejects and stays rejected; any other state waits for continuation bytes.
#pragma once

#include <array>
#include <cstdint>

namespace iplugin::igraphics
{

constexpr unsigned int kUtf8Accept = 0;
constexpr unsigned int kUtf8Reject = 12;

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

// Feeds one byte; returns the new state. *codepoint holds the code point once the state is kUtf8Accept.
inline unsigned int Utf8Decode(unsigned int* state, unsigned int* codepoint, unsigned int byte)
{
  const unsigned int type = utf8detail::kTable[byte & 0xFF];
  *codepoint = (*state != kUtf8Accept) ? (byte & 0x3Fu) | (*codepoint << 6) : (0xFFu >> type) & byte;
  *state = utf8detail::kTable[256 + *state + type];
  return *state;
}

} // namespace iplugin::igraphics
