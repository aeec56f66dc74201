// Arbitrary bytes as XML text for the light node tree: refused or mirrored, never a crash.
#include "mixer/XmlNodeTree.h"

#include <cstdint>
#include <string>
#include <vector>

using namespace iplugin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  const std::string text(reinterpret_cast<const char*>(data), size);
  const auto tree = XmlNodeTree::Parse(text.c_str(), text.size(), "fuzz");
  if (!tree)
    return 0;
  std::vector<const XmlLightNode*> pending{XmlNodeTree::Root(tree.get())};
  while (!pending.empty())
  {
    const XmlLightNode* node = pending.back();
    pending.pop_back();
    for (; node; node = node->next)
    {
      if (node->attributes)
        XmlNodeTree::FreeString(XmlNodeTree::DupAttributeValue(node, node->attributes->name));
      pending.push_back(node->firstChild);
    }
  }
  return 0;
}
