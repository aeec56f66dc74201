// Even-odd outlines: the flattened paths cut at their crossings, each loop turned towards what the rule
// fills.
#include "graphics/vector/VGoutlines.h"

#include "graphics/vector/VGcontext.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

namespace iplugin::igraphics
{
namespace
{
// Past these the fill keeps its paths as they are.
constexpr size_t kMaxCrossings = size_t(1) << 16;
constexpr size_t kMaxSegmentTests = size_t(1) << 24;
// Up to this many segments the question whether any two cross is answered by a plain sweep across x (its
// work at worst the square of the segments, a few thousand pairs' bounds), without the tree's sorts.
constexpr size_t kPlainSweepSegments = 256;
// More segments are swept so while few overlap in x (a long band or zigzag, a wavy outline): the sweep
// gives up, leaving the question to the tree, once it has met this many such pairs a segment, or all that
// so few would meet at most.
constexpr size_t kPlainSweepPairsEach = 32;
constexpr size_t kPlainSweepPairs = kPlainSweepSegments * kPlainSweepSegments / 2;

struct Node
{
  double x, y;
  int next; // along the path as drawn
  uint8_t flags;
};

struct Segment
{
  int from, to;
  double minX, maxX, minY, maxY;
};

// A crossing node placed on a segment, t along it.
struct Cut
{
  int segment;
  double t;
  int node;
};

template <typename T> bool Reserve(T*& array, int& capacity, int needed)
{
  if (needed <= capacity) return true;
  const int grown = needed + capacity / 2;
  auto* p = static_cast<T*>(std::realloc(array, sizeof(T) * grown));
  if (!p) return false;
  array = p;
  capacity = grown;
  return true;
}

// Where two segments cross inside both (not at an end), as parameters along each.
bool Crosses(double p0x, double p0y, double p1x, double p1y, double q0x, double q0y, double q1x, double q1y,
             double* t, double* u)
{
  const double rx = p1x - p0x, ry = p1y - p0y, sx = q1x - q0x, sy = q1y - q0y;
  const double d = rx * sy - ry * sx;
  if (d == 0.0) return false; // parallel or overlapping: they part without crossing
  const double qx = q0x - p0x, qy = q0y - p0y;
  *t = (qx * sy - qy * sx) / d;
  *u = (qx * ry - qy * rx) / d;
  return *t > 0.0 && *t < 1.0 && *u > 0.0 && *u < 1.0;
}
bool Crosses(const Node& p0, const Node& p1, const Node& q0, const Node& q1, double* t, double* u)
{
  return Crosses(p0.x, p0.y, p1.x, p1.y, q0.x, q0.y, q1.x, q1.y, t, u);
}

// A key that orders floats as their values do (-0 as +0), not finite ones aside.
uint32_t OrderKey(float f)
{
  const uint32_t bits = std::bit_cast<uint32_t>(f + 0.0f);
  return bits & 0x80000000u ? ~bits : bits | 0x80000000u;
}

// A segment as the plain sweep reads it: its ends, its bounds but the left, which its key holds, and the
// numbers of its ends as the crossing search gives them (neighbours share one).
struct SweepSegment
{
  double ax, ay, bx, by, minY, maxY;
  float maxX;
  int from, to;
};

// Whether a ray from (x, y) to the right crosses the segments an odd number of times.
bool Inside(const std::vector<Node>& nodes, const std::vector<Segment>& segments, double x, double y)
{
  bool odd = false;
  for (const Segment& s : segments)
  {
    const Node &a = nodes[size_t(s.from)], &b = nodes[size_t(s.to)];
    if ((a.y > y) == (b.y > y)) continue;
    if (x < a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y)) odd = !odd;
  }
  return odd;
}

// Sorts unique keys of segments taken along their paths, whose left ends mostly rise or fall for stretches:
// the stretches found (those that fall turned round) and merged in pairs, in spare's room, until one is left.
void SortStretches(std::vector<uint64_t>& keys, std::vector<uint64_t>& spare, std::vector<size_t>& starts)
{
  const size_t n = keys.size();
  starts.clear();
  for (size_t i = 0, j; i < n; i = j)
  {
    starts.push_back(i);
    j = i + 1;
    if (j < n && keys[j] < keys[i])
    {
      while (j < n && keys[j] < keys[j - 1])
        j++;
      std::reverse(keys.begin() + std::ptrdiff_t(i), keys.begin() + std::ptrdiff_t(j));
    }
    else
      while (j < n && keys[j] > keys[j - 1])
        j++;
  }
  spare.resize(n);
  while (starts.size() > 1)
  {
    size_t kept = 0;
    for (size_t r = 0; r < starts.size(); r += 2)
    {
      const auto first = keys.begin() + std::ptrdiff_t(starts[r]);
      const auto middle = r + 1 < starts.size() ? keys.begin() + std::ptrdiff_t(starts[r + 1]) : keys.end();
      const auto end = r + 2 < starts.size() ? keys.begin() + std::ptrdiff_t(starts[r + 2]) : keys.end();
      std::merge(first, middle, middle, end, spare.begin() + std::ptrdiff_t(starts[r]));
      starts[kept++] = starts[r];
    }
    starts.resize(kept);
    keys.swap(spare);
  }
}

struct Resolver
{
  explicit Resolver(VGcontext* context) : ctx(context) {}

  VGcontext* ctx;
  std::vector<Node> nodes;
  std::vector<Segment> segments;
  std::vector<Cut> cuts; // in pairs, one pair a crossing
  std::vector<std::pair<int, int>> pieces;
  std::vector<std::array<int, 2>> links; // the two neighbours of each node along its loop
  std::vector<int> loops, loopStarts;    // the nodes of every loop in order; where each begins
  std::vector<int> loop;
  std::vector<SweepSegment> sweep; // of the plain sweep
  std::vector<uint64_t> keys, spare;
  std::vector<size_t> stretches;
  size_t tests = 0;

  // Empties what an earlier search left, keeping the memory.
  void Reset(VGcontext* context)
  {
    ctx = context;
    nodes.clear(), segments.clear(), cuts.clear(), pieces.clear(), links.clear();
    loops.clear(), loopStarts.clear(), loop.clear(), sweep.clear(), keys.clear(), spare.clear(),
        stretches.clear();
    tests = 0;
  }

  bool Collect()
  {
    const VGpathCache* cache = ctx->cache;
    for (int j = 0; j < cache->npaths; j++)
    {
      const VGpath& path = cache->paths[j];
      if (path.count < 3) continue; // no area
      const int first = int(nodes.size());
      for (int i = 0; i < path.count; i++)
      {
        const VGpoint& p = cache->points[path.first + i];
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false; // no order, no crossing to find
        nodes.push_back({p.x, p.y, first + (i + 1) % path.count, p.flags});
      }
      for (int i = 0; i < path.count; i++)
      {
        const Node &a = nodes[size_t(first + i)], &b = nodes[size_t(a.next)];
        segments.push_back({first + i, a.next, std::min(a.x, b.x), std::max(a.x, b.x), std::min(a.y, b.y),
                            std::max(a.y, b.y)});
      }
    }
    return !segments.empty();
  }

  // Every crossing becomes two nodes at one place, one on each segment. A sweep across x keeps the
  // segments whose x range reaches the next one's, and a tree of their y ranges hands out only those that
  // overlap it in y as well: the work grows with the pairs whose bounds overlap, not with the square of
  // the segments. The crossings are numbered as a pass over every pair in the sweep's order would meet
  // them.
  bool FindCrossings()
  {
    const size_t n = segments.size();
    std::vector<int> order(n);
    for (size_t i = 0; i < n; i++)
      order[i] = int(i);
    std::sort(order.begin(), order.end(),
              [&](int a, int b) { return segments[size_t(a)].minX < segments[size_t(b)].minX; });
    // Leaves in the order of minY; a leaf holds its segment's maxY while the segment is in the sweep.
    std::vector<int> byMinY(n), leaf(n);
    for (size_t i = 0; i < n; i++)
      byMinY[i] = int(i);
    std::sort(byMinY.begin(), byMinY.end(),
              [&](int a, int b) { return segments[size_t(a)].minY < segments[size_t(b)].minY; });
    std::vector<double> minYs(n);
    for (size_t r = 0; r < n; r++)
      leaf[size_t(byMinY[r])] = int(r), minYs[r] = segments[size_t(byMinY[r])].minY;
    size_t width = 1;
    while (width < n)
      width *= 2;
    constexpr double kNone = -std::numeric_limits<double>::infinity();
    std::vector<double> highest(2 * width, kNone); // the greatest maxY under each node
    auto set = [&](int segment, double value)
    {
      size_t at = width + size_t(leaf[size_t(segment)]);
      highest[at] = value;
      for (at /= 2; at >= 1; at /= 2)
        highest[at] = std::max(highest[2 * at], highest[2 * at + 1]);
    };
    std::vector<int> byMaxX(order);
    std::sort(byMaxX.begin(), byMaxX.end(),
              [&](int a, int b) { return segments[size_t(a)].maxX < segments[size_t(b)].maxX; });
    std::vector<int> position(n);
    for (size_t i = 0; i < n; i++)
      position[size_t(order[i])] = int(i);

    struct Found
    {
      int first, second; // positions in the sweep's order
      double t, u;
    };
    std::vector<Found> found;
    struct Visit
    {
      size_t node, firstLeaf, span;
    };
    std::vector<Visit> stack;
    size_t pairs = 0, leaving = 0;
    for (size_t j = 0; j < n; j++)
    {
      const int bIndex = order[j];
      const Segment& b = segments[size_t(bIndex)];
      for (; leaving < n && segments[size_t(byMaxX[leaving])].maxX < b.minX; leaving++)
        set(byMaxX[leaving], kNone);
      // The segments in the sweep with minY <= b.maxY (a prefix of the leaves) and maxY >= b.minY.
      const size_t below = size_t(std::upper_bound(minYs.begin(), minYs.end(), b.maxY) - minYs.begin());
      stack.assign(1, {1, 0, width});
      while (!stack.empty())
      {
        const auto [node, firstLeaf, span] = stack.back();
        stack.pop_back();
        if (highest[node] < b.minY || firstLeaf >= below) continue;
        if (span > 1)
        {
          stack.push_back({2 * node + 1, firstLeaf + span / 2, span / 2});
          stack.push_back({2 * node, firstLeaf, span / 2});
          continue;
        }
        const int aIndex = byMinY[firstLeaf];
        const Segment& a = segments[size_t(aIndex)];
        if (a.to == b.from || b.to == a.from) continue; // neighbours share only their end
        if (++pairs > kMaxSegmentTests) return Counted(pairs, false);
        double t, u;
        if (!Crosses(nodes[size_t(a.from)], nodes[size_t(a.to)], nodes[size_t(b.from)], nodes[size_t(b.to)],
                     &t, &u))
          continue;
        if (found.size() >= kMaxCrossings) return Counted(pairs, false);
        found.push_back({position[size_t(aIndex)], int(j), t, u});
      }
      set(bIndex, b.maxY);
    }
    Counted(pairs, true);
    std::sort(found.begin(), found.end(),
              [](const Found& p, const Found& q)
              { return p.first != q.first ? p.first < q.first : p.second < q.second; });
    for (const Found& f : found)
    {
      const Node& p = nodes[size_t(segments[size_t(order[size_t(f.first)])].from)];
      const Node& q = nodes[size_t(segments[size_t(order[size_t(f.first)])].to)];
      const Node at{p.x + (q.x - p.x) * f.t, p.y + (q.y - p.y) * f.t, -1, kVGPtCorner};
      cuts.push_back({order[size_t(f.first)], f.t, int(nodes.size())});
      nodes.push_back(at);
      cuts.push_back({order[size_t(f.second)], f.u, int(nodes.size())});
      nodes.push_back(at);
    }
    return true;
  }

  bool Counted(size_t pairs, bool result)
  {
    ctx->crossingTests += int(std::min(pairs, size_t(std::numeric_limits<int>::max())));
    return result;
  }

  // Whether two segments cross, as FindCrossings finds them: the same pairs, those whose bounds overlap
  // (each segment against those after it in x while they start within its reach), up to the first crossing;
  // read from the points as they lie, the segments sorted by keys of their left ends and numbers. -1 where
  // the segments overlap in x more than kPlainSweepPairsEach pairs a segment (never within
  // kPlainSweepSegments segments, nor past the pairs the tree tests, so that it would answer alike); as
  // vgPathsCross answers where a point is not finite.
  int PlainSweepCrosses()
  {
    const VGpathCache* cache = ctx->cache;
    size_t n = 0;
    for (int j = 0; j < cache->npaths; j++)
      if (cache->paths[j].count >= 3) n += size_t(cache->paths[j].count); // fewer points: no area
    const size_t most = std::min(std::max(kPlainSweepPairs, kPlainSweepPairsEach * n), kMaxSegmentTests);
    sweep.resize(n);
    keys.resize(n);
    size_t at = 0;
    for (int j = 0; j < cache->npaths; j++)
    {
      const VGpath& path = cache->paths[j];
      if (path.count < 3) continue;
      const VGpoint* pts = &cache->points[path.first];
      const int first = int(at);
      for (int i = 0; i < path.count; i++, at++)
      {
        const VGpoint &a = pts[i], &b = pts[i + 1 == path.count ? 0 : i + 1];
        // No order, no crossing to find: crossing where a point came before it.
        if (!std::isfinite(a.x) || !std::isfinite(a.y)) return at > 0;
        const int to = first + (i + 1 == path.count ? 0 : i + 1);
        const float minY = std::min(a.y, b.y), maxY = std::max(a.y, b.y);
        sweep[at] = {a.x, a.y, b.x, b.y, minY, maxY, std::max(a.x, b.x), int(at), to};
        keys[at] = uint64_t(OrderKey(std::min(a.x, b.x))) << 32 | at;
      }
    }
    SortStretches(keys, spare, stretches);
    size_t pairs = 0, met = 0;
    for (size_t j = 0; j < n; j++)
    {
      const SweepSegment& a = sweep[keys[j] & 0xFFFFFFFFu];
      const uint64_t reach = uint64_t(OrderKey(a.maxX)) << 32 | 0xFFFFFFFFu;
      size_t k = j + 1;
      for (; k < n && keys[k] <= reach; k++)
      {
        const SweepSegment& b = sweep[keys[k] & 0xFFFFFFFFu];
        if (b.maxY < a.minY || b.minY > a.maxY || a.to == b.from || b.to == a.from) continue;
        ++pairs;
        double t, u;
        if (Crosses(a.ax, a.ay, a.bx, a.by, b.ax, b.ay, b.bx, b.by, &t, &u)) return Counted(pairs, true);
      }
      met += k - j - 1;
      if (met > most) return -1;
    }
    return Counted(pairs, false);
  }

  // Threads the crossing nodes into their segments: the pieces between consecutive nodes.
  void Thread()
  {
    std::vector<Cut> sorted = cuts;
    std::sort(sorted.begin(), sorted.end(),
              [](const Cut& a, const Cut& b)
              { return a.segment != b.segment ? a.segment < b.segment : a.t < b.t; });
    size_t c = 0;
    for (size_t k = 0; k < segments.size(); k++)
    {
      int previous = segments[k].from;
      for (; c < sorted.size() && sorted[c].segment == int(k); c++)
      {
        pieces.push_back({previous, sorted[c].node});
        previous = sorted[c].node;
      }
      pieces.push_back({previous, segments[k].to});
    }
  }

  // Joins the pieces into loops. At a crossing the four piece ends meet in two corners: either each
  // path leaves on the other's way on (the two touch there, each turning one way), or the two that
  // arrive join, and the two that leave (each corner then bounds one of the sectors between them).
  // Corners that turn the other way are marked in `flipped`, one entry a crossing.
  bool Join(const std::vector<uint8_t>& flipped)
  {
    const size_t n = nodes.size();
    std::vector<int> arriving(n), leaving(n);
    for (size_t k = 0; k < n; k++)
      arriving[k] = leaving[k] = int(k);
    for (size_t k = 0; k + 1 < cuts.size(); k += 2)
    {
      const int a = cuts[k].node, b = cuts[k + 1].node;
      if (flipped[k / 2])
        arriving[size_t(b)] = a, leaving[size_t(a)] = b;
      else
        leaving[size_t(a)] = b, leaving[size_t(b)] = a;
    }
    links.assign(n, {-1, -1});
    auto link = [this](int from, int to)
    {
      int* slot = links[size_t(from)][0] < 0 ? &links[size_t(from)][0] : &links[size_t(from)][1];
      *slot = to;
    };
    for (const auto& [from, to] : pieces)
    {
      const int u = leaving[size_t(from)], v = arriving[size_t(to)];
      if (links[size_t(u)][1] >= 0 || links[size_t(v)][1] >= 0) return false;
      link(u, v);
      link(v, u);
    }
    loops.clear();
    loopStarts.clear();
    std::vector<uint8_t> seen(n, 0);
    for (size_t start = 0; start < n; start++)
    {
      if (seen[start] || links[start][0] < 0) continue;
      loopStarts.push_back(int(loops.size()));
      int previous = int(start), at = int(start);
      for (size_t steps = 0; steps <= n; steps++)
      {
        seen[size_t(at)] = 1;
        loops.push_back(at);
        const auto& l = links[size_t(at)];
        const int next = l[0] != previous || steps == 0 ? l[0] : l[1];
        previous = at;
        at = next;
        if (at == int(start) || at < 0) break;
      }
    }
    loopStarts.push_back(int(loops.size()));
    return true;
  }

  // The loop from loops[first, end), without points that fall on their predecessor.
  void Merge(int first, int end)
  {
    loop.clear();
    for (int k = first; k < end; k++)
    {
      const int index = loops[size_t(k)];
      if (!loop.empty() && Same(nodes[size_t(loop.back())], nodes[size_t(index)]))
        nodes[size_t(loop.back())].flags |= nodes[size_t(index)].flags;
      else
        loop.push_back(index);
    }
    while (loop.size() > 1 && Same(nodes[size_t(loop.back())], nodes[size_t(loop.front())]))
    {
      nodes[size_t(loop.front())].flags |= nodes[size_t(loop.back())].flags;
      loop.pop_back();
    }
  }

  // Where the filled sectors at a crossing lie on the reflex side of both touching loops (a star's
  // points meeting round its empty middle), the crossing is better joined the other way: each point then
  // keeps a corner of its own instead of a hole's corner poking through it.
  bool FlipReflexCorners(std::vector<uint8_t>& flipped)
  {
    std::vector<int> position(nodes.size(), -1), owner(nodes.size(), -1);
    for (size_t l = 0; l + 1 < loopStarts.size(); l++)
      for (int k = loopStarts[l]; k < loopStarts[l + 1]; k++)
        position[size_t(loops[size_t(k)])] = k, owner[size_t(loops[size_t(k)])] = int(l);
    std::vector<int8_t> fillsLeft(loopStarts.size(), -1);
    bool any = false;
    for (size_t k = 0; k + 1 < cuts.size(); k += 2)
    {
      const int corner = cuts[k].node, l = owner[size_t(corner)];
      if (l < 0) continue;
      const int first = loopStarts[size_t(l)], end = loopStarts[size_t(l) + 1], count = end - first;
      if (count < 3) continue;
      if (fillsLeft[size_t(l)] < 0)
      {
        Merge(first, end);
        if (loop.size() < 3) continue;
        if (!Budget()) return false;
        fillsLeft[size_t(l)] = FillsLeft() ? 1 : 0;
      }
      const int at = position[size_t(corner)] - first;
      const Node& u = nodes[size_t(loops[size_t(first + (at + count - 1) % count)])];
      const Node& x = nodes[size_t(corner)];
      const Node& w = nodes[size_t(loops[size_t(first + (at + 1) % count)])];
      // Turning towards the extrusion side makes that side the corner's inside.
      const double turn = (x.x - u.x) * (w.y - x.y) - (x.y - u.y) * (w.x - x.x);
      const bool towardsExtrusion = turn < 0.0;
      if (turn != 0.0 && towardsExtrusion != bool(fillsLeft[size_t(l)])) flipped[k / 2] = 1, any = true;
    }
    return !any || Join(flipped);
  }

  bool Budget()
  {
    tests += segments.size();
    return tests <= kMaxSegmentTests;
  }

  bool Same(const Node& a, const Node& b) const
  {
    const double dx = b.x - a.x, dy = b.y - a.y;
    return dx * dx + dy * dy < double(ctx->distTol) * ctx->distTol;
  }

  // Whether the filled side of the loop lies left of its direction, where the extrusion of a point goes.
  bool FillsLeft() const
  {
    size_t longest = 0;
    double longestLength = -1.0;
    for (size_t i = 0; i < loop.size(); i++)
    {
      const Node &a = nodes[size_t(loop[i])], &b = nodes[size_t(loop[(i + 1) % loop.size()])];
      const double length = std::hypot(b.x - a.x, b.y - a.y);
      if (length > longestLength) longest = i, longestLength = length;
    }
    const Node &a = nodes[size_t(loop[longest])], &b = nodes[size_t(loop[(longest + 1) % loop.size()])];
    // A thousandth of the segment off its middle: closer than any other segment that does not touch it.
    const double step = 1e-3 / std::max(longestLength, 1e-12) * std::min(longestLength, 1.0);
    const double dx = b.x - a.x, dy = b.y - a.y;
    return Inside(nodes, segments, (a.x + b.x) * 0.5 + dy * step, (a.y + b.y) * 0.5 - dx * step);
  }

  bool Write(VGpathCache* out, bool fillsLeft)
  {
    const int count = int(loop.size());
    if (!Reserve(out->paths, out->cpaths, out->npaths + 1) ||
        !Reserve(out->points, out->cpoints, out->npoints + count))
      return false;
    if (!fillsLeft) std::reverse(loop.begin(), loop.end());
    VGpath& path = out->paths[out->npaths++];
    std::memset(&path, 0, sizeof(path));
    path.first = out->npoints;
    path.count = count;
    path.closed = 1;
    double area = 0.0;
    for (int i = 0; i < count; i++)
    {
      const Node &a = nodes[size_t(loop[size_t(i)])], &b = nodes[size_t(loop[size_t((i + 1) % count)])];
      area += b.x * a.y - a.x * b.y; // positive for solids, as the flattening counts it
      VGpoint& p = out->points[out->npoints++];
      std::memset(&p, 0, sizeof(p));
      p.x = float(a.x);
      p.y = float(a.y);
      p.flags = a.flags;
      p.dx = float(b.x - a.x);
      p.dy = float(b.y - a.y);
      p.len = std::sqrt(p.dx * p.dx + p.dy * p.dy);
      if (p.len > 1e-6f) p.dx /= p.len, p.dy /= p.len;
    }
    path.winding = area > 0.0 ? kVGSolid : kVGHole;
    return true;
  }

  VGpathCache* Resolve(VGpathCache* out)
  {
    if (!Collect() || !FindCrossings()) return nullptr;
    Thread();
    std::vector<uint8_t> flipped(cuts.size() / 2, 0);
    if (!Join(flipped) || !FlipReflexCorners(flipped)) return nullptr;
    out->npoints = out->npaths = out->nverts = 0;
    std::memcpy(out->bounds, ctx->cache->bounds, sizeof(out->bounds));
    for (size_t l = 0; l + 1 < loopStarts.size(); l++)
    {
      Merge(loopStarts[l], loopStarts[l + 1]);
      if (loop.size() < 3) continue;
      if (!Budget() || !Write(out, FillsLeft())) return nullptr;
    }
    return out;
  }
};
} // namespace

bool vgPathsCross(VGcontext* ctx)
{
  // Kept by the thread, so that a fill allocates only when it has more segments than any before it.
  thread_local Resolver resolver(nullptr);
  resolver.Reset(ctx);
  int crossing = ctx->options.plainCrossingSweep ? resolver.PlainSweepCrosses() : -1;
  if (crossing < 0)
    crossing = !resolver.Collect() ? !resolver.nodes.empty() // nothing to cross, or a point not finite
                                   : !resolver.FindCrossings() || !resolver.cuts.empty();
  // What a large search took is let go of: only what small ones take is kept.
  if (resolver.nodes.capacity() > 16 * kPlainSweepSegments ||
      resolver.sweep.capacity() > 16 * kPlainSweepSegments)
    resolver = Resolver(nullptr);
  return crossing > 0;
}

VGpathCache* vgEvenOddOutlines(VGcontext* ctx)
{
  if (!ctx->outlines) ctx->outlines = static_cast<VGpathCache*>(std::calloc(1, sizeof(VGpathCache)));
  if (!ctx->outlines) return nullptr;
  Resolver resolver(ctx);
  return resolver.Resolve(ctx->outlines);
}
} // namespace iplugin::igraphics
