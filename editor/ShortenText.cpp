#include "editor/ShortenText.h"

#include "framework/Utf8.h"

namespace iplugin
{
int CountCodePoints(const std::string& text)
{
  return CountUtf8Characters(text);
}

std::string ShortenText(const std::string& text, int max)
{
  const int count = CountCodePoints(text);
  if (max < 7 || text.empty() || count < max) return text;
  const int h = max / 2;
  const std::string head = text.substr(0, Utf8OffsetOfCharacter(text, h - 2));
  const std::string tail = text.substr(Utf8OffsetOfCharacter(text, count - (max - h - 3)));
  return head + " ... " + tail;
}
} // namespace iplugin
