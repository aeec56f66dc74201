// A window's picture in the X server's pixel layout (private to the platform): kept at the window's size in
// a segment of memory shared with the server where it offers one (unless QORV_X11_NO_SHM is set, and not
// "0"), else in the client's memory. The views copy into it; it sends the window the rectangles that
// changed. Main thread only.
#pragma once

#include "platform/src/AppKit/NativeWindow.h"
#include "platform/src/AppKit/X11PixelConverter.h"
#include "platform/src/AppKit/X11Visual.h"

#include <QorvPlatform/Metal.h>

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace qorvplatform::detail::x11
{
class SharedImage
{
public:
  // In the layout of the windows' visual.
  SharedImage(Display* d, const WindowVisual& visual) : mDisplay(d), mVisual(visual) {}
  ~SharedImage() { Free(); }
  SharedImage(const SharedImage&) = delete;
  SharedImage& operator=(const SharedImage&) = delete;

  // Keeps the image at width x height pixels; false when none can be made. `made`: the image is new (black,
  // and none of it is on the window yet).
  bool Keep(int width, int height, bool& made);
  void Free();
  int Width() const { return mImage ? mImage->width : 0; }
  int Height() const { return mImage ? mImage->height : 0; }
  bool Shared() const { return mShared; }

  // Where a view whose top left corner is at (x, y) copies its pixels: the image's own bytes where the
  // visual is 32-bit blue-first TrueColor in this machine's byte order, else a writer that converts them
  // into the image. Wait first: the server may still be reading what was sent.
  QorvPixelTarget Target(int x, int y);
  void WaitForServer();
  // Sends these rectangles (window pixels) of the image to the window.
  void Send(Window window, GC gc, const std::vector<MTLRegion>& rects, NativeWindow::Counts& counts);
  // True for an event that says the server is done with what was sent (it is then taken).
  bool TakeCompletion(const XEvent& event);

private:
  XImage* MakeShared(Visual* visual, unsigned depth, unsigned width, unsigned height);
  static void PutConvertedRow(void* self, const uint8_t* bgra, int x, int y, size_t count);
  bool Attach();

  Display* mDisplay;
  WindowVisual mVisual;
  XImage* mImage = nullptr;
  bool mNative = false;                     // the image's bytes are the views' pixels
  std::optional<PixelConverter> mConverter; // into the image's layout, when not native
  XShmSegmentInfo mShm{};
  bool mShared = false, mPending = false; // in shared memory; the server may still read it
  unsigned long mSentSerial = 0;
  int mCompletion = -1; // the completion event's type
};

// The window's pixels as the server shows them, RGBA rows top to bottom; false when the server has none
// to give (a window not wholly on the screen).
bool ReadWindowPixels(Display* d, Window window, int width, int height, std::vector<uint8_t>& rgba);
} // namespace qorvplatform::detail::x11
