// Stand-in for Foundation's geometry names over the Core Graphics records.
#pragma once

#include <CoreGraphics/CGGeometry.h>

typedef CGPoint NSPoint;
typedef CGSize NSSize;
typedef CGRect NSRect;

// The Foundation names of the Core Graphics makers.
inline NSPoint NSMakePoint(CGFloat x, CGFloat y)
{
  return CGPointMake(x, y);
}
inline NSSize NSMakeSize(CGFloat w, CGFloat h)
{
  return CGSizeMake(w, h);
}
inline NSRect NSMakeRect(CGFloat x, CGFloat y, CGFloat w, CGFloat h)
{
  return CGRectMake(x, y, w, h);
}
