#include "controls/ISwitchControlBase.h"

#include "framework/IParam.h"

#include <cmath>

namespace iplugin::igraphics
{
ISwitchControlBase::ISwitchControlBase(const IRECT& bounds, int paramIdx, IActionFunction actionFunc,
                                       int numStates)
    : IControl(bounds, paramIdx, std::move(actionFunc)), mNumStates(numStates),
      mDisabledState(size_t(numStates > 0 ? numStates : 0), 0)
{
  SetAllStatesDisabled(false);
  mDblAsSingleClick = true;
}

void ISwitchControlBase::OnInit()
{
  if (const IParam* pParam = GetParam(0))
  {
    mNumStates = int(std::trunc(pParam->GetMax() - pParam->GetMin())) + 1;
    // One flag per state: the count from the parameter may exceed the constructor's.
    mDisabledState.resize(size_t(mNumStates > 0 ? mNumStates : 0), 0);
  }
}

void ISwitchControlBase::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  double value;
  if (mNumStates == 2)
    value = GetValue(0) == 0.0 ? 1.0 : 0.0;
  else if (mNumStates < 2)
    value = 0.0;
  else
  {
    value = GetValue(0) + 1.0 / double(mNumStates - 1);
    if (value > 1.0) value = 0.0;
  }
  SetValue(value, 0);
  mMouseDown = true;
  SetDirty(true);
}

void ISwitchControlBase::OnMouseUp(float x, float y, const IMouseMod& mod)
{
  mMouseDown = false;
  SetDirty(false);
}

void ISwitchControlBase::SetAllStatesDisabled(bool disabled)
{
  for (char& flag : mDisabledState)
  {
    flag = disabled;
    SetDirty(false);
  }
  SetDirty(false);
}

void ISwitchControlBase::SetStateDisabled(int stateIdx, bool disabled)
{
  if (stateIdx >= 0 && stateIdx < mNumStates && size_t(stateIdx) < mDisabledState.size())
    mDisabledState[size_t(stateIdx)] = disabled;
  SetDirty(false);
}

bool ISwitchControlBase::GetStateDisabled(int stateIdx) const
{
  if (stateIdx < 0 || stateIdx >= mNumStates || size_t(stateIdx) >= mDisabledState.size()) return false;
  return mDisabledState[size_t(stateIdx)] != 0;
}
} // namespace iplugin::igraphics
