#include "controls/ISVGSliderControl.h"

#include "controls/RectLayout.h"
#include "graphics/IGraphics.h"

#include <algorithm>

namespace iplugin::igraphics
{
ISVGSliderControl::ISVGSliderControl(const IRECT& bounds, const ISVG& handleSVG, const ISVG& trackSVG,
                                     int paramIdx, EDirection direction, double gearing)
    : ISliderControlBase(bounds, paramIdx, direction, gearing, 0.f), mHandleSVG(handleSVG),
      mTrackSVG(trackSVG)
{
}

ISVGSliderControl::ISVGSliderControl(const IRECT& bounds, const ISVG& handleSVG, const ISVG& trackSVG,
                                     IActionFunction actionFunc, EDirection direction, double gearing)
    : ISliderControlBase(bounds, std::move(actionFunc), direction, gearing, 0.f), mHandleSVG(handleSVG),
      mTrackSVG(trackSVG)
{
}

void ISVGSliderControl::OnResize()
{
  ISliderControlBase::OnResize();
  const float tw = mTrackSVG.W(), th = mTrackSVG.H(), hw = mHandleSVG.W(), hh = mHandleSVG.H();
  // A picture without a size has no proportions to lay out by: no handle, the whole control as track.
  if (!(tw > 0.f && th > 0.f))
  {
    mTrackSVGBounds = mRECT;
    mHandleBoundsAtMax = IRECT();
    SetDirty(false);
    return;
  }
  if (mDirection == kVertical)
  {
    const float height = mRECT.H();
    const float width = std::max(1.f, tw / th * height);
    mTrackSVGBounds = CentredIn(mRECT, width, height > 0.f ? height : width);
    const float s = height / th;
    const float handleW = std::max(1.f, hw * s), handleH = std::max(1.f, hh * s);
    const IRECT& t = mTrackSVGBounds;
    mHandleBoundsAtMax = IRECT(t.MW() - handleW * 0.5f, t.T, t.MW() + handleW * 0.5f, t.T + handleH);
    mTrack = IRECT(t.L, t.T + handleH, t.R, t.B);
  }
  else
  {
    const float width = std::max(1.f, mRECT.W());
    mTrackSVGBounds = CentredIn(mRECT, width, width / (tw / th));
    const IRECT& t = mTrackSVGBounds;
    const float s = t.H() / th;
    const float handleW = std::max(1.f, hw * s), handleH = std::max(1.f, hh * s);
    mHandleBoundsAtMax = IRECT(t.R - handleW, t.MH() - handleH * 0.5f, t.R, t.MH() + handleH * 0.5f);
    mTrack = IRECT(t.L + handleW, t.T, t.R, t.B);
  }
  SetDirty(false);
}

IRECT ISVGSliderControl::GetHandleBounds(double value) const
{
  if (value < 0.0) value = GetValue(0);
  const float back = float(1.0 - value);
  if (mDirection == kHorizontal) return mHandleBoundsAtMax.GetTranslated(-back * mTrack.W(), 0.f);
  return mHandleBoundsAtMax.GetTranslated(0.f, back * mTrack.H());
}

void ISVGSliderControl::Draw(IGraphics& g)
{
  g.DrawSVG(mTrackSVG, mTrackSVGBounds, &mBlend);
  g.DrawSVG(mHandleSVG, GetHandleBounds(), &mBlend);
}
} // namespace iplugin::igraphics
