// The X11 side of a window (private to the platform): opened by NSWindow::orderFront while a display
// is there. It turns the server's events into qorvplatform::PostEvent records, copies each frame that a
// layer of the window presented into the window, and carries the pointer calls to the server.
#pragma once

#include <CoreGraphics/CGGeometry.h>

#include <memory>
#include <cstdint>
#include <string>
#include <vector>

class NSWindow;

namespace qorvplatform::detail
{
class NativeWindow
{
public:
  // Null when the display cannot be opened.
  static std::unique_ptr<NativeWindow> Open(NSWindow& window);
  virtual ~NativeWindow() = default;
  // True once the user asked the window manager to close it.
  virtual bool CloseRequested() const = 0;
  // Copies the frames presented since the last call into the window.
  virtual void Flush() = 0;
  // Takes the NSWindow's content size, keeping the top left corner where it is.
  virtual void FollowContentSize() = 0;
  // What showing the frames has cost so far, for tests: copies out of the layers, images sent to the
  // server and their pixels, the connection's requests (its next request's number), and whether the images
  // go through shared memory.
  struct Counts
  {
    uint64_t copies = 0, puts = 0, pixels = 0, requests = 0;
    bool sharedMemory = false;
  };
  virtual Counts PresentCounts() const = 0;
  // The window's pixels as the server shows them, RGBA rows top to bottom.
  virtual bool ReadPixels(std::vector<uint8_t>& rgba, int& width, int& height) = 0;
};

// Pointer calls on the open display; they do nothing while no window is open.
void NativeSetCursor(const std::string& name);
void NativeShowCursor(bool shown);
// Screen points, origin top left.
void NativeWarpPointer(CGPoint p);
// The display's size in pixels; false without an open display.
bool NativeScreenSize(double& width, double& height);
// The work area of the display's current desktop in pixels, origin top left (_NET_WORKAREA); false
// without an open display or when nothing publishes one.
bool NativeWorkArea(double& x, double& y, double& width, double& height);
} // namespace qorvplatform::detail
