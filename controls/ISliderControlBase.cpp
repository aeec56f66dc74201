#include "controls/ISliderControlBase.h"

#include "controls/StepSnapping.h"
#include "framework/IParam.h"
#include "graphics/IGraphics.h"

#include <algorithm>

namespace iplugin::igraphics
{
ISliderControlBase::ISliderControlBase(const IRECT& bounds, int paramIdx, EDirection direction,
                                       double gearing, float handleSize)
    : IControl(bounds, paramIdx), mDirection(direction), mTrack(bounds), mHandleSize(handleSize),
      mGearing(gearing)
{
}

ISliderControlBase::ISliderControlBase(const IRECT& bounds, IActionFunction actionFunc, EDirection direction,
                                       double gearing, float handleSize)
    : IControl(bounds, std::move(actionFunc)), mDirection(direction), mTrack(bounds), mHandleSize(handleSize),
      mGearing(gearing)
{
}

bool ISliderControlBase::IsSteppedParam() const
{
  const IParam* pParam = GetParam(0);
  return pParam && pParam->GetStepped();
}

void ISliderControlBase::OnResize()
{
  SetTargetRECT(mRECT);
  mTrack = mRECT;
  SetDirty(false);
}

void ISliderControlBase::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  mMouseDown = true;
  // A stepped parameter keeps its value until dragged: a jump would skip steps in between.
  if (!IsSteppedParam()) ValueFromPointInRect(x, y, mDirection, mTrack, -1, 0.0, 1.0);
  mDragValue = GetValue(0);
  if (mHideCursorOnDrag && GetUI()) GetUI()->HideMouseCursor(true, true);
  if (mod.R) PromptUserInput(GetValIdxForPos(x, y));
}

void ISliderControlBase::OnMouseUp(float x, float y, const IMouseMod& mod)
{
  if (mHideCursorOnDrag && GetUI()) GetUI()->HideMouseCursor(false, true);
  mMouseDown = false;
  SetDirty(false);
}

void ISliderControlBase::OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod)
{
  // A hidden mouse pointer has no position to follow; a finger has.
  const bool relative = (mod.touchID == 0 && mHideCursorOnDrag) || IsSteppedParam();
  if (!relative)
  {
    ValueFromPointInRect(x, y, mDirection, mTrack, -1, 0.0, 1.0);
    return;
  }
  const double gearing = IsFineControl(mod) ? mGearing * 10.0 : mGearing;
  // Vertical: the extent is negative so that moving up raises the value.
  const double delta = mDirection == kVertical ? dY : dX;
  const double extent = mDirection == kVertical ? mTrack.T - mTrack.B : mTrack.R - mTrack.L;
  // A track without extent along the direction has nothing to measure a drag by.
  if (extent == 0.0 || !(gearing != 0.0)) return;
  mDragValue = std::clamp(mDragValue + delta / extent / gearing, 0.0, 1.0);
  SetValue(SnapDragValue(GetParam(0), mDragValue), 0);
  SetDirty(true);
}

void ISliderControlBase::OnMouseWheel(float x, float y, const IMouseMod& mod, float d)
{
  SetValue(WheelValue(GetParam(0), GetValue(0), IsFineControl(mod), d), 0);
  SetDirty(true);
}
} // namespace iplugin::igraphics
