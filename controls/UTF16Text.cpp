#include "controls/UTF16Text.h"

namespace iplugin::igraphics
{
namespace
{
constexpr char32_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char b)
{
  return (b & 0xC0) == 0x80;
}

// One code point from s, advancing s; kReplacement for a malformed sequence (one byte consumed).
char32_t DecodeOne(const unsigned char*& s)
{
  const unsigned char b0 = *s++;
  if (b0 < 0x80) return b0;
  // Lead byte forms: mask, value, continuation bytes, smallest code point that needs them.
  struct Lead
  {
    unsigned char mask, value;
    int extra;
    char32_t min;
  };
  static constexpr Lead kLeads[] = {{0xE0, 0xC0, 1, 0x80}, {0xF0, 0xE0, 2, 0x800}, {0xF8, 0xF0, 3, 0x10000}};
  const Lead* pLead = nullptr;
  for (const Lead& lead : kLeads)
    if ((b0 & lead.mask) == lead.value) pLead = &lead;
  if (!pLead) return kReplacement;
  const int extra = pLead->extra;
  const char32_t min = pLead->min;
  char32_t cp = b0 & (0x7F >> extra);
  for (int i = 0; i < extra; ++i)
    if (!IsContinuation(s[i])) return kReplacement;
  for (int i = 0; i < extra; ++i)
    cp = (cp << 6) | (s[i] & 0x3F);
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kReplacement;
  s += extra;
  return cp;
}

void AppendUTF8(std::string& out, char32_t cp)
{
  if (cp < 0x80)
    out += char(cp);
  else if (cp < 0x800)
  {
    out += char(0xC0 | (cp >> 6));
    out += char(0x80 | (cp & 0x3F));
  }
  else if (cp < 0x10000)
  {
    out += char(0xE0 | (cp >> 12));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
  else
  {
    out += char(0xF0 | (cp >> 18));
    out += char(0x80 | ((cp >> 12) & 0x3F));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}
} // namespace

std::u16string UTF8ToUTF16(const char* utf8)
{
  std::u16string out;
  if (!utf8) return out;
  const auto* s = reinterpret_cast<const unsigned char*>(utf8);
  while (*s)
  {
    const char32_t cp = DecodeOne(s);
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
      AppendUTF8(out, 0x10000 + ((u - 0xD800) << 10) + (char32_t(units[i + 1]) - 0xDC00));
      ++i;
    }
    else if (u >= 0xD800 && u <= 0xDFFF)
      AppendUTF8(out, kReplacement);
    else
      AppendUTF8(out, u);
  }
  return out;
}
} // namespace iplugin::igraphics
