// A switch drawn from a multi-frame bitmap, one frame per state; each click steps by one frame and
// wraps after the last. Main thread only.
#pragma once

#include "controls/IBitmapBase.h"
#include "controls/ISwitchControlBase.h"

namespace iplugin::igraphics
{
class IBSwitchControl : public ISwitchControlBase, public IBitmapBase
{
public:
  // One frame of the bitmap with its top-left corner at (x, y).
  IBSwitchControl(float x, float y, const IBitmap& bitmap, int paramIdx = -1);
  // One frame of the bitmap centred in bounds.
  IBSwitchControl(const IRECT& bounds, const IBitmap& bitmap, int paramIdx = -1);

  // Steps by the bitmap's frames, not by the parameter's states.
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnRescale() override { RescaleBitmap(); }
  void Draw(IGraphics& g) override { DrawBitmapForValue(g); }
};
} // namespace iplugin::igraphics
