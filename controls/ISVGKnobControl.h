// A knob that rotates one SVG picture scaled into its rectangle, from -135 degrees at value 0 to +135
// at 1. The mouse behaviour is the knob base's (vertical, gearing 4). Main thread only.
#pragma once

#include "controls/IKnobControlBase.h"
#include "graphics/IBitmap.h"

namespace iplugin::igraphics
{
class ISVGKnobControl : public IKnobControlBase
{
public:
  ISVGKnobControl(const IRECT& bounds, const ISVG& svg, int paramIdx = -1);

  void Draw(IGraphics& g) override;
  // Replaces the picture and redraws.
  void SetSVG(const ISVG& svg);

private:
  ISVG mSVG;
  float mStartAngle = -135.f;
  float mEndAngle = 135.f;
};
} // namespace iplugin::igraphics
