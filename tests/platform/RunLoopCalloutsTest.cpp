// The run loop's descriptors and observers: a loop in its steady state (a window's connection and flush, a
// display timer) allocates nothing a turn, and callouts that take themselves or others off, or add others,
// while the loop calls them are called as the loop promises. The binary's operator new counts the
// allocations a thread makes while it asks for them.
#include "tests/support/CountedNew.h"

#include <CoreFoundation/CFRunLoop.h>
#include <QorvPlatform/RunLoopClock.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
class RunLoopCallouts : public testing::Test
{
protected:
  RunLoopCallouts()
  {
    qorvplatform::ResetMainRunLoop();
    for (int* p : {mPipe, mOther})
    {
      EXPECT_EQ(pipe(p), 0);
      fcntl(p[0], F_SETFL, O_NONBLOCK);
    }
  }
  ~RunLoopCallouts() override
  {
    for (int* p : {mPipe, mOther})
    {
      close(p[0]);
      close(p[1]);
    }
    qorvplatform::ResetMainRunLoop();
    qorvplatform::UseVirtualClock();
  }
  static void Drain(int fd)
  {
    char bytes[64];
    while (read(fd, bytes, sizeof bytes) > 0)
    {
    }
  }
  static void Tick(CFRunLoopTimerRef, void* info) { ++*static_cast<int*>(info); }

  int mPipe[2] = {-1, -1}, mOther[2] = {-1, -1};
};

// A window's connection (a descriptor that is readable now and then), its flush (an observer whose
// function holds more than fits in place) and a display timer, on the real clock and on the virtual one.
TEST_F(RunLoopCallouts, ALoopInItsSteadyStateAllocatesNothingATurn)
{
  int reads = 0, flushes = 0, ticks = 0;
  const std::string held(64, 'x'); // a capture too large for std::function's own room
  const int descriptor = qorvplatform::AddRunLoopDescriptor(mPipe[0], [&] { Drain(mPipe[0]), ++reads; });
  const int observer =
      qorvplatform::AddRunLoopBeforeWaitingObserver([&, held] { flushes += held.size() == 64 ? 1 : 0; });
  for (const bool real : {true, false})
  {
    SCOPED_TRACE(real ? "real clock" : "virtual clock");
    real ? qorvplatform::UseRealClock() : qorvplatform::UseVirtualClock(CFAbsoluteTimeGetCurrent());
    CFRunLoopTimerContext context{0, &ticks, nullptr, nullptr, nullptr};
    CFRunLoopTimerRef timer =
        CFRunLoopTimerCreate(nullptr, CFAbsoluteTimeGetCurrent(), 0.001, 0, 0, Tick, &context);
    CFRunLoopAddTimer(CFRunLoopGetMain(), timer, kCFRunLoopCommonModes);
    auto turn = [&](int i)
    {
      if (i % 3 == 0) (void)!write(mPipe[1], "e", 1);
      real ? (void)CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0.002, false)
           : (void)qorvplatform::AdvanceClock(0.002);
    };
    for (int i = 0; i < 20; ++i) // the loop's buffers find their size
      turn(i);
    reads = flushes = ticks = 0;
    const long before = qorvtest::gAllocationsCounted.load();
    qorvtest::tCountAllocations = true;
    for (int i = 0; i < 300; ++i)
      turn(i);
    qorvtest::tCountAllocations = false;
    EXPECT_EQ(qorvtest::gAllocationsCounted.load() - before, 0);
    EXPECT_GT(reads, 0);
    EXPECT_GE(flushes, 300);
    EXPECT_GT(ticks, 0);
    CFRunLoopTimerInvalidate(timer);
    CFRelease(timer);
  }
  qorvplatform::RemoveRunLoopDescriptor(descriptor);
  qorvplatform::RemoveRunLoopBeforeWaitingObserver(observer);
}

// The observers there when a turn starts are called in the order they were added: one taken off before
// its call is not called (its owner may be gone), one added waits for the next turn, and one that takes
// itself off keeps what it holds until it returns.
TEST_F(RunLoopCallouts, ObserversAddedOrTakenOffWhileTheyRun)
{
  std::string log;
  int b = 0, c = 0, d = 0;
  const int a = qorvplatform::AddRunLoopBeforeWaitingObserver(
      [&]
      {
        log += "a";
        if (b)
        {
          qorvplatform::RemoveRunLoopBeforeWaitingObserver(b), b = 0;
          d = qorvplatform::AddRunLoopBeforeWaitingObserver([&] { log += "d"; });
        }
      });
  b = qorvplatform::AddRunLoopBeforeWaitingObserver([&] { log += "b"; });
  const std::string held = "c holds more than fits in a std::function's own room";
  c = qorvplatform::AddRunLoopBeforeWaitingObserver(
      [&, held]
      {
        qorvplatform::RemoveRunLoopBeforeWaitingObserver(c);
        log += held.substr(0, 1); // still there while it runs
      });
  std::vector<std::string> turns;
  for (int i = 0; i < 3; ++i)
  {
    log.clear();
    qorvplatform::AdvanceClock(0.01);
    turns.push_back(log);
  }
  EXPECT_EQ(turns, (std::vector<std::string>{"ac", "ad", "ad"}));
  qorvplatform::RemoveRunLoopBeforeWaitingObserver(a);
  qorvplatform::RemoveRunLoopBeforeWaitingObserver(d);
  log.clear();
  qorvplatform::AdvanceClock(0.01);
  EXPECT_EQ(log, "");
}

// Two readable descriptors: the first takes the second and itself off, so neither is called again though
// both stay readable; a descriptor added by a callout is polled from the next run on.
TEST_F(RunLoopCallouts, DescriptorsTakenOffOrAddedWhileTheyRun)
{
  (void)!write(mPipe[1], "1", 1);
  (void)!write(mOther[1], "2", 1);
  std::string log;
  int first = 0, second = 0, added = 0;
  const std::string held = "the first holds more than fits in a std::function's own room";
  first = qorvplatform::AddRunLoopDescriptor(mPipe[0],
                                             [&, held]
                                             {
                                               qorvplatform::RemoveRunLoopDescriptor(second);
                                               qorvplatform::RemoveRunLoopDescriptor(first);
                                               added = qorvplatform::AddRunLoopDescriptor(mOther[0], [&]
                                                                                          { log += "+"; });
                                               log += held.substr(4, 5);
                                             });
  second = qorvplatform::AddRunLoopDescriptor(mOther[0], [&] { log += "second"; });
  qorvplatform::AdvanceClock(0.01);
  EXPECT_EQ(log, "first");
  log.clear();
  qorvplatform::AdvanceClock(0.01);
  EXPECT_EQ(log, "+");
  qorvplatform::RemoveRunLoopDescriptor(added);
  log.clear();
  qorvplatform::AdvanceClock(0.01);
  EXPECT_EQ(log, "");
}
} // namespace
