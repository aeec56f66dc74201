// What the tests of the in-window popup menu and text entry share: a recording context with a
// clipboard, opened through its delegate, a clock the tests move by hand, and the mouse, keys and
// display frames as the platform would deliver them to the context.
#pragma once

#include "graphics/IControl.h"
#include "graphics/IRECTList.h"
#include "tests/support/RecordingGraphics.h"

#include <gtest/gtest.h>

#include <string>

namespace qorvtest
{
// A recording context whose clipboard holds text until replaced.
class ClipboardGraphics : public RecordingGraphics
{
public:
  using RecordingGraphics::RecordingGraphics;
  bool GetTextFromClipboard(iplugin::StringBuf& str) override
  {
    if (!mHasClipboard) return false;
    str.Set(mClipboard.c_str());
    return true;
  }
  bool SetTextInClipboard(const char* str) override
  {
    mClipboard = str ? str : "";
    mHasClipboard = true;
    return true;
  }
  std::string mClipboard;
  bool mHasClipboard = false;
};

class ClipboardDelegate : public RecordingDelegate
{
public:
  using RecordingDelegate::RecordingDelegate;
  ClipboardGraphics& OpenWithClipboard(int w, int h)
  {
    mMakeGraphicsFunc = [this, w, h]() { return new ClipboardGraphics(*this, w, h, 60, 1.f); };
    OpenWindow(nullptr);
    return *static_cast<ClipboardGraphics*>(GetUI());
  }
};

// A control that keeps what its prompts deliver.
class PromptingControl : public TestControl
{
public:
  PromptingControl(const iplugin::igraphics::IRECT& r, int paramIdx) : TestControl(r, paramIdx)
  {
    DisablePrompt(false);
  }
  void OnMenuChoice(iplugin::igraphics::IPopupMenu* pMenu, int valIdx) override;
  void OnTextEntryCompletion(const char* str, int valIdx) override { mTexts += std::string(str) + ";"; }
  void OnMouseDown(float x, float y, const iplugin::igraphics::IMouseMod& mod) override { ++mPresses; }

  std::string mChoices; // "<menu title or item count>:<index>;" per delivery, "none;" without a menu
  std::string mTexts;
  int mPresses = 0;
};

class SpecialControlsTest : public ::testing::Test
{
protected:
  SpecialControlsTest(int w = 400, int h = 300);
  ~SpecialControlsTest() override;

  // The clock in milliseconds; Advance runs one display frame every 16 ms of the way.
  void Advance(double ms);
  void Frame();
  void Press(float x, float y,
             const iplugin::igraphics::IMouseMod& mod = iplugin::igraphics::IMouseMod(true));
  void Release(float x, float y,
               const iplugin::igraphics::IMouseMod& mod = iplugin::igraphics::IMouseMod(true));
  void Click(float x, float y, const iplugin::igraphics::IMouseMod& mod = iplugin::igraphics::IMouseMod(true))
  {
    Press(x, y, mod);
    Release(x, y, mod);
  }
  void Drag(float x, float y, float dX, float dY);
  void Hover(float x, float y) { g.OnMouseOver(x, y, iplugin::igraphics::IMouseMod()); }
  // A key press: text, virtual key and modifiers; the answer of the context's key handling.
  bool Key(const char* text, int vk, bool shift = false, bool cmd = false, bool option = false);

  static double sNow;
  ClipboardDelegate dlg;
  ClipboardGraphics& g;
};
} // namespace qorvtest
