#include "controls/IBButtonControl.h"

namespace iplugin::igraphics
{
IBButtonControl::IBButtonControl(float x, float y, const IBitmap& bitmap, IActionFunction actionFunc)
    : IButtonControlBase(FrameAt(bitmap, x, y), std::move(actionFunc)), IBitmapBase(bitmap)
{
  SetOwner(this);
}

IBButtonControl::IBButtonControl(const IRECT& bounds, const IBitmap& bitmap, IActionFunction actionFunc)
    : IButtonControlBase(FrameCentredIn(bitmap, bounds), std::move(actionFunc)), IBitmapBase(bitmap)
{
  SetOwner(this);
}
} // namespace iplugin::igraphics
