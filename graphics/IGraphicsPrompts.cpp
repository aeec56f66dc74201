#include "framework/IGEditorDelegate.h"
#include "framework/IParam.h"
#include "graphics/IGraphics.h"
#include "graphics/ISpecialControlInterfaces.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace iplugin::igraphics
{
void IGraphics::PromptUserInput(IControl& control, const IRECT& bounds, int valIdx)
{
  const IParam* pParam = control.GetParam(valIdx);
  if (!pParam) return;

  // An enumeration without display texts would give an empty menu: it takes the text entry instead.
  const bool menu = (pParam->Type() == IParam::kTypeEnum || pParam->Type() == IParam::kTypeBool) &&
                    pParam->NDisplayTexts() > 0;
  if (menu)
  {
    StringBuf current;
    pParam->GetDisplay(pParam->Value(), false, current, true);
    mPromptPopupMenu.Clear();
    for (int i = 0; i < pParam->NDisplayTexts(); ++i)
    {
      const char* text = pParam->GetDisplayText(double(i));
      const bool checked = text && std::strcmp(text, current.Get()) == 0;
      mPromptPopupMenu.AddItem(new IPopupMenu::Item(text, checked ? IPopupMenu::Item::kChecked : 0, -1));
      mPromptPopupMenu.SetRootTitle(pParam->GetName());
    }
    CreatePopupMenu(control, mPromptPopupMenu, bounds, valIdx, false);
    return;
  }

  StringBuf text;
  pParam->GetDisplay(pParam->Value(), false, text, false);
  if (control.GetPromptShowsParamLabel())
  {
    text.Append(" ");
    text.Append(pParam->GetLabel());
  }
  CreateTextEntry(control, control.GetText(), bounds, text.Get(), valIdx);
}

void IGraphics::CreateTextEntry(IControl& control, const IText& text, const IRECT& bounds, const char* str,
                                int valIdx)
{
  // One platform field at a time: a field still open for another control is closed first, so that
  // the text typed next can only reach the control that now asked.
  if (mInTextEntry && !mTextEntryControl) EndUserInput();
  mInTextEntry = &control;
  mTextEntryValIdx = valIdx;
  const int paramIdx = valIdx >= 0 ? control.GetParamIdx(valIdx) : -1;
  if (ITextEntryControlInterface* pEntry = TextEntryControl())
    pEntry->CreateTextEntry(paramIdx, text, bounds, control.GetTextEntryLength(), str ? str : "");
  else
    CreatePlatformTextEntry(paramIdx, text, bounds, control.GetTextEntryLength(), str ? str : "");
  control.SetDirty(false, -1);
}

IPopupMenu* IGraphics::CreatePopupMenu(IControl& control, IPopupMenu& menu, const IRECT& bounds, int valIdx,
                                       bool isContext)
{
  // The menu's result ends this control's gestures; any other capture ends its own here.
  DropMouseCapture(&control);
  mInPopupMenu = &control;
  mPopupMenuValIdx = valIdx;
  mIsContextMenu = isContext;

  if (IPopupMenuControlInterface* pMenuControl = PopupMenuControl())
    return pMenuControl->CreatePopupMenu(menu, bounds);

  bool isAsync = false;
  IPopupMenu* pResult = CreatePlatformPopupMenu(menu, bounds, isAsync);
  if (isAsync) return nullptr;
  if (mInPopupMenu) SetControlValueAfterPopupMenu(pResult);
  return pResult;
}

void IGraphics::SetControlValueAfterPopupMenu(IPopupMenu* pMenu)
{
  IControl* pControl = mInPopupMenu;
  if (!pControl) return;
  if (mIsContextMenu)
    pControl->OnContextSelection(pMenu ? pMenu->GetChosenItemIdx() : -1);
  else
    pControl->OnMenuChoice(pMenu && pMenu->GetChosenItemIdx() != -1 ? pMenu : nullptr, mPopupMenuValIdx);
  EndParamGestures(pControl);
  mInPopupMenu = nullptr;
}

void IGraphics::SetControlValueAfterTextEdit(const char* str)
{
  IControl* pControl = mInTextEntry;
  if (!pControl) return;
  const int valIdx = mTextEntryValIdx;
  const IParam* pParam = valIdx >= 0 ? pControl->GetParam(valIdx) : nullptr;
  if (pParam)
  {
    // "nan" or "inf" typed or pasted reads as a number that the parameter would turn into an end of
    // its range: such text changes nothing.
    if (!std::isfinite(std::atof(str ? str : "")))
    {
      mInTextEntry = nullptr;
      return;
    }
    double v = pParam->StringToValue(str ? str : "");
    if (pParam->GetStepped() && pParam->GetStep() > 0.0)
      v = std::round(v / pParam->GetStep()) * pParam->GetStep();
    v = std::clamp(v, pParam->GetMin(), pParam->GetMax());
    double n = pParam->ToNormalized(v);
    n = std::isnan(n) ? 0.0 : std::clamp(n, 0.0, 1.0);
    pControl->SetValueFromUserInput(n, valIdx);
  }
  else
    pControl->OnTextEntryCompletion(str ? str : "", valIdx);
  mInTextEntry = nullptr;
}

void IGraphics::ShowContextMenu(IControl& control, float x, float y)
{
  mPromptPopupMenu.Clear();
  control.CreateContextMenu(mPromptPopupMenu);
  if (mPromptPopupMenu.NItems() > 0) CreatePopupMenu(control, mPromptPopupMenu, IRECT(x, y, x, y), -1, true);
}

void IGraphics::ShowContextMenuAtIndex(int controlIdx, float x, float y)
{
  if (IControl* pControl = GetControl(controlIdx)) ShowContextMenu(*pControl, x, y);
}

void IGraphics::UpdatePeers(IControl* pCaller, int callerValIdx)
{
  if (!pCaller) return;
  const double value = pCaller->GetValue(callerValIdx);
  const int paramIdx = pCaller->GetParamIdx(callerValIdx);
  for (int i = 0; i < NControls(); ++i)
  {
    IControl* pControl = mControls.Get(i);
    const int valIdx = pControl->LinkedToParam(paramIdx);
    if (valIdx >= 0 && pControl != pCaller) pControl->SetValueFromDelegate(value, valIdx);
  }
}

void IGraphics::AssignParamNameToolTips()
{
  ForStandardControlsFunc(IControlFunction(
      [](IControl* pControl)
      {
        if (const IParam* pParam = pControl->GetParam(0)) pControl->SetTooltip(pParam->GetName());
      }));
}

void IGraphics::AssignParamNameToolTipsAuto()
{
  ForStandardControlsFunc(IControlFunction(
      [](IControl* pControl)
      {
        const IParam* pParam = pControl->GetParam(0);
        if (pParam && !*pControl->GetTooltip()) pControl->SetTooltip(pParam->GetName());
      }));
}
} // namespace iplugin::igraphics
