#include "controls/UTF16Text.h"

#include "framework/Utf8.h"

#include <cstring>

namespace iplugin::igraphics
{
std::u16string UTF8ToUTF16(const char* utf8)
{
  std::u16string out;
  if (!utf8) return out;
  const char* end = utf8 + std::strlen(utf8);
  for (const char* s = utf8; s < end;)
  {
    const char32_t cp = DecodeUtf8(s, end);
    if (cp >= 0x10000)
    {
      out += char16_t(0xD800 + ((cp - 0x10000) >> 10));
      out += char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF));
    }
    else
      out += char16_t(cp);
  }
  return out;
}

std::string UTF16ToUTF8(const char16_t* units, size_t count)
{
  std::string out;
  for (size_t i = 0; i < count; ++i)
  {
    const char32_t u = units[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF)
    {
      AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (char32_t(units[i + 1]) - 0xDC00));
      ++i;
    }
    else
      AppendUtf8(out, u); // a lone surrogate as U+FFFD
  }
  return out;
}
} // namespace iplugin::igraphics
