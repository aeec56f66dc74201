// Gradient definitions from "linearGradient", "radialGradient" and "stop", and their resolution into the
// gradient a shape's paint carries.
#include "graphics/svg/SVGparser.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace iplugin::igraphics
{
namespace
{
// A chain of references longer than this is taken as a loop.
constexpr int kMaxGradientReferences = 32;

void CopyId(char* dst, const char* src, size_t maxChars)
{
  size_t n = std::strlen(src);
  if (n > maxChars) n = maxChars;
  std::memcpy(dst, src, n);
  dst[n] = 0;
}

SVGgradientData* FindGradientData(SVGparser* p, const char* id)
{
  if (!id || !*id) return nullptr;
  for (SVGgradientData* grad = p->gradients; grad; grad = grad->next)
    if (std::strcmp(grad->id, id) == 0) return grad;
  return nullptr;
}

SVGcoordinate Coord(float value, int units)
{
  return SVGcoordinate{value, units};
}
} // namespace

void svgParseGradient(SVGparser* p, const char** attr, int8_t type)
{
  SVGgradientData* grad = (SVGgradientData*)std::calloc(1, sizeof(SVGgradientData));
  if (!grad) return;
  grad->units = SVG_OBJECT_SPACE;
  grad->type = type;
  if (type == SVG_PAINT_LINEAR_GRADIENT)
  {
    grad->slots[0] = Coord(0.0f, SVG_UNITS_PERCENT);
    grad->slots[1] = Coord(0.0f, SVG_UNITS_PERCENT);
    grad->slots[2] = Coord(100.0f, SVG_UNITS_PERCENT);
    grad->slots[3] = Coord(0.0f, SVG_UNITS_PERCENT);
  }
  else
  {
    grad->slots[0] = Coord(50.0f, SVG_UNITS_PERCENT);
    grad->slots[1] = Coord(50.0f, SVG_UNITS_PERCENT);
    grad->slots[2] = Coord(50.0f, SVG_UNITS_PERCENT);
    grad->slots[3] = Coord(0.0f, SVG_UNITS_USER);
    grad->slots[4] = Coord(0.0f, SVG_UNITS_USER);
  }
  svgXformIdentity(grad->xform);

  for (int i = 0; attr[i]; i += 2)
  {
    const char* name = attr[i];
    const char* value = attr[i + 1];
    if (std::strcmp(name, "id") == 0)
    {
      CopyId(grad->id, value, 63);
    }
    else if (!svgParseAttr(p, name, value))
    {
      if (std::strcmp(name, "gradientUnits") == 0)
        grad->units = std::strcmp(value, "objectBoundingBox") == 0 ? SVG_OBJECT_SPACE : SVG_USER_SPACE;
      else if (std::strcmp(name, "gradientTransform") == 0)
        svgParseTransform(grad->xform, value);
      else if (std::strcmp(name, "cx") == 0 || std::strcmp(name, "x1") == 0)
        grad->slots[0] = svgParseCoordinateRaw(value);
      else if (std::strcmp(name, "cy") == 0 || std::strcmp(name, "y1") == 0)
        grad->slots[1] = svgParseCoordinateRaw(value);
      else if (std::strcmp(name, "r") == 0 || std::strcmp(name, "x2") == 0)
        grad->slots[2] = svgParseCoordinateRaw(value);
      else if (std::strcmp(name, "fx") == 0 || std::strcmp(name, "y2") == 0)
        grad->slots[3] = svgParseCoordinateRaw(value);
      else if (std::strcmp(name, "fy") == 0)
        grad->slots[4] = svgParseCoordinateRaw(value);
      else if (std::strcmp(name, "spreadMethod") == 0)
      {
        if (std::strcmp(value, "pad") == 0)
          grad->spread = SVG_SPREAD_PAD;
        else if (std::strcmp(value, "reflect") == 0)
          grad->spread = SVG_SPREAD_REFLECT;
        else if (std::strcmp(value, "repeat") == 0)
          grad->spread = SVG_SPREAD_REPEAT;
      }
      else if (std::strcmp(name, "xlink:href") == 0)
      {
        // The value is "#id"; an empty value names nothing.
        if (*value) CopyId(grad->ref, value + 1, 62);
      }
    }
  }

  grad->next = p->gradients;
  p->gradients = grad;
}

void svgParseGradientStop(SVGparser* p, const char** attr)
{
  SVGattrib* curAttr = svgGetAttr(p);
  curAttr->stopColor = 0;
  curAttr->stopOpacity = 1.0f;
  curAttr->stopOffset = 0.0f;
  for (int i = 0; attr[i]; i += 2)
    svgParseAttr(p, attr[i], attr[i + 1]);

  SVGgradientData* grad = p->gradients;
  if (!grad) return;

  SVGgradientStop* stops =
      (SVGgradientStop*)std::realloc(grad->stops, sizeof(SVGgradientStop) * (size_t)(grad->nstops + 1));
  if (!stops)
  {
    std::free(grad->stops);
    grad->stops = nullptr;
    grad->nstops = 0;
    return;
  }
  grad->stops = stops;
  grad->nstops++;

  // Behind every stop with an equal offset, so equal offsets keep their document order.
  int idx = grad->nstops - 1;
  for (int i = 0; i < grad->nstops - 1; i++)
  {
    if (curAttr->stopOffset < grad->stops[i].offset)
    {
      idx = i;
      break;
    }
  }
  for (int i = grad->nstops - 1; i > idx; i--)
    grad->stops[i] = grad->stops[i - 1];

  SVGgradientStop& stop = grad->stops[idx];
  stop.color = curAttr->stopColor | ((uint32_t)(int)(curAttr->stopOpacity * 255.0f) << 24);
  stop.offset = curAttr->stopOffset;
}

SVGgradient* svgCreateGradient(SVGparser* p, const char* id, const float* localBounds, uint8_t* paintType)
{
  SVGgradientData* data = FindGradientData(p, id);
  if (!data) return nullptr;

  // The stops may come from the chain of references.
  SVGgradientData* ref = data;
  for (int refs = 0; ref && ref->nstops == 0; refs++)
  {
    if (refs >= kMaxGradientReferences) return nullptr;
    ref = FindGradientData(p, ref->ref);
  }
  if (!ref) return nullptr;

  SVGgradient* grad =
      (SVGgradient*)std::malloc(sizeof(SVGgradient) + sizeof(SVGgradientStop) * (size_t)ref->nstops);
  if (!grad) return nullptr;
  grad->stops = (SVGgradientStop*)(grad + 1);

  float ox, oy, sw, sh;
  if (data->units == SVG_OBJECT_SPACE)
  {
    ox = localBounds[0];
    oy = localBounds[1];
    sw = localBounds[2] - localBounds[0];
    sh = localBounds[3] - localBounds[1];
  }
  else
  {
    ox = p->viewMinx;
    oy = p->viewMiny;
    sw = p->viewWidth;
    sh = p->viewHeight;
  }
  const float sl = std::sqrt(sw * sw + sh * sh) / std::sqrt(2.0f);

  if (data->type == SVG_PAINT_LINEAR_GRADIENT)
  {
    const float x1 = svgConvertToPixels(p, data->slots[0], ox, sw);
    const float y1 = svgConvertToPixels(p, data->slots[1], oy, sh);
    const float x2 = svgConvertToPixels(p, data->slots[2], ox, sw);
    const float y2 = svgConvertToPixels(p, data->slots[3], oy, sh);
    const float dx = x2 - x1, dy = y2 - y1;
    grad->xform[0] = dy;
    grad->xform[1] = -dx;
    grad->xform[2] = dx;
    grad->xform[3] = dy;
    grad->xform[4] = x1;
    grad->xform[5] = y1;
    grad->fx = grad->fy = 0.0f;
  }
  else
  {
    const float cx = svgConvertToPixels(p, data->slots[0], ox, sw);
    const float cy = svgConvertToPixels(p, data->slots[1], oy, sh);
    const float r = svgConvertToPixels(p, data->slots[2], 0, sl);
    const float fx = svgConvertToPixels(p, data->slots[3], ox, sw);
    const float fy = svgConvertToPixels(p, data->slots[4], oy, sh);
    grad->xform[0] = r;
    grad->xform[1] = 0.0f;
    grad->xform[2] = 0.0f;
    grad->xform[3] = r;
    grad->xform[4] = cx;
    grad->xform[5] = cy;
    // A zero radius leaves the focus at the centre instead of dividing by zero.
    grad->fx = r != 0.0f ? fx / r : 0.0f;
    grad->fy = r != 0.0f ? fy / r : 0.0f;
  }

  svgXformMultiply(grad->xform, data->xform);
  svgXformMultiply(grad->xform, svgGetAttr(p)->xform);

  grad->spread = data->spread;
  grad->nstops = ref->nstops;
  if (ref->nstops > 0) std::memcpy(grad->stops, ref->stops, sizeof(SVGgradientStop) * (size_t)ref->nstops);
  *paintType = (uint8_t)data->type;
  return grad;
}

void svgDeleteGradientData(SVGgradientData* grad)
{
  while (grad)
  {
    SVGgradientData* next = grad->next;
    std::free(grad->stops);
    std::free(grad);
    grad = next;
  }
}
} // namespace iplugin::igraphics
