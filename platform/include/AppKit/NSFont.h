// Stand-in for AppKit fonts: a font is its name and point size; a descriptor names a font.
#pragma once

#include <CoreGraphics/CGGeometry.h>

#include <string>

struct NSFontDescriptor
{
  std::string fontName;
};

struct NSFont
{
  std::string fontName;
  CGFloat pointSize = 0;

  static NSFont fontWithDescriptor(const NSFontDescriptor& descriptor, CGFloat size)
  {
    return NSFont{descriptor.fontName, size};
  }
  // The name the platform gives its interface font.
  static NSFont systemFontOfSize(CGFloat size) { return NSFont{".AppleSystemUIFont", size}; }
};
