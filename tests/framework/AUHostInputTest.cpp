// What a careless or hostile host hands the binding: non-finite parameter values, null procedures,
// registrations of one procedure for several objects, and an input that is disconnected between blocks.
#include "tests/example/ExampleAU.h"

#include <QorvPlatform/RunLoopClock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

using namespace iplugin;
using namespace qorvexample;

namespace
{
// A plug-in that declares it never writes into its inputs.
struct ReadOnlyInputsAU : ExampleAU
{
  explicit ReadOnlyInputsAU(const InstanceInfo& info) : ExampleAU(info) { mInputsReadOnly = true; }
};

std::unique_ptr<ExampleAU> MakePlug(bool readOnlyInputs = false)
{
  InstanceInfo info;
  std::unique_ptr<ExampleAU> plug =
      readOnlyInputs ? std::make_unique<ReadOnlyInputsAU>(info) : std::make_unique<ExampleAU>(info);
  plug->PruneUninitializedPresets();
  return plug;
}

struct Block
{
  std::vector<float> left = std::vector<float>(64, 9.f), right = std::vector<float>(64, 9.f);
};

OSStatus RenderBlock(IPluginAU& plug, double sampleTime, Block& out)
{
  struct
  {
    UInt32 n;
    AudioBuffer buffers[2];
  } list = {2,
            {{1, UInt32(out.left.size() * 4), out.left.data()},
             {1, UInt32(out.right.size() * 4), out.right.data()}}};
  AudioTimeStamp ts = {};
  ts.mSampleTime = sampleTime;
  ts.mFlags = kAudioTimeStampSampleTimeValid;
  AudioUnitRenderActionFlags flags = 0;
  return plug.Render(&flags, &ts, 0, UInt32(out.left.size()), reinterpret_cast<AudioBufferList*>(&list));
}

OSStatus HalfInput(void*, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32 nFrames,
                   AudioBufferList* ioData)
{
  for (UInt32 k = 0; k < ioData->mNumberBuffers; ++k)
    std::fill_n(static_cast<float*>(ioData->mBuffers[k].mData), nFrames, 0.5f);
  return noErr;
}

OSStatus CountCalls(void* refCon, AudioUnitRenderActionFlags* flags, const AudioTimeStamp*, UInt32, UInt32,
                    AudioBufferList*)
{
  if (*flags & kAudioUnitRenderAction_PreRender) ++*static_cast<int*>(refCon);
  return noErr;
}

void SetInput(IPluginAU& plug, AURenderCallback proc)
{
  AURenderCallbackStruct cb{proc, nullptr};
  UInt32 size = sizeof cb;
  ASSERT_EQ(plug.SetProperty(kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, &size, &cb),
            noErr);
}

class AUHostInput : public testing::Test
{
protected:
  void SetUp() override { qorvplatform::ResetMainRunLoop(); }
  void TearDown() override { qorvplatform::ResetMainRunLoop(); }
};
} // namespace

// Through SetParameter and ScheduleParameters alike: NaN gives the minimum, an infinity its end of the
// range, and the editor is told the value the parameter took.
TEST_F(AUHostInput, NonFiniteHostValuesNeverReachAParameter)
{
  constexpr float kInf = std::numeric_limits<float>::infinity();
  const float values[] = {std::numeric_limits<float>::quiet_NaN(), kInf, -kInf};
  auto plug = MakePlug();
  for (int idx = 0; idx < plug->NParams(); ++idx)
  {
    const IParam& p = *plug->GetParam(idx);
    for (const float v : values)
    {
      for (const bool scheduled : {false, true})
      {
        plug->GetParam(idx)->Set(p.GetDefault());
        if (scheduled)
        {
          AudioUnitParameterEvent e = {};
          e.scope = kAudioUnitScope_Global;
          e.parameter = AudioUnitParameterID(idx);
          e.eventType = kParameterEvent_Immediate;
          e.eventValues.immediate.value = v;
          ASSERT_EQ(plug->ScheduleParameters(&e, 1), noErr);
        }
        else
          ASSERT_EQ(plug->SetParamProc(AudioUnitParameterID(idx), kAudioUnitScope_Global, 0, v, 0), noErr);
        const double expected = v > 0.f ? p.GetMax() : p.GetMin();
        EXPECT_EQ(p.Value(), expected) << p.GetName() << " " << v;
        AudioUnitParameterValue read = 0.f;
        ASSERT_EQ(plug->GetParamProc(AudioUnitParameterID(idx), kAudioUnitScope_Global, 0, &read), noErr);
        EXPECT_TRUE(std::isfinite(read));
        ParamTuple change;
        ASSERT_TRUE(plug->PopEditorParamChange(change));
        EXPECT_EQ(change.value, expected) << p.GetName() << " " << v;
      }
    }
  }
}

TEST_F(AUHostInput, NullProceduresAreRefused)
{
  auto plug = MakePlug();
  EXPECT_EQ(plug->AddPropertyListener(kAudioUnitProperty_Latency, nullptr, nullptr), kAudio_ParamError);
  EXPECT_EQ(plug->AddRenderNotify(nullptr, nullptr), kAudio_ParamError);
  EXPECT_EQ(plug->NPropertyListeners(), 0);
  EXPECT_EQ(plug->NRenderNotifies(), 0);
  // The property whose listener would have been called still works.
  plug->SetLatency(64);
  Block out;
  EXPECT_EQ(RenderBlock(*plug, 0.0, out), noErr);
}

// One procedure registered for two objects: removing one registration leaves the other.
TEST_F(AUHostInput, RenderNotifyIsRemovedByProcedureAndReference)
{
  auto plug = MakePlug();
  SetInput(*plug, HalfInput);
  int a = 0, b = 0, stranger = 0;
  ASSERT_EQ(plug->AddRenderNotify(CountCalls, &a), noErr);
  ASSERT_EQ(plug->AddRenderNotify(CountCalls, &b), noErr);
  ASSERT_EQ(plug->RemoveRenderNotify(CountCalls, &stranger), noErr);
  EXPECT_EQ(plug->NRenderNotifies(), 2);
  ASSERT_EQ(plug->RemoveRenderNotify(CountCalls, &b), noErr);
  Block out;
  ASSERT_EQ(RenderBlock(*plug, 0.0, out), noErr);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 0);
}

// A block of 0.5, then the render callback is removed: the next blocks are silence, not the old block; and
// so again after the input comes back for a block. Also for a plug-in whose inputs are only zeroed once.
TEST_F(AUHostInput, AnInputThatIsNotConnectedReadsAsSilence)
{
  for (const bool readOnlyInputs : {false, true})
  {
    auto plug = MakePlug(readOnlyInputs);
    SetInput(*plug, HalfInput);
    ASSERT_EQ(plug->Initialize(), noErr);
    double sampleTime = 0.0;
    for (int connection = 0; connection < 2; ++connection)
    {
      SetInput(*plug, HalfInput);
      Block out;
      ASSERT_EQ(RenderBlock(*plug, sampleTime, out), noErr);
      sampleTime += 64.0;
      EXPECT_EQ(out.left[10], 0.5f);
      SetInput(*plug, nullptr);
      for (const UInt32 bypass : {0u, 1u, 0u})
      {
        UInt32 size = sizeof bypass;
        ASSERT_EQ(
            plug->SetProperty(kAudioUnitProperty_BypassEffect, kAudioUnitScope_Global, 0, &size, &bypass),
            noErr);
        out = Block();
        ASSERT_EQ(RenderBlock(*plug, sampleTime, out), noErr);
        sampleTime += 64.0;
        EXPECT_EQ(out.left[10], 0.f) << "read-only " << readOnlyInputs << ", bypass " << bypass;
        EXPECT_EQ(out.right[63], 0.f) << "read-only " << readOnlyInputs << ", bypass " << bypass;
      }
    }
  }
}
