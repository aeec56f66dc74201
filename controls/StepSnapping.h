// The step rules that knobs and sliders share for stepped parameters. Values in and out are
// normalised (0..1); min, max and step are the parameter's real range and step.
#pragma once

namespace iplugin
{
class IParam;
}

namespace iplugin::igraphics
{
// True when the parameter exists, is stepped and has a positive step and a positive range.
bool HasUsableSteps(const IParam* pParam);

// A drag: the real value moved to a multiple of step counted from zero, toward zero. A value a hair
// below a step (as sums of normalised deltas land) counts as that step.
double SnapToStepTowardZero(double normalized, double min, double max, double step);

// A wheel event: one step up (d > 0) or down (d < 0) from the step index nearest to the current
// value, counted from min and kept within min..max; d == 0 leaves the value.
double StepFromNearestIndex(double normalized, double min, double max, double step, double d);
} // namespace iplugin::igraphics
