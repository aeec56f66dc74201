// Even-odd outlines: the flattened paths cut at their crossings, each loop turned towards what the rule
// fills.
#include "graphics/vector/VGoutlines.h"

#include "graphics/vector/VGcontext.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace iplugin::igraphics
{
namespace
{
// The work grows with the square of the segments; past these the fill keeps its paths as they are.
constexpr size_t kMaxCrossings = size_t(1) << 16;
constexpr size_t kMaxSegmentTests = size_t(1) << 24;

struct Node
{
  double x, y;
  int next;
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
bool Crosses(const Node& p0, const Node& p1, const Node& q0, const Node& q1, double* t, double* u)
{
  const double rx = p1.x - p0.x, ry = p1.y - p0.y, sx = q1.x - q0.x, sy = q1.y - q0.y;
  const double d = rx * sy - ry * sx;
  if (d == 0.0) return false; // parallel or overlapping: they part without crossing
  const double qx = q0.x - p0.x, qy = q0.y - p0.y;
  *t = (qx * sy - qy * sx) / d;
  *u = (qx * ry - qy * rx) / d;
  return *t > 0.0 && *t < 1.0 && *u > 0.0 && *u < 1.0;
}

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

struct Resolver
{
  VGcontext* ctx;
  std::vector<Node> nodes;
  std::vector<Segment> segments;
  std::vector<Cut> cuts;
  std::vector<int> loop;

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

  // Every crossing becomes two nodes at one place, one on each segment.
  bool FindCrossings()
  {
    std::vector<int> order(segments.size());
    for (size_t i = 0; i < order.size(); i++)
      order[i] = int(i);
    std::sort(order.begin(), order.end(),
              [&](int a, int b) { return segments[size_t(a)].minX < segments[size_t(b)].minX; });
    size_t tests = 0;
    for (size_t i = 0; i < order.size(); i++)
    {
      const Segment& a = segments[size_t(order[i])];
      for (size_t j = i + 1; j < order.size() && segments[size_t(order[j])].minX <= a.maxX; j++)
      {
        const Segment& b = segments[size_t(order[j])];
        if (b.minY > a.maxY || b.maxY < a.minY) continue;
        if (a.to == b.from || b.to == a.from) continue; // neighbours share only their end
        if (++tests > kMaxSegmentTests) return false;
        double t, u;
        if (!Crosses(nodes[size_t(a.from)], nodes[size_t(a.to)], nodes[size_t(b.from)], nodes[size_t(b.to)],
                     &t, &u))
          continue;
        if (cuts.size() >= 2 * kMaxCrossings) return false;
        const Node& p = nodes[size_t(a.from)];
        const Node& q = nodes[size_t(a.to)];
        const Node at{p.x + (q.x - p.x) * t, p.y + (q.y - p.y) * t, -1, kVGPtCorner};
        cuts.push_back({order[i], t, int(nodes.size())});
        nodes.push_back(at);
        cuts.push_back({order[j], u, int(nodes.size())});
        nodes.push_back(at);
      }
    }
    return true;
  }

  // Threads the crossing nodes into their segments, then swaps the ways on at each crossing: the path
  // that came in on one segment leaves on the other, so the two touch there instead of crossing.
  void Splice()
  {
    std::vector<Cut> sorted = cuts;
    std::sort(sorted.begin(), sorted.end(),
              [](const Cut& a, const Cut& b)
              { return a.segment != b.segment ? a.segment < b.segment : a.t < b.t; });
    for (size_t i = 0; i < sorted.size();)
    {
      const int segment = sorted[i].segment;
      const Segment& s = segments[size_t(segment)];
      int previous = s.from;
      for (; i < sorted.size() && sorted[i].segment == segment; i++)
      {
        nodes[size_t(previous)].next = sorted[i].node;
        previous = sorted[i].node;
      }
      nodes[size_t(previous)].next = s.to;
    }
    for (size_t i = 0; i < cuts.size(); i += 2)
      std::swap(nodes[size_t(cuts[i].node)].next, nodes[size_t(cuts[i + 1].node)].next);
  }

  // The loop from a node, without points that fall on their predecessor.
  void Follow(int start, std::vector<uint8_t>& seen)
  {
    loop.clear();
    int n = start;
    do
    {
      seen[size_t(n)] = 1;
      const Node& node = nodes[size_t(n)];
      if (!loop.empty() && Same(nodes[size_t(loop.back())], node))
        nodes[size_t(loop.back())].flags |= node.flags;
      else
        loop.push_back(n);
      n = node.next;
    } while (n != start && !seen[size_t(n)]);
    while (loop.size() > 1 && Same(nodes[size_t(loop.back())], nodes[size_t(loop.front())]))
    {
      nodes[size_t(loop.front())].flags |= nodes[size_t(loop.back())].flags;
      loop.pop_back();
    }
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
    Splice();
    out->npoints = out->npaths = out->nverts = 0;
    std::memcpy(out->bounds, ctx->cache->bounds, sizeof(out->bounds));
    std::vector<uint8_t> seen(nodes.size(), 0);
    size_t tests = 0;
    for (size_t start = 0; start < nodes.size(); start++)
    {
      if (seen[start]) continue;
      Follow(int(start), seen);
      if (loop.size() < 3) continue;
      tests += segments.size();
      if (tests > kMaxSegmentTests || !Write(out, FillsLeft())) return nullptr;
    }
    return out;
  }
};
} // namespace

VGpathCache* vgEvenOddOutlines(VGcontext* ctx)
{
  if (!ctx->outlines) ctx->outlines = static_cast<VGpathCache*>(std::calloc(1, sizeof(VGpathCache)));
  if (!ctx->outlines) return nullptr;
  Resolver resolver{ctx, {}, {}, {}, {}};
  return resolver.Resolve(ctx->outlines);
}
} // namespace iplugin::igraphics
