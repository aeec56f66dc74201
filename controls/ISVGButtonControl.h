// A momentary button drawn from two SVG pictures: the on picture while the value is above 0.5, the
// off picture otherwise. The behaviour is the button base's. Main thread only.
#pragma once

#include "controls/IButtonControlBase.h"
#include "graphics/IBitmap.h"

namespace iplugin::igraphics
{
class ISVGButtonControl : public IButtonControlBase
{
public:
  ISVGButtonControl(const IRECT& bounds, IActionFunction actionFunc, const ISVG& offImage,
                    const ISVG& onImage);

  void Draw(IGraphics& g) override;

private:
  ISVG mOffSVG;
  ISVG mOnSVG;
};
} // namespace iplugin::igraphics
