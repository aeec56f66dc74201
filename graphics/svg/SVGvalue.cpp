// Numbers and numbers with units of SVG attribute values.
#include "graphics/svg/SVGparser.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace iplugin::igraphics
{
bool svgIsSpace(char c)
{
  return c == 0 || c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool svgIsDigit(char c)
{
  return c >= '0' && c <= '9';
}

namespace
{
// Whether an exponent starts at s: an "e" and its digits, with or without a sign between them.
bool ExponentFollows(const char* s)
{
  if (*s != 'e' && *s != 'E') return false;
  const char* d = s[1] == '-' || s[1] == '+' ? s + 2 : s + 1;
  return svgIsDigit(*d);
}
} // namespace

const char* svgParseNumber(const char* s, char* it, int size)
{
  const int last = size - 1;
  int i = 0;
  auto take = [&]()
  {
    if (i < last) it[i++] = *s;
    s++;
  };
  if (*s == '-' || *s == '+') take();
  while (svgIsDigit(*s))
    take();
  if (*s == '.')
  {
    take();
    while (svgIsDigit(*s))
      take();
  }
  // An exponent is one only with its digits, so that "em", "ex" and a bare "e" stay behind.
  if (ExponentFollows(s))
  {
    take();
    if (*s == '-' || *s == '+') take();
    while (svgIsDigit(*s))
      take();
  }
  it[i] = 0;
  return s;
}

const char* svgNumberEnd(const char* s)
{
  const char* c = s;
  if (*c == '-' || *c == '+') c++;
  bool digits = false;
  for (; svgIsDigit(*c); c++)
    digits = true;
  if (*c == '.' && (digits || svgIsDigit(c[1])))
    for (c++; svgIsDigit(*c); c++)
      digits = true;
  if (!digits) return s;
  if (ExponentFollows(c))
    for (c += c[1] == '-' || c[1] == '+' ? 2 : 1; svgIsDigit(*c); c++)
    {
    }
  return c;
}

void SVGnumberListReader::SkipBlanks()
{
  while (*s == ' ' || *s == '\t' || *s == '\n' || *s == '\r')
    s++;
}

bool SVGnumberListReader::SkipCommaBlanks()
{
  SkipBlanks();
  if (*s != ',') return false;
  s++;
  SkipBlanks();
  return true;
}

bool SVGnumberListReader::ReadNumber(float& value)
{
  const char* end = svgNumberEnd(s);
  if (end == s) return false;
  value = (float)svgAtof(s);
  s = end;
  return true;
}

double svgAtof(const char* s)
{
  const char* cur = s;
  double sign = 1.0;
  if (*cur == '-')
  {
    sign = -1.0;
    cur++;
  }
  else if (*cur == '+')
  {
    cur++;
  }

  // Digits are accumulated in double precision so that long numbers neither overflow nor lose their
  // fraction; only the first 18 fraction digits can matter to a float.
  double res = 0.0;
  bool hasIntPart = false, hasFracPart = false;
  while (svgIsDigit(*cur))
  {
    res = res * 10.0 + (*cur - '0');
    cur++;
    hasIntPart = true;
  }
  if (*cur == '.' && (hasIntPart || svgIsDigit(cur[1])))
  {
    cur++;
    double frac = 0.0, scale = 1.0;
    int count = 0;
    while (svgIsDigit(*cur))
    {
      if (count < 18)
      {
        frac = frac * 10.0 + (*cur - '0');
        scale *= 10.0;
        count++;
      }
      cur++;
      hasFracPart = true;
    }
    res += frac / scale;
  }
  if (!hasIntPart && !hasFracPart) return 0.0;

  if (ExponentFollows(cur))
  {
    char* end = nullptr;
    long expPart = std::strtol(cur + 1, &end, 10);
    if (res != 0.0)
    {
      if (expPart > 400) expPart = 400;
      if (expPart < -400) expPart = -400;
      res *= std::pow(10.0, (double)expPart);
    }
  }
  return res * sign;
}

static int svgParseUnits(const char* units)
{
  if (units[0] == 'p' && units[1] == 'x') return SVG_UNITS_PX;
  if (units[0] == 'p' && units[1] == 't') return SVG_UNITS_PT;
  if (units[0] == 'p' && units[1] == 'c') return SVG_UNITS_PC;
  if (units[0] == 'm' && units[1] == 'm') return SVG_UNITS_MM;
  if (units[0] == 'c' && units[1] == 'm') return SVG_UNITS_CM;
  if (units[0] == 'i' && units[1] == 'n') return SVG_UNITS_IN;
  if (units[0] == '%') return SVG_UNITS_PERCENT;
  if (units[0] == 'e' && units[1] == 'm') return SVG_UNITS_EM;
  if (units[0] == 'e' && units[1] == 'x') return SVG_UNITS_EX;
  return SVG_UNITS_USER;
}

SVGcoordinate svgParseCoordinateRaw(const char* str)
{
  char buf[64];
  const char* units = svgParseNumber(str, buf, sizeof(buf));
  SVGcoordinate coord;
  coord.units = svgParseUnits(units);
  coord.value = (float)svgAtof(buf);
  return coord;
}

float svgConvertToPixels(const SVGparser* p, SVGcoordinate c, float orig, float length)
{
  const SVGattrib& attr = p->attr[p->attrHead];
  switch (c.units)
  {
  case SVG_UNITS_USER:
  case SVG_UNITS_PX:
    return c.value;
  case SVG_UNITS_PT:
    return c.value / 72.0f * p->dpi;
  case SVG_UNITS_PC:
    return c.value / 6.0f * p->dpi;
  case SVG_UNITS_MM:
    return c.value / 25.4f * p->dpi;
  case SVG_UNITS_CM:
    return c.value / 2.54f * p->dpi;
  case SVG_UNITS_IN:
    return c.value * p->dpi;
  case SVG_UNITS_EM:
    return c.value * attr.fontSize;
  case SVG_UNITS_EX:
    return c.value * attr.fontSize * 0.52f;
  case SVG_UNITS_PERCENT:
    return orig + c.value / 100.0f * length;
  default:
    return c.value;
  }
}

float svgActualLength(const SVGparser* p)
{
  const float w = p->viewWidth, h = p->viewHeight;
  return std::sqrt(w * w + h * h) / std::sqrt(2.0f);
}

float svgParseCoordinate(const SVGparser* p, const char* str, float orig, float length)
{
  return svgConvertToPixels(p, svgParseCoordinateRaw(str), orig, length);
}

float svgParseOpacity(const char* str)
{
  const float val = svgParseCoordinateRaw(str).value;
  if (!(val > 0.0f)) // NaN counts as 0
    return 0.0f;
  return val > 1.0f ? 1.0f : val;
}

} // namespace iplugin::igraphics
