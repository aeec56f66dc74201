#include "graphics/vector/VGsegmentGrid.h"

#include "graphics/vector/VGcontext.h"
#include "graphics/vector/VGsliver.h"

#include <algorithm>
#include <cmath>

namespace iplugin::igraphics
{
namespace
{
// Which side of a to b the point c lies on: positive on the left as y grows downwards.
double Turn(double ax, double ay, double bx, double by, double cx, double cy)
{
  return (bx - ax) * (cy - ay) - (by - ay) * (cx - ax);
}
bool Opposite(double d, double e)
{
  return (d < 0 && e > 0) || (d > 0 && e < 0);
}
} // namespace

void VGsegmentGrid::Build(const VGcontext* ctx, const uint8_t* nothing)
{
  const VGpathCache* cache = ctx->cache;
  size_t most = 0;
  for (int j = 0; j < cache->npaths; j++)
    most += (size_t)std::max(cache->paths[j].count, 0);
  segments.resize(most);
  size_t n = 0;
  Two lowest = {0.0, 0.0}, highest = lowest; // the bounds of the segments' starts
  double length = 0;
  for (int j = 0; j < cache->npaths; j++)
  {
    const VGpath& path = cache->paths[j];
    const VGpoint* pts = &cache->points[path.first];
    if (path.count < 3 ||
        (cache->npaths > 1 && (nothing ? nothing[j] : vgEnclosesNothing(path, pts, ctx->distTol))))
      continue;
    // Each point read once, as the end of one segment and the start of the next.
    Two pb = {pts[0].x, pts[0].y};
    for (int i = 0; i < path.count; i++)
    {
      const VGpoint& b = pts[i + 1 == path.count ? 0 : i + 1];
      const Two pa = pb;
      pb = Two{b.x, b.y};
      const double ax = pa[0], ay = pa[1], bx = pb[0], by = pb[1];
      // x - x is 0 for every finite x alone.
      const Two finite = (pa - pa) + (pb - pb);
      if (!(finite[0] == 0.0 && finite[1] == 0.0)) continue;
      if (n == 0) lowest = highest = pa;
      lowest = pa < lowest ? pa : lowest, highest = highest < pa ? pa : highest;
      length += std::sqrt((bx - ax) * (bx - ax) + (by - ay) * (by - ay));
      segments[n++] = {Two{ax, bx}, Two{ay, by}, pb < pa ? pb : pa, pa < pb ? pb : pa};
    }
  }
  segments.resize(n);
  x0 = lowest[0], y0 = lowest[1];
  const double x1 = highest[0], y1 = highest[1];
  // Cells about twice as long as the mean segment, so that a cell the outline passes through holds a few,
  // at most twice the square root of the segments a side, so that the cells stay few.
  const double cell = std::max(2 * length / std::max<size_t>(n, 1), 1e-6);
  const int side = std::clamp((int)(2 * std::sqrt((double)n)), 1, 256);
  columns = std::clamp((int)std::ceil((x1 - x0) / cell), 1, side);
  rows = std::clamp((int)std::ceil((y1 - y0) / cell), 1, side);
  cellW = std::max(x1 - x0, 1e-6) / columns, cellH = std::max(y1 - y0, 1e-6) / rows;
  perCellW = 1.0 / cellW, perCellH = 1.0 / cellH, lastColumn = columns - 1.0, lastRow = rows - 1.0;
  cellStart.assign((size_t)columns * rows + 1, 0);
  // Each segment's cells, found once for both passes and kept for the crossing tests.
  spans.resize(n);
  for (size_t k = 0; k < n; k++)
  {
    const Segment& s = segments[k];
    const TwoCells lo = CellsOf(s.lo), hi = CellsOf(s.hi);
    const Span r = {(uint16_t)lo[0], (uint16_t)hi[0], (uint16_t)lo[1], (uint16_t)hi[1]};
    spans[k] = r;
    if (r.x0 == r.x1 && r.y0 == r.y1)
    {
      cellStart[(size_t)r.y0 * columns + r.x0 + 1]++;
      continue;
    }
    for (int cy = r.y0; cy <= r.y1; cy++)
      for (int cx = r.x0; cx <= r.x1; cx++)
        cellStart[(size_t)cy * columns + cx + 1]++;
  }
  for (size_t c = 0; c + 1 < cellStart.size(); c++)
    cellStart[c + 1] += cellStart[c];
  cellSegments.resize(cellStart.back());
  std::vector<uint32_t>& next = seen; // the fill of each cell so far, before seen is needed
  next.assign(cellStart.begin(), cellStart.end() - 1);
  for (size_t k = 0; k < n; k++)
  {
    const Span r = spans[k];
    if (r.x0 == r.x1 && r.y0 == r.y1)
    {
      cellSegments[next[(size_t)r.y0 * columns + r.x0]++] = (uint32_t)k;
      continue;
    }
    for (int cy = r.y0; cy <= r.y1; cy++)
      for (int cx = r.x0; cx <= r.x1; cx++)
        cellSegments[next[(size_t)cy * columns + cx]++] = (uint32_t)k;
  }
  seen.assign(n, 0);
  query = 0;
}

std::pair<int, int> VGsegmentGrid::WindingsAround(double x, double y, double x2, double y2)
{
  if (segments.empty() || !std::isfinite(x) || !std::isfinite(y) || !std::isfinite(x2) || !std::isfinite(y2))
    return {0, 0};
  const int cy = CellY(y);
  if (CellY(y2) != cy) return {WindingsAround(x, y, x, y).first, WindingsAround(x2, y2, x2, y2).first};
  // The ray to the nearer side: a closed path crosses a line as often upwards as downwards, so the
  // crossings on the left count as those on the right do, with the other sign; unless a point lies on a
  // segment's line across it, which only the ray to the right counts as vgWindingAround does.
  const double p[2][2] = {{x, y}, {x2, y2}};
  const int from = std::min(CellX(x), CellX(x2)), to = std::max(CellX(x), CellX(x2));
  for (bool right : {from >= columns / 2, true})
  {
    // A segment met in several cells of the row is counted once.
    if (++query == 0) std::fill(seen.begin(), seen.end(), 0), query = 1;
    int winding[2] = {0, 0};
    bool level = false;
    for (int cx = right ? from : to; right ? cx < columns : cx >= 0; cx += right ? 1 : -1)
    {
      const size_t c = (size_t)cy * columns + cx;
      for (uint32_t k = cellStart[c]; k < cellStart[c + 1]; k++)
      {
        const uint32_t i = cellSegments[k];
        if (seen[i] == query) continue;
        seen[i] = query;
        const Segment& s = segments[i];
        for (int j = 0; j < 2; j++)
        {
          const double ay = s.y[0], by = s.y[1];
          const bool up = ay <= p[j][1] && by > p[j][1], down = by <= p[j][1] && ay > p[j][1];
          if (!up && !down) continue;
          const double side = Turn(s.x[0], ay, s.x[1], by, p[j][0], p[j][1]);
          level = level || side == 0.0;
          if (up && (right ? side > 0.0 : side < 0.0))
            winding[j] += right ? -1 : 1;
          else if (down && (right ? side < 0.0 : side > 0.0))
            winding[j] += right ? 1 : -1;
        }
      }
    }
    if (right || !level) return {winding[0], winding[1]};
  }
  return {0, 0};
}

template <int kCount> unsigned VGsegmentGrid::CrossedBy(const Line* lines, int count) const
{
  if constexpr (kCount > 0) count = kCount;
  const unsigned all = (1u << count) - 1;
  // The bounds of all the lines, and each line's start and direction, read for every segment near. A line
  // with an end not finite has no cells: taken as crossed (x - x is 0 for every finite x alone).
  // Each end's x and y at once, as two lanes.
  Two lo = {lines[0].x0, lines[0].y0}, hi = lo, finite = {0.0, 0.0};
  // Each line's start and direction, x and y apart, each in both lanes: a segment's two ends are asked at
  // once.
  Two lx[32], ly[32], ldx[32], ldy[32];
  for (int l = 0; l < count; l++)
  {
    const Line& q = lines[l];
    const Two a = {q.x0, q.y0}, b = {q.x1, q.y1}, d = b - a;
    finite += (a - a) + (b - b);
    lo = lo < a ? lo : a, lo = lo < b ? lo : b, hi = hi < a ? a : hi, hi = hi < b ? b : hi;
    lx[l] = Two{a[0], a[0]}, ly[l] = Two{a[1], a[1]}, ldx[l] = Two{d[0], d[0]}, ldy[l] = Two{d[1], d[1]};
  }
  if (!(finite[0] == 0.0 && finite[1] == 0.0)) return all;
  const double x0s = lo[0], y0s = lo[1], x1s = hi[0], y1s = hi[1];
  // The segments whose bounds meet theirs, each once: a row's cells lie side by side in cellSegments, and a
  // segment in several of the lines' cells is taken in the first (there once, so among its entries).
  const TwoCells from = CellsOf(lo), to = CellsOf(hi);
  const int cx0 = from[0], cx1 = to[0], cy0 = from[1], cy1 = to[1];
  const bool several = cx1 > cx0 || cy1 > cy0;
  unsigned crossed = 0;
  for (int cy = cy0; cy <= cy1; cy++)
  {
    const size_t row = (size_t)cy * columns;
    for (uint32_t k = cellStart[row + cx0], end = cellStart[row + cx1 + 1]; k < end; k++)
    {
      const uint32_t i = cellSegments[k];
      const Segment& s = segments[i];
      if (s.hi[0] < x0s || s.lo[0] > x1s || s.hi[1] < y0s || s.lo[1] > y1s) continue;
      if (several && (std::max<int>(spans[i].y0, cy0) != cy ||
                      k >= cellStart[row + std::max<int>(spans[i].x0, cx0) + 1]))
        continue;
      for (int l = 0; l < count; l++)
      {
        // Turn(line, s's ends) first, both at once: most segments near a line lie wholly to one side of it.
        const Two turns = ldx[l] * (s.y - ly[l]) - ldy[l] * (s.x - lx[l]);
        if (!Opposite(turns[0], turns[1])) continue;
        // Then the line's bounds, and Turn(s, the line's ends).
        const Line& q = lines[l];
        if (s.hi[0] < std::min(q.x0, q.x1) || s.lo[0] > std::max(q.x0, q.x1) ||
            s.hi[1] < std::min(q.y0, q.y1) || s.lo[1] > std::max(q.y0, q.y1))
          continue;
        const double ax = s.x[0], ay = s.y[0], bx = s.x[1], by = s.y[1];
        if (Opposite(Turn(ax, ay, bx, by, q.x0, q.y0), Turn(ax, ay, bx, by, q.x1, q.y1))) crossed |= 1u << l;
      }
      if (crossed == all) return crossed;
    }
  }
  return crossed;
}

unsigned VGsegmentGrid::Crossed(const Line* lines, int count) const
{
  if (segments.empty() || count <= 0) return 0;
  // The counts a fringe asks, with the lines' loop unrolled.
  if (count == 1) return CrossedBy<1>(lines, count);
  if (count == 3) return CrossedBy<3>(lines, count);
  return CrossedBy<0>(lines, count);
}
} // namespace iplugin::igraphics
