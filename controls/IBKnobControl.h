// A knob drawn from a multi-frame bitmap, one frame per position; the mouse behaviour is the knob
// base's. Its rectangle is one frame centred in the bounds given, and only that is hit. Main thread.
#pragma once

#include "controls/IBitmapBase.h"
#include "controls/IKnobControlBase.h"

namespace iplugin::igraphics
{
class IBKnobControl : public IKnobControlBase, public IBitmapBase
{
public:
  IBKnobControl(const IRECT& bounds, const IBitmap& bitmap, int paramIdx = -1,
                EDirection direction = kVertical, double gearing = 4.0);

  void OnRescale() override { RescaleBitmap(); }
  void Draw(IGraphics& g) override { DrawBitmapForValue(g); }
};
} // namespace iplugin::igraphics
