#include "graphics/mac/FontDescriptorCache.h"

namespace iplugin::igraphics
{
// Lives for the whole process; its destructor runs at exit.
StaticStorage<CoreTextFontDescriptor>& FontDescriptorCache()
{
  static StaticStorage<CoreTextFontDescriptor> cache;
  return cache;
}
} // namespace iplugin::igraphics
