// Stand-in for the system's monotonic clock: ticks since an arbitrary start, and the timebase that turns
// ticks into nanoseconds (nanoseconds = ticks * numer / denom). The ticks are those of Apple silicon
// (125/3 ns each), so a caller that ignores the timebase is off by that factor. Any thread may call them.
//
// The clock is the run loop's (QorvPlatform/RunLoopClock.h): while the virtual clock is in use it stands
// still between AdvanceClock steps and reads the virtual time, so animations measured with it take the
// same course in a scripted run whatever the machine's speed; with the real clock it is the steady clock.
#pragma once

#include <mach/kern_return.h>

#include <cstdint>

struct mach_timebase_info
{
  uint32_t numer;
  uint32_t denom;
};
typedef struct mach_timebase_info* mach_timebase_info_t;
typedef struct mach_timebase_info mach_timebase_info_data_t;

uint64_t mach_absolute_time();
// KERN_INVALID_ARGUMENT for a null info.
kern_return_t mach_timebase_info(mach_timebase_info_t info);
