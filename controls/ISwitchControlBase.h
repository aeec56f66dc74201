// The base of every control that steps a parameter through a fixed number of states on each click,
// wrapping from the last state to the first. A double click arrives as a second click. Main thread.
#pragma once

#include "graphics/IControl.h"

#include <vector>

namespace iplugin::igraphics
{
class ISwitchControlBase : public IControl
{
public:
  ISwitchControlBase(const IRECT& bounds, int paramIdx = -1, IActionFunction actionFunc = nullptr,
                     int numStates = 2);

  // A switch linked to a parameter takes one state per whole unit of its range.
  void OnInit() override;
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;

  // The flags only matter to controls that draw their states; stepping ignores them.
  void SetAllStatesDisabled(bool disabled);
  // An index outside the states changes nothing but still marks the control dirty.
  void SetStateDisabled(int stateIdx, bool disabled);
  bool GetStateDisabled(int stateIdx) const;
  int GetNumStates() const { return mNumStates; }
  bool GetMouseDown() const { return mMouseDown; }

protected:
  int mNumStates;
  std::vector<char> mDisabledState;
  bool mMouseDown = false;
};
} // namespace iplugin::igraphics
