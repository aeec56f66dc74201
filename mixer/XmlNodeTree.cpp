#include "mixer/XmlNodeTree.h"

#include "framework/GuardedXmlParse.h"

#include <strings.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace iplugin
{
XmlNodeTree::XmlNodeTree() = default;

XmlNodeTree::~XmlNodeTree()
{
  Close(this);
}

std::unique_ptr<XmlNodeTree> XmlNodeTree::Parse(const char* text, size_t length, const char* documentName)
{
  if (!text || length == static_cast<size_t>(-1) || strnlen(text, length + 1) != length) return nullptr;
  std::unique_ptr<XmlNodeTree> tree(new XmlNodeTree());
  tree->mDocument = std::make_unique<TiXmlDocument>(documentName ? documentName : "");
  if (!ParseXmlGuarded(std::string(text, length), *tree->mDocument, TIXML_DEFAULT_ENCODING)) return nullptr;

  // Siblings in a loop and children through a work list, so neither a long sibling list nor the depth
  // of the document can exhaust the stack.
  std::vector<std::pair<const TiXmlNode*, XmlLightNode**>> pending;
  XmlLightNode* root = nullptr;
  pending.emplace_back(tree->mDocument->FirstChild(), &root);
  while (!pending.empty())
  {
    auto [source, link] = pending.back();
    pending.pop_back();
    for (; source; source = source->NextSibling())
    {
      XmlLightNode& node = tree->mRecords.emplace_back();
      *link = &node;
      link = &node.next;
      if (const TiXmlElement* element = source->ToElement())
      {
        node.kind = XmlLightNode::kElement;
        node.name = element->Value();
        XmlLightNode** attributeLink = &node.attributes;
        for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next())
        {
          XmlLightNode& item = tree->mRecords.emplace_back();
          item.name = a->Name();
          item.text = a->Value();
          *attributeLink = &item;
          attributeLink = &item.next;
        }
      }
      else if (const TiXmlText* textNode = source->ToText())
      {
        node.kind = XmlLightNode::kText;
        node.text = textNode->Value();
      }
      if (source->FirstChild()) pending.emplace_back(source->FirstChild(), &node.firstChild);
    }
  }
  tree->mRoot = root;
  return tree;
}

const XmlLightNode* XmlNodeTree::Root(const XmlNodeTree* tree)
{
  return tree ? tree->mRoot : nullptr;
}

const XmlLightNode* XmlNodeTree::FindAttribute(const XmlLightNode* node, const char* name)
{
  if (!node || !name || !*name) return nullptr;
  for (const XmlLightNode* a = node->attributes; a; a = a->next)
    if (a->name && strcasecmp(a->name, name) == 0) return a;
  return nullptr;
}

char* XmlNodeTree::DupAttributeValue(const XmlLightNode* node, const char* name)
{
  const XmlLightNode* a = FindAttribute(node, name);
  return a && a->text ? ::strdup(a->text) : nullptr;
}

void XmlNodeTree::FreeString(char* string)
{
  std::free(string);
}

void XmlNodeTree::Close(XmlNodeTree* tree)
{
  if (!tree) return;
  tree->mRoot = nullptr;
  tree->mRecords.clear();
  tree->mDocument.reset();
}

char* strndup(const char* string, size_t n)
{
  if (!string) return nullptr;
  const size_t length = strnlen(string, n);
  char* copy = static_cast<char*>(std::malloc(length + 1));
  if (!copy) return nullptr;
  std::memcpy(copy, string, length);
  copy[length] = '\0';
  return copy;
}
} // namespace iplugin
