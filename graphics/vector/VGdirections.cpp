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
    mCellW = std::max((all.x1 - all.x0) / mSide, 1e-300),
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

private:
  int Cell(double v, double origin, double size) const
  {
    return int(std::clamp(std::floor((v - origin) / size), 0.0, double(mSide - 1)));
  }

  double mMargin;
  int mSide = 1;
  double mX0 = 0, mY0 = 0, mCellW = 1, mCellH = 1;
  std::vector<std::vector<int>> mCells;
};
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

  // Where paths cross, all of them are one nest, turned as the largest of all says (vgPathsCross answers).
  int crossing = -1; // not asked yet
  auto cross = [&]
  {
    if (crossing < 0) crossing = vgPathsCross(ctx);
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
    const BoxGrid grid(boxes, enclosing, largestCoordinate);
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
