// A slider drawn from a track picture scaled to the control's length and a handle picture scaled with
// it; value 1 puts the handle at the top or right end of the track picture. The mouse behaviour is
// the slider base's. Main thread only.
#pragma once

#include "controls/ISliderControlBase.h"
#include "graphics/IBitmap.h"

namespace iplugin::igraphics
{
class ISVGSliderControl : public ISliderControlBase
{
public:
  ISVGSliderControl(const IRECT& bounds, const ISVG& handleSVG, const ISVG& trackSVG, int paramIdx = -1,
                    EDirection direction = kVertical, double gearing = 1.0);
  ISVGSliderControl(const IRECT& bounds, const ISVG& handleSVG, const ISVG& trackSVG,
                    IActionFunction actionFunc, EDirection direction = kVertical, double gearing = 1.0);

  // Lays out the track picture, the handle at value 1 and the slide range.
  void OnResize() override;
  void Draw(IGraphics& g) override;
  // The handle's rectangle for value (negative: the current value).
  IRECT GetHandleBounds(double value = -1.0) const;
  const IRECT& GetTrackSVGBounds() const { return mTrackSVGBounds; }

private:
  IRECT mTrackSVGBounds;
  IRECT mHandleBoundsAtMax;
  ISVG mHandleSVG;
  ISVG mTrackSVG;
};
} // namespace iplugin::igraphics
