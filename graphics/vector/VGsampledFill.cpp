#include "graphics/vector/VGsampledFill.h"

#include "graphics/vector/VGcontext.h"
#include "graphics/vector/VGoutlines.h"
#include "graphics/vector/VGsegmentGrid.h"
#include "graphics/vector/VGsliver.h"
#include "graphics/vector/VGthinColumns.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace iplugin::igraphics
{
namespace
{
struct PathBox
{
  double x0, x1, y0, y1;
  int path;
};

// A path's first point, whose winding by the others is asked.
struct PathProbe
{
  double x, y;
  int path;
};

PathBox PathBoxOf(const VGpoint* pts, int count, int path)
{
  double x0 = pts[0].x, x1 = x0, y0 = pts[0].y, y1 = y0;
  for (int i = 1; i < count; i++)
    x0 = std::min<double>(x0, pts[i].x), x1 = std::max<double>(x1, pts[i].x),
    y0 = std::min<double>(y0, pts[i].y), y1 = std::max<double>(y1, pts[i].y);
  return {x0, x1, y0, y1, path};
}

// FringeScratch kept by the thread, so that a fill allocates only when it has more paths than any before it.
struct FringeScratch
{
  std::vector<PathBox> boxes;
  std::vector<PathProbe> probes;
  std::vector<int> open;
};
} // namespace

const uint8_t* vgPathsEncloseNothing(const VGcontext* ctx)
{
  thread_local std::vector<uint8_t> nothing;
  const VGpathCache* cache = ctx->cache;
  nothing.resize((size_t)std::max(cache->npaths, 1));
  for (int i = 0; i < cache->npaths; i++)
  {
    const VGpath& path = cache->paths[i];
    nothing[(size_t)i] = vgEnclosesNothing(path, &cache->points[path.first], ctx->distTol);
  }
  return nothing.data();
}

bool vgPathsLieAsTurned(const VGcontext* ctx, const uint8_t* nothing)
{
  const VGpathCache* cache = ctx->cache;
  if (cache->npaths == 1)
  {
    // No others: it holds turned as a solid, or where it encloses nothing (then it is not filled).
    const VGpath& path = cache->paths[0];
    const VGpoint* pts = &cache->points[path.first];
    return path.count < 3 || vgTwiceArea(pts, path.count) < 0.0 || vgEnclosesNothing(path, pts, ctx->distTol);
  }
  thread_local FringeScratch scratch;
  auto& boxes = scratch.boxes;
  auto& probes = scratch.probes;
  auto& open = scratch.open;
  boxes.clear(), probes.clear(), open.clear();
  for (int i = 0; i < cache->npaths; i++)
  {
    const VGpath& path = cache->paths[i];
    const VGpoint* pts = &cache->points[path.first];
    if (path.count < 3) continue;
    boxes.push_back(PathBoxOf(pts, path.count, i));
    // A path that encloses nothing is not filled (vgExpandFill), nor does it wind.
    if (!(nothing ? nothing[i] : vgEnclosesNothing(path, pts, ctx->distTol)))
      probes.push_back({pts[0].x, pts[0].y, i});
  }
  // Probes left to right against the boxes that reach them: a box opens at its left side and, the probes
  // coming in order, closes for good past its right one.
  std::sort(boxes.begin(), boxes.end(), [](const PathBox& a, const PathBox& b) { return a.x0 < b.x0; });
  std::sort(probes.begin(), probes.end(), [](const PathProbe& a, const PathProbe& b) { return a.x < b.x; });
  size_t next = 0;
  for (const PathProbe& probe : probes)
  {
    for (; next < boxes.size() && boxes[next].x0 <= probe.x; next++)
      open.push_back(int(next));
    std::erase_if(open, [&](int b) { return boxes[size_t(b)].x1 < probe.x; });
    int others = 0;
    for (int b : open)
    {
      const PathBox& box = boxes[size_t(b)];
      if (box.path == probe.path || probe.y < box.y0 || probe.y > box.y1) continue;
      const VGpath& other = cache->paths[box.path];
      others += vgWindingAround(&cache->points[other.first], other.count, probe.x, probe.y);
    }
    const VGpath& path = cache->paths[probe.path];
    const bool solid = vgTwiceArea(&cache->points[path.first], path.count) < 0.0; // turning from y towards x
    if (others != (solid ? 0 : 1)) return false;
  }
  return true;
}

bool vgSampledFringeHolds(VGcontext* ctx)
{
  // The windings first: the crossing search, the costlier, is left out where they already fail.
  return vgPathsLieAsTurned(ctx) && !vgPathsCross(ctx);
}
} // namespace iplugin::igraphics

namespace iplugin::igraphics
{
namespace
{
// The probes stand this far (device pixels) either side of where a pair's ramp crosses the edge (u 0.75).
constexpr double kSideProbe = 1.0 / 32.0;

bool Covers(int winding, int fillRule)
{
  // The stencil counts windings in 7 bits.
  return fillRule == kVGEvenOdd ? (winding & 1) != 0 : (winding & 0x7F) != 0;
}

// Where the ramp of the pair (a, b) (a inner, b outer) crosses the edge (u 0.75).
struct EdgePoint
{
  double x, y;
};
EdgePoint EdgeOf(const VGvertex& a, const VGvertex& b)
{
  const double t = b.u > a.u ? std::clamp((0.75 - a.u) / ((double)b.u - a.u), 0.0, 1.0) : 0.5;
  return {a.x + t * ((double)b.x - a.x), a.y + t * ((double)b.y - a.y)};
}

// A pair's probes either side of where its ramp crosses the edge; none for a pair that does not straddle
// the edge (a join's pair off the outline, or one of no length).
struct Probes
{
  bool straddles;
  EdgePoint edge, inner, outer;
};
Probes ProbesOf(const VGvertex& a, const VGvertex& b)
{
  const double dx = (double)b.x - a.x, dy = (double)b.y - a.y, length = std::hypot(dx, dy);
  const EdgePoint e = EdgeOf(a, b);
  if (length <= 2 * kSideProbe || b.u <= a.u) return {false, e, e, e};
  const double sx = dx / length * kSideProbe, sy = dy / length * kSideProbe;
  return {true, e, {e.x - sx, e.y - sy}, {e.x + sx, e.y + sy}};
}

// The side the fill lies on from the windings at the probes, or kVGSideBySamples where they find no edge
// between them.
float SideOf(VGsegmentGrid& grid, const Probes& p, int fillRule)
{
  if (!p.straddles) return (float)kVGSideBySamples;
  const auto [inner, outer] = grid.WindingsAround(p.inner.x, p.inner.y, p.outer.x, p.outer.y);
  if (inner == outer) return (float)kVGSideBySamples;
  const bool in = Covers(inner, fillRule), out = Covers(outer, fillRule);
  return (float)(in && out ? kVGSideBoth : in ? kVGSideInner : out ? kVGSideOuter : kVGSideNeither);
}

struct SideScratch
{
  VGsegmentGrid grid;
  std::vector<float> sides;
  std::vector<uint8_t> split; // split[k]: the strip from pair k - 1 to pair k is left to the samples
};
SideScratch& Scratch()
{
  thread_local SideScratch scratch;
  return scratch;
}
} // namespace

VGsegmentGrid* vgFringeSidesGrid(const VGcontext* ctx, const uint8_t* nothing)
{
  const VGpathCache* cache = ctx->cache;
  int points = 0;
  for (int i = 0; i < cache->npaths; i++)
    points += cache->paths[i].count;
  if (points > kVGFringeSidesMostPoints) return nullptr;
  VGsegmentGrid& grid = Scratch().grid;
  grid.Build(ctx, nothing);
  return &grid;
}

VGvertex* vgSideFringe(VGsegmentGrid& grid, VGpath* path, int fillRule)
{
  const int pairs = path->nstroke / 2;
  VGvertex* strip = path->stroke;
  if (pairs < 2) return strip + path->nstroke;
  std::vector<float>& sides = Scratch().sides;
  std::vector<uint8_t>& split = Scratch().split;
  sides.resize((size_t)pairs);
  split.assign((size_t)pairs, 0);
  constexpr float bySamples = kVGSideBySamples;
  // A pair's windings are those of the pair before it unless a segment crosses the way from one's probes to
  // the other's: the probes are asked again only there, where paths cross.
  Probes before = ProbesOf(strip[0], strip[1]);
  sides[0] = SideOf(grid, before, fillRule);
  for (int k = 1; k < pairs; k++)
  {
    const Probes p = ProbesOf(strip[2 * k], strip[2 * k + 1]);
    // Along the edge, between their inner probes and between their outer ones.
    const VGsegmentGrid::Line lines[3] = {{before.edge.x, before.edge.y, p.edge.x, p.edge.y},
                                          {before.inner.x, before.inner.y, p.inner.x, p.inner.y},
                                          {before.outer.x, before.outer.y, p.outer.x, p.outer.y}};
    const bool carry = before.straddles && p.straddles && sides[(size_t)k - 1] != bySamples;
    const unsigned crossed = grid.Crossed(lines, carry ? 3 : 1);
    sides[(size_t)k] = carry && !(crossed & 6u) ? sides[(size_t)k - 1] : SideOf(grid, p, fillRule);
    // The windings either side change where a segment crosses the edge, though the pairs may agree.
    split[(size_t)k] =
        sides[(size_t)k - 1] != sides[(size_t)k] || (sides[(size_t)k] != bySamples && (crossed & 1u));
    before = p;
  }
  // Where the strip between two pairs is left to the samples, each pair is repeated with v 1 on that side (a
  // repeated pair adds only triangles of no area), so that v never runs from one side's code through
  // another's.
  auto repeats = [&](int k) // pairs put before pair k: pair k - 1 and pair k again
  {
    if (!split[(size_t)k]) return 0;
    return (sides[(size_t)k - 1] != bySamples ? 1 : 0) + (sides[(size_t)k] != bySamples ? 1 : 0);
  };
  int total = 0;
  for (int k = 0; k < pairs; k++)
    total += 1 + repeats(k);
  // Written from the last pair back, so that each pair is read before the pairs put before it cover it.
  int at = total;
  for (int k = pairs - 1; k >= 0; k--)
  {
    const VGvertex a = strip[2 * k], b = strip[2 * k + 1];
    const float side = sides[(size_t)k];
    --at;
    strip[2 * at] = {a.x, a.y, a.u, side}, strip[2 * at + 1] = {b.x, b.y, b.u, side};
    if (!split[(size_t)k]) continue;
    if (side != bySamples)
      --at, strip[2 * at] = {a.x, a.y, a.u, 1.0f}, strip[2 * at + 1] = {b.x, b.y, b.u, 1.0f};
    if (sides[(size_t)k - 1] != bySamples)
    {
      const VGvertex p = strip[2 * (k - 1)], q = strip[2 * (k - 1) + 1];
      --at, strip[2 * at] = {p.x, p.y, p.u, 1.0f}, strip[2 * at + 1] = {q.x, q.y, q.u, 1.0f};
    }
  }
  path->nstroke = 2 * total;
  return strip + path->nstroke;
}
} // namespace iplugin::igraphics
