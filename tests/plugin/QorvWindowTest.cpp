// The mixer's editor on the platform's graphics class, in a host window of its size, driven the user's
// way: mouse and keys posted through the platform's one entry point, dialogs answered by script, and
// the run loop's virtual clock driving the display timer, the animations and the idle timer.
#include "controls/IPopupMenuControl.h"
#include "controls/ITextEntryControl.h"
#include "controls/PopupPanel.h"
#include "editor/EditorLayout.h"
#include "graphics/mac/IGraphicsMac.h"
#include "tests/plugin/QorvTestInstance.h"
#include "tests/support/HostWindow.h"
#include "tests/support/PostedKeys.h"

#include <AppKit/NSEvent.h>
#include <AppKit/NSPasteboard.h>
#include <AppKit/NSView.h>
#include <CoreFoundation/CFDate.h>
#include <QorvPlatform/Bundles.h>
#include <QorvPlatform/Dialogs.h>
#include <QorvPlatform/Events.h>
#include <QorvPlatform/RunLoopClock.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

using namespace iplugin;
using namespace iplugin::igraphics;
using qorvplatform::InputEvent;
using qorvplatform::InputKind;

namespace mixtest
{
namespace
{
std::string TestName()
{
  return testing::UnitTest::GetInstance()->current_test_info()->name();
}

class QorvWindowTest : public testing::Test
{
protected:
  QorvWindowTest() : home("window_" + TestName())
  {
    qorvplatform::ResetMainRunLoop();
    qorvplatform::ResetInput();
    qorvplatform::ResetDialogs();
    qorvplatform::SetScreenScale(1.0);
    qorvplatform::RegisterBundle((qorvtest::BinaryDir() + "/Qorv.component").c_str());
    plug = std::make_unique<RecordingQorv>();
  }
  ~QorvWindowTest() override
  {
    plug.reset();
    host.reset();
    qorvplatform::ResetDialogs();
    qorvplatform::ResetInput();
    qorvplatform::ResetMainRunLoop();
  }

  // Opens the editor into the host window as a host does; false when no view came.
  bool Open()
  {
    plug->mMakeGraphicsFunc = [this]() -> IGraphicsInterface*
    { return MakeQorvGraphics(*plug, 875, 580, 60); };
    host = std::make_unique<qorvtest::HostWindow>(875, 580);
    return plug->OpenWindow(host->content.get()) != nullptr;
  }
  IGraphics& UI() { return *static_cast<IGraphics*>(plug->GetUI()); }

  void Post(InputKind kind, double x, double y, unsigned long mods = 0)
  {
    InputEvent e;
    e.kind = kind;
    e.x = x;
    e.y = y;
    e.modifiers = mods;
    qorvplatform::PostEvent(*host->window, e);
  }
  // A click, then time enough that the next is not a double click.
  void Click(double x, double y)
  {
    Post(InputKind::Motion, x, y);
    Post(InputKind::Press, x, y);
    Post(InputKind::Release, x, y);
    Advance(0.6);
  }
  void DoubleClick(double x, double y)
  {
    Post(InputKind::Motion, x, y);
    for (int i = 0; i < 2; ++i)
    {
      Post(InputKind::Press, x, y);
      Post(InputKind::Release, x, y);
    }
    Advance(0.6);
  }
  void Key(unsigned short code, const char* chars, unsigned long mods = 0)
  {
    qorvtest::PostKey(*host->window, code, chars, mods, true);
  }
  static void Advance(double seconds) { qorvplatform::AdvanceClock(seconds); }

  // Clicks what opens a menu at (x, y), then the in-window menu's item of that text.
  void ChooseFrom(double x, double y, const std::string& text)
  {
    Click(x, y);
    auto& popup = *static_cast<IPopupMenuControl*>(UI().GetPopupMenuControl());
    ASSERT_EQ(popup.NPanels(), 1) << text;
    const PopupPanel& panel = *popup.GetPanel(0);
    for (size_t i = 0; i < panel.cellRects.size(); ++i)
      if (const IPopupMenu::Item* item = panel.ItemOfCell(int(i)); item && text == item->GetText())
      {
        const IRECT& r = panel.cellRects[i];
        Post(InputKind::Motion, r.MW(), r.MH());
        Click(r.MW(), r.MH());
        return;
      }
    FAIL() << "no item " << text;
  }

  ScopedDataHome home;
  std::unique_ptr<RecordingQorv> plug;
  std::unique_ptr<qorvtest::HostWindow> host;
};

constexpr double kPresetNameX = 480.0, kPresetRowY = 25.0;

// Cancelling the save dialog saves nothing and reports nothing; a save that fails is still reported.
TEST_F(QorvWindowTest, ACancelledPresetSaveDoesNothing)
{
  ASSERT_TRUE(Open());
  ChooseFrom(kPresetNameX, kPresetRowY, "Save preset ...");
  ASSERT_EQ(qorvplatform::ShownPanels().size(), 1u);
  EXPECT_EQ(qorvplatform::ShownPanels()[0].kind, "save");
  EXPECT_FALSE(plug->MessageBoxPending());
  Advance(0.1); // idle ticks
  EXPECT_TRUE(qorvplatform::ShownAlerts().empty());

  // Below a plain file no preset can be written.
  std::ofstream(home.Root() + "/file") << "x";
  const std::string below = home.Root() + "/file/Mine.qxs";
  qorvplatform::ScriptPanelAnswer(below);
  ChooseFrom(kPresetNameX, kPresetRowY, "Save preset ...");
  Advance(0.1);
  ASSERT_EQ(qorvplatform::ShownAlerts().size(), 1u);
  EXPECT_NE(qorvplatform::ShownAlerts()[0].message.find(below), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(below));
}
// Command-Left in a knob's text entry stops after an ASCII blank only: the units of CJK and Hangul text
// are no spaces, whatever the C library's tables say of them.
TEST_F(QorvWindowTest, WordMovesInTheTextEntryStopOnlyAfterAsciiBlanks)
{
  ASSERT_TRUE(Open());
  const EditorControlPlace& gate = kGlobalControls[7];
  const EditorBitmap& b = kEditorBitmaps[gate.bitmap];
  const double x = gate.x + b.frameWidth / 2.0, y = gate.y + b.frameHeight / 2.0;
  constexpr unsigned short kV = 9, kLeft = 123, kEscape = 53;
  struct Case
  {
    const char* text;
    int wordLeft; // from the end
  };
  const Case cases[] = {
      {"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", 0},    // three CJK units
      {"ab \xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", 3}, // after the blank
      {"\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4", 0},    // Hangul
      {"a\xC2\xA0"
       "b",
       0}, // a no-break space is no ASCII blank
  };
  for (const Case& c : cases)
  {
    DoubleClick(x, y);
    auto* entry = static_cast<ITextEntryControl*>(UI().GetTextEntryControl());
    ASSERT_NE(UI().GetControlInTextEntry(), nullptr) << c.text;
    NSPasteboard::generalPasteboard()->setString(c.text, NSStringPboardType);
    Key(kV, "v", NSEventModifierFlagCommand);
    ASSERT_EQ(entry->GetStr(), std::string(c.text));
    Key(kLeft, "", NSEventModifierFlagCommand);
    EXPECT_EQ(entry->GetCursor(), c.wordLeft) << c.text;
    Key(kEscape, "\x1b");
    Advance(0.1);
    EXPECT_EQ(UI().GetControlInTextEntry(), nullptr) << c.text;
  }
}
// "inf" or "nan" pasted into a knob's text entry would read as a number that the parameter turns into an
// end of its range: the knob keeps its value and the host hears nothing.
TEST_F(QorvWindowTest, PastedTextThatIsNoFiniteNumberLeavesTheKnob)
{
  ASSERT_TRUE(Open());
  const EditorControlPlace& gate = kGlobalControls[7];
  const EditorBitmap& b = kEditorBitmaps[gate.bitmap];
  const double x = gate.x + b.frameWidth / 2.0, y = gate.y + b.frameHeight / 2.0;
  constexpr unsigned short kV = 9, kReturn = 36;
  const double before = plug->GetParam(kParamNoiseGate)->Value();
  const size_t heard = plug->hostValues.size();
  for (const char* text : {"inf", "-inf", "nan", "1e999"})
  {
    DoubleClick(x, y);
    ASSERT_NE(UI().GetControlInTextEntry(), nullptr) << text;
    NSPasteboard::generalPasteboard()->setString(text, NSStringPboardType);
    Key(kV, "v", NSEventModifierFlagCommand);
    Key(kReturn, "\r");
    Advance(0.1);
    EXPECT_EQ(UI().GetControlInTextEntry(), nullptr) << text;
    EXPECT_EQ(plug->GetParam(kParamNoiseGate)->Value(), before) << text;
  }
  EXPECT_EQ(plug->hostValues.size(), heard);
}
} // namespace
} // namespace mixtest
