// A momentary button drawn from a two-frame bitmap: frame 2 from the press until the click animation
// that its action function starts has ended, frame 1 otherwise. Main thread only.
#pragma once

#include "controls/IBitmapBase.h"
#include "controls/IButtonControlBase.h"

namespace iplugin::igraphics
{
class IBButtonControl : public IButtonControlBase, public IBitmapBase
{
public:
  // One frame at (x, y), or one frame centred in bounds.
  IBButtonControl(float x, float y, const IBitmap& bitmap, IActionFunction actionFunc = nullptr);
  IBButtonControl(const IRECT& bounds, const IBitmap& bitmap, IActionFunction actionFunc = nullptr);

  void OnRescale() override { RescaleBitmap(); }
  void Draw(IGraphics& g) override { DrawBitmapForValue(g); }
};
} // namespace iplugin::igraphics
