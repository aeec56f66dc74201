// Doubles compared bit for bit: -0 and 0 differ, a NaN equals itself. The mixer's shortcuts take a state or
// a factor as "the same" only in this sense, so that they never change a result.
#pragma once

#include <bit>
#include <cstdint>

namespace iplugin
{
inline bool SameBits(double a, double b)
{
  return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b);
}
} // namespace iplugin
