// A text that toggles its parameter between off and on with each click and shows the word for the
// value, whether the value came from the mouse or from the parameter. Main thread only.
#pragma once

#include "controls/ITextControl.h"

namespace iplugin::igraphics
{
class ITextToggleControl : public ITextControl
{
public:
  ITextToggleControl(const IRECT& bounds, int paramIdx = -1, const char* offText = "OFF",
                     const char* onText = "ON", const IText& text = kDefaultText,
                     const IColor& bgColor = kColorTransparent);
  ITextToggleControl(const IRECT& bounds, IActionFunction actionFunc, const char* offText = "OFF",
                     const char* onText = "ON", const IText& text = kDefaultText,
                     const IColor& bgColor = kColorTransparent);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  // Every change of value passes here: the word follows it.
  void SetDirty(bool triggerAction = true, int valIdx = -1) override;

private:
  StringBuf mOffText;
  StringBuf mOnText;
};
} // namespace iplugin::igraphics
