// TinyXML parses and deletes nested elements recursively, so a document nested deeply enough overflows
// the stack. XmlNestingWithin scans the text the way the parser will read it (comments, CDATA, unknown
// and declaration nodes skipped, quoted attribute values honoured) and tells whether its element nesting
// stays within the limit; it never counts less nesting than the parser would see.
#pragma once

namespace iplugin
{
constexpr int kMaxXmlNesting = 256;

// text: NUL-terminated. False when the nesting exceeds the limit (or text is null).
bool XmlNestingWithin(const char* text, int limit = kMaxXmlNesting);
} // namespace iplugin
