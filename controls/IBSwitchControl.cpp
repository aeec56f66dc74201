#include "controls/IBSwitchControl.h"

namespace iplugin::igraphics
{
IBSwitchControl::IBSwitchControl(float x, float y, const IBitmap& bitmap, int paramIdx)
    : ISwitchControlBase(FrameAt(bitmap, x, y), paramIdx, nullptr, 2), IBitmapBase(bitmap)
{
  SetOwner(this);
}

IBSwitchControl::IBSwitchControl(const IRECT& bounds, const IBitmap& bitmap, int paramIdx)
    : ISwitchControlBase(FrameCentredIn(bitmap, bounds), paramIdx, nullptr, 2), IBitmapBase(bitmap)
{
  SetOwner(this);
}

void IBSwitchControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  const int n = mBitmap.N();
  SetValue(GetValue(0) + (n >= 2 ? 1.0 / double(n - 1) : 1.0), 0);
  // A sum of steps landing a hair above 1 still shows the last frame.
  if (GetValue(0) > 1.001) SetValue(0.0, 0);
  SetDirty(true);
}
} // namespace iplugin::igraphics
