// The back end's bitmaps and layers: images loaded by name or from memory into the instance's storage,
// off-screen framebuffers for layers, bitmap drawing, pixel read-back and write, and layer shadows.
#include "graphics/vector/IGraphicsVector.h"

#include "framework/FileExtension.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstring>

namespace iplugin::igraphics
{
namespace
{
std::atomic<bool> gStripRowsTrimmed{true};
} // namespace

void IGraphicsVector::SetStripRowsTrimmed(bool trimmed)
{
  gStripRowsTrimmed = trimmed;
}

// --- Bitmap ------------------------------------------------------------------------------------------------

IGraphicsVector::Bitmap::Bitmap(VGcontext* pContext, const char* path, double sourceScale, int imageID, bool shared)
    : mVG(pContext), mSharedTexture(shared)
{
  // The renderer leaves the size alone for an image it does not have.
  int w = 0, h = 0;
  if (pContext && imageID > 0) vgImageSize(pContext, imageID, &w, &h);
  SetBitmap(imageID, w, h, float(sourceScale), 1.f);
}

IGraphicsVector::Bitmap::Bitmap(IGraphicsVector* pOwner, VGcontext* pContext, int width, int height, int scale,
                                float drawScale)
    : mOwner(pOwner), mVG(pContext)
{
  mFBO = MvgFramebufferCreate(pContext, width, height, 0);
  if (!mFBO || mFBO->image <= 0)
  {
    SetBitmap(0, 0, 0, float(scale), drawScale);
    return;
  }
  MVGframebuffer* pPrevious = MvgCurrentFramebuffer();
  MvgSetCurrentFramebuffer(mFBO);
  MvgClearWithColor(pContext, vgRGBAf(0.f, 0.f, 0.f, 0.f));
  vgBeginFrame(pContext, float(width), float(height), 1.f);
  vgEndFrame(pContext);
  MvgSetCurrentFramebuffer(pPrevious);
  SetBitmap(mFBO->image, width, height, float(scale), drawScale);
}

IGraphicsVector::Bitmap::Bitmap(VGcontext* pContext, int width, int height, const unsigned char* pData, int scale,
                                float drawScale)
    : mVG(pContext)
{
  const int id = pContext ? vgCreateImageRGBA(pContext, width, height, 0, pData) : 0;
  SetBitmap(id, id > 0 ? width : 0, id > 0 ? height : 0, float(scale), drawScale);
}

IGraphicsVector::Bitmap::~Bitmap()
{
  if (mSharedTexture) return;
  if (mFBO)
  {
    if (mOwner)
      mOwner->DeleteFramebuffer(mFBO);
    else
      MvgFramebufferFree(mFBO);
  }
  else if (mVG && GetBitmap() > 0)
    vgDeleteImage(mVG, GetBitmap());
}

bool IGraphicsVector::Bitmap::VisibleRows(int x0, int x1, int y0, int y1, int& first, int& last) const
{
  const int w = GetWidth(), h = GetHeight();
  const size_t words = size_t(w + 63) / 64;
  if (!Unchanging() || w <= 0 || h <= 0) return false;
  if (mAlphaBits.empty())
  {
    std::vector<unsigned char> rgba(size_t(w) * size_t(h) * 4);
    MvgReadPixels(mVG, GetBitmap(), 0, 0, w, h, rgba.data());
    mAlphaBits.assign(words * size_t(h), 0);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (rgba[(size_t(y) * size_t(w) + size_t(x)) * 4 + 3] != 0)
          mAlphaBits[size_t(y) * words + size_t(x) / 64] |= uint64_t(1) << (x % 64);
  }
  x0 = std::max(x0, 0), x1 = std::min(x1, w), y0 = std::max(y0, 0), y1 = std::min(y1, h);
  if (y0 >= y1) return false; // rows wholly above or below the image
  auto visible = [&](int y)
  {
    const uint64_t* row = &mAlphaBits[size_t(y) * words];
    for (int x = x0; x < x1;)
    {
      const int bit = x % 64, n = std::min(64 - bit, x1 - x);
      const uint64_t mask = (n == 64 ? ~uint64_t(0) : ((uint64_t(1) << n) - 1)) << bit;
      if (row[x / 64] & mask) return true;
      x += n;
    }
    return false;
  };
  first = y0;
  while (first < y1 && !visible(first))
    ++first;
  if (first == y1) return false;
  last = y1 - 1;
  while (!visible(last))
    --last;
  return true;
}

// --- Loading -------------------------------------------------------------------------------------------------

bool IGraphicsVector::BitmapExtSupported(const char* ext)
{
  if (!ext) return false;
  // Longer texts are cut to the buffer; no supported extension needs more.
  char lower[32] = {};
  for (size_t i = 0; i < sizeof(lower) - 1 && ext[i]; ++i)
    lower[i] = char(std::tolower(static_cast<unsigned char>(ext[i])));
  return std::strstr(lower, "png") || std::strstr(lower, "jpg") || std::strstr(lower, "jpeg");
}

IBitmap IGraphicsVector::LoadBitmap(const char* name, int nStates, bool framesAreHorizontal, int targetScale)
{
  if (!name || !mVG) return IBitmap();
  if (targetScale == 0) targetScale = int(GetScreenScale());

  MutexLock lock(mBitmapCache.GetMutex());
  APIBitmap* pBitmap = mBitmapCache.Find(name, double(targetScale));
  if (!pBitmap)
  {
    const std::string ext = ExtensionOf(name);
    StringBuf path;
    int sourceScale = 0;
    const int location = SearchImageResource(name, ext.c_str(), path, targetScale, sourceScale);
    if (location == 0 || !BitmapExtSupported(ext.c_str()))
    {
      ReportUnloadedResource("bitmap", name);
      return IBitmap();
    }
    // Found at another scale: that scale's entry, when it was loaded before.
    pBitmap = mBitmapCache.Find(name, double(sourceScale));
    if (!pBitmap)
    {
      pBitmap = LoadAPIBitmapFromFile(path.Get(), sourceScale, location, ext.c_str());
      if (pBitmap->GetBitmap() <= 0)
      {
        delete pBitmap;
        ReportUnloadedResource("bitmap", name);
        return IBitmap();
      }
      mBitmapCache.Add(pBitmap, name, double(sourceScale));
    }
  }
  return IBitmap(pBitmap, nStates, framesAreHorizontal, name);
}

IBitmap IGraphicsVector::LoadBitmapFromData(const char* name, const uint8_t* pData, int dataSize, int nStates,
                                            bool framesAreHorizontal, int targetScale)
{
  if (!name || !mVG) return IBitmap();
  if (targetScale == 0) targetScale = int(GetScreenScale());
  APIBitmap* pBitmap = nullptr;
  {
    MutexLock lock(mBitmapCache.GetMutex());
    pBitmap = mBitmapCache.Find(name, double(targetScale));
  }
  if (!pBitmap)
  {
    pBitmap = LoadAPIBitmapFromData(name, pData, dataSize, 1);
    if (!pBitmap) return IBitmap();
    if (targetScale != 1)
    {
      pBitmap = ScaleBitmap(IBitmap(pBitmap, nStates, framesAreHorizontal, name), name, targetScale).GetAPIBitmap();
      if (!pBitmap) return IBitmap();
      MutexLock lock(mBitmapCache.GetMutex());
      mBitmapCache.Add(pBitmap, name, double(targetScale));
    }
  }
  return IBitmap(pBitmap, nStates, framesAreHorizontal, name);
}

APIBitmap* IGraphicsVector::LoadAPIBitmapFromFile(const char* fileNameOrResID, int scale, int location,
                                                  const char* ext)
{
  int id = 0;
  if (location == 1 && mVG && fileNameOrResID)
  {
    EnterDrawContext();
    id = vgCreateImage(mVG, fileNameOrResID, 0);
    LeaveDrawContext();
  }
  return new Bitmap(mVG, fileNameOrResID, double(scale), id, location == 3);
}

APIBitmap* IGraphicsVector::LoadAPIBitmapFromData(const char* name, const uint8_t* pData, int dataSize, int scale)
{
  if (!mVG || !name) return nullptr;
  MutexLock lock(mBitmapCache.GetMutex());
  if (APIBitmap* pStored = mBitmapCache.Find(name, double(scale))) return pStored;
  if (!pData || dataSize <= 0) return nullptr;
  EnterDrawContext();
  const int id = vgCreateImageMem(mVG, 0, const_cast<unsigned char*>(pData), dataSize);
  LeaveDrawContext();
  // Data that does not decode stores nothing.
  if (id <= 0) return nullptr;
  auto* pBitmap = new Bitmap(mVG, name, double(scale), id);
  mBitmapCache.Add(pBitmap, name, double(scale));
  return pBitmap;
}

APIBitmap* IGraphicsVector::CreateAPIBitmap(int width, int height, float scale, double drawScale, bool cacheable)
{
  if (!mVG) return nullptr;
  if (mInFrame) vgEndFrame(mVG);
  auto* pBitmap = new Bitmap(this, mVG, width, height, int(scale), float(drawScale));
  if (mInFrame) BeginMainFrame();
  // A framebuffer without an image can be neither drawn into nor composited.
  if (pBitmap->GetBitmap() <= 0)
  {
    delete pBitmap;
    return nullptr;
  }
  return pBitmap;
}

// --- Drawing and layer pixels ------------------------------------------------------------------------------------

void IGraphicsVector::DrawBitmap(const IBitmap& bitmap, const IRECT& dest, int srcX, int srcY, const IBlend* pBlend)
{
  const APIBitmap* pAPI = bitmap.GetAPIBitmap();
  // Without an image the paint would fill the rectangle white.
  if (!mVG || !pAPI || pAPI->GetBitmap() <= 0) return;
  const float s = 1.f / (pAPI->GetScale() * pAPI->GetDrawScale());
  const float weight = pBlend ? pBlend->mWeight : 1.f;
  VGpaint paint{};
  paint.xform[0] = s;
  paint.xform[3] = s;
  paint.xform[4] = dest.L - float(srcX);
  paint.xform[5] = dest.T - float(srcY);
  paint.extent[0] = float(bitmap.W()) * pAPI->GetScale();
  paint.extent[1] = float(bitmap.H()) * pAPI->GetScale();
  paint.innerColor = paint.outerColor = vgRGBAf(1.f, 1.f, 1.f, weight);
  paint.image = pAPI->GetBitmap();
  // A frame of a strip (a meter's, a lamp's) is mostly transparent rows, which change nothing under source-over:
  // only its rows near a visible texel are drawn, cut on whole texels.
  IRECT drawn = dest;
  const auto* pOwn = dynamic_cast<const Bitmap*>(pAPI);
  if (bitmap.N() > 1 && (!pBlend || pBlend->mMethod == kBlendDefault) && pOwn && pOwn->Unchanging() &&
      gStripRowsTrimmed.load(std::memory_order_relaxed))
  {
    // Texel (x, y) covers paint.xform[4] + x * s, paint.xform[5] + y * s on; a texel's sample can reach its
    // neighbours and the fringe a pixel beyond the edge, so a margin of texels stays around the visible ones.
    const int margin = 2 + int(std::ceil(2.f / (s * GetBackingPixelScale())));
    const float ox = paint.xform[4], oy = paint.xform[5];
    const int x0 = int(std::floor((dest.L - ox) / s)) - 1, x1 = int(std::ceil((dest.R - ox) / s)) + 1;
    const int y0 = int(std::floor((dest.T - oy) / s)), y1 = int(std::ceil((dest.B - oy) / s));
    int first = 0, last = 0;
    if (!pOwn->VisibleRows(x0, x1, y0 - margin, y1 + margin, first, last))
    {
      PathClear();
      return;
    }
    drawn.T = std::max(dest.T, oy + float(first - margin) * s);
    drawn.B = std::min(dest.B, oy + float(last + 1 + margin) * s);
  }
  vgBeginPath(mVG);
  VectorRect(mVG, drawn);
  vgFillPaint(mVG, paint);
  VectorSetBlendMode(mVG, pBlend);
  vgFill(mVG);
  vgGlobalCompositeOperation(mVG, kVGSourceOver);
  PathClear();
}

void IGraphicsVector::GetLayerBitmapData(const ILayerPtr& layer, TypedBuf<uint8_t>& data)
{
  if (!mVG || !layer || !layer->GetAPIBitmap()) return;
  const APIBitmap* pAPI = layer->GetAPIBitmap();
  const int size = pAPI->GetWidth() * pAPI->GetHeight() * 4;
  if (size <= 0) return;
  data.Resize(size);
  if (data.GetSize() < size) return;
  PushLayer(layer.get());
  MvgReadPixels(mVG, pAPI->GetBitmap(), 0, 0, pAPI->GetWidth(), pAPI->GetHeight(), data.Get());
  PopLayer();
}

void IGraphicsVector::ApplyLayerBitmapData(const ILayerPtr& layer, const TypedBuf<uint8_t>& data)
{
  if (!mVG || !layer || !layer->GetAPIBitmap()) return;
  const APIBitmap* pAPI = layer->GetAPIBitmap();
  const int w = pAPI->GetWidth(), h = pAPI->GetHeight();
  if (w <= 0 || h <= 0 || data.GetSize() < w * h * 4) return;
  Bitmap pixels(mVG, w, h, data.Get(), int(pAPI->GetScale()), pAPI->GetDrawScale());
  PushLayer(layer.get());
  DrawBitmap(IBitmap(&pixels, 1, false), layer->Bounds(), 0, 0, nullptr);
  // Popping flushed the drawing into the layer, so the image may go.
  PopLayer();
}

void IGraphicsVector::ApplyShadow(const ILayerPtr& layer, const TypedBuf<uint8_t>& mask, const IDropShadow& shadow)
{
  if (!mVG || !layer || !layer->GetAPIBitmap()) return;
  const APIBitmap* pAPI = layer->GetAPIBitmap();
  const int w = pAPI->GetWidth(), h = pAPI->GetHeight();
  if (w <= 0 || h <= 0 || mask.GetSize() < w * h * 4) return;
  const IRECT& bounds = layer->Bounds();

  if (!shadow.mDrawForeground)
  {
    // Zero blend factors write transparency whatever the fill's colour: the layer is emptied.
    PushLayer(layer.get());
    vgBeginPath(mVG);
    VectorRect(mVG, bounds);
    vgFillColor(mVG, vgRGBAf(0.f, 0.f, 0.f, 0.f));
    vgGlobalCompositeBlendFunc(mVG, kVGZero, kVGZero);
    vgFill(mVG);
    vgGlobalCompositeOperation(mVG, kVGSourceOver);
    PathClear();
    PopLayer();
  }

  Bitmap maskImage(mVG, w, h, mask.Get(), int(pAPI->GetScale()), pAPI->GetDrawScale());
  ILayer shadowLayer(CreateAPIBitmap(w, h, pAPI->GetScale(), pAPI->GetDrawScale(), false), bounds, nullptr,
                     IRECT());
  if (shadowLayer.GetAPIBitmap() && maskImage.GetBitmap() > 0)
  {
    PathTransformSave();
    PushLayer(layer.get());
    PushLayer(&shadowLayer);
    DrawBitmap(IBitmap(&maskImage, 1, false), bounds, 0, 0, nullptr);
    PathRect(bounds);
    PathTransformTranslate(-shadow.mXOffset, -shadow.mYOffset);
    const IBlend sourceIn(kBlendSourceIn, 1.f);
    PathFill(shadow.mPattern, IFillOptions(), &sourceIn);
    PopLayer();
    const IBlend destOver(kBlendDestOver, std::clamp(shadow.mOpacity, 0.f, 1.f));
    DrawBitmap(shadowLayer.GetBitmap(), bounds.GetTranslated(shadow.mXOffset, shadow.mYOffset), 0, 0, &destOver);
    PopLayer();
    PathTransformRestore();
  }
}
} // namespace iplugin::igraphics
