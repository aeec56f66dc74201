#include "editor/EditorColors.h"

#include <cstdint>
#include <cstdlib>

namespace iplugin
{
igraphics::IColor ColorFromHexString(const void*, const char* text, int alpha)
{
  const char* digits = text && text[0] ? text + 1 : "";
  const auto n = static_cast<int32_t>(std::strtoul(digits, nullptr, 16));
  return {alpha, n / 65536, (n / 256) % 256, n % 256};
}
} // namespace iplugin
