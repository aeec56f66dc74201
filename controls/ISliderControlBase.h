// The base of linear sliders: a press jumps to the pointer (not for stepped parameters), drags move the
// value along the track, relative to the movement with a hidden mouse pointer or a stepped parameter
// (geared, ten times finer with Shift or Control, snapped to the steps) and following the pointer
// otherwise; the wheel steps as on knobs. A right press prompts for the value. Main thread only.
#pragma once

#include "graphics/IControl.h"

namespace iplugin::igraphics
{
class ISliderControlBase : public IControl
{
public:
  ISliderControlBase(const IRECT& bounds, int paramIdx = -1, EDirection direction = kVertical,
                     double gearing = 1.0, float handleSize = 0.f);
  ISliderControlBase(const IRECT& bounds, IActionFunction actionFunc, EDirection direction = kVertical,
                     double gearing = 1.0, float handleSize = 0.f);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnMouseWheel(float x, float y, const IMouseMod& mod, float d) override;
  // The track follows the rectangle; derived classes with a drawn track set their own after this.
  void OnResize() override;

  static bool IsFineControl(const IMouseMod& mod) { return mod.C || mod.S; }
  void SetHideCursorOnDrag(bool hide) { mHideCursorOnDrag = hide; }
  const IRECT& GetTrack() const { return mTrack; }
  bool GetMouseDown() const { return mMouseDown; }

protected:
  bool IsSteppedParam() const;

  bool mHideCursorOnDrag = true;
  EDirection mDirection;
  // The rectangle the value maps onto.
  IRECT mTrack;
  float mHandleSize;
  double mGearing;
  bool mMouseDown = false;
  // The unsnapped value a relative drag accumulates, so slow drags still reach the next step.
  double mDragValue = 0.0;
};
} // namespace iplugin::igraphics
