// A light tree of plain records mirroring an XML document parsed with TinyXML, with case-insensitive
// attribute lookup. The strings are not copied: they point into the document, so the records are valid
// until the tree is closed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>

class TiXmlDocument;

namespace iplugin
{
// One record shape for nodes and attribute items.
struct XmlLightNode
{
  enum EKind : int32_t
  {
    kOther = 0, // anything but an element or a text, and every attribute item
    kElement = 1,
    kText = 2
  };

  int32_t kind = kOther;
  const char* name = nullptr;         // element or attribute name
  const char* text = nullptr;         // text of a text node, or attribute value
  XmlLightNode* attributes = nullptr; // elements: the first attribute item
  // Elements: the first child node. Attribute items have none: an item that were its own child would
  // send any walk down the tree round forever.
  XmlLightNode* firstChild = nullptr;
  XmlLightNode* next = nullptr; // the next sibling node, or the next attribute item
};

class XmlNodeTree
{
public:
  // Parses text, which must end exactly at length (a NUL there and none before). documentName names the
  // TinyXML document ("" when null). Null when the text does not end at length, does not parse, or nests
  // deeper than the parser can take.
  static std::unique_ptr<XmlNodeTree> Parse(const char* text, size_t length, const char* documentName);

  // The node converted from the document's first child, or null (also for a null tree).
  static const XmlLightNode* Root(const XmlNodeTree* tree);

  // The node's first attribute item whose name equals name ignoring case; null when node or name is null,
  // name is empty, or none matches.
  static const XmlLightNode* FindAttribute(const XmlLightNode* node, const char* name);

  // A copy of that attribute's value (free it with FreeString), or null.
  static char* DupAttributeValue(const XmlLightNode* node, const char* name);
  static void FreeString(char* string);

  // Deletes the document and the records; the root becomes null. The tree's destructor does the same.
  static void Close(XmlNodeTree* tree);

  ~XmlNodeTree();

private:
  XmlNodeTree();

  std::unique_ptr<TiXmlDocument> mDocument;
  std::deque<XmlLightNode> mRecords;
  const XmlLightNode* mRoot = nullptr;
};

// A new heap copy of at most n bytes of string, always NUL-terminated (the POSIX function, for platforms
// without it); null for a null string. Free with FreeString.
char* strndup(const char* string, size_t n);
} // namespace iplugin
