#include "controls/IPanelControl.h"

#include "graphics/IGraphics.h"

namespace iplugin::igraphics
{
IPanelControl::IPanelControl(const IRECT& bounds, const IPattern& pattern, bool drawFrame)
    : IControl(bounds), mPattern(pattern), mDrawFrame(drawFrame)
{
}

void IPanelControl::Draw(IGraphics& g)
{
  g.FillRectWithPattern(mPattern, mRECT, &mBlend);
  if (mDrawFrame) g.DrawRect(kColorLightGray, mRECT, &mBlend, 1.f);
}

void IGraphics::AttachPanelBackground(const IPattern& pattern)
{
  IControl* pBackground = new IPanelControl(GetBounds(), pattern);
  pBackground->SetIgnoreMouse(true);
  pBackground->SetDelegate(*mDelegate);
  pBackground->SetGraphics(this);
  InsertBackground(pBackground);
}
} // namespace iplugin::igraphics
