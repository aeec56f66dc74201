// The fill shortcuts (a rectangle's corners set straight from its commands, convexity told from a bound on
// the turning) record the bytes of the general path: random fills are recorded with the shortcuts and
// without, and their calls, vertices, indices, uniforms and flattened paths compared.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "tests/vector/VectorTestContext.h"

using namespace iplugin::igraphics;

namespace
{
struct Snapshot
{
  std::vector<unsigned char> calls, verts, indexes, uniforms;
  std::vector<float> points; // x, y, dx, dy, len, dmx, dmy, flags of each point
  std::vector<long> paths;   // the paths' fields; their vertices as offsets into the cache's array
  std::vector<float> bounds;
  int nwindings = 0;

  bool operator==(const Snapshot&) const = default;
};

template <typename T> std::vector<unsigned char> Bytes(const T* p, int n)
{
  const auto* b = reinterpret_cast<const unsigned char*>(p);
  return {b, b + sizeof(T) * size_t(n)};
}

// The flattened paths; with the recording too when asked (it grows with every fill).
Snapshot Take(const qorvtest::RecordingContext& c, bool recording)
{
  Snapshot s;
  const MVGrecording& r = c.r->recording;
  if (recording)
  {
    s.calls = Bytes(r.calls, r.ncalls);
    s.verts = Bytes(r.verts, r.nverts);
    s.indexes = Bytes(r.indexes, r.nindexes);
    for (int i = 0; i < r.nuniforms; i++)
    {
      const auto record = Bytes(&c.r->Uniforms(i * c.r->fragSize), 1);
      s.uniforms.insert(s.uniforms.end(), record.begin(), record.end());
    }
  }
  const VGpathCache& cache = c.Cache();
  for (int i = 0; i < cache.npoints; i++)
  {
    const VGpoint& p = cache.points[i];
    s.points.insert(s.points.end(), {p.x, p.y, p.dx, p.dy, p.len, p.dmx, p.dmy, float(p.flags)});
  }
  for (int i = 0; i < cache.npaths; i++)
  {
    const VGpath& p = cache.paths[i];
    const long fill = p.fill ? long(p.fill - cache.verts) : -1,
               stroke = p.stroke ? long(p.stroke - cache.verts) : -1;
    s.paths.insert(s.paths.end(), {p.first, p.count, p.closed, p.nbevel, fill, p.nfill, stroke, p.nstroke,
                                   p.winding, p.convex});
  }
  s.bounds.assign(cache.bounds, cache.bounds + 4);
  s.nwindings = cache.nwindings;
  return s;
}

// One random fill: a rectangle (now and then with a winding, or too small for its corners to stay apart),
// a quadrilateral or a polygon (stars among them), under a random transform, scissor, paint, alpha, blend
// and fill rule; sometimes stroked after.
void RandomFill(VGcontext* vg, int image, std::mt19937& rng)
{
  std::uniform_real_distribution<float> pos(-60.f, 460.f), size(-120.f, 120.f), unit(0.f, 1.f);
  std::uniform_int_distribution<int> pick(0, 99);
  vgSave(vg);
  switch (pick(rng) % 5)
  {
  case 0:
    break;
  case 1:
    vgTranslate(vg, std::round(pos(rng)) * 0.5f, std::round(pos(rng)) * 0.5f);
    break;
  case 2:
    vgScale(vg, size(rng) / 40.f, size(rng) / 40.f);
    break;
  case 3:
    vgRotate(vg, unit(rng) * 6.3f);
    break;
  default:
    vgSkewX(vg, unit(rng) - 0.5f);
    vgTranslate(vg, pos(rng), pos(rng));
  }
  if (pick(rng) < 40) vgScissor(vg, pos(rng), pos(rng), size(rng) * 2.f, size(rng) * 2.f);
  if (pick(rng) < 20) vgIntersectScissor(vg, pos(rng), pos(rng), size(rng) * 2.f, size(rng) * 2.f);
  if (pick(rng) < 60)
  {
    VGpaint paint{};
    const float s = 0.25f + unit(rng) * 2.f;
    paint.xform[0] = paint.xform[3] = s;
    paint.xform[4] = pos(rng), paint.xform[5] = pos(rng);
    paint.extent[0] = 10.f + unit(rng) * 90.f, paint.extent[1] = 10.f + unit(rng) * 90.f;
    paint.innerColor = paint.outerColor = vgRGBAf(1.f, 1.f, 1.f, unit(rng));
    paint.image = image;
    vgFillPaint(vg, paint);
  }
  else
    vgFillColor(vg, vgRGBAf(unit(rng), unit(rng), unit(rng), unit(rng)));
  if (pick(rng) < 30) vgGlobalAlpha(vg, unit(rng));
  if (pick(rng) < 30) vgGlobalCompositeOperation(vg, pick(rng) % 11);
  if (pick(rng) < 10) vgShapeAntiAlias(vg, 0);
  if (pick(rng) < 15) vgFillRule(vg, kVGEvenOdd);

  vgBeginPath(vg);
  const int shape = pick(rng);
  if (shape < 55)
  {
    float x = pos(rng), y = pos(rng), w = size(rng), h = size(rng);
    if (shape < 5) w = (unit(rng) - 0.5f) * 0.03f; // corners within the distance tolerance
    if (shape >= 5 && shape < 10) x = std::round(x), y = std::round(y), w = std::round(w), h = std::round(h);
    if (shape >= 10 && shape < 13) w = h = 0.f;
    vgRect(vg, x, y, w, h);
    if (shape >= 40 && shape < 50) vgPathWinding(vg, kVGSolid);
    if (shape >= 50) vgPathWinding(vg, kVGHole);
  }
  else
  {
    // A polygon of n corners, every step-th one round a circle: step 2 of an odd n makes a star.
    const int n = shape < 75 ? 4 : 3 + pick(rng) % 6, step = pick(rng) < 50 ? 1 : 2;
    const float cx = pos(rng), cy = pos(rng), r = std::fabs(size(rng)) + 0.01f, a0 = unit(rng) * 6.3f;
    for (int i = 0; i < n; i++)
    {
      // Corners jitter off the circle, so quadrilaterals come in every shape, crossed ones among them.
      const float a =
          a0 + float(i * step) * 6.2831853f / float(n) + (unit(rng) - 0.5f) * (shape < 75 ? 2.f : 0.f);
      const float x = cx + std::cos(a) * r, y = cy + std::sin(a) * r;
      i == 0 ? vgMoveTo(vg, x, y) : vgLineTo(vg, x, y);
    }
    vgClosePath(vg);
  }
  vgFill(vg);
  if (pick(rng) < 15) vgStroke(vg);
  vgRestore(vg);
}

Snapshot Record(bool shortcuts, float ratio, int flags, unsigned seed, int fills, std::vector<Snapshot>* each)
{
  qorvtest::RecordingContext c(flags, ratio);
  VGoptions options;
  options.fillShortcuts = shortcuts;
  vgSetOptions(c.ctx, options);
  const unsigned char texels[4 * 4] = {255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 0, 9, 9, 9, 9};
  const int image = vgCreateImageRGBA(c.ctx, 2, 2, 0, texels);
  std::mt19937 rng(seed);
  for (int i = 0; i < fills; i++)
  {
    RandomFill(c.ctx, image, rng);
    each->push_back(Take(c, false));
  }
  return Take(c, true);
}

struct Setting
{
  float ratio;
  int flags;
};

class FillShortcuts : public testing::TestWithParam<Setting>
{
};
} // namespace

TEST_P(FillShortcuts, RecordTheGeneralPathsBytes)
{
  const Setting setting = GetParam();
  for (unsigned seed = 1; seed <= 8; seed++)
  {
    std::vector<Snapshot> fast, general;
    ASSERT_TRUE(Record(true, setting.ratio, setting.flags, seed, 300, &fast) ==
                Record(false, setting.ratio, setting.flags, seed, 300, &general))
        << "seed " << seed;
    ASSERT_EQ(fast.size(), general.size());
    for (size_t i = 0; i < fast.size(); i++)
      ASSERT_TRUE(fast[i] == general[i]) << "seed " << seed << ", fill " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Ratios, FillShortcuts,
                         testing::Values(Setting{1.f, kVGAntialias}, Setting{2.f, kVGAntialias},
                                         Setting{1.25f, kVGAntialias}, Setting{1.f, 0}));

// The shortcuts are taken where they should be: a rectangle's corners come out as the walk sets them, and a
// convex outline is found convex while the star of five corners is not.
TEST(FillShortcutsTaken, RectangleAndStar)
{
  qorvtest::RecordingContext c;
  vgBeginPath(c.ctx);
  vgRect(c.ctx, 10.f, 20.f, 30.f, 40.f);
  vgFill(c.ctx);
  ASSERT_EQ(c.Cache().npaths, 1);
  EXPECT_EQ(c.Path(0).convex, 1);
  const auto pts = c.Points(0);
  ASSERT_EQ(pts.size(), 4u);
  EXPECT_EQ(pts[0].x, 10.f);
  EXPECT_EQ(pts[0].y, 20.f);
  EXPECT_EQ(pts[2].x, 40.f);
  EXPECT_EQ(pts[2].y, 60.f);

  vgBeginPath(c.ctx);
  for (int i = 0; i < 5; i++)
  {
    const float a = float(i * 2) * 6.2831853f / 5.f;
    i == 0 ? vgMoveTo(c.ctx, 100.f + 50.f * std::cos(a), 100.f + 50.f * std::sin(a))
           : vgLineTo(c.ctx, 100.f + 50.f * std::cos(a), 100.f + 50.f * std::sin(a));
  }
  vgClosePath(c.ctx);
  vgFill(c.ctx);
  EXPECT_EQ(c.Path(0).convex, 0);
}

namespace
{
// Outlines of many corners whose turns all bend left, or nearly: regular polygons and stars winding twice
// or three times round (k), jittered off their circles now and then, ellipses and circles as the path's
// curves make them, and polygons along a circle whose turns run a little right here and there (the float
// rounding of points on a curve). Each fill's convexity, flattened paths and recording, with the tangent
// bound and without.
struct TurnsSeen
{
  int convex = 0, notConvex = 0;
};

Snapshot RecordTurns(bool tangents, unsigned seed, int fills, std::vector<Snapshot>& each, TurnsSeen& seen)
{
  qorvtest::RecordingContext c(kVGAntialias, 1.f + float(seed % 3) * 0.5f);
  VGoptions options;
  options.tangentTurns = tangents;
  vgSetOptions(c.ctx, options);
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> unit(0.f, 1.f);
  std::uniform_int_distribution<int> pick(0, 99);
  for (int i = 0; i < fills; i++)
  {
    vgSave(c.ctx);
    if (pick(rng) < 30) vgRotate(c.ctx, unit(rng) * 6.3f);
    if (pick(rng) < 30) vgScale(c.ctx, 0.05f + unit(rng) * 4.f, 0.05f + unit(rng) * 4.f);
    vgBeginPath(c.ctx);
    const float cx = 50.f + unit(rng) * 300.f, cy = 50.f + unit(rng) * 200.f;
    const float r = pick(rng) < 20 ? 0.2f + unit(rng) * 2.f : 2.f + unit(rng) * 200.f;
    const int shape = pick(rng);
    if (shape < 15)
      vgCircle(c.ctx, cx, cy, r);
    else if (shape < 25)
      vgEllipse(c.ctx, cx, cy, r, r * (0.02f + unit(rng)));
    else
    {
      // n corners, every k-th one round the circle: k 1 a polygon, 2 or 3 a star winding k times.
      const int n = 9 + pick(rng) * (pick(rng) < 50 ? 1 : 20), k = 1 + pick(rng) % 3;
      const float jitter = shape < 60 ? 0.f : shape < 80 ? 1e-5f : 0.2f / float(n);
      const float a0 = unit(rng) * 6.3f;
      for (int j = 0; j < n; j++)
      {
        const float a = a0 + float((j * k) % n) * 6.2831853f / float(n) + (unit(rng) - 0.5f) * jitter;
        const float x = cx + std::cos(a) * r, y = cy + std::sin(a) * r;
        j == 0 ? vgMoveTo(c.ctx, x, y) : vgLineTo(c.ctx, x, y);
      }
      vgClosePath(c.ctx);
    }
    vgFill(c.ctx);
    vgRestore(c.ctx);
    const Snapshot s = Take(c, false);
    for (int p = 0; p < c.Cache().npaths; p++)
      (c.Path(p).convex ? seen.convex : seen.notConvex)++;
    each.push_back(s);
  }
  return Take(c, true);
}
} // namespace

// Over outlines that reach past the quarter-turn bound, the tangents' sum tells convexity as the angles'
// does, both ways: the convex ones and the stars among them.
TEST(TangentTurns, ConvexityAsTheAnglesSumTellsIt)
{
  TurnsSeen seen;
  for (unsigned seed = 1; seed <= 6; seed++)
  {
    std::vector<Snapshot> fast, general;
    TurnsSeen unused;
    ASSERT_TRUE(RecordTurns(true, seed, 200, fast, seen) == RecordTurns(false, seed, 200, general, unused))
        << "seed " << seed;
    ASSERT_EQ(fast.size(), general.size());
    for (size_t i = 0; i < fast.size(); i++)
      ASSERT_TRUE(fast[i] == general[i]) << "seed " << seed << ", fill " << i;
  }
  EXPECT_GT(seen.convex, 300) << seen.notConvex;
  EXPECT_GT(seen.notConvex, 300);
}
