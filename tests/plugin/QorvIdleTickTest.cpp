#include "mixer/HostDisplayNames.h"
#include "mixer/UpdatePage.h"
#include "tests/framework/GraphicsDoubles.h"
#include "tests/plugin/QorvTestInstance.h"
#include "tests/support/TextLines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

using namespace iplugin;
using mixtest::RecordingQorv;
using mixtest::ScopedDataHome;
using qorvtest::FakeControl;
using qorvtest::FakeGraphics;
using qorvtest::Lines;

namespace
{
std::string TestName()
{
  return testing::UnitTest::GetInstance()->current_test_info()->name();
}

class QorvIdleTickTest : public testing::Test
{
protected:
  QorvIdleTickTest() : home("idle_" + TestName()) {}

  // Opens the editor on a recording graphics context, as the platform view does.
  FakeGraphics& OpenEditor(RecordingQorv& plug)
  {
    plug.mMakeGraphicsFunc = [&plug]() -> igraphics::IGraphicsInterface*
    { return new FakeGraphics(plug, 875, 580, 1.f); };
    plug.OpenWindow(nullptr);
    plug.OnEditorOpened();
    return *static_cast<FakeGraphics*>(plug.GetUI());
  }

  // Feeds channels 0 and 1 a tone and channel 2 silence for a while, in "Int. Mixer".
  static void Mix(RecordingQorv& plug, double seconds = 0.3) { mixtest::MixTone(plug, seconds); }

  ScopedDataHome home;
};

TEST_F(QorvIdleTickTest, AutomationWithThreeChannelsChangesOnlyTheirOutputsAndPublishesSilenceAsFloor)
{
  RecordingQorv plug;
  plug.Change(kParamChannelCount, 2);
  plug.Change(kParamWriteAutomation, 1);
  plug.hostValues.clear();
  Mix(plug);
  ASSERT_TRUE(plug.Engine().mAutomationDue.Load());
  // The audio thread only raises the flag: nothing is published from it.
  EXPECT_TRUE(plug.hostValues.empty());
  for (int c = 0; c < 3; ++c)
    EXPECT_EQ(plug.GetParam(kParamFirstOutput + c)->Value(), -144.0);

  plug.OnIdleTick();

  ASSERT_EQ(plug.hostValues.size(), 3u);
  for (int c = 0; c < 3; ++c)
    EXPECT_EQ(plug.hostValues[size_t(c)].paramIdx, kParamFirstOutput + c);
  EXPECT_GT(plug.GetParam(kParamFirstOutput)->Value(), -144.0);
  EXPECT_GT(plug.GetParam(kParamFirstOutput + 1)->Value(), -144.0);
  EXPECT_EQ(plug.GetParam(kParamFirstOutput + 2)->Value(), -144.0);
  EXPECT_EQ(plug.hostValues[2].normalized, 0.0);
  for (int i = kParamFirstOutput + 3; i < kParamFirstOutput + 32; ++i)
    EXPECT_EQ(plug.GetParam(i)->Value(), -144.0) << i;
  // The published value is the mix gain in dB (the output parameters are not stepped).
  EXPECT_NEAR(plug.GetParam(kParamFirstOutput)->Value(), Qorv::GainToPublishedDb(plug.Engine().MixGain(0)),
              1e-9);
  EXPECT_FALSE(plug.Engine().mAutomationDue.Load());

  // Nothing more until the audio thread says so again.
  plug.hostValues.clear();
  plug.OnIdleTick();
  EXPECT_TRUE(plug.hostValues.empty());
}

TEST_F(QorvIdleTickTest, GainsBecomeDecibelsWithAFloor)
{
  EXPECT_EQ(Qorv::GainToPublishedDb(0.0), -144.0);
  EXPECT_EQ(Qorv::GainToPublishedDb(6.0e-8), -144.0);
  EXPECT_NEAR(Qorv::GainToPublishedDb(1.0), 0.0, 1e-12);
  EXPECT_NEAR(Qorv::GainToPublishedDb(-0.5), -6.0206, 1e-4);
  EXPECT_NEAR(Qorv::GainToPublishedDb(1e-3), -60.0, 1e-9);
}

TEST_F(QorvIdleTickTest, AutomationDueWaitsWhileWriteAutomationIsOff)
{
  RecordingQorv plug;
  plug.Change(kParamChannelCount, 0);
  plug.Engine().mAutomationDue = uint8_t{1};
  plug.OnIdleTick();
  EXPECT_TRUE(plug.hostValues.empty());
  EXPECT_TRUE(plug.Engine().mAutomationDue.Load());

  plug.Change(kParamWriteAutomation, 1);
  plug.hostValues.clear();
  plug.OnIdleTick();
  ASSERT_EQ(plug.hostValues.size(), 1u);
  EXPECT_EQ(plug.hostValues[0].paramIdx, kParamFirstOutput);
}

TEST_F(QorvIdleTickTest, SenderModesPublishNothing)
{
  RecordingQorv plug;
  plug.Change(kParamPluginMode, kPluginModeSendFirst + 4);
  plug.Change(kParamWriteAutomation, 1);
  plug.Engine().mAutomationDue = uint8_t{1};
  plug.hostValues.clear();
  plug.OnIdleTick();
  EXPECT_TRUE(plug.hostValues.empty());
  EXPECT_FALSE(plug.Engine().mAutomationDue.Load());
}

struct GestureCase
{
  const char* host;
  bool wrapped;
};

class PublishGestureTest : public QorvIdleTickTest, public testing::WithParamInterface<GestureCase>
{
};

TEST_P(PublishGestureTest, SomeHostsGetAGestureAroundEachValue)
{
  RecordingQorv plug;
  plug.Identify(GetParam().host);
  plug.Change(kParamChannelCount, 1);
  plug.Change(kParamWriteAutomation, 1);
  plug.gesturesBegun.clear();
  plug.gesturesEnded.clear();
  plug.Engine().mAutomationDue = uint8_t{1};
  plug.OnIdleTick();
  const std::vector<int> wrapped = {kParamFirstOutput, kParamFirstOutput + 1};
  EXPECT_EQ(plug.gesturesBegun, GetParam().wrapped ? wrapped : std::vector<int>{});
  EXPECT_EQ(plug.gesturesEnded, GetParam().wrapped ? wrapped : std::vector<int>{});
}

INSTANTIATE_TEST_SUITE_P(Hosts, PublishGestureTest,
                         testing::Values(GestureCase{"Logic Pro X", true}, GestureCase{"GarageBand", true},
                                         GestureCase{"Bitwig Studio", true}, GestureCase{"Reaper", false},
                                         GestureCase{"Some Host", false}));

TEST_F(QorvIdleTickTest, LatencyReachesTheHostFromTheTickExceptUnderProTools)
{
  RecordingQorv reaper;
  reaper.Identify("Reaper");
  reaper.Change(kParamPreDelay, kPreDelayLong);
  EXPECT_TRUE(reaper.latencies.empty()); // not told at once
  reaper.OnIdleTick();
  EXPECT_EQ(reaper.latencies, std::vector<int>{1024});
  reaper.OnIdleTick();
  EXPECT_EQ(reaper.latencies.size(), 1u);

  RecordingQorv protools;
  protools.Identify("ProTools");
  protools.Change(kParamPreDelay, kPreDelayLong);
  protools.OnIdleTick();
  EXPECT_TRUE(protools.latencies.empty());
}

TEST_F(QorvIdleTickTest, EditorRequestsWaitForTheEditor)
{
  RecordingQorv plug;
  plug.RequestMessageBox("Preset saved.", "Qorv");
  plug.Engine().mMetersDue = uint8_t{1};
  plug.OnIdleTick();
  EXPECT_TRUE(plug.MessageBoxPending());
  EXPECT_TRUE(plug.Engine().mMetersDue.Load());

  FakeGraphics& ui = OpenEditor(plug);
  plug.OnIdleTick();
  EXPECT_FALSE(plug.MessageBoxPending());
  EXPECT_FALSE(plug.Engine().mMetersDue.Load());
  ASSERT_EQ(ui.mMessages.size(), 1u);
  EXPECT_EQ(ui.mMessages[0].text, "Preset saved.");
  EXPECT_EQ(ui.mMessages[0].title, "Qorv");
  EXPECT_EQ(ui.mMessages[0].type, igraphics::kMB_OK);

  plug.OnIdleTick();
  EXPECT_EQ(ui.mMessages.size(), 1u); // one-shot
}

TEST_F(QorvIdleTickTest, RescaleWaitsUntilThePopupMenuCloses)
{
  RecordingQorv plug;
  FakeGraphics& ui = OpenEditor(plug);
  ui.mPopupShowing = true;
  plug.Change(kParamGuiScale, 1.5);
  ASSERT_TRUE(plug.GuiRescaleRequested());
  plug.OnIdleTick();
  EXPECT_EQ(ui.GetDrawScale(), 1.f);
  EXPECT_TRUE(plug.GuiRescaleRequested());

  ui.mPopupShowing = false;
  plug.OnIdleTick();
  EXPECT_EQ(ui.GetDrawScale(), 1.5f);
  EXPECT_EQ(ui.Width(), 875);
  EXPECT_EQ(ui.Height(), 580);
  EXPECT_FALSE(plug.GuiRescaleRequested());
}

TEST_F(QorvIdleTickTest, UpdateButtonIsReleasedOnlyAtExactlyOne)
{
  RecordingQorv plug;
  FakeGraphics& ui = OpenEditor(plug);
  FakeControl* button = ui.Attach(new FakeControl);
  FakeControl* other = ui.Attach(new FakeControl);
  plug.SetUpdateButtonIdx(1);
  other->mVals[0].second = 0.5;
  plug.OnIdleTick();
  EXPECT_EQ(other->GetValue(0), 0.5);
  EXPECT_TRUE(other->mDirty.empty());

  other->mVals[0].second = 1.0;
  button->mVals[0].second = 1.0;
  plug.OnIdleTick();
  EXPECT_EQ(other->GetValue(0), 0.0);
  EXPECT_EQ(other->mDirty, (std::vector<std::pair<bool, int>>{{true, -1}}));
  EXPECT_EQ(button->GetValue(0), 1.0); // not the update button

  plug.SetUpdateButtonIdx(7); // no such control
  plug.OnIdleTick();
}

TEST_F(QorvIdleTickTest, AboutBoxShowsTheBuildHostAndStream)
{
  RecordingQorv plug;
  FakeGraphics& ui = OpenEditor(plug);
  plug.Engine().mInternalBufferCount = 5u;
  plug.HandleParamChange(kTagAbout, kUI, -1);
  plug.OnIdleTick();
  ASSERT_EQ(ui.mMessages.size(), 1u);
  EXPECT_EQ(ui.mMessages[0].title, "About");
  EXPECT_EQ(ui.mMessages[0].type, igraphics::kMB_OK);
  EXPECT_EQ(plug.Engine().mInternalBufferCount.Load(), 0u);
  EXPECT_FALSE(plug.AboutRequested());

  const std::string& text = ui.mMessages[0].text;
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.back(), '\n');
  const std::vector<std::string> lines = Lines(text);
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[0], "Plugin name: Qorv");
  EXPECT_EQ(lines[1], "Version: 2.1.2");
  EXPECT_EQ(lines[2], std::string("Build date: ") + __DATE__);
  EXPECT_EQ(lines[3].substr(0, 12), "Build time: ");
  EXPECT_EQ(lines[3].size(), 12u + 8u);
  EXPECT_EQ(lines[4], "");
  EXPECT_EQ(lines[5], "Format: AU x64 (INTEL, VECTOR, METAL)");
  EXPECT_EQ(lines[6], "Host: Unknown");
  char channels[64];
  std::snprintf(channels, sizeof channels, "Channels: %d-%d (%d-%d)", plug.NChannelsConnected(ERoute::kInput),
                plug.NChannelsConnected(ERoute::kOutput), plug.MaxNChannels(ERoute::kInput),
                plug.MaxNChannels(ERoute::kOutput));
  EXPECT_EQ(lines[7], channels);
  EXPECT_EQ(lines[8], "Plugin delay: 0 smp (0.0 ms)");
  char rate[64];
  std::snprintf(rate, sizeof rate, "Sample Rate: %.2lf Hz", plug.GetSampleRate());
  EXPECT_EQ(lines[9], rate);
  EXPECT_EQ(lines[10], "Block Size: " + std::to_string(plug.GetBlockSize()) + " smp");
  EXPECT_EQ(lines[11], "");
}

TEST_F(QorvIdleTickTest, AboutTextNamesTheHostAndTheDelay)
{
  RecordingQorv plug;
  plug.Identify("Reaper");
  plug.SetSampleRate(48000.0);
  plug.Change(kParamPreDelay, kPreDelayShort);
  plug.OnIdleTick(); // hands the latency to the host
  StringBuf text;
  plug.BuildAboutText(text);
  const std::vector<std::string> lines = Lines(text.Get());
  ASSERT_GE(lines.size(), 10u);
  EXPECT_EQ(lines[6], "Host: Reaper");
  EXPECT_EQ(lines[8], "Plugin delay: 512 smp (10.7 ms)");
  EXPECT_EQ(lines[9], "Sample Rate: 48000.00 Hz");
}

struct HostNameCase
{
  int id;
  const char* name;
};

class HostDisplayNameTest : public testing::TestWithParam<HostNameCase>
{
};

TEST_P(HostDisplayNameTest, NamesByIdentifier)
{
  EXPECT_STREQ(HostDisplayName(GetParam().id), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(
    Table, HostDisplayNameTest,
    testing::Values(HostNameCase{-1, "Unknown"}, HostNameCase{0, "Unknown"}, HostNameCase{1, "Reaper"},
                    HostNameCase{2, "Protools"}, HostNameCase{5, "Cakewalk"}, HostNameCase{21, "Logic Pro"},
                    HostNameCase{34, "Bitwig Studio"}, HostNameCase{44, "Blue Cat's Vst Host"},
                    HostNameCase{56, "UAD Luna Mac"}, HostNameCase{65, "DaVinci Resolve"},
                    HostNameCase{67, "DDMF MetaPlugin"}, HostNameCase{68, "Unknown"},
                    HostNameCase{1000, "Unknown"}));

struct AddressCase
{
  const char* product;
  const char* expectedProduct;
};

class UpdatePageAddressTest : public testing::TestWithParam<AddressCase>
{
};

TEST_P(UpdatePageAddressTest, ProductWithoutTheGpuFreeSuffix)
{
  StringBuf address;
  Qorv::UpdatePageAddress(GetParam().product, "2.1.2", kUpdatePageAddressFormat, address);
  EXPECT_EQ(std::string(address.Get()), std::string(QORV_MAKER_WEB_SERVER) + "/productversioncheck?product=" +
                                            GetParam().expectedProduct + "&version=2.1.2");
}

INSTANTIATE_TEST_SUITE_P(Products, UpdatePageAddressTest,
                         testing::Values(AddressCase{"Qorv", "Qorv"}, AddressCase{"Qorvnogpu", "Qorv"},
                                         AddressCase{"nogpu", ""}, AddressCase{"Qorvnogp", "Qorvnogp"},
                                         AddressCase{"ogpu", "ogpu"}, AddressCase{"QorvNOGPU", "QorvNOGPU"}));

TEST(UpdatePageAddress, IsCutAt1024Characters)
{
  StringBuf address;
  const std::string longName(3000, 'q');
  Qorv::UpdatePageAddress(longName.c_str(), "2.1.2", kUpdatePageAddressFormat, address);
  EXPECT_EQ(std::string(address.Get()).size(), 1024u);
}

TEST_F(QorvIdleTickTest, UpdatePageOpensInTheBrowserAndReleasesTheMouse)
{
  std::string log;
  RecordingQorv plug;
  plug.mMakeGraphicsFunc = [&]() -> igraphics::IGraphicsInterface*
  { return new FakeGraphics(plug, 875, 580, 1.f, &log); };
  plug.OpenWindow(nullptr);
  plug.OnEditorOpened();
  auto& ui = *static_cast<FakeGraphics*>(plug.GetUI());
  plug.HandleParamChange(kTagUpdatePage, kUI, -1);
  log.clear();
  plug.OnIdleTick();
  ASSERT_EQ(ui.mOpened.size(), 1u);
  EXPECT_EQ(ui.mOpened[0],
            std::string(QORV_MAKER_WEB_SERVER) + "/productversioncheck?product=Qorv&version=2.1.2");
  EXPECT_EQ(log, "url;release;");
  EXPECT_FALSE(plug.UpdatePageRequested());
}
} // namespace
