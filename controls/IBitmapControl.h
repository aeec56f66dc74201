// A plain bitmap: shows the frame for its value (a background, or a static frame display). Reloaded
// by name at the new scale when the screen scale changes. Main thread only.
#pragma once

#include "controls/IBitmapBase.h"
#include "graphics/IControl.h"

namespace iplugin::igraphics
{
class IBitmapControl : public IControl, public IBitmapBase
{
public:
  // One frame of the bitmap at (x, y), drawn with blend method at full weight.
  IBitmapControl(float x, float y, const IBitmap& bitmap, int paramIdx = -1, EBlend blend = kBlendDefault);

  void OnRescale() override;
  void Draw(IGraphics& g) override { DrawBitmapForValue(g); }
};
} // namespace iplugin::igraphics
