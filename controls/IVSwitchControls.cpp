#include "controls/IVSwitchControls.h"

#include "framework/IParam.h"

#include <algorithm>

namespace iplugin::igraphics
{
namespace
{
int StateIndex(double value, int numStates)
{
  return int((numStates - 1) * value + 0.5);
}

} // namespace

// --- IVSwitchControl --------------------------------------------------------------------------------

IVSwitchControl::IVSwitchControl(const IRECT& bounds, int paramIdx, const char* label, const IVStyle& style,
                                 bool valueInButton)
    : ISwitchControlBase(bounds, paramIdx, IControl::StartSplashClickAnimation, 2),
      IVectorBase(style, false, valueInButton)
{
  mText = style.mValueText;
  if (valueInButton) mStyle.mValueText.mVAlign = mText.mVAlign = kVAlignMiddle;
  AttachIControl(this, label);
}

IVSwitchControl::IVSwitchControl(const IRECT& bounds, IActionFunction actionFunc, const char* label,
                                 const IVStyle& style, int numStates, bool valueInButton)
    : ISwitchControlBase(bounds, -1, std::move(actionFunc), numStates),
      IVectorBase(style, false, valueInButton)
{
  mText = style.mValueText;
  if (valueInButton) mStyle.mValueText.mVAlign = mText.mVAlign = kVAlignMiddle;
  AttachIControl(this, label);
}

int IVSwitchControl::SelectedIndex() const
{
  return StateIndex(GetValue(0), mNumStates);
}

void IVSwitchControl::Draw(IGraphics& g)
{
  DrawBackground(g, mRECT);
  DrawLabel(g);
  DrawWidget(g);
  DrawValue(g, false);
}

void IVSwitchControl::DrawWidget(IGraphics& g)
{
  DrawPressableShape(g, mShape, mWidgetBounds, mMouseDown, mMouseIsOver, IsDisabled());
}

void IVSwitchControl::OnResize()
{
  SetTargetRECT(MakeRects(mRECT, true));
  SetDirty(false);
}

void IVSwitchControl::OnInit()
{
  ISwitchControlBase::OnInit();
  TakeParamTexts();
}

void IVSwitchControl::SetDirty(bool triggerAction, int valIdx)
{
  IControl::SetDirty(triggerAction, valIdx);
  if (GetParam()) ParamDisplayWithLabel(*this, mValueStr, false);
}

void IVSwitchControl::OnMouseOut()
{
  IControl::OnMouseOut();
  SetDirty(false);
}

// --- IVToggleControl --------------------------------------------------------------------------------

IVToggleControl::IVToggleControl(const IRECT& bounds, int paramIdx, const char* label, const IVStyle& style,
                                 const char* offText, const char* onText)
    : IVSwitchControl(bounds, paramIdx, label, style, true), mOffText(offText ? offText : ""),
      mOnText(onText ? onText : "")
{
}

IVToggleControl::IVToggleControl(const IRECT& bounds, IActionFunction actionFunc, const char* label,
                                 const IVStyle& style, const char* offText, const char* onText,
                                 bool initialState)
    : IVSwitchControl(bounds, std::move(actionFunc), label, style, 2, true), mOffText(offText ? offText : ""),
      mOnText(onText ? onText : "")
{
  SetValue(initialState ? 1.0 : 0.0);
}

void IVToggleControl::DrawWidget(IGraphics& g)
{
  DrawPressableShape(g, mShape, mWidgetBounds, GetValue() > 0.5, mMouseIsOver, IsDisabled());
}

void IVToggleControl::DrawValue(IGraphics& g, bool mouseOver)
{
  if (mouseOver) g.FillRect(GetColor(kHL), mValueBounds, GetBlend());
  g.DrawText(mStyle.mValueText, GetValue() > 0.5 ? mOnText.Get() : mOffText.Get(), mValueBounds, GetBlend());
}

// --- IVSlideSwitchControl ---------------------------------------------------------------------------

IVSlideSwitchControl::IVSlideSwitchControl(const IRECT& bounds, int paramIdx, const char* label,
                                           const IVStyle& style, bool valueInButton, EDirection direction)
    : IVSwitchControl(bounds, paramIdx, label, style, valueInButton), mDirection(direction)
{
  SetActionFunction(SlideAction);
}

IVSlideSwitchControl::IVSlideSwitchControl(const IRECT& bounds, IActionFunction actionFunc, const char* label,
                                           const IVStyle& style, bool valueInButton, EDirection direction,
                                           int numStates, int initialState)
    : IVSwitchControl(bounds, SlideAction, label, style, numStates, valueInButton), mDirection(direction)
{
  SetAnimationEndActionFunction(std::move(actionFunc));
  // The state index as a value: a bare index would put every state past the first at the last.
  SetValue(numStates > 1 ? std::clamp(double(initialState) / (numStates - 1), 0.0, 1.0) : 0.0);
}

void IVSlideSwitchControl::SlideAction(IControl* pControl)
{
  pControl->SetAnimation(SlideStep, 100);
}

void IVSlideSwitchControl::SlideStep(IControl* pControl)
{
  auto* pSlide = static_cast<IVSlideSwitchControl*>(pControl);
  const double p = pControl->GetAnimationProgress();
  if (p > 1.0)
  {
    pControl->OnEndAnimation();
    return;
  }
  const float t = float(p);
  const IRECT& a = pSlide->mStartRect;
  const IRECT& b = pSlide->mEndRect;
  pSlide->mCurrentRect =
      IRECT(a.L + (b.L - a.L) * t, a.T + (b.T - a.T) * t, a.R + (b.R - a.R) * t, a.B + (b.B - a.B) * t);
  if (pSlide->mValueInWidget) pSlide->mValueBounds = pSlide->mCurrentRect;
  pControl->SetDirty(false);
}

void IVSlideSwitchControl::UpdateRects()
{
  const int n = std::max(mNumStates, 1);
  const int i = SelectedIndex();
  auto handle = [this, n](int state)
  {
    const IRECT& w = mWidgetBounds;
    if (mDirection == kHorizontal)
    {
      const float step = w.W() / n;
      return IRECT(w.L + state * step, w.T, w.L + (state + 1) * step, w.B);
    }
    const float step = w.H() / n;
    return IRECT(w.L, w.T + state * step, w.R, w.T + (state + 1) * step);
  };
  mStartRect = mCurrentRect = handle(i);
  mEndRect = handle((i + 1) % n);
  if (mValueInWidget) mValueBounds = mCurrentRect;
}

void IVSlideSwitchControl::OnResize()
{
  IVSwitchControl::OnResize();
  UpdateRects();
}

void IVSlideSwitchControl::SetDirty(bool triggerAction, int valIdx)
{
  IVSwitchControl::SetDirty(triggerAction, valIdx);
  if (!GetAnimationFunction()) UpdateRects();
}

void IVSlideSwitchControl::OnEndAnimation()
{
  UpdateRects();
  IControl::OnEndAnimation();
}

void IVSlideSwitchControl::Draw(IGraphics& g)
{
  DrawBackground(g, mRECT);
  DrawWidget(g);
  DrawLabel(g);
  if (!GetAnimationFunction()) DrawValue(g, false);
}

void IVSlideSwitchControl::DrawWidget(IGraphics& g)
{
  DrawTrack(g, mWidgetBounds);
  DrawPressableShape(g, mShape, mCurrentRect, mMouseDown, mMouseIsOver, IsDisabled());
}

void IVSlideSwitchControl::DrawTrack(IGraphics& g, const IRECT& bounds)
{
  g.FillRoundRect(GetColor(kSH), bounds,
                  std::min(mCurrentRect.W(), mCurrentRect.H()) * 0.5f * mStyle.mRoundness);
}

// --- IVTabSwitchControl -----------------------------------------------------------------------------

IVTabSwitchControl::IVTabSwitchControl(const IRECT& bounds, int paramIdx,
                                       std::initializer_list<const char*> options, const char* label,
                                       const IVStyle& style, EVShape shape, EDirection direction)
    : ISwitchControlBase(bounds, paramIdx, nullptr, int(options.size())), IVectorBase(style),
      mDirection(direction)
{
  Init(options, label, style, shape);
}

IVTabSwitchControl::IVTabSwitchControl(const IRECT& bounds, IActionFunction actionFunc,
                                       std::initializer_list<const char*> options, const char* label,
                                       const IVStyle& style, EVShape shape, EDirection direction)
    : ISwitchControlBase(bounds, -1, std::move(actionFunc), int(options.size())), IVectorBase(style),
      mDirection(direction)
{
  Init(options, label, style, shape);
}

void IVTabSwitchControl::Init(std::initializer_list<const char*> options, const char* label,
                              const IVStyle& style, EVShape shape)
{
  for (const char* option : options)
    mTabLabels.emplace_back(option ? option : "");
  mShape = shape;
  mText = style.mValueText;
  AttachIControl(this, label);
}

int IVTabSwitchControl::SelectedIndex() const
{
  return StateIndex(GetValue(0), mNumStates);
}

void IVTabSwitchControl::OnInit()
{
  ISwitchControlBase::OnInit();
  const IParam* pParam = GetParam();
  if (!pParam) return;
  if (mTabLabels.empty())
    for (int i = 0; i < mNumStates; ++i)
    {
      StringBuf display;
      pParam->GetDisplay(double(i), false, display);
      mTabLabels.push_back(display);
    }
  if (!mLabelStr.GetLength()) mLabelStr.Set(pParam->GetName());
  OnResize();
}

void IVTabSwitchControl::OnResize()
{
  SetTargetRECT(MakeRects(mRECT, false));
  mButtons.clear();
  const int n = mNumStates;
  const IRECT& w = mWidgetBounds;
  for (int i = 0; i < n; ++i)
  {
    if (mDirection == kHorizontal)
      mButtons.emplace_back(w.L + w.W() * i / n, w.T, w.L + w.W() * (i + 1) / n, w.B);
    else
      mButtons.emplace_back(w.L, w.T + w.H() * i / n, w.R, w.T + w.H() * (i + 1) / n);
  }
  SetDirty(false);
}

void IVTabSwitchControl::Draw(IGraphics& g)
{
  DrawBackground(g, mRECT);
  DrawLabel(g);
  DrawWidget(g);
}

void IVTabSwitchControl::DrawWidget(IGraphics& g)
{
  const int n = int(mButtons.size());
  const int selected = SelectedIndex();
  for (int i = 0; i < n; ++i)
  {
    const ETabSegment segment = i == 0 ? kStart : i == n - 1 ? kEnd : kMid;
    const bool disabled = IsDisabled() || GetStateDisabled(i);
    DrawButton(g, mButtons[size_t(i)], i == selected, i == mMouseOverButton, segment, disabled);
    if (size_t(i) < mTabLabels.size())
      g.DrawText(mStyle.mValueText, mTabLabels[size_t(i)].Get(), mButtons[size_t(i)], GetBlend());
  }
}

void IVTabSwitchControl::DrawButton(IGraphics& g, const IRECT& r, bool pressed, bool mouseOver,
                                    ETabSegment segment, bool disabled)
{
  const bool horizontal = mDirection == kHorizontal;
  switch (mShape)
  {
  case EVShape::TopRounded:
    if (horizontal)
      DrawPressableRectangle(g, r, pressed, mouseOver, disabled, segment == kStart, segment == kEnd, false,
                             false);
    else
      DrawPressableRectangle(g, r, pressed, mouseOver, disabled, false, segment == kStart, false,
                             segment == kEnd);
    break;
  case EVShape::AllRounded:
    if (horizontal)
      DrawPressableRectangle(g, r, pressed, mouseOver, disabled, true, true, false, false);
    else
      DrawPressableRectangle(g, r, pressed, mouseOver, disabled, false, true, false, true);
    break;
  default:
    DrawPressableShape(g, mShape, r, pressed, mouseOver, disabled);
    break;
  }
}

int IVTabSwitchControl::GetButtonForPoint(float x, float y) const
{
  for (size_t i = 0; i < mButtons.size(); ++i)
    if (mButtons[i].Contains(x, y)) return int(i);
  return -1;
}

void IVTabSwitchControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  const int i = GetButtonForPoint(x, y);
  // One state has nowhere to go: it stays at 0 instead of dividing by zero.
  if (i >= 0) SetValue(mNumStates > 1 ? double(i) / (mNumStates - 1) : 0.0);
  SetDirty(true);
}

void IVTabSwitchControl::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  mMouseOverButton = GetButtonForPoint(x, y);
  IControl::OnMouseOver(x, y, mod);
  SetDirty(false);
}

void IVTabSwitchControl::OnMouseOut()
{
  mMouseOverButton = -1;
  IControl::OnMouseOut();
  SetDirty(false);
}

// --- IVRadioButtonControl ---------------------------------------------------------------------------

IVRadioButtonControl::IVRadioButtonControl(const IRECT& bounds, int paramIdx,
                                           std::initializer_list<const char*> options, const char* label,
                                           const IVStyle& style, EVShape shape, EDirection direction,
                                           float buttonSize)
    : IVTabSwitchControl(bounds, paramIdx, options, label, style, shape, direction), mButtonSize(buttonSize),
      mTextOffset(3.f * buttonSize)
{
  AlignTexts();
}

IVRadioButtonControl::IVRadioButtonControl(const IRECT& bounds, IActionFunction actionFunc,
                                           std::initializer_list<const char*> options, const char* label,
                                           const IVStyle& style, EVShape shape, EDirection direction,
                                           float buttonSize)
    : IVTabSwitchControl(bounds, std::move(actionFunc), options, label, style, shape, direction),
      mButtonSize(buttonSize), mTextOffset(3.f * buttonSize)
{
  AlignTexts();
}

void IVRadioButtonControl::AlignTexts()
{
  mStyle.mValueText.mAlign = mText.mAlign = kAlignNear;
  mStyle.mValueText.mVAlign = mText.mVAlign = kVAlignMiddle;
}

void IVRadioButtonControl::DrawWidget(IGraphics& g)
{
  const int selected = SelectedIndex();
  const float side = std::max(mButtonSize, 1.f);
  for (int i = 0; i < int(mButtons.size()); ++i)
  {
    const IRECT& r = mButtons[size_t(i)];
    const float cx = r.L + mTextOffset * 0.5f, cy = r.MH();
    const IRECT square(cx - side * 0.5f, cy - side * 0.5f, cx + side * 0.5f, cy + side * 0.5f);
    const bool disabled = IsDisabled() || GetStateDisabled(i);
    DrawButton(g, square, i == selected, i == mMouseOverButton, kMid, disabled);
    if (size_t(i) >= mTabLabels.size()) continue;
    IText text = mStyle.mValueText;
    text.mFGColor = GetColor(i == selected ? kPR : kX1);
    g.DrawText(text, mTabLabels[size_t(i)].Get(), IRECT(r.L + mTextOffset, r.T, r.R, r.B), GetBlend());
  }
}

int IVRadioButtonControl::GetButtonForPoint(float x, float y) const
{
  for (size_t i = 0; i < mButtons.size(); ++i)
  {
    const IRECT& r = mButtons[i];
    const IRECT area = mOnlyButtonsRespondToMouse ? IRECT(r.L, r.T, r.L + mTextOffset, r.B) : r;
    if (area.Contains(x, y)) return int(i);
  }
  return -1;
}
} // namespace iplugin::igraphics
