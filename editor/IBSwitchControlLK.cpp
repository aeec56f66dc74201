#include "editor/IBSwitchControlLK.h"

#include "framework/IParam.h"
#include "graphics/IGraphics.h"

#include <algorithm>

namespace iplugin::igraphics
{
IBSwitchControlLK::IBSwitchControlLK(float x, float y, const IBitmap& bitmap, int paramIdx)
    : IBSwitchControl(x, y, bitmap, paramIdx)
{
}

void IBSwitchControlLK::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  mMod = mod;
  IBSwitchControl::OnMouseDown(x, y, mod);
}

void IBSwitchControlLK::OnMouseUp(float x, float y, const IMouseMod& mod)
{
  mMod = IMouseMod();
  ISwitchControlBase::OnMouseUp(x, y, mod);
}

void IBSwitchControlLK::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  mHovered = true;
  SetDirty(false);
}

void IBSwitchControlLK::OnMouseOut()
{
  mHovered = false;
  SetDirty(false);
}

void IBSwitchControlLK::Draw(IGraphics& g)
{
  if (!mDrawingOn) return;
  if (mHoverHighlight && mHovered)
    g.FillRoundRect(mHighlightColor, IBitmapBase::FrameCentredIn(mBitmap, mRECT), 2.f, &mBlend);
  DrawBitmapForValue(g);
}
} // namespace iplugin::igraphics
