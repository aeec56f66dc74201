#include <CoreFoundation/CoreFoundation.h>
#include <QorvPlatform/CFLiveObjects.h>
#include <QorvPlatform/RunLoopClock.h>
#include <gtest/gtest.h>
#include <mach/mach_time.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace
{
struct Tick
{
  std::string name;
  double at;
};

struct Recorder
{
  std::string name;
  std::vector<Tick>* log;
};

void Record(CFRunLoopTimerRef, void* info)
{
  auto* r = static_cast<Recorder*>(info);
  r->log->push_back({r->name, CFAbsoluteTimeGetCurrent()});
}

CFRunLoopTimerRef AddTimer(Recorder* r, double first, double interval, CFIndex order = 0,
                           CFRunLoopMode mode = kCFRunLoopCommonModes,
                           CFRunLoopTimerCallBack callout = Record)
{
  CFRunLoopTimerContext context{0, r, nullptr, nullptr, nullptr};
  CFRunLoopTimerRef t =
      CFRunLoopTimerCreate(kCFAllocatorDefault, first, interval, 0, order, callout, &context);
  CFRunLoopAddTimer(CFRunLoopGetMain(), t, mode);
  return t;
}

void Drop(CFRunLoopTimerRef t)
{
  CFRunLoopTimerInvalidate(t);
  CFRelease(t);
}

class RunLoop : public ::testing::Test
{
protected:
  void SetUp() override
  {
    qorvplatform::ResetMainRunLoop();
    qorvplatform::UseVirtualClock(0.0);
    baseline = qorvplatform::LiveCFObjectCount();
  }
  void TearDown() override
  {
    qorvplatform::ResetMainRunLoop();
    qorvplatform::UseVirtualClock(0.0);
    EXPECT_EQ(qorvplatform::LiveCFObjectCount(), baseline);
  }
  long baseline = 0;
  std::vector<Tick> log;
};

TEST_F(RunLoop, HundredMillisecondsFireFiveTwentyMillisecondTicksAtTheirDates)
{
  Recorder r{"idle", &log};
  CFRunLoopTimerRef t = AddTimer(&r, CFAbsoluteTimeGetCurrent(), 0.020);
  EXPECT_EQ(qorvplatform::AdvanceClock(0.100), 5);
  ASSERT_EQ(log.size(), 5u);
  for (size_t i = 0; i < log.size(); ++i)
    EXPECT_DOUBLE_EQ(log[i].at, 0.020 * static_cast<double>(i));
  EXPECT_DOUBLE_EQ(CFAbsoluteTimeGetCurrent(), 0.100);
  // The tick due exactly at the end of one span belongs to the next.
  EXPECT_EQ(qorvplatform::AdvanceClock(0.020), 1);
  EXPECT_DOUBLE_EQ(log.back().at, 0.100);
  // Many small steps add up to the same ticks as one large step.
  for (int i = 0; i < 50; ++i)
    qorvplatform::AdvanceClock(0.002);
  EXPECT_EQ(log.size(), 11u);
  Drop(t);
}

TEST_F(RunLoop, TimersFireInFireDateOrderThenOrderThenCreation)
{
  Recorder a{"a", &log}, b{"b", &log}, c{"c", &log}, d{"d", &log};
  CFRunLoopTimerRef ta = AddTimer(&a, 0.030, 0.030);
  CFRunLoopTimerRef tb = AddTimer(&b, 0.000, 0.020);
  CFRunLoopTimerRef tc = AddTimer(&c, 0.020, 0.0, 5); // once, at the same date as b's second tick
  CFRunLoopTimerRef td = AddTimer(&d, 0.020, 0.0, 5);
  qorvplatform::AdvanceClock(0.065);
  std::string order;
  for (const Tick& t : log)
    order += t.name;
  EXPECT_EQ(order, "bbcdabab");
  for (size_t i = 1; i < log.size(); ++i)
    EXPECT_LE(log[i - 1].at, log[i].at);
  EXPECT_EQ(qorvplatform::ScheduledTimerCount(), 2); // the one-shot timers left after firing
  for (CFRunLoopTimerRef t : {ta, tb, tc, td})
    Drop(t);
}

void InvalidateSelf(CFRunLoopTimerRef timer, void* info)
{
  ++*static_cast<int*>(info);
  CFRunLoopTimerInvalidate(timer);
  CFRunLoopTimerInvalidate(timer); // twice is harmless
}

TEST_F(RunLoop, InvalidatingItselfInItsCalloutFiresOnce)
{
  int count = 0;
  CFRunLoopTimerContext context{0, &count, nullptr, nullptr, nullptr};
  CFRunLoopTimerRef t = CFRunLoopTimerCreate(nullptr, 0.0, 0.020, 0, 0, InvalidateSelf, &context);
  CFRunLoopAddTimer(CFRunLoopGetMain(), t, kCFRunLoopCommonModes);
  CFRelease(t); // only the run loop holds it now
  EXPECT_EQ(qorvplatform::AdvanceClock(0.200), 1);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(qorvplatform::ScheduledTimerCount(), 0);
}

// An owner that holds its timer the way a plug-in holds its idle timer.
struct Owner
{
  CFRunLoopTimerRef timer = nullptr;
  std::vector<std::string>* log;
  std::string name;
  Owner** victim = nullptr; // the owner this one closes on its tick
  ~Owner()
  {
    CFRunLoopTimerInvalidate(timer);
    CFRelease(timer);
  }
};

void OwnerTick(CFRunLoopTimerRef, void* info)
{
  auto* o = static_cast<Owner*>(info);
  o->log->push_back(o->name);
  if (o->victim && *o->victim)
  {
    Owner* v = *o->victim;
    *o->victim = nullptr;
    delete v;
  }
}

Owner* MakeOwner(const std::string& name, std::vector<std::string>* log, double first)
{
  auto* o = new Owner;
  o->log = log;
  o->name = name;
  CFRunLoopTimerContext context{0, o, nullptr, nullptr, nullptr};
  o->timer = CFRunLoopTimerCreate(nullptr, first, 0.020, 0, 0, OwnerTick, &context);
  CFRunLoopAddTimer(CFRunLoopGetMain(), o->timer, kCFRunLoopCommonModes);
  return o;
}

TEST_F(RunLoop, ClosingTheOwnerFromItsOwnTickIsSafe)
{
  std::vector<std::string> names;
  Owner* self = MakeOwner("self", &names, 0.0);
  self->victim = &self;
  Owner* other = MakeOwner("other", &names, 0.010);
  qorvplatform::AdvanceClock(0.100);
  EXPECT_EQ(self, nullptr);
  ASSERT_FALSE(names.empty());
  EXPECT_EQ(names[0], "self");
  EXPECT_EQ(std::count(names.begin(), names.end(), "self"), 1);
  EXPECT_EQ(std::count(names.begin(), names.end(), "other"), 5);
  delete other;
}

TEST_F(RunLoop, ATimerClosedByAnotherTickAtTheSameDateDoesNotFire)
{
  std::vector<std::string> names;
  Owner* first = MakeOwner("first", &names, 0.0);
  Owner* second = MakeOwner("second", &names, 0.0);
  first->victim = &second;
  qorvplatform::AdvanceClock(0.050);
  EXPECT_EQ(second, nullptr);
  EXPECT_EQ(names, (std::vector<std::string>{"first", "first", "first"}));
  delete first;
}

TEST_F(RunLoop, CommonModeTimersFireWhileTrackingDefaultModeTimersDoNot)
{
  Recorder common{"c", &log}, plain{"p", &log};
  CFRunLoopTimerRef tc = AddTimer(&common, 0.0, 0.020, 0, kCFRunLoopCommonModes);
  CFRunLoopTimerRef tp = AddTimer(&plain, 0.0, 0.020, 0, kCFRunLoopDefaultMode);
  CFStringRef tracking = CFSTR("NSEventTrackingRunLoopMode");
  EXPECT_EQ(CFRunLoopRunInMode(tracking, 0.100, false), kCFRunLoopRunTimedOut);
  EXPECT_EQ(log.size(), 5u);
  for (const Tick& t : log)
    EXPECT_EQ(t.name, "c");
  // Back in the default mode the plain timer fires once for its missed ticks, then keeps its rhythm;
  // at 0.12 both are due and the older timer goes first.
  log.clear();
  qorvplatform::AdvanceClock(0.040);
  std::string order;
  for (const Tick& t : log)
    order += t.name;
  EXPECT_EQ(order, "pccp");
  // A mode outside the common modes sees no common-mode timer.
  EXPECT_EQ(CFRunLoopRunInMode(CFSTR("QorvCustomMode"), 0.1, false), kCFRunLoopRunFinished);
  Drop(tc);
  Drop(tp);
}

int gRetains = 0, gReleases = 0;
const void* CountRetain(const void* info)
{
  ++gRetains;
  return info;
}
void CountRelease(const void*)
{
  ++gReleases;
}

TEST_F(RunLoop, ContextInfoIsRetainedOnceAndReleasedWithTheTimer)
{
  gRetains = gReleases = 0;
  int info = 0;
  CFRunLoopTimerContext context{0, &info, CountRetain, CountRelease, nullptr};
  CFRunLoopTimerRef t = CFRunLoopTimerCreate(nullptr, 0.0, 0.0, 0, 0, nullptr, &context);
  CFRunLoopAddTimer(CFRunLoopGetMain(), t, kCFRunLoopDefaultMode);
  EXPECT_EQ(gRetains, 1);
  qorvplatform::AdvanceClock(0.010);
  EXPECT_EQ(gReleases, 0); // the caller still holds it
  CFRelease(t);
  EXPECT_EQ(gReleases, 1);
}

void Postpone(CFRunLoopTimerRef timer, void* info)
{
  auto* log = static_cast<std::vector<Tick>*>(info);
  log->push_back({"t", CFAbsoluteTimeGetCurrent()});
  CFRunLoopTimerSetNextFireDate(timer, CFAbsoluteTimeGetCurrent() + 0.5);
}

TEST_F(RunLoop, ANewFireDateSetInTheCalloutIsKept)
{
  CFRunLoopTimerContext context{0, &log, nullptr, nullptr, nullptr};
  CFRunLoopTimerRef t = CFRunLoopTimerCreate(nullptr, 0.0, 0.020, 0, 0, Postpone, &context);
  CFRunLoopAddTimer(CFRunLoopGetMain(), t, kCFRunLoopCommonModes);
  qorvplatform::AdvanceClock(1.2);
  ASSERT_EQ(log.size(), 3u);
  EXPECT_DOUBLE_EQ(log[1].at, 0.5);
  EXPECT_DOUBLE_EQ(log[2].at, 1.0);
  Drop(t);
}

TEST_F(RunLoop, FireDueTimersRunsWhatIsDueWithoutMovingTheClock)
{
  Recorder r{"r", &log};
  qorvplatform::UseVirtualClock(10.0);
  CFRunLoopTimerRef t = AddTimer(&r, 10.0, 1.0);
  EXPECT_EQ(qorvplatform::AdvanceClock(0.0), 0);
  EXPECT_EQ(qorvplatform::FireDueTimers(), 1);
  EXPECT_EQ(qorvplatform::FireDueTimers(), 0);
  EXPECT_DOUBLE_EQ(CFAbsoluteTimeGetCurrent(), 10.0);
  Drop(t);
}

void StopAfterThree(CFRunLoopTimerRef, void* info)
{
  if (++*static_cast<int*>(info) == 3) CFRunLoopStop(CFRunLoopGetMain());
}

TEST_F(RunLoop, RealClockRunsUntilStoppedFromACallout)
{
  qorvplatform::UseRealClock();
  double start = CFAbsoluteTimeGetCurrent();
  EXPECT_GT(start, 7e8); // seconds since 2001, not the virtual 0
  int count = 0;
  CFRunLoopTimerContext context{0, &count, nullptr, nullptr, nullptr};
  CFRunLoopTimerRef t = CFRunLoopTimerCreate(nullptr, start, 0.002, 0, 0, StopAfterThree, &context);
  CFRunLoopAddTimer(CFRunLoopGetMain(), t, kCFRunLoopCommonModes);
  EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 60.0, false), kCFRunLoopRunStopped);
  EXPECT_EQ(count, 3);
  Drop(t);
}

TEST_F(RunLoop, RealClockLoopWakesForAStopFromAnotherThread)
{
  qorvplatform::UseRealClock();
  Recorder r{"far", &log};
  CFRunLoopTimerRef t = AddTimer(&r, CFAbsoluteTimeGetCurrent() + 3600.0, 0.0);
  std::atomic<bool> running{false};
  std::thread stopper(
      [&]
      {
        while (!running.load())
          std::this_thread::yield();
        CFRunLoopStop(CFRunLoopGetMain());
      });
  running = true;
  SInt32 result = CFRunLoopRunInMode(kCFRunLoopDefaultMode, 3600.0, false);
  stopper.join();
  EXPECT_EQ(result, kCFRunLoopRunStopped);
  EXPECT_TRUE(log.empty());
  Drop(t);
}

void StopLoop(CFRunLoopTimerRef, void*)
{
  CFRunLoopStop(CFRunLoopGetMain());
}

// What changes while the observers run before the loop waits (they run unlocked, as another thread may
// change the loop then too) is not slept through: a stop, or a timer due at once, ends a five-second wait
// at once, also when the timers it had were an hour away.
TEST_F(RunLoop, AStopOrATimerSetWhileTheObserversRunIsNotSleptThrough)
{
  qorvplatform::UseRealClock();
  Recorder far{"far", &log};
  CFRunLoopTimerRef t = AddTimer(&far, CFAbsoluteTimeGetCurrent() + 3600.0, 0.0);
  for (const bool stop : {true, false})
  {
    CFRunLoopTimerRef added = nullptr;
    bool stopped = false; // once: the observers run again as the run ends, and a stop then is kept
    const int observer = qorvplatform::AddRunLoopBeforeWaitingObserver(
        [&]
        {
          if (stop && !stopped)
            CFRunLoopStop(CFRunLoopGetMain()), stopped = true;
          else if (!stop && !added)
            added = AddTimer(nullptr, CFAbsoluteTimeGetCurrent(), 0.0, 0, kCFRunLoopCommonModes, StopLoop);
        });
    const auto start = std::chrono::steady_clock::now();
    // A run slept through to its end would take the minute; a loaded machine takes far less.
    const SInt32 result = CFRunLoopRunInMode(kCFRunLoopDefaultMode, 60.0, false);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    qorvplatform::RemoveRunLoopBeforeWaitingObserver(observer);
    EXPECT_EQ(result, kCFRunLoopRunStopped) << (stop ? "stop" : "timer");
    EXPECT_LT(seconds, 30.0) << (stop ? "stop" : "timer");
    if (added) Drop(added);
  }
  EXPECT_TRUE(log.empty());
  Drop(t);
}
} // namespace

namespace
{
// Nanoseconds of the monotonic clock, scaled by its timebase as callers must.
double MonotonicNs()
{
  mach_timebase_info_data_t base{};
  EXPECT_EQ(mach_timebase_info(&base), KERN_SUCCESS);
  return double(mach_absolute_time()) * base.numer / base.denom;
}

void RecordMonotonic(CFRunLoopTimerRef, void* info)
{
  static_cast<std::vector<double>*>(info)->push_back(MonotonicNs());
}

TEST_F(RunLoop, TheMonotonicClockReadsTheVirtualTimeThatTheTimersFireAt)
{
  EXPECT_EQ(mach_timebase_info(nullptr), KERN_INVALID_ARGUMENT);
  mach_timebase_info_data_t base{};
  mach_timebase_info(&base);
  const double tickNs = double(base.numer) / base.denom;
  // Within a tick, also at today's absolute time (no product of the conversion overflows).
  for (double start : {0.0, 2.5, 1.0 / 3.0, 8.5e8})
  {
    qorvplatform::UseVirtualClock(start);
    const double ns = MonotonicNs();
    EXPECT_NEAR(ns, start * 1e9, tickNs + start * 1e9 * 1e-15) << start;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(MonotonicNs(), ns) << start << ": the virtual clock stands still in real time";
  }

  qorvplatform::UseVirtualClock(10.0);
  std::vector<double> seen;
  CFRunLoopTimerContext context{0, &seen, nullptr, nullptr, nullptr};
  CFRunLoopTimerRef t = CFRunLoopTimerCreate(nullptr, 10.0, 0.25, 0, 0, RecordMonotonic, &context);
  CFRunLoopAddTimer(CFRunLoopGetMain(), t, kCFRunLoopCommonModes);
  qorvplatform::AdvanceClock(0.6);
  ASSERT_EQ(seen.size(), 3u);
  for (size_t i = 0; i < seen.size(); ++i)
    EXPECT_NEAR(seen[i], 10e9 + double(i) * 0.25e9, 1.0) << i;
  EXPECT_NEAR(MonotonicNs(), 10.6e9, 1.0);
  Drop(t);

  qorvplatform::UseRealClock();
  const double before = MonotonicNs();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_GE(MonotonicNs() - before, 20e6);
}
} // namespace
