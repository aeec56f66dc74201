// A repeating timer on the main thread's run loop that calls a function with itself. It keeps firing
// while menus are tracked and windows are resized (common run-loop modes). The function may stop or
// delete the timer, and the object that owns it.
#pragma once

#include <CoreFoundation/CoreFoundation.h>

#include <cstdint>
#include <functional>
#include <memory>

namespace iplugin
{
class Timer
{
public:
  using ITimerFunction = std::function<void(Timer&)>;

  static std::unique_ptr<Timer> Create(ITimerFunction func, uint32_t intervalMs);

  virtual ~Timer() = default;
  // Harmless when already stopped.
  virtual void Stop() = 0;
};

class Timer_impl : public Timer
{
public:
  Timer_impl(ITimerFunction func, uint32_t intervalMs);
  ~Timer_impl() override;
  void Stop() override;

  static void TimerProc(CFRunLoopTimerRef timer, void* info);

private:
  CFRunLoopTimerRef mOSTimer = nullptr;
  ITimerFunction mTimerFunc;
};
} // namespace iplugin
