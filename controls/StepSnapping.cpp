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
} // namespace iplugin::igraphics
