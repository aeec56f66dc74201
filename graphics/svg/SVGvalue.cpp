// Numbers, numbers with units and colours of SVG attribute values.
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
  // Keep the units "em" and "ex" as units.
  if ((*s == 'e' || *s == 'E') && s[1] != 'm' && s[1] != 'x')
  {
    take();
    if (*s == '-' || *s == '+') take();
    while (svgIsDigit(*s))
      take();
  }
  it[i] = 0;
  return s;
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
  if (*cur == '.' && svgIsDigit(cur[1]))
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
    }
    res += frac / scale;
    hasFracPart = true;
  }
  if (!hasIntPart && !hasFracPart) return 0.0;

  if (*cur == 'e' || *cur == 'E')
  {
    char* end = nullptr;
    long expPart = std::strtol(cur + 1, &end, 10);
    if (end != cur + 1 && res != 0.0)
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

static uint32_t svgRGB(uint32_t r, uint32_t g, uint32_t b)
{
  return r | (g << 8) | (b << 16);
}

static uint32_t svgParseColorHex(const char* str)
{
  str++; // '#'
  int n = 0;
  while (str[n] && !svgIsSpace(str[n]))
    n++;
  if (n != 3 && n != 6) return svgRGB(0, 0, 0);
  uint32_t c = 0;
  for (int i = 0; i < n; i++)
  {
    const char ch = str[i];
    int v;
    if (ch >= '0' && ch <= '9')
      v = ch - '0';
    else if (ch >= 'a' && ch <= 'f')
      v = ch - 'a' + 10;
    else if (ch >= 'A' && ch <= 'F')
      v = ch - 'A' + 10;
    else
      break;
    c = (c << 4) | (uint32_t)v;
  }
  if (n == 3)
  {
    const uint32_t r = (c >> 8) & 0xf, g = (c >> 4) & 0xf, b = c & 0xf;
    return svgRGB(r * 0x11, g * 0x11, b * 0x11);
  }
  return svgRGB((c >> 16) & 0xff, (c >> 8) & 0xff, c & 0xff);
}

// Reads an integer as "%d" would (leading whitespace, sign, digits), clamped to a sane range.
static bool svgReadInt(const char*& s, long long& out)
{
  const char* cur = s;
  while (*cur && svgIsSpace(*cur))
    cur++;
  bool neg = false;
  if (*cur == '-' || *cur == '+') neg = *cur++ == '-';
  if (!svgIsDigit(*cur)) return false;
  long long v = 0;
  while (svgIsDigit(*cur))
  {
    if (v < 1000000000LL) v = v * 10 + (*cur - '0');
    cur++;
  }
  out = neg ? -v : v;
  s = cur;
  return true;
}

// A run of '%', ',', space and tab of any length; reports whether it held a '%'.
static bool svgReadSeparators(const char*& s, bool& percent)
{
  const char* cur = s;
  percent = false;
  while (*cur == '%' || *cur == ',' || *cur == ' ' || *cur == '\t')
  {
    if (*cur == '%') percent = true;
    cur++;
  }
  if (cur == s) return false;
  s = cur;
  return true;
}

static uint32_t svgParseColorRGB(const char* str)
{
  long long v[3] = {0, 0, 0};
  bool percent = false, ignored = false;
  const char* s = str + 4;
  // Reading stops at the first piece that is missing; what was not read counts as 0.
  if (svgReadInt(s, v[0]) && svgReadSeparators(s, percent) && svgReadInt(s, v[1]) &&
      svgReadSeparators(s, ignored))
    svgReadInt(s, v[2]);
  uint32_t c[3];
  for (int i = 0; i < 3; i++)
  {
    long long x = percent ? v[i] * 255 / 100 : v[i];
    // Clamped so that a channel never spills into its neighbours or the alpha byte.
    c[i] = (uint32_t)(x < 0 ? 0 : x > 255 ? 255 : x);
  }
  return svgRGB(c[0], c[1], c[2]);
}

struct SVGnamedColor
{
  const char* name;
  uint32_t color;
};

static const SVGnamedColor kSVGcolors[] = {
    {"red", 0x0000FF},     {"green", 0x008000}, {"blue", 0xFF0000}, {"yellow", 0x00FFFF}, {"cyan", 0xFFFF00},
    {"magenta", 0xFF00FF}, {"black", 0x000000}, {"grey", 0x808080}, {"gray", 0x808080},   {"white", 0xFFFFFF},
};

uint32_t svgParseColor(const char* str)
{
  while (*str == ' ')
    ++str;
  if (str[0] == '#') return svgParseColorHex(str);
  if (std::strncmp(str, "rgb(", 4) == 0) return svgParseColorRGB(str);
  for (const SVGnamedColor& named : kSVGcolors)
    if (std::strcmp(named.name, str) == 0) return named.color;
  return svgRGB(128, 128, 128);
}
} // namespace iplugin::igraphics
