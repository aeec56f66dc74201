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
  for (int i = 0; i < 3; ++i)
    resizer->OnMouseOver(290, 190, IMouseMod());
  EXPECT_EQ(g.CursorType(), kSizeNWSECursor);
  EXPECT_TRUE(resizer->GetMouseIsOver());
  resizer->OnMouseOut();
  EXPECT_EQ(g.CursorType(), kHandCursor);
  EXPECT_FALSE(resizer->GetMouseIsOver());
  // Leaving again does not switch the cursor back a second time.
  g.SetMouseCursor(kArrowCursor);
  resizer->OnMouseOut();
  EXPECT_EQ(g.CursorType(), kArrowCursor);
}

TEST_F(CornerResizerTest, APressStartsTheResizeAndADoubleClickRestoresTheFirstSize)
{
  g.CreateCornerResizer();
  IControl* resizer = g.GetCornerResizer();
  EXPECT_FALSE(g.GetResizingInProcess());
  resizer->OnMouseDown(290, 190, IMouseMod(true));
  EXPECT_TRUE(g.GetResizingInProcess());

  g.Resize(450, 300, 1.5f);
  resizer->OnMouseDblClick(440, 290, IMouseMod(true));
  EXPECT_EQ(g.Width(), 300);
  EXPECT_EQ(g.Height(), 200);
  EXPECT_EQ(g.GetDrawScale(), 1.f);
  EXPECT_EQ(resizer->GetRECT(), IRECT(280, 180, 300, 200));
  EXPECT_EQ(dlg.mWindowSizes.back(), std::make_pair(300, 200));
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
  resizer->OnMouseOver(290, 190, IMouseMod());
  EXPECT_EQ(draw().back(), "fill #255,0,0,255");
  resizer->OnMouseDown(290, 190, IMouseMod(true));
  resizer->OnMouseOut();
  EXPECT_EQ(draw().back(), "fill #255,255,0,0");
}
} // namespace
