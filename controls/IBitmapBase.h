// The mix-in of every control drawn from a multi-frame bitmap: keeps a copy of the bitmap handle (the
// image itself belongs to the graphics context's cache), draws the frame that matches the owning
// control's value and fetches the bitmap again when the screen scale changes. Main thread only.
#pragma once

#include "graphics/IBitmap.h"
#include "graphics/IRECT.h"

namespace iplugin::igraphics
{
class IControl;
class IGraphics;

class IBitmapBase
{
public:
  // A bitmap that failed to load is kept as an empty one with one frame: it draws nothing.
  explicit IBitmapBase(const IBitmap& bitmap);
  virtual ~IBitmapBase() = default;

  // Draws frame 1 + trunc(v (N - 1) + 0.5) of the owning control's value 0, centred in its rectangle.
  void DrawBitmapForValue(IGraphics& g);
  // The owning control's OnRescale: the same bitmap loaded at the context's screen scale.
  void RescaleBitmap();
  void SetBitmap(const IBitmap& bitmap);
  const IBitmap& GetBitmap() const { return mBitmap; }
  // The 1-based frame shown for a normalised value.
  int FrameForValue(double value) const;

  // One frame of bitmap at (x, y), or centred on the centre of bounds.
  static IRECT FrameAt(const IBitmap& bitmap, float x, float y);
  static IRECT FrameCentredIn(const IBitmap& bitmap, const IRECT& bounds);

protected:
  // Set by the deriving control's constructor once both bases exist.
  void SetOwner(IControl* pControl) { mControl = pControl; }

  IBitmap mBitmap;

private:
  IControl* mControl = nullptr;
};
} // namespace iplugin::igraphics
