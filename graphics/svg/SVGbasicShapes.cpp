// The basic shape elements "rect", "circle", "ellipse", "line", "polyline" and "polygon".
#include "graphics/svg/SVGparser.h"

#include <cmath>
#include <cstring>

namespace iplugin::igraphics
{
namespace
{
constexpr float kKappa = 0.5522847771644592f; // circle constant of a quarter curve
constexpr float kOneMinusKappa = 0.44771522283554077f;

bool Is(const char* name, const char* expected)
{
  return std::strcmp(name, expected) == 0;
}

// Presentation attributes first; whatever they do not take is geometry.
template <typename Fn> void ForGeometry(SVGparser* p, const char** attr, Fn geometry)
{
  for (int i = 0; attr[i]; i += 2)
    if (!svgParseAttr(p, attr[i], attr[i + 1])) geometry(attr[i], attr[i + 1]);
}

// Positions and lengths with the view box as the reference of percentages.
float CoordX(const SVGparser* p, const char* v)
{
  return svgParseCoordinate(p, v, p->viewMinx, p->viewWidth);
}
float CoordY(const SVGparser* p, const char* v)
{
  return svgParseCoordinate(p, v, p->viewMiny, p->viewHeight);
}
float LengthX(const SVGparser* p, const char* v)
{
  return svgParseCoordinate(p, v, 0.0f, p->viewWidth);
}
float LengthY(const SVGparser* p, const char* v)
{
  return svgParseCoordinate(p, v, 0.0f, p->viewHeight);
}

bool ParseCentre(const SVGparser* p, const char* name, const char* value, float& cx, float& cy)
{
  if (Is(name, "cx"))
    cx = CoordX(p, value);
  else if (Is(name, "cy"))
    cy = CoordY(p, value);
  else
    return false;
  return true;
}

void BuildEllipse(SVGparser* p, float cx, float cy, float rx, float ry)
{
  svgResetPath(p);
  svgMoveTo(p, cx + rx, cy);
  svgCubicBezTo(p, cx + rx, cy + ry * kKappa, cx + rx * kKappa, cy + ry, cx, cy + ry);
  svgCubicBezTo(p, cx - rx * kKappa, cy + ry, cx - rx, cy + ry * kKappa, cx - rx, cy);
  svgCubicBezTo(p, cx - rx, cy - ry * kKappa, cx - rx * kKappa, cy - ry, cx, cy - ry);
  svgCubicBezTo(p, cx + rx * kKappa, cy - ry, cx + rx, cy - ry * kKappa, cx + rx, cy);
  svgAddPath(p, 1);
  svgAddShape(p);
}
// "points": numbers in pairs, separated as path data's are. The first thing the grammar does not allow
// ends the list, and a last number without its pair is dropped; the pairs before are drawn.
void AddPoints(SVGparser* p, const char* value)
{
  SVGnumberListReader in{value};
  in.SkipBlanks();
  float pair[2];
  int n = 0, npts = 0;
  while (in.ReadNumber(pair[n]))
  {
    if (++n == 2)
    {
      if (npts++ == 0)
        svgMoveTo(p, pair[0], pair[1]);
      else
        svgLineTo(p, pair[0], pair[1]);
      n = 0;
    }
    in.SkipCommaBlanks();
  }
}
} // namespace

void svgParseRect(SVGparser* p, const char** attr)
{
  float x = 0.0f, y = 0.0f, w = 0.0f, h = 0.0f, rx = -1.0f, ry = -1.0f;
  ForGeometry(p, attr,
              [&](const char* name, const char* value)
              {
                if (Is(name, "x"))
                  x = CoordX(p, value);
                else if (Is(name, "y"))
                  y = CoordY(p, value);
                else if (Is(name, "width"))
                  w = LengthX(p, value);
                else if (Is(name, "height"))
                  h = LengthY(p, value);
                else if (Is(name, "rx"))
                  rx = std::fabs(LengthX(p, value));
                else if (Is(name, "ry"))
                  ry = std::fabs(LengthY(p, value));
              });

  if (w == 0.0f || h == 0.0f) return;

  if (rx < 0.0f && ry > 0.0f) rx = ry;
  if (ry < 0.0f && rx > 0.0f) ry = rx;
  if (rx < 0.0f) rx = 0.0f;
  if (ry < 0.0f) ry = 0.0f;
  if (rx > w / 2.0f) rx = w / 2.0f;
  if (ry > h / 2.0f) ry = h / 2.0f;

  svgResetPath(p);
  if (rx < 0.00001f || ry < 0.0001f)
  {
    svgMoveTo(p, x, y);
    svgLineTo(p, x + w, y);
    svgLineTo(p, x + w, y + h);
    svgLineTo(p, x, y + h);
  }
  else
  {
    const float q = kOneMinusKappa;
    svgMoveTo(p, x + rx, y);
    svgLineTo(p, x + w - rx, y);
    svgCubicBezTo(p, x + w - rx * q, y, x + w, y + ry * q, x + w, y + ry);
    svgLineTo(p, x + w, y + h - ry);
    svgCubicBezTo(p, x + w, y + h - ry * q, x + w - rx * q, y + h, x + w - rx, y + h);
    svgLineTo(p, x + rx, y + h);
    svgCubicBezTo(p, x + rx * q, y + h, x, y + h - ry * q, x, y + h - ry);
    svgLineTo(p, x, y + ry);
    svgCubicBezTo(p, x, y + ry * q, x + rx * q, y, x + rx, y);
  }
  svgAddPath(p, 1);
  svgAddShape(p);
}

void svgParseCircle(SVGparser* p, const char** attr)
{
  float cx = 0.0f, cy = 0.0f, r = 0.0f;
  ForGeometry(p, attr,
              [&](const char* name, const char* value)
              {
                if (!ParseCentre(p, name, value, cx, cy) && Is(name, "r"))
                  r = std::fabs(svgParseCoordinate(p, value, 0.0f, svgActualLength(p)));
              });
  if (r > 0.0f) BuildEllipse(p, cx, cy, r, r);
}

void svgParseEllipse(SVGparser* p, const char** attr)
{
  float cx = 0.0f, cy = 0.0f, rx = 0.0f, ry = 0.0f;
  ForGeometry(p, attr,
              [&](const char* name, const char* value)
              {
                if (ParseCentre(p, name, value, cx, cy)) return;
                if (Is(name, "rx"))
                  rx = std::fabs(LengthX(p, value));
                else if (Is(name, "ry"))
                  ry = std::fabs(LengthY(p, value));
              });
  if (rx > 0.0f && ry > 0.0f) BuildEllipse(p, cx, cy, rx, ry);
}

void svgParseLine(SVGparser* p, const char** attr)
{
  float x1 = 0.0f, y1 = 0.0f, x2 = 0.0f, y2 = 0.0f;
  ForGeometry(p, attr,
              [&](const char* name, const char* value)
              {
                if (Is(name, "x1"))
                  x1 = CoordX(p, value);
                else if (Is(name, "y1"))
                  y1 = CoordY(p, value);
                else if (Is(name, "x2"))
                  x2 = CoordX(p, value);
                else if (Is(name, "y2"))
                  y2 = CoordY(p, value);
              });
  svgResetPath(p);
  svgMoveTo(p, x1, y1);
  svgLineTo(p, x2, y2);
  svgAddPath(p, 0);
  svgAddShape(p);
}

void svgParsePoly(SVGparser* p, const char** attr, bool closed)
{
  svgResetPath(p);
  ForGeometry(p, attr,
              [&](const char* name, const char* value)
              {
                if (Is(name, "points")) AddPoints(p, value);
              });
  svgAddPath(p, closed ? 1 : 0);
  svgAddShape(p);
}
} // namespace iplugin::igraphics
