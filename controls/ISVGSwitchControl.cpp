#include "controls/ISVGSwitchControl.h"

#include "graphics/IGraphics.h"

#include <algorithm>
#include <cmath>

namespace iplugin::igraphics
{
ISVGSwitchControl::ISVGSwitchControl(const IRECT& bounds, std::initializer_list<ISVG> svgs, int paramIdx,
                                     IActionFunction actionFunc)
    : ISwitchControlBase(bounds, paramIdx, std::move(actionFunc), int(svgs.size())), mSVGs(svgs)
{
}

int ISVGSwitchControl::PictureForValue(double value) const
{
  const double position = std::trunc(double(mNumStates - 1) * value + 0.5);
  // A parameter with more states than pictures, or a NaN value, must not index past the list.
  if (!(position >= 0.0)) return 0;
  return int(std::min(position, double(mSVGs.size()) - 1.0));
}

void ISVGSwitchControl::Draw(IGraphics& g)
{
  if (mSVGs.empty()) return;
  g.DrawSVG(mSVGs[size_t(PictureForValue(GetValue(0)))], mRECT, &mBlend);
}
} // namespace iplugin::igraphics
