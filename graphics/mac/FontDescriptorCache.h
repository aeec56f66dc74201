// The process-wide cache of platform font descriptors, keyed by font identifier at scale 1.0: the
// descriptor of each loaded font and its em ratio (units per em over ascender minus descender), by
// which a font size in the editor becomes a point size. The font loader fills it; text fields read
// it. Lock its mutex around every use. Its count is the number of live platform graphics contexts;
// the last one to go empties it.
#pragma once

#include "graphics/StaticStorage.h"

#include <AppKit/NSFont.h>
#include <CoreText/CoreText.h>

#include <memory>

namespace iplugin::igraphics
{
struct CoreTextFontDescriptor
{
  NSFontDescriptor mDescriptor;
  double mEMRatio = 1.0;
  // The Core Text descriptor, retained while the entry lives.
  std::shared_ptr<const void> mCTDescriptor;
};

StaticStorage<CoreTextFontDescriptor>& FontDescriptorCache();
} // namespace iplugin::igraphics
