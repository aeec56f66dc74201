#include "graphics/vector/VGthinFill.h"

#include "graphics/vector/VGhalfPlanes.h"
#include "graphics/vector/VGring.h"
#include "graphics/vector/VGthinColumns.h"
#include "graphics/vector/VGthinStrip.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace iplugin::igraphics
{
namespace
{
// Curved shapes (outlines of more than four points) less than two fringes across are drawn so as to put
// down their area's ink: the fringe's linear ramp around a curve puts down pi / 12 square pixels beyond a
// circle's area, a fifth of a circle 1.2 pixels across. The fringe of a straight side puts down its ink
// exactly.
constexpr double kNarrow = 4.0;
constexpr int kCurvedPoints = 5;
// Curves of more points than this are built on fewer (FewerPoints).
constexpr int kFewPoints = 16;

using ring::Forward;
using ring::Next;
using ring::Prev;

// Moves k forward while f grows. Over a convex outline a linear function rises from its least to its
// largest point, and as its direction turns with the outline its largest point moves forward: started from
// the last answer, the walks of a whole pass take as many steps as the outline has points.
template <class F> int Climb(int k, int n, F f, double& v)
{
  v = f(k);
  for (int i = 0; i < n; i++)
  {
    const int m = Next(k, n);
    const double w = f(m);
    if (!(w > v)) break;
    k = m, v = w;
  }
  return k;
}

template <class F> int Largest(int n, F f, double& most)
{
  int best = 0;
  most = f(0);
  for (int k = 1; k < n; k++)
    if (const double v = f(k); v > most) best = k, most = v;
  return best;
}

// Moves k to where f is largest: a search of every point the first time (k < 0), a climb from the last
// answer after. Answers f there.
template <class F> double Follow(int& k, int n, F f)
{
  double v;
  k = k < 0 ? Largest(n, f, v) : Climb(k, n, f, v);
  return v;
}

// Segment j's frame: t along it from its start, s across it, inwards.
struct Frame
{
  double ax, ay, dx, dy, s0;
  Frame(const VGpoint& a) : ax(a.x), ay(a.y), dx(a.dx), dy(a.dy), s0(ax * dy - ay * dx) {}
  double T(const VGpoint& q) const { return (q.x - ax) * dx + (q.y - ay) * dy; }
  double S(const VGpoint& q) const { return (q.x - ax) * dy - (q.y - ay) * dx; }
  // S plus s0, cheaper for the walks, which only compare.
  double Across(const VGpoint& q) const { return q.x * dy - q.y * dx; }
};

// Where the outline's far side crosses t = at, walking from m within the points first..last (forward),
// along which t lies above `at` up to one crossing and below it after: the s there.
double FarSide(const VGpoint* pts, int n, const Frame& f, double at, int first, int last, int& m)
{
  if (Forward(first, m, n) > Forward(first, last, n)) m = first;
  while (m != first && f.T(pts[m]) <= at)
    m = Prev(m, n);
  while (m != last && f.T(pts[Next(m, n)]) > at)
    m = Next(m, n);
  if (m == last) return f.S(pts[m]);
  const VGpoint &c = pts[m], &e = pts[Next(m, n)];
  const double t0 = f.T(c), t1 = f.T(e), s0 = f.S(c), s1 = f.S(e);
  return t1 != t0 ? s0 + (s1 - s0) * (at - t0) / (t1 - t0) : std::max(s0, s1);
}

// Each corner's bisector of unit length and the length of its miter direction (bx, by, dm triples; zeros
// where the corner has none), into unit[0, count * 3).
void UnitBisectors(const VGpoint* pts, int count, double* unit)
{
  for (int j = 0; j < count; j++, unit += 3)
  {
    const VGpoint& p = pts[j];
    const double dm = std::sqrt((double)p.dmx * p.dmx + (double)p.dmy * p.dmy),
                 inv = dm > 0.0 ? 1.0 / dm : 0.0;
    unit[0] = p.dmx * inv, unit[1] = p.dmy * inv, unit[2] = dm;
  }
}

// How square a corner's bisector (unit: bx, by) stands on the segment from point p: the cosine of half
// the corner's turn. Above kRightAngle the corner turns less than a right angle.
double Open(const double* unit, const VGpoint& p)
{
  return std::fabs(unit[0] * p.dy - unit[1] * p.dx);
}
constexpr double kRightAngle = 0.7071;

// How far the convex outline reaches across from each segment (into whole, unless null), over the
// segment's slab and woff either side of it (into across, unless null; where the whole shape reaches less
// than `least`, that reach) and, where unit is given, in along each corner's bisector (into bisector): one
// walk to the point furthest across, the bisector of corner j lying between the normals of segments j - 1
// and j (a corner with none reaches nowhere along it). Ahead of the slab, t falls from the furthest point
// round to the segment (past the point furthest back); behind it, t rises from the segment's end to the
// point furthest on and falls to the furthest point: each crossing lies between.
void WalkWidths(const VGpoint* pts, int n, float woff, double least, const double* unit, double* bisector,
                double* across, double* whole)
{
  int most = -1, lo = 0, hi = 0;
  for (int j = 0; j < n; j++)
  {
    const VGpoint& p = pts[j];
    // Only a corner turning a right angle or more is asked how far the shape reaches along its bisector.
    if (unit && Open(&unit[j * 3], p) <= kRightAngle)
    {
      const double bx = unit[j * 3], by = unit[j * 3 + 1];
      auto along = [&](int m) { return bx * pts[m].x + by * pts[m].y; };
      bisector[j] = bx != 0.0 || by != 0.0 ? Follow(most, n, along) - (bx * p.x + by * p.y) : 0.0;
    }
    else if (unit)
      bisector[j] = 0.0;
    const Frame f(p);
    auto s = [&](int m) { return f.Across(pts[m]); };
    const double furthest = Follow(most, n, s) - f.s0;
    if (whole) whole[j] = furthest;
    if (!across) continue;
    if (furthest < least)
    {
      across[j] = std::max(0.0, furthest);
      continue;
    }
    // The shape's height over the segment is concave along it: largest at the furthest point if that
    // lies within the slab, else at the slab's end nearer it.
    auto t = [&](int m) { return f.T(pts[m]); };
    const double from = -woff, to = p.len + woff, tm = t(most);
    double reach = furthest;
    if (tm > to)
      reach = FarSide(pts, n, f, to, most, j, hi);
    else if (tm < from)
      reach = FarSide(pts, n, f, from, Next(j, n), most, lo);
    across[j] = std::max(0.0, reach);
  }
}

// A curve's inner outline and band are built on fewer of its points: a chord stands for the corners it
// passes while they lie within `within` of it (they lie in the triangle the chord makes with the lines of
// its first and last segments, which turn by less than a quarter turn). A user's outline of thousands of
// points has segments so short that their lines turn by less than their float rounding: the half-planes
// through them meet anywhere, and the band's slivers to each corner are rounded by the rasteriser as much
// as they are wide. Into out, with each point's direction, length, miter and bevel as the joins work them
// out where some were left out; answers how many.
int FewerPoints(const VGpoint* pts, int count, float within, std::vector<VGpoint>& out)
{
  out.clear();
  out.push_back(pts[0]);
  const float within2 = within * within;
  int anchor = 0;
  for (int k = 1; k <= count; k++)
  {
    // The corners between lie in the triangle of the chord and the lines of its first and last
    // segments, whose height over the chord is t |v x a| / |v|, t = (v x l) / (a x l).
    const VGpoint &a = pts[anchor], &last = pts[k - 1], &end = pts[k == count ? 0 : k];
    const float vx = end.x - a.x, vy = end.y - a.y;
    const float turn = a.dx * last.dy - a.dy * last.dx, along = a.dx * last.dx + a.dy * last.dy;
    const float va = vx * a.dy - vy * a.dx, vl = vx * last.dy - vy * last.dx;
    if (along > 0.0f && vl * vl * va * va <= within2 * (vx * vx + vy * vy) * turn * turn) continue;
    if (k - 1 > anchor) out.push_back(pts[k - 1]), anchor = k - 1;
  }
  const int n = (int)out.size();
  if (n == count) return n;
  for (int j = 0; j < n; j++)
  {
    VGpoint& p = out[(size_t)j];
    const VGpoint& q = out[(size_t)(j + 1 == n ? 0 : j + 1)];
    p.dx = q.x - p.x, p.dy = q.y - p.y;
    p.len = vgNormalize(&p.dx, &p.dy);
  }
  for (int j = 0; j < n; j++)
  {
    VGpoint& p1 = out[(size_t)j];
    const float dmr2 = vgMiter(out[(size_t)(j == 0 ? n - 1 : j - 1)], p1);
    const bool bevel = (p1.flags & kVGPtCorner) && dmr2 * kVGFillMiterLimit * kVGFillMiterLimit < 1.0f;
    p1.flags = (p1.flags & kVGPtCorner) | (bevel ? kVGPtBevel : 0);
  }
  return n;
}

// The side of a polygon facing most nearly opposite side j (j itself where none faces against it).
int OppositeSide(const VGpoint* pts, int count, int j)
{
  int opposite = j;
  double facing = 0.0;
  for (int k = 0; k < count; k++)
    if (const double d = (double)pts[k].dx * pts[j].dx + (double)pts[k].dy * pts[j].dy; d < facing)
      facing = d, opposite = k;
  return opposite;
}

// Whether a polygon is thin across side j (narrower than a fringe across it) and more than a fringe long
// along it (a speck has no pointed ends to bound the far bands); the length along it into length.
bool ThinAlong(const VGpoint* pts, int count, const double* across, int j, float woff, double& length)
{
  double lo = 0.0, hi = 0.0;
  for (int k = 0; k < count; k++)
  {
    const double t = ((double)pts[k].x - pts[j].x) * pts[j].dx + ((double)pts[k].y - pts[j].y) * pts[j].dy;
    lo = std::min(lo, t), hi = std::max(hi, t);
  }
  length = hi - lo;
  return across[j] < 2.0 * woff && length >= 2.0 * woff;
}

// Whether a polygon's side j has a far band: the polygon is thin along both the side and the side facing
// most nearly opposite it (a flat triangle thin across its long side only is wide across the others, whose
// far bands would cut it short). A triangle's long sides each bound the columns across it along their whole
// length: each column ramps over its width.
bool PolygonFarBand(const VGpoint* pts, int count, const double* across, int j, float woff)
{
  const int opposite = OppositeSide(pts, count, j);
  double length = 0.0;
  return opposite != j && ThinAlong(pts, count, across, j, woff, length) &&
         ThinAlong(pts, count, across, opposite, woff, length);
}

// The half-planes of segment j's band and its corner, into planes (x, y, c triples; as the path turns: the
// corner's first counter-clockwise, walked backwards clockwise), and its far side's band into reversed. The
// far side's band bounds the inner outline where the segment has one (s.farBand): on a curve where the whole
// shape lies within a fringe of the segment's line (further out, the line would cut off the inner outline
// away from the segment), on a polygon where it is thin across the segment and its opposite side. Another
// side thin where it lies reaches in by the shape's width there less half a fringe: a wider polygon's, or a
// curve's near a pointed end, whose line runs on far from the shape.
void SegmentPlanes(const VGthinScratch& s, const VGpoint* pts, int count, int j, const double* units,
                   float woff, double widen, bool ccw, bool curved, double*& planes, double*& reversed)
{
  const VGpoint& p = pts[j];
  const int before = Prev(j, count);
  const bool thinHere = s.farBand[(size_t)j] >= 0.0, thinBefore = s.farBand[(size_t)before] >= 0.0;
  // A polygon's side with a far band keeps its own line just inside its band's outer edge, should the
  // far band of the side opposite it reach past there.
  const double reach = !curved && thinHere
                           ? woff / 64.0 - woff
                           : (s.across[(size_t)j] < 2.0 * woff ? s.across[(size_t)j] - woff : woff) - widen;
  // A whisker of slack keeps a shape exactly one fringe thin from losing its inner line to rounding.
  const double c = (double)p.dy * p.x - (double)p.dx * p.y;
  const double edge[3] = {p.dy, -p.dx, c + reach - woff * 1e-4};
  const bool ownEdge = !thinHere || !curved;
  // The corner between two sides, one of them thin where it lies: a pointed end ramps over a fringe as
  // a straight end would; a corner of a thin side lets the inner outline out to the far side's band.
  // Between two thin sides the far sides' bands keep the inner outline behind the band's outer edge.
  double cornerReach = 0.0;
  bool ownCorner = true;
  const double* unit = &units[(size_t)j * 3];
  const double dm = unit[2];
  const bool narrowHere = curved ? s.across[(size_t)j] < 2.0 * woff : thinHere;
  const bool narrowBefore = curved ? s.across[(size_t)before] < 2.0 * woff : thinBefore;
  if ((narrowHere || narrowBefore) && dm > 0.0)
  {
    // A corner turning less than a right angle is as thin along its bisector as across its sides (the
    // bisector, tilted along a long thin shape, would take in its far end).
    const double open = Open(unit, p); // the band's outer edge lies this many fringes out
    const double inwards =
        open > kRightAngle ? std::min(s.across[(size_t)j], s.across[(size_t)before]) : s.bisector[(size_t)j];
    cornerReach = (inwards >= 2.0 * woff ? woff - widen : -woff * open) * dm;
    ownCorner = inwards >= 2.0 * woff || !(thinHere && thinBefore);
  }
  else if (curved && reach - woff * 1e-4 >= 0.0)
    ownCorner = false; // the planes of its two sides, reaching in, keep the inner outline behind its corner
  auto addCorner = [&]()
  {
    if (!ownCorner || !(dm > 0.0)) return;
    const double inv = 1.0 / dm;
    vgAddUnitPlane(planes, p.dmx * inv, p.dmy * inv,
                   ((double)p.dmx * p.x + (double)p.dmy * p.y + cornerReach) * inv);
  };
  auto addEdge = [&]()
  {
    if (ownEdge) (curved ? vgAddUnitPlane : vgAddPlane)(planes, edge[0], edge[1], edge[2]);
  };
  if (ccw)
    addCorner(), addEdge();
  else
    addEdge(), addCorner();
  // The far side's band, moved out by the shape's bulge beyond the segment's line (vgThinConvexFill).
  if (thinHere) vgAddUnitPlane(reversed, -p.dy, p.dx, -(c + woff + widen + s.farBand[(size_t)j]));
}

// The inner outline of a convex fill whose inset folds: what the half-planes of the segments' bands leave,
// each reaching inwards by half a fringe (less `widen`), cut at each corner's supporting line so that it
// stays behind the band's outer edge (SegmentPlanes). Where the shape is thinner than a fringe across a
// segment, the band's inner edge is the far side moved back by half a fringe: each column across the shape
// then ramps over the shape's width and holds over a fringe less it, as the box filter does
// (VGthinColumns.h). Into s.inner (x, y pairs, the path's turning); answers whether a segment is narrow
// (under 2 half fringes across, kNarrow if curved). Empty when nothing is left.
bool InnerOutline(VGthinScratch& s, const VGpoint* pts, int count, const double* units, float woff,
                  double widen, bool ccw, bool curved)
{
  s.planes.resize((size_t)count * 6);
  s.reversed.resize((size_t)count * 3);
  double *planes = s.planes.data(), *reversed = s.reversed.data();
  bool thin = false;
  const double narrow = (curved ? kNarrow : 2.0) * woff;
  double extent = 1.0;
  for (int step = 0; step < count; step++)
  {
    const int j = ccw ? step : count - 1 - step;
    const VGpoint& p = pts[j];
    thin = thin || (curved ? s.whole : s.across)[(size_t)j] < narrow;
    extent = std::max(extent, (double)std::max(std::fabs(p.x), std::fabs(p.y)));
    SegmentPlanes(s, pts, count, j, units, woff, widen, ccw, curved, planes, reversed);
  }
  s.planes.resize((size_t)(planes - s.planes.data()));
  s.reversed.resize((size_t)(reversed - s.reversed.data()));
  vgMergePlanes(s.planes, s.reversed, s.meet, s.keys);
  const VGplanes h{s.planes.data(), extent * 1e-12};
  const int nplanes = (int)s.planes.size() / 3;
  vgIntersectPlanes(h, nplanes, s.deque, s.meet, s.inner);
  if (!ccw)
    for (size_t a = 0, b = s.inner.size() - 2; a < b && !s.inner.empty(); a += 2, b -= 2)
      std::swap(s.inner[a], s.inner[b]), std::swap(s.inner[a + 1], s.inner[b + 1]);
  return thin;
}

// Twice the area of the triangle (a, b, c), signed by its turning.
double Cross(double ax, double ay, double bx, double by, double cx, double cy)
{
  return (bx - ax) * (cy - ay) - (cx - ax) * (by - ay);
}

// The point of the outer edge from (ax, ay) to (bx, by) nearest (px, py).
std::pair<double, double> Foot(double px, double py, double ax, double ay, double bx, double by)
{
  const double ex = bx - ax, ey = by - ay, len2 = ex * ex + ey * ey;
  const double t = len2 > 0.0 ? std::clamp(((px - ax) * ex + (py - ay) * ey) / len2, 0.0, 1.0) : 0.0;
  return std::pair<double, double>(ax + ex * t, ay + ey * t);
}

// A convex fill's band as it is written, a strip from out alternating inner points (full coverage; an inner
// vertex carries its point's index in u until its coverage is known, StripCoverage) and outer ones (none,
// u -1), with its ink at full coverage inside: the inner outline's area, and each band triangle's area
// times the mean coverage of its corners. Of the two triangles a pair adds, the one ending on the inner
// point has two corners inside (two thirds of its area's ink), the one ending outside one (a third); the
// first pair adds none.
class BandStrip
{
public:
  BandStrip(const std::vector<double>& inner, bool ccw, VGvertex* out)
      : in_(inner.data()), ninner_((int)inner.size() / 2), turning_(ccw ? 1.0 : -1.0), out_(out), w_(out)
  {
    for (int k = 2; k < ninner_; k++)
      ink_ += Area2(in_[0], in_[1], in_[(k - 1) * 2], in_[(k - 1) * 2 + 1], in_[k * 2], in_[k * 2 + 1]) * 0.5;
  }
  // The inner outline's point furthest out against the inward direction (x, y); the directions asked turn
  // with the outline, and so does the answer: it moves on while the next point lies further out.
  int Furthest(double x, double y)
  {
    const double* in = in_;
    if (at_ < 0)
    {
      double most;
      at_ = Largest(
          ninner_, [in, x, y](int k) { return -(in[k * 2] * x + in[k * 2 + 1] * y); }, most);
      return at_;
    }
    for (int i = 0; i < ninner_; i++)
    {
      const int m = Next(at_, ninner_);
      if (!((in[m * 2] - in[at_ * 2]) * x + (in[m * 2 + 1] - in[at_ * 2 + 1]) * y < 0.0)) break;
      at_ = m;
    }
    return at_;
  }
  // Pairs inner point k with the outer point (x, y). The inner outline's points the corners' directions
  // pass over since the last pair (two of its edges face one side, as far bands of sides lying alike do)
  // pair first with their foot on the outer edge between, so that the band's inner edge runs along the
  // whole inner outline.
  __attribute__((always_inline)) void Add(int k, double x, double y)
  {
    if (last_ >= 0 && k != last_)
    {
      const double fromX = ox_, fromY = oy_;
      for (int m = Next(last_, ninner_); m != k; m = Next(m, ninner_))
      {
        const auto [fx, fy] = Foot(in_[m * 2], in_[m * 2 + 1], fromX, fromY, x, y);
        Pair(m, fx, fy);
      }
    }
    Pair(k, x, y);
    last_ = k;
  }
  int Written() const { return (int)(w_ - out_); }
  double Ink() const { return ink_; }

private:
  static double Area2(double ax, double ay, double bx, double by, double cx, double cy)
  {
    return std::fabs(Cross(ax, ay, bx, by, cx, cy));
  }
  // Twice the area of the triangle (a, b, c), positive where it turns as the path does.
  double Inwards(double ax, double ay, double bx, double by, double cx, double cy) const
  {
    return Cross(ax, ay, bx, by, cx, cy) * turning_;
  }
  __attribute__((always_inline)) void Pair(int k, double x, double y)
  {
    const double kx = in_[k * 2], ky = in_[k * 2 + 1];
    const double inward = w_ != out_ ? Inwards(ix_, iy_, ox_, oy_, kx, ky) : 0.0;
    // Where the band closes to nothing (along a pointed end's side, whose far side's band runs out to its
    // outer edge) the next inner point may lie beside the last outer one: the last inner point pairs
    // first with its foot on the outer edge, so that no triangle turns over.
    if (inward < 0.0)
    {
      const auto [fx, fy] = Foot(ix_, iy_, ox_, oy_, x, y);
      Emit(ik_, 0.0, fx, fy);
      Emit(k, Inwards(ix_, iy_, ox_, oy_, kx, ky), x, y);
    }
    else
      Emit(k, inward, x, y);
  }
  __attribute__((always_inline)) void Emit(int k, double inward, double x, double y)
  {
    const double kx = in_[k * 2], ky = in_[k * 2 + 1];
    if (w_ != out_)
    {
      ink_ += std::fabs(inward) * (1.0 / 3.0);
      ink_ += Area2(ox_, oy_, kx, ky, x, y) * (1.0 / 6.0);
    }
    ik_ = k, ix_ = kx, iy_ = ky, ox_ = x, oy_ = y;
    w_[0] = VGvertex{(float)kx, (float)ky, (float)k, 1}, w_[1] = VGvertex{(float)x, (float)y, -1.0f, 1};
    w_ += 2;
  }

  const double* in_;
  int ninner_;
  double turning_;
  VGvertex *out_, *w_;
  double ink_ = 0.0;
  int at_ = -1;                                      // the point Furthest answered last
  int last_ = -1;                                    // the inner point paired last by Add
  int ik_ = 0;                                       // the last pair's inner point
  double ix_ = 0.0, iy_ = 0.0, ox_ = 0.0, oy_ = 0.0; // the last pair
};

// The band of a convex fill whose inset folds, as a strip from out (BandStrip): each corner's bands end at
// the inner outline's points furthest out on either side of the corner's bisector, so that the inner
// outline and the bands cover each pixel once. Answers their ink at full coverage inside; how many vertices
// were written into written.
double ThinBand(const VGpoint* pts, int count, float woff, bool ccw, const std::vector<double>& inner,
                VGvertex* out, int& written)
{
  BandStrip band(inner, ccw, out);
  const VGpoint* p0 = &pts[count - 1];
  int first = 0;
  double firstX = 0.0, firstY = 0.0;
  for (int j = 0; j < count; j++)
  {
    const VGpoint* p1 = &pts[j];
    // Directions strictly between each side's normal and the bisector (n0 + n1), which the inner
    // outline's edges never face square on.
    const double n0x = p0->dy, n0y = -p0->dx, n1x = p1->dy, n1y = -p1->dx;
    const int in0 = band.Furthest(3.0 * n0x + n1x, 3.0 * n0y + n1y),
              in1 = band.Furthest(n0x + 3.0 * n1x, n0y + 3.0 * n1y);
    double ox0 = p1->x - p1->dmx * woff, oy0 = p1->y - p1->dmy * woff, ox1 = ox0, oy1 = oy0;
    if (p1->flags & kVGPtBevel)
    {
      ox0 = p1->x - p0->dy * woff, oy0 = p1->y + p0->dx * woff;
      ox1 = p1->x - p1->dy * woff, oy1 = p1->y + p1->dx * woff;
    }
    if (j == 0) first = in0, firstX = ox0, firstY = oy0;
    band.Add(in0, ox0, oy0);
    // The same pair again would add two triangles of no area.
    if (in1 != in0 || ox1 != ox0 || oy1 != oy0) band.Add(in1, ox1, oy1);
    p0 = p1;
  }
  band.Add(first, firstX, firstY);
  written = band.Written();
  return band.Ink();
}

// Each side's widths, its corner's unit bisector and its far band (VGthinScratch's unit, across, whole,
// bisector and farBand), for the outline pts[0, n) whose area is `area`: they do not change with the
// widening, and are worked out once for every inner outline tried. A thin side's far band runs along the
// segment's line, from which a bulging shape's sides curve in away from the segment: there it would cut the
// inner outline short, and the columns across a thin shape lying along a row of pixels would put down more
// or less ink with where they lie between pixel centres. Moved out by how far the shape reaches across
// beyond its mean width (its area over its length, half its perimeter less its width), it cuts about as
// much as it lets out; a straight strip has no bulge. A polygon's sides are straight: PolygonFarBand says
// which have far bands.
void SideWidths(VGthinScratch& s, const VGpoint* pts, int n, float woff, double area, bool curved)
{
  double half = 0.0;
  for (int j = 0; j < n; j++)
    half += pts[j].len * 0.5;
  s.unit.resize((size_t)n * 3);
  UnitBisectors(pts, n, s.unit.data());
  s.across.resize((size_t)n);
  s.whole.resize((size_t)n);
  s.bisector.resize((size_t)n);
  WalkWidths(pts, n, woff, curved ? 2.0 * woff : 0.0, s.unit.data(), s.bisector.data(), s.across.data(),
             s.whole.data());
  s.farBand.resize((size_t)n);
  for (int j = 0; j < n; j++)
  {
    const double w = s.whole[(size_t)j], length = half - w;
    if (!curved)
      s.farBand[(size_t)j] = PolygonFarBand(pts, n, s.across.data(), j, woff) ? 0.0 : -1.0;
    else
      s.farBand[(size_t)j] = w < 2.0 * woff ? (length > 0.0 ? std::max(0.0, w - area / length) : 0.0) : -1.0;
  }
}

// The path drawn as the strip dst[0, count), without a fan; answers the end of it.
VGvertex* SetStrip(VGpath* path, VGvertex* dst, int count)
{
  path->fill = dst;
  path->nfill = 0;
  path->stroke = dst;
  path->nstroke = count;
  return dst + count;
}

// Whether some inset edge runs against its own segment: the shape is thinner there than the fringe, or a
// corner's curve is tighter.
bool InsetFolds(const VGpoint* pts, int count, float woff)
{
  const VGpoint* p0 = &pts[count - 1];
  for (int j = 0; j < count; j++)
  {
    const VGpoint* p1 = &pts[j];
    const float ex = p1->x - p0->x, ey = p1->y - p0->y;
    const float ix = ex + (p1->dmx - p0->dmx) * woff, iy = ey + (p1->dmy - p0->dmy) * woff;
    if (ex * ix + ey * iy < 0.0f) return true;
    p0 = p1;
  }
  return false;
}
} // namespace

bool vgThinOutline(const VGpoint* pts, int count, float woff)
{
  if (count < 3) return false;
  if (InsetFolds(pts, count, woff)) return true;
  const double narrow = (count >= kCurvedPoints ? kNarrow : 2.0) * woff;
  // A convex shape lies in a strip as wide as its least width and no longer than half its perimeter, so
  // its area over half its perimeter is at most that width: most fills are ruled out without the walk.
  double area2 = 0.0, perimeter = 0.0;
  for (int j = 0; j < count; j++)
  {
    const VGpoint &a = pts[j], &b = pts[j + 1 == count ? 0 : j + 1];
    area2 += (double)a.x * b.y - (double)b.x * a.y;
    perimeter += a.len;
  }
  if (std::fabs(area2) >= narrow * perimeter) return false;
  // The insets of two sides cross without either running backwards where the shape's width, the
  // outline's reach across from some segment, is under a fringe.
  int k = -1;
  for (int j = 0; j < count; j++)
  {
    const Frame f(pts[j]);
    auto across = [&](int m) { return f.Across(pts[m]); };
    if (Follow(k, count, across) - f.s0 < narrow) return true;
  }
  return false;
}

void vgThinAcross(const VGpoint* pts, int n, float woff, double* across, double* whole, double least)
{
  if (n < 3)
  {
    if (across) std::fill(across, across + n, 0.0);
    if (whole) std::fill(whole, whole + n, 0.0);
    return;
  }
  WalkWidths(pts, n, woff, least, nullptr, nullptr, across, whole);
}

// A widening that holds the area's ink at full coverage, little beyond the least (the ink of the inner
// outline and bands grows with it): the false position between no widening (ink0, short of the area) and
// two half fringes, weighting the end that stays put, until the ink is within a 64th of the area.
// build(widen) builds the outline and answers (thin, ink); the one built last holds the area's ink.
template <class Build> void Widen(Build& build, double area, double ink0, float woff)
{
  double lo = 0.0, hi = 2.0 * woff;
  double flo = ink0 - area, fhi = build(hi).second - area;
  bool builtHi = true;
  int kept = 0; // which end the last step kept: -1 lo, 1 hi
  for (int i = 0; i < 6 && fhi > area / 64.0 && hi - lo > woff / 64.0; i++)
  {
    const double mid =
        std::clamp((lo * fhi - hi * flo) / (fhi - flo), lo + (hi - lo) / 64.0, hi - (hi - lo) / 64.0);
    const double ink = build(mid).second;
    if (ink < area)
    {
      lo = mid, flo = ink - area, builtHi = false;
      if (kept == -1) fhi *= 0.5;
      kept = -1;
    }
    else
    {
      hi = mid, fhi = ink - area, builtHi = true;
      if (kept == 1) flo *= 0.5;
      kept = 1;
    }
  }
  if (!builtHi) build(hi);
}

// A shape no more than two fringes across is drawn as columns (VGthinColumns.h). Else, when some side is
// narrow, the inner outline's coverage follows the shape's width (vgThinStrip) and puts down the area of
// the shape; where the thin sides' bands meet too far in to hold that much ink at full coverage (a curved
// sliver, whose sides' bands cross at its middle), they meet further out.
VGvertex* vgThinConvexFill(VGthinScratch& s, VGpath* path, const VGpoint* pts, float woff, VGvertex* dst,
                           bool& columns)
{
  const int count = path->count;
  const double area2 = vgTwiceArea(pts, count);
  const double area = std::fabs(area2) * 0.5;
  // A curve is built on fewer of its points where it has many: its columns on chords within a 16th of a
  // pixel of the outline (their widths are scaled to the area), its band and inner outline, whose ink is
  // not, on chords within a 64th.
  const bool curved = count >= kCurvedPoints;
  const VGpoint* outline = pts;
  int n = count;
  auto fewer = [&](float within)
  {
    if (!curved || count <= kFewPoints) return;
    n = FewerPoints(pts, count, within, s.fewer);
    outline = n >= kCurvedPoints && n < count ? s.fewer.data() : pts;
    if (outline == pts) n = count;
  };
  fewer(woff / 8.0f);
  // A shape no more than two fringes across anywhere along the way it lies is drawn as columns across it:
  // along the pixel grid or its diagonal where it is that thin across them, else along its sides.
  const double outline2 = outline == pts ? area2 : vgTwiceArea(outline, n);
  double ux = 1.0, uy = 0.0;
  for (const bool grid : {true, false})
  {
    if (!columns) break;
    const double lie = vgThinLie(outline, n, ux, uy, grid);
    if (const int ncolumns = vgThinColumns(s, outline, n, ux, uy, 2.0 * woff * lie, area, outline2, dst);
        ncolumns > 0)
      return SetStrip(path, dst, ncolumns);
  }
  columns = false;
  fewer(woff / 32.0f);
  // The band and inner outline lie along the sides' main direction.
  woff = (float)(woff * vgThinLie(outline, n, ux, uy, false));
  SideWidths(s, outline, n, woff, area, curved);
  const double* unit = s.unit.data();
  int nband = 0;
  auto build = [&](double widen)
  {
    const bool thin = InnerOutline(s, outline, n, unit, woff, widen, area2 > 0.0, curved);
    if (s.inner.empty())
    {
      // Nothing left between the bands (a sliver of a triangle): they meet at the middle.
      double cx = 0.0, cy = 0.0;
      for (int j = 0; j < count; j++)
        cx += pts[j].x, cy += pts[j].y;
      s.inner.assign({cx / count, cy / count});
    }
    return std::pair<bool, double>(thin, ThinBand(outline, n, woff, area2 > 0.0, s.inner, dst, nband));
  };
  const auto [thin, ink] = build(0.0);
  if (thin && ink < area) Widen(build, area, ink, woff);

  return SetStrip(path, dst, vgThinStrip(s, outline, n, dst, nband, ux, uy, woff, area, area2 > 0.0, thin));
}
} // namespace iplugin::igraphics
