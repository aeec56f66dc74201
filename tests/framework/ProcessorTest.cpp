#include "framework/IPluginProcessor.h"

#include <gtest/gtest.h>

#include <vector>

using namespace iplugin;

namespace
{
class Processor : public IPluginProcessor
{
public:
  explicit Processor(const char* channelIO, int kind = 0, bool midiIn = false)
      : IPluginProcessor(Config(channelIO, kind, midiIn))
  {
  }
  static PluginConfig Config(const char* channelIO, int kind, bool midiIn)
  {
    PluginConfig c;
    c.channelIO = channelIO;
    c.pluginKind = kind;
    c.midiIn = midiIn;
    return c;
  }
  bool SendMidiMsg(const IMidiMsg& msg) override
  {
    sent.push_back(msg.mStatus);
    return msg.mStatus != 0;
  }
  std::vector<int> sent;
};

// Halves every input into the output of the same index.
class Halver : public Processor
{
public:
  Halver() : Processor("1-1 2-2") {}
  void ProcessBlock(double** in, double** out, int n) override
  {
    for (int c = 0; c < 2; ++c)
      for (int s = 0; s < n; ++s)
        out[c][s] = in[c][s] * 0.5;
  }
};

struct LegalCase
{
  const char* io;
  int nIn, nOut;
  bool legal;
};

class ChannelIO : public testing::TestWithParam<LegalCase>
{
};
} // namespace

TEST_P(ChannelIO, LegalIOTruthTable)
{
  const LegalCase& c = GetParam();
  Processor p(c.io);
  EXPECT_EQ(p.LegalIO(c.nIn, c.nOut), c.legal) << c.io << " " << c.nIn << "-" << c.nOut;
}

INSTANTIATE_TEST_SUITE_P(Table, ChannelIO,
                         testing::Values(LegalCase{"1-1 2-2", 2, 2, true}, LegalCase{"1-1 2-2", 1, 1, true},
                                         LegalCase{"1-1 2-2", -1, 2, true}, LegalCase{"1-1 2-2", 2, -1, true},
                                         LegalCase{"1-1 2-2", 1, 2, false}, LegalCase{"1-1 2-2", 2, 1, false},
                                         LegalCase{"1-1 2-2", -1, 3, false}, LegalCase{"0-2", 0, 2, true},
                                         LegalCase{"2.2-4", 4, 4, true}, LegalCase{"", -1, -1, false},
                                         LegalCase{"*-2", -64, 2, true}));

TEST(Processor, OneToOneTwoToTwoLayout)
{
  Processor p("1-1 2-2");
  ASSERT_EQ(p.NIOConfigs(), 2);
  EXPECT_EQ(p.GetIOConfig(0)->GetTotalNChannels(kInput), 1);
  EXPECT_EQ(p.GetIOConfig(1)->GetTotalNChannels(kOutput), 2);
  EXPECT_EQ(p.MaxNChannels(kInput), 2);
  EXPECT_EQ(p.MaxNChannels(kOutput), 2);
  EXPECT_EQ(p.MaxNBuses(kInput), 1);
  int configIdx = -1;
  EXPECT_EQ(p.MaxNBuses(kOutput, &configIdx), 1);
  EXPECT_EQ(configIdx, 1); // the last one on a tie
  EXPECT_EQ(p.MaxNChannelsForBus(kOutput, 0), 2);
  EXPECT_EQ(p.GetSampleRate(), 44100.0);
  EXPECT_EQ(p.GetBlockSize(), 0);
}

TEST(Processor, WildcardAndEmptyParts)
{
  Processor any("*-2");
  EXPECT_EQ(any.GetIOConfig(0)->GetTotalNChannels(kInput), -64);
  EXPECT_EQ(any.MaxNChannelsForBus(kInput, 0), -1);
  EXPECT_EQ(any.MaxNChannels(kInput), 0);

  Processor none("0-2 2.1-3");
  EXPECT_EQ(none.GetIOConfig(0)->NBuses(kInput), 0);
  EXPECT_EQ(none.GetIOConfig(0)->GetTotalNChannels(kInput), 0);
  EXPECT_EQ(none.MaxNBuses(kInput), 2);
  EXPECT_EQ(none.MaxNChannelsForBus(kInput, 1), 1);
  EXPECT_EQ(none.MaxNChannels(kInput), 3);

  Processor junk("x-y");
  EXPECT_EQ(junk.NIOConfigs(), 1);
  EXPECT_FALSE(junk.LegalIO(1, 1));
  EXPECT_TRUE(junk.LegalIO(0, 0));
}

TEST(Processor, BusNames)
{
  Processor p("1-1");
  const struct
  {
    ERoute dir;
    int idx, n;
    const char* name;
  } table[] = {{kOutput, 0, 1, "Output"}, {kOutput, 1, 2, "Output 1"}, {kInput, 0, 1, "Input"},
               {kInput, 0, 2, "Main"},    {kInput, 1, 2, "Aux"},       {kInput, 0, 3, "Input 0"},
               {kInput, 2, 3, "Input 2"}};
  StringBuf s;
  for (const auto& row : table)
  {
    p.GetBusName(row.dir, row.idx, row.n, s);
    EXPECT_STREQ(s.Get(), row.name);
  }
}

TEST(Processor, PluginTypeAndSamplesPerBeat)
{
  EXPECT_EQ(Processor("1-1", 0).GetAUPluginType(), FourCC("aufx"));
  EXPECT_EQ(Processor("1-1", 0, true).GetAUPluginType(), FourCC("aumf"));
  EXPECT_EQ(Processor("1-1", 1).GetAUPluginType(), FourCC("aumu"));
  EXPECT_EQ(Processor("1-1", 2).GetAUPluginType(), FourCC("aumi"));
  EXPECT_EQ(Processor("1-1", 7).GetAUPluginType(), FourCC("aufx"));
  Processor p("1-1");
  p.SetSampleRate(48000.0);
  EXPECT_EQ(p.GetSamplesPerBeat(), 24000.0);
}

TEST(Processor, MidiListSucceedsOnlyWhenEveryMessageDoes)
{
  Processor p("1-1");
  const IMidiMsg ok[2] = {IMidiMsg(0, 0x90, 1, 1), IMidiMsg(0, 0x80, 1, 1)};
  const IMidiMsg bad[2] = {IMidiMsg(0, 0, 1, 1), IMidiMsg(0, 0x90, 1, 1)};
  EXPECT_TRUE(p.SendMidiMsgs(ok, 2));
  EXPECT_FALSE(p.SendMidiMsgs(bad, 2));
  EXPECT_TRUE(p.SendMidiMsgs(nullptr, 0));
  EXPECT_EQ(p.sent, (std::vector<int>{0x90, 0x80, 0, 0x90}));
  p.ProcessMidiMsg(IMidiMsg(0, 0xB0, 1, 1));
  EXPECT_EQ(p.sent.back(), 0xB0);
}

TEST(Processor, BlockSizeZeroesScratchOnlyWhenItChanges)
{
  Processor p("1-1 2-2");
  p.SetBlockSize(8);
  p.SetChannelConnections(kInput, 0, 2, true);
  std::vector<float> a(8, 0.25f), b(8, -0.5f);
  float* in[2] = {a.data(), b.data()};
  p.AttachBuffers(kInput, 0, 2, in, 8);
  EXPECT_EQ(p.GetChannel(kInput, 1)->mScratchBuf.Get()[7], -0.5);
  p.SetBlockSize(8);
  EXPECT_EQ(p.GetChannel(kInput, 1)->mScratchBuf.Get()[7], -0.5);
  p.SetBlockSize(16);
  EXPECT_EQ(p.GetChannel(kInput, 1)->mScratchBuf.GetSize(), 16);
  for (int s = 0; s < 16; ++s)
    EXPECT_EQ(p.GetChannel(kInput, 1)->mScratchBuf.Get()[s], 0.0);
}

TEST(Processor, UnconnectedOutputTakesNoHostBuffer)
{
  Halver p;
  p.SetBlockSize(4);
  p.SetChannelConnections(kInput, 0, 2, true);
  p.SetChannelConnections(kOutput, 0, 1, false);
  p.SetChannelConnections(kOutput, 1, 1, true);
  EXPECT_EQ(p.NChannelsConnected(kOutput), 1);
  std::vector<float> in0 = {1, 2, 3, 4}, in1 = {8, 6, 4, 2}, out(4, 9.f), spare(4, 9.f);
  float* ins[2] = {in0.data(), in1.data()};
  float* outs[2] = {out.data(), spare.data()};
  p.AttachBuffers(kInput, 0, 2, ins, 4);
  p.AttachBuffers(kOutput, 0, 2, outs, 4);
  ASSERT_TRUE(p.ProcessBuffers(4));
  EXPECT_EQ(out, (std::vector<float>{4, 3, 2, 1})); // channel 1, halved
  EXPECT_EQ(spare, std::vector<float>(4, 9.f));
}

TEST(Processor, DefaultBlockCopiesAndZeroes)
{
  Processor p("1-2");
  p.SetBlockSize(3);
  p.SetChannelConnections(kInput, 0, 1, true);
  p.SetChannelConnections(kOutput, 0, 2, true);
  std::vector<float> in = {0.5f, -0.25f, 1.f}, out0(3, 7.f), out1(3, 7.f);
  float* ins[1] = {in.data()};
  float* outs[2] = {out0.data(), out1.data()};
  p.AttachBuffers(kInput, 0, 1, ins, 3);
  p.AttachBuffers(kOutput, 0, 2, outs, 3);
  ASSERT_TRUE(p.ProcessBuffers(3));
  EXPECT_EQ(out0, in);
  EXPECT_EQ(out1, std::vector<float>(3, 0.f));
}

TEST(Processor, BypassPassesTheSameBlockThroughWhateverTheLatency)
{
  Halver p;
  p.SetLatency(1024);
  p.SetBypassed(true);
  p.SetBlockSize(5);
  p.SetChannelConnections(kInput, 0, 2, true);
  p.SetChannelConnections(kOutput, 0, 2, true);
  std::vector<float> in0 = {1, 2, 3, 4, 5}, in1 = {-1, -2, -3, -4, -5}, out0(5), out1(5);
  float* ins[2] = {in0.data(), in1.data()};
  float* outs[2] = {out0.data(), out1.data()};
  p.AttachBuffers(kInput, 0, 2, ins, 5);
  p.AttachBuffers(kOutput, 0, 2, outs, 5);
  ASSERT_TRUE(p.PassThroughBuffers(5));
  EXPECT_EQ(out0, in0);
  EXPECT_EQ(out1, in1);
}

TEST(Processor, FrameCountsAboveTheBlockSizeAreRefused)
{
  Halver p;
  p.SetBlockSize(4);
  p.SetChannelConnections(kInput, 0, 2, true);
  p.SetChannelConnections(kOutput, 0, 2, true);
  std::vector<float> in(100, 1.f), out(100, 3.f);
  float* ins[2] = {in.data(), in.data()};
  float* outs[2] = {out.data(), out.data()};
  p.AttachBuffers(kInput, 0, 2, ins, 100);
  p.AttachBuffers(kOutput, 0, 2, outs, 100);
  EXPECT_FALSE(p.ProcessBuffers(100));
  EXPECT_FALSE(p.PassThroughBuffers(5));
  EXPECT_FALSE(p.ProcessBuffers(-1));
  EXPECT_EQ(out, std::vector<float>(100, 3.f));
}

TEST(Processor, UnconnectedChannelsReadTheirOwnScratch)
{
  Halver p;
  p.SetBlockSize(2);
  p.SetChannelConnections(kInput, 0, 2, false);
  p.SetChannelConnections(kOutput, 0, 2, true);
  std::vector<float> out0(2, 5.f), out1(2, 5.f);
  float* outs[2] = {out0.data(), out1.data()};
  p.AttachBuffers(kOutput, 0, 2, outs, 2);
  ASSERT_TRUE(p.ProcessBuffers(2));
  EXPECT_EQ(out0, std::vector<float>(2, 0.f));
  // Calls beyond the channel count or with no channels do nothing.
  p.SetChannelConnections(kInput, 5, 3, true);
  p.SetChannelConnections(kInput, 0, 0, true);
  EXPECT_EQ(p.NChannelsConnected(kInput), 0);
}
