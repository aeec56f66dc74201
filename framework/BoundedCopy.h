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
  size_t n = src ? strnlen(src, dstSize - 1) : 0;
  // Whole characters only when the text is longer than the field (the one across the cut has at most
  // four bytes).
  if (n == dstSize - 1 && src[n] != 0) n = Utf8PrefixLength(src, n + strnlen(src + n, 4), n);
  if (n) std::memmove(dst, src, n);
  dst[n] = 0;
}

template <size_t N> inline void CopyBounded(char (&dst)[N], const char* src)
{
  CopyBounded(dst, N, src);
}
} // namespace iplugin
