// The process-wide caches: bitmaps made from memory or retained by the default loaders, and parsed
// SVG documents. Each graphics context counts itself into both while it lives; the last one out
// empties them. Lock a cache's mutex around every use.
#pragma once

#include "graphics/IBitmap.h"
#include "graphics/StaticStorage.h"

namespace iplugin::igraphics
{
// An SVG document owned by the SVG cache, freed with the parser's delete.
struct SVGHolder
{
  ISVG mSVG;

  explicit SVGHolder(SVGimage* image) : mSVG(image) {}
  ~SVGHolder() { svgDelete(mSVG.mImage); }
  SVGHolder(const SVGHolder&) = delete;
  SVGHolder& operator=(const SVGHolder&) = delete;
};

using SVGStorage = StaticStorage<SVGHolder>;

StaticStorage<APIBitmap>& ProcessBitmapCache();
SVGStorage& ProcessSVGCache();
} // namespace iplugin::igraphics
