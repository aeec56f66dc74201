// A static SVG picture scaled into the control's rectangle. With use-layer it is rendered once into an
// off-screen layer and redrawn from there until the control moves, is resized or a scale changes.
// Main thread only.
#pragma once

#include "graphics/IControl.h"
#include "graphics/ILayer.h"

namespace iplugin::igraphics
{
class ISVGControl : public IControl
{
public:
  ISVGControl(const IRECT& bounds, const ISVG& svg, bool useLayer = false);

  void Draw(IGraphics& g) override;

private:
  bool mUseLayer;
  ILayerPtr mLayer;
  ISVG mSVG;
};
} // namespace iplugin::igraphics
