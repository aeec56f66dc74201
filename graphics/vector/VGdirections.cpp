#include "graphics/vector/VGdirections.h"

#include "graphics/vector/VGcontext.h"
#include "graphics/vector/VGoutlines.h"
#include "graphics/vector/VGthinColumns.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

namespace iplugin::igraphics
{
namespace
{
int Root(std::vector<int>& parent, int i)
{
  while (parent[size_t(i)] != i)
    i = parent[size_t(i)] = parent[size_t(parent[size_t(i)])];
  return i;
}

struct Box
{
  double x0, y0, x1, y1;
};

// Which paths may wind around a point: a grid over the paths' bounds, each cell listing the paths whose box,
// grown by a margin, meets it. A path winds 0 around a point outside its box; the margin keeps out only
// points so far outside that vgWindingAround's rounding cannot make its answer anything but 0 either (its
// terms are products of coordinate differences, each off by a few parts in 2^53 of the largest coordinate).
class BoxGrid
{
public:
  BoxGrid(const std::vector<Box>& boxes, const std::vector<int>& members, double largestCoordinate)
      : mMargin(1e-13 * largestCoordinate)
  {
    Box all{HUGE_VAL, HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    for (int j : members)
    {
      const Box& b = boxes[size_t(j)];
      all = {std::min(all.x0, b.x0), std::min(all.y0, b.y0), std::max(all.x1, b.x1), std::max(all.y1, b.y1)};
    }
    mSide = std::max(1, int(std::sqrt(double(members.size()))));
    mX0 = all.x0, mY0 = all.y0;
    mCellW = std::max((all.x1 - all.x0) / mSide, 1e-300);
    mCellH = std::max((all.y1 - all.y0) / mSide, 1e-300);
    mCells.resize(size_t(mSide) * size_t(mSide));
    for (int j : members)
    {
      const Box& b = boxes[size_t(j)];
      for (int cy = Cell(b.y0 - mMargin, mY0, mCellH); cy <= Cell(b.y1 + mMargin, mY0, mCellH); cy++)
        for (int cx = Cell(b.x0 - mMargin, mX0, mCellW); cx <= Cell(b.x1 + mMargin, mX0, mCellW); cx++)
          mCells[size_t(cy) * size_t(mSide) + size_t(cx)].push_back(j);
    }
  }

  // The paths that may wind around (x, y), given their boxes.
  template <typename Fn> void ForCandidates(const std::vector<Box>& boxes, double x, double y, Fn fn) const
  {
    for (int j : mCells[size_t(Cell(y, mY0, mCellH)) * size_t(mSide) + size_t(Cell(x, mX0, mCellW))])
    {
      const Box& b = boxes[size_t(j)];
      if (x >= b.x0 - mMargin && x <= b.x1 + mMargin && y >= b.y0 - mMargin && y <= b.y1 + mMargin) fn(j);
    }
  }

  // Whether another of the paths has a box that meets b (edges touching included).
  bool AnotherMeets(const std::vector<Box>& boxes, int path, const Box& b) const
  {
    for (int cy = Cell(b.y0, mY0, mCellH); cy <= Cell(b.y1, mY0, mCellH); cy++)
      for (int cx = Cell(b.x0, mX0, mCellW); cx <= Cell(b.x1, mX0, mCellW); cx++)
        for (int j : mCells[size_t(cy) * size_t(mSide) + size_t(cx)])
        {
          const Box& o = boxes[size_t(j)];
          if (j != path && o.x0 <= b.x1 && b.x0 <= o.x1 && o.y0 <= b.y1 && b.y0 <= o.y1) return true;
        }
    return false;
  }

private:
  int Cell(double v, double origin, double size) const
  {
    const double cell = std::floor((v - origin) / size); // not a number where coordinates overflow
    return cell >= double(mSide - 1) ? mSide - 1 : cell > 0.0 ? int(cell) : 0;
  }

  double mMargin;
  int mSide = 1;
  double mX0 = 0, mY0 = 0, mCellW = 1, mCellH = 1;
  std::vector<std::vector<int>> mCells;
};

// Whether the crossing search (vgPathsCross) would compare two segments of one path: two that are not
// neighbours, with boxes that meet. The path is cut into runs along which x strictly grows or strictly
// falls (a segment without a run of x is a run of its own): within a run no two such boxes meet, and two
// runs, each in order of x, are walked side by side. Past kMostRuns runs the answer is yes.
bool MaySelfCross(const VGpoint* p, int count)
{
  constexpr int kMostRuns = 16;
  struct Run
  {
    int first, length, direction;
  };
  Run runs[kMostRuns];
  int nruns = 0;
  auto next = [count](int s) { return s + 1 == count ? 0 : s + 1; };
  auto direction = [&](int s) { return p[next(s)].x > p[s].x ? 1 : p[next(s)].x < p[s].x ? -1 : 0; };
  for (int s = 0; s < count; s++)
  {
    const int d = direction(s);
    if (d != 0 && nruns > 0 && runs[nruns - 1].direction == d)
      runs[nruns - 1].length++;
    else if (nruns == kMostRuns)
      return true;
    else
      runs[nruns++] = {s, 1, d};
  }
  // The k-th segment of a run in order of x.
  auto segment = [](const Run& r, int k)
  { return r.direction < 0 ? r.first + r.length - 1 - k : r.first + k; };
  auto low = [&](int s, bool y)
  { return y ? std::min(p[s].y, p[next(s)].y) : std::min(p[s].x, p[next(s)].x); };
  auto high = [&](int s, bool y)
  { return y ? std::max(p[s].y, p[next(s)].y) : std::max(p[s].x, p[next(s)].x); };
  for (int i = 0; i < nruns; i++)
    for (int j = i + 1; j < nruns; j++)
    {
      const Run &a = runs[i], &b = runs[j];
      int first = 0; // b's first segment that reaches a's in x
      for (int k = 0; k < a.length; k++)
      {
        const int sa = segment(a, k);
        while (first < b.length && high(segment(b, first), false) < low(sa, false))
          first++;
        for (int m = first; m < b.length && low(segment(b, m), false) <= high(sa, false); m++)
        {
          const int sb = segment(b, m);
          if (next(sa) != sb && next(sb) != sa && low(sb, true) <= high(sa, true) &&
              low(sa, true) <= high(sb, true))
            return true;
        }
      }
    }
  return false;
}
} // namespace

void vgWindAsDrawn(VGcontext* ctx)
{
  VGpathCache* cache = ctx->cache;
  const int n = cache->npaths;
  auto points = [cache](int j) { return &cache->points[cache->paths[j].first]; };
  auto encloses = [cache](int j) { return cache->paths[j].count > 2; };
  auto wind = [cache](int j, double area, bool turned)
  {
    const bool counterClockwise = area < 0.0; // a solid's way, from y towards x
    cache->paths[j].winding = counterClockwise != turned ? kVGSolid : kVGHole;
  };
  if (n == 1) // a nest of its own, spared the bookkeeping below
  {
    const double area = encloses(0) ? vgTwiceArea(points(0), cache->paths[0].count) : 0.0;
    wind(0, area, area > 0.0);
    return;
  }

  std::vector<int> parent(size_t(n), 0);
  std::iota(parent.begin(), parent.end(), 0);
  std::vector<int> enclosing;
  std::vector<Box> boxes(size_t(n), Box{0, 0, 0, 0});
  double largestCoordinate = 0.0;
  bool finite = true;
  for (int j = 0; j < n; j++)
  {
    if (!encloses(j)) continue;
    enclosing.push_back(j);
    const VGpoint* p = points(j);
    Box b{p[0].x, p[0].y, p[0].x, p[0].y};
    for (int i = 1; i < cache->paths[j].count; i++)
      b = {std::min<double>(b.x0, p[i].x), std::min<double>(b.y0, p[i].y), std::max<double>(b.x1, p[i].x),
           std::max<double>(b.y1, p[i].y)};
    finite =
        finite && std::isfinite(b.x0) && std::isfinite(b.y0) && std::isfinite(b.x1) && std::isfinite(b.y1);
    largestCoordinate =
        std::max({largestCoordinate, std::fabs(b.x0), std::fabs(b.y0), std::fabs(b.x1), std::fabs(b.y1)});
    boxes[size_t(j)] = b;
  }

  const BoxGrid grid(boxes, finite ? enclosing : std::vector<int>(), largestCoordinate);

  // Where paths cross, all of them are one nest, turned as the largest of all says (vgPathsCross answers).
  // The search is handed only the paths in which it would compare any two segments: those whose boxes
  // meet another's, and those that may cross themselves; the others it would pass over.
  int crossing = -1; // not asked yet
  auto cross = [&]
  {
    if (crossing >= 0) return crossing == 1;
    if (!finite)
    {
      crossing = vgPathsCross(ctx);
      return crossing == 1;
    }
    std::vector<VGpath> searched;
    for (int j : enclosing)
      if (grid.AnotherMeets(boxes, j, boxes[size_t(j)]) || MaySelfCross(points(j), cache->paths[j].count))
        searched.push_back(cache->paths[j]);
    VGpathCache subset = *cache;
    subset.paths = searched.data();
    subset.npaths = int(searched.size());
    ctx->cache = &subset;
    crossing = !searched.empty() && vgPathsCross(ctx);
    ctx->cache = cache;
    return crossing == 1;
  };

  // Nests: a path joins every path that winds around its first point. Only the paths whose boxes hold the
  // point are asked, so that paths standing apart cost next to nothing; paths piled on each other cost
  // more, and past a budget the crossings are looked for first, which make the nests needless.
  const size_t budget = 16 * size_t(cache->npoints) + 1024;
  size_t work = 0;
  auto join = [&](int i, int j)
  {
    if (j == i || (work > budget && cross())) return;
    work += size_t(cache->paths[j].count);
    if (vgWindingAround(points(j), cache->paths[j].count, points(i)->x, points(i)->y) != 0)
      parent[size_t(Root(parent, i))] = Root(parent, j);
  };
  if (finite)
  {
    for (int i : enclosing)
      grid.ForCandidates(boxes, points(i)->x, points(i)->y, [&](int j) { join(i, j); });
  }
  else
  {
    for (int i : enclosing)
      for (int j : enclosing)
        join(i, j);
  }

  // The area of each nest's largest path, at the nest's root; and of the largest of all.
  std::vector<double> area(size_t(n), 0.0), largest(size_t(n), 0.0);
  double largestOfAll = 0.0;
  for (int j : enclosing)
  {
    area[size_t(j)] = vgTwiceArea(points(j), cache->paths[j].count);
    const size_t root = size_t(Root(parent, j));
    if (std::fabs(area[size_t(j)]) > std::fabs(largest[root])) largest[root] = area[size_t(j)];
    if (std::fabs(area[size_t(j)]) > std::fabs(largestOfAll)) largestOfAll = area[size_t(j)];
  }

  // When every nest is turned as the largest of all already, whether paths cross changes nothing, and
  // the search for crossings is spared.
  bool disagree = false;
  for (int j : enclosing)
    disagree = disagree || (largest[size_t(Root(parent, j))] > 0.0) != (largestOfAll > 0.0);
  const bool asOne = crossing == 1 || (disagree && cross());
  for (int j = 0; j < n; j++)
    wind(j, area[size_t(j)], (asOne && encloses(j) ? largestOfAll : largest[size_t(Root(parent, j))]) > 0.0);
}
} // namespace iplugin::igraphics
