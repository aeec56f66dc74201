#include "controls/StepSnapping.h"

#include "framework/IParam.h"

#include <algorithm>
#include <cmath>

namespace iplugin::igraphics
{
bool HasUsableSteps(const IParam* pParam)
{
  return pParam && pParam->GetStepped() && pParam->GetStep() > 0.0 && pParam->GetRange() > 0.0;
}

double SnapToStepTowardZero(double normalized, double min, double max, double step)
{
  const double range = max - min;
  double r = normalized * range + min;
  // Without the nudge 0.29 x 100 = 28.999... would snap down to 28.
  r += std::copysign(step * 1e-9, r);
  return (r - std::fmod(r, step) - min) / range;
}

double StepFromNearestIndex(double normalized, double min, double max, double step, double d)
{
  if (d == 0.0) return normalized;
  const double range = max - min;
  const double index = std::round(normalized * range / step) + (d > 0.0 ? 1.0 : -1.0);
  const double r = std::clamp(min + index * step, min, max);
  return (r - min) / range;
}

double SnapDragValue(const IParam* pParam, double dragValue)
{
  if (!HasUsableSteps(pParam)) return dragValue;
  return SnapToStepTowardZero(dragValue, pParam->GetMin(), pParam->GetMax(), pParam->GetStep());
}

double WheelValue(const IParam* pParam, double value, bool fine, float d)
{
  if (HasUsableSteps(pParam) && d != 0.f)
    return StepFromNearestIndex(value, pParam->GetMin(), pParam->GetMax(), pParam->GetStep(), d);
  return value + double(d) * (fine ? 0.001 : 0.01);
}
} // namespace iplugin::igraphics
