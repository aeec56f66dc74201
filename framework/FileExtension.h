// The extension of a file or resource name, which picks how it is read. Any thread.
#pragma once

#include <cstring>
#include <string>

namespace iplugin
{
// The name's text after its last "."; the whole name when it has none.
inline std::string ExtensionOf(const char* name)
{
  const char* dot = std::strrchr(name, '.');
  return dot ? std::string(dot + 1) : std::string(name);
}
} // namespace iplugin
