// A NUL-terminated text over a HeapBuf of granularity 128. An empty string may hold no block and
// reads as "". A failed allocation leaves the old text. Not synchronised.
#pragma once

#include "framework/HeapBuf.h"

#include <cstdarg>

namespace iplugin
{
class StringBuf
{
public:
  StringBuf() = default;
  explicit StringBuf(const char* text, int maxLen = -1) { Set(text, maxLen); }
  StringBuf(const StringBuf& other) { Set(other.Get()); }
  StringBuf& operator=(const StringBuf& other);

  // Sets the text to at most maxLen characters of text (all of it when maxLen < 0); null is empty.
  void Set(const char* text, int maxLen = -1);
  void Append(const char* text, int maxLen = -1);
  // Inserts text at pos, clamped to 0 .. GetLength().
  void Insert(const char* text, int pos);

  // printf-style formatting into the string from offset 0, or behind the current text; at most
  // maxLen - 1 characters are formatted.
  void SetFormatted(int maxLen, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
  void AppendFormatted(int maxLen, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
  void SetFormattedV(int maxLen, const char* fmt, va_list args);
  void AppendFormattedV(int maxLen, const char* fmt, va_list args);

  // The one routine through which every change of the characters goes: k characters of s are placed
  // at offset o, ahead of the m characters that were there; o, k and m all 0 make the text empty.
  void Set(int o, const char* s, int k, int m);

  const char* Get() const;
  int GetLength() const;
  // The block's capacity in use (text, terminator and any slack that was kept).
  int GetBufferSize() const { return m_hb.GetSize(); }
  int GetAllocated() const { return m_hb.GetAllocated(); }

private:
  void FormatAt(int offset, int maxLen, const char* fmt, va_list args);

  HeapBuf m_hb{128};
};
} // namespace iplugin
