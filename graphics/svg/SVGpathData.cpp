// The point buffer and the "d" attribute of "path": every command, arcs and quadratics included, becomes
// cubic segments.
#include "graphics/svg/SVGparser.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace iplugin::igraphics
{
namespace
{
constexpr float kPi = 3.1415927f;

void AddPoint(SVGparser* p, float x, float y)
{
  if (p->npts + 1 > p->cpts)
  {
    if (p->cpts > INT_MAX / 4) return;
    const int cpts = p->cpts ? p->cpts * 2 : 8;
    float* pts = (float*)std::realloc(p->pts, sizeof(float) * 2 * (size_t)cpts);
    if (!pts) return;
    p->pts = pts;
    p->cpts = cpts;
  }
  p->pts[p->npts * 2 + 0] = x;
  p->pts[p->npts * 2 + 1] = y;
  p->npts++;
}

float VecMag(float x, float y)
{
  return std::sqrt(x * x + y * y);
}

float VecRatio(float ux, float uy, float vx, float vy)
{
  return (ux * vx + uy * vy) / (VecMag(ux, uy) * VecMag(vx, vy));
}

float VecAngle(float ux, float uy, float vx, float vy)
{
  float r = VecRatio(ux, uy, vx, vy);
  if (r < -1.0f) r = -1.0f;
  if (r > 1.0f) r = 1.0f;
  return ((ux * vy < uy * vx) ? -1.0f : 1.0f) * std::acos(r);
}

void PathMoveTo(SVGparser* p, float* cpx, float* cpy, const float* args, bool rel)
{
  if (rel)
  {
    *cpx += args[0];
    *cpy += args[1];
  }
  else
  {
    *cpx = args[0];
    *cpy = args[1];
  }
  svgMoveTo(p, *cpx, *cpy);
}

void PathLineTo(SVGparser* p, float* cpx, float* cpy, const float* args, bool rel)
{
  if (rel)
  {
    *cpx += args[0];
    *cpy += args[1];
  }
  else
  {
    *cpx = args[0];
    *cpy = args[1];
  }
  svgLineTo(p, *cpx, *cpy);
}

void PathHLineTo(SVGparser* p, float* cpx, float* cpy, const float* args, bool rel)
{
  *cpx = rel ? *cpx + args[0] : args[0];
  svgLineTo(p, *cpx, *cpy);
}

void PathVLineTo(SVGparser* p, float* cpx, float* cpy, const float* args, bool rel)
{
  *cpy = rel ? *cpy + args[0] : args[0];
  svgLineTo(p, *cpx, *cpy);
}

void PathCubicBezTo(SVGparser* p, float* cpx, float* cpy, float* cpx2, float* cpy2, const float* args,
                    bool rel)
{
  const float ox = rel ? *cpx : 0.0f, oy = rel ? *cpy : 0.0f;
  const float x1 = args[0] + ox, y1 = args[1] + oy;
  const float x2 = args[2] + ox, y2 = args[3] + oy;
  const float x = args[4] + ox, y = args[5] + oy;
  svgCubicBezTo(p, x1, y1, x2, y2, x, y);
  *cpx2 = x2;
  *cpy2 = y2;
  *cpx = x;
  *cpy = y;
}

void PathCubicBezShortTo(SVGparser* p, float* cpx, float* cpy, float* cpx2, float* cpy2, const float* args,
                         bool rel)
{
  const float ox = rel ? *cpx : 0.0f, oy = rel ? *cpy : 0.0f;
  const float x2 = args[0] + ox, y2 = args[1] + oy;
  const float x = args[2] + ox, y = args[3] + oy;
  const float x1 = 2 * *cpx - *cpx2, y1 = 2 * *cpy - *cpy2;
  svgCubicBezTo(p, x1, y1, x2, y2, x, y);
  *cpx2 = x2;
  *cpy2 = y2;
  *cpx = x;
  *cpy = y;
}

void QuadTo(SVGparser* p, float* cpx, float* cpy, float* cpx2, float* cpy2, float qx, float qy, float x,
            float y)
{
  const float x0 = *cpx, y0 = *cpy;
  const float cx1 = x0 + 2.0f / 3.0f * (qx - x0), cy1 = y0 + 2.0f / 3.0f * (qy - y0);
  const float cx2 = x + 2.0f / 3.0f * (qx - x), cy2 = y + 2.0f / 3.0f * (qy - y);
  svgCubicBezTo(p, cx1, cy1, cx2, cy2, x, y);
  *cpx2 = qx;
  *cpy2 = qy;
  *cpx = x;
  *cpy = y;
}

void PathQuadBezTo(SVGparser* p, float* cpx, float* cpy, float* cpx2, float* cpy2, const float* args,
                   bool rel)
{
  const float ox = rel ? *cpx : 0.0f, oy = rel ? *cpy : 0.0f;
  QuadTo(p, cpx, cpy, cpx2, cpy2, args[0] + ox, args[1] + oy, args[2] + ox, args[3] + oy);
}

void PathQuadBezShortTo(SVGparser* p, float* cpx, float* cpy, float* cpx2, float* cpy2, const float* args,
                        bool rel)
{
  const float ox = rel ? *cpx : 0.0f, oy = rel ? *cpy : 0.0f;
  const float qx = 2 * *cpx - *cpx2, qy = 2 * *cpy - *cpy2;
  QuadTo(p, cpx, cpy, cpx2, cpy2, qx, qy, args[0] + ox, args[1] + oy);
}
} // namespace

void svgResetPath(SVGparser* p)
{
  p->npts = 0;
}

void svgMoveTo(SVGparser* p, float x, float y)
{
  if (p->npts > 0)
  {
    p->pts[(p->npts - 1) * 2 + 0] = x;
    p->pts[(p->npts - 1) * 2 + 1] = y;
  }
  else
  {
    AddPoint(p, x, y);
  }
}

void svgLineTo(SVGparser* p, float x, float y)
{
  if (p->npts > 0)
  {
    const float px = p->pts[(p->npts - 1) * 2 + 0];
    const float py = p->pts[(p->npts - 1) * 2 + 1];
    const float dx = x - px, dy = y - py;
    AddPoint(p, px + dx / 3.0f, py + dy / 3.0f);
    AddPoint(p, x - dx / 3.0f, y - dy / 3.0f);
    AddPoint(p, x, y);
  }
}

void svgCubicBezTo(SVGparser* p, float cpx1, float cpy1, float cpx2, float cpy2, float x, float y)
{
  AddPoint(p, cpx1, cpy1);
  AddPoint(p, cpx2, cpy2);
  AddPoint(p, x, y);
}

void svgPathArcTo(SVGparser* p, float* cpx, float* cpy, const float* args, bool rel)
{
  float rx = std::fabs(args[0]);
  float ry = std::fabs(args[1]);
  const float rotx = args[2] / 180.0f * kPi;
  const bool fa = std::fabs((double)args[3]) > 1e-6;
  const bool fs = std::fabs((double)args[4]) > 1e-6;
  const float x1 = *cpx, y1 = *cpy;
  const float x2 = rel ? *cpx + args[5] : args[5];
  const float y2 = rel ? *cpy + args[6] : args[6];

  float dx = x1 - x2, dy = y1 - y2;
  float d = std::sqrt(dx * dx + dy * dy);
  if (rx < 1e-6f || ry < 1e-6f || d < 1e-6f)
  {
    svgLineTo(p, x2, y2);
    *cpx = x2;
    *cpy = y2;
    return;
  }

  const float sinrx = std::sin(rotx), cosrx = std::cos(rotx);
  const float x1p = cosrx * dx / 2.0f + sinrx * dy / 2.0f;
  const float y1p = -sinrx * dx / 2.0f + cosrx * dy / 2.0f;
  d = (x1p * x1p) / (rx * rx) + (y1p * y1p) / (ry * ry);
  if (d > 1)
  {
    d = std::sqrt(d);
    rx *= d;
    ry *= d;
  }
  float s = 0.0f;
  float sa = (rx * rx) * (ry * ry) - (rx * rx) * (y1p * y1p) - (ry * ry) * (x1p * x1p);
  const float sb = (rx * rx) * (y1p * y1p) + (ry * ry) * (x1p * x1p);
  if (sa < 0.0f) sa = 0.0f;
  if (sb > 0.0f) s = std::sqrt(sa / sb);
  if (fa == fs) s = -s;
  const float cxp = s * rx * y1p / ry;
  const float cyp = s * -ry * x1p / rx;

  const float cx = (x1 + x2) / 2.0f + cosrx * cxp - sinrx * cyp;
  const float cy = (y1 + y2) / 2.0f + sinrx * cxp + cosrx * cyp;

  const float ux = (x1p - cxp) / rx, uy = (y1p - cyp) / ry;
  const float vx = (-x1p - cxp) / rx, vy = (-y1p - cyp) / ry;
  const float a1 = VecAngle(1.0f, 0.0f, ux, uy);
  float da = VecAngle(ux, uy, vx, vy);
  if (!fs && da > 0)
    da -= 2 * kPi;
  else if (fs && da < 0)
    da += 2 * kPi;

  // Overflowing or absurd parameters give no usable centre; the arc then falls back to a line.
  if (!std::isfinite(da) || da == 0.0f || !std::isfinite(a1) || !std::isfinite(cx) || !std::isfinite(cy))
  {
    svgLineTo(p, x2, y2);
    *cpx = x2;
    *cpy = y2;
    return;
  }

  const float t[6] = {cosrx, sinrx, -sinrx, cosrx, cx, cy};
  const int ndivs = (int)(std::fabs(da) / (kPi * 0.5f) + 1.0f);
  const float hda = (da / (float)ndivs) / 2.0f;
  float kappa = std::fabs(4.0f / 3.0f * (1.0f - std::cos(hda)) / std::sin(hda));
  if (da < 0.0f) kappa = -kappa;

  float px = 0, py = 0, ptanx = 0, ptany = 0;
  for (int i = 0; i <= ndivs; i++)
  {
    const float a = a1 + da * ((float)i / (float)ndivs);
    dx = std::cos(a);
    dy = std::sin(a);
    float x, y, tanx, tany;
    svgXformPoint(&x, &y, dx * rx, dy * ry, t);
    svgXformVec(&tanx, &tany, -dy * rx * kappa, dx * ry * kappa, t);
    if (i > 0) svgCubicBezTo(p, px + ptanx, py + ptany, x - tanx, y - tany, x, y);
    px = x;
    py = y;
    ptanx = tanx;
    ptany = tany;
  }
  *cpx = x2;
  *cpy = y2;
}

int svgPathArgCount(char cmd)
{
  switch (cmd)
  {
  case 'A':
  case 'a':
    return 7;
  case 'C':
  case 'c':
    return 6;
  case 'H':
  case 'h':
  case 'V':
  case 'v':
    return 1;
  case 'L':
  case 'l':
  case 'M':
  case 'm':
  case 'T':
  case 't':
    return 2;
  case 'Q':
  case 'q':
  case 'S':
  case 's':
    return 4;
  default:
    return 0;
  }
}

namespace
{
// Path data as SVG's grammar reads it: a command letter, then its arguments, separated by blanks and at
// most one comma where they need no separator at all ("M.5.5-1-1" is M 0.5 0.5 -1 -1); an arc's two flags
// are one character each ("a1 1 0 00-2 3" has flags 0 and 0). A command's arguments may repeat, a move's
// repeats being lines. The data must begin with a move, and the first thing the grammar does not allow
// ends it: what was drawn up to there stays.
struct PathDataReader : SVGnumberListReader
{
  bool ReadFlag(float& value)
  {
    if (*s != '0' && *s != '1') return false;
    value = float(*s++ - '0');
    return true;
  }

  // One set of the command's arguments; false, with nothing to draw, when the set is not whole.
  bool ReadArguments(char cmd, float* args, int count)
  {
    const bool arc = cmd == 'A' || cmd == 'a';
    for (int i = 0; i < count; i++)
    {
      if (i > 0) SkipCommaBlanks();
      if (!(arc && (i == 3 || i == 4) ? ReadFlag(args[i]) : ReadNumber(args[i]))) return false;
    }
    return true;
  }

  // After a set: whether another set of the same command follows. A comma must stand between two sets;
  // one before anything else ends the data.
  bool MoreArguments()
  {
    const char* at = s;
    const bool comma = SkipCommaBlanks();
    if (svgNumberEnd(s) != s) return true;
    s = comma ? "" : at;
    return false;
  }
};

struct PathCursor
{
  float x = 0, y = 0;   // the current point
  float x2 = 0, y2 = 0; // the control point that "S" and "T" reflect
};

void RunCommand(SVGparser* p, char cmd, const float* args, PathCursor& c)
{
  const bool rel = cmd >= 'a';
  switch (cmd)
  {
  case 'm':
  case 'M':
    PathMoveTo(p, &c.x, &c.y, args, rel);
    break;
  case 'l':
  case 'L':
    PathLineTo(p, &c.x, &c.y, args, rel);
    break;
  case 'H':
  case 'h':
    PathHLineTo(p, &c.x, &c.y, args, rel);
    break;
  case 'V':
  case 'v':
    PathVLineTo(p, &c.x, &c.y, args, rel);
    break;
  case 'C':
  case 'c':
    PathCubicBezTo(p, &c.x, &c.y, &c.x2, &c.y2, args, rel);
    return;
  case 'S':
  case 's':
    PathCubicBezShortTo(p, &c.x, &c.y, &c.x2, &c.y2, args, rel);
    return;
  case 'Q':
  case 'q':
    PathQuadBezTo(p, &c.x, &c.y, &c.x2, &c.y2, args, rel);
    return;
  case 'T':
  case 't':
    PathQuadBezShortTo(p, &c.x, &c.y, &c.x2, &c.y2, args, rel);
    return;
  case 'A':
  case 'a':
    svgPathArcTo(p, &c.x, &c.y, args, rel);
    break;
  default:
    return;
  }
  c.x2 = c.x;
  c.y2 = c.y;
}

void ParsePathData(SVGparser* p, const char* s)
{
  svgResetPath(p);
  PathDataReader in{s};
  PathCursor cursor;
  in.SkipBlanks();
  if (*in.s != 'M' && *in.s != 'm') return;
  while (*in.s)
  {
    const char letter = *in.s;
    const int count = svgPathArgCount(letter);
    if (letter == 'Z' || letter == 'z')
    {
      in.s++;
      if (p->npts > 0)
      {
        cursor.x = cursor.x2 = p->pts[0];
        cursor.y = cursor.y2 = p->pts[1];
        svgAddPath(p, 1);
      }
      svgResetPath(p);
      svgMoveTo(p, cursor.x, cursor.y);
      in.SkipBlanks();
      continue;
    }
    if (count == 0) break;
    in.s++;
    in.SkipBlanks();
    if (letter == 'M' || letter == 'm')
    {
      if (p->npts > 0) svgAddPath(p, 0);
      svgResetPath(p);
    }
    char cmd = letter;
    float args[7];
    do
    {
      if (!in.ReadArguments(cmd, args, count))
      {
        in.s = ""; // a set that is not whole ends the data
        break;
      }
      RunCommand(p, cmd, args, cursor);
      // Further pairs after a move are lines.
      if (cmd == 'M' || cmd == 'm') cmd = cmd == 'm' ? 'l' : 'L';
    } while (in.MoreArguments());
    in.SkipBlanks();
  }
  if (p->npts) svgAddPath(p, 0);
}
} // namespace

void svgParsePath(SVGparser* p, const char** attr)
{
  const char* s = nullptr;
  for (int i = 0; attr[i]; i += 2)
  {
    if (std::strcmp(attr[i], "d") == 0)
    {
      s = attr[i + 1];
    }
    else
    {
      const char* tmp[4] = {attr[i], attr[i + 1], nullptr, nullptr};
      svgParseAttribs(p, tmp);
    }
  }
  if (s) ParsePathData(p, s);
  svgAddShape(p);
}
} // namespace iplugin::igraphics
