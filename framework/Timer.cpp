#include "framework/Timer.h"

namespace iplugin
{
std::unique_ptr<Timer> Timer::Create(ITimerFunction func, uint32_t intervalMs)
{
  return std::make_unique<Timer_impl>(std::move(func), intervalMs);
}

Timer_impl::Timer_impl(ITimerFunction func, uint32_t intervalMs)
    : mTimerFunc(std::move(func))
{
  CFRunLoopTimerContext context = {0, this, nullptr, nullptr, nullptr};
  mOSTimer = CFRunLoopTimerCreate(kCFAllocatorDefault, CFAbsoluteTimeGetCurrent(), intervalMs / 1000.0, 0, 0,
                                  TimerProc, &context);
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
