#include <Foundation/NSTimer.h>

namespace
{
void Fire(CFRunLoopTimerRef, void* info)
{
  auto* timer = static_cast<NSTimer*>(info);
  // The block may invalidate the timer and drop the last reference to its owner: keep it alive.
  std::shared_ptr<NSTimer> keep = timer->shared_from_this();
  timer->Fire();
}
} // namespace

std::shared_ptr<NSTimer> NSTimer::timerWithTimeInterval(double seconds, bool repeats,
                                                        std::function<void(NSTimer*)> block)
{
  std::shared_ptr<NSTimer> t(new NSTimer);
  // The platform raises a non-positive interval to 0.1 ms.
  t->m_interval = seconds > 0 ? seconds : 0.0001;
  t->m_repeats = repeats;
  t->m_block = std::move(block);
  return t;
}

NSTimer::~NSTimer()
{
  invalidate();
}

void NSTimer::Fire()
{
  auto block = m_block; // the block may invalidate the timer, which drops it
  if (block) block(this);
  if (!m_repeats) invalidate();
}

void NSTimer::invalidate()
{
  m_block = nullptr;
  m_self.reset();
  if (!m_timer) return;
  CFRunLoopTimerRef t = m_timer;
  m_timer = nullptr;
  CFRunLoopTimerInvalidate(t);
  CFRelease(t);
}

bool NSTimer::isValid() const
{
  return m_timer != nullptr;
}

NSRunLoop* NSRunLoop::currentRunLoop()
{
  static NSRunLoop loop;
  return &loop;
}

void NSRunLoop::addTimer(const std::shared_ptr<NSTimer>& timer, CFRunLoopMode mode)
{
  if (!timer || timer->m_timer || !timer->m_block) return;
  CFRunLoopTimerContext context{0, timer.get(), nullptr, nullptr, nullptr};
  timer->m_timer = CFRunLoopTimerCreate(nullptr, CFAbsoluteTimeGetCurrent() + timer->m_interval,
                                        timer->m_repeats ? timer->m_interval : 0, 0, 0, Fire, &context);
  timer->m_self = timer; // the run loop keeps the timer until it is invalidated
  CFRunLoopAddTimer(CFRunLoopGetMain(), timer->m_timer, mode);
}
