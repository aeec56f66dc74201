#include "platform/src/CoreFoundation/RunLoopTime.h"

#include <mach/mach_time.h>

#include <chrono>

namespace
{
constexpr uint32_t kNumer = 125, kDenom = 3; // nanoseconds per tick, as on Apple silicon

// In two steps, so that no product of the clock's range overflows.
uint64_t TicksOf(uint64_t ns)
{
  return ns / kNumer * kDenom + ns % kNumer * kDenom / kNumer;
}
} // namespace

uint64_t mach_absolute_time()
{
  long long ns = 0;
  if (!qorvplatform::detail::VirtualClockNs(ns))
    ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
             .count();
  return TicksOf(ns > 0 ? static_cast<uint64_t>(ns) : 0);
}

kern_return_t mach_timebase_info(mach_timebase_info_t info)
{
  if (!info) return KERN_INVALID_ARGUMENT;
  info->numer = kNumer;
  info->denom = kDenom;
  return KERN_SUCCESS;
}
