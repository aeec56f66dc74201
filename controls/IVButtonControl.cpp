#include "controls/IVButtonControl.h"

namespace iplugin::igraphics
{
IVButtonControl::IVButtonControl(const IRECT& bounds, IActionFunction actionFunc, const char* label,
                                 const IVStyle& style, bool labelInButton, bool valueInButton, EVShape shape)
    : IButtonControlBase(bounds, std::move(actionFunc)), IVectorBase(style, labelInButton, valueInButton)
{
  mShape = shape;
  mText = style.mValueText;
  if (valueInButton) mStyle.mValueText.mVAlign = mText.mVAlign = kVAlignMiddle;
  AttachIControl(this, label);
}

void IVButtonControl::OnResize()
{
  SetTargetRECT(MakeRects(mRECT, true));
  SetDirty(false);
}

void IVButtonControl::Draw(IGraphics& g)
{
  DrawBackground(g, mRECT);
  DrawWidget(g);
  DrawLabel(g);
  DrawValue(g, false);
}

void IVButtonControl::DrawWidget(IGraphics& g)
{
  DrawPressableShape(g, mShape, mWidgetBounds, GetValue() != 0.0, mMouseIsOver, IsDisabled());
}
} // namespace iplugin::igraphics
