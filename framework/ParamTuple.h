// One entry of the parameter queue: a parameter index and its real (not normalised) value.
#pragma once

namespace iplugin
{
struct ParamTuple
{
  int idx = -1;
  double value = 0.0;
};
} // namespace iplugin
