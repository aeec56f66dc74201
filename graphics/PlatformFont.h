// A font as the platform hands it over for loading: the platform layer derives from this, the drawing
// back end takes its data. Released by whoever loaded it.
#pragma once

#include <memory>

namespace iplugin::igraphics
{
class PlatformFont
{
public:
  virtual ~PlatformFont() = default;
};

using PlatformFontPtr = std::unique_ptr<PlatformFont>;
} // namespace iplugin::igraphics
