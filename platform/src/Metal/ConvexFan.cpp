// Fans of triangles over convex polygons. A convex fill arrives as triangles (p0, p[i-1], p[i]) from its
// first vertex, most of them slivers that cross many rows for a pixel or none; drawn as the one polygon they
// cover, a row is one span between the polygon's edges. The pixels stay those of the triangles: the top-left
// rule takes a centre on an edge as if it lay a little to the right and a little less below, so a centre that
// is in one of the triangles is in the polygon and the other way round, on inner edges and vertices too.
#include "platform/src/Metal/RasterDraw.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qorv_raster
{
namespace
{
int Sign(int64_t v)
{
  return (v > 0) - (v < 0);
}

// Twice the signed area of (o, a, b) in fixed point, as the rasteriser measures a triangle.
int64_t Cross(const Vertex* o, const Vertex* a, const Vertex* b)
{
  return (a->fx - o->fx) * (b->fy - o->fy) - (a->fy - o->fy) * (b->fx - o->fx);
}

// Whether every varying at every polygon vertex is what the plane through the reference triangle gives,
// within what the rounding of the vertices to fixed point can account for (near: within one unit's worth,
// where a triangle's own plane keeps it). A vertex's weights are worked out once for all its varyings.
bool Affine(const Vertex* const* polygon, size_t n, const Vertex* const* ref, int varyings, bool near = false)
{
  const Vertex &a = *ref[0], &b = *ref[1], &c = *ref[2];
  const double area = (double)Cross(&a, &b, &c);
  struct Plane
  {
    double va, vb, vc, slope;
    bool flat;
  } planes[kQorvMaxVaryings];
  bool anySloped = false;
  for (int k = 0; k < varyings; ++k)
  {
    Plane& q = planes[k];
    const double va = a.varyings[k], vb = b.varyings[k], vc = c.varyings[k];
    q.va = va, q.vb = vb, q.vc = vc;
    q.flat = va == vc && vb == vc;
    if (q.flat) continue;
    // A plane through a value that is not finite fits nothing (the corners' own checks would give NaN).
    if (!std::isfinite(va) || !std::isfinite(vb) || !std::isfinite(vc)) return false;
    // The plane's slope per fixed-point unit; edge 0 (b to c) weighs a, edge 1 (c to a) weighs b.
    const double gx = ((va - vc) * (double)(b.fy - c.fy) + (vb - vc) * (double)(c.fy - a.fy)) / area;
    const double gy = ((va - vc) * (double)(c.fx - b.fx) + (vb - vc) * (double)(a.fx - c.fx)) / area;
    q.slope = std::fabs(gx) + std::fabs(gy);
    anySloped = true;
  }
  for (size_t i = 0; i < n; ++i)
  {
    const Vertex* p = polygon[i];
    // The reference's own corners lie on its plane (weights exactly 1 and 0), and have a flat varying's
    // value.
    if (p == ref[0] || p == ref[1] || p == ref[2]) continue;
    double la = 0, lb = 0, weights = 0;
    if (anySloped)
    {
      la = (double)Cross(&b, &c, p) / area, lb = (double)Cross(&c, &a, p) / area;
      // Each vertex is up to half a unit from where it was in each direction; the plane carries the
      // reference's error out by the weights.
      weights = std::fabs(la) + std::fabs(lb) + std::fabs(1.0 - la - lb) + 1.0;
    }
    for (int k = 0; k < varyings; ++k)
    {
      const Plane& q = planes[k];
      const double actual = p->varyings[k];
      if (q.flat)
      {
        if (p->varyings[k] != c.varyings[k]) return false;
        continue;
      }
      const double expected = q.vc + la * (q.va - q.vc) + lb * (q.vb - q.vc);
      const double slack = (near ? 1.0 : weights) * q.slope;
      if (!(std::fabs(expected - actual) <= slack + 1e-6 * (1.0 + std::fabs(actual)))) return false;
    }
  }
  return true;
}

// Affine for a polygon whose corners are the reference's and p (a quad's): the same tests with the same
// arithmetic, each varying's plane tried as it is made, without keeping the planes; two varyings at a time
// in SIMD builds. reference, toB and toA: Cross(a, b, c), Cross(b, c, p) and Cross(c, a, p), known already.
bool AffineAt(const Vertex* p, const Vertex* const* ref, int varyings, int64_t reference, int64_t toB,
              int64_t toA, [[maybe_unused]] bool simd)
{
  const Vertex &a = *ref[0], &b = *ref[1], &c = *ref[2];
  const double area = (double)reference;
  // Read by sloped varyings alone, as in Affine.
  const double la = (double)toB / area, lb = (double)toA / area;
  const double weights = std::fabs(la) + std::fabs(lb) + std::fabs(1.0 - la - lb) + 1.0;
  const double ya = (double)(b.fy - c.fy), yb = (double)(c.fy - a.fy), xa = (double)(c.fx - b.fx),
               xb = (double)(a.fx - c.fx);
  int k = 0;
#if defined(__SSE2__)
  if (simd)
  {
    auto load = [](const float* v)
    { return _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64((const __m128i*)v))); };
    const __m128d area2 = _mm_set1_pd(area), la2 = _mm_set1_pd(la), lb2 = _mm_set1_pd(lb),
                  weights2 = _mm_set1_pd(weights), ya2 = _mm_set1_pd(ya), yb2 = _mm_set1_pd(yb),
                  xa2 = _mm_set1_pd(xa), xb2 = _mm_set1_pd(xb), zero = _mm_setzero_pd(),
                  one = _mm_set1_pd(1.0), tiny = _mm_set1_pd(1e-6), sign = _mm_set1_pd(-0.0);
    auto abs = [&](__m128d v) { return _mm_andnot_pd(sign, v); };
    // Finite: times zero gives zero, where infinities and NaN give NaN.
    auto finite = [&](__m128d v) { return _mm_cmpeq_pd(_mm_mul_pd(v, zero), zero); };
    for (; k + 2 <= varyings; k += 2)
    {
      const __m128d va = load(a.varyings + k), vb = load(b.varyings + k), vc = load(c.varyings + k),
                    actual = load(p->varyings + k);
      const __m128d flat = _mm_and_pd(_mm_cmpeq_pd(va, vc), _mm_cmpeq_pd(vb, vc));
      const __m128d da = _mm_sub_pd(va, vc), db = _mm_sub_pd(vb, vc);
      const __m128d gx = _mm_div_pd(_mm_add_pd(_mm_mul_pd(da, ya2), _mm_mul_pd(db, yb2)), area2);
      const __m128d gy = _mm_div_pd(_mm_add_pd(_mm_mul_pd(da, xa2), _mm_mul_pd(db, xb2)), area2);
      const __m128d slope = _mm_add_pd(abs(gx), abs(gy));
      const __m128d expected = _mm_add_pd(_mm_add_pd(vc, _mm_mul_pd(la2, da)), _mm_mul_pd(lb2, db));
      const __m128d slack = _mm_mul_pd(weights2, slope);
      const __m128d near = _mm_cmple_pd(abs(_mm_sub_pd(expected, actual)),
                                        _mm_add_pd(slack, _mm_mul_pd(tiny, _mm_add_pd(one, abs(actual)))));
      const __m128d sloped = _mm_and_pd(_mm_and_pd(finite(va), finite(vb)), _mm_and_pd(finite(vc), near));
      const __m128d fits = _mm_or_pd(_mm_and_pd(flat, _mm_cmpeq_pd(actual, vc)), _mm_andnot_pd(flat, sloped));
      if (_mm_movemask_pd(fits) != 3) return false;
    }
  }
#endif
  for (; k < varyings; ++k)
  {
    const double va = a.varyings[k], vb = b.varyings[k], vc = c.varyings[k], actual = p->varyings[k];
    if (va == vc && vb == vc)
    {
      if (p->varyings[k] != c.varyings[k]) return false;
      continue;
    }
    if (!std::isfinite(va) || !std::isfinite(vb) || !std::isfinite(vc)) return false;
    const double gx = ((va - vc) * ya + (vb - vc) * yb) / area;
    const double gy = ((va - vc) * xa + (vb - vc) * xb) / area;
    const double slope = std::fabs(gx) + std::fabs(gy);
    const double expected = vc + la * (va - vc) + lb * (vb - vc);
    const double slack = weights * slope;
    if (!(std::fabs(expected - actual) <= slack + 1e-6 * (1.0 + std::fabs(actual)))) return false;
  }
  return true;
}

// A reference triangle of three of a polygon's corners that spans it (p[0], the corner farthest from it,
// and the one farthest from the line between them), in the polygon's turn; twice its area, turned positive.
// A fan's largest triangle is a sliver from p[0] when the polygon has many corners (a circle's): its plane
// through corners rounded to fixed point, carried across the polygon, would put a varying many roundings
// off where the triangles' own planes keep it within one (a position a hundredth of a pixel off, and a
// scissor's edge a few levels).
int64_t WideReference(const Vertex* const* p, size_t n, int turn, const Vertex** ref)
{
  auto distance = [&](const Vertex* v)
  { return (v->fx - p[0]->fx) * (v->fx - p[0]->fx) + (v->fy - p[0]->fy) * (v->fy - p[0]->fy); };
  size_t far = 1;
  for (size_t i = 2; i < n; ++i)
    if (distance(p[i]) > distance(p[far])) far = i;
  size_t side = far == 1 ? 2 : 1;
  int64_t area = 0;
  for (size_t i = 1; i < n; ++i)
    if (i != far)
    {
      const int64_t a = Cross(p[0], p[far], p[i]) * turn;
      const int64_t wide = a < 0 ? -a : a;
      if (wide > area) area = wide, side = i;
    }
  ref[0] = p[0], ref[1] = p[far], ref[2] = p[side];
  if (Cross(ref[0], ref[1], ref[2]) * turn < 0) std::swap(ref[1], ref[2]);
  return area;
}
} // namespace

bool MakeConvexFan(const Vertex* const* p, size_t n, int varyings, ConvexFan& fan,
                   const QorvGpuOptions& options)
{
  if (n < 4) return false;
  int64_t minX = p[0]->fx, maxX = minX, minY = p[0]->fy, maxY = minY;
  for (size_t i = 0; i < n; ++i)
  {
    const Vertex* v = p[i];
    if (!v->valid) return false;
    minX = std::min(minX, v->fx), maxX = std::max(maxX, v->fx);
    minY = std::min(minY, v->fy), maxY = std::max(maxY, v->fy);
  }
  const int64_t first = Cross(p[0], p[1], p[2]);
  const int turn = Sign(first);
  if (turn == 0) return false;
  size_t largest = 1;
  int64_t largestArea = first * turn;
  int64_t cross = 0; // the last triangle's: a quad's second
  for (size_t i = 2; i + 1 < n; ++i)
  {
    cross = Cross(p[0], p[i], p[i + 1]);
    const int64_t area = cross * turn;
    if (area <= 0) return false;
    if (area > largestArea) largestArea = area, largest = i;
  }
  // Convex: every corner turns the same way; winding once: going round, y turns back twice. The corners at
  // p[1] and p[n - 1] turn as the fan's first and last triangles do. Four corners that each turn the same
  // way by less than half a turn add up to one turn: a quad winds once.
  int64_t turn1 = 0, turn3 = 0; // a quad's turns at p[2] and p[0], kept for its corner's weights
  if (n == 4)
  {
    turn1 = Cross(p[1], p[2], p[3]), turn3 = Cross(p[3], p[0], p[1]);
    if (Sign(turn1) != turn || Sign(turn3) != turn) return false;
  }
  else
  {
    int firstDy = 0, lastDy = 0, yTurns = 0;
    for (size_t k = 0; k < n; ++k)
    {
      const size_t k1 = k + 1 < n ? k + 1 : k + 1 - n, k2 = k + 2 < n ? k + 2 : k + 2 - n;
      const Vertex *a = p[k], *b = p[k1], *c = p[k2];
      if (k != 0 && k != n - 2 && Sign(Cross(a, b, c)) != turn) return false;
      const int dy = Sign(b->fy - a->fy);
      if (dy == 0) continue;
      if (lastDy != 0 && dy != lastDy) ++yTurns;
      if (firstDy == 0) firstDy = dy;
      lastDy = dy;
    }
    if (firstDy != lastDy) ++yTurns;
    if (yTurns > 2) return false;
  }
  // The rasteriser draws a triangle turning the other way with its last two vertices swapped.
  const Vertex* ref[3] = {p[0], p[largest], p[largest + 1]};
  if (turn < 0) std::swap(ref[1], ref[2]);
  // A quad's corner off the reference triangle is checked alone, its weights' areas being the quad's turns
  // (a triangle's area does not change as its corners go round).
  const Vertex* other = options.quadCorners && n == 4 ? p[largest == 1 ? 3 : 1] : nullptr;
  if (other && other != ref[0] && other != ref[1] && other != ref[2])
  {
    const int64_t toB = turn * turn1,
                  toA = largest == 1 ? (turn > 0 ? -cross : -turn3) : (turn > 0 ? turn3 : first);
    if (!AffineAt(other, ref, varyings, largestArea, toB, toA, QorvSimdOn(options))) return false;
  }
  else if (n > 4 && !Affine(p, n, ref, varyings, true))
  {
    // The largest triangle's plane strays from the corners: a sliver's, perhaps. One that spans the
    // polygon, if the varyings fit it.
    largestArea = WideReference(p, n, turn, ref);
    if (turn < 0) std::swap(ref[1], ref[2]);
    if (!Affine(p, n, ref, varyings)) return false;
  }
  else if (n == 4 && !Affine(p, n, ref, varyings))
    return false;
  fan.clockwise = turn > 0;
  fan.area = largestArea;
  fan.minX = minX, fan.maxX = maxX, fan.minY = minY, fan.maxY = maxY;
  std::copy(ref, ref + 3, fan.reference);
  fan.polygon = p;
  fan.corners = n;
  return true;
}

bool Draw::PrepareFan(const ConvexFan& fan, std::vector<FanEdge>& edges, FanRows& rows) const
{
  // Floor and ceiling of a division by kOne, by shifting.
  rows.px0 = std::max<int64_t>(clipX0, -((kOne / 2 - fan.minX) >> kSubBits));
  rows.px1 = std::min<int64_t>(clipX1 - 1, (fan.maxX - kOne / 2) >> kSubBits);
  rows.py0 = std::max<int64_t>(clipY0, -((kOne / 2 - fan.minY) >> kSubBits));
  rows.py1 = std::min<int64_t>(clipY1 - 1, (fan.maxY - kOne / 2) >> kSubBits);
  if (rows.px0 > rows.px1 || rows.py0 > rows.py1) return false;
  // The polygon's edges in the triangles' drawing order (clockwise in window coordinates), each the edge of
  // one triangle with the same bias. An edge bounds the rows whose centres lie within its height; the others
  // lie inside it, the polygon being strictly convex.
  const Vertex* const* p = fan.polygon;
  const size_t n = fan.corners;
  rows.firstEdge = edges.size();
  // Read once: the list's room is not known apart from the fan's and the rows'.
  const int64_t px0 = rows.px0, py0 = rows.py0;
  const bool clockwise = fan.clockwise;
  for (size_t k = 0; k < n; ++k)
  {
    const Vertex *a = p[k], *b = p[k + 1 < n ? k + 1 : 0];
    if (!clockwise) std::swap(a, b);
    const int64_t top = std::min(a->fy, b->fy), bottom = std::max(a->fy, b->fy);
    edges.push_back(FanEdge{Edge(a->fx, a->fy, b->fx, b->fy, px0, py0), -((kOne / 2 - top) >> kSubBits),
                            (bottom - kOne / 2) >> kSubBits});
  }
  // Each chain of a convex polygon runs monotonically in y, so ordered by its first rows its last rows are in
  // order too.
  FanEdge* const begin = edges.data() + rows.firstEdge;
  auto kind = [](const FanEdge& e) { return e.edge.stepX > 0 ? 0 : e.edge.stepX < 0 ? 1 : 2; };
  auto before = [&](const FanEdge& x, const FanEdge& y)
  {
    const int kx = kind(x), ky = kind(y);
    return kx != ky ? kx < ky : x.first != y.first ? x.first < y.first : x.last < y.last;
  };
  // std::sort sorts this few by insertion, which keeps equal edges in order: so does this.
  if (n <= 16)
    for (size_t i = 1; i < n; ++i)
    {
      const FanEdge e = begin[i];
      size_t j = i;
      for (; j > 0 && before(e, begin[j - 1]); --j)
        begin[j] = begin[j - 1];
      begin[j] = e;
    }
  else
    std::sort(begin, begin + n, before);
  for (size_t k = 0; k < n; ++k)
    (kind(begin[k]) == 0 ? rows.rising : kind(begin[k]) == 1 ? rows.falling : rows.level) += 1;
  return true;
}

namespace
{
// A prepared fan's edges as they bound its rows top to bottom. Each edge's bound is only stepped over its
// rows, started when first needed; kept per draw of the fan, as bands draw fans at once.
class FanSides
{
public:
  FanSides(const FanRows& rows, const FanEdge* edges)
      : e(edges + rows.firstEdge), rising(rows.rising), chains(rows.rising + rows.falling),
        n(chains + rows.level), py0(rows.py0)
  {
    if (n > kOnStack)
    {
      thread_local std::vector<Side> kept;
      std::vector<Side>& more = QorvThreadVariable(kept);
      more.resize(n);
      sides = more.data();
    }
    for (size_t k = 0; k < chains; ++k)
      sides[k].at = e[k].first - 1;
    // Level edges bound only rows whose centres they run through: most hold none and are passed over.
    levelEnd = chains;
    for (size_t k = chains; k < n; ++k)
      if (e[k].first <= e[k].last) levelEnd = n;
  }
  FanSides(const FanSides&) = delete;
  FanSides& operator=(const FanSides&) = delete;

  // Whether a level edge runs through row py's centres and leaves them out, which leaves the row empty: the
  // chains' bounds are not needed (they move on to a later row all the same).
  bool LevelLeavesOut(int64_t py) const
  {
    for (size_t k = chains; k < levelEnd; ++k)
      if (py >= e[k].first && py <= e[k].last &&
          e[k].edge.rowStart + e[k].edge.stepY * (py - py0) < e[k].edge.bias)
        return true;
    return false;
  }

  // Row py's first and last pixel from the polygon's left (lo and hi, narrowed), and the last row bounded
  // alike from py on (last, brought down): not onto a level edge's row (one whose centres it runs through),
  // which is bounded on its own.
  void Bound(int64_t py, int64_t& lo, int64_t& hi, int64_t& last)
  {
    Chain(0, rising, nextRising, py, last, [&](int64_t b) { lo = std::max(lo, b); });
    Chain(rising, chains - rising, nextFalling, py, last, [&](int64_t b) { hi = std::min(hi, b); });
    for (size_t k = chains; k < levelEnd && last > py; ++k)
      if (e[k].first <= e[k].last && e[k].first > py && e[k].first <= last) last = e[k].first - 1;
  }

private:
  struct Side
  {
    int64_t at; // the row that bound is at; below the edge's first row before it starts
    EdgeBound bound;
  };

  // A chain's edges at row py, from the first whose rows do not end above it: each bound set up or moved on
  // to the row, and the tightest of them kept. last comes down to the rows bounded alike: to the row before
  // the chain's next edge begins, to where an upright edge ends, and to this row under one that is not.
  template <class Tighter>
  void Chain(size_t from, size_t count, size_t& next, int64_t py, int64_t& last, Tighter tighter)
  {
    while (next < count && e[from + next].last < py)
      ++next;
    size_t j = next;
    for (; j < count && e[from + j].first <= py; ++j)
    {
      const FanEdge& f = e[from + j];
      Side& side = sides[from + j];
      if (py > f.last) continue;
      if (side.at < f.first)
        side.bound.Start(f.edge.rowStart + f.edge.stepY * (py - py0), f.edge.bias, f.edge.stepX,
                         f.edge.stepY);
      else if (side.at == py - 1)
        side.bound.Next();
      else
        side.bound.Skip(py - side.at);
      side.at = py;
      last = f.edge.stepY == 0 ? std::min(last, f.last) : py;
      tighter(side.bound.Bound());
    }
    if (j < count) last = std::min(last, e[from + j].first - 1); // the chain is in the order of first rows
  }

  const FanEdge* e;
  size_t rising, chains, n, levelEnd = 0;
  int64_t py0;
  size_t nextRising = 0, nextFalling = 0;
  // Most fans are quads: their sides stay on the stack. Left as it is: a chain edge's side is started before
  // it is read.
  static constexpr size_t kOnStack = 8;
  alignas(Side) unsigned char onStack[kOnStack * sizeof(Side)];
  Side* sides = reinterpret_cast<Side*>(onStack);
};

// Rows one under the other that span the same pixels, gathered for the texels' shortcut.
struct FanRun
{
  const Draw& d;
  Draw::SpanRun run;
  int64_t lo = 0, hi = -1;

  // Whether row py, from lo to hi, goes on the run.
  bool Extends(int64_t py, int64_t rowLo, int64_t rowHi) const
  {
    return run.count > 0 && rowLo == lo && rowHi == hi && run.first.y + run.count == py;
  }
  void Flush()
  {
    if (run.count == 1)
      d.Row(run.first, run.n);
    else if (run.count > 1)
      d.TexelRect(run);
    run.count = 0;
  }
};
} // namespace

void Draw::Fan(const ConvexFan& fan, const FanRows& rows, const FanEdge* edges, int band, int bands) const
{
  const bool front = (state->frontFacingWinding == MTLWindingClockwise) == fan.clockwise;
  if ((state->cullMode == MTLCullModeBack && !front) || (state->cullMode == MTLCullModeFront && front))
    return;
  const int64_t px0 = rows.px0, px1 = rows.px1, py0 = rows.py0, py1 = rows.py1;
  if (bands > 1 && !BandHasRows(py0, py1, band, bands)) return;
  FanSides sides(rows, edges);

  // Varyings follow the reference triangle's edges 0 (b to c) and 1 (c to a).
  const Vertex *ra = fan.reference[0], *rb = fan.reference[1], *rc = fan.reference[2];
  const Edge weigh[2] = {Edge(rb->fx, rb->fy, rc->fx, rc->fy, px0, py0),
                         Edge(rc->fx, rc->fy, ra->fx, ra->fy, px0, py0)};
  Span sp;
  sp.inv = 1.0 / (double)fan.area;
  sp.a = ra, sp.b = rb, sp.c = rc;
  sp.front = front;
  sp.table = faceTables[front];
  sp.s0 = weigh[0].stepX, sp.s1 = weigh[1].stepX;

  // Rows one under the other that span the same pixels go to the texels' shortcut together. While every
  // side that bounds the rows is upright, the rows are bounded alike: they are taken at once, down to where
  // a side ends or begins.
  const bool together = !sp.table && texelRects;
  FanRun run{*this, {}};
  run.run.e0Step = weigh[0].stepY, run.run.e1Step = weigh[1].stepY;

  int64_t bandEnd = bands > 1 ? -1 : py1 + 1; // rows below this one are in this band
  for (int64_t py = py0; py <= py1; ++py)
  {
    if (bands > 1 && py >= bandEnd)
    {
      py = BandRow(py, band, bands, bandEnd);
      if (py > py1) break;
    }
    if (sides.LevelLeavesOut(py)) continue;
    int64_t lo = 0, hi = px1 - px0;
    // Not past the end of the band's block of rows.
    int64_t last = together ? std::min(py1, bandEnd - 1) : py;
    sides.Bound(py, lo, hi, last);
    // The rows down to last are bounded alike: empty ones are passed over together.
    if (lo > hi)
    {
      py = last;
      continue;
    }
    if (together && run.Extends(py, lo, hi))
    {
      run.run.count += (int)(last - py + 1);
      py = last;
      continue;
    }
    run.Flush();
    sp.y = (int)py;
    sp.x0 = (int)(px0 + lo);
    sp.e0 = weigh[0].rowStart + weigh[0].stepY * (py - py0) + lo * weigh[0].stepX;
    sp.e1 = weigh[1].rowStart + weigh[1].stepY * (py - py0) + lo * weigh[1].stepX;
    if (!together)
    {
      Row(sp, (int)(hi - lo + 1));
      continue;
    }
    run.run.first = sp, run.run.n = (int)(hi - lo + 1), run.run.count = (int)(last - py + 1);
    run.lo = lo, run.hi = hi;
    py = last;
  }
  run.Flush();
}
} // namespace qorv_raster
