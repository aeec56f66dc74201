// Conversions between UTF-8 and UTF-16 for the in-window text entry, which edits UTF-16 code units.
// Malformed input never fails: each bad byte or lone surrogate becomes U+FFFD, so a half of a
// surrogate pair measured or shown on its own is a replacement mark, not an error.
#pragma once

#include <string>

namespace iplugin::igraphics
{
std::u16string UTF8ToUTF16(const char* utf8);
std::string UTF16ToUTF8(const char16_t* units, size_t count);
inline std::string UTF16ToUTF8(const std::u16string& text)
{
  return UTF16ToUTF8(text.data(), text.size());
}
} // namespace iplugin::igraphics
