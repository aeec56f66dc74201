#include "controls/IBSliderControl.h"

#include "controls/RectLayout.h"
#include "graphics/IGraphics.h"

namespace iplugin::igraphics
{
namespace
{
float HandleSize(const IBitmap& handle, EDirection direction)
{
  return float(direction == kHorizontal ? handle.FW() : handle.FH());
}

IRECT PointAndLength(float x, float y, float length, const IBitmap& handle, EDirection direction)
{
  const IRECT frame = IBitmapBase::FrameAt(handle, x, y);
  return direction == kHorizontal ? IRECT(x, y, x + length, frame.B) : IRECT(x, y, frame.R, y + length);
}
} // namespace

IBSliderControl::IBSliderControl(const IRECT& bounds, const IBitmap& handle, const IBitmap& track,
                                 int paramIdx, EDirection direction, double gearing)
    : ISliderControlBase(bounds, paramIdx, direction, gearing, HandleSize(handle, direction)),
      IBitmapBase(handle), mTrackBitmap(track)
{
  SetOwner(this);
}

IBSliderControl::IBSliderControl(float x, float y, float length, const IBitmap& handle, const IBitmap& track,
                                 int paramIdx, EDirection direction, double gearing)
    : IBSliderControl(PointAndLength(x, y, length, handle, direction), handle, track, paramIdx, direction,
                      gearing)
{
}

void IBSliderControl::OnResize()
{
  ISliderControlBase::OnResize();
  if (mTrackBitmap.IsValid())
    mTrack = FrameCentredIn(mTrackBitmap, mRECT);
  else if (mDirection == kHorizontal)
    mTrack = IRECT(mRECT.L, mRECT.MH() - float(mBitmap.FH()) * 0.5f, mRECT.R,
                   mRECT.MH() + float(mBitmap.FH()) * 0.5f);
  else
    mTrack = IRECT(mRECT.MW() - float(mBitmap.FW()) * 0.5f, mRECT.T, mRECT.MW() + float(mBitmap.FW()) * 0.5f,
                   mRECT.B);
  SetDirty(false);
}

IRECT IBSliderControl::GetHandleBounds(double value) const
{
  if (value < 0.0) value = GetValue(0);
  const float w = float(mBitmap.FW()), h = float(mBitmap.FH());
  IRECT r(mTrack.L, mTrack.T, mTrack.L + w, mTrack.T + h);
  if (mDirection == kHorizontal) return r.GetTranslated(float((mTrack.W() - w) * value), 0.f);
  return r.GetTranslated(0.f, float((mTrack.H() - h) * (1.0 - value)));
}

void IBSliderControl::Draw(IGraphics& g)
{
  if (mTrackBitmap.IsValid()) g.DrawBitmap(mTrackBitmap, FrameCentredIn(mTrackBitmap, mRECT), 0, 0, &mBlend);
  if (mBitmap.IsValid()) g.DrawBitmapFrame(mBitmap, GetHandleBounds(), 1, &mBlend);
}
} // namespace iplugin::igraphics
