#include "editor/IBPopupMenuLK.h"

#include "framework/IParam.h"
#include "graphics/IGraphics.h"

#include <algorithm>

namespace iplugin::igraphics
{
IBPopupMenuLK::IBPopupMenuLK(int x, int y, int paramIdx, const IBitmap& bitmap, bool wheelEnabled,
                             IActionFunction actionFunc, bool drawingOff, bool buttonMode)
    : IControl(IBitmapBase::FrameAt(bitmap, float(x), float(y)), paramIdx, std::move(actionFunc)),
      IBitmapBase(bitmap), mWheelEnabled(wheelEnabled), mDrawingOff(drawingOff), mButtonMode(buttonMode)
{
  SetOwner(this);
  mDisablePrompt = false;
  mDblAsSingleClick = true;
}

void IBPopupMenuLK::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  PromptUserInput(0);
}

void IBPopupMenuLK::OnMouseWheel(float x, float y, const IMouseMod& mod, float d)
{
  if (!mWheelEnabled) return;
  const IParam* p = GetParam();
  if (!p) return;
  double min = 0.0, max = 0.0;
  p->GetBounds(min, max);
  if (!(max - min > 0.0)) return;
  const double v = (double(int(p->Value())) - double(int(d))) / (max - min);
  SetValue(std::clamp(v, 0.0, 1.0), 0);
  SetDirty(true, -1);
}

void IBPopupMenuLK::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  mHovered = true;
  SetDirty(false);
}

void IBPopupMenuLK::OnMouseOut()
{
  mHovered = false;
  SetDirty(false);
}

void IBPopupMenuLK::Draw(IGraphics& g)
{
  if (mDrawingOff) return;
  if (mButtonMode)
    g.DrawBitmapFrame(mBitmap, IBitmapBase::FrameCentredIn(mBitmap, mRECT), mHovered ? 2 : 1, &mBlend);
  else
    DrawBitmapForValue(g);
}
} // namespace iplugin::igraphics
