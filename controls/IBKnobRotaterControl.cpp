#include "controls/IBKnobRotaterControl.h"

#include "graphics/IGraphics.h"

namespace iplugin::igraphics
{
void IBKnobRotaterControl::Draw(IGraphics& g)
{
  const double angle = -130.0 + GetValue(0) * 260.0;
  g.DrawRotatedBitmap(mBitmap, mRECT.MW(), mRECT.MH(), angle, &mBlend);
}
} // namespace iplugin::igraphics
