// Stand-in for AppKit screens: one main screen. Its backing scale is 1 or 2: QORV_SCREEN_SCALE in the
// environment, or what qorvplatform::SetScreenScale set; its size is the X display's while one is
// open, else 1920 x 1080 points. Its visible frame leaves out what the desktop keeps for itself (the
// work area that a window manager or a panel publishes on the X display), else it is the whole frame.
#pragma once

#include <Foundation/NSGeometry.h>

class NSScreen
{
public:
  static NSScreen* mainScreen();
  CGFloat backingScaleFactor() const;
  NSRect frame() const;
  // Points, origin bottom left, as frame.
  NSRect visibleFrame() const;
};
