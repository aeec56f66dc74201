#include "graphics/vector/VGthinStrip.h"

#include "graphics/vector/VGring.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

namespace iplugin::igraphics
{
namespace
{
using ring::Forward;
using ring::Next;
using ring::Prev;

// The outline's, the band's outer and the inner outline's points along and across the way the shape lies
// (ux, uy), t, s pairs, into s.projected; answers where the inner outline's begin.
const double* ProjectAlong(VGthinScratch& s, const VGpoint* pts, int count, const VGvertex* band, int nband,
                           double ux, double uy)
{
  const int nouter = nband / 2, ninner = (int)s.inner.size() / 2;
  s.projected.resize((size_t)(count + nouter + ninner) * 2);
  double* ts = s.projected.data();
  auto project = [ux, uy, &ts](double x, double y)
  { ts[0] = x * ux + y * uy, ts[1] = y * ux - x * uy, ts += 2; };
  for (int j = 0; j < count; j++)
    project(pts[j].x, pts[j].y);
  for (int k = 0; k < nouter; k++)
    project(band[k * 2 + 1].x, band[k * 2 + 1].y);
  for (int k = 0; k < ninner; k++)
    project(s.inner[(size_t)k * 2], s.inner[(size_t)k * 2 + 1]);
  return s.projected.data() + (count + nouter) * 2;
}

// The inner outline as a strip zigzagging from its point least along the way the shape lies to its point
// furthest along, each triangle spanning it across: coverage that follows the shape's width varies along
// it, and a fan from one point would run slivers the shape's whole length, each taking the coverage of
// the shape's ends. Each step adds the next point of one side to the last of the other. A strip's triangle
// drops the older of the last two vertices and faces by their order and its place (odd ones turn round),
// so where the order or the place is wrong for the step, points already there come again (triangles of no
// area, at most three a step). Each vertex carries its point's index in u. `first` is out[0]'s place in
// the whole strip, whose triangles face as the path turns (ccw). Answers how many were written.
int InnerStrip(const double* ts, const std::vector<double>& inner, bool ccw, int first, VGvertex* out)
{
  const int n = (int)inner.size() / 2;
  const double* xy = inner.data();
  int lo = 0;
  for (int k = 1; k < n; k++)
    if (ts[k * 2] < ts[lo * 2]) lo = k;
  VGvertex* w = out;
  int older = lo, newer = lo;
  auto put = [&](int k)
  {
    *w++ = VGvertex{(float)xy[k * 2], (float)xy[k * 2 + 1], (float)k, 1};
    older = newer, newer = k;
  };
  // Whether the triangle (a, b, c) at place `at` of the strip faces as the others.
  const double turning = ccw ? 1.0 : -1.0;
  auto faces = [&](int a, int b, int c, long at)
  {
    const double cross = (xy[b * 2] - xy[a * 2]) * (xy[c * 2 + 1] - xy[a * 2 + 1]) -
                         (xy[c * 2] - xy[a * 2]) * (xy[b * 2 + 1] - xy[a * 2 + 1]);
    return cross * turning * (at % 2 == 0 ? 1.0 : -1.0) >= 0.0;
  };
  put(lo), put(lo);
  int forth = lo, back = lo; // the last point of either side
  for (int left = n - 1; left > 0; left--)
  {
    const int f = Next(forth, n), b = Prev(back, n);
    const bool forwards = left == 1 || ts[f * 2] <= ts[b * 2];
    const int c = forwards ? f : b, x = forwards ? forth : back, y = forwards ? back : forth;
    const long at = first + (w - out) - 2; // the next triangle's place
    if (newer == x && older != x)
    {
      // The side's last point is the newer: the other's comes again, once or with the side's before it.
      if (faces(x, y, c, at + 1))
        put(y);
      else
        put(x), put(y);
    }
    else if (!faces(x, y, c, at))
      put(x), put(x), put(y);
    put(c);
    (forwards ? forth : back) = c;
  }
  return (int)(w - out);
}

// A convex polygon's extent across at points along its length: its two sides from its point least along
// to its point furthest along, laid out in `store` as points rising along (t, s, and ds / dt on to the
// next), each followed by an index that moves on as the point asked moves. Asked in turn round another
// convex outline, each index passes each point about twice.
class ExtentAcross
{
public:
  // ts: the polygon's n points in order, t, s pairs.
  ExtentAcross(const double* ts, int n, std::vector<double>& store)
  {
    int lo = 0, hi = 0;
    for (int i = 1; i < n; i++)
    {
      if (ts[i * 2] < ts[lo * 2]) lo = i;
      if (ts[i * 2] > ts[hi * 2]) hi = i;
    }
    least_ = ts[lo * 2], most_ = ts[hi * 2];
    const int rise = Forward(lo, hi, n), fall = Forward(hi, lo, n);
    store.resize((size_t)(rise + fall + 2) * 3);
    double* p = store.data();
    sides_[0] = {p, p, p + std::max(0, rise - 1) * 3, rise == 0};
    sides_[1] = {p + (rise + 1) * 3, p + (rise + 1) * 3, p + (rise + std::max(1, fall)) * 3, fall == 0};
    for (int i = 0, k = lo; i <= rise; i++, k = Next(k, n), p += 3)
      p[0] = ts[k * 2], p[1] = ts[k * 2 + 1];
    for (int i = 0, k = lo; i <= fall; i++, k = Prev(k, n), p += 3)
      p[0] = ts[k * 2], p[1] = ts[k * 2 + 1];
    double* q = store.data();
    for (const int n1 : {rise + 1, fall + 1})
      for (int i = 0; i < n1; i++, q += 3)
      {
        const double dt = i + 1 < n1 ? q[3] - q[0] : 0.0;
        q[2] = dt > 0.0 ? (q[4] - q[1]) / dt : 0.0;
      }
  }
  double At(double t) { return std::fabs(S(sides_[0], t) - S(sides_[1], t)); }
  // The polygon's least and largest s at t.
  void Bounds(double t, double& lo, double& hi)
  {
    lo = S(sides_[0], t), hi = S(sides_[1], t);
    if (lo > hi) std::swap(lo, hi);
  }
  // How steeply the side nearer s runs across at t (ds / dt), the polygon's least and largest s there.
  double Slope(double t, double s, double& lo, double& hi)
  {
    double slope[2];
    const double a = S(sides_[0], t, &slope[0]), b = S(sides_[1], t, &slope[1]);
    lo = std::min(a, b), hi = std::max(a, b);
    return (std::fabs(s - a) < std::fabs(s - b)) ? slope[0] : slope[1];
  }
  double Least() const { return least_; }
  double Most() const { return most_; }

private:
  struct Side
  {
    double* p;              // t, s, ds / dt triples
    const double *at, *end; // the segment asked last; the last one's start
    bool lone;              // one point, no segment
  };
  static double S(Side& c, double t, double* slope = nullptr)
  {
    const double* a = c.at;
    while (a < c.end && a[3] < t)
      a += 3;
    while (a > c.p && a[0] > t)
      a -= 3;
    c.at = a;
    if (slope) *slope = a[2];
    return c.lone ? a[1] : a[1] + a[2] * std::clamp(t - a[0], 0.0, a[3] - a[0]);
  }
  Side sides_[2];
  double least_ = 0.0, most_ = 0.0;
};

// A thin shape's coverage follows its width, column by column across the way it lies, each column
// box-filtered over a fringe (VGthinColumns.h) as far as the inner outline lets it. Column: the column a
// shape W wide whose inner outline is h across can take, its ramp from the outer edge in to the inner
// outline and its coverage there. False where none can: an inner outline narrower than the shape less a
// fringe (round a fat shape's corner) would need more than full coverage.
bool Column(double w, double h, double fringe, double& ramp, double& cover)
{
  if (w <= fringe * (1.0 + 1e-6) && h < fringe)
  {
    ramp = fringe - h, cover = std::min(1.0, w / fringe);
    return true;
  }
  if (h < w - fringe) return false;
  ramp = fringe, cover = w / (fringe + h);
  return true;
}

// Moves each outer point of the band within the inner outline's length across the way the shape lies (ux,
// uy), to where its column is box-filtered (Column), as far as the outline's side there runs along it: not
// at all round an end. The far bands of thin polygons already put it there. Where some band triangle would
// turn over, nothing is moved. outer: the outer points along and across (ProjectAlong), moved with them.
void MatchColumns(VGthinScratch& s, ExtentAcross& shape, ExtentAcross& held, double* outer, VGvertex* band,
                  int nband, double ux, double uy, double fringe, bool ccw)
{
  const int nouter = nband / 2;
  const double from = held.Least(), to = held.Most();
  // A dot or a speck, no longer than a few fringes, is filtered round rather than across.
  if (shape.Most() - shape.Least() < 2.0 * fringe) return;
  s.kept.resize((size_t)nouter);
  bool moved = false;
  for (int k = 0; k < nouter; k++)
  {
    const double t = outer[k * 2], so = outer[k * 2 + 1];
    s.kept[(size_t)k] = so;
    if (!(t > from && t < to)) continue;
    double lo, hi, least, most, ramp, cover;
    held.Bounds(t, lo, hi);
    const double slope = shape.Slope(t, so, least, most), along = 1.0 / (1.0 + slope * slope);
    if (!Column(most - least, hi - lo, fringe, ramp, cover)) continue;
    const double across = so + ((so > (lo + hi) * 0.5 ? hi + ramp : lo - ramp) - so) * along;
    outer[k * 2 + 1] = across;
    VGvertex& v = band[k * 2 + 1];
    v.x = (float)(t * ux - across * uy), v.y = (float)(t * uy + across * ux);
    moved = true;
  }
  if (!moved) return;
  const double turning = ccw ? 1.0 : -1.0;
  for (int k = 2; k < nband; k++)
  {
    const VGvertex &a = band[k - 2], &b = band[k - 1], &c = band[k];
    const double cross =
        ((double)b.x - a.x) * ((double)c.y - a.y) - ((double)c.x - a.x) * ((double)b.y - a.y);
    if (cross * turning * (k % 2 == 0 ? 1.0 : -1.0) >= -1e-9) continue;
    for (int m = 0; m < nouter; m++)
    {
      const double t = outer[m * 2], across = outer[m * 2 + 1] = s.kept[(size_t)m];
      band[m * 2 + 1].x = (float)(t * ux - across * uy), band[m * 2 + 1].y = (float)(t * uy + across * ux);
    }
    return;
  }
}

// Sets the u of the strip's vertices, whose inner ones carry their point's index and outer ones -1. Each
// inner point takes its column's coverage (Column), or where none fits, the coverage that puts down the
// width across the band's outer edges there. The coverages are then scaled together, none above one, so
// that the ink put down is the area's: each inner point's share of it is a third of every triangle of the
// strip it is a corner of. Without `taper` (no side is thin; shape and held are then null) every inner
// point is at full coverage. outer, inner: the points along and across (ProjectAlong).
void StripCoverage(VGthinScratch& s, bool taper, ExtentAcross* shape, ExtentAcross* held, const double* outer,
                   int nouter, const double* inner, VGvertex* strip, int nstrip, double area, double fringe)
{
  const int ninner = (int)s.inner.size() / 2;
  s.cover.assign((size_t)ninner, 1.0);
  double* cover = s.cover.data();
  if (taper)
  {
    s.weight.assign((size_t)ninner, 0.0);
    double* weight = s.weight.data();
    // A third of each triangle's area, on the strip's place of its last corner; each inner vertex is a
    // corner of the triangles ending on it and on the next two.
    double last = 0.0, before = 0.0; // the thirds of the triangles ending one and two places back
    for (int k = nstrip - 1; k >= 0; k--)
    {
      const double third =
          k >= 2
              ? std::fabs(((double)strip[k - 1].x - strip[k - 2].x) * ((double)strip[k].y - strip[k - 2].y) -
                          ((double)strip[k].x - strip[k - 2].x) * ((double)strip[k - 1].y - strip[k - 2].y)) *
                    (1.0 / 6.0)
              : 0.0;
      if (strip[k].u >= 0.0f) weight[(int)strip[k].u] += third + last + before;
      before = last, last = third;
    }
    // Each inner point's coverage, and their ink, linear until some reaches one. Where no box-filtered
    // column fits, the coverage that puts down the width across the band's outer edges there.
    std::optional<ExtentAcross> edge;
    double ink = 0.0;
    for (int k = 0; k < ninner; k++)
    {
      const double t = inner[k * 2], w = shape->At(t), h = held->At(t);
      if (double ramp; !Column(w, h, fringe, ramp, cover[k]))
      {
        if (!edge) edge.emplace(outer, nouter, s.sides[2]);
        const double spans = edge->At(t) + h;
        cover[k] = spans > 0.0 ? std::min(1.0, 2.0 * w / spans) : 1.0;
      }
      ink += weight[k] * cover[k];
    }
    double scale = ink > 0.0 ? area / ink : 1.0;
    // Scaled up, the coverages that would pass one hold there and the rest go on: the ink, concave in the
    // scale, stays below the area as the scale climbs.
    for (int i = 0; i < 8 && scale > 1.0; i++)
    {
      double capped = 0.0;
      for (int k = 0; k < ninner; k++)
        capped += weight[k] * std::min(1.0, cover[k] * scale);
      if (capped >= area * (1.0 - 1.0 / 4096.0) || capped <= 0.0) break;
      scale *= area / capped;
    }
    for (int k = 0; k < ninner; k++)
      cover[k] = std::min(1.0, cover[k] * scale);
  }
  for (int k = 0; k < nstrip; k++)
  {
    VGvertex& v = strip[k];
    v.u = v.u < 0.0f ? 1.0f : (float)(1.0 - cover[(int)v.u] * 0.5); // coverage is 1 - |2u - 1|
  }
}

} // namespace

int vgThinStrip(VGthinScratch& s, const VGpoint* outline, int n, VGvertex* strip, int nband, double ux,
                double uy, float woff, double area, bool ccw, bool taper)
{
  const double* inner = ProjectAlong(s, outline, n, strip, nband, ux, uy);
  double* outer = s.projected.data() + n * 2;
  const int ninner = (int)s.inner.size() / 2, nouter = nband / 2;
  std::optional<ExtentAcross> shape, held;
  if (taper)
  {
    shape.emplace(s.projected.data(), n, s.sides[0]), held.emplace(inner, ninner, s.sides[1]);
    MatchColumns(s, *shape, *held, outer, strip, nband, ux, uy, 2.0 * woff, ccw);
  }
  strip[nband] = strip[nband - 1];
  const int nstrip = nband + 1 + InnerStrip(inner, s.inner, ccw, nband + 1, strip + nband + 1);
  StripCoverage(s, taper, shape ? &*shape : nullptr, held ? &*held : nullptr, outer, nouter, inner, strip,
                nstrip, area, 2.0 * woff);
  return nstrip;
}
} // namespace iplugin::igraphics
