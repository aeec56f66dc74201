// The base of momentary buttons: a press sets the value to 1 and runs the action function; the value
// falls back to 0 when the click animation that the action function may start ends. A button whose
// action starts no animation stays pressed. A double click arrives as a second press. Main thread.
#pragma once

#include "graphics/IControl.h"

namespace iplugin::igraphics
{
class IButtonControlBase : public IControl
{
public:
  IButtonControlBase(const IRECT& bounds, IActionFunction actionFunc);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnEndAnimation() override;
};
} // namespace iplugin::igraphics
