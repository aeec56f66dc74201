#include <AppKit/AppKit.h>
#include <AppKit/NSSavePanel.h>
#include <QorvPlatform/Dialogs.h>

#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TestPaths.h"
#include "tests/support/TextLines.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

namespace
{
class DialogsTest : public testing::Test
{
protected:
  void SetUp() override { qorvplatform::ResetDialogs(); }
  void TearDown() override { qorvplatform::ResetDialogs(); }
};

struct AlertCase
{
  const char* alternate;
  const char* other;
  int scripted; // -1: nothing queued
  long expected;
};

class AlertAnswerTest : public DialogsTest, public testing::WithParamInterface<AlertCase>
{
};

TEST_P(AlertAnswerTest, ScriptedButtonGivesItsResult)
{
  const AlertCase& c = GetParam();
  if (c.scripted >= 0) qorvplatform::ScriptAlertAnswer(c.scripted);
  EXPECT_EQ(NSRunAlertPanel("Title", "%@", "Yes", c.alternate, c.other, "Body"), c.expected);
  ASSERT_EQ(qorvplatform::ShownAlerts().size(), 1u);
  EXPECT_EQ(qorvplatform::ShownAlerts()[0].answer, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Buttons, AlertAnswerTest,
                         testing::Values(AlertCase{"Cancel", "No", -1, NSAlertDefaultReturn},
                                         AlertCase{"Cancel", "No", 0, NSAlertDefaultReturn},
                                         AlertCase{"Cancel", "No", 1, NSAlertAlternateReturn},
                                         AlertCase{"Cancel", "No", 2, NSAlertOtherReturn},
                                         AlertCase{nullptr, nullptr, 2, NSAlertDefaultReturn},
                                         AlertCase{"", nullptr, 1, NSAlertDefaultReturn}));

TEST_F(DialogsTest, AnswersAreUsedInOrderAndPanelsRecorded)
{
  qorvplatform::ScriptAlertAnswer(1);
  qorvplatform::ScriptAlertAnswer(2);
  EXPECT_EQ(NSRunAlertPanel("A", "%@", "OK", "Cancel", nullptr, "first"), NSAlertAlternateReturn);
  EXPECT_EQ(NSRunAlertPanel("B", "%@", nullptr, nullptr, "Other", "100% sure"), NSAlertOtherReturn);
  EXPECT_EQ(NSRunAlertPanel("C", "%@", "OK", nullptr, nullptr, "third"), NSAlertDefaultReturn);
  const auto& shown = qorvplatform::ShownAlerts();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].title, "A");
  EXPECT_EQ(shown[0].buttons, (std::vector<std::string>{"OK", "Cancel"}));
  EXPECT_EQ(shown[1].message, "100% sure"); // shown as it stands, not as a format
  EXPECT_EQ(shown[1].buttons, (std::vector<std::string>{"OK", "Other"}));
}

TEST_F(DialogsTest, WorkspaceRecordsWhatItOpens)
{
  NSWorkspace* ws = NSWorkspace::sharedWorkspace();
  EXPECT_TRUE(ws->openURL(NSURL::URLWithString("https://example.org/page?x=1")));
  EXPECT_TRUE(ws->openURL(NSURL::fileURLWithPath("/Users/Shared/manual.pdf")));
  EXPECT_FALSE(ws->openURL(NSURL::URLWithString("")));
  EXPECT_FALSE(ws->openURL(nullptr));
  EXPECT_EQ(qorvplatform::OpenedURLs(),
            (std::vector<std::string>{"https://example.org/page?x=1", "file:///Users/Shared/manual.pdf"}));
}

TEST_F(DialogsTest, EchoPrintsEachOpenedAddress)
{
  qorvplatform::SetEchoOpenedURLs(true);
  testing::internal::CaptureStdout();
  NSWorkspace::sharedWorkspace()->openURL(NSURL::URLWithString("https://example.org/"));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "open https://example.org/\n");
}

TEST_F(DialogsTest, ShownToTheUserEachPanelTellsItsTitleTextAndAnswer)
{
  NSRunAlertPanel("Quiet", "%@", "OK", nullptr, nullptr, "not told");
  qorvplatform::SetShowToUser(true);
  qorvplatform::ScriptAlertAnswer(1);
  testing::internal::CaptureStderr();
  NSRunAlertPanel("About", "%@", "OK", "Cancel", nullptr, "Plugin name: Qorv\n\nHost: Unknown\n");
  NSRunAlertPanel("", "%@", nullptr, nullptr, nullptr, "");
  qorvplatform::ScriptAlertAnswer(2);
  NSRunAlertPanel("Save?", "%@", "Yes", "Cancel", "No", "100% sure");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "message box \"About\"\n"
                                                    "  Plugin name: Qorv\n"
                                                    "\n"
                                                    "  Host: Unknown\n"
                                                    "message box answer: Cancel\n"
                                                    "message box \"\"\n"
                                                    "message box answer: OK\n"
                                                    "message box \"Save?\"\n"
                                                    "  100% sure\n"
                                                    "message box answer: No\n");
  EXPECT_EQ(qorvplatform::ShownAlerts().size(), 4u); // recorded as before
}

TEST_F(DialogsTest, ShownToTheUserEachFilePanelTellsWhatItAskedAndWhatWasChosen)
{
  qorvplatform::SetShowToUser(true);
  testing::internal::CaptureStderr();
  NSSavePanel* save = NSSavePanel::savePanel();
  save->setAllowedFileTypes({"qxs"});
  EXPECT_EQ(save->runModalForDirectory("/home/u/Qorv", "Mix.qxs"), NSModalResponseCancel);
  qorvplatform::ScriptPanelAnswer("/home/u/Qorv/b.qxs");
  EXPECT_EQ(NSOpenPanel::openPanel()->runModalForDirectory("/home/u/Qorv", "", {"qxs", "xml"}),
            NSModalResponseOK);
  NSOpenPanel* folder = NSOpenPanel::openPanel();
  folder->setTitle("Choose a Directory");
  EXPECT_EQ(folder->runModal(), NSModalResponseCancel);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "save panel in /home/u/Qorv for Mix.qxs (qxs): cancelled, no file chosen\n"
            "open panel in /home/u/Qorv (qxs xml): /home/u/Qorv/b.qxs\n"
            "open panel \"Choose a Directory\": cancelled, no file chosen\n");
  EXPECT_EQ(qorvplatform::ShownPanels().size(), 3u); // recorded as before
}

// A stand-in for the desktop's opener that notes each address it is given.
class DesktopOpenerTest : public DialogsTest
{
protected:
  void SetUp() override
  {
    DialogsTest::SetUp();
    dir = qorvtest::ScratchDir("desktop_opener");
    std::filesystem::create_directories(dir + "/bin");
    const std::string opener = dir + "/bin/xdg-open";
    std::ofstream(opener) << "#!/bin/sh\nprintf '%s\\n' \"$1\" >>" << dir << "/opened.txt\n";
    chmod(opener.c_str(), 0755);
    environment.Set("PATH", (dir + "/bin:/usr/bin:/bin").c_str());
    environment.Set("DISPLAY", ":0");
    environment.Set("QORV_HEADLESS", nullptr);
    qorvplatform::SetShowToUser(true);
  }
  // Opens a web page, the scratch folder and a file that is not there; what was told on standard error.
  std::string OpenThree()
  {
    NSWorkspace* ws = NSWorkspace::sharedWorkspace();
    testing::internal::CaptureStderr();
    EXPECT_TRUE(ws->openURL(NSURL::URLWithString("https://example.org/products/qor#Changelog")));
    EXPECT_TRUE(ws->openURL(NSURL::fileURLWithPath(dir)));
    ws->openURL(NSURL::fileURLWithPath(dir + "/no manual.pdf"));
    return testing::internal::GetCapturedStderr();
  }
  // The addresses the opener wrote, once it has written `count` of them (or after a minute: the openers
  // are processes of their own, slow to start on a loaded machine).
  std::vector<std::string> OpenerSaw(size_t count)
  {
    std::vector<std::string> lines;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (;;)
    {
      std::ifstream in(dir + "/opened.txt");
      lines = qorvtest::Lines(std::string(std::istreambuf_iterator<char>(in), {}));
      if (lines.size() >= count || std::chrono::steady_clock::now() > deadline) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return lines;
  }
  std::string Told() const
  {
    return "open https://example.org/products/qor#Changelog\nopen " + dir + "\nopen " + dir +
           "/no manual.pdf: no such file or folder\n";
  }

  qorvtest::ScopedEnvironment environment;
  std::string dir;
};

TEST_F(DesktopOpenerTest, WithADisplayTheOpenerShowsWhatExistsAndEveryAddressIsTold)
{
  // Headless: the same lines, and the opener is left alone.
  {
    qorvtest::ScopedEnvironment headless;
    headless.Set("QORV_HEADLESS", "1");
    EXPECT_EQ(OpenThree(), Told());
  }
  EXPECT_EQ(OpenThree(), Told());
  EXPECT_EQ(OpenerSaw(2), (std::vector<std::string>{"https://example.org/products/qor#Changelog", dir}));
  // A missing file was not handed over, and the headless run handed nothing over either.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(OpenerSaw(0).size(), 2u);
}

// A host that ignores SIGPIPE and SIGXFSZ for its own writes hands the opener neither: a script's pipe
// whose reader has gone ends its writer as usual.
TEST_F(DesktopOpenerTest, TheOpenerGetsNoneOfTheSignalsTheHostIgnores)
{
  const std::string opener = dir + "/bin/xdg-open";
  std::ofstream(opener) << "#!/bin/sh\nsed -n 's/^SigIgn:[[:space:]]*//p' /proc/$$/status >>" << dir
                        << "/opened.txt\n";
  const auto oldPipe = std::signal(SIGPIPE, SIG_IGN), oldSize = std::signal(SIGXFSZ, SIG_IGN);
  testing::internal::CaptureStderr();
  EXPECT_TRUE(NSWorkspace::sharedWorkspace()->openURL(NSURL::URLWithString("https://example.org/")));
  testing::internal::GetCapturedStderr();
  std::signal(SIGPIPE, oldPipe);
  std::signal(SIGXFSZ, oldSize);
  const std::vector<std::string> seen = OpenerSaw(1);
  ASSERT_EQ(seen.size(), 1u);
  const unsigned long long ignored = std::stoull(seen[0], nullptr, 16);
  EXPECT_EQ(ignored & (1ull << (SIGPIPE - 1)), 0u) << seen[0];
  EXPECT_EQ(ignored & (1ull << (SIGXFSZ - 1)), 0u) << seen[0];
}

TEST_F(DesktopOpenerTest, WithoutAnOpenerTheAddressIsStillTold)
{
  environment.Set("PATH", "/nonexistent");
  EXPECT_EQ(OpenThree(), Told());
  EXPECT_FALSE(std::filesystem::exists(dir + "/opened.txt"));
}

TEST_F(DesktopOpenerTest, AFolderThatIsNotThereIsToldWhenAskedToOpenIt)
{
  testing::internal::CaptureStderr();
  EXPECT_FALSE(NSWorkspace::sharedWorkspace()->openFile(dir + "/gone"));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "open " + dir + "/gone: no such file or folder\n");
}

TEST(NSURLTest, FileUrlsAreMarked)
{
  EXPECT_TRUE(NSURL::fileURLWithPath("/tmp/x")->isFileURL());
  EXPECT_FALSE(NSURL::URLWithString("http://a/")->isFileURL());
  EXPECT_EQ(NSURL::fileURLWithPath(""), nullptr);
}
} // namespace
