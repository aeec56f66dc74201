// The mixer editor's knob and value button on a parameter of their own: stepped drags snap toward zero
// while the unsnapped drag value accumulates, wheel steps are one step whatever the delta and the
// modifiers, and the value button's wheel moves whole values with a positive delta going up the menu.
#include "editor/IBKnobMultiControlLK.h"
#include "editor/IBPopupMenuLK.h"
#include "editor/EditorBitmaps.h"
#include "framework/IParam.h"
#include "tests/support/RecordingGraphics.h"
#include "tests/support/TestPaths.h"

#include <QorvPlatform/Bundles.h>

#include <gtest/gtest.h>

using namespace iplugin;
using namespace iplugin::igraphics;

namespace
{
// Sets the parameter as the plug-in would, so controls that read it see their own changes.
class SettingDelegate : public qorvtest::RecordingDelegate
{
public:
  using RecordingDelegate::RecordingDelegate;
  void SetParamNormalizedFromUI(int paramIdx, double value, bool callHandler) override
  {
    RecordingDelegate::SetParamNormalizedFromUI(paramIdx, value, callHandler);
    GetParam(paramIdx)->SetNormalized(value);
  }
};

class BundleGraphics : public qorvtest::RecordingGraphics
{
public:
  using RecordingGraphics::RecordingGraphics;
  const char* GetBundleID() override { return "com.Lumenkraft.audiounit.Qorv"; }
};

class EditorControlsTest : public testing::Test
{
protected:
  EditorControlsTest()
  {
    qorvplatform::RegisterBundle((qorvtest::BinaryDir() + "/Qorv.component").c_str());
    dlg.GetParam(0)->InitDouble("Stepped", 0.0, -10.0, 10.0, 2.0, "", IParam::kFlagStepped);
    dlg.GetParam(1)->InitEnum("Count", 0, 32);
    dlg.mMakeGraphicsFunc = [this]() { return new BundleGraphics(dlg, 200, 200, 60, 1.f); };
    dlg.OpenWindow(nullptr);
    g = static_cast<BundleGraphics*>(dlg.GetUI());
    const EditorBitmap& k = kEditorBitmaps[kBitmapKnobSmall];
    knob = new IBKnobMultiControlLK(0, 0, 0, g->LoadBitmap(k.name, k.frames, k.horizontal, 0), kDefaultText,
                                    kColorBlack, 6, kVertical, false, true, false, 1, false, true, 4.0, 0.f);
    g->AttachControl(knob);
    const EditorBitmap& c = kEditorBitmaps[kBitmapChannelCount];
    count = new IBPopupMenuLK(100, 0, 1, g->LoadBitmap(c.name, c.frames, c.horizontal, 0), true);
    g->AttachControl(count);
    dlg.SendParameterValueFromDelegate(0, 0.0, false);
  }
  ~EditorControlsTest() override { dlg.CloseWindow(); }

  double Real(int idx) const { return dlg.GetParam(idx)->Value(); }
  void DragKnob(float dY, const IMouseMod& mod = IMouseMod(true))
  {
    g->OnMouseDrag({qorvtest::MouseAt(20.f, 20.f + dY, mod, 0.f, dY)});
  }

  SettingDelegate dlg{2};
  BundleGraphics* g = nullptr;
  IBKnobMultiControlLK* knob = nullptr;
  IBPopupMenuLK* count = nullptr;
};
} // namespace

TEST_F(EditorControlsTest, SlowStepDragsAccumulateAndSnapTowardZero)
{
  g->OnMouseDown({qorvtest::MouseAt(20.f, 20.f)});
  // Each 2-point drag down is a quarter step; the value sent stays at 0 until a whole step is crossed.
  for (int k = 1; k <= 8; ++k)
  {
    DragKnob(2.f);
    EXPECT_EQ(Real(0), k < 8 ? 0.0 : -2.0) << k;
  }
  // Past -2 by less than a step: still -2 (fmod keeps the sign, so it snaps toward zero).
  DragKnob(6.f);
  EXPECT_EQ(Real(0), -2.0);
  g->OnMouseUp({qorvtest::MouseAt(20.f, 40.f)});
}

TEST_F(EditorControlsTest, WheelMovesOneStepWhateverTheDeltaAndModifiers)
{
  struct Case
  {
    float d;
    IMouseMod mod;
    double real;
  } cases[] = {
      {0.3f, IMouseMod(), 2.0},
      {5.f, IMouseMod(), 4.0},
      {-0.3f, IMouseMod(false, false, true), 2.0},
      {-5.f, IMouseMod(false, false, false, true), 0.0},
      {0.f, IMouseMod(), 0.0},
      {-1.f, IMouseMod(), -2.0},
  };
  for (const Case& c : cases)
  {
    g->OnMouseWheel(20.f, 20.f, c.mod, c.d);
    EXPECT_EQ(Real(0), c.real) << c.d;
  }
}

TEST_F(EditorControlsTest, ValueButtonWheelMovesWholeValuesAndUpGoesUpTheMenu)
{
  const float x = 110.f, y = 10.f;
  g->OnMouseWheel(x, y, IMouseMod(), 1.f); // at "1": the value above does not exist
  EXPECT_EQ(Real(1), 0.0);
  g->OnMouseWheel(x, y, IMouseMod(), -3.f);
  EXPECT_EQ(Real(1), 3.0);
  g->OnMouseWheel(x, y, IMouseMod(), 0.5f);
  EXPECT_EQ(Real(1), 3.0);
  g->OnMouseWheel(x, y, IMouseMod(), 1.f);
  EXPECT_EQ(Real(1), 2.0);
  g->OnMouseWheel(x, y, IMouseMod(), -40.f);
  EXPECT_EQ(Real(1), 31.0);
}
