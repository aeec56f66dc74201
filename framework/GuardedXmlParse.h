// The one way the product hands text to TinyXML. The installed parser recurses once per nesting level
// and, reading a name, an entity or an unfinished attribute, can step over a multi-byte sequence past the
// terminating NUL before it looks again. So the text is refused when it nests deeper than
// kMaxXmlNesting, and it is parsed from a copy that ends in a run of zero bytes rather than a single one.
#pragma once

#include <tinyxml.h>

#include <string>

namespace iplugin
{
// Clears doc and parses text into it; false (doc then holds nothing usable) when the text nests too deeply
// or does not parse.
bool ParseXmlGuarded(std::string text, TiXmlDocument& doc, TiXmlEncoding encoding);
} // namespace iplugin
