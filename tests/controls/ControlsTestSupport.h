// What the control tests share: a recording context opened through its delegate with a few
// parameters, PNG files written to a scratch folder for the bitmap controls, and the mouse as the
// context hands it to a control.
#pragma once

#include "framework/IParam.h"
#include "tests/support/RecordingGraphics.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qorvtest
{
// Writes a w x h PNG and returns its path.
std::string WritePng(const std::string& folder, const std::string& name, int w, int h);

class ControlsTest : public ::testing::Test
{
protected:
  // Parameter indices of the fixture.
  enum
  {
    kGain = 0,    // double 0..1, not stepped
    kMode = 1,    // enum of 5 values
    kPercent = 2, // 0..100 step 1, stepped
    kLevel = 3,   // -60..0 step 1, stepped
    kCount = 4,   // 0..10 step 1, stepped
    kNumParams
  };

  ControlsTest();

  template <class T> T* Attach(T* pControl)
  {
    g.AttachControl(pControl);
    return pControl;
  }
  // The bitmap lines that drawing the control logged.
  std::vector<std::string> DrawnBitmaps(iplugin::igraphics::IControl& control);
  // The mouse as the platform view posts it to the context (left button unless mod says otherwise).
  void Press(float x, float y,
             const iplugin::igraphics::IMouseMod& mod = iplugin::igraphics::IMouseMod(true));
  void Release(float x, float y,
               const iplugin::igraphics::IMouseMod& mod = iplugin::igraphics::IMouseMod(true));
  void Click(float x, float y,
             const iplugin::igraphics::IMouseMod& mod = iplugin::igraphics::IMouseMod(true));
  // The second press of a double click, and its release.
  void DoubleClick(float x, float y,
                   const iplugin::igraphics::IMouseMod& mod = iplugin::igraphics::IMouseMod(true));
  // A move to (x, y) by (dX, dY) with the button held.
  void Drag(float x, float y, float dX, float dY,
            const iplugin::igraphics::IMouseMod& mod = iplugin::igraphics::IMouseMod(true));
  void Wheel(float x, float y, float d,
             const iplugin::igraphics::IMouseMod& mod = iplugin::igraphics::IMouseMod());

  RecordingDelegate dlg;
  RecordingGraphics& g;
  std::string mFolder;
};
} // namespace qorvtest
