#include "editor/IBKnobMultiControlLK.h"

#include "framework/IParam.h"
#include "graphics/IGraphics.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace iplugin::igraphics
{
IBKnobMultiControlLK::IBKnobMultiControlLK(int x, int y, int paramIdx, const IBitmap& bitmap,
                                           const IText& text, const IColor& boxColor, int labelChars,
                                           EDirection direction, bool promptDisabled, bool showOnHover,
                                           bool showUnit, int labelPosition, bool alwaysShow, bool drawBox,
                                           double gearing, float labelRightExtension)
    : IBKnobControl(IBitmapBase::FrameAt(bitmap, float(x), float(y)), bitmap, paramIdx, direction, gearing),
      mShowUnit(showUnit), mShowOnHover(showOnHover), mAlwaysShow(alwaysShow), mDrawBox(drawBox),
      mBoxColor(boxColor), mLabelPosition(labelPosition), mLabelRightExtension(labelRightExtension)
{
  mText = text;
  mTextEntryLength = labelChars;
  mDisablePrompt = promptDisabled;
  mWidthText.Set(std::string(size_t(std::max(labelChars, 0)), '0').c_str());
}

bool IBKnobMultiControlLK::SteppedParam(double& min, double& max, double& step) const
{
  const IParam* p = GetParam();
  if (!p) return false;
  p->GetBounds(min, max);
  step = p->GetStep();
  return p->GetStepped() && step > 0.0 && max - min > 0.0;
}

void IBKnobMultiControlLK::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  mMod = mod;
  mMouseDown = true;
  mDragValue = GetValue(0);
  if (mHideCursorOnDrag && GetUI()) GetUI()->HideMouseCursor(true, true);
  if (mod.C) SetValueToDefault(GetValIdxForPos(x, y));
}

void IBKnobMultiControlLK::OnMouseUp(float x, float y, const IMouseMod& mod)
{
  mMod = IMouseMod();
  mMouseDown = false;
  if (mHideCursorOnDrag && GetUI()) GetUI()->HideMouseCursor(false, true);
}

void IBKnobMultiControlLK::OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod)
{
  mMod = mod;
  if (mod.C) return;
  const double gearing = mod.S ? mGearing * 10.0 : mGearing;
  const IRECT r = GetKnobDragBounds();
  // A knob whose bitmap failed to load has no extent to measure a drag by.
  if (!(r.H() > 0.f) || !(r.W() > 0.f)) return;
  if (mDirection == kVertical)
    mDragValue += double(dY) / double(r.T - r.B) / gearing;
  else if (int(mDirection) == 2)
    mDragValue -= double(dY) / double(r.T - r.B) / gearing;
  else
    mDragValue += double(dX) / double(r.R - r.L) / gearing;
  mDragValue = std::clamp(mDragValue, 0.0, 1.0);

  double v = mDragValue, min = 0.0, max = 1.0, step = 0.0;
  if (SteppedParam(min, max, step))
  {
    double real = v * (max - min) + min;
    real -= std::fmod(real, step);
    v = (real - min) / (max - min);
  }
  SetValue(v, 0);
  SetDirty(true, -1);
}

void IBKnobMultiControlLK::OnMouseDblClick(float x, float y, const IMouseMod& mod)
{
  mMod = mod;
  if (mDisablePrompt || !GetUI()) return;
  mSavedMouseOverIdx = GetUI()->GetMouseOverIdx();
  IRECT rect = GetValueLabelRect();
  if (mText.mAlign == kAlignFar) rect.R += mLabelRightExtension;
  GetUI()->PromptUserInput(*this, rect, GetValIdxForPos(x, y));
}

void IBKnobMultiControlLK::SetValueFromUserInput(double value, int valIdx)
{
  IGraphics* ui = GetUI();
  const int previous = ui ? ui->GetMouseOverIdx() : -1;
  if (ui) ui->SetMouseOverIdx(mSavedMouseOverIdx);
  IControl::SetValueFromUserInput(value, valIdx);
  if (ui) ui->SetMouseOverIdx(previous);
}

void IBKnobMultiControlLK::OnMouseWheel(float x, float y, const IMouseMod& mod, float d)
{
  mMod = mod;
  const double factor = mod.C ? 0.1 : mod.S ? 0.001 : 0.01;
  double v = GetValue(0) + double(d) * factor;
  double min = 0.0, max = 1.0, step = 0.0;
  if (d != 0.f && SteppedParam(min, max, step))
  {
    double real = GetValue(0) * (max - min) + min + (d > 0.f ? step : -step);
    real = std::clamp(real, min, max);
    const double k = std::pow(10.0, std::log10(1.0 / step));
    real = std::round(real * k) / k;
    v = (real - min) / (max - min);
  }
  SetValue(v, 0);
  SetDirty(true, -1);
  mMod = IMouseMod();
}

void IBKnobMultiControlLK::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  mHovered = true;
  SetDirty(false);
}

void IBKnobMultiControlLK::OnMouseOut()
{
  mHovered = false;
  SetDirty(false);
}

void IBKnobMultiControlLK::Draw(IGraphics& g)
{
  DrawBitmapForValue(g);
  if (!((mHovered && mShowOnHover) || mAlwaysShow)) return;
  const IParam* p = GetParam();
  if (!p) return;
  StringBuf text;
  p->GetDisplay(p->Value(), false, text, true);
  std::string label = text.Get();
  if (mShowUnit && p->GetLabel()[0]) label += std::string(" ") + p->GetLabel();

  IText style = mText;
  if (IsDisabled()) style.mFGColor.A /= 2;
  IRECT rect = GetValueLabelRect();
  if (mDrawBox) g.FillRect(mBoxColor, rect);
  if (style.mAlign == kAlignFar) rect.R += mLabelRightExtension;
  g.DrawText(style, label.c_str(), rect);
}

IRECT IBKnobMultiControlLK::GetValueLabelRect() const
{
  IRECT m;
  if (GetUI()) GetUI()->MeasureText(mText, mWidthText.Get(), m);
  const float halfW = (m.R - m.L) / 2.f, halfH = (m.B - m.T) / 2.f;
  const float cx = (mRECT.L + mRECT.R) / 2.f;
  IRECT r(cx - halfW, m.T, cx + halfW, m.B);
  switch (mLabelPosition)
  {
  case 0:
    r.T = mRECT.T;
    r.B = r.T + 2.f * halfH;
    break;
  case 1:
  {
    const float cy = (mRECT.T + mRECT.B) / 2.f;
    r.T = cy - halfH;
    r.B = cy + halfH;
    break;
  }
  case 2:
    r.B = mRECT.B;
    r.T = r.B - 2.f * halfH;
    break;
  default:
    break;
  }
  return r;
}
} // namespace iplugin::igraphics
