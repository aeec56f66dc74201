#include "framework/FileExtension.h"
#include "framework/PluginPaths.h"
#include "graphics/GraphicsCaches.h"
#include "graphics/IGraphics.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace iplugin::igraphics
{
namespace
{
// The scale after `scale` in the search order: the target, then 4 down to 1 skipping the target; 0 at
// the end.
int NextScale(int scale, int targetScale)
{
  int next = scale == targetScale && targetScale != 4 ? 4 : scale - 1;
  if (next == targetScale) --next;
  return next >= 1 ? next : 0;
}

// The position of the name's extension dot, or npos when the last component has none.
size_t ExtensionDot(const std::string& name)
{
  for (size_t i = name.size(); i-- > 0;)
  {
    if (name[i] == '.') return i;
    if (name[i] == '/' || name[i] == '\\') break;
  }
  return std::string::npos;
}
} // namespace

int IGraphics::SearchImageResource(const char* name, const char* type, StringBuf& result, int targetScale,
                                   int& sourceScale)
{
  sourceScale = targetScale;
  if (targetScale < 1 || !name) return 0;
  const std::string fullName = name;
  const std::string ext = type ? type : "";
  const size_t dot = ExtensionDot(fullName);
  const std::string base = dot == std::string::npos ? fullName : fullName.substr(0, dot);
  const std::string dotExt = dot == std::string::npos ? std::string() : fullName.substr(dot);

  for (int scale = targetScale; scale >= 1; scale = NextScale(scale, targetScale))
  {
    std::string candidate = fullName;
    if (scale != 1)
    {
      candidate = base + "@" + std::to_string(scale) + "x" + dotExt;
      candidate.resize(std::min(candidate.size(), fullName.size() + 3));
    }
    const int location = LocateResource(candidate.c_str(), ext.c_str(), result, GetBundleID(),
                                        GetSharedResourcesSubPath());
    if (location > 0)
    {
      sourceScale = scale;
      return location;
    }
  }
  return 0;
}

APIBitmap* IGraphics::SearchBitmapInCache(const char* name, int targetScale, int& sourceScale)
{
  StaticStorage<APIBitmap>& cache = ProcessBitmapCache();
  MutexLock lock(cache.GetMutex());
  for (int scale = targetScale; scale >= 1; scale = NextScale(scale, targetScale))
    if (APIBitmap* pBitmap = cache.Find(name, double(scale)))
    {
      sourceScale = scale;
      return pBitmap;
    }
  return nullptr;
}

IBitmap IGraphics::LoadBitmapVia(const char* name, int nStates, bool framesAreHorizontal, int targetScale,
                                 const BitmapFinder& find)
{
  if (!name) return IBitmap();
  if (targetScale == 0) targetScale = int(GetScreenScale());

  StaticStorage<APIBitmap>& cache = ProcessBitmapCache();
  MutexLock lock(cache.GetMutex());

  if (APIBitmap* pCached = cache.Find(name, double(targetScale)))
    return IBitmap(pCached, nStates, framesAreHorizontal, name);
  const std::string ext = ExtensionOf(name);
  APIBitmap* pBitmap = nullptr;
  bool loaded = false;
  if (BitmapExtSupported(ext.c_str())) pBitmap = find(ext.c_str(), targetScale, loaded);
  // A file that did not decode gives the invalid bitmap; its scale is never read.
  if (!pBitmap)
  {
    ReportUnloadedResource("bitmap", name);
    return IBitmap();
  }

  const IBitmap bitmap(pBitmap, nStates, framesAreHorizontal, name);
  if (pBitmap->GetScale() != float(targetScale))
  {
    IBitmap scaled = ScaleBitmap(bitmap, name, targetScale);
    if (loaded) delete pBitmap;
    return scaled;
  }
  if (loaded) RetainBitmap(bitmap, name);
  return bitmap;
}

void IGraphics::ReportUnloadedResource(const char* kind, const char* name)
{
  if (!name || !*name || !mUnloadedResources.insert(std::string(kind) + " " + name).second) return;
  std::fprintf(stderr, "The %s \"%s\" could not be loaded (missing from the bundle or not readable).\n", kind,
               name);
}

IBitmap IGraphics::LoadBitmap(const char* name, int nStates, bool framesAreHorizontal, int targetScale)
{
  return LoadBitmapVia(name, nStates, framesAreHorizontal, targetScale,
                       [this, name](const char* ext, int target, bool& loaded) -> APIBitmap* {
                         StringBuf fullPath;
                         int sourceScale = 0;
                         const int location = SearchImageResource(name, ext, fullPath, target, sourceScale);
                         if (location <= 0) return SearchBitmapInCache(name, target, sourceScale);
                         if (sourceScale != target)
                           if (APIBitmap* pCached = ProcessBitmapCache().Find(name, double(sourceScale)))
                             return pCached;
                         APIBitmap* pBitmap = LoadAPIBitmapFromFile(fullPath.Get(), sourceScale, location, ext);
                         loaded = pBitmap != nullptr;
                         return pBitmap;
                       });
}

IBitmap IGraphics::LoadBitmapFromData(const char* name, const uint8_t* pData, int dataSize, int nStates,
                                      bool framesAreHorizontal, int targetScale)
{
  return LoadBitmapVia(name, nStates, framesAreHorizontal, targetScale,
                       [this, name, pData, dataSize](const char*, int target, bool& loaded) -> APIBitmap* {
                         int sourceScale = 0;
                         if (APIBitmap* pCached = SearchBitmapInCache(name, target, sourceScale)) return pCached;
                         if (!pData || dataSize <= 0) return nullptr;
                         APIBitmap* pBitmap = LoadAPIBitmapFromData(name, pData, dataSize, 1);
                         loaded = pBitmap != nullptr;
                         return pBitmap;
                       });
}

IBitmap IGraphics::ScaleBitmap(const IBitmap& inBitmap, const char* cacheName, int targetScale)
{
  APIBitmap* pSource = inBitmap.GetAPIBitmap();
  if (!pSource || targetScale < 1) return IBitmap();

  const int screenScale = int(GetScreenScale());
  const float drawScale = GetDrawScale();
  mScreenScale = float(targetScale);
  mDrawScale = pSource->GetDrawScale();

  const IRECT bounds(0.f, 0.f, float(inBitmap.W()) / inBitmap.GetDrawScale(),
                     float(inBitmap.H()) / inBitmap.GetDrawScale());
  StartLayer(nullptr, bounds, true);
  DrawBitmap(inBitmap, bounds, 0, 0, nullptr);
  ILayerPtr layer = EndLayer();

  IBitmap result;
  if (layer && layer->mBitmap)
  {
    result = IBitmap(layer->mBitmap.release(), inBitmap.N(), inBitmap.GetFramesAreHorizontal(), cacheName);
    RetainBitmap(result, cacheName);
  }
  mScreenScale = float(screenScale);
  mDrawScale = drawScale;
  return result;
}

void IGraphics::RetainBitmap(const IBitmap& bitmap, const char* cacheName)
{
  APIBitmap* pBitmap = bitmap.GetAPIBitmap();
  if (!pBitmap) return;
  StaticStorage<APIBitmap>& cache = ProcessBitmapCache();
  MutexLock lock(cache.GetMutex());
  cache.Add(pBitmap, cacheName, pBitmap->GetScale());
}

void IGraphics::ReleaseBitmap(const IBitmap& bitmap)
{
  StaticStorage<APIBitmap>& cache = ProcessBitmapCache();
  MutexLock lock(cache.GetMutex());
  cache.Remove(bitmap.GetAPIBitmap());
}

IBitmap IGraphics::GetScaledBitmap(IBitmap& src)
{
  const char* name = src.GetResourceName();
  return LoadBitmap(name ? name : "", src.N(), src.GetFramesAreHorizontal(), int(GetScreenScale()));
}

ISVG IGraphics::LoadSVGFromData(const char* name, const char* pData, int dataSize, const char* units, float dpi)
{
  SVGStorage& cache = ProcessSVGCache();
  MutexLock lock(cache.GetMutex());
  if (SVGHolder* pHolder = cache.Find(name, 1.0)) return pHolder->mSVG;
  if (!pData) return ISVG();

  // Up to size bytes or the first NUL within them; a size of 0 or less takes the whole text.
  int length = 0;
  if (dataSize <= 0)
    length = int(std::strlen(pData));
  else
    while (length < dataSize && pData[length])
      ++length;
  StringBuf text(pData, length);
  if (text.GetLength() != length) return ISVG();

  SVGimage* pImage = svgParse(const_cast<char*>(text.Get()), units, dpi);
  if (!pImage) return ISVG();
  SVGHolder* pHolder = new SVGHolder(pImage);
  const ISVG svg = pHolder->mSVG;
  cache.Add(pHolder, name, 1.0);
  return svg;
}

ISVG IGraphics::LoadSVG(const char* name, const char* units, float dpi)
{
  SVGStorage& cache = ProcessSVGCache();
  MutexLock lock(cache.GetMutex());
  if (SVGHolder* pHolder = cache.Find(name, 1.0)) return pHolder->mSVG;
  TypedBuf<uint8_t> data = LoadResource(name, "svg");
  if (data.GetSize() == 0) return ISVG();
  return LoadSVGFromData(name, reinterpret_cast<const char*>(data.Get()), data.GetSize(), units, dpi);
}

TypedBuf<uint8_t> IGraphics::LoadResource(const char* name, const char* type)
{
  TypedBuf<uint8_t> data(4096);
  StringBuf path;
  if (LocateResource(name, type, path, GetBundleID(), GetSharedResourcesSubPath()) == kNotFound) return data;

  FILE* file = std::fopen(path.Get(), "rb");
  if (!file) return data;
  long size = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
  if (size > 0 && std::fseek(file, 0, SEEK_SET) == 0 && data.Resize(int(size)) &&
      data.GetSize() == int(size))
  {
    if (std::fread(data.Get(), 1, size_t(size), file) != size_t(size)) data.Resize(0, true);
  }
  std::fclose(file);
  return data;
}
} // namespace iplugin::igraphics
