// Stand-in for AppKit events: mouse, wheel and key records as a window hands them to its views. They
// are made by qorvplatform::PostEvent (QorvPlatform/Events.h) from one platform-neutral input record.
#pragma once

#include <Foundation/NSGeometry.h>
#include <Foundation/NSString.h>

class NSWindow;
class NSTrackingArea;

enum NSEventType : unsigned long
{
  NSEventTypeLeftMouseDown = 1,
  NSEventTypeLeftMouseUp = 2,
  NSEventTypeRightMouseDown = 3,
  NSEventTypeRightMouseUp = 4,
  NSEventTypeMouseMoved = 5,
  NSEventTypeLeftMouseDragged = 6,
  NSEventTypeRightMouseDragged = 7,
  NSEventTypeMouseEntered = 8,
  NSEventTypeMouseExited = 9,
  NSEventTypeKeyDown = 10,
  NSEventTypeKeyUp = 11,
  NSEventTypeScrollWheel = 22
};

enum : unsigned long
{
  NSEventModifierFlagShift = 1UL << 17,
  NSEventModifierFlagControl = 1UL << 18,
  NSEventModifierFlagOption = 1UL << 19,
  NSEventModifierFlagCommand = 1UL << 20
};

enum : short
{
  NSEventSubtypeMouseEvent = 0,
  NSEventSubtypeTabletPoint = 1
};

class NSEvent : public NSObject
{
public:
  struct Fields
  {
    NSEventType type = NSEventTypeMouseMoved;
    NSPoint locationInWindow = {0, 0}; // window base coordinates, origin bottom left
    unsigned long modifierFlags = 0;
    long clickCount = 0;
    short subtype = NSEventSubtypeMouseEvent;
    CGFloat deltaY = 0;
    unsigned short keyCode = 0;
    std::string charactersIgnoringModifiers; // UTF-8
    double timestamp = 0;
    NSWindow* window = nullptr;
    NSTrackingArea* trackingArea = nullptr;
  };
  explicit NSEvent(Fields f) : m(std::move(f)) {}

  NSEventType type() const { return m.type; }
  NSPoint locationInWindow() const { return m.locationInWindow; }
  unsigned long modifierFlags() const { return m.modifierFlags; }
  long clickCount() const { return m.clickCount; }
  short subtype() const { return m.subtype; }
  CGFloat deltaY() const { return m.deltaY; }
  unsigned short keyCode() const { return m.keyCode; }
  NSString charactersIgnoringModifiers() const { return NSString(m.charactersIgnoringModifiers); }
  double timestamp() const { return m.timestamp; }
  NSWindow* window() const { return m.window; }
  NSTrackingArea* trackingArea() const { return m.trackingArea; }

  // The pointer on the screen, in points with the origin bottom left.
  static NSPoint mouseLocation();

private:
  Fields m;
};
