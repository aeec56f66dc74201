// `qorv-host editor` (and the editor frames of `mix`) as a person at the window meets it: the files it
// writes, the bundle it opens, and what it shows when the plug-in asks the system for something.
#include "host/AudioFile.h"
#include "tests/support/PlacedFile.h"
#include "mixer/UpdatePage.h"
#include "tests/host/HostProcess.h"
#include "tests/support/FileSizeCut.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TestPaths.h"
#include "tests/support/TextLines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

using qorvtest::FileBytes;
using qorvtest::HostRun;
using qorvtest::RunHost;

namespace
{
namespace fs = std::filesystem;

void WriteText(const std::string& path, const std::string& text)
{
  std::ofstream(path, std::ios::binary) << text;
}

class EditorCommandTest : public testing::Test
{
protected:
  void SetUp() override
  {
    dir = qorvtest::ScratchDir(std::string("editor_cmd_") +
                               testing::UnitTest::GetInstance()->current_test_info()->name());
    environment.Set("XDG_DATA_HOME", dir.c_str());
    environment.Set("QORV_HEADLESS", "1");
  }
  // The host on a bundle (the product's by default).
  HostRun Host(std::vector<std::string> args, const std::string& bundle = "")
  {
    args.insert(args.end(),
                {"--plugin", bundle.empty() ? qorvtest::BinaryDir() + "/Qorv.component" : bundle});
    return RunHost(args);
  }
  // A preset file exported by the host itself.
  std::string Preset()
  {
    const std::string path = dir + "/prio.qxs";
    const HostRun run = Host({"preset", "export", "--factory", "Prio Mixing", "-o", path});
    EXPECT_EQ(run.status, 0) << run.err;
    return path;
  }

  // One editor run whose script clicks a menu open and chooses an item (window points, scale 1); what it
  // told on standard error. The menu fades in for 0.1 s of the script's clock before it takes a click.
  std::vector<std::string> ChooseFromMenu(const std::string& menu, const std::string& item)
  {
    const std::string script = dir + "/choose.txt";
    WriteText(script, "click " + menu + "\nwait 0.15\nclick " + item + "\nwait 0.1\n");
    const HostRun run = Host({"editor", "--script", script});
    EXPECT_EQ(run.status, 0) << run.err;
    return qorvtest::Lines(run.err);
  }

  qorvtest::ScopedEnvironment environment;
  std::string dir;
};

bool IsPng(const std::string& bytes)
{
  return bytes.size() > 8 && bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0;
}

TEST_F(EditorCommandTest, AnOutputThatNamesAnInputOrAnotherOutputIsRefusedAndNothingIsTouched)
{
  const std::string preset = Preset(), before = FileBytes(preset);
  const std::string script = dir + "/clicks.txt";
  WriteText(script, "click 151 95\n");
  fs::create_directories(dir + "/sub");
  struct Case
  {
    std::vector<std::string> args;
    std::string message;
  };
  for (const Case& c : std::vector<Case>{
           {{"editor", "--preset", preset, "--png", preset},
            "--png " + preset + " is the same file as --preset"},
           {{"editor", "--preset", preset, "--png", dir + "/sub/../prio.qxs"},
            "is the same file as --preset"},
           {{"editor", "--script", script, "--window-png", script}, "is the same file as --script"},
           {{"editor", "--png", dir + "/a.png", "--window-png", dir + "/sub/../a.png"},
            "is the same file as --window-png"}})
  {
    const HostRun run = Host(c.args);
    EXPECT_EQ(run.status, 2) << c.args.back();
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("an output must not overwrite an input"), std::string::npos) << run.err;
  }
  EXPECT_EQ(FileBytes(preset), before);
  EXPECT_EQ(FileBytes(script), "click 151 95\n");
  EXPECT_FALSE(fs::exists(dir + "/a.png"));

  // Its own preset and a different picture file are fine.
  const HostRun fine = Host({"editor", "--preset", preset, "--png", dir + "/a.png"});
  EXPECT_EQ(fine.status, 0) << fine.err;
  EXPECT_TRUE(IsPng(FileBytes(dir + "/a.png")));
  EXPECT_EQ(FileBytes(preset), before);
}

TEST_F(EditorCommandTest, AFailedPictureWriteIsAnErrorAndLeavesTheOldFileWhole)
{
  // A device is no picture file: refused before the editor opens.
  const HostRun full = Host({"editor", "--png", "/dev/full"});
  EXPECT_EQ(full.status, 1);
  EXPECT_NE(full.err.find("/dev/full: cannot write (is a device"), std::string::npos) << full.err;

  const std::string png = dir + "/editor.png";
  WriteText(png, "the old picture");
  HostRun cut;
  {
    qorvtest::FileSizeCut limit(8192); // a frame of the editor is several times this
    cut = Host({"editor", "--png", png});
  }
  EXPECT_EQ(cut.status, 1);
  EXPECT_NE(cut.err.find(png + ": cannot write (file too large)"), std::string::npos) << cut.err;
  EXPECT_EQ(FileBytes(png), "the old picture");
}

// Without a window on the screen the editor says so before anything runs: --window-png is refused (as a
// usage error when no display is set), so is an editor with nothing to write or play, which would show
// nobody anything, and `mix --editor` tells that its editor runs headless.
TEST_F(EditorCommandTest, WithoutAWindowTheEditorSaysSoBeforeAnythingRuns)
{
  const std::string png = dir + "/window.png", script = dir + "/click.txt";
  WriteText(png, "the old picture");
  WriteText(script, "click 151 95\n"); // the "Speech Filter" switch
  struct Case
  {
    const char *display, *headless;
    std::vector<std::string> args;
    int status;
    std::string message;
  };
  const std::vector<std::string> windowPng = {"editor", "--window-png", png, "--script", script};
  const std::vector<std::string> nothingToWrite = {"editor", "--set", "Mix Mode=Prio"};
  const std::string needs = "): headless, it needs --png OUT.png to write its frame or --script FILE to "
                            "replay events\n";
  for (const Case& c :
       {Case{":0", "1", windowPng, 2, "--window-png needs a display"},
        Case{nullptr, nullptr, windowPng, 2, "--window-png needs a display"},
        Case{"/nowhere/no-server:7", nullptr, windowPng, 1, "/nowhere/no-server:7 cannot be opened"},
        Case{":0", "1", nothingToWrite, 2, "no window for the editor (QORV_HEADLESS is set" + needs},
        Case{nullptr, nullptr, nothingToWrite, 2, "no window for the editor (DISPLAY is not set" + needs},
        Case{"/nowhere/no-server:7", nullptr, nothingToWrite, 1,
             "no window for the editor (the display /nowhere/no-server:7 cannot be opened" + needs}})
  {
    qorvtest::ScopedEnvironment env;
    env.Set("DISPLAY", c.display);
    env.Set("QORV_HEADLESS", c.headless);
    const HostRun run = Host(c.args);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(run.out.find("changed"), std::string::npos) << run.out;
    EXPECT_EQ(c.status == 2, run.err.find("Try 'qorv-host editor --help'") != std::string::npos) << run.err;
  }
  EXPECT_EQ(FileBytes(png), "the old picture");

  qorvhost::AudioFile tone;
  tone.channels = {std::vector<float>(4800, 0.1f)};
  std::string error;
  ASSERT_TRUE(qorvtest::PlaceRecording(dir + "/a.wav", tone, error)) << error;
  const HostRun mix = Host({"mix", "-q", "--editor", "-o", dir + "/mix.wav", dir + "/a.wav"});
  EXPECT_EQ(mix.status, 0) << mix.err;
  EXPECT_NE(mix.err.find("no window for the editor (QORV_HEADLESS is set): it runs headless"),
            std::string::npos)
      << mix.err;
  // How well the editor kept up shows in the summary, headless as in a window: at least its first frame.
  const std::string key = "editor frames drawn: ";
  const size_t drawn = mix.out.find(key);
  ASSERT_NE(drawn, std::string::npos) << mix.out;
  EXPECT_GE(std::atoi(mix.out.c_str() + drawn + key.size()), 1) << mix.out;
}

TEST_F(EditorCommandTest, MixEditorFramesThatCannotBeWrittenFailTheMixAndKeepTheOldFrames)
{
  qorvhost::AudioFile tone;
  tone.channels = {std::vector<float>(480, 0.1f)}; // a mix far below the cut: one frame, at its end
  std::string error;
  const std::string track = dir + "/a.wav";
  ASSERT_TRUE(qorvtest::PlaceRecording(track, tone, error)) << error;
  const std::string frames = dir + "/frames";
  fs::create_directories(frames);
  WriteText(frames + "/frame-0001.png", "the old frame");
  HostRun run;
  {
    qorvtest::FileSizeCut limit(8192);
    run = Host({"mix", "-q", "--png-every", "0.5", frames, "-o", dir + "/mix.wav", track});
  }
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find(frames + "/frame-0001.png: cannot write (file too large)"), std::string::npos)
      << run.err;
  EXPECT_EQ(FileBytes(frames + "/frame-0001.png"), "the old frame");

  // A file named among the frames is an input the frames would overwrite.
  const std::string inFrames = frames + "/frame-0002.png";
  fs::copy_file(track, inFrames);
  const HostRun refused = Host({"mix", "-q", "--png-every", "0.5", frames, "-o", dir + "/mix.wav", inFrames});
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.err.find("an input " + inFrames + " is in the folder of --png-every"), std::string::npos)
      << refused.err;
  EXPECT_EQ(FileBytes(inFrames), FileBytes(track));
}

TEST_F(EditorCommandTest, ARenamedCopyOfTheBundleOpensItsEditor)
{
  const fs::path original = fs::path(qorvtest::BinaryDir()) / "Qorv.component" / "Contents";
  const std::string plist = FileBytes((original / "Info.plist").string());
  const std::string executableKey = "<key>CFBundleExecutable</key>\n\t<string>Qorv</string>";
  ASSERT_NE(plist.find(executableKey), std::string::npos) << plist;
  struct Copy
  {
    std::string folder, binary;
  };
  for (const Copy& copy : {Copy{"Renamed.component", "Qorv"}, Copy{"Mixer Copy.component", "Mixer"}})
  {
    const fs::path contents = fs::path(dir) / copy.folder / "Contents";
    fs::create_directories(contents / "MacOS");
    fs::create_directory_symlink(original / "Resources", contents / "Resources");
    fs::create_symlink(original / "MacOS" / "Qorv", contents / "MacOS" / copy.binary);
    std::string renamed = plist;
    renamed.replace(renamed.find(executableKey), executableKey.size(),
                    "<key>CFBundleExecutable</key>\n\t<string>" + copy.binary + "</string>");
    WriteText((contents / "Info.plist").string(), renamed);
    const std::string bundle = (fs::path(dir) / copy.folder).string();
    for (const char* command : {"info", "validate"})
      EXPECT_EQ(Host({command}, bundle).status, 0) << command << " " << copy.folder;
    const HostRun run = Host({"editor", "--png", dir + "/" + copy.binary + ".png"}, bundle);
    EXPECT_EQ(run.status, 0) << copy.folder << ": " << run.err;
    EXPECT_NE(run.out.find("editor 875 x 580 points"), std::string::npos) << run.out;
    EXPECT_TRUE(IsPng(FileBytes(dir + "/" + copy.binary + ".png")));
  }
}

constexpr const char* kPluginMenu = "205 25";

TEST_F(EditorCommandTest, ThePlugInMenusItemsShowWhatTheyOpenOnStandardError)
{
  const std::vector<std::string> about = ChooseFromMenu(kPluginMenu, "130 75");
  ASSERT_GE(about.size(), 3u);
  EXPECT_EQ(about.front(), "message box \"About\"");
  for (const char* line : {"  Plugin name: Qorv", "  Version: 2.1.2", "  Host: Unknown"})
    EXPECT_NE(std::find(about.begin(), about.end(), line), about.end()) << line;
  EXPECT_EQ(about.back(), "message box answer: OK");

  struct Item
  {
    const char* name;
    const char* at;
    std::string told;
  };
  for (const Item& item : {
           Item{"Open manual", "130 100",
                "open /Users/Shared/Documents/Qorv/Qorv manual.pdf: no such file or folder"},
           Item{"Changelog", "130 121", "open " QORV_MAKER_WEB_SERVER "/products/qor#Changelog"},
           Item{"Check for update", "130 142",
                "open " QORV_MAKER_WEB_SERVER "/productversioncheck?product=Qorv&version=2.1.2"},
           Item{"Open data folder", "130 167", "open " + dir + "/Qorv"},
       })
    EXPECT_EQ(ChooseFromMenu(kPluginMenu, item.at), std::vector<std::string>{item.told}) << item.name;
}

TEST_F(EditorCommandTest, ThePresetMenusFilePanelsSayThatNoFileIsChosenHere)
{
  // The preset name opens the preset menu; "Load preset ..." and "Save preset ..." each run a panel.
  const std::vector<std::string> load = ChooseFromMenu("475 24", "450 75");
  EXPECT_EQ(load,
            std::vector<std::string>{"open panel in " + dir + "/Qorv (qxs): cancelled, no file chosen"});
  const std::vector<std::string> save = ChooseFromMenu("475 24", "450 121");
  ASSERT_FALSE(save.empty());
  EXPECT_EQ(save.front(), "save panel in " + dir + "/Qorv (qxs): cancelled, no file chosen");
}
} // namespace

namespace
{
// A bad script line is told with its number, the bytes a terminal would act on escaped and no more than
// 80 characters of it, however long it is.
TEST_F(EditorCommandTest, ABadScriptLineIsToldByNumberEscapedAndShort)
{
  const std::string script = dir + "/bad.txt";
  WriteText(script,
            "move 10 10\n# a comment\nclick 1 1 \x1b[31m\x07" + std::string(1 << 20, 'A') + "\nmove 2 2\n");
  const HostRun run = Host({"editor", "--script", script});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find(script + ":3: bad script line: click 1 1 \\x1B[31m\\x07AAA"), std::string::npos)
      << run.err;
  const std::string shown = run.err.substr(run.err.find("bad script line: ") + 17);
  EXPECT_EQ(shown.find("... (1048592 bytes)\n"), 80u) << shown;
  EXPECT_EQ(std::count_if(run.err.begin(), run.err.end(), [](char c) { return c == '\x1b' || c == '\x07'; }),
            0);
  EXPECT_LT(run.err.size(), 1000u);
}
} // namespace
