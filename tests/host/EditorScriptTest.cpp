// The mixer's editor as a user drives it: the host opens it from the product's bundle, headless, and
// replays a script whose events go through the window to the view, as `qorv-host editor --script` does;
// what the user changed is read from the host's report. Scripts that cannot run are refused.
#include "host/EditorCommand.h"
#include "host/PluginEntryPoints.h"
#include "tests/support/AllocatedBytes.h"
#include "tests/support/TestPaths.h"

#include <AppKit/NSView.h>
#include <QorvPlatform/Events.h>
#include <QorvPlatform/RunLoopClock.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace qorvhost;

namespace
{
class EditorScript : public testing::Test
{
protected:
  void SetUp() override
  {
    setenv("QORV_HEADLESS", "1", 1);
    setenv("XDG_DATA_HOME", qorvtest::ScratchDir("editor_script_data").c_str(), 1);
    qorvplatform::ResetMainRunLoop();
    qorvplatform::ResetInput();
  }
  void TearDown() override
  {
    unsetenv("XDG_DATA_HOME");
    unsetenv("QORV_HEADLESS");
    qorvplatform::ResetMainRunLoop();
    qorvplatform::ResetInput();
  }

  static std::string BundlePath() { return qorvtest::BinaryDir() + "/Qorv.component"; }

  static PluginEntryPoints& Bundle()
  {
    static PluginEntryPoints plugin;
    static std::string error;
    static const bool loaded = LoadPluginBundle(BundlePath(), plugin, error);
    EXPECT_TRUE(loaded) << error;
    return plugin;
  }

  // Runs the editor on a fresh instance with the script; the host's report after its first line. With
  // realMsPerFrame, each sixtieth of a second of the script's clock also takes that long in real time.
  int Run(const std::string& script, std::string& report, std::string& error,
          const std::vector<std::string>& sets = {}, int realMsPerFrame = 0)
  {
    qorvplatform::ResetMainRunLoop();
    qorvplatform::ResetInput();
    if (realMsPerFrame > 0) SlowDownRealTime(realMsPerFrame);
    const std::string path = qorvtest::ScratchDir("editor_script") + "/script.txt";
    std::ofstream(path) << script;
    EditorOptions o;
    o.script = path;
    SharedOptions shared;
    shared.plugin = BundlePath();
    shared.sets = sets;
    std::ostringstream out, err;
    const int status = RunEditor(Bundle(), shared, o, out, err);
    report = out.str();
    report.erase(0, report.find('\n') + 1);
    error = err.str();
    return status;
  }

  // A timer beside the editor's that sleeps each sixtieth of a second (until the loop is reset).
  static void SlowDownRealTime(int ms)
  {
    static int sleepMs;
    sleepMs = ms;
    CFRunLoopTimerRef t = CFRunLoopTimerCreate(
        nullptr, CFAbsoluteTimeGetCurrent(), 1.0 / 60.0, 0, 0,
        [](CFRunLoopTimerRef, void*) { std::this_thread::sleep_for(std::chrono::milliseconds(sleepMs)); },
        nullptr);
    CFRunLoopAddTimer(CFRunLoopGetMain(), t, kCFRunLoopCommonModes);
    CFRelease(t); // the loop keeps it
  }
};

// The centre of the "Gate" knob, of the "Mix Mode" menu and its "Prio" item, and of the corner resizer.
constexpr const char* kGate = "340 82";

TEST_F(EditorScript, KnobsMenusTextAndTheCornerAnswerEventsPostedThroughTheWindow)
{
  struct Case
  {
    const char* what;
    std::vector<std::string> sets;
    std::string script;
    std::string report;
  };
  const std::string gate = kGate;
  // The knob hides and locks the cursor while it is held, so the cursor goes back to the press after
  // each drag: two drags 10 points above it move the knob by 20. One knob height (40 points) is a
  // quarter of the range; Shift makes it ten times finer.
  const std::vector<Case> cases = {
      {"a drag up",
       {},
       "move " + gate + "\ndown " + gate + "\nmove 340 72\nmove 340 72\nup 340 72\n",
       "changed NoiseGate = -78.8\n"},
      {"a Shift drag",
       {},
       "move " + gate + "\ndown " + gate + " shift\nmove 340 62 shift\nup 340 62 shift\n",
       "changed NoiseGate = -88.9\n"},
      {"Control-click to the default",
       {"NoiseGate=-40"},
       "move " + gate + "\nclick " + gate + " ctrl\n",
       "changed NoiseGate = -INF\n"},
      {"the wheel", {}, "move " + gate + "\nwheel " + gate + " 1\n", "changed NoiseGate = -89.1\n"},
      {"a double click, a typed value and Return",
       {},
       "move " + gate + "\nclick " + gate + "\nclick " + gate + "\nwait 0.1\nkey 27 -\nkey 20 3\nkey 29 0\n" +
           "key return\nwait 0.1\n",
       "changed NoiseGate = -30.0\n"},
      {"Escape drops a typed value (Return then has nothing to take)",
       {},
       "move " + gate + "\nclick " + gate + "\nclick " + gate + "\nkey 27 -\nkey 20 3\nkey escape\n" +
           "key return\nwait 0.1\n",
       ""},
      {"the arrows and Delete edit a typed value",
       {},
       "move " + gate + "\nclick " + gate + "\nclick " + gate + "\nkey 27 -\nkey 19 2\nkey 29 0\nkey left\n" +
           "key delete\nkey 21 4\nkey return\nwait 0.1\n",
       "changed NoiseGate = -40.0\n"},
      {"a menu choice",
       {},
       "move 40 90\nclick 40 90\nwait 0.15\nmove 50 187\nclick 50 187\n",
       "changed Mix Mode = Prio\n"},
      {"the corner dragged outwards by a fifth",
       {},
       "move 867 572\ndown 867 572\nmove 960 630\nmove 1040 687\nup 1040 687\nwait 0.2\n",
       "changed GUI Scale = 1.20\n"},
  };
  for (const Case& c : cases)
  {
    std::string report, error;
    EXPECT_EQ(Run(c.script, report, error, c.sets), 0) << c.what << ": " << error;
    EXPECT_EQ(report, c.report) << c.what;
  }
}

// A menu fades in and out on the script's clock, not on the machine's: a wait just long enough for the
// fade gets a choice every time, and a shorter one none, whether the frames take far less real time than
// the script's clock says or far more.
TEST_F(EditorScript, AMenuChoiceAfterAShortWaitLandsHoweverFastTheMachineIs)
{
  // The plug-in menu's "Changelog ..." tells the page it opens on standard error. The menu takes 0.1 s
  // to fade in, and three times 0.1 s to close after a choice before it opens again.
  auto choices = [](int times, const char* wait)
  {
    std::string script;
    for (int i = 0; i < times; ++i)
      script += std::string(i ? "wait 0.4\n" : "") + "click 205 25\nwait " + wait + "\nclick 130 121\n";
    return script;
  };
  struct Case
  {
    std::string script;
    int realMsPerFrame;
    int told;
  };
  for (const Case& c :
       {Case{choices(3, "0.15"), 0, 3}, Case{choices(1, "0.05"), 0, 0}, Case{choices(1, "0.05"), 50, 0}})
  {
    std::string report, error;
    testing::internal::CaptureStderr();
    const int status = Run(c.script, report, error, {}, c.realMsPerFrame);
    const std::string told = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, 0) << error;
    int pages = 0;
    for (size_t at = told.find("#Changelog\n"); at != std::string::npos;
         at = told.find("#Changelog\n", at + 1))
      ++pages;
    EXPECT_EQ(pages, c.told) << c.script << "with " << c.realMsPerFrame << " ms a frame:\n" << told;
  }
}

// A host that opens and closes the editor again and again: after the first few times (caches filled), the
// memory still allocated stays where it was. The long run and the resident memory are checked by the
// release build's editor_reopen benchmark.
TEST_F(EditorScript, OpeningAndClosingItAgainKeepsNoMoreMemory)
{
  if (!qorvtest::kAllocatedBytesCounted)
    GTEST_SKIP() << "bytes in use are counted under AddressSanitizer only";
  constexpr int kWarmUp = 4, kCycles = 16;
  size_t settled = 0;
  for (int cycle = 0; cycle < kWarmUp + kCycles; ++cycle)
  {
    std::string report, error;
    ASSERT_EQ(Run("move 120 120\nclick 200 300\nwait 0.2\n", report, error), 0) << error;
    if (cycle + 1 == kWarmUp) settled = qorvtest::AllocatedBytes();
  }
  // 64 bytes of slack a time; a bundle dictionary read again each time is several KiB.
  EXPECT_LE(qorvtest::AllocatedBytes(), settled + kCycles * 64);
}

// A text editor may save a script with a UTF-8 byte-order mark before its first line: the mark is no part
// of the line. Anywhere else it is no event.
TEST_F(EditorScript, AByteOrderMarkBeforeTheScriptIsSkipped)
{
  const std::string mark = "\xEF\xBB\xBF",
                    resetGate = std::string("move ") + kGate + "\nclick " + kGate + " ctrl\n";
  std::string report, error;
  EXPECT_EQ(Run(mark + resetGate, report, error, {"NoiseGate=-40"}), 0) << error;
  EXPECT_EQ(report, "changed NoiseGate = -INF\n");
  EXPECT_EQ(Run(mark, report, error), 0) << error;
  EXPECT_EQ(Run(mark + "\n" + resetGate, report, error), 0) << error;
  EXPECT_EQ(Run(resetGate + mark + "wait 1\n", report, error, {"NoiseGate=-40"}), 1);
  EXPECT_NE(error.find("script.txt:3: bad script line"), std::string::npos) << error;
  EXPECT_EQ(Run(mark + mark + resetGate, report, error), 1);
  EXPECT_NE(error.find("script.txt:1: bad script line"), std::string::npos) << error;
}

TEST_F(EditorScript, ScriptsThatCannotRunAreRefused)
{
  // A folder opens as a stream here and reads as nothing.
  std::string report, error;
  EditorOptions o;
  o.script = qorvtest::ScratchDir("editor_script_folder");
  std::ostringstream out, err;
  SharedOptions shared;
  shared.plugin = BundlePath();
  EXPECT_EQ(RunEditor(Bundle(), shared, o, out, err), 1);
  EXPECT_NE(err.str().find("(is a folder, not a file)"), std::string::npos) << err.str();
  EXPECT_EQ(out.str(), "");

  // Lines are refused before anything runs: the clock stands still.
  struct Case
  {
    std::vector<std::string> lines; // the last is refused
    const char* message;
  };
  const std::vector<Case> cases = {
      {{"wait 1e308"}, "more than 3600 seconds"},
      {{"wait 3000", "wait 601"}, "more than 3600 seconds"},
      {{"wait -1"}, "bad script line"},
      {{"wait nan"}, "bad script line"},
      {{"wait 1 2"}, "bad script line"},
      {{"key"}, "bad script line"},
      {{"key enterr"}, "bad script line"},
      {{"key 70000"}, "bad script line"},
      {{"key -1"}, "bad script line"},
      // The window takes the editor's size; a user (and a script) resizes the editor, not the window.
      {{"resize 1000 700"}, "bad script line"},
  };
  for (const Case& c : cases)
  {
    qorvplatform::ResetMainRunLoop();
    NSWindow window(NSMakeRect(0, 0, 100, 100));
    EditorScriptClock clock;
    std::string message;
    for (size_t i = 0; i + 1 < c.lines.size(); ++i)
      ASSERT_TRUE(RunEditorScriptLine(c.lines[i], window, clock, message)) << message;
    const double before = CFAbsoluteTimeGetCurrent();
    EXPECT_FALSE(RunEditorScriptLine(c.lines.back(), window, clock, message)) << c.lines.back();
    EXPECT_NE(message.find(c.message), std::string::npos) << c.lines.back() << ": " << message;
    EXPECT_EQ(CFAbsoluteTimeGetCurrent(), before) << c.lines.back();
  }
}
} // namespace
