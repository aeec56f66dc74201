#include "controls/IVKnobControl.h"

#include "framework/IParam.h"

#include <algorithm>

namespace iplugin::igraphics
{
IVKnobControl::IVKnobControl(const IRECT& bounds, int paramIdx, const char* label, const IVStyle& style,
                             bool valueIsEditable, bool valueInWidget, float angle1, float angle2,
                             float anchorAngle, EDirection direction, double gearing, float trackSize)
    : IKnobControlBase(bounds, paramIdx, direction, gearing), IVectorBase(style, false, valueInWidget),
      mAngle1(angle1), mAngle2(angle2), mAnchorAngle(anchorAngle)
{
  mShape = EVShape::Ellipse;
  mTrackSize = trackSize;
  mHideCursorOnDrag = style.mHideCursor;
  DisablePrompt(!valueIsEditable);
  mText = style.mValueText;
  AttachIControl(this, label);
}

IVKnobControl::IVKnobControl(const IRECT& bounds, IActionFunction actionFunc, const char* label,
                             const IVStyle& style, bool valueIsEditable, bool valueInWidget, float angle1,
                             float angle2, float anchorAngle, EDirection direction, double gearing,
                             float trackSize)
    : IVKnobControl(bounds, -1, label, style, valueIsEditable, valueInWidget, angle1, angle2, anchorAngle,
                    direction, gearing, trackSize)
{
  SetActionFunction(std::move(actionFunc));
}

bool PromptOnValue(IControl& control, const IVStyle& style, const IRECT& valueBounds, float x, float y)
{
  if (!style.mShowValue || !valueBounds.Contains(x, y)) return false;
  control.PromptUserInputInRect(valueBounds, 0);
  return true;
}

void IVKnobControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  if (!PromptOnValue(*this, mStyle, mValueBounds, x, y)) IKnobControlBase::OnMouseDown(x, y, mod);
  SetDirty(false);
}

void IVKnobControl::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  mValueMouseOver = OnEditableValue(x, y);
  IControl::OnMouseOver(x, y, mod);
}

void IVKnobControl::OnMouseOut()
{
  mValueMouseOver = false;
  IControl::OnMouseOut();
}

bool IVKnobControl::IsHit(float x, float y) const
{
  return HitsWidgetOrEditableValue(x, y);
}

void IVKnobControl::OnResize()
{
  SetTargetRECT(MakeRects(mRECT, false));
  SetDirty(false);
}

void IVKnobControl::OnInit()
{
  TakeParamTexts();
}

void IVKnobControl::SetDirty(bool triggerAction, int valIdx)
{
  IControl::SetDirty(triggerAction, valIdx);
  ParamDisplayWithLabel(*this, mValueStr, true);
}

IRECT IVKnobControl::GetKnobDragBounds()
{
  const IRECT& w = mWidgetBounds;
  float dw, dh;
  if (w.W() > w.H())
  {
    dw = std::max(1.f, w.H() / 2.f);
    dh = w.H();
  }
  else
  {
    dw = std::max(1.f, w.W());
    dh = w.W() / 2.f;
    if (dh == 0.f) dh = w.W();
  }
  return IRECT(w.MW() - dw / 2.f, w.MH() - dh / 2.f, w.MW() + dw / 2.f, w.MH() + dh / 2.f);
}

void IVKnobControl::Draw(IGraphics& g)
{
  DrawBackground(g, mRECT);
  DrawLabel(g);
  DrawWidget(g);
  DrawValue(g, mValueMouseOver);
}

void IVKnobControl::DrawWidget(IGraphics& g)
{
  const float cx = mWidgetBounds.MW(), cy = mWidgetBounds.MH();
  const float widgetRadius = std::min(mWidgetBounds.W(), mWidgetBounds.H()) / 2.f - mTrackSize / 2.f;
  const float half = std::max(1.f, 2.f * (widgetRadius - mTrackToHandleDistance)) / 2.f;
  const IRECT body(cx - half, cy - half, cx + half, cy + half);
  const float angle = mAngle1 + (mAngle2 - mAngle1) * float(GetValue());
  DrawIndicatorTrack(g, angle, cx, cy, widgetRadius);
  DrawPressableShape(g, EVShape::Ellipse, body, mMouseDown, mMouseIsOver, IsDisabled());
  DrawPointer(g, angle, cx, cy, half);
}

void IVKnobControl::DrawIndicatorTrack(IGraphics& g, float angle, float cx, float cy, float radius)
{
  if (mTrackSize > 0.f)
    g.DrawArc(GetColor(kX1), cx, cy, radius, std::min(angle, mAnchorAngle), std::max(angle, mAnchorAngle),
              GetBlend(), mTrackSize);
}

void IVKnobControl::DrawPointer(IGraphics& g, float angle, float cx, float cy, float radius)
{
  g.DrawRadialLine(GetColor(kFR), cx, cy, angle, mInnerPointerFrac * radius, mOuterPointerFrac * radius,
                   GetBlend(), mPointerThickness);
}
} // namespace iplugin::igraphics
