// A convex fill's fan and fringe strip cover the shape once, checked on the vertices over random small and
// thin shapes: the fan never folds, the fringe's inner edge runs along the fan's outline (its inner
// vertices are the fan's, in the fan's order; a thin fill's strip covers its inner outline itself), no
// strip triangle turns over, and a shape thinner than the fringe puts down the ink of its area.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "graphics/vector/VGthinFill.h"
#include "tests/vector/VectorTestContext.h"

using namespace iplugin::igraphics;
using qorvtest::RecordingContext;

namespace
{
double Cross(const VGvertex& a, const VGvertex& b, const VGvertex& c)
{
  return ((double)b.x - a.x) * ((double)c.y - a.y) - ((double)c.x - a.x) * ((double)b.y - a.y);
}

// Coverage along a band is 1 - |2u - 1|.
double Coverage(const VGvertex& v)
{
  return 1.0 - std::fabs(2.0 * v.u - 1.0);
}

struct Drawn
{
  std::string what;
  std::vector<VGvertex> fan, strip;
  double area = 0;   // of the flattened path, signed by its turning
  double across = 0; // the shape's least width
};

Drawn Fill(float ratio, std::mt19937& rng)
{
  auto uni = [&](float a, float b) { return std::uniform_real_distribution<float>(a, b)(rng); };
  RecordingContext c(kVGAntialias, ratio);
  const float w = uni(0.05f, 4), h = uni(0.05f, 4), x = uni(10, 11), y = uni(10, 11), turn = uni(0, 3.2f);
  const int kind = std::uniform_int_distribution<int>(0, 4)(rng);
  const float radius = uni(0, 0.5f) * std::min(w, h);
  vgTranslate(c.ctx, x, y);
  vgRotate(c.ctx, turn);
  if (kind == 0) vgRect(c.ctx, 0, 0, w, h);
  if (kind == 1) vgRoundedRect(c.ctx, 0, 0, w, h, radius);
  if (kind == 2) vgEllipse(c.ctx, 0, 0, w / 2, h / 2);
  // A long thin ellipse: its insets cross without an edge turning back.
  if (kind == 4) vgEllipse(c.ctx, 0, 0, w * 8, h / 8);
  if (kind == 3)
  {
    // A triangle, turning left as the other shapes do (a sharp one has bevelled corners).
    vgMoveTo(c.ctx, 0, 0);
    vgLineTo(c.ctx, w, h * uni(0, 1));
    vgLineTo(c.ctx, w * uni(0, 1), h);
    vgClosePath(c.ctx);
  }
  vgFill(c.ctx);
  Drawn d;
  d.what = std::string(kind == 0   ? "rectangle "
                       : kind == 1 ? "rounded rectangle "
                       : kind == 2 ? "ellipse "
                       : kind == 3 ? "triangle "
                                   : "long ellipse ") +
           std::to_string(w) + " x " + std::to_string(h) + " at " + std::to_string(x) + ", " +
           std::to_string(y) + " turned " + std::to_string(turn) + " radius " + std::to_string(radius) +
           " scale " + std::to_string(ratio);
  EXPECT_EQ(c.Cache().npaths, 1) << d.what;
  EXPECT_EQ(c.Path(0).convex, 1) << d.what;
  d.fan = c.FillVerts(0);
  d.strip = c.StrokeVerts(0);
  const std::vector<VGpoint> pts = c.Points(0);
  d.across = 1e9;
  for (size_t j = 0; j < pts.size(); ++j)
  {
    const VGpoint &a = pts[j], &b = pts[(j + 1) % pts.size()];
    d.area += ((double)a.x * b.y - (double)b.x * a.y) * 0.5;
    double most = 0;
    for (const VGpoint& p : pts)
      most = std::max(most, ((double)p.x - a.x) * a.dy - ((double)p.y - a.y) * a.dx);
    d.across = std::min(d.across, most);
  }
  return d;
}

bool Same(const VGvertex& a, const VGvertex& b)
{
  return a.x == b.x && a.y == b.y;
}

// A thin fill has no fan: its strip is its band (inner and outer vertices in turn) and then, joined by
// triangles of no area, its inner outline zigzagging along the shape. The band's inner vertices run round
// the inner outline once without turning back, and the zigzag's triangles, on its corners, cover it once.
void ThinStripCoversItsInnerOutline(const Drawn& d, double turning, double eps)
{
  size_t band = 2;
  while (band + 2 < d.strip.size() &&
         !(Same(d.strip[band], d.strip[band - 1]) && Same(d.strip[band + 1], d.strip[band + 2])))
    band += 2;
  ASSERT_LT(band + 2, d.strip.size()) << d.what << ": no join between band and inner outline";
  std::vector<VGvertex> inner;
  for (size_t k = 0; k < band; k += 2)
    if (inner.empty() || !Same(inner.back(), d.strip[k])) inner.push_back(d.strip[k]);
  if (inner.size() > 1 && Same(inner.front(), inner.back())) inner.pop_back();
  const size_t n = inner.size();
  double area = 0;
  for (size_t k = 0; k < n; ++k)
  {
    const VGvertex &a = inner[k], &b = inner[(k + 1) % n], &c = inner[(k + 2) % n];
    if (n > 2)
    {
      EXPECT_GE(Cross(a, b, c) * turning, -eps) << d.what << ": the inner outline turns back at " << k;
    }
    area += ((double)a.x * b.y - (double)b.x * a.y) * 0.5;
  }
  double covered = 0;
  for (size_t k = band + 1; k < d.strip.size(); ++k)
  {
    bool on = false;
    for (const VGvertex& v : inner)
      on = on || Same(v, d.strip[k]);
    EXPECT_TRUE(on) << d.what << ": a corner of the inner strip off the inner outline at " << d.strip[k].x
                    << ", " << d.strip[k].y;
    if (k >= band + 3) covered += std::fabs(Cross(d.strip[k - 2], d.strip[k - 1], d.strip[k])) * 0.5;
  }
  EXPECT_NEAR(covered, std::fabs(area), eps * (1.0 + (double)n))
      << d.what << ": the inner strip covers " << covered << " of " << std::fabs(area);
}
// The columns of a strip laid out as columns across a thin shape (four vertices each, from one outer edge in
// to where the shape holds and out to the other), or none where the strip is not laid out so. The strip
// runs from each column's outer edge in, forwards; across its hold, backwards; out, forwards.
std::vector<std::vector<VGvertex>> ColumnsOf(const std::vector<VGvertex>& strip)
{
  if (strip.size() < 12 || strip.size() % 6 != 0) return {};
  const size_t m = strip.size() / 6;
  std::vector<std::vector<VGvertex>> columns(m, std::vector<VGvertex>(4));
  for (size_t i = 0; i < m; ++i)
  {
    const VGvertex *ramp = &strip[2 * i], *hold = &strip[2 * m + 2 * (m - 1 - i)],
                   *back = &strip[4 * m + 2 * i];
    if (!Same(ramp[0], hold[0]) || !Same(hold[1], back[1])) return {};
    columns[i] = {ramp[1], ramp[0], hold[1], back[0]};
  }
  return columns;
}

// A thin shape's columns: each on one line across, from the outer edge (no coverage) in to where it holds
// (coverage between 0 and 1, the same at both inner vertices) and out again, rising along the shape; the
// columns parallel, each on from the last, so that the strip covers the ground between its outer edges once.
void ColumnsCoverTheirGroundOnce(const Drawn& d, const std::vector<std::vector<VGvertex>>& columns,
                                 double eps)
{
  double ax = 0, ay = 0; // across, from the first column's first vertex to its last
  for (size_t i = 0; i < columns.size(); ++i)
  {
    const std::vector<VGvertex>& c = columns[i];
    const double cx = (double)c[3].x - c[0].x, cy = (double)c[3].y - c[0].y, length = std::hypot(cx, cy);
    ASSERT_GT(length, 0) << d.what << ": column " << i << " has no length";
    if (i == 0) ax = cx / length, ay = cy / length;
    EXPECT_NEAR(cx / length * ay - cy / length * ax, 0, 1e-3) << d.what << ": column " << i << " turned";
    double last = -1;
    for (int k = 0; k < 4; ++k)
    {
      const double along = ((double)c[k].x - c[0].x) * ax + ((double)c[k].y - c[0].y) * ay,
                   off = ((double)c[k].x - c[0].x) * ay - ((double)c[k].y - c[0].y) * ax;
      EXPECT_NEAR(off, 0, eps * 10) << d.what << ": column " << i << " vertex " << k << " off its line";
      EXPECT_GE(along, last - eps) << d.what << ": column " << i << " vertex " << k << " turns back";
      last = along;
    }
    EXPECT_EQ(Coverage(c[0]), 0.0) << d.what << ": column " << i;
    EXPECT_EQ(Coverage(c[3]), 0.0) << d.what << ": column " << i;
    EXPECT_EQ(c[1].u, c[2].u) << d.what << ": column " << i;
    EXPECT_GE(Coverage(c[1]), 0.0) << d.what << ": column " << i;
    EXPECT_LE(Coverage(c[1]), 1.0) << d.what << ": column " << i;
    if (i > 0)
    {
      // On from the last column, the way the shape lies.
      const double step =
          ((double)c[0].x - columns[i - 1][0].x) * ay - ((double)c[0].y - columns[i - 1][0].y) * ax;
      EXPECT_NE(step, 0) << d.what << ": columns " << i - 1 << " and " << i << " on one line";
    }
  }
}
} // namespace

TEST(ConvexFringe, FanAndFringeCoverTheShapeOnce)
{
  std::mt19937 rng(47);
  int thin = 0, laidInColumns = 0;
  for (float ratio : {1.f, 2.f})
    for (int i = 0; i < 1000; ++i)
    {
      const Drawn d = Fill(ratio, rng);
      ASSERT_GE(d.strip.size(), 4u) << d.what;
      const double turning = d.area > 0 ? 1.0 : -1.0;
      // A whisker of float noise in a cross product of coordinates near 10 px.
      const double eps = 1e-4;
      // The fan faces as the path does.
      for (size_t k = 2; k < d.fan.size(); ++k)
        EXPECT_GE(Cross(d.fan[0], d.fan[k - 1], d.fan[k]) * turning, -eps) << d.what << " fan triangle " << k;
      // The strip's triangles face alike (a strip turns every other triangle round).
      for (size_t k = 2; k < d.strip.size(); ++k)
      {
        const double parity = k % 2 == 0 ? 1.0 : -1.0;
        EXPECT_GE(Cross(d.strip[k - 2], d.strip[k - 1], d.strip[k]) * turning * parity, -eps)
            << d.what << " strip triangle " << k;
      }
      const std::vector<std::vector<VGvertex>> columns = d.fan.empty() ? ColumnsOf(d.strip) : std::vector<std::vector<VGvertex>>{};
      if (!columns.empty())
        ColumnsCoverTheirGroundOnce(d, columns, eps), ++laidInColumns;
      else if (d.fan.empty())
        ThinStripCoversItsInnerOutline(d, turning, eps);
      // Every inner vertex of the strip is a fan vertex, and the next one is the same or the fan's next:
      // the strip starts where the fan ends and never reaches over it.
      int last = -1;
      for (const VGvertex& v : d.fan.empty() ? std::vector<VGvertex>() : d.strip)
      {
        if (v.u == 1.0f) continue;
        int at = -1;
        for (size_t k = 0; k < d.fan.size() && at < 0; ++k)
          if (Same(d.fan[k], v)) at = (int)k;
        ASSERT_GE(at, 0) << d.what << ": an inner vertex off the fan at " << v.x << ", " << v.y;
        const int n = (int)d.fan.size();
        if (last >= 0 && at != last)
        {
          EXPECT_TRUE((last + 1) % n == at || (at + 1) % n == last)
              << d.what << ": from " << last << " to " << at;
        }
        last = at;
      }
      // The shape's ink: the fan's area at its coverage and each strip triangle's area at the mean of its
      // corners' coverage. A shape thinner than the fringe puts down its area's ink.
      double ink = 0;
      for (size_t k = 2; k < d.fan.size(); ++k)
        ink += std::fabs(Cross(d.fan[0], d.fan[k - 1], d.fan[k])) * 0.5 *
               (Coverage(d.fan[0]) + Coverage(d.fan[k - 1]) + Coverage(d.fan[k])) / 3;
      for (size_t k = 2; k < d.strip.size(); ++k)
        ink += std::fabs(Cross(d.strip[k - 2], d.strip[k - 1], d.strip[k])) * 0.5 *
               (Coverage(d.strip[k - 2]) + Coverage(d.strip[k - 1]) + Coverage(d.strip[k])) / 3;
      if (d.across < 1.0 / ratio)
      {
        ++thin;
        // Within 0.3 %: a thin ellipse flattened within a share of its width has more than 16 points, and
        // its band is built on fewer, on chords within a 64th of a pixel of its outline (0.25 % seen).
        EXPECT_NEAR(ink / std::fabs(d.area), 1.0, 3e-3) << d.what;
      }
    }
  // Enough of them thin, and of those laid out in columns.
  EXPECT_GT(thin, 40);
  EXPECT_GT(laidInColumns, 40);
}

namespace
{
// The outline's reach across from segment j over the segment and woff either side: every boundary
// point of the outline within that slab, ends of the slab's cuts included.
double AcrossByAllEdges(const std::vector<VGpoint>& pts, int j, float woff)
{
  const VGpoint& a = pts[j];
  const double lo = -woff, hi = a.len + woff;
  double across = 0.0;
  const size_t n = pts.size();
  for (size_t k = 0; k < n; k++)
  {
    const VGpoint &c = pts[k], &e = pts[(k + 1) % n];
    const double t0 = (c.x - (double)a.x) * a.dx + (c.y - (double)a.y) * a.dy,
                 t1 = (e.x - (double)a.x) * a.dx + (e.y - (double)a.y) * a.dy;
    const double s0 = (c.x - (double)a.x) * a.dy - (c.y - (double)a.y) * a.dx,
                 s1 = (e.x - (double)a.x) * a.dy - (e.y - (double)a.y) * a.dx;
    for (double t : {t0, t1, lo, hi})
    {
      if (t < lo || t > hi || t < std::min(t0, t1) || t > std::max(t0, t1)) continue;
      across = std::max(across, t1 != t0 ? s0 + (s1 - s0) * (t - t0) / (t1 - t0) : std::max(s0, s1));
    }
  }
  return across;
}
} // namespace

// The widths across the segments found by walking the far side with a few indices equal those found by
// looking at every edge, over outlines of 3 to 4,000 points, whether every segment's is worked out or only
// the thick ones'.
TEST(ConvexFringe, WidthsAcrossFollowTheFarSide)
{
  std::mt19937 rng(52);
  auto uni = [&](float a, float b) { return std::uniform_real_distribution<float>(a, b)(rng); };
  for (int i = 0; i < 300; ++i)
  {
    RecordingContext c(kVGAntialias, i % 3 == 0 ? 2.0f : 1.0f);
    vgTranslate(c.ctx, uni(50, 60), uni(50, 60));
    vgRotate(c.ctx, uni(0, 6.3f));
    const float w = uni(0.1f, 80), h = uni(0.05f, 4);
    const int kind = i % 4;
    if (kind == 0) vgEllipse(c.ctx, 0, 0, w / 2, h / 2);
    if (kind == 1) vgRoundedRect(c.ctx, 0, 0, w, h, uni(0, 0.5f) * std::min(w, h));
    if (kind == 2)
    {
      vgMoveTo(c.ctx, 0, 0);
      vgLineTo(c.ctx, w, h * uni(0, 1));
      vgLineTo(c.ctx, w * uni(0, 1), h);
      vgClosePath(c.ctx);
    }
    if (kind == 3)
    {
      // A polygon of many points on an ellipse, as a flattened path of any size gives.
      const int n = std::uniform_int_distribution<int>(5, 4000)(rng);
      for (int k = 0; k < n; ++k)
      {
        const float a = 6.2831853f * k / n;
        (k == 0 ? vgMoveTo : vgLineTo)(c.ctx, std::cos(a) * w / 2, std::sin(a) * h / 2);
      }
      vgClosePath(c.ctx);
    }
    vgFill(c.ctx);
    const std::vector<VGpoint> pts = c.Points(0);
    const float woff = c.ctx->fringeWidth * 0.5f;
    std::vector<double> across(pts.size()), some(pts.size()), whole(pts.size());
    vgThinAcross(pts.data(), (int)pts.size(), woff, across.data());
    // Worked out only where the whole shape reaches a fringe across (as for a curve), the walks skipping
    // the others in runs.
    vgThinAcross(pts.data(), (int)pts.size(), woff, some.data(), whole.data(), 2.0 * woff);
    // Every segment of a small outline, a spread of a large one's.
    const size_t step = std::max<size_t>(1, pts.size() / 200);
    for (size_t j = 0; j < pts.size(); j += step)
    {
      const double exact = AcrossByAllEdges(pts, (int)j, woff);
      ASSERT_NEAR(across[j], exact, 1e-4 * (1 + w))
          << "shape " << i << " of " << pts.size() << " points, segment " << j;
      ASSERT_NEAR(some[j], whole[j] < 2.0 * woff ? std::max(0.0, whole[j]) : exact, 1e-4 * (1 + w))
          << "shape " << i << " of " << pts.size() << " points, segment " << j << ", thick ones only";
    }
  }
}
