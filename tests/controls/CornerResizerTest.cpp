// The corner resizer: its square at every scale, the cursor while hovering, the press that starts the
// context's resize, the double click back to the first size, and its colours.
#include "controls/ICornerResizerControl.h"
#include "tests/controls/ControlsTestSupport.h"

using namespace iplugin::igraphics;
using qorvtest::ControlsTest;

namespace
{
using CornerResizerTest = ControlsTest;

TEST_F(CornerResizerTest, SitsInTheCornerAtTheSameSizeOnScreenAtEveryScale)
{
  g.CreateCornerResizer(kResizeSize, true, kColorTranslucent, kColorBlack, kColorRed, 20.f);
  IControl* resizer = g.GetCornerResizer();
  ASSERT_NE(resizer, nullptr);
  EXPECT_EQ(g.GetResizeMode(), kResizeSize);
  EXPECT_EQ(resizer->GetRECT(), IRECT(280, 180, 300, 200));
  EXPECT_EQ(resizer->GetTargetRECT(), IRECT(280, 180, 300, 200));
  g.Resize(300, 200, 2.f);
  EXPECT_EQ(resizer->GetRECT(), IRECT(290, 190, 300, 200));
  g.Resize(400, 300, 0.5f);
  EXPECT_EQ(resizer->GetRECT(), IRECT(360, 260, 400, 300));

  // A second one changes nothing.
  g.CreateCornerResizer(kResizeScale, false);
  EXPECT_EQ(g.GetCornerResizer(), resizer);
  EXPECT_EQ(g.GetResizeMode(), kResizeSize);

  // Made by hand, its square is inset by one point until the first rescale.
  ICornerResizerControl loose(IRECT(0, 0, 300, 200), 20.f);
  EXPECT_EQ(loose.GetRECT(), IRECT(281, 181, 299, 199));
}

TEST_F(CornerResizerTest, HoveringSwitchesTheCursorOnceAndLeavingRestoresIt)
{
  g.CreateCornerResizer();
  IControl* resizer = g.GetCornerResizer();
  g.SetMouseCursor(kHandCursor);
  for (float x : {285.f, 290.f, 295.f})
    g.OnMouseOver(x, 190, IMouseMod());
  EXPECT_EQ(g.CursorType(), kSizeNWSECursor);
  EXPECT_TRUE(resizer->GetMouseIsOver());
  g.OnMouseOver(100, 100, IMouseMod());
  EXPECT_EQ(g.CursorType(), kHandCursor);
  EXPECT_FALSE(resizer->GetMouseIsOver());
  // Leaving again does not switch the cursor back a second time.
  g.SetMouseCursor(kArrowCursor);
  resizer->OnMouseOut();
  EXPECT_EQ(g.CursorType(), kArrowCursor);
}

TEST_F(CornerResizerTest, ADragResizesTheEditorAndADoubleClickRestoresTheFirstSize)
{
  g.CreateCornerResizer(kResizeSize);
  IControl* resizer = g.GetCornerResizer();
  EXPECT_FALSE(g.IsResizing());
  Press(290, 190);
  EXPECT_TRUE(g.IsResizing());
  Drag(390, 240, 100, 50);
  Release(390, 240);
  EXPECT_FALSE(g.IsResizing());
  EXPECT_EQ(g.Width(), 390);
  EXPECT_EQ(g.Height(), 240);
  EXPECT_EQ(resizer->GetRECT(), IRECT(370, 220, 390, 240));

  DoubleClick(385, 235);
  EXPECT_EQ(g.Width(), 300);
  EXPECT_EQ(g.Height(), 200);
  EXPECT_EQ(g.GetDrawScale(), 1.f);
  EXPECT_EQ(resizer->GetRECT(), IRECT(280, 180, 300, 200));
  EXPECT_EQ(dlg.mWindowSizes.back(), std::make_pair(300, 200));
}

TEST_F(CornerResizerTest, ADoubleClickAfterRescalingRestoresScaleOne)
{
  g.CreateCornerResizer(kResizeScale);
  IControl* resizer = g.GetCornerResizer();
  // From (290, 190) to (435, 285): one and a half times the editor.
  Press(290, 190);
  Drag(435, 285, 145, 95);
  Release(435, 285);
  EXPECT_EQ(g.GetDrawScale(), 1.5f);
  EXPECT_EQ(g.Width(), 300);
  EXPECT_NEAR(resizer->GetRECT().W(), 20.f / 1.5f, 1e-4);
  DoubleClick(295, 195);
  EXPECT_EQ(g.GetDrawScale(), 1.f);
  EXPECT_EQ(resizer->GetRECT(), IRECT(280, 180, 300, 200));
}

TEST_F(CornerResizerTest, DrawsTheLowerRightHalfInTheColourOfItsState)
{
  g.CreateCornerResizer(kResizeScale, false, kColorTranslucent, kColorBlue, kColorRed);
  IControl* resizer = g.GetCornerResizer();
  auto draw = [&]
  {
    g.TakeLog();
    resizer->Draw(g);
    return g.TakeLog({"M", "L", "fill"});
  };
  const std::vector<std::string> atRest{"M 280 200", "L 300 180", "L 300 200", "fill #10,0,0,0"};
  EXPECT_EQ(draw(), atRest);
  g.OnMouseOver(290, 190, IMouseMod());
  EXPECT_EQ(draw().back(), "fill #255,0,0,255");
  Press(290, 190);
  g.OnMouseOver(10, 10, IMouseMod());
  EXPECT_EQ(draw().back(), "fill #255,255,0,0");
}
} // namespace
