// Element handlers, the stack of inherited presentation attributes, and the presentation attributes
// themselves, including "style".
#include "graphics/svg/SVGparser.h"

#include <cmath>
#include <cstring>

namespace iplugin::igraphics
{
namespace
{
bool Is(const char* a, const char* b)
{
  return std::strcmp(a, b) == 0;
}

void CopyLimited(char* dst, const char* src, size_t maxChars)
{
  size_t n = 0;
  while (n < maxChars && src[n])
    n++;
  std::memcpy(dst, src, n);
  dst[n] = 0;
}

// "url(#id)" or "url(id)": the id up to ")" or the end, at most 63 characters.
void ParseUrl(char* id, const char* str)
{
  str += 4;
  if (*str == '#') str++;
  int i = 0;
  while (i < 63 && *str && *str != ')')
    id[i++] = *str++;
  id[i] = 0;
}

uint8_t ParseLineCap(const char* str)
{
  if (Is(str, "round")) return SVG_CAP_ROUND;
  if (Is(str, "square")) return SVG_CAP_SQUARE;
  return SVG_CAP_BUTT;
}

uint8_t ParseLineJoin(const char* str)
{
  if (Is(str, "round")) return SVG_JOIN_ROUND;
  if (Is(str, "bevel")) return SVG_JOIN_BEVEL;
  return SVG_JOIN_MITER;
}

float ParseMiterLimit(const char* str)
{
  const float v = (float)svgAtof(str);
  return v > 0.0f ? v : 0.0f;
}

// Items are separated by "," and whitespace; only the first 8 are kept.
int ParseStrokeDashArray(SVGparser* p, const char* str, float* strokeDashArray)
{
  if (*str == 'n') return 0;
  int count = 0;
  float sum = 0.0f;
  char item[64];
  while (*str)
  {
    while (*str && (svgIsSpace(*str) || *str == ','))
      str++;
    if (!*str) break;
    int n = 0;
    while (*str && !svgIsSpace(*str) && *str != ',')
    {
      if (n < 63) item[n++] = *str;
      str++;
    }
    item[n] = 0;
    const float value = std::fabs(svgParseCoordinate(p, item, 0.0f, svgActualLength(p)));
    if (count < kSVGmaxDashes)
    {
      strokeDashArray[count++] = value;
      sum += value;
    }
  }
  if (!(sum > 1e-6f)) count = 0;
  return count;
}

struct ShapeElement
{
  const char* name;
  void (*build)(SVGparser* p, const char** attr);
};

const ShapeElement kShapeElements[] = {
    {"path", svgParsePath},
    {"rect", svgParseRect},
    {"circle", svgParseCircle},
    {"ellipse", svgParseEllipse},
    {"line", svgParseLine},
    {"polyline", [](SVGparser* p, const char** attr) { svgParsePoly(p, attr, false); }},
    {"polygon", [](SVGparser* p, const char** attr) { svgParsePoly(p, attr, true); }},
};

void PaintFromValue(const char* value, uint8_t& has, char* gradientId, uint32_t& color)
{
  if (Is(value, "none"))
  {
    has = 0;
  }
  else if (std::strncmp(value, "url(", 4) == 0)
  {
    has = 2;
    ParseUrl(gradientId, value);
  }
  // A colour that cannot be read leaves the paint as inherited.
  else if (svgParseColor(value, color))
  {
    has = 1;
  }
}
} // namespace

SVGattrib* svgGetAttr(SVGparser* p)
{
  return &p->attr[p->attrHead];
}

void svgPushAttr(SVGparser* p)
{
  if (p->attrHead < kSVGmaxAttr - 1)
  {
    p->attrHead++;
    std::memcpy(&p->attr[p->attrHead], &p->attr[p->attrHead - 1], sizeof(SVGattrib));
  }
  else
  {
    p->attrOverflow++;
  }
}

void svgPopAttr(SVGparser* p)
{
  if (p->attrOverflow > 0)
    p->attrOverflow--;
  else if (p->attrHead > 0)
    p->attrHead--;
}

int svgParseAttr(SVGparser* p, const char* name, const char* value)
{
  SVGattrib* attr = svgGetAttr(p);
  if (Is(name, "style"))
  {
    svgParseStyle(p, value);
  }
  else if (Is(name, "display"))
  {
    if (Is(value, "none")) attr->visible = 0;
  }
  else if (Is(name, "fill"))
  {
    PaintFromValue(value, attr->hasFill, attr->fillGradient, attr->fillColor);
  }
  else if (Is(name, "opacity"))
  {
    attr->opacity = svgParseOpacity(value);
  }
  else if (Is(name, "fill-opacity"))
  {
    attr->fillOpacity = svgParseOpacity(value);
  }
  else if (Is(name, "stroke"))
  {
    PaintFromValue(value, attr->hasStroke, attr->strokeGradient, attr->strokeColor);
  }
  else if (Is(name, "stroke-width"))
  {
    attr->strokeWidth = svgParseCoordinate(p, value, 0.0f, svgActualLength(p));
  }
  else if (Is(name, "stroke-dasharray"))
  {
    attr->strokeDashCount = ParseStrokeDashArray(p, value, attr->strokeDashArray);
  }
  else if (Is(name, "stroke-dashoffset"))
  {
    attr->strokeDashOffset = svgParseCoordinate(p, value, 0.0f, svgActualLength(p));
  }
  else if (Is(name, "stroke-opacity"))
  {
    attr->strokeOpacity = svgParseOpacity(value);
  }
  else if (Is(name, "stroke-linecap"))
  {
    attr->strokeLineCap = ParseLineCap(value);
  }
  else if (Is(name, "stroke-linejoin"))
  {
    attr->strokeLineJoin = ParseLineJoin(value);
  }
  else if (Is(name, "stroke-miterlimit"))
  {
    attr->miterLimit = ParseMiterLimit(value);
  }
  else if (Is(name, "fill-rule"))
  {
    attr->fillRule = Is(value, "evenodd") ? SVG_FILLRULE_EVENODD : SVG_FILLRULE_NONZERO;
  }
  else if (Is(name, "font-size"))
  {
    attr->fontSize = svgParseCoordinate(p, value, 0.0f, svgActualLength(p));
  }
  else if (Is(name, "transform"))
  {
    float xform[6];
    svgParseTransform(xform, value);
    svgXformPremultiply(attr->xform, xform);
  }
  else if (Is(name, "stop-color"))
  {
    svgParseColor(value, attr->stopColor);
  }
  else if (Is(name, "stop-opacity"))
  {
    attr->stopOpacity = svgParseOpacity(value);
  }
  else if (Is(name, "offset"))
  {
    attr->stopOffset = svgParseCoordinate(p, value, 0.0f, 1.0f);
  }
  else if (Is(name, "id"))
  {
    CopyLimited(attr->id, value, 63);
  }
  else
  {
    return 0;
  }
  return 1;
}

int svgParseNameValue(SVGparser* p, const char* start, const char* end)
{
  const char* str = start;
  while (str < end && *str != ':')
    ++str;
  const char* val = str;

  // Name without trailing whitespace.
  const char* nameEnd = str;
  while (nameEnd > start && svgIsSpace(nameEnd[-1]))
    --nameEnd;
  while (val < end && (*val == ':' || svgIsSpace(*val)))
    ++val;

  char name[512], value[512];
  size_t n = (size_t)(nameEnd - start);
  if (n > 511) n = 511;
  std::memcpy(name, start, n);
  name[n] = 0;

  n = (size_t)(end - val);
  if (n > 511) n = 511;
  std::memcpy(value, val, n);
  value[n] = 0;

  return svgParseAttr(p, name, value);
}

void svgParseStyle(SVGparser* p, const char* str)
{
  while (*str)
  {
    while (*str && svgIsSpace(*str))
      ++str;
    const char* start = str;
    while (*str && *str != ';')
      ++str;
    const char* end = str;
    while (end > start && (end[-1] == ';' || svgIsSpace(end[-1])))
      --end;
    svgParseNameValue(p, start, end);
    if (*str) ++str;
  }
}

void svgParseAttribs(SVGparser* p, const char** attr)
{
  for (int i = 0; attr[i]; i += 2)
  {
    if (Is(attr[i], "style"))
      svgParseStyle(p, attr[i + 1]);
    else
      svgParseAttr(p, attr[i], attr[i + 1]);
  }
}

void svgParseSVG(SVGparser* p, const char** attr)
{
  for (int i = 0; attr[i]; i += 2)
  {
    const char* name = attr[i];
    const char* value = attr[i + 1];
    if (svgParseAttr(p, name, value)) continue;
    if (Is(name, "width"))
    {
      p->image->width = svgParseCoordinate(p, value, 0.0f, 0.0f);
    }
    else if (Is(name, "height"))
    {
      p->image->height = svgParseCoordinate(p, value, 0.0f, 0.0f);
    }
    else if (Is(name, "viewBox"))
    {
      float* fields[4] = {&p->viewMinx, &p->viewMiny, &p->viewWidth, &p->viewHeight};
      const char* s = value;
      char buf[64];
      for (int k = 0; k < 4; k++)
      {
        s = svgParseNumber(s, buf, sizeof(buf));
        *fields[k] = (float)svgAtof(buf);
        while (*s && (svgIsSpace(*s) || *s == '%' || *s == ','))
          s++;
        // A view box cut short ends the svg element's attributes.
        if (k < 3 && !*s) return;
      }
    }
    else if (Is(name, "preserveAspectRatio"))
    {
      if (std::strstr(value, "none") != nullptr)
      {
        p->alignType = SVG_ALIGN_NONE;
      }
      else
      {
        if (std::strstr(value, "xMin") != nullptr)
          p->alignX = SVG_ALIGN_MIN;
        else if (std::strstr(value, "xMid") != nullptr)
          p->alignX = SVG_ALIGN_MID;
        else if (std::strstr(value, "xMax") != nullptr)
          p->alignX = SVG_ALIGN_MAX;
        // Documents write the vertical part capitalised, as in "xMidYMid".
        auto has = [value](const char* lower, const char* upper)
        { return std::strstr(value, lower) != nullptr || std::strstr(value, upper) != nullptr; };
        if (has("yMin", "YMin"))
          p->alignY = SVG_ALIGN_MIN;
        else if (has("yMid", "YMid"))
          p->alignY = SVG_ALIGN_MID;
        else if (has("yMax", "YMax"))
          p->alignY = SVG_ALIGN_MAX;
        p->alignType = std::strstr(value, "slice") != nullptr ? SVG_ALIGN_SLICE : SVG_ALIGN_MEET;
      }
    }
  }
}

// Gradients and their stops, the only elements that count inside "defs" too.
static bool ParseGradientElement(SVGparser* p, const char* el, const char** attr)
{
  if (Is(el, "linearGradient"))
    svgParseGradient(p, attr, SVG_PAINT_LINEAR_GRADIENT);
  else if (Is(el, "radialGradient"))
    svgParseGradient(p, attr, SVG_PAINT_RADIAL_GRADIENT);
  else if (Is(el, "stop"))
    svgParseGradientStop(p, attr);
  else
    return false;
  return true;
}

void svgStartElement(void* ud, const char* el, const char** attr)
{
  SVGparser* p = (SVGparser*)ud;
  if (ParseGradientElement(p, el, attr) || p->defsFlag) return;

  if (Is(el, "g"))
  {
    svgPushAttr(p);
    svgParseAttribs(p, attr);
    return;
  }
  // Shape elements work on a copy of the current record.
  for (const ShapeElement& shape : kShapeElements)
  {
    if (Is(el, shape.name))
    {
      svgPushAttr(p);
      shape.build(p, attr);
      svgPopAttr(p);
      return;
    }
  }
  if (Is(el, "defs"))
    p->defsFlag = 1;
  else if (Is(el, "svg"))
    svgParseSVG(p, attr);
}

void svgEndElement(void* ud, const char* el)
{
  SVGparser* p = (SVGparser*)ud;
  if (Is(el, "g"))
  {
    // A group inside "defs" pushed nothing, so its end pops nothing.
    if (!p->defsFlag) svgPopAttr(p);
  }
  else if (Is(el, "defs"))
  {
    p->defsFlag = 0;
  }
}

void svgContent(void* ud, const char* s)
{
  // Text content is not drawn.
  (void)ud;
  (void)s;
}
} // namespace iplugin::igraphics
