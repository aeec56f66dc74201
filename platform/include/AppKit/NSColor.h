// Stand-in for AppKit colours: device RGB components 0..1.
#pragma once

#include <CoreGraphics/CGGeometry.h>

struct NSColor
{
  CGFloat red = 0, green = 0, blue = 0, alpha = 1;

  static NSColor colorWithDeviceRed(CGFloat r, CGFloat g, CGFloat b, CGFloat a)
  {
    return NSColor{r, g, b, a};
  }
  bool operator==(const NSColor& o) const
  {
    return red == o.red && green == o.green && blue == o.blue && alpha == o.alpha;
  }
};
