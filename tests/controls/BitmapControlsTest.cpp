// The bitmap mix-in through the controls that carry it: which frame a value shows, where it is drawn,
// the bitmap at a new screen scale, a bitmap that failed to load, and the bitmap switch and knob.
#include "controls/IBKnobControl.h"
#include "controls/IBSwitchControl.h"
#include "controls/IBitmapControl.h"
#include "tests/controls/ControlsTestSupport.h"

#include <cmath>
#include <limits>
#include <random>
#include <sstream>

using namespace iplugin::igraphics;
using qorvtest::ControlsTest;
using qorvtest::WritePng;

namespace
{
struct Drawn
{
  std::string name;
  IRECT dest;
  int srcX = 0, srcY = 0;
};

Drawn Parse(const std::string& line)
{
  std::istringstream in(line);
  std::string word;
  Drawn d;
  in >> word >> d.name >> d.dest.L >> d.dest.T >> d.dest.R >> d.dest.B >> d.srcX >> d.srcY;
  return d;
}

class BitmapControlsTest : public ControlsTest
{
protected:
  IBitmap Load(const char* name, int w, int h, int frames, bool horizontal)
  {
    return g.LoadBitmap(WritePng(mFolder, name, w, h).c_str(), frames, horizontal);
  }
  // The one bitmap draw of the control.
  Drawn DrawOnce(IControl& control)
  {
    const auto lines = DrawnBitmaps(control);
    EXPECT_EQ(lines.size(), 1u);
    return lines.empty() ? Drawn() : Parse(lines[0]);
  }
};

struct FrameCase
{
  int frames;
  bool horizontal;
  int w, h;
  double value;
  int srcX, srcY;
};

TEST_F(BitmapControlsTest, TheValuePicksTheNearestFrameHalvesGoingUp)
{
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const FrameCase cases[] = {
      {101, false, 30, 3030, 0.5, 0, 1500}, {101, false, 30, 3030, 0.0, 0, 0},
      {101, false, 30, 3030, 1.0, 0, 3000}, {2, false, 20, 40, 0.5, 0, 20},
      {2, false, 20, 40, 0.4999, 0, 0},     {34, true, 3400, 50, 1.0, 3300, 0},
      {4, true, 40, 10, 1.7, 30, 0},        {4, true, 40, 10, -0.3, 0, 0},
      {4, true, 40, 10, nan, 0, 0},         {1, false, 40, 40, 0.8, 0, 0},
      {3, true, 31, 10, 1.0, 20, 0}, // 2 x 31 / 3: the product first, then the division
  };
  int i = 0;
  for (const FrameCase& c : cases)
  {
    const std::string name = "strip" + std::to_string(i++) + ".png";
    auto* knob =
        Attach(new IBKnobControl(IRECT(0, 0, 10, 10), Load(name.c_str(), c.w, c.h, c.frames, c.horizontal)));
    knob->SetValue(c.value);
    const Drawn d = DrawOnce(*knob);
    EXPECT_EQ(d.srcX, c.srcX) << c.frames << " frames at " << c.value;
    EXPECT_EQ(d.srcY, c.srcY) << c.frames << " frames at " << c.value;
  }
}

TEST_F(BitmapControlsTest, EveryValueShowsTheFrameNearestToIt)
{
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int frames : {2, 3, 7, 61, 101})
  {
    auto* knob =
        Attach(new IBKnobControl(IRECT(0, 0, 10, 10), Load(("k" + std::to_string(frames) + ".png").c_str(),
                                                           10, 10 * frames, frames, false)));
    for (int k = 0; k < 200; ++k)
    {
      const double v = unit(rng);
      knob->SetValue(v);
      const int frame = DrawOnce(*knob).srcY / 10 + 1;
      EXPECT_LE(std::fabs(v - double(frame - 1) / (frames - 1)), 0.5 / (frames - 1) + 1e-12)
          << frames << " " << v;
    }
  }
}

TEST_F(BitmapControlsTest, TheFrameIsCentredOnTheControlAndOnlyItIsHit)
{
  // A knob given bounds larger than its frame keeps the frame's size in their middle.
  auto* knob = Attach(new IBKnobControl(IRECT(0, 0, 100, 100), Load("knob.png", 30, 300, 10, false)));
  EXPECT_EQ(knob->GetRECT(), IRECT(35, 35, 65, 65));
  EXPECT_FALSE(knob->IsHit(20, 20));
  EXPECT_TRUE(knob->IsHit(50, 50));
  EXPECT_EQ(DrawOnce(*knob).dest, IRECT(35, 35, 65, 65));
  // A rectangle of exactly one frame stays as given, odd sizes included.
  auto* odd = Attach(new IBKnobControl(IRECT(3, 4, 34, 15), Load("odd.png", 31, 22, 2, false)));
  EXPECT_EQ(odd->GetRECT(), IRECT(3, 4, 34, 15));

  // A smaller rectangle: the frame overflows it equally on both sides.
  knob->SetTargetAndDrawRECTs(IRECT(40, 40, 60, 50));
  EXPECT_EQ(DrawOnce(*knob).dest, IRECT(35, 30, 65, 60));

  // Disabled controls draw at a quarter of their opacity.
  knob->SetDisabled(true);
  const auto lines = DrawnBitmaps(*knob);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find(" b0,0.25"), std::string::npos) << lines[0];
}

TEST_F(BitmapControlsTest, ANewScreenScaleFetchesTheBitmapAtTheTruncatedScale)
{
  WritePng(mFolder, "sw@2x.png", 40, 80);
  auto* sw = Attach(new IBSwitchControl(5, 5, Load("sw.png", 20, 40, 2, false)));
  auto* plain = Attach(new IBitmapControl(0, 0, g.LoadBitmap((mFolder + "/sw.png").c_str(), 2, false)));
  EXPECT_EQ(DrawOnce(*sw).name, "sw.png");
  g.SetScreenScale(2.f);
  EXPECT_EQ(DrawOnce(*sw).name, "sw@2x.png");
  EXPECT_EQ(DrawOnce(*plain).name, "sw@2x.png");
  // Same size in points, the same frames.
  sw->SetValue(1.0);
  EXPECT_EQ(DrawOnce(*sw).dest, IRECT(5, 5, 25, 25));
  EXPECT_EQ(DrawOnce(*sw).srcY, 20);
  g.SetScreenScale(1.5f);
  EXPECT_EQ(DrawOnce(*sw).name, "sw.png");
  EXPECT_EQ(DrawOnce(*plain).name, "sw.png");
}

TEST_F(BitmapControlsTest, AControlWhoseBitmapDidNotLoadDrawsNothingAndStillWorks)
{
  const IBitmap missing = g.LoadBitmap((mFolder + "/missing.png").c_str(), 3, true);
  ASSERT_FALSE(missing.IsValid());
  auto* sw = Attach(new IBSwitchControl(10, 20, missing, kGain));
  auto* centred = Attach(new IBSwitchControl(IRECT(0, 0, 40, 40), missing));
  auto* knob = Attach(new IBKnobControl(IRECT(0, 0, 40, 40), missing, kGain));
  auto* plain = Attach(new IBitmapControl(7, 8, missing));
  EXPECT_EQ(sw->GetRECT(), IRECT(10, 20, 10, 20));
  EXPECT_EQ(centred->GetRECT(), IRECT(20, 20, 20, 20));
  EXPECT_EQ(plain->GetRECT(), IRECT(7, 8, 7, 8));
  for (IControl* c : std::initializer_list<IControl*>{sw, centred, knob, plain})
    EXPECT_TRUE(DrawnBitmaps(*c).empty());
  // One frame: each click adds a whole step, wrapping after the first. Its rectangle is empty, so
  // nothing can hit it: the press goes to it as the context would send it.
  sw->OnMouseDown(10, 20, IMouseMod(true));
  EXPECT_EQ(sw->GetValue(), 1.0);
  sw->OnMouseDown(10, 20, IMouseMod(true));
  EXPECT_EQ(sw->GetValue(), 0.0);
  g.SetScreenScale(2.f);
  EXPECT_TRUE(DrawnBitmaps(*sw).empty());
}

TEST_F(BitmapControlsTest, ABitmapSwitchStepsByItsFramesAndWraps)
{
  struct Case
  {
    int frames;
    std::vector<double> values; // after each click, from 0
  };
  const Case cases[] = {
      {2, {1.0, 0.0, 1.0}},
      {3, {0.5, 1.0, 0.0, 0.5}},
      {4, {1.0 / 3, 2.0 / 3, 1.0, 0.0}},
  };
  for (const Case& c : cases)
  {
    // Linked to a two-state parameter: the frames decide, the parameter gets each value.
    auto* sw = Attach(new IBSwitchControl(0, 0, Load("b.png", 10, 10 * c.frames, c.frames, false), kGain));
    dlg.mSentValues.clear();
    for (size_t k = 0; k < c.values.size(); ++k)
    {
      if (k % 2)
        DoubleClick(1, 1);
      else
        Click(1, 1);
      EXPECT_NEAR(sw->GetValue(), c.values[k], 1e-12) << c.frames << " frames, click " << k;
    }
    ASSERT_EQ(dlg.mSentValues.size(), c.values.size());
    EXPECT_EQ(dlg.mSentValues.back().first, int(kGain));
  }
}

TEST_F(BitmapControlsTest, ABitmapKnobShowsTheFrameOfWhereItWasDragged)
{
  // 101 frames of 50 x 50: a drag of 10 points up with gearing 4 moves 0.05, five frames.
  auto* knob = Attach(new IBKnobControl(IRECT(0, 0, 50, 50), Load("dial.png", 50, 5050, 101, false), kGain));
  Press(25, 25);
  Drag(25, 15, 0, -10);
  Release(25, 15);
  EXPECT_EQ(DrawOnce(*knob).srcY, 5 * 50);
  Wheel(25, 25, 1.f);
  EXPECT_EQ(DrawOnce(*knob).srcY, 6 * 50);
  EXPECT_EQ(dlg.mSentValues.back().first, int(kGain));
}

TEST_F(BitmapControlsTest, TheBackgroundGoesBehindEveryControl)
{
  Attach(new IBitmapControl(0, 0, Load("front.png", 10, 10, 1, false)));
  g.AttachBackground((mFolder + "/" + std::string("back.png")).c_str());
  WritePng(mFolder, "back.png", 300, 200);
  g.AttachBackground((mFolder + "/back.png").c_str());
  ASSERT_EQ(g.NControls(), 3);
  EXPECT_EQ(g.GetControl(0)->GetRECT(), IRECT(0, 0, 300, 200));
  EXPECT_EQ(DrawOnce(*g.GetControl(0)).name, "back.png");
  // The one made before the file existed draws nothing.
  EXPECT_TRUE(DrawnBitmaps(*g.GetControl(1)).empty());
  EXPECT_EQ(g.GetControl(0)->GetUI(), &g);
}
} // namespace
