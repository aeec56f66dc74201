#include "controls/IVectorBase.h"

#include "framework/IParam.h"

#include <algorithm>
#include <cmath>

namespace iplugin::igraphics
{
namespace
{
IRECT ScaledAboutCentre(const IRECT& r, float frac)
{
  const float hw = frac * r.W() * 0.5f;
  const float hh = frac * r.H() * 0.5f;
  return IRECT(r.MW() - hw, r.MH() - hh, r.MW() + hw, r.MH() + hh);
}

IRECT Shrunk(const IRECT& r, float d)
{
  return IRECT(r.L + d, r.T + d, r.R - d, r.B - d);
}

// Width and height of str in text; zero when the control is not attached yet.
void Measure(const IControl* pControl, const IText& text, const char* str, float& w, float& h)
{
  w = h = 0.f;
  IGraphics* pGraphics = pControl ? pControl->GetUI() : nullptr;
  if (!pGraphics || !str || !*str) return;
  IRECT extent;
  pGraphics->MeasureText(text, str, extent);
  w = extent.W();
  h = extent.H();
}
} // namespace

IVectorBase::IVectorBase(const IVStyle& style, bool labelInWidget, bool valueInWidget)
    : mLabelInWidget(labelInWidget), mValueInWidget(valueInWidget)
{
  SetStyle(style);
}

void IVectorBase::AttachIControl(IControl* pControl, const char* label)
{
  mControl = pControl;
  mLabelStr.Set(label ? label : "");
}

void IVectorBase::SetColor(int colorIdx, const IColor& color)
{
  if (colorIdx < 0 || colorIdx >= kNumVColors) return;
  mStyle.mColorSpec.mColors[colorIdx] = color;
}

const IBlend* IVectorBase::Blend() const
{
  return mControl ? mControl->GetBlend() : nullptr;
}

bool IVectorBase::OnEditableValue(float x, float y) const
{
  return mControl && mStyle.mShowValue && !mControl->GetPromptDisabled() && mValueBounds.Contains(x, y);
}

bool IVectorBase::HitsWidgetOrEditableValue(float x, float y) const
{
  return (mControl && !mControl->GetPromptDisabled() && mValueBounds.Contains(x, y)) ||
         mWidgetBounds.Contains(x, y);
}

void IVectorBase::TakeParamTexts()
{
  const IParam* pParam = mControl ? mControl->GetParam() : nullptr;
  if (!pParam) return;
  ParamDisplayWithLabel(*mControl, mValueStr, true);
  if (!mLabelStr.GetLength()) mLabelStr.Set(pParam->GetName());
}

IColor IVectorBase::WithContrast(const IColor& color, float c)
{
  const int m = int(c * 255.f);
  auto channel = [m](int v) { return std::clamp(v + m, 0, 255); };
  return IColor(color.A, channel(color.R), channel(color.G), channel(color.B));
}

void IVectorBase::DrawBackground(IGraphics& g, const IRECT& rect)
{
  g.FillRect(GetColor(kBG), rect, Blend());
}

void IVectorBase::DrawLabel(IGraphics& g)
{
  if (mLabelBounds.H() == 0.f || !mStyle.mShowLabel || !mLabelStr.GetLength()) return;
  g.DrawText(mStyle.mLabelText, mLabelStr.Get(), mLabelBounds, Blend());
}

void IVectorBase::DrawValue(IGraphics& g, bool mouseOver)
{
  if (mouseOver) g.FillRect(kColorTranslucent, mValueBounds);
  if (mStyle.mShowValue && mValueStr.GetLength())
    g.DrawText(mStyle.mValueText, mValueStr.Get(), mValueBounds, Blend());
}

IRECT IVectorBase::DrawPressableShape(IGraphics& g, EVShape shape, const IRECT& bounds, bool pressed,
                                      bool mouseOver, bool disabled)
{
  switch (shape)
  {
  case EVShape::Rectangle:
  case EVShape::AllRounded:
    return DrawPressableRectangle(g, bounds, pressed, mouseOver, disabled);
  case EVShape::TopRounded:
    return DrawPressableRectangle(g, bounds, pressed, mouseOver, disabled, true, true, false, false);
  case EVShape::Ellipse:
    return DrawPressableEllipse(g, bounds, pressed, mouseOver, disabled);
  case EVShape::Triangle:
    return DrawPressableTriangle(g, bounds, pressed, mouseOver, mStyle.mAngle, disabled);
  }
  return bounds;
}

IRECT IVectorBase::GetAdjustedHandleBounds(IRECT r) const
{
  if (mStyle.mDrawFrame) r = Shrunk(r, mStyle.mFrameThickness * 0.5f);
  if (mStyle.mDrawShadows)
  {
    r.L += mStyle.mShadowOffset;
    r.R -= mStyle.mShadowOffset;
    r.B -= mStyle.mShadowOffset;
  }
  return r;
}

float IVectorBase::GetRoundedCornerRadius(const IRECT& r) const
{
  return std::min(r.W(), r.H()) * 0.5f * mStyle.mRoundness;
}

IRECT IVectorBase::MakeRects(const IRECT& parent, bool hasHandle)
{
  IRECT clickable = parent;
  if (!mLabelInWidget)
  {
    if (mStyle.mShowLabel && mLabelStr.GetLength())
    {
      float w, h;
      Measure(mControl, mStyle.mLabelText, mLabelStr.Get(), w, h);
      w = std::max(w, 1.f);
      if (h == 0.f) h = w;
      mLabelBounds = IRECT(parent.MW() - w * 0.5f, parent.T, parent.MW() + w * 0.5f, parent.T + h);
    }
    else
      mLabelBounds = IRECT();
    if (mLabelBounds.H() != 0.f) clickable.T = parent.T + mLabelBounds.H();
  }

  if (!mStyle.mShowValue || mValueInWidget)
    mWidgetBounds = ScaledAboutCentre(clickable, mStyle.mWidgetFrac);
  else
  {
    float tw, h;
    Measure(mControl, mStyle.mValueText, mValueStr.Get(), tw, h);
    const float w = tw * mValueDisplayFrac;
    const float cx = clickable.MW();
    switch (mStyle.mValueText.mVAlign)
    {
    case kVAlignTop:
      mValueBounds = IRECT(cx - w, clickable.T, cx + w, clickable.T + h);
      mWidgetBounds = ScaledAboutCentre(IRECT(clickable.L, clickable.T + h, clickable.R, clickable.B),
                                        mStyle.mWidgetFrac);
      break;
    case kVAlignBottom:
      mValueBounds = IRECT(cx - w, clickable.B - h, cx + w, clickable.B);
      mWidgetBounds = ScaledAboutCentre(IRECT(clickable.L, clickable.T, clickable.R, clickable.B - h),
                                        mStyle.mWidgetFrac);
      break;
    case kVAlignMiddle:
      mValueBounds = IRECT(cx - w, clickable.MH() - h * 0.5f, cx + w, clickable.MH() + h * 0.5f);
      mWidgetBounds = ScaledAboutCentre(clickable, mStyle.mWidgetFrac);
      break;
    default:
      break;
    }
  }

  if (hasHandle) mWidgetBounds = ScaledAboutCentre(GetAdjustedHandleBounds(clickable), mStyle.mWidgetFrac);
  if (mLabelInWidget) mLabelBounds = mWidgetBounds;
  if (mValueInWidget) mValueBounds = mWidgetBounds;
  return clickable;
}

IRECT IVectorBase::DrawPressableRectangle(IGraphics& g, const IRECT& bounds, bool pressed, bool mouseOver,
                                          bool disabled, bool roundTopLeft, bool roundTopRight,
                                          bool roundBottomLeft, bool roundBottomRight)
{
  const IRECT handle = GetAdjustedHandleBounds(bounds);
  const float off = mStyle.mShadowOffset;
  const IRECT centre = Shrunk(handle, off);
  IRECT shadow = handle.GetTranslated(off, off);
  const IBlend* pBlend = Blend();
  const float c = disabled ? -0.25f : 0.f;
  const float r = GetRoundedCornerRadius(handle);
  const float tl = roundTopLeft ? r : 0.f, tr = roundTopRight ? r : 0.f;
  const float bl = roundBottomLeft ? r : 0.f, br = roundBottomRight ? r : 0.f;
  auto fill = [&](int colorIdx, const IRECT& rect, bool dim, const IBlend* blend)
  {
    const IColor color = dim ? WithContrast(GetColor(colorIdx), c) : GetColor(colorIdx);
    g.FillRoundRectCorners(color, rect, tl, tr, br, bl, blend);
  };

  if (pressed)
  {
    shadow = IRECT(handle.L + off, handle.T + off, handle.R, handle.B);
    if (mStyle.mEmboss)
    {
      fill(kPR, handle, false, pBlend);
      fill(kSH, handle, false, pBlend);
      fill(kFG, shadow, true, nullptr);
      fill(kPR, centre, false, pBlend);
    }
    else
      fill(kPR, handle, true, nullptr);
    if (mControl && mControl->GetAnimationFunction()) DrawSplash(g, handle);
  }
  else
  {
    if (mStyle.mDrawShadows) fill(kSH, shadow, false, pBlend);
    if (mStyle.mEmboss)
    {
      fill(kPR, handle, true, nullptr);
      fill(kSH, shadow, true, nullptr);
      fill(kFG, centre, true, nullptr);
      if (mouseOver) fill(kHL, centre, false, pBlend);
    }
    else
    {
      fill(kFG, handle, true, nullptr);
      if (mouseOver) fill(kHL, handle, false, pBlend);
    }
  }

  if (mStyle.mDrawFrame)
    g.DrawRoundRectCorners(GetColor(kFR), handle, tl, tr, br, bl, pBlend, mStyle.mFrameThickness);
  return handle;
}

IRECT IVectorBase::DrawPressableEllipse(IGraphics& g, const IRECT& bounds, bool pressed, bool mouseOver,
                                        bool disabled)
{
  const float off = mStyle.mShadowOffset;
  const IRECT centre = Shrunk(bounds, off);
  IRECT shadow = bounds.GetTranslated(off, off);
  const IBlend* pBlend = Blend();
  const float c = disabled ? -0.25f : 0.f;
  auto fill = [&](int colorIdx, const IRECT& rect, bool dim, const IBlend* blend)
  { g.FillEllipse(dim ? WithContrast(GetColor(colorIdx), c) : GetColor(colorIdx), rect, blend); };

  if (pressed)
  {
    shadow = IRECT(bounds.L + off, bounds.T + off, bounds.R, bounds.B);
    if (mStyle.mEmboss)
    {
      fill(kPR, bounds, false, pBlend);
      fill(kSH, bounds, false, pBlend);
      fill(kFG, shadow, true, nullptr);
      fill(kPR, centre, false, pBlend);
    }
    else
      fill(kPR, bounds, true, nullptr);
    if (mControl && mControl->GetAnimationFunction()) DrawSplash(g, bounds);
  }
  else
  {
    if (mStyle.mDrawShadows && !disabled) fill(kSH, shadow, false, pBlend);
    if (mStyle.mEmboss)
    {
      fill(kPR, bounds, true, nullptr);
      fill(kSH, shadow, true, nullptr);
      fill(kFG, centre, true, nullptr);
      if (mouseOver) fill(kHL, centre, false, pBlend);
    }
    else
    {
      fill(kFG, bounds, true, nullptr);
      if (mouseOver) fill(kHL, bounds, false, pBlend);
    }
  }

  if (mStyle.mDrawFrame) g.DrawEllipse(GetColor(kFR), bounds, pBlend, mStyle.mFrameThickness);
  return bounds;
}

IRECT IVectorBase::DrawPressableTriangle(IGraphics& g, const IRECT& bounds, bool pressed, bool mouseOver,
                                         float angle, bool disabled)
{
  const IRECT handle = GetAdjustedHandleBounds(bounds);
  const float cx = handle.MW(), cy = handle.MH();
  const float rad = angle / 180.f * 3.1415927f;
  const float cs = std::cos(rad), sn = std::sin(rad);
  float x[3] = {handle.L, cx, handle.R};
  float y[3] = {handle.B, handle.T, handle.B};
  for (int i = 0; i < 3; ++i)
  {
    const float dx = x[i] - cx, dy = y[i] - cy;
    x[i] = cs * dx - sn * dy + cx;
    y[i] = sn * dx + cs * dy + cy;
  }
  const IBlend* pBlend = Blend();
  const float c = disabled ? -0.25f : 0.f;
  IColor fillColor = WithContrast(GetColor(kPR), c);
  if (!pressed)
  {
    if (mStyle.mDrawShadows)
    {
      const float o = mStyle.mShadowOffset;
      g.FillTriangle(GetColor(kSH), x[0] + o, y[0] + o, x[1] + o, y[1] + o, x[2] + o, y[2] + o, pBlend);
    }
    fillColor = WithContrast(GetColor(kFG), c);
  }
  g.FillTriangle(fillColor, x[0], y[0], x[1], y[1], x[2], y[2]);
  if (mouseOver) g.FillTriangle(GetColor(kHL), x[0], y[0], x[1], y[1], x[2], y[2], pBlend);
  if (pressed && mControl && mControl->GetAnimationFunction()) DrawSplash(g);
  if (mStyle.mDrawFrame)
    g.DrawTriangle(GetColor(kFR), x[0], y[0], x[1], y[1], x[2], y[2], pBlend, mStyle.mFrameThickness);
  return handle;
}

void IVectorBase::DrawSplash(IGraphics& g, const IRECT& clipRect)
{
  g.PathClipRegion(clipRect);
  g.FillCircle(GetColor(kHL), mSplashX, mSplashY, mSplashRadius);
  g.PathClipRegion();
}

void ParamDisplayWithLabel(const IControl& control, StringBuf& str, bool withLabel)
{
  const IParam* pParam = control.GetParam();
  if (!pParam) return;
  pParam->GetDisplay(str);
  if (withLabel && pParam->GetLabel()[0])
  {
    str.Append(" ");
    str.Append(pParam->GetLabel());
  }
}

// --- Defined here because they need the mix-in -----------------------------------------------------

void IControl::SplashAnimationStep(IControl* pControl)
{
  if (auto* pVector = dynamic_cast<IVectorBase*>(pControl))
    pVector->SetSplashProgress(std::min(pControl->GetAnimationProgress(), 1.0));
  pControl->SetDirty(false);
  DefaultAnimationStep(pControl);
}

void IControl::StartSplashClickAnimation(IControl* pControl)
{
  if (!pControl) return;
  if (auto* pVector = dynamic_cast<IVectorBase*>(pControl); pVector && pControl->GetUI())
  {
    float x, y;
    pControl->GetUI()->GetMouseDownPoint(x, y);
    pVector->SetSplashPoint(x, y);
  }
  pControl->SetAnimation(SplashAnimationStep, 100);
}

void IGraphics::ApplyStyleToVectorControls(const IVStyle& style)
{
  ForStandardControlsFunc(IControlFunction(
      [&style](IControl* pControl)
      {
        if (auto* pVector = dynamic_cast<IVectorBase*>(pControl))
        {
          pVector->SetStyle(style);
          pControl->SetDirty(false);
        }
      }));
}
} // namespace iplugin::igraphics
