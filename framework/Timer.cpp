#include "framework/Timer.h"

#include <cmath>

namespace iplugin
{
std::unique_ptr<Timer> Timer::Create(ITimerFunction func, uint32_t intervalMs)
{
  return std::make_unique<Timer_impl>(std::move(func), intervalMs);
}

Timer_impl::Timer_impl(ITimerFunction func, uint32_t intervalMs)
    : mTimerFunc(std::move(func)), mIntervalMs(intervalMs)
{
  CFRunLoopTimerContext context = {0, this, nullptr, nullptr, nullptr};
  // Every timer of an interval first fires on the same grid of the clock (the multiples of the interval,
  // within a thousandth of one), so that the main thread wakes once for the ticks of all the instances
  // of a process, not once for each.
  const double interval = intervalMs / 1000.0, now = CFAbsoluteTimeGetCurrent();
  const double first = interval > 0.0 ? std::ceil(now / interval - 1e-3) * interval : now;
  mOSTimer = CFRunLoopTimerCreate(kCFAllocatorDefault, first, interval, 0, 0, TimerProc, &context);
  if (mOSTimer) CFRunLoopAddTimer(CFRunLoopGetMain(), mOSTimer, kCFRunLoopCommonModes);
}

Timer_impl::~Timer_impl()
{
  Stop();
}

void Timer_impl::Stop()
{
  if (mOSTimer)
  {
    CFRunLoopTimerInvalidate(mOSTimer);
    CFRelease(mOSTimer);
    mOSTimer = nullptr;
  }
}

void Timer_impl::TimerProc(CFRunLoopTimerRef timer, void* info)
{
  auto* self = static_cast<Timer_impl*>(info);
  // The function may delete this timer; call a copy so that nothing of the timer is used afterwards.
  ITimerFunction func = self->mTimerFunc;
  if (func) func(*self);
}
} // namespace iplugin
