// The mixer editor's knob: a bitmap knob with its own mouse handling (vertical drags geared 10 x finer
// with Shift, Control-click to the default, wheel steps of 1 %, 0.1 % with Shift and 10 % with Control,
// one step at a time on stepped parameters) and a value label in a filled box shown while the mouse is
// over it; a double click types a value in the label's place. Main thread only.
#pragma once

#include "controls/IBKnobControl.h"
#include "framework/StringBuf.h"

namespace iplugin::igraphics
{
class IBKnobMultiControlLK : public IBKnobControl
{
public:
  // labelChars: the label is as wide as that many "0" characters, and typing takes at most that many.
  // labelPosition: 0 top, 1 centred, 2 bottom, other: the measured text's own extent.
  IBKnobMultiControlLK(int x, int y, int paramIdx, const IBitmap& bitmap, const IText& text,
                       const IColor& boxColor, int labelChars, EDirection direction, bool promptDisabled,
                       bool showOnHover, bool showUnit, int labelPosition, bool alwaysShow, bool drawBox,
                       double gearing, float labelRightExtension);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnMouseDblClick(float x, float y, const IMouseMod& mod) override;
  void OnMouseWheel(float x, float y, const IMouseMod& mod, float d) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void Draw(IGraphics& g) override;
  void SetValueFromUserInput(double value, int valIdx = 0) override;

  IRECT GetValueLabelRect() const;

private:
  bool SteppedParam(double& min, double& max, double& step) const;

  bool mShowUnit;
  bool mHovered = false;
  bool mShowOnHover;
  bool mAlwaysShow;
  bool mDrawBox;
  IColor mBoxColor;
  int mLabelPosition;
  StringBuf mWidthText;
  IMouseMod mMod;
  int mSavedMouseOverIdx = -1;
  float mLabelRightExtension;
};
} // namespace iplugin::igraphics
