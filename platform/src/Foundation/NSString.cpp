#include <Foundation/NSString.h>

#include <algorithm>
#include <climits>
#include <cstdint>

std::vector<char16_t> NSString::characters() const
{
  std::vector<char16_t> units;
  const auto* p = reinterpret_cast<const unsigned char*>(m_utf8.data());
  const size_t n = m_utf8.size();
  for (size_t i = 0; i < n;)
  {
    const unsigned char c = p[i];
    int extra = c >= 0xF0 && c < 0xF8 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (c >= 0x80 && c < 0xC0) extra = -1;
    uint32_t cp = extra == 3 ? c & 0x07u : extra == 2 ? c & 0x0Fu : extra == 1 ? c & 0x1Fu : c;
    bool ok = extra >= 0;
    for (int k = 1; ok && k <= extra; ++k)
    {
      if (i + size_t(k) >= n || (p[i + size_t(k)] & 0xC0) != 0x80)
        ok = false;
      else
        cp = (cp << 6) | (p[i + size_t(k)] & 0x3Fu);
    }
    if (!ok)
    {
      units.push_back(char16_t(c));
      ++i;
      continue;
    }
    if (cp >= 0x10000)
    {
      cp -= 0x10000;
      units.push_back(char16_t(0xD800 + (cp >> 10)));
      units.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
    }
    else
      units.push_back(char16_t(cp));
    i += size_t(extra) + 1;
  }
  return units;
}

int NSString::intValue() const
{
  size_t i = m_utf8.find_first_not_of(" \t\n");
  if (i == std::string::npos) return 0;
  bool negative = false;
  if (m_utf8[i] == '+' || m_utf8[i] == '-') negative = m_utf8[i++] == '-';
  long long v = 0;
  for (; i < m_utf8.size() && m_utf8[i] >= '0' && m_utf8[i] <= '9'; ++i)
    v = std::min<long long>(v * 10 + (m_utf8[i] - '0'), 1LL + INT_MAX);
  v = negative ? -v : v;
  return int(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

std::shared_ptr<NSCharacterSet> NSCharacterSet::characterSetWithCharactersInString(const std::string& utf8)
{
  auto set = std::make_shared<NSCharacterSet>();
  set->m_members = NSString(utf8).characters();
  return set;
}

bool NSCharacterSet::characterIsMember(char16_t c) const
{
  return std::find(m_members.begin(), m_members.end(), c) != m_members.end();
}
