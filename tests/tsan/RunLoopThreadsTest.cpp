// The main run loop in real time while another thread adds, re-dates, invalidates and releases timers
// and finally stops it: the loop's timer list and each timer are shared between the two threads.
#include <CoreFoundation/CoreFoundation.h>
#include <QorvPlatform/RunLoopClock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace
{
std::atomic<int> gFired{0};

void Count(CFRunLoopTimerRef, void*)
{
  gFired.fetch_add(1, std::memory_order_relaxed);
}

TEST(RunLoopThreads, TimersChangedFromAnotherThreadWhileTheLoopRuns)
{
  qorvplatform::ResetMainRunLoop();
  qorvplatform::UseRealClock();
  gFired = 0;
  // Keeps the loop from finishing for lack of timers.
  CFRunLoopTimerRef keeper =
      CFRunLoopTimerCreate(nullptr, CFAbsoluteTimeGetCurrent() + 3600.0, 0.0, 0, 0, Count, nullptr);
  CFRunLoopAddTimer(CFRunLoopGetMain(), keeper, kCFRunLoopCommonModes);

  std::thread other(
      []
      {
        for (int i = 0; i < 300; ++i)
        {
          CFRunLoopTimerRef t =
              CFRunLoopTimerCreate(nullptr, CFAbsoluteTimeGetCurrent(), 0.0005, 0, 0, Count, nullptr);
          CFRunLoopAddTimer(CFRunLoopGetMain(), t, kCFRunLoopCommonModes);
          std::this_thread::yield();
          CFRunLoopTimerSetNextFireDate(t, CFAbsoluteTimeGetCurrent());
          std::this_thread::yield();
          CFRunLoopTimerInvalidate(t);
          CFRelease(t);
        }
        CFRunLoopStop(CFRunLoopGetMain());
      });
  SInt32 result = CFRunLoopRunInMode(kCFRunLoopDefaultMode, 60.0, false);
  other.join();
  EXPECT_EQ(result, kCFRunLoopRunStopped);
  EXPECT_EQ(qorvplatform::ScheduledTimerCount(), 1);
  CFRunLoopTimerInvalidate(keeper);
  CFRelease(keeper);
  qorvplatform::ResetMainRunLoop();
  qorvplatform::UseVirtualClock(0.0);
}
} // namespace
