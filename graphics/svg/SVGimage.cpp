// The parse entry points, the final fitting to the view box and target units, and freeing.
#include "graphics/svg/SVGimage.h"
#include "graphics/svg/SVGparser.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace iplugin::igraphics
{
namespace
{
void DeletePaint(SVGpaint& paint)
{
  if (paint.type == SVG_PAINT_LINEAR_GRADIENT || paint.type == SVG_PAINT_RADIAL_GRADIENT)
    std::free(paint.gradient);
}

float AlignOffset(float content, float container, int type)
{
  if (type == SVG_ALIGN_MIN) return 0.0f;
  if (type == SVG_ALIGN_MAX) return container - content;
  return (container - content) * 0.5f;
}

void ImageBounds(const SVGimage* image, float* bounds)
{
  const SVGshape* shape = image->shapes;
  if (!shape)
  {
    bounds[0] = bounds[1] = bounds[2] = bounds[3] = 0.0f;
    return;
  }
  std::memcpy(bounds, shape->bounds, sizeof(float) * 4);
  for (shape = shape->next; shape; shape = shape->next)
  {
    bounds[0] = std::fmin(bounds[0], shape->bounds[0]);
    bounds[1] = std::fmin(bounds[1], shape->bounds[1]);
    bounds[2] = std::fmax(bounds[2], shape->bounds[2]);
    bounds[3] = std::fmax(bounds[3], shape->bounds[3]);
  }
}

// A negative size in the document gives a negative scale; min and max then trade places.
void ScaleBounds(float* bounds, float tx, float ty, float sx, float sy)
{
  const float x0 = (bounds[0] + tx) * sx, y0 = (bounds[1] + ty) * sy;
  const float x1 = (bounds[2] + tx) * sx, y1 = (bounds[3] + ty) * sy;
  bounds[0] = std::fmin(x0, x1);
  bounds[1] = std::fmin(y0, y1);
  bounds[2] = std::fmax(x0, x1);
  bounds[3] = std::fmax(y0, y1);
}

void ScaleGradient(SVGgradient* grad, float tx, float ty, float sx, float sy)
{
  float t[6];
  svgXformSetTranslation(t, tx, ty);
  svgXformMultiply(grad->xform, t);
  svgXformSetScale(t, sx, sy);
  svgXformMultiply(grad->xform, t);
  const float xform[6] = {grad->xform[0], grad->xform[1], grad->xform[2],
                          grad->xform[3], grad->xform[4], grad->xform[5]};
  svgXformInverse(grad->xform, xform);
}
} // namespace

SVGparser* svgCreateParser()
{
  SVGparser* p = (SVGparser*)std::calloc(1, sizeof(SVGparser));
  if (!p) return nullptr;
  p->image = (SVGimage*)std::calloc(1, sizeof(SVGimage));
  if (!p->image)
  {
    std::free(p);
    return nullptr;
  }

  SVGattrib& attr = p->attr[0];
  svgXformIdentity(attr.xform);
  attr.fillColor = 0;
  attr.strokeColor = 0;
  attr.opacity = 1.0f;
  attr.fillOpacity = 1.0f;
  attr.strokeOpacity = 1.0f;
  attr.stopOpacity = 1.0f;
  attr.strokeWidth = 1.0f;
  attr.strokeLineJoin = SVG_JOIN_MITER;
  attr.strokeLineCap = SVG_CAP_BUTT;
  attr.miterLimit = 4.0f;
  attr.fillRule = SVG_FILLRULE_NONZERO;
  attr.hasFill = 1;
  attr.hasStroke = 0;
  attr.visible = 1;
  return p;
}

void svgDeleteParser(SVGparser* p)
{
  if (!p) return;
  svgDeletePaths(p->plist);
  svgDeleteGradientData(p->gradients);
  svgDelete(p->image);
  std::free(p->pts);
  std::free(p);
}

float svgUnitFactor(const SVGparser* p, const char* units)
{
  if (!units) return 1.0f;
  const float fontSize = p->attr[p->attrHead].fontSize;
  auto is = [units](const char* u) { return std::strncmp(units, u, 2) == 0; };
  if (is("cm")) return p->dpi * 0.39370078f;
  if (is("mm")) return p->dpi * 0.03937008f;
  if (is("in")) return p->dpi;
  if (is("pt")) return p->dpi * 0.013888889f;
  if (is("pc")) return p->dpi * 0.16666667f;
  if (is("em")) return fontSize;
  if (is("ex")) return fontSize * 0.52f;
  if (units[0] == '%') return 0.01f;
  return 1.0f;
}

void svgScaleToViewbox(SVGparser* p, const char* units)
{
  SVGimage* image = p->image;
  float bounds[4];
  ImageBounds(image, bounds);

  if (p->viewWidth == 0)
  {
    if (image->width > 0)
    {
      p->viewWidth = image->width;
    }
    else
    {
      p->viewMinx = bounds[0];
      p->viewWidth = bounds[2] - bounds[0];
    }
  }
  if (p->viewHeight == 0)
  {
    if (image->height > 0)
    {
      p->viewHeight = image->height;
    }
    else
    {
      p->viewMiny = bounds[1];
      p->viewHeight = bounds[3] - bounds[1];
    }
  }
  if (image->width == 0) image->width = p->viewWidth;
  if (image->height == 0) image->height = p->viewHeight;

  float tx = -p->viewMinx;
  float ty = -p->viewMiny;
  float sx = p->viewWidth > 0 ? image->width / p->viewWidth : 0;
  float sy = p->viewHeight > 0 ? image->height / p->viewHeight : 0;

  // A unit factor of 0 (em or ex without a font size) or one that cannot be used counts as pixels.
  float factor = svgUnitFactor(p, units);
  if (!(factor > 0.0f) || !std::isfinite(factor)) factor = 1.0f;
  const float us = 1.0f / factor;

  if (p->alignType == SVG_ALIGN_MEET || p->alignType == SVG_ALIGN_SLICE)
  {
    sx = sy = p->alignType == SVG_ALIGN_MEET ? std::fmin(sx, sy) : std::fmax(sx, sy);
    // Without a scale there is nothing to align.
    if (sx > 0.0f)
    {
      tx += AlignOffset(p->viewWidth * sx, image->width, p->alignX) / sx;
      ty += AlignOffset(p->viewHeight * sy, image->height, p->alignY) / sy;
    }
  }

  sx *= us;
  sy *= us;
  const float avgs = (sx + sy) * 0.5f;
  // The image size is reported in the target units, like everything inside it.
  image->width *= us;
  image->height *= us;

  for (SVGshape* shape = image->shapes; shape; shape = shape->next)
  {
    ScaleBounds(shape->bounds, tx, ty, sx, sy);
    for (SVGpath* path = shape->paths; path; path = path->next)
    {
      ScaleBounds(path->bounds, tx, ty, sx, sy);
      for (int i = 0; i < path->npts; i++)
      {
        path->pts[i * 2 + 0] = (path->pts[i * 2 + 0] + tx) * sx;
        path->pts[i * 2 + 1] = (path->pts[i * 2 + 1] + ty) * sy;
      }
    }

    if (shape->fill.type == SVG_PAINT_LINEAR_GRADIENT || shape->fill.type == SVG_PAINT_RADIAL_GRADIENT)
      ScaleGradient(shape->fill.gradient, tx, ty, sx, sy);
    if (shape->stroke.type == SVG_PAINT_LINEAR_GRADIENT || shape->stroke.type == SVG_PAINT_RADIAL_GRADIENT)
      ScaleGradient(shape->stroke.gradient, tx, ty, sx, sy);

    shape->strokeWidth *= avgs;
    shape->strokeDashOffset *= avgs;
    for (int i = 0; i < shape->strokeDashCount; i++)
      shape->strokeDashArray[i] *= avgs;
  }
}

SVGimage* svgParse(char* input, const char* units, float dpi)
{
  if (!input)
    return nullptr;
  SVGparser* p = svgCreateParser();
  if (!p) return nullptr;
  p->dpi = dpi;

  svgParseXML(input, svgStartElement, svgEndElement, svgContent, p);
  svgScaleToViewbox(p, units);

  SVGimage* ret = p->image;
  p->image = nullptr;
  svgDeleteParser(p);
  return ret;
}

SVGimage* svgParseFromFile(const char* filename, const char* units, float dpi)
{
  std::FILE* fp = std::fopen(filename, "rb");
  if (!fp) return nullptr;
  char* data = nullptr;
  SVGimage* image = nullptr;
  long size = -1;
  if (std::fseek(fp, 0, SEEK_END) == 0) size = std::ftell(fp);
  // Something that reports a size but gives no bytes (a folder) is refused before allocating for it.
  bool readable = false;
  if (size >= 0 && std::fseek(fp, 0, SEEK_SET) == 0)
  {
    const int first = std::fgetc(fp);
    readable = size == 0 || (first != EOF && std::ungetc(first, fp) != EOF);
  }
  if (readable)
  {
    data = (char*)std::malloc((size_t)size + 1);
    if (data && std::fread(data, 1, (size_t)size, fp) == (size_t)size)
    {
      data[size] = 0;
      image = svgParse(data, units, dpi);
    }
  }
  std::fclose(fp);
  std::free(data);
  return image;
}

void svgDelete(SVGimage* image)
{
  if (!image) return;
  SVGshape* shape = image->shapes;
  while (shape)
  {
    SVGshape* next = shape->next;
    svgDeletePaths(shape->paths);
    DeletePaint(shape->fill);
    DeletePaint(shape->stroke);
    std::free(shape);
    shape = next;
  }
  std::free(image);
}

void svgDeletePaths(SVGpath* path)
{
  while (path)
  {
    SVGpath* next = path->next;
    std::free(path->pts);
    std::free(path);
    path = next;
  }
}

SVGpath* svgDuplicatePath(const SVGpath* path)
{
  if (!path) return nullptr;
  SVGpath* res = (SVGpath*)std::calloc(1, sizeof(SVGpath));
  if (!res) return nullptr;
  res->pts = (float*)std::malloc(sizeof(float) * 2 * (size_t)path->npts);
  if (!res->pts)
  {
    std::free(res);
    return nullptr;
  }
  std::memcpy(res->pts, path->pts, sizeof(float) * 2 * (size_t)path->npts);
  res->npts = path->npts;
  res->closed = path->closed;
  std::memcpy(res->bounds, path->bounds, sizeof(path->bounds));
  res->next = nullptr;
  return res;
}
} // namespace iplugin::igraphics
