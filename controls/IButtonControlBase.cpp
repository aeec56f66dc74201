#include "controls/IButtonControlBase.h"

namespace iplugin::igraphics
{
IButtonControlBase::IButtonControlBase(const IRECT& bounds, IActionFunction actionFunc)
    : IControl(bounds, -1, std::move(actionFunc))
{
  mDblAsSingleClick = true;
}

void IButtonControlBase::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  SetValue(1.0);
  SetDirty(true);
}

void IButtonControlBase::OnEndAnimation()
{
  SetValue(0.0);
  IControl::OnEndAnimation();
}
} // namespace iplugin::igraphics
