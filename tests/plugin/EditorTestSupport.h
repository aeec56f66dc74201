// The mixer's editor opened headless on a recording context of the product's bundle, and what a user
// does to it: mouse, wheel and keys posted to the context, display frames, the clock and the plug-in's
// idle tick.
#pragma once

#include "controls/IPopupMenuControl.h"
#include "graphics/IControl.h"
#include "graphics/IRECTList.h"
#include "tests/plugin/QorvTestInstance.h"
#include "tests/support/RecordingGraphics.h"

#include <QorvPlatform/Bundles.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mixtest
{
class BundleGraphics : public qorvtest::RecordingGraphics
{
public:
  using RecordingGraphics::RecordingGraphics;
  const char* GetBundleID() override { return "com.Lumenkraft.audiounit.Qorv"; }
  // A bitmap file the bundle is made to lack.
  iplugin::igraphics::APIBitmap* LoadAPIBitmapFromFile(const char* path, int scale, int location,
                                                       const char* ext) override
  {
    const std::string p(path);
    if (!mMissing.empty() && p.size() >= mMissing.size() &&
        p.compare(p.size() - mMissing.size(), mMissing.size(), mMissing) == 0)
      return nullptr;
    return RecordingGraphics::LoadAPIBitmapFromFile(path, scale, location, ext);
  }
  std::string mMissing;
  // The addresses opened, and the path the next file dialog answers with ("" cancels).
  bool OpenURL(const char* url) override
  {
    mURLs.push_back(url ? url : "");
    return true;
  }
  void PromptForFile(iplugin::StringBuf& fileName, iplugin::StringBuf& path,
                     iplugin::igraphics::EFileAction action, const char* ext) override
  {
    fileName.Set(mFileAnswer.c_str());
  }
  std::vector<std::string> mURLs;
  std::string mFileAnswer;
  // As the platform view does: the layout runs inside the opening.
  void* OpenWindow(void* pParent) override
  {
    void* view = RecordingGraphics::OpenWindow(pParent);
    GetDelegate()->LayoutUI(this);
    return view;
  }
};

class EditorTest : public testing::Test
{
protected:
  EditorTest();
  ~EditorTest() override;

  // Opens the editor at the plug-in's "GUI Scale" as a host does; screenScale 2 asks for "@2x" bitmaps.
  BundleGraphics& Open(float screenScale = 1.f, bool ready = true, const std::string& missing = "");
  void Close() { plug.CloseWindow(); }
  BundleGraphics& UI() { return *static_cast<BundleGraphics*>(plug.GetUI()); }
  iplugin::igraphics::IControl* Control(int idx) { return UI().GetControl(idx); }

  void Press(float x, float y,
             const iplugin::igraphics::IMouseMod& mod = iplugin::igraphics::IMouseMod(true));
  void Release(float x, float y,
               const iplugin::igraphics::IMouseMod& mod = iplugin::igraphics::IMouseMod(true));
  void Click(float x, float y, const iplugin::igraphics::IMouseMod& mod = iplugin::igraphics::IMouseMod(true))
  {
    Press(x, y, mod);
    Release(x, y, mod);
  }
  void DragBy(float x, float y, float dY,
              const iplugin::igraphics::IMouseMod& mod = iplugin::igraphics::IMouseMod(true));
  void Wheel(float x, float y, float d,
             const iplugin::igraphics::IMouseMod& mod = iplugin::igraphics::IMouseMod());
  void Hover(float x, float y) { UI().OnMouseOver(x, y, iplugin::igraphics::IMouseMod()); }
  void DblClick(float x, float y) { UI().OnMouseDblClick(x, y, iplugin::igraphics::IMouseMod(true)); }
  bool Key(const char* text, int vk, bool cmd = false);
  // Display frames (the dirty areas drawn) every 16 ms of the clock, and the idle tick every 20 ms.
  void Advance(double ms);
  void Idle() { plug.OnIdleTick(); }

  // The in-window popup menu: the centre of cell i of panel p, and a click on it after the fade.
  iplugin::igraphics::IPopupMenuControl& Popup();
  std::string CellText(int i, int p = 0);
  void ClickCell(int i, int p = 0);
  // Clicks the cell showing text in panel p, scrolling down to it when needed.
  void ChooseItem(const std::string& text, int p = 0);
  // Clicks what opens a menu at (x, y), then its item text.
  void ChooseFrom(float x, float y, const std::string& text)
  {
    Click(x, y);
    ChooseItem(text);
  }

  double Value(int paramIdx) const { return plug.GetParam(paramIdx)->Value(); }
  // MixTone on the plug-in.
  void Mix(double seconds);

  static double sNow;
  ScopedDataHome home;
  RecordingQorv plug;
};
} // namespace mixtest
