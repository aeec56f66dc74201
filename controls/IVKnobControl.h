// The vector-drawn rotary knob: a value arc from the anchor angle, an elliptic body and a pointer, with
// the label above and the value text, which can be edited by a click when the knob allows it. Drags
// and wheel turns are the knob base's. Main thread only.
#pragma once

#include "controls/IKnobControlBase.h"
#include "controls/IVectorBase.h"

namespace iplugin::igraphics
{
class IVKnobControl : public IKnobControlBase, public IVectorBase
{
public:
  IVKnobControl(const IRECT& bounds, int paramIdx, const char* label = "",
                const IVStyle& style = kDefaultStyle, bool valueIsEditable = false,
                bool valueInWidget = false, float angle1 = -135.f, float angle2 = 135.f,
                float anchorAngle = -135.f, EDirection direction = kVertical, double gearing = 4.0,
                float trackSize = 2.f);
  IVKnobControl(const IRECT& bounds, IActionFunction actionFunc, const char* label = "",
                const IVStyle& style = kDefaultStyle, bool valueIsEditable = false,
                bool valueInWidget = false, float angle1 = -135.f, float angle2 = 135.f,
                float anchorAngle = -135.f, EDirection direction = kVertical, double gearing = 4.0,
                float trackSize = 2.f);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void OnResize() override;
  void OnInit() override;
  void Draw(IGraphics& g) override;
  bool IsHit(float x, float y) const override;
  void SetDirty(bool triggerAction = true, int valIdx = -1) override;
  IRECT GetKnobDragBounds() override;
  void DrawWidget(IGraphics& g) override;
  virtual void DrawIndicatorTrack(IGraphics& g, float angle, float cx, float cy, float radius);
  virtual void DrawPointer(IGraphics& g, float angle, float cx, float cy, float radius);

private:
  float mTrackToHandleDistance = 4.f;
  float mInnerPointerFrac = 0.1f;
  float mOuterPointerFrac = 1.f;
  float mPointerThickness = 2.5f;
  float mAngle1;
  float mAngle2;
  float mAnchorAngle;
  bool mValueMouseOver = false;
};

// What the vector knob and slider share: a press on the shown, editable value prompts for it.
bool PromptOnValue(IControl& control, const IVStyle& style, const IRECT& valueBounds, float x, float y);
} // namespace iplugin::igraphics
