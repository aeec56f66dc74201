#include "mixer/SendSlotTable.h"
#include "tests/framework/GraphicsDoubles.h"
#include "tests/plugin/QorvTestInstance.h"
#include "tests/support/FileSizeCut.h"
#include "tests/support/ScopedEnvironment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <sys/stat.h>

using namespace iplugin;
using mixtest::RecordingQorv;
using mixtest::ScopedDataHome;

namespace
{
std::string TestName()
{
  return testing::UnitTest::GetInstance()->current_test_info()->name();
}

void Write(const std::string& path, const std::string& text)
{
  std::ofstream(path, std::ios::binary) << text;
}

std::string FileText(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string PresetDoc(const std::string& params, const std::string& vendor = "Lumenkraft")
{
  return "<PresetXMLTree version=\"1\"><PluginVendor>" + vendor +
         "</PluginVendor><PluginName>Qorv</PluginName><PluginVersion>v2.1.2</PluginVersion>"
         "<Preset name=\"From File\"><Parameter>" +
         params + "</Parameter></Preset></PresetXMLTree>";
}

class QorvTest : public testing::Test
{
protected:
  QorvTest() : home("qorv_" + TestName()) {}
  ScopedDataHome home;
};

TEST_F(QorvTest, FreshInstanceHasTheDeclaredDefaultsAndFolders)
{
  RecordingQorv plug;
  EXPECT_EQ(plug.NParams(), 309);
  EXPECT_STREQ(plug.GetPluginName(), "Qorv");
  EXPECT_STREQ(plug.GetMfrName(), "Lumenkraft");
  EXPECT_EQ(plug.GetUniqueID(), int(FourCC("LK54")));
  EXPECT_EQ(plug.GetMfrID(), int(FourCC("Lmkr")));
  EXPECT_EQ(plug.GetPluginVersion(false), 0x020102);
  EXPECT_TRUE(plug.DoesStateChunks());
  EXPECT_TRUE(plug.HasUI());
  EXPECT_EQ(plug.GetEditorWidth(), 875);
  EXPECT_EQ(plug.GetMaxHeight(), 1160);
  EXPECT_EQ(plug.GetParam(kParamMixMode)->Value(), 2.0);
  EXPECT_EQ(plug.GetParam(kParamChannelCount)->Value(), 7.0);
  const MixerEngine& e = plug.Engine();
  EXPECT_EQ(uint32_t(e.mMixMode), uint32_t(kMixModeAutoBal));
  EXPECT_EQ(uint32_t(e.mSpeechPreFilter), 1u);
  EXPECT_EQ(double(e.mNoiseGate), -90.0);
  EXPECT_EQ(double(e.mAttack), 0.3);
  EXPECT_EQ(uint32_t(e.mDawSync), 1u);
  EXPECT_EQ(std::string(plug.DataFolder()), home.QorvFolder());
  EXPECT_EQ(std::string(plug.AUFolder()), home.QorvFolder() + "/AU");
  EXPECT_EQ(plug.FixedGuiScaleTag(), 322);
  ASSERT_NE(plug.FixedGuiScaleParam(), nullptr);
  EXPECT_EQ(plug.Presets().NFactoryPresets(), 5);
  EXPECT_STREQ(plug.GetPresetName(0), "Init");
}

TEST_F(QorvTest, DataFolderIsMadeWithItsParentsOrTheUserIsTold)
{
  qorvtest::ScopedEnvironment env;
  const mode_t oldMask = umask(022);
  const std::string deep = home.Root() + "/not/yet";
  env.Set("XDG_DATA_HOME", deep.c_str());
  {
    RecordingQorv plug;
    EXPECT_TRUE(std::filesystem::is_directory(deep + "/Qorv/AU"));
    EXPECT_FALSE(plug.MessageBoxPending());
  }
  struct stat st;
  ASSERT_EQ(stat((home.Root() + "/not").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0755u); // under the user's mask
  umask(oldMask);

  // Below a plain file no folder can be made: the instance carries on and says why.
  Write(home.Root() + "/file", "");
  env.Set("XDG_DATA_HOME", (home.Root() + "/file/below").c_str());
  RecordingQorv plug;
  EXPECT_TRUE(plug.MessageBoxPending());
  EXPECT_EQ(plug.GetParam(kParamMixMode)->Value(), 2.0);
}

TEST_F(QorvTest, SavesThatFailAreReportedAndKeepTheOldFile)
{
  RecordingQorv plug;
  plug.mMakeGraphicsFunc = [&plug]() -> igraphics::IGraphicsInterface*
  { return new qorvtest::FakeGraphics(plug, 875, 580, 1.0f); };
  ASSERT_NE(plug.OpenWindow(nullptr), nullptr);
  plug.OnEditorOpened();
  const std::string saved = home.Root() + "/Mine.qxs", byDefault = home.QorvFolder() + "/AU/default.qxs";
  plug.mPresetMenuPath.Set(saved.c_str());
  Write(saved, "old preset");
  Write(byDefault, "old default");
  for (int tag : {kTagSavePreset, kTagSaveDefaultPreset})
  {
    {
      qorvtest::FileSizeCut cut(1024); // the document is several times larger
      plug.HandleParamChange(tag, kUI, -1);
    }
    EXPECT_TRUE(plug.MessageBoxPending()) << tag;
    plug.OnIdleTick();
  }
  EXPECT_EQ(FileText(saved), "old preset");
  EXPECT_EQ(FileText(byDefault), "old default");

  plug.HandleParamChange(kTagSavePreset, kUI, -1);
  EXPECT_FALSE(plug.MessageBoxPending());
  EXPECT_NE(FileText(saved).find("<Preset name=\"Mine\">"), std::string::npos);
}

TEST_F(QorvTest, SettingsFileCanSwitchTheEditorOff)
{
  {
    RecordingQorv first;
  } // creates the folders
  Write(home.QorvFolder() + "/plugin.ini", "[GUI]\nHasUI=0\n");
  RecordingQorv off;
  EXPECT_FALSE(off.HasUI());
  Write(home.QorvFolder() + "/plugin.ini", "[GUI]\nHasUI=1\n");
  RecordingQorv on;
  EXPECT_TRUE(on.HasUI());
}

TEST_F(QorvTest, DefaultPresetIsLoadedAtConstruction)
{
  {
    RecordingQorv first;
  }
  Write(home.QorvFolder() + "/AU/default.qxs",
        PresetDoc("<Param name=\"Mix Mode\" val=\"3\"/><Param name=\"GUI Scale\" val=\"2\"/>"));
  RecordingQorv plug;
  EXPECT_EQ(plug.GetParam(kParamMixMode)->Value(), 3.0);
  EXPECT_EQ(plug.GetParam(kParamMixMode)->GetDefault(), 2.0);
  EXPECT_EQ(plug.GetParam(kParamGuiScale)->Value(), 2.0);
  EXPECT_EQ(double(plug.Engine().mGuiScale), 2.0);
  // Initialisation passes every value through the handler.
  plug.HandleParamReset(kReset);
  EXPECT_EQ(uint32_t(plug.Engine().mMixMode), uint32_t(kMixModePrio));

  // A foreign default preset changes nothing.
  Write(home.QorvFolder() + "/AU/default.qxs", PresetDoc("<Param name=\"Mix Mode\" val=\"3\"/>", "Other"));
  RecordingQorv other;
  EXPECT_EQ(other.GetParam(kParamMixMode)->Value(), 2.0);
}

TEST_F(QorvTest, ModeratorIsExclusiveAndHostAndEditorAreTold)
{
  RecordingQorv plug;
  plug.Change(ChannelParamIdx(4, kChannelMod), 1); // Mod. Ch5
  EXPECT_EQ(uint32_t(plug.Engine().mModeratorIndex), 5u);
  plug.hostValues.clear();
  plug.editorValues.clear();
  plug.Change(33, 1); // Mod. Ch3
  EXPECT_EQ(uint32_t(plug.Engine().mModeratorIndex), 3u);
  EXPECT_EQ(plug.GetParam(49)->Value(), 0.0);
  EXPECT_EQ(uint32_t(plug.Engine().mChannels[4].mModerator), 0u);
  EXPECT_EQ(uint32_t(plug.Engine().mChannels[2].mModerator), 1u);
  ASSERT_EQ(plug.hostValues.size(), 1u);
  EXPECT_EQ(plug.hostValues[0].paramIdx, 49);
  EXPECT_EQ(plug.hostValues[0].normalized, 0.0);
  ASSERT_EQ(plug.editorValues.size(), 1u);
  EXPECT_EQ(plug.editorValues[0].paramIdx, 49);
  EXPECT_FALSE(plug.editorValues[0].normalized);

  plug.Change(33, 0);
  EXPECT_EQ(uint32_t(plug.Engine().mModeratorIndex), 0u);
}

TEST_F(QorvTest, SoloIsExclusiveAndARepeatedSoloDoesNothing)
{
  RecordingQorv plug;
  plug.Change(ChannelParamIdx(0, kChannelSolo), 1);
  plug.Change(ChannelParamIdx(7, kChannelSolo), 1);
  EXPECT_EQ(plug.GetParam(ChannelParamIdx(0, kChannelSolo))->Value(), 0.0);
  EXPECT_EQ(uint32_t(plug.Engine().mChannels[0].mSolo), 0u);
  EXPECT_EQ(uint32_t(plug.Engine().mChannels[7].mSolo), 1u);
  plug.hostValues.clear();
  plug.Change(ChannelParamIdx(7, kChannelSolo), 1);
  EXPECT_TRUE(plug.hostValues.empty());
  EXPECT_EQ(uint32_t(plug.Engine().mModeratorIndex), 0u);
}

TEST_F(QorvTest, ChannelParametersReachTheirRecords)
{
  RecordingQorv plug;
  const int c = 31;
  plug.Change(ChannelParamIdx(c, kChannelMono), 1);
  plug.Change(ChannelParamIdx(c, kChannelMute), 1);
  plug.Change(ChannelParamIdx(c, kChannelPreGain), -6.5);
  plug.Change(ChannelParamIdx(c, kChannelPan), -40);
  plug.Change(ChannelParamIdx(c, kChannelBypass), 1);
  plug.Change(ChannelParamIdx(c, kChannelWeight), 3.2);
  const ChannelParamState& r = plug.Engine().mChannels[c];
  EXPECT_EQ(uint32_t(r.mMono), 1u);
  EXPECT_EQ(uint32_t(r.mMute), 1u);
  EXPECT_DOUBLE_EQ(double(r.mPreGainDb), -6.5);
  EXPECT_DOUBLE_EQ(double(r.mPan), -40.0);
  EXPECT_EQ(uint32_t(r.mBypass), 1u);
  EXPECT_DOUBLE_EQ(double(r.mWeightDb), 3.2);
}

TEST_F(QorvTest, HostCannotAutomateTheGuiParametersAndDelegateSourceIsIgnored)
{
  RecordingQorv plug;
  plug.Change(kParamGuiScale, 2.0, kHost);
  plug.Change(kParamToggleTooltips, 0, kHost);
  EXPECT_EQ(double(plug.Engine().mGuiScale), 1.0);
  EXPECT_EQ(uint32_t(plug.Engine().mToggleTooltips), 1u);
  EXPECT_FALSE(plug.GuiRescaleRequested());
  plug.Change(kParamOnlineUpdateCheck, 0, kHost);
  EXPECT_EQ(plug.OnlineUpdateCheckState(), 1);

  plug.Change(kParamPreDelay, 2, kDelegate);
  EXPECT_EQ(uint32_t(plug.Engine().mPreDelay), 0u);
  EXPECT_EQ(plug.HandedLatency(), 0u);

  plug.Change(kParamMixMode, 3, kHost);
  EXPECT_EQ(uint32_t(plug.Engine().mMixMode), 3u);
}

TEST_F(QorvTest, OnlineUpdateCheckFollowsItsValue)
{
  RecordingQorv plug;
  plug.Change(kParamOnlineUpdateCheck, 0, kUI);
  EXPECT_EQ(plug.OnlineUpdateCheckState(), 0);
  plug.Change(kParamOnlineUpdateCheck, 1, kPresetRecall);
  EXPECT_EQ(plug.OnlineUpdateCheckState(), 1);
}

TEST_F(QorvTest, LatencyFollowsPreDelayAndReverseMixingAndReachesSomeHostsAtOnce)
{
  RecordingQorv logic;
  logic.Identify("Logic Pro X");
  ASSERT_EQ(logic.GetHost(), 21);
  logic.Change(kParamPreDelay, 2);
  EXPECT_EQ(logic.HandedLatency(), 1024u);
  EXPECT_EQ(logic.Engine().WantedLatency(), 1024u);
  ASSERT_EQ(logic.latencies, std::vector<int>{1024});
  logic.Change(kParamReverseMixing, 1);
  EXPECT_EQ(logic.HandedLatency(), 0u);
  EXPECT_EQ(logic.latencies.back(), 0);

  RecordingQorv other;
  other.Identify("Some Host");
  other.Change(kParamPreDelay, 1);
  EXPECT_EQ(other.HandedLatency(), 512u);
  EXPECT_TRUE(other.latencies.empty());
  other.OnIdleTick(); // the idle tick tells this host
  EXPECT_EQ(other.latencies, std::vector<int>{512});

  RecordingQorv refreshed;
  refreshed.Identify("Some Host");
  refreshed.Change(kParamPreDelay, 2);
  refreshed.Engine().mBankA[0].mEnvelope1.mValue = 0.5;
  refreshed.RefreshDspAndLatency();
  EXPECT_EQ(refreshed.Engine().mBankA[0].Level(), 0.0);
  EXPECT_EQ(refreshed.latencies, std::vector<int>{1024});
}

// Under Pro Tools neither the handler nor the idle tick tells the host: the next mixer block does.
TEST_F(QorvTest, ProToolsHearsANewLatencyFromTheNextBlock)
{
  RecordingQorv plug;
  plug.Identify("ProTools");
  ASSERT_EQ(plug.GetHost(), 2);
  plug.Change(kParamPreDelay, 2);
  plug.OnIdleTick();
  EXPECT_TRUE(plug.latencies.empty());
  plug.SetChannelConnections(ERoute::kInput, 0, 2, true);
  plug.SetChannelConnections(ERoute::kOutput, 0, 2, true);
  std::vector<double> left(64, 0.0), right(64, 0.0);
  double* io[2] = {left.data(), right.data()};
  plug.ProcessBlock(io, io, 64);
  EXPECT_EQ(plug.latencies, std::vector<int>{1024});
  plug.ProcessBlock(io, io, 64);
  EXPECT_EQ(plug.latencies.size(), 1u);
}

TEST_F(QorvTest, WriteAutomationOpensAndClosesGesturesOverTheOutputParameters)
{
  RecordingQorv plug;
  plug.Change(kParamWriteAutomation, 1);
  ASSERT_EQ(plug.gesturesBegun.size(), 32u);
  EXPECT_EQ(plug.gesturesBegun.front(), 273);
  EXPECT_EQ(plug.gesturesBegun.back(), 304);
  plug.Change(kParamWriteAutomation, 0);
  EXPECT_EQ(plug.gesturesEnded.size(), 32u);

  RecordingQorv reason;
  reason.Identify("Reason");
  ASSERT_EQ(reason.GetHost(), 36);
  reason.Change(kParamWriteAutomation, 1);
  EXPECT_TRUE(reason.gesturesBegun.empty());
  EXPECT_EQ(uint32_t(reason.Engine().mWriteAutomation), 1u);
}

TEST_F(QorvTest, GuiScaleTags)
{
  RecordingQorv plug;
  struct
  {
    int choice;
    double scale;
  } cases[] = {{4, 1.5}, {0, 0.5}, {10, 3.0}, {11, 1.0}, {-1, 1.0}};
  for (const auto& c : cases)
  {
    plug.ClearGuiRescaleRequest();
    plug.GetParam(kParamGuiScale)->Set(2.75);
    plug.FixedGuiScaleParam()->Set(c.choice);
    plug.HandleParamChange(kTagFixedGuiScale, kUI, -1);
    EXPECT_DOUBLE_EQ(plug.GetParam(kParamGuiScale)->Value(), c.scale) << c.choice;
    EXPECT_DOUBLE_EQ(double(plug.Engine().mGuiScale), c.scale);
    EXPECT_TRUE(plug.GuiRescaleRequested());
  }
  plug.HandleParamChange(kTagGuiScaleMinimum, kUI, -1);
  EXPECT_DOUBLE_EQ(plug.GetParam(kParamGuiScale)->Value(), 0.5);
  plug.editorValues.clear();
  plug.HandleParamChange(kTagGuiScaleReset, kUI, -1);
  EXPECT_DOUBLE_EQ(plug.GetParam(kParamGuiScale)->Value(), 1.0);
  ASSERT_EQ(plug.editorValues.size(), 1u);
  EXPECT_EQ(plug.editorValues[0].value, 1.0);
  // Without the editor the editor-only tags do nothing.
  plug.HandleParamChange(kTagAbout, kUI, -1);
  plug.HandleParamChange(kTagUpdatePage, kUI, -1);
  EXPECT_FALSE(plug.AboutRequested());
  EXPECT_FALSE(plug.UpdatePageRequested());
}

TEST_F(QorvTest, OpeningTheEditorPushesEveryValueFirst)
{
  RecordingQorv plug;
  plug.Change(kParamNoiseGate, -45);
  plug.editorValues.clear();
  plug.OnEditorOpened();
  ASSERT_EQ(int(plug.editorValues.size()), kNumParams);
  EXPECT_TRUE(plug.EditorOpenFlag());
  for (int i = 0; i < kNumParams; ++i)
  {
    EXPECT_EQ(plug.editorValues[i].paramIdx, i);
    EXPECT_TRUE(plug.editorValues[i].normalized);
  }
  EXPECT_DOUBLE_EQ(plug.editorValues[kParamNoiseGate].value, 0.5);
  plug.OnEditorClosed();
  EXPECT_FALSE(plug.EditorOpenFlag());
}

TEST_F(QorvTest, IdleTickPublishesTheGainsOfTheMixedChannels)
{
  RecordingQorv plug;
  plug.Identify("Logic Pro X");
  plug.Change(kParamChannelCount, 2); // three channels
  std::vector<double> loud(512), quiet(512, 0.0), out0(512), out1(512);
  for (size_t i = 0; i < loud.size(); ++i)
    loud[i] = 0.3 * std::sin(0.05 * double(i));
  const double* ins[2] = {loud.data(), quiet.data()};
  double* outs[2] = {out0.data(), out1.data()};
  for (int block = 0; block < 40; ++block)
    plug.Engine().ProcessBlock(ins, outs, 512, 2, 2, false);

  plug.Engine().mAutomationDue = 1;
  plug.OnIdleTick(); // "Write Automation" off: nothing yet
  EXPECT_EQ(plug.GetParam(kParamFirstOutput)->Value(), -144.0);
  plug.Change(kParamWriteAutomation, 1);
  plug.gesturesBegun.clear();
  plug.OnIdleTick();
  EXPECT_EQ(uint8_t(plug.Engine().mAutomationDue), 0);
  const double g = plug.Engine().MixGain(0);
  EXPECT_NEAR(plug.GetParam(kParamFirstOutput)->Value(), 20.0 * std::log10(g), 0.01);
  EXPECT_GT(plug.GetParam(kParamFirstOutput)->Value(), -144.0);
  // Only the three mixed channels, each inside a gesture for this host.
  EXPECT_EQ(plug.gesturesBegun, (std::vector<int>{273, 274, 275}));
  plug.GetParam(kParamFirstOutput + 3)->Set(-10.0);
  plug.Engine().mAutomationDue = 1;
  plug.OnIdleTick();
  EXPECT_EQ(plug.GetParam(kParamFirstOutput + 3)->Value(), -10.0);
}

TEST_F(QorvTest, EditorTagsActOnlyWhileTheEditorIsOpen)
{
  RecordingQorv plug;
  const std::string saved = home.Root() + "/My Preset.qxs";
  plug.mPresetMenuPath.Set(saved.c_str());
  plug.Change(kParamMixMode, 3);
  plug.HandleParamChange(kTagSavePreset, kUI, -1);
  EXPECT_FALSE(std::filesystem::exists(saved));

  plug.mMakeGraphicsFunc = [&plug]() -> igraphics::IGraphicsInterface*
  { return new qorvtest::FakeGraphics(plug, 875, 580, 1.25f); };
  ASSERT_NE(plug.OpenWindow(nullptr), nullptr);
  plug.HandleParamChange(kTagGuiScaleFromEditor, kUI, -1);
  EXPECT_DOUBLE_EQ(plug.GetParam(kParamGuiScale)->Value(), 1.25);
  EXPECT_FALSE(plug.GuiRescaleRequested());
  plug.HandleParamChange(kTagAbout, kUI, -1);
  plug.HandleParamChange(kTagUpdatePage, kUI, -1);
  EXPECT_TRUE(plug.AboutRequested());
  EXPECT_TRUE(plug.UpdatePageRequested());

  plug.HandleParamChange(kTagSavePreset, kUI, -1);
  ASSERT_TRUE(std::filesystem::exists(saved));
  plug.Change(kParamMixMode, 0);
  plug.HandleParamChange(kTagLoadPreset, kUI, -1);
  EXPECT_EQ(uint32_t(plug.Engine().mMixMode), 3u);
  EXPECT_STREQ(plug.GetPresetName(0), "My Preset");

  plug.HandleParamChange(kTagSaveDefaultPreset, kUI, -1);
  EXPECT_TRUE(std::filesystem::exists(std::string(plug.AUFolder()) + "/default.qxs"));
  std::filesystem::copy_file(saved, home.QorvFolder() + "/b.qxs");
  std::filesystem::copy_file(saved, home.QorvFolder() + "/a.qxs");
  for (int i = 0; i < 2; ++i)
    plug.HandleParamChange(kTagRebuildUserPresets, kUI, -1);
  ASSERT_EQ(plug.Presets().NUserPresets(), 2);
  EXPECT_STREQ(plug.Presets().GetUserPreset(0)->mName, "My Preset");

  plug.CloseWindow();
  std::filesystem::remove(home.QorvFolder() + "/a.qxs");
  plug.HandleParamChange(kTagRebuildUserPresets, kUI, -1);
  EXPECT_EQ(plug.Presets().NUserPresets(), 2);
}

TEST_F(QorvTest, SendSlotResetTagOnlyInTheMixerModes)
{
  RecordingQorv plug;
  plug.Change(kParamPluginMode, 6); // "Send CH 5"
  plug.HandleParamChange(kTagResetSendSlots, kUI, -1);
  EXPECT_EQ(uint8_t(plug.Engine().mResetRequest), 0);
  plug.Change(kParamPluginMode, 1);
  plug.HandleParamChange(kTagResetSendSlots, kUI, -1);
  EXPECT_EQ(uint8_t(plug.Engine().mResetRequest), 1);
}

TEST(QorvPresetNameTest, FileNameWithoutFolderAndExtension)
{
  struct
  {
    const char* path;
    const char* name;
  } cases[] = {{"/a/b/My Preset.qxs", "My Preset"}, {"/a/b/NoDot", "NoDot"}, {"plain.qxs", "plain"},
               {"/a/.hidden", ".hidden"},           {"/a.b/c", "c"},         {"/x/a.b.qxs", "a.b"}};
  for (const auto& c : cases)
  {
    StringBuf name;
    Qorv::PresetNameFromPath(c.path, name);
    EXPECT_STREQ(name.Get(), c.name) << c.path;
  }
  StringBuf name;
  Qorv::PresetNameFromPath(("/" + std::string(3000, 'n') + ".qxs").c_str(), name);
  EXPECT_EQ(name.GetLength(), 1023);
}

TEST_F(QorvTest, StateRoundTripIntoAFreshInstanceThroughChunkAndClassInfo)
{
  RecordingQorv source;
  source.RandomiseParamValues();
  for (int i = 0; i < kNumParams; ++i) // make each value survive the six-decimal text exactly
  {
    IParam* p = source.GetParam(i);
    p->Set(p->Constrain(std::round(p->Value() * 1000.0) / 1000.0));
  }
  source.HandleParamReset(kReset);
  ByteChunk chunk;
  ASSERT_TRUE(source.SerializeState(chunk));

  RecordingQorv target;
  EXPECT_EQ(target.UnserializeState(chunk, 0), chunk.Size());
  for (int i = 0; i < kNumParams; ++i)
    EXPECT_DOUBLE_EQ(target.GetParam(i)->Value(), source.GetParam(i)->Value()) << i;
  // The handler ran for every parameter, so the mirrors follow.
  EXPECT_EQ(uint32_t(target.Engine().mMixMode), uint32_t(target.GetParam(kParamMixMode)->Int()));
  EXPECT_DOUBLE_EQ(double(target.Engine().mNoiseGate), target.GetParam(kParamNoiseGate)->Value());
  EXPECT_DOUBLE_EQ(double(target.Engine().mChannels[20].mWeightDb),
                   target.GetParam(ChannelParamIdx(20, kChannelWeight))->Value());

  CFPropertyListRef classInfo = nullptr;
  ASSERT_EQ(source.SaveStateToClassInfo(&classInfo), noErr);
  RecordingQorv viaClassInfo;
  EXPECT_EQ(viaClassInfo.RestoreStateFromClassInfo(classInfo), noErr);
  CFRelease(classInfo);
  for (int i = 0; i < kNumParams; ++i)
    EXPECT_DOUBLE_EQ(viaClassInfo.GetParam(i)->Value(), source.GetParam(i)->Value()) << i;
}

TEST_F(QorvTest, BadStateIsRefusedAndChangesNothing)
{
  RecordingQorv source;
  source.Change(kParamMixMode, 3);
  ByteChunk chunk;
  ASSERT_TRUE(source.SerializeState(chunk));
  std::memcpy(chunk.GetData() + 12, "QXCX", 4);

  RecordingQorv target;
  target.Change(kParamHold, 1.0);
  EXPECT_EQ(target.UnserializeState(chunk, 0), -1);
  EXPECT_EQ(target.GetParam(kParamMixMode)->Value(), 2.0);
  EXPECT_EQ(target.GetParam(kParamHold)->Value(), 1.0);
}

TEST_F(QorvTest, LoadingAPresetFileAppliesThroughTheHandlerOrChangesNothing)
{
  RecordingQorv plug;
  plug.Change(kParamPluginMode, 1);
  plug.Change(kParamNoiseGate, -20);
  const std::string good = home.Root() + "/good.qxs", bad = home.Root() + "/bad.qxs";
  Write(good, PresetDoc("<Param name=\"Mix Mode\" val=\"3\"/>"));
  Write(bad, PresetDoc("<Param name=\"Mix Mode\" val=\"3\"/>", "Other"));

  EXPECT_FALSE(plug.LoadPresetFromPath(bad.c_str()));
  EXPECT_EQ(double(plug.Engine().mNoiseGate), -20.0);
  EXPECT_EQ(plug.GetParam(kParamNoiseGate)->Value(), -20.0);

  ASSERT_TRUE(plug.LoadPresetFromPath(good.c_str()));
  EXPECT_EQ(uint32_t(plug.Engine().mMixMode), 3u);
  EXPECT_EQ(double(plug.Engine().mNoiseGate), -90.0); // listed, back to its default
  EXPECT_EQ(uint32_t(plug.Engine().mPluginMode), 1u); // not listed, kept
  EXPECT_STREQ(plug.GetPresetName(0), "From File");

  // Saving names the preset after the file.
  const std::string saved = home.Root() + "/Mine.qxs";
  ASSERT_TRUE(plug.SavePresetToPath(saved.c_str()));
  RecordingQorv reader;
  ASSERT_TRUE(reader.LoadPresetFromPath(saved.c_str()));
  EXPECT_STREQ(reader.GetPresetName(0), "Mine");
  EXPECT_EQ(reader.GetParam(kParamMixMode)->Value(), 3.0);
}

TEST_F(QorvTest, UserPresetsComeFromTheDataFolder)
{
  RecordingQorv plug;
  Write(home.QorvFolder() + "/b.qxs", PresetDoc("<Param name=\"Hold\" val=\"1\"/>"));
  Write(home.QorvFolder() + "/a.qxs", PresetDoc("<Param name=\"Hold\" val=\"2\"/>"));
  Write(home.QorvFolder() + "/plugin.ini", "HasUI=1\n");
  plug.RebuildUserPresets();
  EXPECT_EQ(plug.Presets().NUserPresets(), 2);
}

TEST_F(QorvTest, HoldAndReleaseAtTheMixerReachTheSenders)
{
  SendSlotTable::ResetAll();
  RecordingQorv mixer, sender;
  mixer.Change(kParamPluginMode, kPluginModeExtMixer);
  sender.Change(kParamPluginMode, kPluginModeSendFirst);
  mixer.Change(kParamReverseMixing, 1); // the senders measure with the mixer's times
  mixer.Change(kParamHold, 0.75);
  mixer.Change(kParamRelease, 1.25);
  std::vector<double> in(512, 0.1), out(512, 0.0);
  const double* ins[2] = {in.data(), in.data()};
  double* outs[2] = {out.data(), out.data()};
  for (int block = 0; block < 3; ++block)
  {
    sender.Engine().ProcessBlock(ins, outs, 512, 2, 2, false);
    mixer.Engine().ProcessBlock(ins, outs, 512, 2, 2, false);
  }
  EXPECT_DOUBLE_EQ(double(sender.Engine().mSenderHold), 0.75);
  EXPECT_DOUBLE_EQ(double(sender.Engine().mSenderRelease), 1.25);
  SendSlotTable::ResetAll();
}
} // namespace
