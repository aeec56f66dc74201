// Stand-in for the Core Graphics display calls the view layer makes: the main display's height, hiding
// and showing the cursor, and moving it. Positions are in points with the origin top left, as on the
// platform. With an X11 display open the real pointer moves and hides; either way the stand-in keeps
// the state (QorvPlatform/Events.h reads it).
#pragma once

#include <CoreGraphics/CGGeometry.h>

#include <cstddef>
#include <cstdint>

typedef uint32_t CGDirectDisplayID;
typedef int32_t CGError;
enum
{
  kCGErrorSuccess = 0
};

CGDirectDisplayID CGMainDisplayID();
// In points.
size_t CGDisplayPixelsHigh(CGDirectDisplayID display);
size_t CGDisplayPixelsWide(CGDirectDisplayID display);
// Hides nest: each hide needs a show.
CGError CGDisplayHideCursor(CGDirectDisplayID display);
CGError CGDisplayShowCursor(CGDirectDisplayID display);
CGError CGDisplayMoveCursorToPoint(CGDirectDisplayID display, CGPoint point);
// While false, the pointer does not follow the mouse after a move.
CGError CGAssociateMouseAndMouseCursorPosition(bool connected);
