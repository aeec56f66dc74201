#include "framework/PluginPaths.h"

#include <QorvPlatform/Bundles.h>
#include <gtest/gtest.h>

#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TestPaths.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace
{
namespace fs = std::filesystem;
using iplugin::StringBuf;

void Touch(const std::string& path)
{
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path) << "x";
}

// A home folder of its own and a registered plug-in bundle for each test.
class Paths : public ::testing::Test
{
protected:
  void SetUp() override
  {
    // Shards run in parallel processes: each test gets a folder of its own.
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string id = std::string(test->test_suite_name()) + "." + test->name();
    for (char& ch : id)
      if (ch == '/') ch = '_';
    root = qorvtest::ScratchDir("paths-" + id);
    home = root + "/home";
    fs::create_directories(home);
    Save("HOME", home.c_str());
    Save("XDG_DATA_HOME", nullptr);
    bundle = root + "/Plugins/Sample.component";
    std::ofstream(Make(bundle + "/Contents/Info.plist"))
        << "<plist version=\"1.0\"><dict><key>CFBundleIdentifier</key><string>com.example.paths</string>"
           "<key>CFBundleExecutable</key><string>Sample</string></dict></plist>";
    Touch(bundle + "/Contents/MacOS/Sample");
    resources = bundle + "/Contents/Resources";
    qorvplatform::RegisterBundle(bundle.c_str());
  }
  void Save(const char* name, const char* value) { env.Set(name, value); }
  static std::string Make(const std::string& file)
  {
    fs::create_directories(fs::path(file).parent_path());
    return file;
  }

  std::string root, home, bundle, resources;
  qorvtest::ScopedEnvironment env;
};

TEST_F(Paths, UserFoldersComeFromTheHomeFolder)
{
  StringBuf s;
  iplugin::AppSupportPath(s);
  EXPECT_STREQ(s.Get(), (home + "/.local/share").c_str());
  iplugin::AppSupportPath(s, true);
  EXPECT_STREQ(s.Get(), "/usr/share");
  iplugin::AppSupportSubPath(s, "Qorv/AU");
  EXPECT_STREQ(s.Get(), (home + "/.local/share/Qorv/AU").c_str());
  iplugin::MusicPath(s);
  EXPECT_STREQ(s.Get(), (home + "/Music").c_str());
  iplugin::DesktopPath(s);
  EXPECT_STREQ(s.Get(), (home + "/Desktop").c_str());
  iplugin::HomePath(s);
  EXPECT_STREQ(s.Get(), home.c_str());
  iplugin::UserPresetsPath(s, "Lumenkraft", "Qorv", false);
  EXPECT_STREQ(s.Get(), (home + "/.local/share/Audio/Presets/Lumenkraft/Qorv/").c_str());
  iplugin::UserPresetsPath(s, "Lumenkraft", "Qorv", true);
  EXPECT_STREQ(s.Get(), "/usr/local/share/Audio/Presets/Lumenkraft/Qorv/");
  Save("XDG_DATA_HOME", "/srv/data");
  iplugin::AppSupportPath(s);
  EXPECT_STREQ(s.Get(), "/srv/data");
}

TEST_F(Paths, FormattedPathsStayWithinTheirLimit)
{
  std::string longName(3000, 'n');
  StringBuf s;
  iplugin::UserPresetsPath(s, "Maker", longName.c_str(), false);
  EXPECT_EQ(s.GetLength(), 1023);
  iplugin::AppSupportSubPath(s, longName.c_str());
  EXPECT_EQ(s.GetLength(), 1023);
}

TEST_F(Paths, SandboxedWhenHomeLiesInAContainer)
{
  EXPECT_FALSE(iplugin::IsSandboxed());
  Save("HOME", "/Users/someone/Library/Containers/com.example.host/Data");
  EXPECT_TRUE(iplugin::IsSandboxed());
}

TEST_F(Paths, BundleFoldersByIdentifierAndUnchangedForAnUnknownOne)
{
  StringBuf s;
  iplugin::BundleExecutablePath(s, "com.example.paths");
  EXPECT_STREQ(s.Get(), (bundle + "/Contents/MacOS/Sample").c_str());
  iplugin::BundleFolderPath(s, "com.example.paths");
  EXPECT_STREQ(s.Get(), (root + "/Plugins/").c_str());
  iplugin::BundleResourcePath(s, "com.example.paths");
  EXPECT_STREQ(s.Get(), resources.c_str());
  s.Set("kept");
  iplugin::BundleExecutablePath(s, "com.example.unknown");
  iplugin::BundleFolderPath(s, "com.example.unknown");
  iplugin::BundleResourcePath(s, nullptr);
  EXPECT_STREQ(s.Get(), "kept");
}

struct LocateCase
{
  const char* label;
  std::string name; // "@" stands for the scratch root
  const char* type;
  const char* bundleID;
  const char* shared;
  bool found;
  std::string expected; // "@" as above
};

class Locate : public Paths, public ::testing::WithParamInterface<LocateCase>
{
};

std::string Expand(const std::string& text, const std::string& root)
{
  return (!text.empty() && text[0] == '@') ? root + text.substr(1) : text;
}

TEST_P(Locate, SearchesBundleThenSharedFolderThenPlainPath)
{
  const LocateCase& c = GetParam();
  Touch(resources + "/knob.png");
  Touch(resources + "/img/fader.svg");
  Touch(resources + "/png.png");
  Touch(home + "/Music/Shared/Resources/meter.png");
  Touch(home + "/Music/Shared/Resources/knob.png");
  Touch(root + "/loose/knob.png");
  Touch(root + "/loose/meter.png");
  StringBuf result("stale");
  EXPECT_EQ(iplugin::LocateResource(c.name.empty() ? nullptr : Expand(c.name, root).c_str(), c.type, result,
                                    c.bundleID, c.shared),
            c.found);
  if (c.found)
  {
    EXPECT_STREQ(result.Get(), Expand(c.expected, root).c_str());
  }
}

const std::string kRes = "@/Plugins/Sample.component/Contents/Resources";

INSTANTIATE_TEST_SUITE_P(
    Table, Locate,
    ::testing::Values(
        LocateCase{"ExtensionCaseIgnored", "knob.PNG", "png", "com.example.paths", "Shared", true,
                   kRes + "/knob.png"},
        LocateCase{"FolderPartsKeptOnSecondTry", "img/fader.svg", "svg", "com.example.paths", nullptr, true,
                   kRes + "/img/fader.svg"},
        LocateCase{"BaseNameFromADeeperPath", "@/elsewhere/knob.png", "png", "com.example.paths", nullptr,
                   true, kRes + "/knob.png"},
        LocateCase{"NameWithoutDotEqualToType", "png", "png", "com.example.paths", nullptr, true,
                   kRes + "/png.png"},
        LocateCase{"SharedFolderAfterBundle", "meter.png", "png", "com.example.paths", "Shared", true,
                   "@/home/Music/Shared/Resources/meter.png"},
        LocateCase{"SharedFolderWithUnknownBundle", "knob.png", "png", "com.example.unknown", "Shared", true,
                   "@/home/Music/Shared/Resources/knob.png"},
        LocateCase{"NoSubPathSkipsSharedFolder", "meter.png", "png", "com.example.paths", nullptr, false, ""},
        LocateCase{"EmptySubPathSkipsSharedFolder", "meter.png", "png", "com.example.paths", "", false, ""},
        LocateCase{"WrongTypeSkipsBundleAndShared", "knob.png", "svg", "com.example.paths", "Shared", false,
                   ""},
        LocateCase{"WrongTypeStillFindsPlainPath", "@/loose/knob.png", "svg", "com.example.paths", "Shared",
                   true, "@/loose/knob.png"},
        LocateCase{"PlainPathLast", "@/loose/meter.png", "png", "com.example.unknown", nullptr, true,
                   "@/loose/meter.png"},
        LocateCase{"EmptyName", "", "png", "com.example.paths", "Shared", false, ""},
        LocateCase{"Missing", "nothing.png", "png", "com.example.paths", "Shared", false, ""}),
    [](const ::testing::TestParamInfo<LocateCase>& info) { return std::string(info.param.label); });

TEST_F(Paths, FailedSearchStepsEmptyTheOutput)
{
  StringBuf result("stale");
  EXPECT_FALSE(iplugin::LocateResource("nothing.png", "png", result, "com.example.paths", "Shared"));
  EXPECT_STREQ(result.Get(), "");
}
} // namespace
