// A slider drawn from a handle bitmap (frame 1) moving along an optional track bitmap, whose first
// frame is centred in the control. Value 1 puts the handle at the right or top end. The mouse
// behaviour is the slider base's. Main thread only.
#pragma once

#include "controls/IBitmapBase.h"
#include "controls/ISliderControlBase.h"

namespace iplugin::igraphics
{
class IBSliderControl : public ISliderControlBase, public IBitmapBase
{
public:
  // An invalid track bitmap means no track.
  IBSliderControl(const IRECT& bounds, const IBitmap& handle, const IBitmap& track = IBitmap(),
                  int paramIdx = -1, EDirection direction = kVertical, double gearing = 1.0);
  // (x, y) and a length along the direction; the other side is the handle's.
  IBSliderControl(float x, float y, float length, const IBitmap& handle, const IBitmap& track = IBitmap(),
                  int paramIdx = -1, EDirection direction = kVertical, double gearing = 1.0);

  void OnRescale() override { RescaleBitmap(); }
  // The track: the track bitmap's frame centred in the control, else a handle-wide band along it.
  void OnResize() override;
  void Draw(IGraphics& g) override;
  // The handle's rectangle for value (negative: the current value).
  IRECT GetHandleBounds(double value = -1.0) const;

private:
  IBitmap mTrackBitmap;
};
} // namespace iplugin::igraphics
