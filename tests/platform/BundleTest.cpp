#include <CoreFoundation/CoreFoundation.h>
#include <Foundation/Foundation.h>
#include <QorvPlatform/Bundles.h>
#include <QorvPlatform/CFLiveObjects.h>
#include <gtest/gtest.h>

#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TestPaths.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

namespace
{
namespace fs = std::filesystem;

void WriteFile(const fs::path& path, const std::string& text)
{
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

std::string InfoPlist(const std::string& id, const std::string& version, const std::string& exe)
{
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
         "<key>CFBundleIdentifier</key><string>" +
         id + "</string>\n<key>CFBundleVersion</key><string>" + version +
         "</string>\n<key>CFBundleExecutable</key><string>" + exe + "</string>\n</dict>\n</plist>\n";
}

std::string Text(CFTypeRef s)
{
  const char* p = CFStringGetCStringPtr(static_cast<CFStringRef>(s), kCFStringEncodingUTF8);
  return p ? p : "<not a string>";
}

std::string PathOf(CFURLRef url)
{
  char path[1024] = "";
  CFURLGetFileSystemRepresentation(url, true, reinterpret_cast<UInt8*>(path), sizeof path);
  CFRelease(url);
  return path;
}

class Bundles : public ::testing::Test
{
protected:
  void SetUp() override
  {
    root = qorvtest::ScratchDir(std::string("bundles-") +
                                ::testing::UnitTest::GetInstance()->current_test_info()->name());
    bundle = root + "/Sample.component";
    WriteFile(bundle + "/Contents/Info.plist", InfoPlist("com.example.sample", "2.1.3", "Sample"));
    WriteFile(bundle + "/Contents/MacOS/Sample", "binary");
    WriteFile(bundle + "/Contents/Resources/knob.png", "png");
    WriteFile(bundle + "/Contents/Resources/img/fader.svg", "svg");
    baseline = qorvplatform::LiveCFObjectCount();
  }
  void TearDown() override
  {
    qorvplatform::SetMainBundle(nullptr);
    EXPECT_EQ(qorvplatform::LiveCFObjectCount(), baseline);
  }
  std::string root, bundle;
  long baseline = 0;
};

TEST_F(Bundles, InfoPlistGivesIdentifierVersionAndLocations)
{
  CFBundleRef b = qorvplatform::RegisterBundle(bundle.c_str());
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(Text(CFBundleGetIdentifier(b)), "com.example.sample");
  EXPECT_EQ(Text(CFBundleGetValueForInfoDictionaryKey(b, kCFBundleVersionKey)), "2.1.3");
  EXPECT_EQ(CFBundleGetValueForInfoDictionaryKey(b, CFSTR("Missing")), nullptr);
  EXPECT_EQ(PathOf(CFBundleCopyBundleURL(b)), bundle);
  EXPECT_EQ(PathOf(CFBundleCopyResourcesDirectoryURL(b)), bundle + "/Contents/Resources");
  EXPECT_EQ(PathOf(CFBundleCopyExecutableURL(b)), bundle + "/Contents/MacOS/Sample");
  EXPECT_EQ(CFBundleGetBundleWithIdentifier(CFSTR("com.example.sample")), b);
  EXPECT_EQ(CFBundleGetBundleWithIdentifier(CFSTR("com.example.none")), nullptr);
}

// A host looks the bundle up each time it opens a window: an unchanged Info.plist is not read into another
// dictionary (each one read stays for the process), a changed one is.
TEST_F(Bundles, RegisteringAgainReadsInfoOnlyWhenItChanged)
{
  CFBundleRef b = qorvplatform::RegisterBundle(bundle.c_str());
  CFDictionaryRef first = CFBundleGetInfoDictionary(b);
  for (int i = 0; i < 3; ++i)
  {
    EXPECT_EQ(qorvplatform::RegisterBundle(bundle.c_str()), b);
    EXPECT_EQ(CFBundleGetInfoDictionary(b), first);
  }
  WriteFile(bundle + "/Contents/Info.plist", InfoPlist("com.example.sample", "2.2.0", "Sample"));
  EXPECT_EQ(qorvplatform::RegisterBundle(bundle.c_str()), b);
  EXPECT_NE(CFBundleGetInfoDictionary(b), first);
  EXPECT_EQ(Text(CFBundleGetValueForInfoDictionaryKey(b, kCFBundleVersionKey)), "2.2.0");
}

TEST_F(Bundles, ABinaryDirectlyInContentsIsFound)
{
  fs::remove(bundle + "/Contents/MacOS/Sample");
  WriteFile(bundle + "/Contents/Sample", "binary");
  CFBundleRef b = qorvplatform::RegisterBundle(bundle.c_str());
  EXPECT_EQ(PathOf(CFBundleCopyExecutableURL(b)), bundle + "/Contents/Sample");
}

TEST_F(Bundles, MainBundleIsAbsentUntilSetAndAFolderWithoutInfoHasNoIdentifier)
{
  EXPECT_EQ(CFBundleGetMainBundle(), nullptr);
  std::string host = root + "/Host.app";
  fs::create_directories(host + "/Contents");
  qorvplatform::SetMainBundle(host.c_str());
  ASSERT_NE(CFBundleGetMainBundle(), nullptr);
  EXPECT_EQ(CFBundleGetIdentifier(CFBundleGetMainBundle()), nullptr);
  WriteFile(host + "/Contents/Info.plist", "<dict><key>CFBundleIdentifier</key><string>com.example.host");
  qorvplatform::SetMainBundle(host.c_str()); // malformed: still no identifier
  EXPECT_EQ(CFBundleGetIdentifier(CFBundleGetMainBundle()), nullptr);
  WriteFile(host + "/Contents/Info.plist", InfoPlist("com.example.host", "1.0", "Host"));
  qorvplatform::SetMainBundle(host.c_str());
  EXPECT_EQ(Text(CFBundleGetIdentifier(CFBundleGetMainBundle())), "com.example.host");
  qorvplatform::SetMainBundle((root + "/nowhere").c_str());
  EXPECT_EQ(CFBundleGetMainBundle(), nullptr);
  EXPECT_EQ(qorvplatform::RegisterBundle((root + "/nowhere").c_str()), nullptr);
}

TEST_F(Bundles, NSBundleFindsResourcesByNameAndType)
{
  qorvplatform::RegisterBundle(bundle.c_str());
  NSBundle* b = NSBundle::bundleWithIdentifier("com.example.sample");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->bundlePath(), bundle);
  EXPECT_EQ(b->resourcePath(), bundle + "/Contents/Resources");
  EXPECT_EQ(b->executablePath(), bundle + "/Contents/MacOS/Sample");
  EXPECT_EQ(b->pathForResource("knob", "png"), bundle + "/Contents/Resources/knob.png");
  EXPECT_EQ(b->pathForResource("img/fader", "svg"), bundle + "/Contents/Resources/img/fader.svg");
  EXPECT_EQ(b->pathForResource("img", ""), ""); // a folder is no resource
  EXPECT_EQ(b->pathForResource("", "png"), "");
  EXPECT_EQ(NSBundle::bundleWithIdentifier("com.example.none"), nullptr);
}

struct FolderCase
{
  NSSearchPathDirectory directory;
  NSSearchPathDomainMask domains;
  const char* xdgData;
  std::vector<std::string> expected; // "~" stands for the home folder
};

class Folders : public ::testing::TestWithParam<FolderCase>
{
};

TEST_P(Folders, MapToTheirLinuxCounterparts)
{
  const FolderCase& c = GetParam();
  qorvtest::ScopedEnvironment env;
  env.Set("HOME", "/home/tester");
  env.Set("XDG_DATA_HOME", c.xdgData);
  env.Set("XDG_CACHE_HOME", nullptr);
  std::vector<std::string> expanded;
  for (const std::string& e : c.expected)
    expanded.push_back(e[0] == '~' ? "/home/tester" + e.substr(1) : e);
  EXPECT_EQ(NSSearchPathForDirectoriesInDomains(c.directory, c.domains, true), expanded);
  EXPECT_EQ(NSSearchPathForDirectoriesInDomains(c.directory, c.domains, false), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Folders,
    ::testing::Values(
        FolderCase{NSApplicationSupportDirectory, NSUserDomainMask, nullptr, {"~/.local/share"}},
        FolderCase{NSApplicationSupportDirectory, NSUserDomainMask, "/data/xdg", {"/data/xdg"}},
        FolderCase{NSApplicationSupportDirectory, NSUserDomainMask, "relative/ignored", {"~/.local/share"}},
        FolderCase{NSApplicationSupportDirectory, NSSystemDomainMask, nullptr, {"/usr/share"}},
        FolderCase{NSApplicationSupportDirectory,
                   NSAllDomainsMask,
                   nullptr,
                   {"~/.local/share", "/usr/local/share", "/usr/share"}},
        FolderCase{NSLibraryDirectory, NSLocalDomainMask, nullptr, {"/usr/local/share"}},
        FolderCase{NSMusicDirectory, NSUserDomainMask, nullptr, {"~/Music"}},
        FolderCase{NSMusicDirectory, NSSystemDomainMask, nullptr, {}},
        FolderCase{NSDesktopDirectory, NSUserDomainMask, nullptr, {"~/Desktop"}},
        FolderCase{NSDocumentDirectory, NSUserDomainMask, nullptr, {"~/Documents"}},
        FolderCase{NSCachesDirectory, NSUserDomainMask, nullptr, {"~/.cache"}},
        FolderCase{NSMusicDirectory, NSNetworkDomainMask, nullptr, {}}));

TEST(Folders, HomeFallsBackToTheUserDatabase)
{
  qorvtest::ScopedEnvironment env;
  env.Set("HOME", "/home/elsewhere");
  EXPECT_EQ(NSHomeDirectory(), "/home/elsewhere");
  env.Set("HOME", nullptr);
  EXPECT_FALSE(NSHomeDirectory().empty());
  EXPECT_EQ(NSHomeDirectory()[0], '/');
}
} // namespace
