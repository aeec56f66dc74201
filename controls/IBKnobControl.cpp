#include "controls/IBKnobControl.h"

namespace iplugin::igraphics
{
IBKnobControl::IBKnobControl(const IRECT& bounds, const IBitmap& bitmap, int paramIdx, EDirection direction,
                             double gearing)
    : IKnobControlBase(FrameCentredIn(bitmap, bounds), paramIdx, direction, gearing), IBitmapBase(bitmap)
{
  SetOwner(this);
}
} // namespace iplugin::igraphics
