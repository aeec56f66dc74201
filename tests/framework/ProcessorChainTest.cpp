#include "framework/ProcessorChain.h"

#include <gtest/gtest.h>

#include <vector>

using namespace iplugin;

namespace
{
// Multiplies every channel by a factor and adds an offset; records the settings it was handed.
class Stage : public ChainElement
{
public:
  Stage(double factor, double offset, bool active, std::vector<std::string>* log = nullptr)
      : factor(factor), offset(offset), active(active), log(log)
  {
  }
  void ProcessBlock(double** inputs, double** outputs, int nFrames) override
  {
    ++calls;
    for (int c = 0; c < channels; ++c)
      for (int i = 0; i < nFrames; ++i)
        outputs[c][i] = inputs[c][i] * factor + offset;
  }
  void SetChannelCount(int n) override
  {
    channels = n;
    if (log) log->push_back("channels " + std::to_string(n));
  }
  void SetIntSetting(int v) override
  {
    if (log) log->push_back("int " + std::to_string(v));
  }
  void SetDoubleSetting(double v) override
  {
    if (log) log->push_back("double " + std::to_string(v));
  }
  bool IsActive() const override { return active; }

  double factor, offset;
  bool active;
  std::vector<std::string>* log;
  int channels = 0;
  int calls = 0;
};

struct Buffers
{
  explicit Buffers(int frames, double first, double fill)
      : left(frames), right(frames), outLeft(frames, fill), outRight(frames, fill)
  {
    for (int i = 0; i < frames; ++i)
    {
      left[i] = first + i;
      right[i] = -(first + i);
    }
  }
  std::vector<double> left, right, outLeft, outRight;
  const double* in[2] = {left.data(), right.data()};
  double* out[2] = {outLeft.data(), outRight.data()};
};

TEST(ProcessorChain, WithoutElementsPassesInputsThrough)
{
  ProcessorChain chain;
  chain.SetSettings(2, 0, 0.0);
  Buffers b(16, 1.0, 99.0);
  chain.ProcessBlock(b.in, b.out, 16);
  EXPECT_EQ(b.outLeft, b.left);
  EXPECT_EQ(b.outRight, b.right);
}

TEST(ProcessorChain, ActiveElementsRunInOrderOnThePreviousResult)
{
  ProcessorChain chain;
  Stage* first = new Stage(2.0, 0.0, true);
  Stage* skipped = new Stage(100.0, 100.0, false);
  Stage* last = new Stage(1.0, 3.0, true);
  chain.Add(first);
  chain.Add(skipped);
  chain.Add(last);
  chain.SetSettings(2, 0, 0.0);
  Buffers b(8, 1.0, 0.0);
  for (int block = 0; block < 3; ++block) // the working buffers are reused
  {
    chain.ProcessBlock(b.in, b.out, 8);
    for (int i = 0; i < 8; ++i)
    {
      ASSERT_EQ(b.outLeft[i], b.left[i] * 2.0 + 3.0);
      ASSERT_EQ(b.outRight[i], b.right[i] * 2.0 + 3.0);
    }
  }
  EXPECT_EQ(skipped->calls, 0);
  EXPECT_EQ(first->calls, 3);
  // A larger block grows the working buffers.
  Buffers big(4096, 5.0, 0.0);
  chain.ProcessBlock(big.in, big.out, 4096);
  EXPECT_EQ(big.outRight[4095], big.right[4095] * 2.0 + 3.0);
}

TEST(ProcessorChain, AllInactiveLeavesOutputsAlone)
{
  ProcessorChain chain;
  chain.Add(new Stage(2.0, 0.0, false));
  chain.SetSettings(2, 0, 0.0);
  Buffers b(8, 1.0, 42.0);
  chain.ProcessBlock(b.in, b.out, 8);
  EXPECT_EQ(b.outLeft, std::vector<double>(8, 42.0));
}

TEST(ProcessorChain, NullInputReadsAsSilence)
{
  ProcessorChain chain;
  chain.Add(new Stage(1.0, 0.5, true));
  chain.SetSettings(2, 0, 0.0);
  Buffers b(8, 1.0, 42.0);
  const double* in[2] = {b.left.data(), nullptr};
  chain.ProcessBlock(in, b.out, 8);
  EXPECT_EQ(b.outRight, std::vector<double>(8, 0.5));
  chain.ProcessBlock(b.in, b.out, 0);
  chain.ProcessBlock(b.in, nullptr, 8);
  EXPECT_EQ(b.outRight, std::vector<double>(8, 0.5));
}

TEST(ProcessorChain, SettingsReachEveryElementInOrder)
{
  std::vector<std::string> log;
  ProcessorChain chain;
  chain.Add(new Stage(1.0, 0.0, true, &log));
  chain.Add(new Stage(1.0, 0.0, false, &log));
  chain.SetSettings(3, 512, 0.5);
  EXPECT_EQ(log, (std::vector<std::string>{"channels 3", "int 512", "double 0.500000", "channels 3",
                                           "int 512", "double 0.500000"}));
  EXPECT_EQ(chain.NChannels(), 3);
  EXPECT_EQ(chain.IntSetting(), 512);
  EXPECT_EQ(chain.DoubleSetting(), 0.5);
  chain.SetSettings(-2, 0, 0.0);
  EXPECT_EQ(chain.NChannels(), 0);
}
} // namespace
