// Flattened paths and the vertices handed to the renderer.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace iplugin::igraphics
{
// Position in view units; (u, v) are coverage coordinates of the tessellation, or texture
// coordinates for glyph quads.
struct VGvertex
{
  float x, y, u, v;
};

enum EVGcommand
{
  kVGMoveTo = 0,
  kVGLineTo = 1,
  kVGBezierTo = 2,
  kVGClose = 3,
  kVGWinding = 4
};

enum EVGpointFlags
{
  kVGPtCorner = 1,
  kVGPtLeft = 2,
  kVGPtBevel = 4,
  kVGPtInnerBevel = 8
};

// A point of a flattened path, in device space.
struct VGpoint
{
  float x, y;
  float dx, dy;   // unit direction to the next point
  float len;      // length of that segment
  float dmx, dmy; // extrusion vector; points into a solid shape
  uint8_t flags;
};

// Scales (x, y) to unit length unless it has next to none; answers the length it had.
inline float vgNormalize(float* x, float* y)
{
  const float d = std::sqrt((*x) * (*x) + (*y) * (*y));
  if (d > 1e-6f)
  {
    const float id = 1.0f / d;
    *x *= id;
    *y *= id;
  }
  return d;
}

// A fill's joins are mitred up to this limit.
constexpr float kVGFillMiterLimit = 2.4f;

// Sets p1's extrusion from the normals of the segment before it (p0's) and its own: their mean, scaled to
// reach the miter (at most 600 times, which very sharp turns would pass). Answers the mean's squared length.
inline float vgMiter(const VGpoint& p0, VGpoint& p1)
{
  p1.dmx = (p0.dy + p1.dy) * 0.5f;
  p1.dmy = (-p0.dx - p1.dx) * 0.5f;
  const float dmr2 = p1.dmx * p1.dmx + p1.dmy * p1.dmy;
  if (dmr2 > 0.000001f)
  {
    const float scale = std::min(1.0f / dmr2, 600.0f);
    p1.dmx *= scale;
    p1.dmy *= scale;
  }
  return dmr2;
}

// How many times a path of points winds around (x, y), counted as a solid's inside counts 1.
inline int vgWindingAround(const VGpoint* pts, int count, double x, double y)
{
  int winding = 0;
  for (int i = 0; i < count; i++)
  {
    const VGpoint &a = pts[i], &b = pts[(i + 1) % count];
    const double side = ((double)b.x - a.x) * (y - a.y) - (x - a.x) * ((double)b.y - a.y);
    if (a.y <= y && b.y > y && side > 0.0)
      winding--;
    else if (b.y <= y && a.y > y && side < 0.0)
      winding++;
  }
  return winding;
}

// How the renderer draws a fill, as the fill's way (VGfillWays.h) chose it.
enum EVGfillCall : uint8_t
{
  // Each fan marks the stencil by its winding, a cover quad paints where it is not 0, and the fringes
  // outside it; the general call.
  kVGFillStencil = 0,
  // Each fan marks 16 stencil samples a pixel and the cover weighs the samples covered (MVGsampledFill.cpp);
  // the fringes straddle the paths (VGrenderParams sampledFills).
  kVGFillSampledStencil = 1,
  // One convex fan and its fringe, which starts on it: no stencil.
  kVGFillConvex = 2,
  // One strip that covers each pixel once and no fan (a thin fill's columns or band): no stencil.
  kVGFillStrip = 3,
};

// Of a fill whose edges the samples turn (VGpath edgesBySamples): how far its fringe reaches either side of
// the edge, in fringes. The ramp still runs from half a fringe inside to half outside; the fringe reaches on
// to every pixel one of whose 16 samples (up to 0.66 pixel from its centre) lies across the edge, which
// would else take a 16th-quantised share from the samples where a convex fill's edge takes its ramp's 0 or 1.
constexpr float kVGSampledEdgeReach = 0.6875f;
// Of such a fill: which side of its edge the fill lies on where a fringe vertex pair stands, carried in the
// fringe's v (vgMarkFringeSides), so that a pixel one edge alone passes near takes the ramp, its complement,
// all or none of the pixel as the windings say, not as its 16 samples do. Between two pairs that differ
// (where paths cross) v runs between codes, and the samples decide.
enum EVGfringeSide : int
{
  kVGSideBySamples = 1, // v as every other fringe has it
  kVGSideInner = 2,
  kVGSideOuter = 3,
  kVGSideBoth = 4,
  kVGSideNeither = 5,
};

struct VGpath
{
  int first;
  int count;
  uint8_t closed;
  int nbevel;
  VGvertex* fill; // triangle fan when nfill >= 3
  int nfill;
  VGvertex* stroke; // triangle strip: fringe of a fill or body of a stroke
  int nstroke;
  int winding;
  int convex;
  uint8_t call; // how the renderer draws a fill's paths (EVGfillCall), alike for all of one fill
  // Of a sampled fill: its fringe may not have the fill on its inner side alone (paths cross, or one lies
  // in another wound alike: vgSampledFringeHolds), so the renderer's samples turn and hold each edge's ramp.
  int edgesBySamples;
  // Of a sampled fill whose edges hold (not edgesBySamples): no pixel lies in two of its fringe triangles
  // (vgFringeStripsApart), so none needs counting.
  int fringeApart;
  // The walk's record of the path as drawn, before points nearer than the distance tolerance were merged:
  // the signed area the merging took from it (the area as drawn is its points' and this), the last point
  // merged while its share is not yet counted, and whether a line, curve or close followed the move (a path
  // of one point so drawn is a dot).
  double lostArea;
  float mergedX, mergedY;
  uint8_t merged;
  uint8_t drawn;
};

// One per context; the arrays grow and are reused from path to path and frame to frame.
struct VGpathCache
{
  VGpoint* points;
  int npoints;
  int cpoints;
  VGpath* paths;
  int npaths;
  int cpaths;
  VGvertex* verts;
  int nverts;
  int cverts;
  float bounds[4]; // min x, min y, max x, max y
  int nwindings;   // winding commands met by the flattening: 0 when no sub-path was given one
};
} // namespace iplugin::igraphics
