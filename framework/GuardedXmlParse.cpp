#include "framework/GuardedXmlParse.h"

#include "framework/XmlNesting.h"

namespace iplugin
{
namespace
{
// More than the farthest the parser was seen to read past the terminator (five bytes).
constexpr size_t kZeroPadding = 16;
} // namespace

bool ParseXmlGuarded(std::string text, TiXmlDocument& doc, TiXmlEncoding encoding)
{
  doc.Clear();
  if (!XmlNestingWithin(text.c_str())) return false;
  text.append(kZeroPadding, '\0');
  doc.Parse(text.c_str(), nullptr, encoding);
  return !doc.Error();
}
} // namespace iplugin
