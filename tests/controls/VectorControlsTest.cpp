// The vector-drawn controls: their layout from the style, the pressable shapes, and each control driven
// as a person would, through the context's mouse dispatch, its colour picker and its frame clock.
#include "controls/IFPSDisplayControl.h"
#include "controls/IVButtonControl.h"
#include "controls/IVColorSwatchControl.h"
#include "controls/IVDisplayControls.h"
#include "controls/IVKnobControl.h"
#include "controls/IVSliderControl.h"
#include "controls/IVSwitchControls.h"
#include "controls/IVTrackControlBase.h"
#include "controls/IVXYPadControl.h"
#include "tests/controls/ControlsTestSupport.h"

#include <algorithm>
#include <cmath>
#include <random>

using namespace iplugin::igraphics;
using qorvtest::ControlsTest;

namespace
{
using VectorControlsTest = ControlsTest;

// A bare vector control, to reach the mix-in's layout and shapes.
class PlainVector : public IControl, public IVectorBase
{
public:
  PlainVector(const IRECT& r, const char* label, const IVStyle& style, bool valueInWidget = false)
      : IControl(r), IVectorBase(style, false, valueInWidget)
  {
    AttachIControl(this, label);
  }
  void Draw(IGraphics& g) override {}
  using IVectorBase::mValueStr;
};

std::vector<std::string> Lines(qorvtest::RecordingGraphics& g, const std::function<void()>& draw)
{
  g.TakeLog();
  draw();
  return g.TakeLog({"fill", "stroke", "text", "clip", "A "});
}

size_t Count(const std::vector<std::string>& lines, const std::string& prefix)
{
  return size_t(std::count_if(lines.begin(), lines.end(),
                              [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

TEST_F(VectorControlsTest, RectanglesFollowTheStyle)
{
  IVStyle style;
  // The recording back end measures a string as size / 2 per byte wide and size tall.
  auto* labelled = Attach(new PlainVector(IRECT(0, 0, 100, 100), "Gain", style));
  labelled->mValueStr.Set("0.5");
  labelled->MakeRects(labelled->GetRECT());
  EXPECT_EQ(labelled->GetLabelBounds(), IRECT(31, 0, 69, 19));       // 4 x 9.5 wide, centred, 19 tall
  EXPECT_EQ(labelled->GetValueBounds().B, 100.f);                    // bottom-aligned value
  EXPECT_NEAR(labelled->GetValueBounds().W(), 2 * 21 * 0.66f, 1e-4); // 3 x 7 wide, x 0.66 each side
  EXPECT_EQ(labelled->GetWidgetBounds(), IRECT(0, 19, 100, 86));

  // showLabel on but no label: no label rectangle, the whole parent for the widget.
  style.mShowValue = false;
  auto* bare = Attach(new PlainVector(IRECT(0, 0, 100, 100), "", style));
  bare->MakeRects(bare->GetRECT());
  EXPECT_TRUE(bare->GetLabelBounds().Empty());
  EXPECT_EQ(bare->GetWidgetBounds(), IRECT(0, 0, 100, 100));

  // A middle-aligned value overlaps the widget; an unknown alignment leaves both as they were.
  style.mShowValue = true;
  style.mValueText.mVAlign = kVAlignMiddle;
  auto* middle = Attach(new PlainVector(IRECT(0, 0, 100, 100), "", style));
  middle->mValueStr.Set("ab");
  middle->MakeRects(middle->GetRECT());
  EXPECT_EQ(middle->GetWidgetBounds(), IRECT(0, 0, 100, 100));
  EXPECT_EQ(middle->GetValueBounds().MH(), 50.f);
  style.mValueText.mVAlign = 7;
  middle->SetStyle(style);
  middle->MakeRects(IRECT(0, 0, 50, 50));
  EXPECT_EQ(middle->GetWidgetBounds(), IRECT(0, 0, 100, 100));

  // With a handle the widget is inset for frame and shadow, then scaled by widgetFrac.
  style = IVStyle();
  style.mShowValue = false;
  style.mWidgetFrac = 0.5f;
  auto* handle = Attach(new PlainVector(IRECT(0, 0, 100, 100), "", style));
  handle->MakeRects(handle->GetRECT(), true);
  const IRECT inset(0.5f + 3, 0.5f, 99.5f - 3, 99.5f - 3);
  EXPECT_EQ(handle->GetWidgetBounds(), IRECT(inset.MW() - inset.W() / 4, inset.MH() - inset.H() / 4,
                                             inset.MW() + inset.W() / 4, inset.MH() + inset.H() / 4));
}

TEST_F(VectorControlsTest, AppliedStyleReachesEveryVectorControlOnly)
{
  auto* a = Attach(new PlainVector(IRECT(0, 0, 10, 10), "", kDefaultStyle));
  auto* text = Attach(new ITextControl(IRECT(0, 20, 10, 30), "t"));
  auto* b = Attach(new IVLabelControl(IRECT(0, 40, 10, 50), "b"));
  const IText before = text->GetText();
  IVStyle style;
  style.mRoundness = 0.75f;
  style.mColorSpec = IVColorSpec{kColorRed};
  g.ApplyStyleToVectorControls(style);
  for (IVectorBase* v : {static_cast<IVectorBase*>(a), static_cast<IVectorBase*>(b)})
  {
    EXPECT_EQ(v->GetStyle().mRoundness, 0.75f);
    EXPECT_EQ(v->GetColor(kBG), kColorRed);
  }
  EXPECT_EQ(text->GetText().mSize, before.mSize);
}

TEST_F(VectorControlsTest, PressableShapesDrawTheirLayersInOrder)
{
  IVStyle style;
  auto* v = Attach(new PlainVector(IRECT(0, 0, 40, 40), "", style));
  const IRECT r(0, 0, 40, 40);
  // Unpressed, no emboss: shadow, body, frame; a disabled rectangle keeps its shadow, an ellipse drops it.
  for (bool disabled : {false, true})
  {
    auto rect = Lines(g, [&] { v->DrawPressableShape(g, EVShape::Rectangle, r, false, false, disabled); });
    auto ellipse = Lines(g, [&] { v->DrawPressableShape(g, EVShape::Ellipse, r, false, false, disabled); });
    EXPECT_EQ(Count(rect, "fill"), 2u) << disabled;
    EXPECT_EQ(Count(ellipse, "fill"), disabled ? 1u : 2u);
    EXPECT_EQ(Count(rect, "stroke"), 1u);
    // The body is dimmed by 63 on each colour channel when disabled.
    EXPECT_NE(rect[1].find(disabled ? "#255,137,137,137" : "#255,200,200,200"), std::string::npos) << rect[1];
  }
  // Rectangle and AllRounded draw alike; a shape past the last draws nothing.
  style.mRoundness = 1.f;
  v->SetStyle(style);
  EXPECT_EQ(Lines(g, [&] { v->DrawPressableShape(g, EVShape::Rectangle, r, true, true, false); }),
            Lines(g, [&] { v->DrawPressableShape(g, EVShape::AllRounded, r, true, true, false); }));
  EXPECT_NE(Lines(g, [&] { v->DrawPressableShape(g, EVShape::Rectangle, r, true, true, false); }),
            Lines(g, [&] { v->DrawPressableShape(g, EVShape::TopRounded, r, true, true, false); }));
  EXPECT_TRUE(Lines(g, [&] { v->DrawPressableShape(g, EVShape(5), r, true, true, false); }).empty());
  // Emboss: four fills when pressed; three plus the hover when not.
  style.mEmboss = true;
  v->SetStyle(style);
  EXPECT_EQ(Count(Lines(g, [&] { v->DrawPressableRectangle(g, r, true, false, false); }), "fill"), 4u);
  EXPECT_EQ(Count(Lines(g, [&] { v->DrawPressableRectangle(g, r, false, true, false); }), "fill"), 5u);

  EXPECT_EQ(IVectorBase::WithContrast(IColor(100, 10, 128, 255), -0.25f), IColor(100, 0, 65, 192));
  EXPECT_EQ(IVectorBase::WithContrast(IColor(100, 10, 128, 255), 0.f), IColor(100, 10, 128, 255));
}

TEST_F(VectorControlsTest, TabSwitchClickSetsIndexOverStatesLessOne)
{
  int actions = 0;
  IVStyle style;
  style.mShowLabel = false;
  for (EDirection dir : {kHorizontal, kVertical})
  {
    auto* tabs = Attach(new IVTabSwitchControl(
        IRECT(0, 0, 100, 100), [&](IControl*) { ++actions; }, {"a", "b", "c", "d", "e"}, "", style,
        EVShape::Rectangle, dir));
    for (int i : {3, 0, 4, 1})
    {
      const IRECT& b = tabs->GetButton(i);
      Click(b.MW(), b.MH());
      EXPECT_DOUBLE_EQ(tabs->GetValue(), i / 4.0);
      EXPECT_EQ(tabs->SelectedIndex(), i);
    }
    g.RemoveControl(tabs);
  }
  // A press that misses every tab changes nothing but still runs the action.
  auto* tabs = Attach(new IVTabSwitchControl(
      IRECT(0, 0, 100, 20), [&](IControl*) { ++actions; }, {"a", "b"}, "", style));
  tabs->SetValue(1.0);
  const int before = actions;
  tabs->OnMouseDown(150, 150, IMouseMod(true));
  EXPECT_EQ(tabs->GetValue(), 1.0);
  EXPECT_EQ(actions, before + 1);

  // Radio buttons: only the button column answers when asked to.
  auto* radio = Attach(new IVRadioButtonControl(
      IRECT(0, 100, 100, 160), [](IControl*) {}, {"x", "y", "z"}, "", style));
  Click(90, 150);
  EXPECT_DOUBLE_EQ(radio->GetValue(), 1.0);
  radio->SetOnlyButtonsRespondToMouse(true);
  EXPECT_EQ(radio->GetButtonForPoint(90, 110), -1);
  EXPECT_EQ(radio->GetButtonForPoint(5, 110), 0);
}

TEST_F(VectorControlsTest, SlideSwitchSlidesToTheNextStateAndWraps)
{
  static double now = 0.0;
  IControl::SetClock([] { return now; });
  int ended = 0;
  IVStyle style;
  style.mShowLabel = style.mShowValue = false;
  auto* slide = Attach(new IVSlideSwitchControl(
      IRECT(0, 0, 90, 20), [&](IControl*) { ++ended; }, "", style, false, kHorizontal, 3, 2));
  const IRECT last = slide->GetHandleRECT();
  EXPECT_EQ(slide->GetValue(), 1.0); // initial state 2 of 3
  Click(last.MW(), last.MH());
  EXPECT_EQ(slide->GetValue(), 0.0);
  now += 50.0;
  slide->TickAnimation();
  // Halfway from the last state back to the first.
  EXPECT_NEAR(slide->GetHandleRECT().L, (last.L + slide->GetWidgetBounds().L) / 2, 0.01);
  now += 60.0;
  slide->TickAnimation();
  EXPECT_EQ(ended, 1);
  EXPECT_EQ(slide->GetHandleRECT().L, slide->GetWidgetBounds().L);
  // The initial state is a state index, not a value: state 1 of 3 is the middle one.
  auto* middle = Attach(new IVSlideSwitchControl(
      IRECT(0, 30, 90, 50), [](IControl*) {}, "", style, false, kHorizontal, 3, 1));
  EXPECT_EQ(middle->SelectedIndex(), 1);
  EXPECT_EQ(middle->GetValue(), 0.5);
  IControl::SetClock(nullptr);
}

TEST_F(VectorControlsTest, SliderMovesByTheDragOverItsTrackAndButtonSplashes)
{
  IVStyle style;
  style.mShowLabel = style.mShowValue = false;
  // Handles of 10 at both ends leave a track of 100 points.
  auto* slider =
      Attach(new IVSliderControl(IRECT(0, 0, 30, 120), kGain, "", style, false, kVertical, 1.0, 10.f));
  EXPECT_EQ(slider->GetTrack().H(), 100.f);
  slider->SetValue(0.0);
  slider->SetDirty(false);
  const IRECT track = slider->GetTrack();
  Press(track.MW(), track.B);
  Drag(track.MW(), track.B - 25.f, 0.f, -25.f);
  EXPECT_NEAR(slider->GetValue(), 0.25, 1e-9);
  EXPECT_TRUE(g.CursorHidden());
  Release(track.MW(), track.B - 25.f);
  EXPECT_FALSE(g.CursorHidden());
  // The filled part of the track reaches a quarter of the way up, the handle at its top.
  const auto lines = Lines(g, [&] { slider->Draw(g); });
  EXPECT_EQ(Count(lines, "fill #255,0,0,0"), 1u); // the value in kX1

  static double now = 0.0;
  IControl::SetClock([] { return now; });
  int clicks = 0;
  auto* button = Attach(new IVButtonControl(
      IRECT(100, 0, 160, 40),
      [&](IControl* c)
      {
        ++clicks;
        IControl::StartSplashClickAnimation(c);
      },
      "Go", style));
  Press(130, 20);
  EXPECT_EQ(button->GetValue(), 1.0);
  now += 50.0;
  button->TickAnimation();
  EXPECT_NEAR(button->GetSplashRadius(), 25.f, 0.01f);
  // While pressed with a splash running, the splash is drawn clipped to the handle.
  EXPECT_EQ(Count(Lines(g, [&] { button->Draw(g); }), "clip"), 2u);
  Release(130, 20);
  now += 60.0;
  button->TickAnimation();
  EXPECT_EQ(button->GetValue(), 0.0);
  EXPECT_EQ(clicks, 1);
  IControl::SetClock(nullptr);
}

TEST_F(VectorControlsTest, RangeSliderHandlesNeverCross)
{
  IVStyle style;
  style.mShowLabel = false;
  // The bottom control is the background, which mouse-over skips.
  Attach(new IVLabelControl(IRECT(0, 0, 300, 200)));
  g.EnableMouseOver(true);
  int moved = 0;
  auto* range =
      Attach(new IVRangeSliderControl(IRECT(0, 0, 40, 200), {kGain, kPercent}, "", style, kVertical));
  range->SetValue(0.2, 0);
  range->SetValue(0.6, 1);
  range->SetDirty(false);
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> y(-50.f, 250.f);
  for (int step = 0; step < 200; ++step)
  {
    const int handle = step % 2;
    const IRECT h = range->GetHandleBounds(handle);
    g.OnMouseOver(h.MW(), h.MH(), IMouseMod());
    Press(h.MW(), h.MH());
    const float to = y(rng);
    Drag(h.MW(), to, 0.f, to - h.MH());
    Release(h.MW(), to);
    moved += range->GetValue(handle) != (handle ? 0.6 : 0.2);
    ASSERT_LE(range->GetValue(0), range->GetValue(1)) << step;
  }
  EXPECT_GT(moved, 150);
  // Dragging the lower handle to the very top stops at the upper one.
  range->SetValue(0.1, 0);
  range->SetValue(0.5, 1);
  range->SetDirty(false);
  const IRECT h = range->GetHandleBounds(0);
  g.OnMouseOver(h.MW(), h.MH(), IMouseMod());
  Press(h.MW(), h.MH());
  Drag(h.MW(), 0.f, 0.f, -h.MH());
  EXPECT_DOUBLE_EQ(range->GetValue(0), 0.5);
}

TEST_F(VectorControlsTest, XYPadDragSetsBothValues)
{
  IVStyle style;
  style.mShowLabel = false;
  auto* pad = Attach(new IVXYPadControl(IRECT(100, 0, 200, 100), {kGain, kPercent}, "", style));
  Press(125, 10);
  EXPECT_DOUBLE_EQ(pad->GetValue(0), 0.25);
  EXPECT_NEAR(pad->GetValue(1), 0.9, 1e-6);
  EXPECT_TRUE(g.CursorHidden());
  Drag(400, -30, 275, -40); // clamped to the pad
  EXPECT_DOUBLE_EQ(pad->GetValue(0), 1.0);
  EXPECT_DOUBLE_EQ(pad->GetValue(1), 1.0);
  Release(400, -30);
  EXPECT_FALSE(g.CursorHidden());
  ASSERT_GE(dlg.mSentValues.size(), 2u);
  EXPECT_EQ(dlg.mSentValues.back().first, kPercent);
}

TEST_F(VectorControlsTest, SwatchTakesTheColourChosenInThePicker)
{
  std::vector<std::pair<int, IColor>> chosen;
  IVStyle style;
  style.mShowLabel = false;
  auto* swatch = Attach(new IVColorSwatchControl(
      IRECT(0, 0, 90, 90), "", [&](int cell, const IColor& c) { chosen.emplace_back(cell, c); }, style,
      IVColorSwatchControl::kGrid, {kFG, kX1, kX3}, {"fg", "", "x3"}));
  const IRECT cell = swatch->GetCellRect(1);
  g.mColorAnswers = {IColor(255, 1, 2, 3)};
  g.TakeLog();
  Click(cell.MW(), cell.MH());
  EXPECT_EQ(g.TakeLog({"colorprompt"}), std::vector<std::string>{"colorprompt Choose a color #255,0,0,0"});
  EXPECT_EQ(swatch->GetColor(kX1), IColor(255, 1, 2, 3));
  ASSERT_EQ(chosen.size(), 1u);
  EXPECT_EQ(chosen[0].first, 1);
  // A cancelled picker changes nothing.
  Click(cell.MW(), cell.MH());
  EXPECT_EQ(chosen.size(), 1u);
  EXPECT_EQ(swatch->GetColor(kX1), IColor(255, 1, 2, 3));
  // A labelled cell shows its label on the left and the swatch on the right quarter.
  auto lines = Lines(g, [&] { swatch->Draw(g); });
  EXPECT_EQ(Count(lines, "text fg"), 1u);
  EXPECT_EQ(Count(lines, "text x3"), 1u);
}

TEST_F(VectorControlsTest, PlotDrawsEachFunctionOverItsRange)
{
  IVStyle style;
  style.mShowLabel = style.mDrawFrame = false;
  auto* plot = Attach(new IVPlotControl(IRECT(0, 0, 100, 120), {{kColorRed, [](double x) { return x; }}}, 5,
                                        "", style, 0.f, 1.f));
  plot->AddPlotFunc(kColorBlue, [](double x) { return 1.0 - x; });
  g.TakeLog();
  plot->Draw(g);
  const auto log = g.TakeLog({"M", "L", "stroke #255,255", "stroke #255,0,0,255"});
  // The plot area leaves one of twelve cell heights (10) at top and bottom: y runs 110 .. 10.
  const std::vector<std::string> expected = {
      "M 0 110", "L 25 85", "L 50 60", "L 75 35", "L 100 10",  "stroke #255,255,0,0 t2 b0,1",
      "M 0 10",  "L 25 35", "L 50 60", "L 75 85", "L 100 110", "stroke #255,0,0,255 t2 b0,1"};
  std::vector<std::string> tail(log.end() - long(expected.size()), log.end());
  EXPECT_EQ(tail, expected);
}

// A layered plot of no area drawn while another layer is open ends its own layer, not the open one.
TEST_F(VectorControlsTest, ALayeredPlotWithoutAreaLeavesTheLayerAroundIt)
{
  auto* plot = Attach(new IVPlotControl(IRECT(10, 10, 10, 60), {{kColorRed, [](double x) { return x; }}}, 5,
                                        "", kDefaultStyle, 0.f, 1.f, true));
  g.StartLayer(nullptr, IRECT(0, 0, 100, 100));
  plot->Draw(g);
  EXPECT_EQ(g.NLayers(), 1);
  ILayerPtr outer = g.EndLayer();
  ASSERT_TRUE(outer);
  EXPECT_EQ(outer->Bounds(), IRECT(0, 0, 100, 100));
}

TEST_F(VectorControlsTest, FrameTimeDisplayCyclesItsKindsAndGraphsAnInjectedClock)
{
  static double now = 0.0;
  IControl::SetClock([] { return now; });
  g.ShowFPSDisplay(true);
  auto* fps = dynamic_cast<IFPSDisplayControl*>(g.GetFPSDisplay());
  ASSERT_NE(fps, nullptr);
  EXPECT_EQ(fps->GetRECT(), IRECT(10, 10, 210, 60));

  // All samples 0: the graph sits at its top and the rate is infinite.
  auto lines = Lines(g, [&] { fps->Draw(g); });
  EXPECT_EQ(Count(lines, "text inf FPS"), 1u);

  for (int i = 0; i < 150; ++i)
  {
    now += 20.0;
    g.BeginFrame();
  }
  EXPECT_NEAR(fps->Average(), 0.02f, 1e-6);
  g.TakeLog();
  fps->Draw(g);
  auto log = g.TakeLog({"M", "L", "text"});
  // Steady frames draw a flat graph at 50 of 80 frames per second (less the guard against zero).
  const auto start = std::find(log.begin(), log.end(), "M 12 58");
  ASSERT_LT(start + 101, log.end());
  std::vector<std::string> points(start + 1, start + 101);
  const float y = 58.f - std::min(1.f / (0.02f + 0.00001f), 80.f) / 80.f * 46.f;
  char flat[32];
  std::snprintf(flat, sizeof(flat), " %g", double(y));
  for (const std::string& p : points)
    EXPECT_NE(p.find(flat), std::string::npos) << p;
  EXPECT_EQ(Count(log, "text 50.00 FPS"), 1u);
  EXPECT_EQ(Count(log, "text 20.00 ms"), 1u);
  EXPECT_EQ(Count(log, "text Frame Time"), 1u);

  const char* kinds[] = {"text 20.00 ms", "text 0.0 %", "text 50.00 FPS"};
  for (const char* kind : kinds)
  {
    Click(100, 30);
    EXPECT_EQ(Count(Lines(g, [&] { fps->Draw(g); }), kind), 1u) << kind;
  }
  EXPECT_EQ(fps->GetGraphType(), 0);
  EXPECT_TRUE(fps->IsDirty());
  g.ShowFPSDisplay(false);
  EXPECT_EQ(g.GetFPSDisplay(), nullptr);
  IControl::SetClock(nullptr);
}

TEST_F(VectorControlsTest, KnobGroupAndLabelLayout)
{
  IVStyle style;
  auto* knob = Attach(new IVKnobControl(IRECT(0, 0, 100, 140), kGain, "", style, true));
  EXPECT_STREQ(knob->GetLabelStr(), "Gain");
  EXPECT_STREQ(knob->GetValueStr(), "0.50");
  const IRECT drag = knob->GetKnobDragBounds();
  EXPECT_EQ(drag.H(), knob->GetWidgetBounds().W() / 2);
  // An editable value prompts over its own rectangle.
  const IRECT vb = knob->GetValueBounds();
  g.TakeLog();
  Click(vb.MW(), vb.MH());
  EXPECT_EQ(g.TakeLog({"prompt"}).size(), 1u);

  // The group frame surrounds the controls of its group, widened by its margins.
  auto* a = new IVLabelControl(IRECT(20, 150, 60, 170), "a", style);
  auto* b = new IVLabelControl(IRECT(100, 160, 140, 190), "b", style);
  g.AttachControl(a, -1, "grp");
  g.AttachControl(b, -1, "grp");
  auto* group = Attach(new IVGroupControl("Group", "grp", style, 5, 25, 5, 5));
  EXPECT_EQ(group->GetRECT(), IRECT(15, 125, 145, 195));
  EXPECT_TRUE(group->GetIgnoreMouse());
  EXPECT_EQ(group->GetWidgetBounds().T, group->GetLabelBounds().MH());
  EXPECT_EQ(group->GetLabelBounds().L, 15.f + 1.f + 10.f);

  // A label draws its shadow first, offset, in the shadow colour.
  auto lines = Lines(g, [&] { a->Draw(g); });
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[1], "text a 23 153 63 173 b0,1");
  EXPECT_EQ(lines[2], "text a 20 150 60 170 b0,1");
}
} // namespace
