// Two producer threads against one consumer on the parameter road: the host may set parameters from its
// main thread and its render thread at once while the idle timer drains them.
#include "framework/IPluginAPIBase.h"

#include <QorvPlatform/RunLoopClock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace iplugin;

namespace
{
constexpr int kPerProducer = 100000;

// Each consumer check: per producer the values arrive in increasing order, none twice.
struct Tally
{
  double last[2] = {-1.0, -1.0};
  long received = 0;
  bool ordered = true;

  void Take(int producer, double value)
  {
    ordered &= value > last[producer];
    last[producer] = value;
    ++received;
  }
};
} // namespace

TEST(ParamQueueStress, TwoProducersOneConsumer)
{
  IPluginQueue<ParamTuple> queue(513);
  std::atomic<long> dropped{0};
  std::atomic<int> running{2};
  auto produce = [&](int producer)
  {
    for (int i = 0; i < kPerProducer; ++i)
      if (!queue.Push(ParamTuple{producer, double(i)})) dropped.fetch_add(1);
    running.fetch_sub(1);
  };
  std::thread a(produce, 0), b(produce, 1);
  Tally tally;
  ParamTuple t;
  while (running.load() > 0 || queue.ElementsAvailable() > 0)
    if (queue.Pop(t)) tally.Take(t.idx, t.value);
  a.join();
  b.join();
  while (queue.Pop(t))
    tally.Take(t.idx, t.value);
  EXPECT_TRUE(tally.ordered);
  EXPECT_EQ(tally.received + dropped.load(), 2L * kPerProducer);
  EXPECT_GT(tally.received, 0);
}

namespace
{
class Plugin : public IPluginAPIBase
{
public:
  static PluginConfig Config()
  {
    PluginConfig c;
    c.paramCount = 2;
    c.hasUI = true;
    return c;
  }
  Plugin() : IPluginAPIBase(Config(), kAPIAU)
  {
    for (int i = 0; i < 2; ++i)
      GetParam(i)->InitDouble("p", 0, 0, 1e9, 1);
  }
  void SendParameterValueFromDelegate(int idx, double value, bool normalized) override
  {
    tally.Take(idx, value);
  }
  Tally tally;
};
} // namespace

TEST(ParamQueueStress, HostThreadsAgainstTheIdleTimer)
{
  qorvplatform::ResetMainRunLoop();
  qorvplatform::UseVirtualClock(0.0);
  Plugin plugin;
  plugin.CreateTimer();
  std::atomic<int> running{2};
  auto produce = [&](int idx)
  {
    for (int i = 0; i < kPerProducer / 4; ++i)
      plugin.SendParameterValueFromAPI(idx, double(i), false);
    running.fetch_sub(1);
  };
  std::thread mainThread(produce, 0), renderThread(produce, 1);
  while (running.load() > 0)
    qorvplatform::AdvanceClock(0.020);
  mainThread.join();
  renderThread.join();
  qorvplatform::AdvanceClock(0.020);
  EXPECT_TRUE(plugin.tally.ordered);
  EXPECT_GT(plugin.tally.received, 0);
  plugin.StopTimer();
  qorvplatform::ResetMainRunLoop();
}
