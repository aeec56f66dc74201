// Turns the point buffer into placed paths with exact bounds, and the collected paths into a shape with the
// paints and stroke settings of the current attribute record.
#include "graphics/svg/SVGparser.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace iplugin::igraphics
{
namespace
{
constexpr double kEpsilon = 1e-12;

double EvalBezier(double t, double p0, double p1, double p2, double p3)
{
  const double it = 1.0 - t;
  return it * it * it * p0 + 3.0 * it * it * t * p1 + 3.0 * it * t * t * p2 + t * t * t * p3;
}

bool PointInBounds(const float* pt, const float* bounds)
{
  return pt[0] >= bounds[0] && pt[0] <= bounds[2] && pt[1] >= bounds[1] && pt[1] <= bounds[3];
}

void UnionBounds(float* bounds, const float* other)
{
  bounds[0] = std::fmin(bounds[0], other[0]);
  bounds[1] = std::fmin(bounds[1], other[1]);
  bounds[2] = std::fmax(bounds[2], other[2]);
  bounds[3] = std::fmax(bounds[3], other[3]);
}

float AverageScale(const float* t)
{
  const float sx = std::sqrt(t[0] * t[0] + t[2] * t[2]);
  const float sy = std::sqrt(t[1] * t[1] + t[3] * t[3]);
  return (sx + sy) * 0.5f;
}

// Fills a paint from the record's fill or stroke settings; localBounds are computed once, on demand.
void SetPaint(SVGparser* p, SVGpaint& paint, uint8_t has, uint32_t color, float opacity,
              const char* gradientId, const SVGshape* shape, float* localBounds, bool& haveLocalBounds)
{
  paint.type = SVG_PAINT_NONE;
  if (has == 1)
  {
    paint.type = SVG_PAINT_COLOR;
    paint.color = color | ((uint32_t)(int)(opacity * 255.0f) << 24);
  }
  else if (has == 2)
  {
    if (!haveLocalBounds)
    {
      float inv[6];
      svgXformInverse(inv, svgGetAttr(p)->xform);
      svgLocalBounds(localBounds, shape, inv);
      haveLocalBounds = true;
    }
    uint8_t type = SVG_PAINT_NONE;
    paint.gradient = svgCreateGradient(p, gradientId, localBounds, &type);
    if (paint.gradient) paint.type = type;
  }
}
} // namespace

void svgCurveBounds(float* bounds, const float* curve)
{
  const float* v0 = &curve[0];
  const float* v1 = &curve[2];
  const float* v2 = &curve[4];
  const float* v3 = &curve[6];

  bounds[0] = std::fmin(v0[0], v3[0]);
  bounds[1] = std::fmin(v0[1], v3[1]);
  bounds[2] = std::fmax(v0[0], v3[0]);
  bounds[3] = std::fmax(v0[1], v3[1]);

  if (PointInBounds(v1, bounds) && PointInBounds(v2, bounds)) return;

  for (int i = 0; i < 2; i++)
  {
    const double p0 = v0[i], p1 = v1[i], p2 = v2[i], p3 = v3[i];
    const double a = -3.0 * p0 + 9.0 * p1 - 9.0 * p2 + 3.0 * p3;
    const double b = 6.0 * p0 - 12.0 * p1 + 6.0 * p2;
    const double c = 3.0 * p1 - 3.0 * p0;
    double roots[2];
    int count = 0;
    if (std::fabs(a) < kEpsilon)
    {
      if (std::fabs(b) > kEpsilon) roots[count++] = -c / b;
    }
    else
    {
      const double b2ac = b * b - 4.0 * c * a;
      if (b2ac > kEpsilon)
      {
        roots[count++] = (-b + std::sqrt(b2ac)) / (2.0 * a);
        roots[count++] = (-b - std::sqrt(b2ac)) / (2.0 * a);
      }
    }
    for (int j = 0; j < count; j++)
    {
      if (roots[j] > kEpsilon && roots[j] < 1.0 - kEpsilon)
      {
        const double v = EvalBezier(roots[j], p0, p1, p2, p3);
        bounds[0 + i] = std::fmin(bounds[0 + i], (float)v);
        bounds[2 + i] = std::fmax(bounds[2 + i], (float)v);
      }
    }
  }
}

void svgLocalBounds(float* bounds, const SVGshape* shape, const float* xform)
{
  bool first = true;
  bounds[0] = bounds[1] = bounds[2] = bounds[3] = 0.0f;
  for (const SVGpath* path = shape->paths; path; path = path->next)
  {
    for (int i = 0; i + 3 < path->npts; i += 3)
    {
      float curve[8], curveBounds[4];
      for (int k = 0; k < 4; k++)
        svgXformPoint(&curve[k * 2], &curve[k * 2 + 1], path->pts[(i + k) * 2], path->pts[(i + k) * 2 + 1],
                      xform);
      svgCurveBounds(curveBounds, curve);
      if (first)
      {
        std::memcpy(bounds, curveBounds, sizeof(float) * 4);
        first = false;
      }
      else
      {
        UnionBounds(bounds, curveBounds);
      }
    }
  }
}

void svgAddPath(SVGparser* p, char closed)
{
  if (p->npts < 4) return;
  if (closed) svgLineTo(p, p->pts[0], p->pts[1]);
  // Every reader relies on a start point followed by whole segments; a point lost to a failed
  // allocation breaks that, and such a sub-path is dropped.
  if ((p->npts - 1) % 3 != 0) return;

  SVGpath* path = (SVGpath*)std::calloc(1, sizeof(SVGpath));
  if (!path) return;
  path->pts = (float*)std::malloc(sizeof(float) * 2 * (size_t)p->npts);
  if (!path->pts)
  {
    std::free(path);
    return;
  }
  path->closed = closed ? 1 : 0;
  path->npts = p->npts;

  const float* xform = svgGetAttr(p)->xform;
  for (int i = 0; i < p->npts; ++i)
    svgXformPoint(&path->pts[i * 2], &path->pts[i * 2 + 1], p->pts[i * 2], p->pts[i * 2 + 1], xform);

  for (int i = 0; i < path->npts - 1; i += 3)
  {
    float bounds[4];
    svgCurveBounds(bounds, &path->pts[i * 2]);
    if (i == 0)
      std::memcpy(path->bounds, bounds, sizeof(float) * 4);
    else
      UnionBounds(path->bounds, bounds);
  }

  path->next = p->plist;
  p->plist = path;
}

void svgAddShape(SVGparser* p)
{
  if (!p->plist) return;
  const SVGattrib* attr = svgGetAttr(p);

  SVGshape* shape = (SVGshape*)std::calloc(1, sizeof(SVGshape));
  if (!shape)
  {
    // The paths must not end up in the next element's shape.
    svgDeletePaths(p->plist);
    p->plist = nullptr;
    return;
  }

  std::memcpy(shape->id, attr->id, sizeof(shape->id));
  const float scale = AverageScale(attr->xform);
  shape->strokeWidth = attr->strokeWidth * scale;
  shape->strokeDashOffset = attr->strokeDashOffset * scale;
  shape->strokeDashCount = (int8_t)attr->strokeDashCount;
  for (int i = 0; i < attr->strokeDashCount; i++)
    shape->strokeDashArray[i] = attr->strokeDashArray[i] * scale;
  shape->strokeLineJoin = attr->strokeLineJoin;
  shape->strokeLineCap = attr->strokeLineCap;
  shape->miterLimit = attr->miterLimit;
  shape->fillRule = attr->fillRule;
  shape->opacity = attr->opacity;

  shape->paths = p->plist;
  p->plist = nullptr;

  std::memcpy(shape->bounds, shape->paths->bounds, sizeof(float) * 4);
  for (const SVGpath* path = shape->paths->next; path; path = path->next)
    UnionBounds(shape->bounds, path->bounds);

  float localBounds[4];
  bool haveLocalBounds = false;
  SetPaint(p, shape->fill, attr->hasFill, attr->fillColor, attr->fillOpacity, attr->fillGradient, shape,
           localBounds, haveLocalBounds);
  SetPaint(p, shape->stroke, attr->hasStroke, attr->strokeColor, attr->strokeOpacity, attr->strokeGradient,
           shape, localBounds, haveLocalBounds);

  shape->flags = attr->visible ? SVG_FLAGS_VISIBLE : 0;

  if (p->shapesTail)
    p->shapesTail->next = shape;
  else
    p->image->shapes = shape;
  p->shapesTail = shape;
}
} // namespace iplugin::igraphics
