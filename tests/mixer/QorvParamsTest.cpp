#include "framework/IParam.h"
#include "mixer/QorvParams.h"
#include "tests/mixer/PresetTestPlugin.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using iplugin::IParam;
using namespace iplugin;

namespace
{
struct ParamRow
{
  int idx;
  std::string name;
  IParam::EParamType type;
  double min, max, step, def;
  std::string label;
  int flags; // cannot-automate and meta only
  std::string group;
  std::vector<std::pair<double, std::string>> displays; // value -> display text
};

std::vector<ParamRow> ExpectedRows()
{
  const auto E = IParam::kTypeEnum, D = IParam::kTypeDouble;
  const int CA = IParam::kFlagCannotAutomate, M = IParam::kFlagMeta;
  std::vector<ParamRow> rows = {
      {0, "GUI Scale", D, 0.5, 3.0, 0.01, 1.0, "", CA, "GUI", {{1.25, "1.25"}}},
      {1, "Toggle Tooltips", E, 0, 1, 1, 1, "", CA, "GUI", {{0, "Off"}, {1, "On"}}},
      {2,
       "Plugin Mode",
       E,
       0,
       33,
       1,
       0,
       "",
       0,
       "Processing",
       {{0, "Int. Mixer"}, {1, "Ext. Mixer"}, {2, "Send CH 1"}, {33, "Send CH 32"}}},
      {3, "Channel Count", E, 0, 31, 1, 7, "", 0, "Processing", {{0, "1"}, {7, "8"}, {31, "32"}}},
      {4,
       "Group Number",
       E,
       0,
       3,
       1,
       0,
       "",
       0,
       "GUI",
       {{0, "1 - 8"}, {1, "9 - 16"}, {2, "17 - 24"}, {3, "25 - 32"}}},
      {5, "Speech PreFilter Off/On", E, 0, 1, 1, 1, "", 0, "Processing", {{0, "Off"}, {1, "On"}}},
      {6, "PreDelay", E, 0, 2, 1, 0, "", 0, "Processing", {{0, "Off"}, {1, "Short"}, {2, "Long"}}},
      {7, "NoiseGate", D, -90, 0, 0.1, -90, "dBFS", 0, "Processing", {{-90, "-INF"}, {-48, "-48.0"}}},
      {8,
       "Mix Mode",
       E,
       0,
       3,
       1,
       2,
       "",
       0,
       "Processing",
       {{0, "Off"}, {1, "Auto"}, {2, "Auto Bal."}, {3, "Prio"}}},
      {9, "Mod. Attn.", D, -24, 0, 0.1, -12, "dB", 0, "Processing", {{-24, "-INF"}, {-12, "-12.0"}}},
      {10, "Attack", D, 0, 3, 0.001, 0.3, "s", 0, "Processing", {{0.3, "0.300"}}},
      {11, "Hold", D, 0, 3, 0.001, 0.0, "s", 0, "Processing", {}},
      {12, "Release", D, 0, 3, 0.001, 0.3, "s", 0, "Processing", {}},
      {13, "Strength", D, -1, 1, 0.1, 0, "", 0, "Processing", {{0.5, "0.5"}}},
      {14, "Write Automation Off/On", E, 0, 1, 1, 0, "", 0, "Automation", {{1, "On"}}},
      {15, "Main Volume", D, -24, 24, 0.1, 0, "dB", 0, "Processing", {}},
      {16, "Multi Channel Output Off/On", E, 0, 1, 1, 0, "", 0, "Processing", {{0, "Off"}}},
      {305, "Online Update Check", E, 0, 1, 1, 1, "", CA, "GUI", {{1, "On"}}},
      {306, "Propagate sender gain Off/On", E, 0, 1, 1, 0, "", 0, "Processing", {{1, "On"}}},
      {307, "Enable DAW Sync Off/On", E, 0, 1, 1, 1, "", 0, "Processing", {{1, "On"}}},
      {308, "Reverse Mixing Off/On", E, 0, 1, 1, 0, "", 0, "Processing", {{0, "Off"}}},
  };
  char name[64], group[32];
  for (int c = 0; c < 32; ++c)
  {
    std::snprintf(group, sizeof group, "Channel %d", c + 1);
    auto Name = [&](const char* fmt)
    {
      std::snprintf(name, sizeof name, fmt, c + 1);
      return std::string(name);
    };
    const int b = 17 + 8 * c;
    rows.push_back({b + 0, Name("Mod. Ch%d"), E, 0, 1, 1, 0, "", M, group, {{0, "Off"}, {1, "On"}}});
    rows.push_back({b + 1, Name("Mono Ch%d"), E, 0, 1, 1, 0, "", 0, group, {{1, "On"}}});
    rows.push_back({b + 2, Name("Mute Ch%d"), E, 0, 1, 1, 0, "", 0, group, {{1, "On"}}});
    rows.push_back({b + 3, Name("Solo Ch%d"), E, 0, 1, 1, 0, "", M, group, {{1, "On"}}});
    rows.push_back({b + 4, Name("PreGain Ch%d"), D, -24, 24, 0.1, 0, "dB", 0, group, {}});
    rows.push_back({b + 5,
                    Name("Pan Ch%d"),
                    D,
                    -100,
                    100,
                    1,
                    0,
                    "%",
                    0,
                    group,
                    {{-100, "L"}, {0, "C"}, {100, "R"}, {50, "50"}}});
    rows.push_back({b + 6, Name("Bypass Ch%d"), E, 0, 1, 1, 0, "", 0, group, {{1, "On"}}});
    rows.push_back({b + 7, Name("Weight Ch%d"), D, -24, 24, 0.1, 0, "dB", 0, group, {}});
    std::snprintf(name, sizeof name, "OUT:Ch%02d Strength", c + 1);
    rows.push_back({273 + c, name, D, -144, 0, 0.1, -144, "dB", 0, "Automation", {{-144, "-144.0"}}});
  }
  return rows;
}

class ParamTable : public testing::TestWithParam<ParamRow>
{
protected:
  static void SetUpTestSuite() { sPlug = new mixtest::PresetTestPlugin; }
  static void TearDownTestSuite()
  {
    delete sPlug;
    sPlug = nullptr;
  }
  static mixtest::PresetTestPlugin* sPlug;
};
mixtest::PresetTestPlugin* ParamTable::sPlug = nullptr;

TEST_P(ParamTable, DeclaresNameRangeDefaultShapeAndDisplay)
{
  const ParamRow& r = GetParam();
  const IParam* p = sPlug->GetParam(r.idx);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->GetName(), r.name);
  EXPECT_EQ(p->Type(), r.type);
  EXPECT_DOUBLE_EQ(p->GetMin(), r.min);
  EXPECT_DOUBLE_EQ(p->GetMax(), r.max);
  EXPECT_DOUBLE_EQ(p->GetStep(), r.step);
  EXPECT_DOUBLE_EQ(p->GetDefault(), r.def);
  EXPECT_DOUBLE_EQ(p->Value(), r.def);
  EXPECT_EQ(p->GetLabel(), r.label);
  EXPECT_EQ(p->GetFlags() & (IParam::kFlagCannotAutomate | IParam::kFlagMeta), r.flags);
  EXPECT_EQ(p->GetStepped(), r.type == IParam::kTypeEnum);
  EXPECT_EQ(p->GetGroup(), r.group);
  EXPECT_EQ(p->GetDisplayType(), IParam::kDisplayLinear);
  EXPECT_EQ(p->Unit(), IParam::kUnitCustom);
  if (r.type == IParam::kTypeEnum)
  {
    EXPECT_EQ(p->NDisplayTexts(), int(r.max) + 1);
  }
  for (const auto& [value, text] : r.displays)
  {
    StringBuf shown;
    p->GetDisplay(value, false, shown);
    EXPECT_EQ(std::string(shown.Get()), text) << "value " << value;
  }
  // The shape maps the ends of the range onto 0 and 1.
  EXPECT_DOUBLE_EQ(p->ToNormalized(r.min), 0.0);
  EXPECT_DOUBLE_EQ(p->ToNormalized(r.max), 1.0);
}

INSTANTIATE_TEST_SUITE_P(AllParameters, ParamTable, testing::ValuesIn(ExpectedRows()),
                         [](const testing::TestParamInfo<ParamRow>& info)
                         { return "P" + std::to_string(info.param.idx); });

TEST(ParamTableTest, CoversEveryIndexOnceAndListsTheOutputParameters)
{
  const auto rows = ExpectedRows();
  std::vector<int> seen(kNumParams, 0);
  for (const auto& r : rows)
    ++seen[r.idx];
  for (int i = 0; i < kNumParams; ++i)
    EXPECT_EQ(seen[i], 1) << i;

  mixtest::PresetTestPlugin plug;
  EXPECT_EQ(plug.NParams(), 309);
  ASSERT_EQ(plug.mOutputParams.GetSize(), 32);
  for (int i = 0; i < 32; ++i)
    EXPECT_EQ(plug.mOutputParams.Get()[i], 273 + i);
}

// The display texts of all 309 parameters of one instance fit in a few tens of kilobytes (they took
// over a megabyte when each parameter with texts held a page).
TEST(ParamTableTest, DisplayTextsOfAnInstanceTakeLittleMemory)
{
  mixtest::PresetTestPlugin plug;
  long bytes = 0, held = 0;
  for (int i = 0; i < plug.NParams(); ++i)
  {
    bytes += plug.GetParam(i)->DisplayTextBytes();
    held += plug.GetParam(i)->NDisplayTexts();
  }
  EXPECT_GT(held, 300);
  EXPECT_LT(bytes, 32 * 1024);
}

TEST(ParamTableTest, FixedGuiScaleChoiceAndItsScales)
{
  IParam fixed;
  InitFixedGuiScaleParam(fixed);
  EXPECT_EQ(fixed.NDisplayTexts(), 11);
  EXPECT_DOUBLE_EQ(fixed.GetDefault(), 2.0);
  EXPECT_STREQ(fixed.GetDisplayText(0), "50%");
  EXPECT_STREQ(fixed.GetDisplayText(10), "300%");
  EXPECT_STREQ(fixed.GetGroup(), "");

  mixtest::PresetTestPlugin plug;
  const IParam& scale = *plug.GetParam(kParamGuiScale);
  const double expected[] = {0.5, 0.75, 1.0, 1.25, 1.5, 1.75, 2.0, 2.25, 2.5, 2.75, 3.0};
  for (int choice = 0; choice < 11; ++choice)
    EXPECT_DOUBLE_EQ(GuiScaleForChoice(scale, choice), expected[choice]) << choice;
  EXPECT_DOUBLE_EQ(GuiScaleForChoice(scale, 11), 1.0);
  EXPECT_DOUBLE_EQ(GuiScaleForChoice(scale, -1), 1.0);
}

// Values a preset record holds, read back by restoring it into a fresh table.
std::vector<double> RecordValues(const IPreset& record)
{
  mixtest::PresetTestPlugin reader;
  EXPECT_GT(iplugin::IXMLParameters::ReadStateChunk(reader, record.mChunk, 0), 0);
  return reader.Values();
}

TEST(FactoryPresetsTest, NamesInOrderAndBaseRecordZeroIsInit)
{
  mixtest::PresetTestPlugin plug;
  const char* names[] = {"Init", "Normal Mixing", "Auto Mixing", "Auto Balanced Mixing", "Prio Mixing"};
  ASSERT_EQ(plug.mLists.NFactoryPresets(), 5);
  for (int i = 0; i < 5; ++i)
  {
    EXPECT_STREQ(plug.mLists.GetFactoryPreset(i)->mName, names[i]);
    EXPECT_TRUE(plug.mLists.GetFactoryPreset(i)->mInitialized);
  }
  EXPECT_STREQ(plug.GetPresetName(0), "Init");
  EXPECT_TRUE(plug.GetPreset(0)->mInitialized);
  EXPECT_TRUE(plug.GetPreset(0)->mChunk.IsEqual(plug.mLists.mInitPreset.mChunk));
}

struct MixingPreset
{
  int idx;
  int mixMode;
  double strength;
};

class FactoryPresetContent : public testing::TestWithParam<MixingPreset>
{
};

TEST_P(FactoryPresetContent, AppliesWhatItSays)
{
  mixtest::PresetTestPlugin plug;
  // Whatever the current values are, a preset holds defaults for what it does not name.
  plug.RandomiseParamValues();
  const auto values = RecordValues(*plug.mLists.GetFactoryPreset(GetParam().idx));
  mixtest::PresetTestPlugin fresh;
  for (int i = 0; i < kNumParams; ++i)
  {
    double expected = fresh.GetParam(i)->GetDefault();
    if (i == kParamSpeechPreFilter) expected = 1;
    if (i == kParamPreDelay) expected = 0;
    if (i == kParamNoiseGate) expected = -48.0;
    if (i == kParamMixMode) expected = GetParam().mixMode;
    if (i == kParamModAttn) expected = -12.0;
    if (i == kParamAttack || i == kParamRelease) expected = 0.3;
    if (i == kParamHold || i == kParamMainVolume) expected = 0.0;
    if (i == kParamStrength) expected = GetParam().strength;
    if (i >= 17 && i <= 144) expected = 0;
    EXPECT_DOUBLE_EQ(values[i], expected) << "parameter " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Mixing, FactoryPresetContent,
                         testing::Values(MixingPreset{1, 0, 0.0}, MixingPreset{2, 1, 0.5},
                                         MixingPreset{3, 2, 0.0}, MixingPreset{4, 3, 0.0}));

TEST(FactoryPresetsTest, InitHoldsEveryDefaultAndPairsForOneParameterKeepTheLater)
{
  mixtest::PresetTestPlugin plug;
  plug.RandomiseParamValues();
  const auto init = RecordValues(*plug.mLists.GetFactoryPreset(0));
  mixtest::PresetTestPlugin fresh;
  EXPECT_EQ(init, fresh.Values());

  IPreset record;
  const NamedParamValue pairs[] = {{kParamMixMode, 1}, {kParamMixMode, 3}, {kParamNoiseGate, -30.5}};
  ASSERT_TRUE(PresetLists::FillPresetFromNamedParams(plug, record, "Twice", pairs, 3));
  const auto values = RecordValues(record);
  EXPECT_DOUBLE_EQ(values[kParamMixMode], 3);
  EXPECT_DOUBLE_EQ(values[kParamNoiseGate], -30.5);
  EXPECT_STREQ(record.mName, "Twice");
}
} // namespace
