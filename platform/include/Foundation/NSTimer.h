// Stand-in for Foundation timers over the run loop's timers, so the virtual clock
// (QorvPlatform/RunLoopClock.h) drives them in tests and the real clock in the host.
#pragma once

#include <CoreFoundation/CFRunLoop.h>

#include <functional>
#include <memory>

class NSTimer : public std::enable_shared_from_this<NSTimer>
{
public:
  // A timer not yet on a run loop; it first fires one interval after it is added.
  static std::shared_ptr<NSTimer> timerWithTimeInterval(double seconds, bool repeats,
                                                        std::function<void(NSTimer*)> block);
  ~NSTimer();
  void invalidate();
  bool isValid() const;
  double timeInterval() const { return m_interval; }
  // Runs the block (the run loop calls it).
  void Fire();

private:
  friend class NSRunLoop;
  NSTimer() = default;
  double m_interval = 0;
  bool m_repeats = false;
  std::function<void(NSTimer*)> m_block;
  CFRunLoopTimerRef m_timer = nullptr;
  std::shared_ptr<NSTimer> m_self; // the run loop's reference while scheduled
};

class NSRunLoop
{
public:
  static NSRunLoop* currentRunLoop();
  // The loop keeps the timer until it is invalidated.
  void addTimer(const std::shared_ptr<NSTimer>& timer, CFRunLoopMode mode);
};
