#include "controls/ITextToggleControl.h"

namespace iplugin::igraphics
{
ITextToggleControl::ITextToggleControl(const IRECT& bounds, int paramIdx, const char* offText,
                                       const char* onText, const IText& text, const IColor& bgColor)
    : ITextControl(bounds, offText, text, bgColor), mOffText(offText ? offText : ""),
      mOnText(onText ? onText : "")
{
  SetParamIdx(paramIdx);
  mIgnoreMouse = false;
  mDblAsSingleClick = true;
}

ITextToggleControl::ITextToggleControl(const IRECT& bounds, IActionFunction actionFunc, const char* offText,
                                       const char* onText, const IText& text, const IColor& bgColor)
    : ITextToggleControl(bounds, -1, offText, onText, text, bgColor)
{
  SetActionFunction(std::move(actionFunc));
}

void ITextToggleControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  SetValue(GetValue(0) < 0.5 ? 1.0 : 0.0);
  SetDirty(true);
}

void ITextToggleControl::SetDirty(bool triggerAction, int valIdx)
{
  SetStr(GetValue(0) > 0.5 ? mOnText.Get() : mOffText.Get());
  IControl::SetDirty(triggerAction, valIdx);
}
} // namespace iplugin::igraphics
