// The segments of a fill's paths binned by the cells of a grid over their bounds, so that what crosses a
// short segment, and how the paths wind around a point, are asked of the segments near it rather than of
// all: a crossing test looks in the cells the segment's box meets, a winding counts the segments a ray to
// the nearer side meets in the point's row of cells. Kept by the thread and made anew for each fill.
#pragma once

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace iplugin::igraphics
{
struct VGcontext;

class VGsegmentGrid
{
public:
  // The segments of the context's paths that the fan marks (three points or more, enclosing something);
  // a segment with an end not finite is left out. nothing: where given, whether each path encloses nothing
  // (vgPathsEncloseNothing), else asked here.
  void Build(const VGcontext* ctx, const uint8_t* nothing = nullptr);
  // How many times the paths wind around (x, y) and around (x2, y2), as vgWindingAround counts it, summed
  // over the paths: two points near each other asked at once (0 around a point not finite).
  std::pair<int, int> WindingsAround(double x, double y, double x2, double y2);
  // Of up to 32 lines near one another: bit l set where a segment crosses line l, each strictly beside the
  // other's ends. The cells their bounds meet are visited once for all; a line with an end not finite is
  // taken as crossed.
  struct Line
  {
    double x0, y0, x1, y1;
  };
  unsigned Crossed(const Line* lines, int count) const;

private:
  // Two values worked on at once, as two doubles would be one after the other.
  typedef double Two __attribute__((vector_size(16)));
  // Its ends' x and y (a's first), and its bounds' least and greatest x and y, which every crossing test
  // reads first.
  struct Segment
  {
    Two x, y, lo, hi;
  };
  // Crossed of kCount lines (0: count).
  template <int kCount> unsigned CrossedBy(const Line* lines, int count) const;
  // The cell of x or y, those beyond the grid (however far) in its first or last.
  int CellX(double x) const { return (int)std::clamp((x - x0) * perCellW, 0.0, lastColumn); }
  int CellY(double y) const { return (int)std::clamp((y - y0) * perCellH, 0.0, lastRow); }
  // The cells of x and y at once, as CellX and CellY find them.
  typedef int TwoCells __attribute__((vector_size(8)));
  TwoCells CellsOf(Two p) const
  {
    const Two zero = {0.0, 0.0}, last = {lastColumn, lastRow};
    Two v = (p - Two{x0, y0}) * Two{perCellW, perCellH};
    v = v < zero ? zero : v;
    v = last < v ? last : v;
    return __builtin_convertvector(v, TwoCells);
  }

  // The cells a segment's bounds meet, from (x0, y0) to (x1, y1).
  struct Span
  {
    uint16_t x0, x1, y0, y1;
  };
  std::vector<Segment> segments;
  std::vector<Span> spans;
  std::vector<uint32_t> cellStart, cellSegments; // cell c's segments: cellSegments[cellStart[c] ..]
  std::vector<uint32_t> seen;                    // the query that last counted each segment
  uint32_t query = 0;
  double x0 = 0, y0 = 0, cellW = 1, cellH = 1, perCellW = 1, perCellH = 1, lastColumn = 0, lastRow = 0;
  int columns = 1, rows = 1;
};
} // namespace iplugin::igraphics
