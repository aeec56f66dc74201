#include "editor/ShortenText.h"

namespace iplugin
{
namespace
{
bool IsContinuation(unsigned char c)
{
  return (c & 0xC0) == 0x80;
}

// The byte offset at which code point n starts (the text's length when there are fewer).
size_t OffsetOfCodePoint(const std::string& text, int n)
{
  int seen = 0;
  for (size_t i = 0; i < text.size(); ++i)
  {
    if (IsContinuation(static_cast<unsigned char>(text[i]))) continue;
    if (seen++ == n) return i;
  }
  return text.size();
}
} // namespace

int CountCodePoints(const std::string& text)
{
  int n = 0;
  for (char c : text)
    n += IsContinuation(static_cast<unsigned char>(c)) ? 0 : 1;
  return n;
}

std::string ShortenText(const std::string& text, int max)
{
  const int count = CountCodePoints(text);
  if (max < 7 || text.empty() || count < max) return text;
  const int h = max / 2;
  const std::string head = text.substr(0, OffsetOfCodePoint(text, h - 2));
  const std::string tail = text.substr(OffsetOfCodePoint(text, count - (max - h - 3)));
  return head + " ... " + tail;
}
} // namespace iplugin
