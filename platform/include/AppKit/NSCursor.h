// Stand-in for AppKit cursors: named system shapes, and cursors made from an image. `set` makes a
// cursor current (the X11 window shows its shape); QorvPlatform/Events.h reads the current one.
// The private shapes a view may ask for answer only through privateCursor, null when unknown.
#pragma once

#include <Foundation/NSGeometry.h>

#include <memory>
#include <string>

class NSImage;

class NSCursor
{
public:
  explicit NSCursor(std::string name) : m_name(std::move(name)) {}
  // Null when the image could not be read.
  static std::shared_ptr<NSCursor> initWithImage(const std::shared_ptr<NSImage>& image, NSPoint hotSpot);

  static NSCursor* arrowCursor();
  static NSCursor* IBeamCursor();
  static NSCursor* crosshairCursor();
  static NSCursor* pointingHandCursor();
  static NSCursor* operationNotAllowedCursor();
  static NSCursor* resizeUpCursor();
  static NSCursor* resizeLeftRightCursor();
  static NSCursor* resizeUpDownCursor();
  // "busyButClickableCursor", "_windowResizeNorthCursor", "_windowResizeNorthWestSouthEastCursor",
  // "_windowResizeNorthEastSouthWestCursor", "_windowResizeEastWestCursor",
  // "_windowResizeNorthSouthCursor", "_helpCursor" answer; anything else is null.
  static NSCursor* privateCursor(const std::string& selector);
  static bool helpCursorShown();
  static void setHelpCursor(bool on);
  static NSCursor* currentCursor();

  void set();
  const std::string& name() const { return m_name; }

private:
  std::string m_name;
};

// An image read from a file; null when the file cannot be read.
class NSImage
{
public:
  static std::shared_ptr<NSImage> initWithContentsOfFile(const std::string& path);
  NSSize size() const { return m_size; }

private:
  NSSize m_size = {0, 0};
};
