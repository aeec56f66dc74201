// A background panel: the rectangle filled with a pattern, optionally framed. Main thread only.
#pragma once

#include "graphics/IControl.h"

namespace iplugin::igraphics
{
class IPanelControl : public IControl
{
public:
  IPanelControl(const IRECT& bounds, const IPattern& pattern, bool drawFrame = false);

  void Draw(IGraphics& g) override;

private:
  IPattern mPattern;
  bool mDrawFrame;
};
} // namespace iplugin::igraphics
