#include "GraphicsDoubles.h"
#include "tests/example/ExamplePlugin.h"

#include <QorvPlatform/RunLoopClock.h>
#include <gtest/gtest.h>

#include <string>

using namespace iplugin;
using namespace qorvexample;
using qorvtest::FakeControl;
using qorvtest::FakeGraphics;

namespace
{
// The example plug-in with its host notifications and handlers recorded.
class Recorder : public ExamplePlugin
{
public:
  Recorder()
  {
    mMakeGraphicsFunc = [this] { return new FakeGraphics(*this, 400, 300, 1.f); };
  }
  void NotifyHostGestureBegin(int idx) override { mLog += "begin" + std::to_string(idx) + ";"; }
  void NotifyHostGestureEnd(int idx) override { mLog += "end" + std::to_string(idx) + ";"; }
  void NotifyHostParamValue(int idx, double v) override
  {
    mLog += "value" + std::to_string(idx) + "=" + std::to_string(v) + ";";
  }
  void HandleParamChange(int idx, EParamSource source, int offset) override
  {
    mLog += "change" + std::to_string(idx) + "/" + std::to_string(source) + ";";
  }
  void HandleParamChangeUI(int idx, EParamSource source) override
  {
    mLog += "ui" + std::to_string(idx) + "/" + std::to_string(source) + ";";
  }
  void HandleSysexMsgUI(const SysExView& msg) override { mSysex.push_back(msg.mSize); }
  void HostSpecificInit() override { mLog += "hostinit;"; }
  void OnHostIdentified() override { mLog += "identified;"; }
  bool ResizeEditorWindow(int w, int h) override
  {
    mLog += "window" + std::to_string(w) + "x" + std::to_string(h) + ";";
    return true;
  }

  IPluginQueue<ParamTuple>& ParamQueue() { return mParamChangeFromProcessor; }
  IPluginQueue<IMidiMsg>& MidiToEditor() { return mMidiMsgsFromProcessor; }
  IPluginQueue<IMidiMsg>& MidiToProcessor() { return mMidiMsgsFromEditor; }
  IPluginQueue<SysExData>& SysexToEditor() { return mSysExDataFromProcessor; }
  IPluginQueue<SysExData>& SysexToProcessor() { return mSysExDataFromEditor; }

  std::string mLog;
  std::vector<int> mSysex;
};

class APIBase : public testing::Test
{
protected:
  void SetUp() override
  {
    qorvplatform::ResetMainRunLoop();
    qorvplatform::UseVirtualClock(0.0);
  }
  void TearDown() override { qorvplatform::ResetMainRunLoop(); }
};
} // namespace

TEST_F(APIBase, ConstructionCopiesTheConfiguration)
{
  Recorder p;
  EXPECT_STREQ(p.GetPluginName(), "Example");
  EXPECT_STREQ(p.GetMfrName(), "Qorv Tests");
  EXPECT_STREQ(p.GetBundleID(), "com.qorv.tests.example");
  EXPECT_STREQ(p.GetHostName(), "Unknown");
  EXPECT_EQ(p.GetHost(), kHostUninit);
  EXPECT_EQ(p.GetPluginVersion(true), 1230);
  EXPECT_EQ(p.GetEditorWidth(), 400);
  // The smaller of the two given limits is the minimum.
  EXPECT_EQ(p.GetMinWidth(), 200);
  EXPECT_EQ(p.GetMaxWidth(), 800);
  EXPECT_EQ(p.GetMinHeight(), 150);
  EXPECT_EQ(p.GetMaxHeight(), 600);
  EXPECT_TRUE(p.HasUI());
  EXPECT_EQ(p.ParamQueue().Capacity(), 513);
  EXPECT_EQ(p.MidiToEditor().Capacity(), 33);
  EXPECT_EQ(p.SysexToProcessor().Capacity(), 5);
}

TEST_F(APIBase, ParameterQueueHoldsFiveHundredTwelveAndDropsTheNext)
{
  Recorder p;
  for (int i = 0; i < 512; ++i)
    ASSERT_TRUE(p.ParamQueue().Push(ParamTuple{0, double(i)}));
  EXPECT_FALSE(p.ParamQueue().Push(ParamTuple{0, 512.0}));
  EXPECT_EQ(p.ParamQueue().ElementsAvailable(), 512u);
  ParamTuple t;
  ASSERT_TRUE(p.ParamQueue().Pop(t));
  EXPECT_EQ(t.value, 0.0);
  EXPECT_TRUE(p.ParamQueue().Push(ParamTuple{0, 513.0}));
  EXPECT_FALSE(p.ParamQueue().Push(ParamTuple{0, 514.0}));
  double expected = 1.0;
  while (p.ParamQueue().Pop(t))
  {
    EXPECT_EQ(t.value, expected);
    expected = expected == 511.0 ? 513.0 : expected + 1.0;
  }
  EXPECT_EQ(expected, 514.0);
}

TEST_F(APIBase, QueuesWrapAroundManyTimesInOrder)
{
  IPluginQueue<IMidiMsg> q(5);
  int next = 0, expected = 0;
  for (int round = 0; round < 50; ++round)
  {
    while (q.Push(IMidiMsg(next, 0x90, 1, 2)))
      ++next;
    IMidiMsg m;
    for (int k = 0; k < 3 && q.Pop(m); ++k)
      EXPECT_EQ(m.mOffset, expected++);
  }
  EXPECT_GT(next, 100);
  IPluginQueue<IMidiMsg> none(1);
  EXPECT_FALSE(none.Push(IMidiMsg()));
}

TEST_F(APIBase, TickDrainsTheQueuesIntoTheEditorThenIdles)
{
  Recorder p;
  p.OpenWindow(nullptr);
  auto* g = static_cast<FakeGraphics*>(p.GetUI());
  FakeControl* gain = g->Attach(new FakeControl({kGain}, true));
  p.CreateTimer();
  // Real values from the host, normalised ones converted on the way in.
  p.SendParameterValueFromAPI(kGain, -29.0, false);
  p.SendParameterValueFromAPI(kGain, 0.5, true);
  p.MidiToEditor().Push(IMidiMsg(0, 0xB0, 7, 100));
  SysExData sysex;
  sysex.mSize = 3;
  p.SysexToEditor().Push(sysex);
  p.mLog.clear();

  EXPECT_EQ(qorvplatform::AdvanceClock(0.100), 5);
  EXPECT_EQ(p.mIdleTicks, 5);
  ASSERT_EQ(gain->mReceived.size(), 2u);
  EXPECT_NEAR(gain->mReceived[0].second, 41.0 / 82.0, 1e-12);
  EXPECT_NEAR(gain->mReceived[1].second, 0.5, 1e-12);
  EXPECT_EQ(gain->mMidi, std::vector<int>{0xB0});
  EXPECT_EQ(p.mSysex, std::vector<int>{3});
  EXPECT_EQ(p.mLog, "ui0/4;ui0/4;");
  EXPECT_EQ(p.ParamQueue().ElementsAvailable(), 0u);
}

TEST_F(APIBase, WithoutUserInterfaceTheTickOnlyIdles)
{
  Recorder p;
  p.SetHasUI(false);
  p.CreateTimer();
  for (int i = 0; i < 600; ++i)
    p.SendParameterValueFromAPI(kMix, 50.0, false);
  qorvplatform::AdvanceClock(0.040);
  EXPECT_EQ(p.mIdleTicks, 2);
  EXPECT_EQ(p.ParamQueue().ElementsAvailable(), 512u);
  EXPECT_EQ(p.mLog, "");
}

TEST_F(APIBase, ANewTimerReplacesTheOldAndDestructionStopsIt)
{
  auto* p = new Recorder;
  p->CreateTimer();
  p->CreateTimer();
  EXPECT_EQ(qorvplatform::ScheduledTimerCount(), 1);
  qorvplatform::AdvanceClock(0.020);
  EXPECT_EQ(p->mIdleTicks, 1);
  p->StopTimer();
  p->StopTimer();
  EXPECT_EQ(qorvplatform::ScheduledTimerCount(), 0);
  p->CreateTimer();
  delete p;
  EXPECT_EQ(qorvplatform::ScheduledTimerCount(), 0);
  EXPECT_EQ(qorvplatform::AdvanceClock(0.1), 0);
}

TEST_F(APIBase, AnInstanceMayBeClosedFromItsOwnTick)
{
  struct SelfClosing : Recorder
  {
    bool* closed;
    void OnIdleTick() override
    {
      StopTimer();
      *closed = true;
      delete this;
    }
  };
  bool closed = false;
  auto* p = new SelfClosing;
  p->closed = &closed;
  p->CreateTimer();
  qorvplatform::AdvanceClock(0.1);
  EXPECT_TRUE(closed);
  EXPECT_EQ(qorvplatform::ScheduledTimerCount(), 0);
}

TEST_F(APIBase, TimerMayStopItselfFromItsCallback)
{
  int calls = 0;
  std::unique_ptr<Timer> timer = Timer::Create(
      [&](Timer& t)
      {
        if (++calls == 3) t.Stop();
      },
      20);
  EXPECT_EQ(qorvplatform::AdvanceClock(1.0), 3);
  EXPECT_EQ(calls, 3);
}

TEST_F(APIBase, IdleTimerKeepsFiringWhileMenusAreTracked)
{
  Recorder p;
  p.CreateTimer();
  EXPECT_EQ(qorvplatform::AdvanceClock(0.100, CFSTR("NSEventTrackingRunLoopMode")), 5);
  EXPECT_EQ(qorvplatform::AdvanceClock(0.040, CFSTR("NSModalPanelRunLoopMode")), 2);
  EXPECT_EQ(p.mIdleTicks, 7);
}

struct HostCase
{
  const char* name;
  int id;
};

class HostIdentification : public testing::TestWithParam<HostCase>
{
};

TEST_P(HostIdentification, LooksUpTheLowerCasedName)
{
  EXPECT_EQ(LookUpHost(GetParam().name), GetParam().id);
}

INSTANTIATE_TEST_SUITE_P(Table, HostIdentification,
                         testing::Values(HostCase{"Vst Live 2", 58}, HostCase{"Ableton Live", 9},
                                         HostCase{"WaveLab Elements 11", 32}, HostCase{"WaveLab 12", 31},
                                         HostCase{"KV_ElementFX", 52}, HostCase{"Element", 52},
                                         HostCase{"some other host", 0}, HostCase{"www.example", 35},
                                         HostCase{"com.cockos.reaper", 1}, HostCase{"com.apple.logic10", 21},
                                         HostCase{"com.bitwig.Bitwig Studio", 34}, HostCase{"Standalone", 24},
                                         HostCase{"com.presonus.studioone5", 26}, HostCase{"", 0},
                                         HostCase{nullptr, 0}));

TEST_F(APIBase, HostNamesAreLookedAtUpToTwoHundredFiftyFiveCharacters)
{
  const std::string late = std::string(255, 'x') + "reaper";
  const std::string early = std::string(249, 'x') + "reaper" + std::string(1000, 'y');
  EXPECT_EQ(LookUpHost(late.c_str()), 0);
  EXPECT_EQ(LookUpHost(early.c_str()), 1);
}

TEST_F(APIBase, SetHostStoresNameIdAndVersionThenNotifies)
{
  Recorder p;
  p.SetHost("com.cockos.reaper", 0x00070000);
  EXPECT_EQ(p.GetHost(), kHostReaper);
  EXPECT_STREQ(p.GetHostName(), "com.cockos.reaper");
  EXPECT_EQ(p.GetHostVersion(true), 7000);
  EXPECT_EQ(p.mLog, "hostinit;identified;");
  p.SetHost(nullptr, 1);
  EXPECT_EQ(p.GetHost(), kHostUnknown);
  EXPECT_STREQ(p.GetHostName(), "com.cockos.reaper");
}

TEST_F(APIBase, GestureRoadFromTheEditorToTheHost)
{
  Recorder p;
  p.GetParam(kVoices)->InitInt("Steps", 0, 0, 3);
  p.BeginInformHostOfParamChangeFromUI(kVoices);
  p.SetParamNormalizedFromUI(kVoices, 0.5, true);
  p.EndInformHostOfParamChangeFromUI(kVoices);
  EXPECT_EQ(p.GetParam(kVoices)->Value(), 2.0);
  EXPECT_EQ(p.mLog, "begin5;value5=0.500000;change5/3;ui5/3;end5;");

  p.mLog.clear();
  p.SetParameterValueNormalized(kGain, 2.0, false); // beyond the range: clamped
  EXPECT_EQ(p.GetParam(kGain)->Value(), 12.0);
  EXPECT_EQ(p.mLog, "value0=2.000000;");
  p.SetParamNormalizedFromUI(99, 0.5); // no such parameter: nothing
  EXPECT_EQ(p.mLog, "value0=2.000000;");
}

TEST_F(APIBase, InformHostOfAllParamsSendsNormalisedValues)
{
  Recorder p;
  p.GetParam(kMix)->Set(150.0);
  p.InformHostOfAllParams();
  EXPECT_NE(p.mLog.find("value1=1.000000;"), std::string::npos);
  EXPECT_NE(p.mLog.find("value7=0.000000;"), std::string::npos);
}

TEST_F(APIBase, EditorMessagesTowardsTheProcessor)
{
  Recorder p;
  p.SendMidiMsgFromUI(IMidiMsg(3, 0x90, 60, 1));
  const uint8_t bytes[4] = {0xF0, 1, 2, 0xF7};
  p.SendSysexMsgFromUI(SysExView(7, bytes, 4));
  p.QueueSysexMsgFromUI(SysExView(0, nullptr, 0));
  std::vector<uint8_t> tooLong(600, 1);
  p.QueueSysexMsgFromUI(SysExView(0, tooLong.data(), 600));
  IMidiMsg m;
  ASSERT_TRUE(p.MidiToProcessor().Pop(m));
  EXPECT_EQ(m.mData1, 60);
  SysExData d;
  ASSERT_TRUE(p.SysexToProcessor().Pop(d));
  EXPECT_EQ(d.mOffset, 7);
  EXPECT_EQ(d.mSize, 4);
  EXPECT_EQ(d.mData[3], 0xF7);
  ASSERT_TRUE(p.SysexToProcessor().Pop(d));
  EXPECT_EQ(d.mSize, 0);
  EXPECT_EQ(d.mData[0], 0);
  EXPECT_FALSE(p.SysexToProcessor().Pop(d));
}

TEST_F(APIBase, ResizeFromTheEditor)
{
  Recorder p;
  EXPECT_TRUE(p.EditorResizeFromUI(10, 20, false));
  EXPECT_EQ(p.mLog, "");
  EXPECT_TRUE(p.EditorResizeFromUI(10, 20, true));
  EXPECT_EQ(p.mLog, "window10x20;");
}

TEST_F(APIBase, CompareAndParameterIndices)
{
  Recorder p;
  std::vector<double> values(kNumParams + 1, 0.0);
  for (int i = 0; i < kNumParams; ++i)
    values[size_t(i) + 1] = p.GetParam(i)->Value();
  EXPECT_TRUE(p.CompareParamValues(values.data(), 1));
  values[3] += 0.001;
  EXPECT_FALSE(p.CompareParamValues(values.data(), 1));

  ByteChunk chunk;
  EXPECT_EQ(p.SerializeParamIndices(3, chunk), 3);
  EXPECT_EQ(chunk.Size(), 12);
  int32_t idx = -1;
  chunk.Get(&idx, 8);
  EXPECT_EQ(idx, 2);
  EXPECT_EQ(p.SerializeParamIndices(kNumParams, chunk), kNumParams);
  EXPECT_EQ(p.SerializeParamIndices(0, chunk), kNumParams);
  EXPECT_EQ(chunk.Size(), 12);
}

TEST_F(APIBase, OpenGraphicsOnlyWhileTheEditorIsOpen)
{
  Recorder p;
  EXPECT_EQ(p.GetOpenGraphics(), nullptr);
  p.OpenWindow(nullptr);
  EXPECT_NE(p.GetOpenGraphics(), nullptr);
  p.SetEditorOpen(false);
  EXPECT_EQ(p.GetOpenGraphics(), nullptr);
}
