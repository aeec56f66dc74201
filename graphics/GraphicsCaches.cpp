#include "graphics/GraphicsCaches.h"

namespace iplugin::igraphics
{
// Made on first use, before any context counts itself in, and destroyed at process exit.
StaticStorage<APIBitmap>& ProcessBitmapCache()
{
  static StaticStorage<APIBitmap> cache;
  return cache;
}

SVGStorage& ProcessSVGCache()
{
  static SVGStorage cache;
  return cache;
}
} // namespace iplugin::igraphics
