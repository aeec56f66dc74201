#include "graphics/IGraphics.h"

#include <cmath>
#include <cstring>
#include <numbers>

namespace iplugin::igraphics
{
namespace
{
constexpr double kPi = std::numbers::pi;

bool Drawable(const IBitmap& bitmap)
{
  return bitmap.IsValid() && bitmap.W() > 0 && bitmap.H() > 0 && bitmap.GetDrawScale() > 0.f;
}

bool Drawable(const ISVG& svg)
{
  return svg.IsValid() && svg.W() > 0.f && svg.H() > 0.f;
}

// The colour's own alpha (fill, stroke or stop opacity) times the shape's opacity.
IColor ColorFromSVG(uint32_t abgr, float opacity)
{
  const float alpha = float((abgr >> 24) & 0xff) * std::clamp(opacity, 0.f, 1.f);
  return IColor(int(std::round(alpha)), int(abgr & 0xff), int((abgr >> 8) & 0xff), int((abgr >> 16) & 0xff));
}
} // namespace

// --- Stroked shapes ---------------------------------------------------------------------------------

void IGraphics::DrawPoint(const IColor& color, float x, float y, const IBlend* pBlend)
{
  FillRect(color, IRECT(x, y, x + 1.f, y + 1.f), pBlend);
}

void IGraphics::DrawLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* pBlend,
                         float thickness)
{
  PathClear();
  PathLine(x1, y1, x2, y2);
  PathStroke(color, thickness, IStrokeOptions(), pBlend);
}

void IGraphics::DrawDottedLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* pBlend,
                               float thickness, float dashLen)
{
  DrawLine(color, x1, y1, x2, y2, pBlend, thickness);
}

void IGraphics::DrawTriangle(const IColor& color, float x1, float y1, float x2, float y2, float x3, float y3,
                             const IBlend* pBlend, float thickness)
{
  PathClear();
  PathTriangle(x1, y1, x2, y2, x3, y3);
  PathStroke(color, thickness, IStrokeOptions(), pBlend);
}

void IGraphics::DrawRect(const IColor& color, const IRECT& bounds, const IBlend* pBlend, float thickness)
{
  PathClear();
  PathRect(bounds);
  PathStroke(color, thickness, IStrokeOptions(), pBlend);
}

void IGraphics::DrawDottedRect(const IColor& color, const IRECT& bounds, const IBlend* pBlend, float thickness,
                               float dashLen)
{
  DrawRect(color, bounds, pBlend, thickness);
}

void IGraphics::DrawRoundRect(const IColor& color, const IRECT& bounds, float cornerRadius, const IBlend* pBlend,
                              float thickness)
{
  PathClear();
  PathRoundRect(bounds, cornerRadius);
  PathStroke(color, thickness, IStrokeOptions(), pBlend);
}

void IGraphics::DrawRoundRectCorners(const IColor& color, const IRECT& bounds, float cRTL, float cRTR, float cRBR,
                                     float cRBL, const IBlend* pBlend, float thickness)
{
  PathClear();
  PathRoundRect(bounds, cRTL, cRTR, cRBR, cRBL);
  PathStroke(color, thickness, IStrokeOptions(), pBlend);
}

void IGraphics::DrawArc(const IColor& color, float cx, float cy, float r, float a1, float a2, const IBlend* pBlend,
                        float thickness)
{
  PathClear();
  PathArc(cx, cy, r, a1, a2);
  PathStroke(color, thickness, IStrokeOptions(), pBlend);
}

void IGraphics::DrawCircle(const IColor& color, float cx, float cy, float r, const IBlend* pBlend, float thickness)
{
  PathClear();
  PathCircle(cx, cy, r);
  PathStroke(color, thickness, IStrokeOptions(), pBlend);
}

void IGraphics::DrawEllipse(const IColor& color, const IRECT& bounds, const IBlend* pBlend, float thickness)
{
  PathClear();
  PathEllipse(bounds);
  PathStroke(color, thickness, IStrokeOptions(), pBlend);
}

void IGraphics::DrawRotatedEllipse(const IColor& color, float x, float y, float r1, float r2, float angle,
                                   const IBlend* pBlend, float thickness)
{
  PathClear();
  PathEllipse(x, y, r1, r2, angle);
  PathStroke(color, thickness, IStrokeOptions(), pBlend);
}

void IGraphics::DrawConvexPolygon(const IColor& color, float* x, float* y, int nPoints, const IBlend* pBlend,
                                  float thickness)
{
  PathClear();
  PathConvexPolygon(x, y, nPoints);
  PathStroke(color, thickness, IStrokeOptions(), pBlend);
}

// --- Filled shapes --------------------------------------------------------------------------------

void IGraphics::FillTriangle(const IColor& color, float x1, float y1, float x2, float y2, float x3, float y3,
                             const IBlend* pBlend)
{
  PathClear();
  PathTriangle(x1, y1, x2, y2, x3, y3);
  PathFill(color, IFillOptions(), pBlend);
}

void IGraphics::FillRect(const IColor& color, const IRECT& bounds, const IBlend* pBlend)
{
  FillRectWithPattern(color, bounds, pBlend);
}

void IGraphics::FillRectWithPattern(const IPattern& pattern, const IRECT& bounds, const IBlend* pBlend)
{
  PathClear();
  PathRect(bounds);
  PathFill(pattern, IFillOptions(), pBlend);
}

void IGraphics::FillRoundRect(const IColor& color, const IRECT& bounds, float cornerRadius, const IBlend* pBlend)
{
  PathClear();
  PathRoundRect(bounds, cornerRadius);
  PathFill(color, IFillOptions(), pBlend);
}

void IGraphics::FillRoundRectCorners(const IColor& color, const IRECT& bounds, float cRTL, float cRTR, float cRBR,
                                     float cRBL, const IBlend* pBlend)
{
  PathClear();
  PathRoundRect(bounds, cRTL, cRTR, cRBR, cRBL);
  PathFill(color, IFillOptions(), pBlend);
}

void IGraphics::FillCircle(const IColor& color, float cx, float cy, float r, const IBlend* pBlend)
{
  PathClear();
  PathCircle(cx, cy, r);
  PathFill(color, IFillOptions(), pBlend);
}

void IGraphics::FillEllipse(const IColor& color, const IRECT& bounds, const IBlend* pBlend)
{
  PathClear();
  PathEllipse(bounds);
  PathFill(color, IFillOptions(), pBlend);
}

void IGraphics::FillRotatedEllipse(const IColor& color, float x, float y, float r1, float r2, float angle,
                                   const IBlend* pBlend)
{
  PathClear();
  PathEllipse(x, y, r1, r2, angle);
  PathFill(color, IFillOptions(), pBlend);
}

void IGraphics::FillArc(const IColor& color, float cx, float cy, float r, float a1, float a2, const IBlend* pBlend)
{
  PathClear();
  PathMoveTo(cx, cy);
  PathArc(cx, cy, r, a1, a2);
  PathClose();
  PathFill(color, IFillOptions(), pBlend);
}

void IGraphics::FillConvexPolygon(const IColor& color, float* x, float* y, int nPoints, const IBlend* pBlend)
{
  PathClear();
  PathConvexPolygon(x, y, nPoints);
  PathFill(color, IFillOptions(), pBlend);
}

// --- Path builders ------------------------------------------------------------------------------------

void IGraphics::PathRect(const IRECT& bounds)
{
  PathMoveTo(bounds.L, bounds.T);
  PathLineTo(bounds.R, bounds.T);
  PathLineTo(bounds.R, bounds.B);
  PathLineTo(bounds.L, bounds.B);
  PathClose();
}

void IGraphics::PathRoundRect(const IRECT& bounds, float ctl, float ctr, float cbr, float cbl)
{
  if (!(ctl > 0.f) && !(ctr > 0.f) && !(cbl > 0.f) && !(cbr > 0.f))
  {
    PathRect(bounds);
    return;
  }
  PathMoveTo(bounds.L, bounds.T + ctl);
  PathArc(bounds.L + ctl, bounds.T + ctl, ctl, 270.f, 360.f);
  PathArc(bounds.R - ctr, bounds.T + ctr, ctr, 0.f, 90.f);
  PathArc(bounds.R - cbr, bounds.B - cbr, cbr, 90.f, 180.f);
  PathArc(bounds.L + cbl, bounds.B - cbl, cbl, 180.f, 270.f);
  PathClose();
}

void IGraphics::PathRoundRect(const IRECT& bounds, float cornerRadius)
{
  PathRoundRect(bounds, cornerRadius, cornerRadius, cornerRadius, cornerRadius);
}

void IGraphics::PathTriangle(float x1, float y1, float x2, float y2, float x3, float y3)
{
  PathMoveTo(x1, y1);
  PathLineTo(x2, y2);
  PathLineTo(x3, y3);
  PathClose();
}

void IGraphics::PathConvexPolygon(float* x, float* y, int nPoints)
{
  if (!x || !y || nPoints < 1) return;
  PathMoveTo(x[0], y[0]);
  for (int i = 1; i < nPoints; ++i)
    PathLineTo(x[i], y[i]);
  PathClose();
}

void IGraphics::PathCircle(float cx, float cy, float r)
{
  PathMoveTo(cx, cy - r);
  PathArc(cx, cy, r, 0.f, 360.f);
  PathClose();
}

void IGraphics::PathEllipse(const IRECT& bounds)
{
  PathEllipse(bounds.MW(), bounds.MH(), bounds.W() / 2.f, bounds.H() / 2.f);
}

void IGraphics::PathEllipse(float x, float y, float r1, float r2, float angle)
{
  // Points are transformed as they are added, so the shape survives the restore.
  PathTransformSave();
  PathTransformTranslate(x, y);
  PathTransformRotate(angle);
  PathTransformScale(r1, r2);
  PathMoveTo(0.f, -1.f);
  PathArc(0.f, 0.f, 1.f, 0.f, 360.f);
  PathClose();
  PathTransformRestore();
}

void IGraphics::PathRadialLine(float cx, float cy, float angle, float rMin, float rMax)
{
  const double a = (angle - 90.0) / 180.0 * kPi;
  const float c = float(std::cos(a)), s = float(std::sin(a));
  PathMoveTo(cx + rMin * c, cy + rMin * s);
  PathLineTo(cx + rMax * c, cy + rMax * s);
}

// --- Lines in rectangles, grid, data -------------------------------------------------------------

void IGraphics::DrawVerticalLine(const IColor& color, const IRECT& bounds, float x, const IBlend* pBlend,
                                 float thickness)
{
  x = std::clamp(x, 0.f, 1.f);
  const float xi = bounds.L + float(int(bounds.W() * x));
  DrawLine(color, xi, bounds.T, xi, bounds.B, pBlend, thickness);
}

void IGraphics::DrawHorizontalLine(const IColor& color, const IRECT& bounds, float y, const IBlend* pBlend,
                                   float thickness)
{
  y = std::clamp(y, 0.f, 1.f);
  const float yi = bounds.B - bounds.H() * y;
  DrawLine(color, bounds.L, yi, bounds.R, yi, pBlend, thickness);
}

void IGraphics::DrawVerticalLine(const IColor& color, float xi, float yLo, float yHi, const IBlend* pBlend,
                                 float thickness)
{
  DrawLine(color, xi, yLo, xi, yHi, pBlend, thickness);
}

void IGraphics::DrawHorizontalLine(const IColor& color, float yi, float xLo, float xHi, const IBlend* pBlend,
                                   float thickness)
{
  DrawLine(color, xLo, yi, xHi, yi, pBlend, thickness);
}

void IGraphics::DrawRadialLine(const IColor& color, float cx, float cy, float angle, float rMin, float rMax,
                               const IBlend* pBlend, float thickness)
{
  const double a = (angle - 90.0) / 180.0 * kPi;
  const float c = float(std::cos(a)), s = float(std::sin(a));
  DrawLine(color, cx + rMin * c, cy + rMin * s, cx + rMax * c, cy + rMax * s, pBlend, thickness);
}

void IGraphics::DrawGrid(const IColor& color, const IRECT& bounds, float gridSizeH, float gridSizeV,
                         const IBlend* pBlend, float thickness)
{
  PathClear();
  if (gridSizeH > 1.f)
    for (float x = bounds.L + gridSizeH; x < bounds.R; x += gridSizeH)
      PathLine(x, bounds.T, x, bounds.B);
  if (gridSizeV > 1.f)
    for (float y = bounds.T + gridSizeV; y < bounds.B; y += gridSizeV)
      PathLine(bounds.L, y, bounds.R, y);
  PathStroke(color, thickness, IStrokeOptions(), pBlend);
}

void IGraphics::DrawData(const IColor& color, const IRECT& bounds, float* normYPoints, int nPoints,
                         float* normXPoints, const IBlend* pBlend, float thickness)
{
  if (!normYPoints || nPoints < 1) return;
  PathClear();
  const float step = nPoints > 1 ? bounds.W() / float(nPoints - 1) : 0.f;
  for (int i = 0; i < nPoints; ++i)
  {
    const float x = i == 0 ? bounds.L : (normXPoints ? bounds.L + bounds.W() * normXPoints[i] : bounds.L + i * step);
    const float y = bounds.B - bounds.H() * normYPoints[i];
    if (i == 0)
      PathMoveTo(x, y);
    else
      PathLineTo(x, y);
  }
  PathStroke(color, thickness, IStrokeOptions(), pBlend);
}

// --- Text ---------------------------------------------------------------------------------------------

void IGraphics::DrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* pBlend)
{
  if (str && *str) DoDrawText(text, str, bounds, pBlend);
}

void IGraphics::DrawTextAtPoint(const IText& text, const char* str, float x, float y, const IBlend* pBlend)
{
  if (str && *str) DoDrawText(text, str, IRECT(x, y, x, y), pBlend);
}

float IGraphics::MeasureText(const IText& text, const char* str, IRECT& bounds) const
{
  if (!str || !*str) return 0.f;
  return DoMeasureText(text, str, bounds);
}

// --- Bitmaps --------------------------------------------------------------------------------------------

void IGraphics::DrawBitmapFrame(const IBitmap& bitmap, const IRECT& bounds, int frame, const IBlend* pBlend)
{
  if (!Drawable(bitmap)) return;
  frame = std::clamp(frame, 1, bitmap.N());
  int srcX = 0, srcY = 0;
  if (bitmap.N() > 1 && frame > 1)
  {
    if (bitmap.GetFramesAreHorizontal())
      srcX = (frame - 1) * bitmap.W() / bitmap.N();
    else
      srcY = (frame - 1) * bitmap.H() / bitmap.N();
  }
  DrawBitmap(bitmap, bounds, srcX, srcY, pBlend);
}

void IGraphics::DrawBitmapedText(const IBitmap& bitmap, const IRECT& bounds, IText& text, IBlend* pBlend,
                                 const char* str, bool vCenter, bool multiline, int charWidth, int charHeight,
                                 int charOffset)
{
  if (!str || !*str || !Drawable(bitmap) || charWidth <= 0) return;
  const int n = int(std::strlen(str));
  const float w = float(charWidth), h = float(charHeight);

  const float top = vCenter ? bounds.T + (bounds.H() - h) * 0.5f : bounds.T;
  float startX = 0.f;
  switch (text.mAlign)
  {
    case kAlignNear: startX = bounds.L; break;
    case kAlignCenter: startX = bounds.L + (bounds.W() - float(n) * w) * 0.5f; break;
    case kAlignFar: startX = bounds.R - float(n) * w; break;
    default: startX = 0.f; break;
  }

  int perLine = n;
  int lines = 1;
  if (!multiline)
    perLine = int(bounds.W() / w);
  else if (float(n) * w > bounds.W())
  {
    perLine = int(bounds.W() / w);
    // Every character gets a line: a part-filled last line counts.
    lines = perLine > 0 ? (n + perLine - 1) / perLine : 0;
  }
  if (perLine < 1) return;

  const char* p = str;
  for (int line = 0; line < lines && *p; ++line)
  {
    for (int col = 0; col < perLine && p[col]; ++col)
    {
      const float x = startX + float(col) * float(charWidth + charOffset);
      const float y = top + float(line) * h;
      const int code = static_cast<signed char>(p[col]);
      const int frame = std::min(std::max(code, 32) - 31, bitmap.N());
      DrawBitmapFrame(bitmap, IRECT(x, y, x + w, y + h), frame, pBlend);
    }
    for (int col = 0; col < perLine && *p; ++col)
      ++p;
  }
}

void IGraphics::DrawFittedBitmap(const IBitmap& bitmap, const IRECT& bounds, const IBlend* pBlend)
{
  if (!Drawable(bitmap)) return;
  const float w = float(bitmap.W()) / bitmap.GetDrawScale();
  const float h = float(bitmap.H()) / bitmap.GetDrawScale();
  PathTransformSave();
  PathTransformTranslate(bounds.L, bounds.T);
  const IRECT r(0.f, 0.f, w, h);
  PathTransformScale(bounds.W() / w, bounds.H() / h);
  DrawBitmap(bitmap, r, 0, 0, pBlend);
  PathTransformRestore();
}

void IGraphics::DrawRotatedBitmap(const IBitmap& bitmap, float destCentreX, float destCentreY, double angle,
                                  const IBlend* pBlend)
{
  if (!Drawable(bitmap)) return;
  const float w = float(bitmap.W()) / bitmap.GetDrawScale();
  const float h = float(bitmap.H()) / bitmap.GetDrawScale();
  PathTransformSave();
  PathTransformTranslate(destCentreX, destCentreY);
  PathTransformRotate(float(angle));
  DrawBitmap(bitmap, IRECT(-w / 2.f, -h / 2.f, w / 2.f, h / 2.f), 0, 0, pBlend);
  PathTransformRestore();
}

// --- SVG ----------------------------------------------------------------------------------------------

void IGraphics::DrawSVG(const ISVG& svg, const IRECT& bounds, const IBlend* pBlend)
{
  if (!Drawable(svg)) return;
  const float s = std::min(bounds.W() / svg.W(), bounds.H() / svg.H());
  PathTransformSave();
  PathTransformTranslate(bounds.L, bounds.T);
  PathTransformScale(s);
  DrawSVGShapes(svg.mImage, pBlend);
  PathTransformRestore();
}

void IGraphics::DrawRotatedSVG(const ISVG& svg, float destCentreX, float destCentreY, float width, float height,
                               double angle, const IBlend* pBlend)
{
  if (!Drawable(svg)) return;
  PathTransformSave();
  PathTransformTranslate(destCentreX, destCentreY);
  PathTransformRotate(float(angle));
  DrawSVG(svg, IRECT(-width / 2.f, -height / 2.f, width / 2.f, height / 2.f), pBlend);
  PathTransformRestore();
}

void IGraphics::DrawSVGShapes(const SVGimage* pImage, const IBlend* pBlend)
{
  for (const SVGshape* pShape = pImage->shapes; pShape; pShape = pShape->next)
  {
    if (!(pShape->flags & SVG_FLAGS_VISIBLE)) continue;
    const bool fill = pShape->fill.type != SVG_PAINT_NONE;
    const bool stroke = pShape->stroke.type != SVG_PAINT_NONE;

    PathClear();
    for (const SVGpath* pPath = pShape->paths; pPath; pPath = pPath->next)
    {
      if (!pPath->pts || pPath->npts < 1) continue;
      const float* p = pPath->pts;
      PathMoveTo(p[0], p[1]);
      // Only whole cubic segments: a trailing partial one would read past the points.
      for (int i = 1; i + 2 < pPath->npts; i += 3)
      {
        const float* c = p + i * 2;
        PathCubicBezierTo(c[0], c[1], c[2], c[3], c[4], c[5]);
      }
      if (pPath->closed) PathClose();
    }

    if (fill)
    {
      IFillOptions options;
      options.mFillRule = pShape->fillRule == SVG_FILLRULE_EVENODD ? kFillEvenOdd : kFillWinding;
      options.mKeepDirections = true;
      options.mPreserve = stroke;
      PathFill(PatternFromSVGPaint(pShape->fill, pShape->opacity), options, pBlend);
    }
    if (stroke)
    {
      IStrokeOptions options;
      options.mMiterLimit = pShape->miterLimit;
      if (pShape->strokeLineCap <= 2) options.mCapOption = pShape->strokeLineCap;
      if (pShape->strokeLineJoin <= 2) options.mJoinOption = pShape->strokeLineJoin;
      options.mDash.SetDash(pShape->strokeDashArray, pShape->strokeDashOffset, pShape->strokeDashCount);
      PathStroke(PatternFromSVGPaint(pShape->stroke, pShape->opacity), pShape->strokeWidth, options, pBlend);
    }
  }
}

IPattern IGraphics::PatternFromSVGPaint(const SVGpaint& paint, float opacity)
{
  const int alpha = std::clamp(int(std::round(opacity * 255.f)), 0, 255);
  if (paint.type == SVG_PAINT_COLOR) return IPattern(ColorFromSVG(paint.color, opacity));
  if ((paint.type == SVG_PAINT_LINEAR_GRADIENT || paint.type == SVG_PAINT_RADIAL_GRADIENT) && paint.gradient)
  {
    const SVGgradient& g = *paint.gradient;
    IPattern pattern(paint.type == SVG_PAINT_LINEAR_GRADIENT ? kLinearPattern : kRadialPattern);
    pattern.mExtend = g.spread <= 2 ? g.spread + 1 : 1;
    for (int i = 0; i < g.nstops && pattern.AddStop(ColorFromSVG(g.stops[i].color, opacity), g.stops[i].offset); ++i)
    {
    }
    pattern.mTransform = IMatrix(g.xform[0], g.xform[1], g.xform[2], g.xform[3], g.xform[4], g.xform[5]);
    return pattern;
  }
  return IPattern(IColor(alpha, 0, 0, 0));
}
} // namespace iplugin::igraphics
