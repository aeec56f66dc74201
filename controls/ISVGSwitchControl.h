// A switch with one SVG picture per state, stepping through them on each click (the switch base's
// behaviour). Main thread only.
#pragma once

#include "controls/ISwitchControlBase.h"
#include "graphics/IBitmap.h"

#include <initializer_list>
#include <vector>

namespace iplugin::igraphics
{
class ISVGSwitchControl : public ISwitchControlBase
{
public:
  ISVGSwitchControl(const IRECT& bounds, std::initializer_list<ISVG> svgs, int paramIdx = -1,
                    IActionFunction actionFunc = nullptr);

  void Draw(IGraphics& g) override;
  // The picture for a value: state trunc((states - 1) v + 0.5), kept within the pictures.
  int PictureForValue(double value) const;

private:
  std::vector<ISVG> mSVGs;
};
} // namespace iplugin::igraphics
