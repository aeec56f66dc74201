// Half-planes n . q >= c as nx, ny, c triples in a flat buffer, and the intersection of half-planes whose
// normals turn through one revolution: the thin fill's inner outline.
#pragma once

#include <cmath>
#include <vector>

namespace iplugin::igraphics
{
// Writes a triple at w and moves w on: the buffers are sized once for the most a pass can write, then cut
// to what it wrote.
inline void vgPushTriple(double*& w, double a, double b, double c)
{
  w[0] = a, w[1] = b, w[2] = c;
  w += 3;
}

// A half-plane whose normal is made of unit length (none for a normal of no length).
inline void vgAddPlane(double*& planes, double nx, double ny, double c)
{
  const double len = std::sqrt(nx * nx + ny * ny);
  if (len > 0.0)
  {
    const double inv = 1.0 / len;
    vgPushTriple(planes, nx * inv, ny * inv, c * inv);
  }
}

// A half-plane whose normal is a segment's unit direction turned (none for a segment of no length).
inline void vgAddUnitPlane(double*& planes, double nx, double ny, double c)
{
  if (nx != 0.0 || ny != 0.0) vgPushTriple(planes, nx, ny, c);
}

// Half-planes n . q >= c, n of unit length, as nx, ny, c triples.
struct VGplanes
{
  const double* p;
  double eps;
  const double* operator[](int i) const { return p + (size_t)i * 3; }
  bool Out(int h, double x, double y, double slack) const
  {
    return p[h * 3] * x + p[h * 3 + 1] * y < p[h * 3 + 2] - slack;
  }
  bool Out(int h, double x, double y) const { return Out(h, x, y, eps); }
  // Where the lines of a and b meet; false when they are parallel.
  bool Meet(int a, int b, double& x, double& y) const
  {
    const double *A = (*this)[a], *B = (*this)[b];
    const double det = A[0] * B[1] - A[1] * B[0];
    if (det == 0.0) return false;
    const double inv = 1.0 / det;
    x = (A[2] * B[1] - B[2] * A[1]) * inv;
    y = (A[0] * B[2] - B[0] * A[2]) * inv;
    return true;
  }
};

// The intersection of half-planes whose normals turn counter-clockwise through one revolution, each less
// than half a turn from the next, into xy (its corners, counter-clockwise, repeats dropped; empty when
// nothing is left, or when rounding left some plane's line cutting across it). Each plane is pushed and
// popped at most once; where each kept plane meets the next is worked out once (meet[k] for dq[k] and
// dq[k + 1]; NaN for parallel lines).
void vgIntersectPlanes(VGplanes h, int count, std::vector<int>& dq, std::vector<double>& meet,
                       std::vector<double>& xy);

// Merges the half-planes `more` into `planes`, both turning counter-clockwise through one revolution, by
// the direction of their normals; out and keys are scratch.
void vgMergePlanes(std::vector<double>& planes, const std::vector<double>& more, std::vector<double>& out,
                   std::vector<double>& keys);
} // namespace iplugin::igraphics
