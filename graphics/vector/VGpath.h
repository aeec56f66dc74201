// Flattened paths and the vertices handed to the renderer.
#pragma once

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
