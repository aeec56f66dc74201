#include "graphics/vector/VGhalfPlanes.h"

#include <cmath>

namespace iplugin::igraphics
{
// The intersection of half-planes whose normals turn counter-clockwise through one revolution, each less
// than half a turn from the next, into xy (its corners, counter-clockwise, repeats dropped; empty when
// nothing is left, or when rounding left some plane's line cutting across it). Each plane is pushed and
// popped at most once; where each kept plane meets the next is worked out once (meet[k] for dq[k] and
// dq[k + 1]; NaN for parallel lines).
void vgIntersectPlanes(VGplanes h, int count, std::vector<int>& dq, std::vector<double>& meet,
                       std::vector<double>& xy)
{
  xy.clear();
  // Every entry is written before it is read; one more meeting point for the last plane and the first.
  dq.resize((size_t)count);
  meet.resize((size_t)count * 2 + 2);
  int head = 0, tail = 0;                                                                  // dq[head, tail)
  auto out = [&](int plane, int k) { return h.Out(plane, meet[k * 2], meet[k * 2 + 1]); }; // false for NaN
  auto join = [&](int k, int a, int b)
  {
    if (!h.Meet(a, b, meet[k * 2], meet[k * 2 + 1])) meet[k * 2] = meet[k * 2 + 1] = NAN;
  };
  for (int i = 0; i < count; i++)
  {
    while (tail - head > 1 && out(i, tail - 2))
      tail--;
    while (tail - head > 1 && out(i, head))
      head++;
    if (tail > head)
    {
      const double *a = h[i], *b = h[dq[tail - 1]];
      if (std::fabs(a[0] * b[1] - a[1] * b[0]) < 1e-12)
      {
        // Parallel: facing apart leaves nothing; facing alike, the one further in is kept.
        if (a[0] * b[0] + a[1] * b[1] < 0.0) return;
        if (a[2] <= b[2]) continue;
        tail--;
      }
    }
    dq[tail++] = i;
    if (tail - head > 1) join(tail - 2, dq[tail - 2], dq[tail - 1]);
  }
  while (tail - head > 2 && out(dq[head], tail - 2))
    tail--;
  while (tail - head > 2 && out(dq[tail - 1], head))
    head++;
  if (tail - head < 3) return;
  join(tail - 1, dq[tail - 1], dq[head]);
  for (int k = head; k < tail; k++)
    if (std::isnan(meet[k * 2])) return;
  // Every plane holds the corners: the one furthest out of it lies between the kept planes either side
  // of it in turning order (rounding of nearly parallel lines' meeting points aside).
  const double slack = h.eps * 1e6;
  for (int i = 0, k = tail - 1; i < count; i++)
  {
    if (i == dq[k == tail - 1 ? head : k + 1]) k = k == tail - 1 ? head : k + 1;
    if (h.Out(i, meet[k * 2], meet[k * 2 + 1], slack)) return;
  }
  for (int k = head; k < tail; k++)
  {
    const double x = meet[k * 2], y = meet[k * 2 + 1];
    const size_t n = xy.size();
    if (n >= 2 && std::fabs(xy[n - 2] - x) <= h.eps && std::fabs(xy[n - 1] - y) <= h.eps) continue;
    xy.push_back(x), xy.push_back(y);
  }
  while (xy.size() > 2 && std::fabs(xy[0] - xy[xy.size() - 2]) <= h.eps &&
         std::fabs(xy[1] - xy[xy.size() - 1]) <= h.eps)
    xy.resize(xy.size() - 2);
}

// Merges the half-planes `more` into `planes`, both turning counter-clockwise through one revolution, by
// the direction of their normals; out and keys are scratch.
void vgMergePlanes(std::vector<double>& planes, const std::vector<double>& more, std::vector<double>& out,
                   std::vector<double>& keys)
{
  const size_t n = planes.size() / 3, m = more.size() / 3;
  if (m == 0) return;
  if (n == 0)
  {
    planes.assign(more.begin(), more.end());
    return;
  }
  // A measure of direction that grows with the angle, in [0, 4), cheaper than the angle.
  auto turn = [](double x, double y)
  {
    const double r = y / (std::fabs(x) + std::fabs(y));
    return x >= 0.0 ? (y >= 0.0 ? r : 4.0 + r) : 2.0 - r;
  };
  const double a0 = turn(planes[0], planes[1]);
  auto key = [&turn, a0](const double* h)
  {
    const double a = turn(h[0], h[1]) - a0;
    return a < 0.0 ? a + 4.0 : a;
  };
  // `more` starts where its turn passes the first plane's direction; each key is worked out once.
  keys.resize(m);
  size_t start = 0;
  for (size_t k = 0; k < m; k++)
    if ((keys[k] = key(&more[k * 3])) < keys[start]) start = k;
  out.resize((n + m) * 3);
  double* w = out.data();
  size_t i = 0, k = 0, at = start;
  double ki = key(&planes[0]);
  while (i < n || k < m)
  {
    if (k == m || (i < n && ki <= keys[at]))
    {
      vgPushTriple(w, planes[i * 3], planes[i * 3 + 1], planes[i * 3 + 2]);
      if (++i < n) ki = key(&planes[i * 3]);
    }
    else
    {
      vgPushTriple(w, more[at * 3], more[at * 3 + 1], more[at * 3 + 2]);
      k++;
      if (++at == m) at = 0;
    }
  }
  planes.swap(out);
}
} // namespace iplugin::igraphics
