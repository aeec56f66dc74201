// Copies text into a fixed field: keeps the leading characters that fit, never splits a UTF-8
// sequence, always terminates. A null source gives the empty text.
#pragma once

#include "framework/Utf8.h"

#include <cstddef>
#include <cstring>

namespace iplugin
{
inline void CopyBounded(char* dst, size_t dstSize, const char* src)
{
  if (!dst || dstSize == 0) return;
  // The field's room and the rest of a character across the cut (at most four bytes in all); whole
  // characters only when the text is longer than the field.
  const size_t length = src ? strnlen(src, dstSize + 3) : 0;
  const size_t n = length < dstSize ? length : Utf8PrefixLength(src, length, dstSize - 1);
  if (n) std::memmove(dst, src, n);
  dst[n] = 0;
}

template <size_t N> inline void CopyBounded(char (&dst)[N], const char* src)
{
  CopyBounded(dst, N, src);
}
} // namespace iplugin
