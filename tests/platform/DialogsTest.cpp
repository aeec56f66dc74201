#include <AppKit/AppKit.h>
#include <QorvPlatform/Dialogs.h>

#include <gtest/gtest.h>

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

TEST(NSURLTest, FileUrlsAreMarked)
{
  EXPECT_TRUE(NSURL::fileURLWithPath("/tmp/x")->isFileURL());
  EXPECT_FALSE(NSURL::URLWithString("http://a/")->isFileURL());
  EXPECT_EQ(NSURL::fileURLWithPath(""), nullptr);
}
} // namespace
