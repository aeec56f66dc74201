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

void VGsegmentGrid::Build(const VGcontext* ctx)
{
  const VGpathCache* cache = ctx->cache;
  segments.clear();
  double x1 = 0, y1 = 0;
  for (int j = 0; j < cache->npaths; j++)
  {
    const VGpath& path = cache->paths[j];
    const VGpoint* pts = &cache->points[path.first];
    if (path.count < 3 || (cache->npaths > 1 && vgEnclosesNothing(path, pts, ctx->distTol))) continue;
    for (int i = 0; i < path.count; i++)
    {
      const VGpoint &a = pts[i], &b = pts[(i + 1) % path.count];
      if (!std::isfinite(a.x) || !std::isfinite(a.y) || !std::isfinite(b.x) || !std::isfinite(b.y)) continue;
      if (segments.empty()) x0 = x1 = a.x, y0 = y1 = a.y;
      x0 = std::min<double>(x0, a.x), x1 = std::max<double>(x1, a.x);
      y0 = std::min<double>(y0, a.y), y1 = std::max<double>(y1, a.y);
      segments.push_back({a.x, a.y, b.x, b.y, std::min<double>(a.x, b.x), std::max<double>(a.x, b.x),
                          std::min<double>(a.y, b.y), std::max<double>(a.y, b.y)});
    }
  }
  // Cells about twice as long as the mean segment, so that a cell the outline passes through holds a few,
  // at most twice the square root of the segments a side, so that the cells stay few.
  double length = 0;
  for (const Segment& s : segments)
    length += std::sqrt((s.bx - s.ax) * (s.bx - s.ax) + (s.by - s.ay) * (s.by - s.ay));
  const double cell = std::max(2 * length / std::max<size_t>(segments.size(), 1), 1e-6);
  const int most = std::clamp((int)(2 * std::sqrt((double)segments.size())), 1, 256);
  columns = std::clamp((int)std::ceil((x1 - x0) / cell), 1, most);
  rows = std::clamp((int)std::ceil((y1 - y0) / cell), 1, most);
  cellW = std::max(x1 - x0, 1e-6) / columns, cellH = std::max(y1 - y0, 1e-6) / rows;
  perCellW = 1.0 / cellW, perCellH = 1.0 / cellH;
  cellStart.assign((size_t)columns * rows + 1, 0);
  auto each = [&](const Segment& s, auto&& visit)
  {
    const int cx0 = CellX(s.x0), cx1 = CellX(s.x1), cy0 = CellY(s.y0), cy1 = CellY(s.y1);
    for (int cy = cy0; cy <= cy1; cy++)
      for (int cx = cx0; cx <= cx1; cx++)
        visit((size_t)cy * columns + cx);
  };
  for (const Segment& s : segments)
    each(s, [&](size_t c) { cellStart[c + 1]++; });
  for (size_t c = 0; c + 1 < cellStart.size(); c++)
    cellStart[c + 1] += cellStart[c];
  cellSegments.resize(cellStart.back());
  std::vector<uint32_t>& next = seen; // the fill of each cell so far, before seen is needed
  next.assign(cellStart.begin(), cellStart.end() - 1);
  for (size_t k = 0; k < segments.size(); k++)
    each(segments[k], [&](size_t c) { cellSegments[next[c]++] = (uint32_t)k; });
  seen.assign(segments.size(), 0);
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
          const bool up = s.ay <= p[j][1] && s.by > p[j][1], down = s.by <= p[j][1] && s.ay > p[j][1];
          if (!up && !down) continue;
          const double side = Turn(s.ax, s.ay, s.bx, s.by, p[j][0], p[j][1]);
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

unsigned VGsegmentGrid::Crossed(const Line* lines, int count) const
{
  if (segments.empty() || count <= 0) return 0;
  const unsigned all = (1u << count) - 1;
  // Each line's bounds, and all of theirs.
  struct Box
  {
    double x0, x1, y0, y1;
  } box[32];
  for (int l = 0; l < count; l++)
  {
    const Line& q = lines[l];
    // A line with an end not finite has no cells: taken as crossed.
    if (!std::isfinite(q.x0) || !std::isfinite(q.y0) || !std::isfinite(q.x1) || !std::isfinite(q.y1))
      return all;
    box[l] = {std::min(q.x0, q.x1), std::max(q.x0, q.x1), std::min(q.y0, q.y1), std::max(q.y0, q.y1)};
  }
  Box query = box[0];
  for (int l = 1; l < count; l++)
    query = {std::min(query.x0, box[l].x0), std::max(query.x1, box[l].x1), std::min(query.y0, box[l].y0),
             std::max(query.y1, box[l].y1)};
  const int cx0 = CellX(query.x0), cx1 = CellX(query.x1), cy0 = CellY(query.y0), cy1 = CellY(query.y1);
  unsigned crossed = 0;
  for (int cy = cy0; cy <= cy1; cy++)
    for (int cx = cx0; cx <= cx1; cx++)
    {
      const size_t c = (size_t)cy * columns + cx;
      for (uint32_t k = cellStart[c]; k < cellStart[c + 1]; k++)
      {
        const Segment& s = segments[cellSegments[k]];
        if (s.x1 < query.x0 || s.x0 > query.x1 || s.y1 < query.y0 || s.y0 > query.y1) continue;
        for (int l = 0; l < count; l++)
        {
          const Line& q = lines[l];
          const Box& b = box[l];
          if ((crossed >> l & 1) || s.x1 < b.x0 || s.x0 > b.x1 || s.y1 < b.y0 || s.y0 > b.y1) continue;
          if (Opposite(Turn(q.x0, q.y0, q.x1, q.y1, s.ax, s.ay), Turn(q.x0, q.y0, q.x1, q.y1, s.bx, s.by)) &&
              Opposite(Turn(s.ax, s.ay, s.bx, s.by, q.x0, q.y0), Turn(s.ax, s.ay, s.bx, s.by, q.x1, q.y1)))
            crossed |= 1u << l;
        }
        if (crossed == all) return crossed;
      }
    }
  return crossed;
}
} // namespace iplugin::igraphics
