#include "controls/IKnobControlBase.h"

#include "controls/StepSnapping.h"
#include "framework/IParam.h"
#include "graphics/IGraphics.h"

#include <algorithm>

namespace iplugin::igraphics
{
IKnobControlBase::IKnobControlBase(const IRECT& bounds, int paramIdx, EDirection direction, double gearing)
    : IControl(bounds, paramIdx), mDirection(direction), mGearing(gearing)
{
}

void IKnobControlBase::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  mMouseDown = true;
  mDragValue = GetValue(0);
  if (mHideCursorOnDrag && GetUI()) GetUI()->HideMouseCursor(true, true);
  if (mod.R) PromptUserInput(GetValIdxForPos(x, y));
}

void IKnobControlBase::OnMouseUp(float x, float y, const IMouseMod& mod)
{
  if (mHideCursorOnDrag && GetUI()) GetUI()->HideMouseCursor(false, true);
  mMouseDown = false;
  SetDirty(false);
}

void IKnobControlBase::OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod)
{
  const double gearing = IsFineControl(mod) ? mGearing * 10.0 : mGearing;
  const IRECT b = GetKnobDragBounds();
  // Vertical: the range is negative so that moving up raises the value.
  const double delta = mDirection == kVertical ? dY : dX;
  const double range = mDirection == kVertical ? b.T - b.B : b.R - b.L;
  // Drag bounds without extent along the direction have nothing to measure a drag by.
  if (range == 0.0 || !(gearing != 0.0)) return;
  mDragValue = std::clamp(mDragValue + delta / range / gearing, 0.0, 1.0);

  double value = mDragValue;
  if (const IParam* pParam = GetParam(0); HasUsableSteps(pParam))
    value = SnapToStepTowardZero(mDragValue, pParam->GetMin(), pParam->GetMax(), pParam->GetStep());
  SetValue(value, 0);
  SetDirty(true);
}

void IKnobControlBase::OnMouseWheel(float x, float y, const IMouseMod& mod, float d)
{
  const double gearing = IsFineControl(mod) ? 0.001 : 0.01;
  double value = GetValue(0) + double(d) * gearing;
  if (const IParam* pParam = GetParam(0); HasUsableSteps(pParam) && d != 0.f)
    value = StepFromNearestIndex(GetValue(0), pParam->GetMin(), pParam->GetMax(), pParam->GetStep(), d);
  SetValue(value, 0);
  SetDirty(true);
}
} // namespace iplugin::igraphics
