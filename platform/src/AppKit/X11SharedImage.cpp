#include "platform/src/AppKit/X11SharedImage.h"

#include "platform/src/AppKit/X11Connection.h"

#include <X11/Xproto.h>
#include <X11/Xutil.h>
#include <X11/extensions/shmproto.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace qorvplatform::detail::x11
{
namespace
{
// A server that refused a segment (one on another host cannot attach it) gets the pixels in the requests
// from then on.
bool sShmRefused = false;

bool SharedMemoryWanted(Display* d)
{
  const char* off = std::getenv("QORV_X11_NO_SHM");
  if (off && *off && std::strcmp(off, "0") != 0) return false;
  return !sShmRefused && XShmQueryExtension(d);
}

char* const kNoSegment = reinterpret_cast<char*>(-1); // what shmat returns on failure
} // namespace

bool SharedImage::Keep(int width, int height, bool& made)
{
  made = false;
  if (mImage && mImage->width == width && mImage->height == height) return true;
  Free();
  Visual* visual = mVisual.visual;
  const unsigned depth = mVisual.depth;
  const unsigned w = unsigned(std::max(1, width)), h = unsigned(std::max(1, height));
  if (SharedMemoryWanted(mDisplay)) mImage = MakeShared(visual, depth, w, h);
  if (!mImage)
  {
    mImage = XCreateImage(mDisplay, visual, depth, ZPixmap, 0, nullptr, w, h, 32, 0);
    if (!mImage) return false;
    // Black until a view fills it; XDestroyImage frees it.
    mImage->data = static_cast<char*>(std::calloc(size_t(mImage->bytes_per_line), h));
    if (!mImage->data) return XDestroyImage(mImage), mImage = nullptr, false;
  }
  const uint32_t one = 1;
  const bool littleEndian = *reinterpret_cast<const uint8_t*>(&one) == 1;
  mNative = mImage->bits_per_pixel == 32 && mImage->red_mask == 0xFF0000 && mImage->green_mask == 0xFF00 &&
            mImage->blue_mask == 0xFF && (mImage->byte_order == LSBFirst) == littleEndian;
  // Its tables are worked out once for the window: the windows' visual, and so the layout, stay.
  if (!mNative && !mConverter) mConverter.emplace(*mImage);
  made = true;
  return true;
}

XImage* SharedImage::MakeShared(Visual* visual, unsigned depth, unsigned width, unsigned height)
{
  XImage* image = XShmCreateImage(mDisplay, visual, depth, ZPixmap, nullptr, &mShm, width, height);
  if (!image) return nullptr;
  mShm.shmid = shmget(IPC_PRIVATE, size_t(image->bytes_per_line) * height, IPC_CREAT | 0600);
  mShm.shmaddr = mShm.shmid < 0 ? kNoSegment : static_cast<char*>(shmat(mShm.shmid, nullptr, 0));
  bool attached = false;
  if (mShm.shmaddr != kNoSegment)
  {
    mShm.readOnly = False;
    image->data = mShm.shmaddr;
    attached = Attach();
  }
  // Freed once both sides let go of it.
  if (mShm.shmid >= 0) shmctl(mShm.shmid, IPC_RMID, nullptr);
  if (!attached)
  {
    if (mShm.shmaddr != kNoSegment) shmdt(mShm.shmaddr);
    image->data = nullptr;
    XDestroyImage(image);
    sShmRefused = true;
    return nullptr;
  }
  mShared = true;
  mCompletion = XShmGetEventBase(mDisplay) + ShmCompletion;
  return image;
}

// The server attaches the segment, or refuses it with an error of the attach itself; any other error that
// comes meanwhile is another request's.
bool SharedImage::Attach()
{
  static int major = 0; // of the process's one connection, asked once
  int firstEvent = 0, firstError = 0;
  if (!major && !XQueryExtension(mDisplay, "MIT-SHM", &major, &firstEvent, &firstError)) return false;
  ExpectedError refusal{major, X_ShmAttach, 0, NextRequest(mDisplay)};
  Expect(&refusal);
  const bool sent = XShmAttach(mDisplay, &mShm);
  XSync(mDisplay, False);
  Expect(nullptr);
  return sent && !refusal.seen && !DisplayLost();
}

void SharedImage::Free()
{
  if (!mImage) return;
  if (mShared)
  {
    if (!DisplayLost())
    {
      XShmDetach(mDisplay, &mShm);
      XSync(mDisplay, False);
    }
    shmdt(mShm.shmaddr);
    mImage->data = nullptr;
    mShared = mPending = false;
  }
  XDestroyImage(mImage);
  mImage = nullptr;
}

QorvPixelTarget SharedImage::Target(int x, int y)
{
  if (!mNative)
    return QorvPixelTarget{nullptr, 0, mImage->width, mImage->height, x, y, PutConvertedRow, this};
  return QorvPixelTarget{reinterpret_cast<uint8_t*>(mImage->data),
                         size_t(mImage->bytes_per_line),
                         mImage->width,
                         mImage->height,
                         x,
                         y};
}

void SharedImage::PutConvertedRow(void* self, const uint8_t* bgra, int x, int y, size_t count)
{
  const SharedImage& image = *static_cast<SharedImage*>(self);
  image.mConverter->PutRow(bgra, *image.mImage, x, y, count);
}

// The server reads a shared image after the request that sends it: before it is written again, it must
// have said that it is done (the completion event usually came long before).
void SharedImage::WaitForServer()
{
  if (!mPending || DisplayLost()) return;
  XSync(mDisplay, False);
  mPending = false;
}

void SharedImage::Send(Window window, GC gc, const std::vector<MTLRegion>& rects,
                       NativeWindow::Counts& counts)
{
  for (size_t i = 0; i < rects.size(); ++i)
  {
    const MTLRegion& r = rects[i];
    const int x = int(r.origin.x), y = int(r.origin.y);
    const unsigned w = unsigned(r.size.width), h = unsigned(r.size.height);
    if (mShared)
    {
      // The last one says when the server is done with the segment.
      const bool last = i + 1 == rects.size();
      if (last) mSentSerial = NextRequest(mDisplay);
      XShmPutImage(mDisplay, window, gc, mImage, x, y, x, y, w, h, last ? True : False);
    }
    else
      XPutImage(mDisplay, window, gc, mImage, x, y, x, y, w, h);
    ++counts.puts;
    counts.pixels += uint64_t(w) * h;
  }
  if (mShared && !rects.empty()) mPending = true;
}

bool SharedImage::TakeCompletion(const XEvent& event)
{
  if (!mShared || event.type != mCompletion) return false;
  if (event.xany.serial >= mSentSerial) mPending = false;
  return true;
}

bool ReadWindowPixels(Display* d, Window window, int width, int height, std::vector<uint8_t>& rgba)
{
  XSync(d, False);
  // A window not wholly on the screen has no pixels to give: a failed read, not the end of the process.
  ExpectedError offScreen{X_GetImage, 0, BadMatch, NextRequest(d)};
  Expect(&offScreen);
  XImage* image = XGetImage(d, window, 0, 0, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
  Expect(nullptr);
  if (!image || offScreen.seen)
  {
    if (image) XDestroyImage(image);
    return false;
  }
  rgba.resize(size_t(width) * size_t(height) * 4);
  const MaskChannel red(image->red_mask), green(image->green_mask), blue(image->blue_mask);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
    {
      const unsigned long p = XGetPixel(image, x, y);
      uint8_t* out = &rgba[(size_t(y) * size_t(width) + size_t(x)) * 4];
      out[0] = red.To8(p);
      out[1] = green.To8(p);
      out[2] = blue.To8(p);
      out[3] = 255;
    }
  XDestroyImage(image);
  return true;
}
} // namespace qorvplatform::detail::x11
