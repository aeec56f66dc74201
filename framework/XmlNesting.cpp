#include "framework/XmlNesting.h"

#include <cstring>

namespace iplugin
{
namespace
{
// The character after the first `end` at or after p, or null when there is none.
const char* SkipPast(const char* p, const char* end)
{
  const char* found = std::strstr(p, end);
  return found ? found + std::strlen(end) : nullptr;
}
} // namespace

bool XmlNestingWithin(const char* text, int limit)
{
  if (!text) return false;
  int depth = 0;
  const char* p = text;
  while (p && *p)
  {
    if (*p != '<')
    {
      ++p;
      continue;
    }
    if (std::strncmp(p, "<!--", 4) == 0)
      p = SkipPast(p + 4, "-->");
    else if (std::strncmp(p, "<![CDATA[", 9) == 0)
      p = SkipPast(p + 9, "]]>");
    else if (p[1] == '!' || p[1] == '?') // the parser ends both at the first '>'
      p = SkipPast(p + 2, ">");
    else if (p[1] == '/')
    {
      if (depth > 0) --depth;
      p = SkipPast(p + 2, ">");
    }
    else
    {
      // A start tag (or something the parser will refuse): to its '>' outside quoted values.
      const char* q = p + 1;
      char quote = 0;
      for (; *q; ++q)
      {
        if (quote)
        {
          if (*q == quote) quote = 0;
        }
        else if (*q == '"' || *q == '\'')
          quote = *q;
        else if (*q == '>')
          break;
      }
      if (!*q) break;
      if (q[-1] != '/' && ++depth > limit) return false;
      p = q + 1;
    }
  }
  return true;
}
} // namespace iplugin
