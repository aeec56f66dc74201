// A host lists the mixer's factory presets and chooses one through the Audio Unit properties.
#include "host/HostInstance.h"
#include "tests/host/InProcessQorv.h"
#include "editor/plugin/Qorv.h"
#include "mixer/QorvParams.h"
#include "tests/support/TestPaths.h"

#include <AudioToolbox/AudioToolbox.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using qorvtest::InProcessQorv;

using namespace qorvhost;

namespace
{
std::string Text(CFStringRef s)
{
  char buf[256] = {};
  return s && CFStringGetCString(s, buf, sizeof buf, kCFStringEncodingUTF8) ? buf : "";
}

class QorvFactoryPresets : public testing::TestWithParam<Door>
{
protected:
  void SetUp() override
  {
    setenv("XDG_DATA_HOME", qorvtest::ScratchDir("qorv_factory_presets").c_str(), 1);
    std::string error;
    ASSERT_TRUE(RegisterDoors(InProcessQorv(), error)) << error;
    au = HostInstance::Open(InProcessQorv(), GetParam(), error);
    ASSERT_TRUE(au) << error;
  }
  void TearDown() override
  {
    au.reset();
    unsetenv("XDG_DATA_HOME");
  }

  std::vector<AUPreset> List()
  {
    CFArrayRef presets = nullptr;
    UInt32 size = sizeof presets;
    EXPECT_EQ(AudioUnitGetProperty(au->Unit(), kAudioUnitProperty_FactoryPresets, kAudioUnitScope_Global, 0,
                                   &presets, &size),
              noErr);
    std::vector<AUPreset> list;
    if (!presets) return list;
    for (CFIndex i = 0; i < CFArrayGetCount(presets); ++i)
      list.push_back(*static_cast<const AUPreset*>(CFArrayGetValueAtIndex(presets, i)));
    names.clear();
    for (const AUPreset& p : list)
      names.push_back(Text(p.presetName));
    CFRelease(presets);
    return list;
  }

  std::unique_ptr<HostInstance> au;
  std::vector<std::string> names;
};

TEST_P(QorvFactoryPresets, HostListsTheFiveAndChoosingOneAppliesIt)
{
  std::vector<AUPreset> list = List();
  ASSERT_EQ(list.size(), 5u);
  EXPECT_EQ(names, (std::vector<std::string>{"Init", "Normal Mixing", "Auto Mixing", "Auto Balanced Mixing",
                                             "Prio Mixing"}));
  for (size_t i = 0; i < list.size(); ++i)
    EXPECT_EQ(list[i].presetNumber, SInt32(i));

  auto mixMode = [&]
  {
    AudioUnitParameterValue v = -1;
    EXPECT_EQ(AudioUnitGetParameter(au->Unit(), iplugin::kParamMixMode, kAudioUnitScope_Global, 0, &v),
              noErr);
    return v;
  };
  EXPECT_EQ(mixMode(), 2.f); // the default, "Auto Bal."

  AUPreset prio{4, nullptr};
  ASSERT_EQ(AudioUnitSetProperty(au->Unit(), kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0,
                                 &prio, sizeof prio),
            noErr);
  EXPECT_EQ(mixMode(), 3.f);

  AUPreset present{};
  UInt32 size = sizeof present;
  ASSERT_EQ(AudioUnitGetProperty(au->Unit(), kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0,
                                 &present, &size),
            noErr);
  EXPECT_EQ(present.presetNumber, 4);
  EXPECT_EQ(Text(present.presetName), "Prio Mixing");
  if (present.presetName) CFRelease(present.presetName);

  AUPreset normal{1, nullptr};
  ASSERT_EQ(AudioUnitSetProperty(au->Unit(), kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0,
                                 &normal, sizeof normal),
            noErr);
  EXPECT_EQ(mixMode(), 0.f);

  AUPreset missing{5, nullptr};
  EXPECT_NE(AudioUnitSetProperty(au->Unit(), kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0,
                                 &missing, sizeof missing),
            noErr);
  EXPECT_EQ(mixMode(), 0.f);
}

INSTANTIATE_TEST_SUITE_P(Doors, QorvFactoryPresets, testing::Values(Door::kEntry, Door::kFactory));
} // namespace
