// Stand-in for AppKit colours: components 0..1 in a colour space. Device RGB is what the product
// reads; a grey (white) colour or an extended-range sRGB colour must be converted first, as on the
// platform, where reading RGB components of a grey colour is an error.
#pragma once

#include <CoreGraphics/CGGeometry.h>

extern const char* const NSDeviceRGBColorSpace;

struct NSColor
{
  enum Space
  {
    kDeviceRGB,
    kDeviceWhite,
    kExtendedSRGB // components may lie outside 0..1
  };

  CGFloat red = 0, green = 0, blue = 0, alpha = 1;
  Space space = kDeviceRGB;
  CGFloat white = 0; // kDeviceWhite only

  static NSColor colorWithDeviceRed(CGFloat r, CGFloat g, CGFloat b, CGFloat a)
  {
    return NSColor{r, g, b, a};
  }
  static NSColor colorWithDeviceWhite(CGFloat w, CGFloat a) { return NSColor{0, 0, 0, a, kDeviceWhite, w}; }
  static NSColor colorWithExtendedSRGBRed(CGFloat r, CGFloat g, CGFloat b, CGFloat a)
  {
    return NSColor{r, g, b, a, kExtendedSRGB};
  }
  // The same colour in device RGB (extended components are kept, not clamped).
  NSColor colorUsingColorSpaceName(const char* name) const
  {
    if (space == kDeviceWhite) return NSColor{white, white, white, alpha};
    return NSColor{red, green, blue, alpha};
  }
  // The stored components; meaningful only for RGB colours.
  CGFloat redComponent() const { return red; }
  CGFloat greenComponent() const { return green; }
  CGFloat blueComponent() const { return blue; }
  CGFloat alphaComponent() const { return alpha; }
  bool operator==(const NSColor& o) const
  {
    return red == o.red && green == o.green && blue == o.blue && alpha == o.alpha && space == o.space &&
           white == o.white;
  }
};
