#include "controls/IBitmapBase.h"

#include "graphics/IControl.h"
#include "graphics/IGraphics.h"

#include <cmath>

namespace iplugin::igraphics
{
namespace
{
// The handle rebuilt through its constructor, which keeps the frame count at 1 or more even for the
// empty bitmap of a failed load: frame sizes divide by it.
IBitmap WithFrames(const IBitmap& bitmap)
{
  return IBitmap(bitmap.GetAPIBitmap(), bitmap.N(), bitmap.GetFramesAreHorizontal(),
                 bitmap.GetResourceName());
}

IRECT Centred(float cx, float cy, float w, float h)
{
  const float l = cx - w * 0.5f, t = cy - h * 0.5f;
  return IRECT(l, t, l + w, t + h);
}
} // namespace

IBitmapBase::IBitmapBase(const IBitmap& bitmap) : mBitmap(WithFrames(bitmap)) {}

void IBitmapBase::SetBitmap(const IBitmap& bitmap)
{
  mBitmap = WithFrames(bitmap);
}

IRECT IBitmapBase::FrameAt(const IBitmap& bitmap, float x, float y)
{
  const IBitmap b = WithFrames(bitmap);
  return IRECT(x, y, x + float(b.FW()), y + float(b.FH()));
}

IRECT IBitmapBase::FrameCentredIn(const IBitmap& bitmap, const IRECT& bounds)
{
  const IBitmap b = WithFrames(bitmap);
  return Centred(bounds.MW(), bounds.MH(), float(b.FW()), float(b.FH()));
}

int IBitmapBase::FrameForValue(double value) const
{
  const int n = mBitmap.N();
  if (n < 2) return 1;
  const double position = std::trunc(value * double(n - 1) + 0.5);
  // NaN and negative values show the first frame.
  if (!(position >= 0.0)) return 1;
  return position >= double(n - 1) ? n : 1 + int(position);
}

void IBitmapBase::DrawBitmapForValue(IGraphics& g)
{
  // Nothing to show for a bitmap that did not load.
  if (!mControl || !mBitmap.IsValid()) return;
  const int n = mBitmap.N();
  const int frame = FrameForValue(mControl->GetValue(0));
  const IRECT& r = mControl->GetRECT();
  const IRECT dest = Centred(r.MW(), r.MH(), float(mBitmap.FW()), float(mBitmap.FH()));
  int srcX = 0, srcY = 0;
  if (n >= 2 && frame >= 2)
  {
    if (mBitmap.GetFramesAreHorizontal())
      srcX = (frame - 1) * mBitmap.W() / n;
    else
      srcY = (frame - 1) * mBitmap.H() / n;
  }
  g.DrawBitmap(mBitmap, dest, srcX, srcY, mControl->GetBlend());
}

void IBitmapBase::RescaleBitmap()
{
  IGraphics* pGraphics = mControl ? mControl->GetUI() : nullptr;
  if (!pGraphics) return;
  SetBitmap(pGraphics->GetScaledBitmap(mBitmap));
}
} // namespace iplugin::igraphics
