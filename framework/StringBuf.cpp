#include "framework/StringBuf.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace iplugin
{
namespace
{
int BoundedLength(const char* text, int maxLen)
{
  if (!text) return 0;
  if (maxLen < 0) return int(std::strlen(text));
  return int(strnlen(text, size_t(maxLen)));
}
} // namespace

StringBuf& StringBuf::operator=(const StringBuf& other)
{
  if (this != &other) Set(other.Get());
  return *this;
}

void StringBuf::Set(const char* text, int maxLen)
{
  Set(0, text, BoundedLength(text, maxLen), 0);
}

void StringBuf::Append(const char* text, int maxLen)
{
  Set(GetLength(), text, BoundedLength(text, maxLen), 0);
}

void StringBuf::Insert(const char* text, int pos)
{
  const int len = GetLength();
  pos = pos < 0 ? 0 : (pos > len ? len : pos);
  Set(pos, text, BoundedLength(text, -1), len - pos);
}

void StringBuf::Set(int o, const char* s, int k, int m)
{
  if (o == 0 && k == 0 && m == 0)
  {
    if (char* p = static_cast<char*>(m_hb.Resize(1, false))) p[0] = 0;
    return;
  }
  if (o < 0 || k <= 0 || m < 0 || !s) return;

  const int old = m_hb.GetSize();
  const int64_t end64 = int64_t(o) + k + m;
  if (end64 + 1 > INT32_MAX) return;
  const int end = int(end64);
  const int need = end + 1;
  const int grow = need - old;

  if (grow > 0)
  {
    char* oldBlock = static_cast<char*>(m_hb.Get());
    char* block = static_cast<char*>(m_hb.Resize(need, false));
    // A source inside our own text follows the block when it moves.
    if (oldBlock && block != oldBlock && s >= oldBlock && s < oldBlock + old) s = block + (s - oldBlock);
  }

  char* p = static_cast<char*>(m_hb.Get());
  if (p && m_hb.GetSize() > end)
  {
    std::memmove(p + o + k, p + o, size_t(m));
    std::memmove(p + o, s, size_t(k));
    p[end] = 0;
  }

  if (grow < 0) m_hb.Resize(need, false);
}

void StringBuf::FormatAt(int offset, int maxLen, const char* fmt, va_list args)
{
  if (maxLen < 1 || !fmt) return;
  // Format into a scratch string first so that arguments pointing into this text stay valid.
  HeapBuf scratch(128);
  char* tmp = static_cast<char*>(scratch.Resize(maxLen, false));
  if (!tmp) return;
  const int written = std::vsnprintf(tmp, size_t(maxLen), fmt, args);
  if (written < 0) return;
  const int len = int(std::strlen(tmp));
  if (len == 0)
  {
    // Nothing to append; formatting from the start empties the text.
    if (offset == 0) Set(0, nullptr, 0, 0);
    return;
  }
  Set(offset, tmp, len, 0);
}

void StringBuf::SetFormattedV(int maxLen, const char* fmt, va_list args)
{
  FormatAt(0, maxLen, fmt, args);
}

void StringBuf::AppendFormattedV(int maxLen, const char* fmt, va_list args)
{
  FormatAt(GetLength(), maxLen, fmt, args);
}

void StringBuf::SetFormatted(int maxLen, const char* fmt, ...)
{
  va_list args;
  va_start(args, fmt);
  SetFormattedV(maxLen, fmt, args);
  va_end(args);
}

void StringBuf::AppendFormatted(int maxLen, const char* fmt, ...)
{
  va_list args;
  va_start(args, fmt);
  AppendFormattedV(maxLen, fmt, args);
  va_end(args);
}

const char* StringBuf::Get() const
{
  const char* p = static_cast<const char*>(m_hb.Get());
  return p ? p : "";
}

int StringBuf::GetLength() const
{
  const char* p = static_cast<const char*>(m_hb.Get());
  return p ? int(strnlen(p, size_t(m_hb.GetSize()))) : 0;
}
} // namespace iplugin
