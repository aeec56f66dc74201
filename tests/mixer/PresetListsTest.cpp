#include "mixer/IMPlugPaths.h"
#include "mixer/PresetLists.h"
#include "tests/mixer/PresetTestPlugin.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <sys/stat.h>

using namespace iplugin;
using mixtest::PresetTestPlugin;
namespace fs = std::filesystem;

namespace
{
std::string Preset(const std::string& presetName, const std::string& params)
{
  return "<PresetXMLTree version=\"1\"><PluginVendor>Lumenkraft</PluginVendor><PluginName>Qorv</PluginName>"
         "<PluginVersion>v2.1.2</PluginVersion><Preset name=\"" +
         presetName + "\"><Parameter>" + params + "</Parameter></Preset></PresetXMLTree>";
}

void Write(const std::string& path, const std::string& text)
{
  std::ofstream(path, std::ios::binary) << text;
}

std::vector<double> RecordValues(const IPreset& record)
{
  PresetTestPlugin reader;
  EXPECT_GT(IXMLParameters::ReadStateChunk(reader, record.mChunk, 0), 0);
  return reader.Values();
}

TEST(UserPresetListTest, AcceptableFilesInNameOrderOthersSkipped)
{
  const std::string dir = qorvtest::ScratchDir("user_presets_order");
  Write(dir + "/b.qxs", Preset("Bee", "<Param name=\"Mix Mode\" val=\"3\"/>"));
  Write(dir + "/a.qxs", Preset("Ay", "<Param name=\"Hold\" val=\"1.5\"/>"));
  Write(dir + "/c.qxs.bak", Preset("Sea", "<Param name=\"Hold\" val=\"1\"/>"));
  Write(dir + "/notes.txt", Preset("Text", "<Param name=\"Hold\" val=\"1\"/>"));
  Write(dir + "/d.qxs", Preset("Empty", ""));
  Write(dir + "/e.qxs", Preset("Nobody", "<Param name=\"Nothing\" val=\"1\"/>"));
  Write(dir + "/f.qxs", "<PresetXMLTree><PluginVendor>Other</PluginVendor></PresetXMLTree>");
  fs::create_directory(dir + "/folder.qxs");
  fs::create_symlink(dir + "/a.qxs", dir + "/link.qxs");

  PresetTestPlugin plug;
  plug.RandomiseParamValues();
  for (int pass = 0; pass < 2; ++pass) // rebuilding twice gives no duplicates
  {
    plug.mLists.RebuildUserPresetList(plug, plug.mXml, dir.c_str());
    ASSERT_EQ(plug.mLists.NUserPresets(), 4);
    const char* names[] = {"Ay", "Bee", "Sea", "Nobody"};
    for (int i = 0; i < 4; ++i)
    {
      EXPECT_STREQ(plug.mLists.GetUserPreset(i)->mName, names[i]);
      EXPECT_TRUE(plug.mLists.GetUserPreset(i)->mInitialized);
    }
  }
  // A record holds the file's values and defaults elsewhere, whatever the current values are.
  PresetTestPlugin fresh;
  auto expected = fresh.Values();
  expected[kParamHold] = 1.5;
  EXPECT_EQ(RecordValues(*plug.mLists.GetUserPreset(0)), expected);
  EXPECT_EQ(RecordValues(*plug.mLists.GetUserPreset(3)), fresh.Values());
}

TEST(UserPresetListTest, MissingFolderLeavesTheListEmpty)
{
  PresetTestPlugin plug;
  const std::string dir = qorvtest::ScratchDir("user_presets_missing");
  Write(dir + "/a.qxs", Preset("A", "<Param name=\"Hold\" val=\"1\"/>"));
  plug.mLists.RebuildUserPresetList(plug, plug.mXml, dir.c_str());
  EXPECT_EQ(plug.mLists.NUserPresets(), 1);
  plug.mLists.RebuildUserPresetList(plug, plug.mXml, (dir + "/gone").c_str());
  EXPECT_EQ(plug.mLists.NUserPresets(), 0);
}

TEST(PresetRecordTest, CopyToSlotAndFromFileBoundTheName)
{
  PresetTestPlugin plug;
  const std::string dir = qorvtest::ScratchDir("preset_record_names");
  Write(dir + "/long.qxs", Preset(std::string(400, 'x'), "<Param name=\"Hold\" val=\"1\"/>"));
  IPreset record;
  EXPECT_TRUE(plug.mXml.LoadPresetFileToSlot(plug, record, (dir + "/long.qxs").c_str()));
  EXPECT_EQ(std::strlen(record.mName), size_t(IPreset::kNameLen - 1));
  ASSERT_TRUE(PresetLists::CopyPresetToSlot(plug, record, 0));
  EXPECT_STREQ(plug.GetPresetName(0), record.mName);
  EXPECT_TRUE(plug.GetPreset(0)->mChunk.IsEqual(record.mChunk));
  EXPECT_FALSE(PresetLists::CopyPresetToSlot(plug, record, 1));
  ASSERT_TRUE(plug.RestorePreset(0));
  EXPECT_EQ(plug.GetParam(kParamHold)->Value(), 1.0);

  // A file that fails gives a record of defaults named "".
  IPreset bad;
  EXPECT_FALSE(plug.mXml.LoadPresetFileToSlot(plug, bad, (dir + "/none.qxs").c_str()));
  EXPECT_TRUE(bad.mInitialized);
  EXPECT_STREQ(bad.mName, "");
  EXPECT_EQ(RecordValues(bad), PresetTestPlugin().Values());
}

TEST(PresetRecordTest, WithoutTheDynamicSwitchTheBaseListIsFilled)
{
  PresetTestPlugin plug;
  plug.mLists.mDynamicPresets = false;
  plug.GetPreset(0)->mInitialized = false;
  const NamedParamValue pair{kParamMixMode, 1};
  EXPECT_EQ(PresetLists::FirstUnusedPreset(plug), plug.GetPreset(0));
  EXPECT_TRUE(plug.mLists.MakePresetFromNamedParams(plug, "Base", &pair, 1));
  EXPECT_STREQ(plug.GetPresetName(0), "Base");
  EXPECT_EQ(PresetLists::FirstUnusedPreset(plug), nullptr);
  EXPECT_FALSE(plug.mLists.MakePresetFromNamedParams(plug, "None free", &pair, 1));
  EXPECT_EQ(plug.mLists.NFactoryPresets(), 5);
}

// --- Settings file and data folders. ---

class PluginPathsTest : public testing::Test
{
protected:
  void SetUp() override
  {
    root = qorvtest::ScratchDir(std::string("plugin_paths_") +
                                testing::UnitTest::GetInstance()->current_test_info()->name());
    const char* old = std::getenv("XDG_DATA_HOME");
    saved = old ? old : "";
    hadOld = old != nullptr;
    setenv("XDG_DATA_HOME", root.c_str(), 1);
  }
  void TearDown() override
  {
    if (hadOld)
      setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
      unsetenv("XDG_DATA_HOME");
  }
  std::string root, saved;
  bool hadOld = false;
};

TEST_F(PluginPathsTest, FoldersAreCreatedUnderTheUsersMask)
{
  const mode_t old = umask(022);
  IMPlugPaths paths(nullptr);
  paths.CreatePluginFolders();
  EXPECT_EQ(umask(old), mode_t(022)); // the mask is left as it was
  EXPECT_EQ(std::string(paths.DataFolder()), root + "/Qorv");
  EXPECT_EQ(std::string(paths.AUFolder()), root + "/Qorv/AU");
  struct stat st;
  ASSERT_EQ(stat(paths.AUFolder(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0755u); // not world-writable
  ASSERT_EQ(stat(paths.DataFolder(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0755u);
}

struct IniCase
{
  const char* what;
  const char* text;
  int expected;
};

class HasUIParsing : public PluginPathsTest, public testing::WithParamInterface<IniCase>
{
};

TEST_P(HasUIParsing, FollowsTheScan)
{
  IMPlugPaths paths(nullptr);
  paths.CreatePluginFolders();
  if (GetParam().text) Write(std::string(paths.DataFolder()) + "/plugin.ini", GetParam().text);
  EXPECT_EQ(paths.ReadIniInt("GUI", "HasUI", 1), GetParam().expected) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, HasUIParsing,
    testing::Values(
        IniCase{"no file", nullptr, 1}, IniCase{"empty file", "", 1},
        IniCase{"section then key", "[GUI]\nHasUI=0\n", 0},
        IniCase{"last match wins", "HasUI=1\nHasUI=0\n", 0},
        IniCase{"last match wins back", "HasUI=0\r\nHasUI=1\r\n", 1},
        IniCase{"blank before equals", "HasUI =0\n", 1}, IniCase{"blank after equals", "HasUI= 0\n", 0},
        IniCase{"leading blank", "  HasUI=0\n", 1}, IniCase{"no number", "HasUI=\n", 1},
        IniCase{"text after number", "HasUI=0 ; off\n", 0}, IniCase{"case matters", "hasui=0\n", 1},
        IniCase{"other value", "HasUI=7", 7}, IniCase{"negative", "HasUI=-3", -3},
        IniCase{"huge", "HasUI=99999999999999999999", INT32_MAX}, IniCase{"longer key", "HasUIX=0\n", 1},
        IniCase{"after a long line",
                "x=aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\nHasUI=0", 0}));

TEST_F(PluginPathsTest, LongLinesAreReadInPieces)
{
  IMPlugPaths paths(nullptr);
  paths.CreatePluginFolders();
  // The key at the start of the second 2,047-character piece of one line still matches.
  Write(std::string(paths.DataFolder()) + "/plugin.ini", std::string(2047, 'x') + "HasUI=0\n");
  EXPECT_EQ(paths.ReadIniInt("GUI", "HasUI", 1), 0);
}
} // namespace
