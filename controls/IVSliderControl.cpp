#include "controls/IVSliderControl.h"

#include "controls/IVKnobControl.h"
#include "framework/IParam.h"

#include <algorithm>

namespace iplugin::igraphics
{
IVSliderControl::IVSliderControl(const IRECT& bounds, int paramIdx, const char* label, const IVStyle& style,
                                 bool valueIsEditable, EDirection direction, double gearing, float handleSize,
                                 float trackSize, bool handleInsideTrack)
    : ISliderControlBase(bounds, paramIdx, direction, gearing, handleSize), IVectorBase(style),
      mHandleInsideTrack(handleInsideTrack)
{
  mShape = EVShape::Ellipse;
  mTrackSize = trackSize;
  mHideCursorOnDrag = style.mHideCursor;
  DisablePrompt(!valueIsEditable);
  mText = style.mValueText;
  AttachIControl(this, label);
}

IVSliderControl::IVSliderControl(const IRECT& bounds, IActionFunction actionFunc, const char* label,
                                 const IVStyle& style, bool valueIsEditable, EDirection direction,
                                 double gearing, float handleSize, float trackSize, bool handleInsideTrack)
    : IVSliderControl(bounds, -1, label, style, valueIsEditable, direction, gearing, handleSize, trackSize,
                      handleInsideTrack)
{
  SetActionFunction(std::move(actionFunc));
}

void IVSliderControl::OnResize()
{
  SetTargetRECT(MakeRects(mRECT, false));
  const IRECT& w = mWidgetBounds;
  const float h = mHandleSize, t = mTrackSize;
  mTrack = mDirection == kVertical ? IRECT(w.MW() - t, w.T + h, w.MW() + t, w.B - h)
                                   : IRECT(w.L + h, w.MH() - t, w.R - h, w.MH() + t);
  SetDirty(false);
}

void IVSliderControl::OnInit()
{
  TakeParamTexts();
}

void IVSliderControl::SetDirty(bool triggerAction, int valIdx)
{
  IControl::SetDirty(triggerAction, valIdx);
  ParamDisplayWithLabel(*this, mValueStr, true);
}

void IVSliderControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  if (!PromptOnValue(*this, mStyle, mValueBounds, x, y)) ISliderControlBase::OnMouseDown(x, y, mod);
  SetDirty(false);
}

void IVSliderControl::OnMouseUp(float x, float y, const IMouseMod& mod)
{
  ISliderControlBase::OnMouseUp(x, y, mod);
  SetDirty(true);
}

void IVSliderControl::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  mValueMouseOver = OnEditableValue(x, y);
  IControl::OnMouseOver(x, y, mod);
}

void IVSliderControl::OnMouseOut()
{
  mValueMouseOver = false;
  IControl::OnMouseOut();
}

bool IVSliderControl::IsHit(float x, float y) const
{
  return HitsWidgetOrEditableValue(x, y);
}

void IVSliderControl::Draw(IGraphics& g)
{
  DrawBackground(g, mRECT);
  DrawLabel(g);
  DrawWidget(g);
  DrawValue(g, mValueMouseOver);
}

void IVSliderControl::DrawWidget(IGraphics& g)
{
  const float v = float(GetValue());
  const IRECT& t = mTrack;
  const IRECT filled =
      mDirection == kVertical ? IRECT(t.L, t.B - t.H() * v, t.R, t.B) : IRECT(t.L, t.T, t.L + t.W() * v, t.B);
  if (mTrackSize > 0.f) DrawTrack(g, filled);
  float cx = mDirection == kVertical ? filled.MW() : filled.R;
  float cy = mDirection == kVertical ? filled.T : filled.MH();
  if (mStyle.mDrawShadows && mShape != EVShape::Ellipse)
  {
    if (mDirection == kVertical)
      cx += mStyle.mShadowOffset * 0.5f;
    else
      cy += mStyle.mShadowOffset * 0.5f;
  }
  if (mHandleSize > 0.f)
    DrawHandle(g, IRECT(cx - mHandleSize, cy - mHandleSize, cx + mHandleSize, cy + mHandleSize));
}

void IVSliderControl::DrawTrack(IGraphics& g, const IRECT& filledArea)
{
  IRECT track = mTrack;
  if (mHandleInsideTrack)
    track = mDirection == kVertical ? IRECT(track.L, track.T - mHandleSize, track.R, track.B + mHandleSize)
                                    : IRECT(track.L - mHandleSize, track.T, track.R + mHandleSize, track.B);
  const float r = std::min(track.W(), track.H()) * 0.5f * mStyle.mRoundness;
  g.FillRoundRect(GetColor(kSH), track, r);
  g.FillRoundRect(GetColor(kX1), filledArea,
                  std::min(filledArea.W(), filledArea.H()) * 0.5f * mStyle.mRoundness);
  if (mStyle.mDrawFrame) g.DrawRoundRect(GetColor(kFR), track, r, nullptr, mStyle.mFrameThickness);
}

void IVSliderControl::DrawHandle(IGraphics& g, const IRECT& bounds)
{
  DrawPressableShape(g, mShape, bounds, mMouseDown, mMouseIsOver, IsDisabled());
}
} // namespace iplugin::igraphics
