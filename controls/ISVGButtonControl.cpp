#include "controls/ISVGButtonControl.h"

#include "graphics/IGraphics.h"

namespace iplugin::igraphics
{
ISVGButtonControl::ISVGButtonControl(const IRECT& bounds, IActionFunction actionFunc, const ISVG& offImage,
                                     const ISVG& onImage)
    : IButtonControlBase(bounds, std::move(actionFunc)), mOffSVG(offImage), mOnSVG(onImage)
{
}

void ISVGButtonControl::Draw(IGraphics& g)
{
  g.DrawSVG(GetValue(0) > 0.5 ? mOnSVG : mOffSVG, mRECT, &mBlend);
}
} // namespace iplugin::igraphics
