// A knob that rotates one bitmap about the control's centre: -130 degrees at value 0, upright at 0.5,
// +130 at 1. The mouse behaviour is the knob base's. Main thread only.
#pragma once

#include "controls/IBKnobControl.h"

namespace iplugin::igraphics
{
class IBKnobRotaterControl : public IBKnobControl
{
public:
  using IBKnobControl::IBKnobControl;

  void Draw(IGraphics& g) override;
};
} // namespace iplugin::igraphics
