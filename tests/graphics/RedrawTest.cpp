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

namespace
{
// The merging as it was first written, deleting entries one by one and rescanning from the front after every
// merge: the reference the list's Optimize must match entry for entry.
void ReferenceOptimize(std::vector<IRECT>& v, int maxCount)
{
  auto add = [&](const IRECT& r)
  {
    if (int(v.size()) >= maxCount) return false;
    v.push_back(r);
    return true;
  };
  auto shrink = [&](int idx, const IRECT& x)
  {
    const IRECT r = v[size_t(idx)];
    IRECT first, second;
    bool two = false;
    if (x.L == r.L && x.R == r.R)
    {
      two = x.T != r.T && x.B != r.B;
      first = x.T != r.T ? IRECT(r.L, r.T, r.R, x.T) : IRECT(r.L, x.B, r.R, r.B);
      second = IRECT(r.L, x.B, r.R, r.B);
    }
    else
    {
      two = x.L != r.L && x.R != r.R;
      first = x.L != r.L ? IRECT(r.L, r.T, x.L, r.B) : IRECT(x.R, r.T, r.R, r.B);
      second = IRECT(x.R, r.T, r.R, r.B);
    }
    if (two && !add(second)) return;
    v[size_t(idx)] = first;
  };
  auto split = [&](int idx, const IRECT& x)
  {
    const IRECT r = v[size_t(idx)];
    IRECT appended, returned;
    if (r.L == x.L && r.T == x.T)
      appended = IRECT(x.R, r.T, r.R, x.B), returned = IRECT(r.L, x.B, r.R, r.B);
    else if (r.L == x.L)
      appended = IRECT(r.L, r.T, r.R, x.T), returned = IRECT(x.R, x.T, r.R, r.B);
    else if (r.T == x.T)
      appended = IRECT(r.L, r.T, x.L, x.B), returned = IRECT(r.L, x.B, r.R, r.B);
    else
      appended = IRECT(r.L, r.T, r.R, x.T), returned = IRECT(r.L, x.T, x.L, r.B);
    if (!add(appended)) return;
    v[size_t(idx)] = returned;
  };
  const auto size = [&] { return int(v.size()); };
  for (int i = 0; i < size(); ++i)
  {
    bool removedI = false;
    for (int j = i + 1; j < size();)
    {
      const IRECT a = v[size_t(i)], b = v[size_t(j)];
      if (a.Contains(b))
      {
        v.erase(v.begin() + j);
        continue;
      }
      if (b.Contains(a))
      {
        v.erase(v.begin() + i);
        removedI = true;
        break;
      }
      if (!a.Empty() && !b.Empty() && b.L <= a.R && b.R > a.L && b.T <= a.B && b.B > a.T)
      {
        const IRECT x(std::max(a.L, b.L), std::max(a.T, b.T), std::min(a.R, b.R), std::min(a.B, b.B));
        if (IRECTList::Mergeable(a, x))
          shrink(i, x);
        else if (IRECTList::Mergeable(b, x))
          shrink(j, x);
        else if (b.W() * b.H() > a.W() * a.H())
          split(i, x);
        else
          split(j, x);
      }
      ++j;
    }
    if (removedI) --i;
  }
  for (int i = 0; i < size();)
  {
    bool merged = false;
    for (int j = i + 1; j < size(); ++j)
      if (IRECTList::Mergeable(v[size_t(i)], v[size_t(j)]))
      {
        v[size_t(j)] = IRECTList::Union(v[size_t(i)], v[size_t(j)]);
        v.erase(v.begin() + i);
        merged = true;
        break;
      }
    i = merged ? 0 : i + 1;
  }
}
} // namespace

// Lists of every kind a frame brings (a background under everything, rows of equal controls touching or
// overlapping, duplicates, empty entries, a list that cannot grow) give the reference's entries in its order.
TEST(IRECTListTest, OptimizeGivesTheReferencesEntriesInItsOrderOverRandomLists)
{
  std::mt19937 rng(2718);
  for (int round = 0; round < 4000; ++round)
  {
    // Coarse grids make shared edges, containment and exact duplicates common.
    const int grid = 1 + int(rng() % 4), n = int(rng() % (round % 10 == 0 ? 300 : 40));
    std::vector<IRECT> in;
    if (rng() % 3 == 0) in.push_back(IRECT(0, 0, 200, 200));
    for (int i = 0; i < n; ++i)
    {
      const float l = float(rng() % 50 * grid), t = float(rng() % 50 * grid);
      switch (rng() % 6)
      {
      case 0:
        in.push_back(IRECT());
        break;
      case 1:
        in.push_back(in.empty() ? IRECT(l, t, l, t + 4) : in[rng() % in.size()]);
        break;
      case 2: // a row of equal cells, touching or a little apart
      {
        const float w = float(1 + rng() % 6 * grid), gap = float(rng() % 3) - 1.f;
        for (int k = 0; k < 1 + int(rng() % 5); ++k)
          in.push_back(
              IRECT(l + float(k) * (w + gap), t, l + float(k) * (w + gap) + w, t + float(1 + rng() % 8)));
        break;
      }
      default:
        in.push_back(IRECT(l, t, l + float(rng() % 12 * grid), t + float(rng() % 12 * grid)));
        break;
      }
    }
    const int count = int(in.size());
    const int limits[] = {INT_MAX, count, count + 1, count + 3};
    const int maxCount = limits[rng() % 4];
    IRECTList list(maxCount);
    for (const IRECT& r : in)
      list.Add(r);
    std::vector<IRECT> expected = in;
    ReferenceOptimize(expected, maxCount);
    list.Optimize();
    ASSERT_EQ(Rects(list), expected) << "round " << round << " of " << count << " entries, limit "
                                     << maxCount;
  }
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

// A frame's clips are the controls' padded, snapped bounds at the frame's scale, whatever the frames before
// drew: controls moved, hidden, shown and rescaled at random draw the clips a newly opened editor draws.
TEST(RedrawKeptClips, FollowBoundsAndScaleFromFrameToFrame)
{
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> coord(0.f, 180.f), size(1.f, 40.f);
  const float scales[] = {1.f, 1.5f, 2.f, 1.25f};
  std::vector<IRECT> bounds(6);
  std::vector<bool> hidden(6, false);
  float scale = 1.f;
  RecordingDelegate keptDelegate;
  RecordingGraphics& kept = keptDelegate.Open(200, 100, 1.f);
  std::vector<TestControl*> controls;
  for (IRECT& r : bounds)
  {
    const float x = coord(rng) * 0.25f, y = coord(rng) * 0.25f;
    r = IRECT(x, y, x + size(rng), y + size(rng));
    controls.push_back(new TestControl(r));
    kept.AttachControl(controls.back());
  }
  for (int frame = 0; frame < 40; frame++)
  {
    const int which = int(rng() % 6);
    switch (rng() % 4)
    {
    case 0:
    {
      const float x = std::round(coord(rng) * 4.f) / 4.f, y = std::round(coord(rng) * 2.f) / 8.f;
      bounds[size_t(which)] = IRECT(x, y, x + size(rng), y + size(rng));
      controls[size_t(which)]->SetRECT(bounds[size_t(which)]);
      break;
    }
    case 1:
      hidden[size_t(which)] = !hidden[size_t(which)];
      controls[size_t(which)]->Hide(hidden[size_t(which)]);
      break;
    case 2:
      scale = scales[rng() % 4];
      kept.SetScreenScale(scale);
      break;
    default:
      break;
    }
    RecordingDelegate freshDelegate;
    RecordingGraphics& fresh = freshDelegate.Open(200, 100, 1.f);
    fresh.SetScreenScale(scale);
    for (size_t i = 0; i < bounds.size(); i++)
    {
      auto* c = new TestControl(bounds[i]);
      fresh.AttachControl(c);
      c->Hide(hidden[i]);
    }
    for (RecordingGraphics* g : {&kept, &fresh})
    {
      g->SetAllControlsDirty();
      g->TakeLog();
      Tick(*g);
    }
    ASSERT_EQ(kept.TakeLog({"clip"}), fresh.TakeLog({"clip"})) << "frame " << frame;
  }
}
