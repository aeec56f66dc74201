// The vector-drawn linear slider: a track filled up to the value with a pressable handle at its end, the
// label above and the value text, which can be edited by a click when the slider allows it. Presses,
// drags and wheel turns are the slider base's. Main thread only.
#pragma once

#include "controls/ISliderControlBase.h"
#include "controls/IVectorBase.h"

namespace iplugin::igraphics
{
class IVSliderControl : public ISliderControlBase, public IVectorBase
{
public:
  IVSliderControl(const IRECT& bounds, int paramIdx = -1, const char* label = "",
                  const IVStyle& style = kDefaultStyle, bool valueIsEditable = false,
                  EDirection direction = kVertical, double gearing = 1.0, float handleSize = 8.f,
                  float trackSize = 2.f, bool handleInsideTrack = false);
  IVSliderControl(const IRECT& bounds, IActionFunction actionFunc, const char* label = "",
                  const IVStyle& style = kDefaultStyle, bool valueIsEditable = false,
                  EDirection direction = kVertical, double gearing = 1.0, float handleSize = 8.f,
                  float trackSize = 2.f, bool handleInsideTrack = false);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void OnResize() override;
  void OnInit() override;
  void Draw(IGraphics& g) override;
  bool IsHit(float x, float y) const override;
  void SetDirty(bool triggerAction = true, int valIdx = -1) override;
  void DrawWidget(IGraphics& g) override;
  virtual void DrawTrack(IGraphics& g, const IRECT& filledArea);
  virtual void DrawHandle(IGraphics& g, const IRECT& bounds);

private:
  bool mHandleInsideTrack;
  bool mValueMouseOver = false;
};
} // namespace iplugin::igraphics
