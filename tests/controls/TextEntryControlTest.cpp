// The in-window text entry driven as a person would: prompts opened through the context, clicks,
// drags and keys posted to the context, the clipboard of the recording context, frames on a clock
// the test moves.
#include "controls/IPopupMenuControl.h"
#include "controls/ITextEntryControl.h"
#include "framework/IParam.h"
#include "tests/controls/SpecialControlsTestSupport.h"

using namespace iplugin;
using namespace iplugin::igraphics;

namespace qorvtest
{
namespace
{
enum
{
  kGain,  // double -70..24
  kCount, // int 0..10
  kName,  // no type: free text
};

enum VK
{
  kBack = 0x08,
  kTab = 0x09,
  kReturn = 0x0D,
  kEscape = 0x1B,
  kSpace = 0x20,
  kPageUp = 0x21,
  kPageDown = 0x22,
  kEnd = 0x23,
  kHome = 0x24,
  kLeft = 0x25,
  kUp = 0x26,
  kRight = 0x27,
  kDown = 0x28,
  kDelete = 0x2E,
  kMinus = 0xBD,
  kPeriod = 0xBE
};

// 10-point text, centred: every byte measures 5 points wide.
const IText kEntryText(10.f, kColorBlack, "Roboto-Regular", kAlignCenter, kVAlignMiddle, 0.f, kColorWhite,
                       kColorBlack);
const IRECT kField(50, 50, 150, 70);

class TextEntryTest : public SpecialControlsTest
{
protected:
  TextEntryTest()
  {
    dlg.GetParam(kGain)->InitDouble("Gain", 0.0, -70.0, 24.0, 0.1, "dB");
    dlg.GetParam(kCount)->InitInt("Count", 2, 0, 10);
    g.AttachControl(new TestControl(g.GetBounds(), -1));
    for (int p : {kGain, kCount, kName})
    {
      controls[p] = new PromptingControl(IRECT(50, 100 + 30.f * p, 150, 120 + 30.f * p), p == kName ? -1 : p);
      g.AttachControl(controls[p]);
    }
    g.AttachTextEntryControl();
    g.AttachPopupMenuControl(kDefaultLabelText);
    entry = static_cast<ITextEntryControl*>(g.GetTextEntryControl());
  }

  void Edit(int p, const char* text) { g.CreateTextEntry(*controls[p], kEntryText, kField, text, 0); }
  void Type(const char* keys)
  {
    for (const char* k = keys; *k; ++k)
    {
      const char c[2] = {*k, 0};
      int vk = *k >= 'a' && *k <= 'z' ? *k - 32 : *k;
      if (*k == '.') vk = kPeriod;
      if (*k == '-') vk = kMinus;
      Key(c, vk);
    }
  }
  std::string Selected() const
  {
    const std::string s = entry->GetStr();
    const int lo = std::min(entry->GetSelectionStart(), entry->GetSelectionEnd());
    const int hi = std::max(entry->GetSelectionStart(), entry->GetSelectionEnd());
    return s.substr(size_t(lo), size_t(hi - lo));
  }

  PromptingControl* controls[3] = {};
  ITextEntryControl* entry;
};

TEST_F(TextEntryTest, OpensOverItsAreaWithTheDisplayTextSelectedAndSetsTheParameterOnReturn)
{
  g.IGraphics::PromptUserInput(*controls[kGain], kField, 0);
  EXPECT_TRUE(entry->GetEditing());
  EXPECT_EQ(entry->GetRECT(), kField);
  EXPECT_EQ(entry->GetStr(), "0.0");
  EXPECT_EQ(Selected(), "0.0");

  // The first typed character replaces the whole selection.
  Type("-12.5");
  EXPECT_EQ(entry->GetStr(), "-12.5");
  EXPECT_TRUE(Key("\r", kReturn));
  EXPECT_FALSE(entry->GetEditing());
  EXPECT_EQ(entry->GetRECT(), IRECT());
  EXPECT_NEAR(controls[kGain]->GetValue(), (-12.5 + 70.0) / 94.0, 1e-9);
  ASSERT_FALSE(dlg.mSentValues.empty());
  EXPECT_EQ(dlg.mSentValues.back().first, kGain);
}

TEST_F(TextEntryTest, EscapeLeavesTheValueAndReturnDeliversUnchangedText)
{
  Edit(kName, "abc");
  Type("xyz");
  EXPECT_TRUE(Key("\x1b", kEscape));
  EXPECT_FALSE(entry->GetEditing());
  EXPECT_EQ(controls[kName]->mTexts, "");
  EXPECT_EQ(g.GetControlInTextEntry(), nullptr);

  Edit(kName, "abc");
  Key("\r", kReturn);
  EXPECT_EQ(controls[kName]->mTexts, "abc;");
}

// After Return or Escape the key goes no further: the core would insert 0x0D or 0x1B and record it.
TEST_F(TextEntryTest, ReturnAndEscapeEndTheKey)
{
  for (auto [text, vk] : {std::pair{"\r", int(kReturn)}, std::pair{"\x1b", int(kEscape)}})
  {
    Edit(kName, "ab");
    Key(text, vk);
    EXPECT_EQ(entry->GetStr(), "ab") << vk;
  }
}

TEST_F(TextEntryTest, FiltersCharactersByTheParameterType)
{
  struct Case
  {
    int param;
    const char* text;
    int vk;
    bool shift;
    const char* expected;
  };
  const Case cases[] = {
      {kCount, "5", '5', false, "5"},    {kCount, "7", 0x67, false, "7"}, // keypad
      {kCount, "-", kMinus, false, "-"}, {kCount, "+", '=', true, "+"},
      {kCount, "a", 'A', false, ""},     {kCount, ".", kPeriod, false, ""},
      {kCount, "%", '5', true, ""},      {kCount, " ", kSpace, false, " "},
      {kGain, ".", kPeriod, false, "."}, {kGain, "e", 'E', false, ""},
      {kName, "e", 'E', false, "e"},     {kName, "\xC3\xA9", 'E', false, "\xC3\xA9"},
      {kCount, "!", kPageUp, false, ""}, {kName, "\"", kPageDown, false, ""}, // page keys do nothing
  };
  for (const Case& c : cases)
  {
    Edit(c.param, "");
    Key(c.text, c.vk, c.shift);
    EXPECT_EQ(entry->GetStr(), c.expected) << c.param << " " << c.text;
    Key("\x1b", kEscape);
  }
}

TEST_F(TextEntryTest, MovesTheCaretByMouseAndKeysAndSelects)
{
  Edit(kName, "ab cd");
  // "ab cd" is 25 wide, centred on 100: it starts at 87.5; the click at 98 lies in "c"'s left half.
  Click(98.f, 60.f);
  EXPECT_EQ(entry->GetCursor(), 2);
  EXPECT_EQ(Selected(), "");

  struct Step
  {
    int vk;
    bool shift, cmd;
    int cursor;
    const char* selected;
  };
  const Step steps[] = {
      {kRight, false, false, 3, ""}, {kUp, false, false, 2, ""},     {kDown, false, false, 3, ""},
      {kHome, false, false, 0, ""},  {kEnd, false, false, 5, ""},    {kLeft, false, true, 3, ""}, // word left
      {kLeft, true, false, 2, " "},  {kHome, true, false, 0, "ab "}, {kRight, false, true, 3, ""},
  };
  for (const Step& s : steps)
  {
    Key("", s.vk, s.shift, s.cmd);
    EXPECT_EQ(entry->GetCursor(), s.cursor) << s.vk;
    EXPECT_EQ(Selected(), s.selected) << s.vk;
  }

  // Dragging from "a" to past the end selects to the end; a double click selects everything.
  Press(89.f, 60.f);
  Drag(140.f, 60.f, 51.f, 0.f);
  Release(140.f, 60.f);
  EXPECT_EQ(Selected(), "ab cd");
  Click(95.f, 60.f);
  g.OnMouseDblClick(95.f, 60.f, IMouseMod(true));
  EXPECT_EQ(Selected(), "ab cd");

  Key("", kBack);
  EXPECT_EQ(entry->GetStr(), "");
}

TEST_F(TextEntryTest, CutsCopiesAndPastesThroughTheClipboard)
{
  Edit(kName, "hello");
  EXPECT_TRUE(Key("c", 'C', false, true));
  EXPECT_EQ(g.mClipboard, "hello");
  Key("", kEnd);
  Key("", kLeft, true);
  Key("", kLeft, true);
  EXPECT_TRUE(Key("x", 'X', false, true));
  EXPECT_EQ(g.mClipboard, "lo");
  EXPECT_EQ(entry->GetStr(), "hel");
  Key("", kHome);
  EXPECT_TRUE(Key("v", 'V', false, true));
  EXPECT_EQ(entry->GetStr(), "lohel");
  EXPECT_EQ(entry->GetCursor(), 2);

  // Copy with an empty selection leaves the clipboard; Command-A selects everything and answers true.
  g.mClipboard = "kept";
  Key("c", 'C', false, true);
  EXPECT_EQ(g.mClipboard, "kept");
  EXPECT_TRUE(Key("a", 'A', false, true));
  EXPECT_TRUE(Key("a", 'A', false, true));
  EXPECT_EQ(Selected(), "lohel");
}

// Text outside the basic plane edits as two units; malformed bytes arrive as replacement marks.
TEST_F(TextEntryTest, PastesTextOutsideTheBasicPlaneAndMalformedBytes)
{
  g.mClipboard = "a\xF0\x9F\x8E\xB5"
                 "b\xFF"
                 "c\xE2\x82";
  g.mHasClipboard = true;
  Edit(kName, "");
  Key("v", 'V', false, true);
  EXPECT_EQ(entry->GetStr(), "a\xF0\x9F\x8E\xB5"
                             "b\xEF\xBF\xBD"
                             "c\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(entry->GetCursor(), 8);
  // Backspace over the marks, "c" and "b", then the pair's second half: the first half alone shows as
  // a mark too.
  for (int i = 0; i < 6; ++i)
    Key("", kBack);
  EXPECT_EQ(entry->GetStr(), "a\xEF\xBF\xBD");
  Key("", kHome);
  Key("", kDelete);
  EXPECT_EQ(entry->GetStr(), "\xEF\xBF\xBD");
}

TEST_F(TextEntryTest, RightClickOffersCutCopyPasteInTheInWindowMenu)
{
  Edit(kName, "menu");
  Click(100.f, 60.f, IMouseMod(false, true));
  auto* popup = static_cast<IPopupMenuControl*>(g.GetPopupMenuControl());
  ASSERT_EQ(popup->NPanels(), 1);
  const PopupPanel& panel = *popup->GetPanel(0);
  ASSERT_EQ(panel.menu->NItems(), 3);
  EXPECT_STREQ(panel.menu->GetItem(0)->GetText(), "Cut");
  EXPECT_STREQ(panel.menu->GetItem(2)->GetText(), "Paste");
  Advance(110);
  Click(panel.cellRects[1].MW(), panel.cellRects[1].MH()); // "Copy"
  EXPECT_EQ(g.mClipboard, "menu");
  EXPECT_TRUE(entry->GetEditing());
}

TEST_F(TextEntryTest, UndoesAndRedoes)
{
  Edit(kName, "one");
  Type("two");
  // Replacing the selection is a deletion and an insertion.
  for (const char* expected : {"tw", "t", "", "one", "one"})
  {
    Key("z", 'Z', false, true);
    EXPECT_EQ(entry->GetStr(), expected);
  }
  for (const char* expected : {"", "t", "tw"})
  {
    Key("z", 'Z', true, true);
    EXPECT_EQ(entry->GetStr(), expected);
  }
}

// The undo history belongs to one edit: Command-Z first thing in the next edit has nothing to undo,
// neither a replaced text of the last edit nor an insertion past the end of this one.
TEST_F(TextEntryTest, EveryEditStartsWithoutUndoHistory)
{
  Edit(kName, "12345");
  Type("9");
  Key("\r", kReturn);
  Edit(kName, "1");
  Key("z", 'Z', false, true);
  Key("z", 'Z', false, true);
  EXPECT_EQ(entry->GetStr(), "1");

  Edit(kName, "12345");
  Key("", kEnd);
  Type("6");
  Key("\r", kReturn);
  Edit(kName, "1");
  Key("z", 'Z', false, true);
  EXPECT_EQ(entry->GetStr(), "1");
  EXPECT_EQ(entry->GetCursor(), 0);
  EXPECT_EQ(Selected(), "1");
}

TEST_F(TextEntryTest, ANonFiniteNumberLeavesTheValueUnchanged)
{
  Edit(kGain, "3");
  Key("\r", kReturn);
  const double three = controls[kGain]->GetValue();
  ASSERT_NEAR(three, 73.0 / 94.0, 1e-9);
  for (const char* text : {"nan", "inf", "-inf"})
  {
    g.mClipboard = text;
    g.mHasClipboard = true;
    Edit(kGain, "3");
    Key("v", 'V', false, true);
    ASSERT_EQ(entry->GetStr(), text);
    const size_t sent = dlg.mSentValues.size();
    Key("\r", kReturn);
    EXPECT_EQ(controls[kGain]->GetValue(), three) << text;
    EXPECT_EQ(dlg.mSentValues.size(), sent) << text;
    EXPECT_EQ(g.GetControlInTextEntry(), nullptr);
  }
}

TEST_F(TextEntryTest, TheCaretBlinksAndAClickOutsideCommits)
{
  Edit(kName, "ab");
  Click(100.f, 60.f);
  EXPECT_TRUE(entry->GetCaretVisible());
  Advance(400);
  EXPECT_TRUE(entry->GetCaretVisible());
  Advance(200);
  EXPECT_FALSE(entry->GetCaretVisible());
  Advance(450); // the next period starts on the first frame past 1,000 ms
  EXPECT_TRUE(entry->GetCaretVisible());
  Advance(500);
  EXPECT_FALSE(entry->GetCaretVisible());
  Click(100.f, 60.f); // a release restarts the period
  EXPECT_TRUE(entry->GetCaretVisible());

  Click(10.f, 10.f);
  EXPECT_FALSE(entry->GetEditing());
  EXPECT_EQ(controls[kName]->mTexts, "ab;");
  EXPECT_EQ(controls[kName]->mPresses, 0);

  // Once the edit is over the blink stops, so the entry no longer asks for frames.
  Advance(1100);
  g.SetAllControlsClean();
  Advance(100);
  EXPECT_FALSE(entry->IsDirty());
}

TEST_F(TextEntryTest, DrawsTheSelectionOrAOnePointCaretLeftOfTheCursor)
{
  Edit(kName, "ab");
  g.TakeLog();
  entry->Draw(g);
  // Background, then the selection over "ab" (95..105, 56..64) at weight 0.2, then the text.
  const std::vector<std::string> selected = g.TakeLog({"M", "text"});
  ASSERT_EQ(selected.size(), 3u);
  EXPECT_EQ(selected[1], "M 95 56");
  EXPECT_EQ(selected[2].rfind("text ab", 0), 0u);

  Click(101.f, 60.f); // between "a" and "b": x = 100
  g.TakeLog();
  entry->Draw(g);
  const std::vector<std::string> caret = g.TakeLog({"M", "L"});
  ASSERT_EQ(caret.size(), 8u);
  EXPECT_EQ(caret[4], "M 99 56");
  EXPECT_EQ(caret[5], "L 100 56");
}

TEST_F(TextEntryTest, TabIsNotHandled)
{
  Edit(kName, "a");
  EXPECT_FALSE(Key("\t", kTab));
  EXPECT_EQ(entry->GetStr(), "a");
}
} // namespace
} // namespace qorvtest
