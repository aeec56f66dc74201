#include "graphics/vector/VGthinColumns.h"

#include "graphics/vector/VGcontext.h"
#include "graphics/vector/VGring.h"

#include <algorithm>
#include <cmath>

namespace iplugin::igraphics
{
namespace
{
// One side of the outline from its point least along to its point furthest along, rising along: the segment
// it is on (from t0, s0, rising by `slope` to t1), stepping round the points (ts: t, s pairs) by `step`.
struct Side
{
  const double* ts;
  int n, at, end, step;
  double flat; // a segment rising less than this runs straight across (a rounding off square)
  double t0 = 0.0, s0 = 0.0, t1 = 0.0, slope = 0.0;
  int After(int k) const { return step > 0 ? ring::Next(k, n) : ring::Prev(k, n); }
  // On to the next segment that rises (past an end's edge, which runs straight across); at the end, t1 is
  // infinite.
  void Step()
  {
    for (;;)
    {
      if (at == end)
      {
        t0 = ts[at * 2], s0 = ts[at * 2 + 1], t1 = INFINITY, slope = 0.0;
        return;
      }
      const int b = After(at);
      if (ts[b * 2] > ts[at * 2] + flat)
      {
        t0 = ts[at * 2], s0 = ts[at * 2 + 1], t1 = ts[b * 2];
        slope = (ts[b * 2 + 1] - s0) / (t1 - t0);
        return;
      }
      at = b;
    }
  }
  double S(double t) const { return s0 + slope * (t - t0); }
};

// The shape's width and middle across at the times along it where a side has a point, the running integral
// of its width from its start, and the slopes of width and middle on to the next: t, w, m, I, dw, dm.
constexpr int kStride = 6;

// The width's running integral at x (within the shape's length), walking `k` on from the last interval
// asked; the middle there into *middle.
double IntegralAt(const double* b, int last, double x, int& k, double* middle = nullptr)
{
  while (k + 1 < last && b[(k + 1) * kStride] <= x)
    k++;
  const double* p = &b[k * kStride];
  const double h = x - p[0];
  if (middle) *middle = p[2] + p[5] * h;
  return p[3] + h * (p[1] + p[4] * h * 0.5);
}

// The outline's points along and across the way it lies (ux, uy), t, s pairs, into s.projected; the points
// least and furthest along into lo and hi.
void Project(VGthinScratch& s, const VGpoint* pts, int n, double ux, double uy, int& lo, int& hi)
{
  s.projected.resize((size_t)n * 2);
  double* ts = s.projected.data();
  for (int j = 0; j < n; j++)
  {
    const double x = pts[j].x, y = pts[j].y;
    ts[j * 2] = x * ux + y * uy, ts[j * 2 + 1] = y * ux - x * uy;
    if (ts[j * 2] < ts[lo * 2]) lo = j;
    if (ts[j * 2] > ts[hi * 2]) hi = j;
  }
}

// Width (scaled by widen) and middle wherever a side of the projected outline has a point, on the segments
// after it (at the far end, before it), into s.points; answers how many, or 0 where the shape is more than
// two fringes across somewhere.
int WidthsAtPoints(VGthinScratch& s, int n, int lo, int hi, double fringe, double widen)
{
  const double* ts = s.projected.data();
  const double t0 = ts[lo * 2], t1 = ts[hi * 2];
  s.points.resize((size_t)(n + 1) * kStride);
  double* b = s.points.data();
  int nb = 0;
  Side a{ts, n, lo, hi, 1, fringe * 1e-3}, c{ts, n, lo, hi, -1, fringe * 1e-3};
  a.Step(), c.Step();
  const double most = 2.0 * fringe * (1.0 + 1e-6);
  auto put = [&](double t)
  {
    const double sa = a.S(t), sc = c.S(t), w = std::fabs(sa - sc) * widen;
    double* p = &b[nb++ * kStride];
    p[0] = t, p[1] = w, p[2] = (sa + sc) * 0.5, p[3] = 0.0;
    return w <= most;
  };
  for (double t = t0;;)
  {
    if (!put(t)) return 0;
    // Points of the two sides a rounding apart along (a shape's mirrored points) make one time.
    const double next = std::min(a.t1, c.t1), near = next + fringe * 1e-3;
    if (near >= t1) break;
    if (a.t1 <= near) a.at = a.After(a.at), a.Step();
    if (c.t1 <= near) c.at = c.After(c.at), c.Step();
    t = next;
  }
  // The far end, on the segments that reach it.
  return put(t1) ? nb : 0;
}

// The width's slopes and running integral at the nb points of s.points, and which points bend it sharply
// (into s.sharp, with both ends) or gently (into s.gentle). The box-filtered width is the width's running
// mean over a fringe: straight between the times where a side has a point, half a fringe or more from each,
// and bending within half a fringe of one by an eighth of a fringe times the turn of the width's slope
// there. Where that is under a 256th of a fringe (a curve's sides turn little at a point) it is drawn
// straight through its value at the point; else, and at the ends, where the width jumps, it is drawn half a
// fringe either side.
void Bends(VGthinScratch& s, int nb, int& nsharp, int& ngentle)
{
  double* b = s.points.data();
  s.sharp.resize((size_t)nb);
  s.gentle.resize((size_t)nb);
  int* sharp = s.sharp.data();
  int* gentle = s.gentle.data();
  nsharp = 1, ngentle = 0;
  sharp[0] = 0;
  for (int k = 0; k + 1 < nb; k++)
  {
    double* p = &b[k * kStride];
    const double dt = p[kStride] - p[0];
    p[4] = (p[kStride + 1] - p[1]) / dt, p[5] = (p[kStride + 2] - p[2]) / dt;
    p[kStride + 3] = p[3] + dt * (p[1] + p[kStride + 1]) * 0.5;
    if (k > 0)
    {
      if (std::fabs(p[4] - p[4 - kStride]) > 1.0 / 32.0)
        sharp[nsharp++] = k;
      else
        gentle[ngentle++] = k;
    }
  }
  sharp[nsharp++] = nb - 1;
}

// Each column's time, box-filtered width and middle, into s.columns, from three streams of times, each
// rising: half a fringe before each sharp point, each gentle point, half a fringe after each sharp point.
// Answers how many; ink: the strip's between them, which is the box-filtered width's, drawn straight between
// columns.
int FilteredColumns(VGthinScratch& s, int nb, int nsharp, int ngentle, double t0, double t1, double fringe,
                    double spacing, double& ink)
{
  const double* b = s.points.data();
  const int* sharp = s.sharp.data();
  const int* gentle = s.gentle.data();
  const double half = fringe * 0.5;
  int heads[3] = {0, 0, 0};
  auto time = [&](int stream)
  {
    const int i = heads[stream];
    if (stream == 1) return i < ngentle ? b[gentle[i] * kStride] : INFINITY;
    return i < nsharp ? b[sharp[i] * kStride] + (stream == 0 ? -half : half) : INFINITY;
  };
  double times[3] = {time(0), time(1), time(2)};
  s.columns.resize((size_t)(nsharp * 2 + ngentle) * 3);
  double* cols = s.columns.data();
  int ncols = 0, ka = 0, kb = 0, km = 0;
  double last = -INFINITY;
  ink = 0.0;
  for (;;)
  {
    const int stream = times[0] <= times[1] && times[0] <= times[2] ? 0 : times[1] <= times[2] ? 1 : 2;
    const double at = times[stream];
    if (at == INFINITY) break;
    const int point = (stream == 1 ? gentle : sharp)[heads[stream]++];
    times[stream] = time(stream);
    // Columns a rounding apart (or `spacing` apart) are one. The last, of no width, always stands: the strip
    // fades out.
    if (at - last <= fringe * spacing && at < t1 + half) continue;
    // Half a fringe from a sharp point, the window over which the width is filtered ends at the point.
    double middle = b[point * kStride + 2];
    if (stream != 1) IntegralAt(b, nb - 1, std::clamp(at, t0, t1), km, &middle);
    const double from =
        stream == 2 ? b[point * kStride + 3] : IntegralAt(b, nb - 1, std::max(at - half, t0), ka);
    const double to =
        stream == 0 ? b[point * kStride + 3] : IntegralAt(b, nb - 1, std::min(at + half, t1), kb);
    const double width = (to - from) / fringe;
    if (ncols > 0) ink += (at - last) * (width + cols[ncols * 3 - 2]) * 0.5;
    double* col = &cols[ncols++ * 3];
    col[0] = at, col[1] = width, col[2] = middle;
    last = at;
  }
  return ncols;
}

// The columns cols[0, ncols) (time, width, middle; widths scaled by `scale`) as three strips one after
// another from dst, each joining the columns two by two: from each column's outer edge in, forwards; across
// its hold, backwards; out to its other outer edge, forwards. Every vertex of a column lies on one line, so
// the triangles where one strip turns into the next have no area, and each strip starts at an even place:
// its triangles face as the path turns (turning: 1 counter-clockwise, -1 clockwise).
void WriteStrip(const double* cols, int ncols, double ux, double uy, double fringe, double scale,
                double turning, VGvertex* dst)
{
  for (int column = 0; column < ncols; column++)
  {
    const double at = cols[column * 3], width = cols[column * 3 + 1] * scale, middle = cols[column * 3 + 2];
    const double outer = (fringe + width) * 0.5, inner = std::fabs(fringe - width) * 0.5;
    const float u = (float)(1.0 - std::min(width, fringe) / fringe * 0.5);
    // Across the way the shape lies, turning as the path does: from the middle, out and in either side.
    const double mx = at * ux - middle * uy, my = at * uy + middle * ux;
    const double ox = -uy * outer * turning, oy = ux * outer * turning, ix = -uy * inner * turning,
                 iy = ux * inner * turning;
    const VGvertex out0{(float)(mx - ox), (float)(my - oy), 1.0f, 1.0f},
        in0{(float)(mx - ix), (float)(my - iy), u, 1.0f}, in1{(float)(mx + ix), (float)(my + iy), u, 1.0f},
        out1{(float)(mx + ox), (float)(my + oy), 1.0f, 1.0f};
    VGvertex* ramp = dst + column * 2;
    VGvertex* hold = dst + ncols * 2 + (ncols - 1 - column) * 2;
    VGvertex* back = dst + ncols * 4 + column * 2;
    ramp[0] = in0, ramp[1] = out0, hold[0] = in0, hold[1] = in1, back[0] = out1, back[1] = in1;
  }
}
} // namespace

// A shape whose sides' main direction takes less of their length than this has none (a dot).
constexpr double kSharedDirection = 0.1;

double vgTwiceArea(const VGpoint* pts, int n)
{
  double area2 = 0.0;
  for (int j = 0; j < n; j++)
  {
    const VGpoint &a = pts[j], &b = pts[j + 1 == n ? 0 : j + 1];
    area2 += (double)a.x * b.y - (double)b.x * a.y;
  }
  return area2;
}

double vgThinLie(const VGpoint* pts, int n, double& ux, double& uy, bool grid)
{
  double cxx = 0.0, cxy = 0.0, cyy = 0.0;
  for (int j = 0; j < n; j++)
  {
    const VGpoint& a = pts[j];
    cxx += (double)a.len * a.dx * a.dx;
    cxy += (double)a.len * a.dx * a.dy;
    cyy += (double)a.len * a.dy * a.dy;
  }
  // Along the sides' main direction, the larger eigenvector's (half the angle of the doubled angles' sum);
  // a round shape's is along x.
  ux = 1.0, uy = 0.0;
  const double spread = std::sqrt((cxx - cyy) * (cxx - cyy) + 4.0 * cxy * cxy);
  if (!(spread > 0.0)) return 1.0;
  const double most = (cxx + cyy + spread) * 0.5, x = cxx >= cyy ? most - cyy : cxy,
               y = cxx >= cyy ? cxy : most - cxx, length = std::sqrt(x * x + y * y);
  if (length > 1e-9 * (cxx + cyy)) ux = x / length, uy = y / length;
  // On the pixel grid or its diagonal, whichever is nearer (along x where the sides share no direction, as
  // a round dot's): the box filter's phase-free lie (VGthinColumns.h).
  if (grid)
  {
    // The nearest of the eight: within 22.5 degrees of an axis (tan 22.5 = 0.4142), else a diagonal.
    const double ax = std::fabs(ux), ay = std::fabs(uy);
    if (spread < kSharedDirection * (cxx + cyy) || ay < ax * 0.41421356)
      ux = 1.0, uy = 0.0;
    else if (ax < ay * 0.41421356)
      ux = 0.0, uy = 1.0;
    else
      ux = std::copysign(std::sqrt(0.5), ux), uy = std::copysign(std::sqrt(0.5), uy);
    return std::fabs(ux) + std::fabs(uy);
  }
  return 1.0 + spread / (cxx + cyy) * (std::sqrt(1.0 + 2.0 * std::fabs(cxy) / spread) - 1.0);
}

int vgThinColumns(VGthinScratch& s, const VGpoint* pts, int n, double ux, double uy, double fringe,
                  double area, double area2, VGvertex* dst, double spacing)
{
  int lo = 0, hi = 0;
  Project(s, pts, n, ux, uy, lo, hi);
  const double t0 = s.projected[(size_t)lo * 2], t1 = s.projected[(size_t)hi * 2];
  if (!(t1 > t0) || area2 == 0.0) return 0;
  // The outline's own area falls short of `area` by what its chords cut off a curve (a stroke's round caps
  // among them): the widths put it back.
  const double widen = area / std::fabs(area2 * 0.5);
  const int nb = WidthsAtPoints(s, n, lo, hi, fringe, widen);
  if (nb == 0) return 0;
  int nsharp = 0, ngentle = 0;
  Bends(s, nb, nsharp, ngentle);
  double ink = 0.0;
  const int ncols = FilteredColumns(s, nb, nsharp, ngentle, t0, t1, fringe, spacing, ink);
  // Drawn straight, the box-filtered width falls short where it bends: all widths scaled to the area (by a
  // few hundredths; the bound keeps a degenerate outline's columns within reach).
  const double scale = ink > 0.0 ? std::clamp(area / ink, 0.5, 2.0) : 1.0;
  WriteStrip(s.columns.data(), ncols, ux, uy, fringe, scale, area2 > 0.0 ? 1.0 : -1.0, dst);
  return ncols * 6;
}
} // namespace iplugin::igraphics
