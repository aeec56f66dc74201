#include "controls/ISVGKnobControl.h"

#include "graphics/IGraphics.h"

namespace iplugin::igraphics
{
ISVGKnobControl::ISVGKnobControl(const IRECT& bounds, const ISVG& svg, int paramIdx)
    : IKnobControlBase(bounds, paramIdx, kVertical, 4.0), mSVG(svg)
{
}

void ISVGKnobControl::Draw(IGraphics& g)
{
  const double angle = mStartAngle + GetValue(0) * (mEndAngle - mStartAngle);
  g.DrawRotatedSVG(mSVG, mRECT.MW(), mRECT.MH(), mRECT.W(), mRECT.H(), angle, &mBlend);
}

void ISVGKnobControl::SetSVG(const ISVG& svg)
{
  mSVG = svg;
  SetDirty(false);
}
} // namespace iplugin::igraphics
