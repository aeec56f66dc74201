// The base of every rotary control: vertical or horizontal drags and wheel turns change the value,
// geared so that the mouse travels gearing x the drag bounds for the full range, ten times finer with
// Shift or Control, snapped to the steps of a stepped parameter. A right press prompts for the value.
// Main thread only; the context brackets press and release with the parameter gesture.
#pragma once

#include "graphics/IControl.h"

namespace iplugin::igraphics
{
class IKnobControlBase : public IControl
{
public:
  IKnobControlBase(const IRECT& bounds, int paramIdx = -1, EDirection direction = kVertical,
                   double gearing = 4.0);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnMouseWheel(float x, float y, const IMouseMod& mod, float d) override;
  // The area whose size measures a drag; the target rectangle here.
  virtual IRECT GetKnobDragBounds() { return mTargetRECT; }

  static bool IsFineControl(const IMouseMod& mod) { return mod.C || mod.S; }
  void SetHideCursorOnDrag(bool hide) { mHideCursorOnDrag = hide; }
  bool GetMouseDown() const { return mMouseDown; }

protected:
  bool mHideCursorOnDrag = true;
  EDirection mDirection;
  double mGearing;
  bool mMouseDown = false;
  // The unsnapped value a drag accumulates, so slow drags still reach the next step.
  double mDragValue = 0.0;
};
} // namespace iplugin::igraphics
