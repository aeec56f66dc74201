// The redraw path: the rectangle list's merging (checked as a property over random lists: nothing
// dirty is lost, nothing grows past the snapped bounds), and one display tick on a recording context
// drawing exactly the dirty controls clipped to the merged rectangles.
#include "graphics/FrameTimeRing.h"
#include "tests/support/RecordingGraphics.h"

#include <gtest/gtest.h>

#include <random>

using namespace iplugin;
using namespace iplugin::igraphics;
using qorvtest::RecordingDelegate;
using qorvtest::RecordingGraphics;
using qorvtest::TestControl;

namespace
{
std::vector<IRECT> Rects(const IRECTList& list)
{
  std::vector<IRECT> out;
  for (int i = 0; i < list.Size(); ++i)
    out.push_back(list.Get(i));
  return out;
}

IRECTList ListOf(std::initializer_list<IRECT> rects, int maxCount = INT_MAX)
{
  IRECTList list(maxCount);
  for (const IRECT& r : rects)
    list.Add(r);
  return list;
}

// Every half-unit cell centre inside an input rectangle lies in an output rectangle, and every output
// lies within the inputs' bounds.
void ExpectCoversAndStaysWithin(const std::vector<IRECT>& in, const std::vector<IRECT>& out)
{
  IRECT bounds;
  for (const IRECT& r : in)
    bounds = IRECTList::Union(bounds, r);
  for (const IRECT& r : out)
    ASSERT_TRUE(r.L >= bounds.L && r.T >= bounds.T && r.R <= bounds.R && r.B <= bounds.B);
  for (const IRECT& r : in)
    for (float y = r.T + 0.25f; y < r.B; y += 0.5f)
      for (float x = r.L + 0.25f; x < r.R; x += 0.5f)
      {
        bool covered = false;
        for (const IRECT& o : out)
          covered = covered || o.Contains(x, y);
        ASSERT_TRUE(covered) << "point " << x << "," << y << " of " << r.L << "," << r.T << "," << r.R << ","
                             << r.B << " lost";
      }
}

struct OptimizeCase
{
  const char* name;
  std::vector<IRECT> in;
  std::vector<IRECT> out;
};

// A tick as the view runs it.
bool Tick(RecordingGraphics& g)
{
  IRECTList dirty;
  if (!g.IsDirty(dirty)) return false;
  g.ClearAllControlsDirty();
  g.DrawDirtyRects(dirty);
  return true;
}
} // namespace

TEST(IRECTListTest, OptimizeCases)
{
  const std::vector<OptimizeCase> cases{
      {"touching side by side merge", {{0, 0, 10, 10}, {10, 0, 20, 10}}, {{0, 0, 20, 10}}},
      {"inner first is removed", {{2, 2, 4, 4}, {0, 0, 10, 10}}, {{0, 0, 10, 10}}},
      {"inner second is removed", {{0, 0, 10, 10}, {2, 2, 4, 4}}, {{0, 0, 10, 10}}},
      {"smaller one split", {{0, 0, 10, 10}, {5, 5, 20, 20}}, {{0, 5, 5, 10}, {5, 5, 20, 20}, {0, 0, 10, 5}}},
      {"band at the edge shrinks", {{0, 0, 10, 30}, {-5, 20, 15, 40}}, {{0, 0, 10, 20}, {-5, 20, 15, 40}}},
      // The band crosses the middle: both remaining parts stay.
      {"band in the middle keeps both parts",
       {{0, 0, 10, 30}, {-5, 10, 15, 20}},
       {{0, 0, 10, 10}, {-5, 10, 15, 20}, {0, 20, 10, 30}}},
      {"empty merges into anything", {{}, {1, 1, 2, 2}}, {{1, 1, 2, 2}}},
  };
  for (const OptimizeCase& c : cases)
  {
    IRECTList list;
    for (const IRECT& r : c.in)
      list.Add(r);
    list.Optimize();
    EXPECT_EQ(Rects(list), c.out) << c.name;
    ExpectCoversAndStaysWithin(c.in, Rects(list));
  }
}

TEST(IRECTListTest, OptimizeNeverLosesAreaOverRandomListsEvenWhenTheListCannotGrow)
{
  std::mt19937 rng(1515);
  std::uniform_int_distribution<int> pos(0, 40), size(1, 20), count(1, 8), scaleIdx(0, 2);
  const float scales[] = {1.f, 2.f, 1.5f};
  for (int round = 0; round < 3000; ++round)
  {
    std::vector<IRECT> in;
    const int n = count(rng);
    for (int i = 0; i < n; ++i)
    {
      const float l = float(pos(rng)) * 0.5f, t = float(pos(rng)) * 0.5f;
      in.push_back(IRECT(l, t, l + float(size(rng)) * 0.5f, t + float(size(rng)) * 0.5f));
    }
    // Half the rounds may not grow beyond the input, as when an allocation fails.
    IRECTList list(round % 2 ? n : INT_MAX);
    for (const IRECT& r : in)
      list.Add(r);
    list.PixelAlign(scales[scaleIdx(rng)]);
    const std::vector<IRECT> snapped = Rects(list);
    list.Optimize();
    ExpectCoversAndStaysWithin(snapped, Rects(list));
    if (HasFatalFailure()) return;
  }
}

// Meters side by side: rectangles over the same rows (or columns) a little apart are drawn as one.
TEST(IRECTListTest, JoinNearCases)
{
  const std::vector<OptimizeCase> cases{
      {"a column apart over the same rows",
       {{0, 0, 10, 50}, {11, 0, 21, 50}, {40, 0, 50, 50}},
       {{0, 0, 21, 50}, {40, 0, 50, 50}}},
      {"two rows apart over the same columns", {{0, 0, 10, 5}, {0, 7, 10, 12}}, {{0, 0, 10, 12}}},
      {"a chain joins whole", {{0, 0, 4, 8}, {6, 0, 10, 8}, {12, 0, 16, 8}}, {{0, 0, 16, 8}}},
      {"other rows stay apart", {{0, 0, 10, 50}, {11, 1, 21, 50}}, {{0, 0, 10, 50}, {11, 1, 21, 50}}},
      {"too far apart", {{0, 0, 10, 50}, {13, 0, 23, 50}}, {{0, 0, 10, 50}, {13, 0, 23, 50}}},
  };
  for (const OptimizeCase& c : cases)
  {
    IRECTList list;
    for (const IRECT& r : c.in)
      list.Add(r);
    list.JoinNear(2.f);
    EXPECT_EQ(Rects(list), c.out) << c.name;
    ExpectCoversAndStaysWithin(c.in, Rects(list));
  }
}

TEST(IRECTListTest, ASplitWithoutRoomKeepsTheRectangleWhole)
{
  IRECTList list = ListOf({{0, 0, 10, 10}, {5, 5, 20, 20}}, 2);
  list.Optimize();
  EXPECT_EQ(Rects(list), (std::vector<IRECT>{{0, 0, 10, 10}, {5, 5, 20, 20}}));
}

class RedrawTest : public ::testing::Test
{
protected:
  RedrawTest() : g(dlg.Open(200, 100, 1.f)) { g.TakeLog(); }

  TestControl* Attach(const IRECT& r)
  {
    auto* c = new TestControl(r);
    g.AttachControl(c);
    return c;
  }

  RecordingDelegate dlg;
  RecordingGraphics& g;
};

TEST_F(RedrawTest, ATickWithoutDirtyControlsDrawsNothing)
{
  Attach(IRECT(10, 10, 20, 20));
  EXPECT_TRUE(Tick(g));
  g.TakeLog();
  EXPECT_FALSE(Tick(g));
  EXPECT_TRUE(g.TakeLog().empty());
}

TEST_F(RedrawTest, OneDirtyControlAtScaleTwoIsClippedToItsSnappedBounds)
{
  g.SetScreenScale(2.f);
  TestControl* c = Attach(IRECT(10, 10, 20, 20));
  IRECTList dirty;
  ASSERT_TRUE(g.IsDirty(dirty));
  EXPECT_EQ(Rects(dirty), (std::vector<IRECT>{{9.25f, 9.25f, 20.75f, 20.75f}}));
  g.ClearAllControlsDirty();
  EXPECT_FALSE(c->IsDirty());
  g.TakeLog();
  g.DrawDirtyRects(dirty);
  EXPECT_EQ(g.TakeLog({"beginframe", "clip", "fill", "endframe"}),
            (std::vector<std::string>{"beginframe", "clip 9 9 21 21", "fill #255,0,0,0", "endframe"}));
}

TEST_F(RedrawTest, OnlyControlsMeetingADirtyRectangleAreDrawnHiddenOnesExceptTheBackgroundAreSkipped)
{
  TestControl* background = Attach(IRECT(0, 0, 200, 100));
  TestControl* left = Attach(IRECT(10, 10, 20, 20));
  TestControl* middle = Attach(IRECT(90, 10, 100, 20));
  TestControl* right = Attach(IRECT(180, 10, 190, 20));
  Tick(g);
  g.TakeLog();

  background->Hide(true);
  g.ClearAllControlsDirty();
  left->SetDirty(false);
  right->SetDirty(false);
  Tick(g);
  // Two passes: background and left, then background and right; the middle is untouched.
  EXPECT_EQ(g.TakeLog({"clip"}), (std::vector<std::string>{"clip 9 9 21 21", "clip 9 9 21 21",
                                                           "clip 179 9 191 21", "clip 179 9 191 21"}));

  middle->Hide(true);
  g.ClearAllControlsDirty();
  left->SetDirty(false);
  right->SetDirty(false);
  g.SetStrictDrawing(true);
  g.ClearAllControlsDirty();
  left->SetDirty(false);
  right->SetDirty(false);
  middle->Hide(false);
  g.ClearAllControlsDirty();
  left->SetDirty(false);
  right->SetDirty(false);
  Tick(g);
  // One pass over the union, which also redraws the control between them.
  EXPECT_EQ(g.TakeLog({"clip"}), (std::vector<std::string>{"clip 9 9 191 21", "clip 9 9 21 21",
                                                           "clip 89 9 101 21", "clip 179 9 191 21"}));
}

TEST_F(RedrawTest, TheDisplayTickRunsFirstAndAnimatedControlsStayDirty)
{
  TestControl* c = Attach(IRECT(10, 10, 20, 20));
  Tick(g);
  std::vector<std::string> order;
  g.SetDisplayTickFunc([&] { order.push_back(c->GetAnimationFunction() ? "tick animated" : "tick"); });
  c->SetAnimation([&](IControl*) { order.push_back("animate"); });
  EXPECT_TRUE(Tick(g));
  EXPECT_TRUE(Tick(g));
  EXPECT_EQ(order, (std::vector<std::string>{"tick animated", "animate", "tick animated", "animate"}));
}

namespace
{
double gMs = 0.0;
double FakeMs()
{
  return gMs;
}

class FrameTimeDisplay : public TestControl, public FrameTimeRing
{
public:
  using TestControl::TestControl;
};
} // namespace

TEST_F(RedrawTest, FrameTimesFillTheDisplaysRingWhichWrapsAfterAHundredFrames)
{
  IControl::SetClock(FakeMs);
  auto* display = new FrameTimeDisplay(IRECT(0, 0, 10, 10));
  g.InstallFPSDisplay(display);
  for (int frame = 0; frame < 101; ++frame)
  {
    gMs += frame == 100 ? 40.0 : 16.0;
    g.BeginFrame();
  }
  IControl::SetClock(nullptr);
  EXPECT_EQ(display->mIdx, 1);
  EXPECT_NEAR(display->mFrameTimes[1], 0.040f, 1e-6f);
  EXPECT_NEAR(display->mFrameTimes[0], 0.016f, 1e-6f);
}
