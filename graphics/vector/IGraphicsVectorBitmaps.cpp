// The back end's bitmaps and layers: images loaded by name or from memory into the instance's storage,
// off-screen framebuffers for layers, bitmap drawing, pixel read-back and write, and layer shadows.
#include "graphics/vector/IGraphicsVector.h"

#include "framework/FileExtension.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace iplugin::igraphics
{
namespace
{
// Sets bit x of bits (whole words) for each of the w RGBA texels with non-zero alpha. The row may be read up
// to kAlphaBitsOverread bytes past its end.
constexpr size_t kAlphaBitsOverread = 64;
void AlphaBits(const unsigned char* rgba, int w, uint64_t* bits)
{
#if defined(__SSE2__)
  // Sixteen texels at a time: their alpha bytes packed into one register and compared with zero; a word's
  // texels past the row's end are cut off.
  const __m128i zero = _mm_setzero_si128();
  for (int x = 0; x < w; x += 64)
  {
    uint64_t word = 0;
    for (int g = 0; g < 64 && x + g < w; g += 16)
    {
      const auto* p = reinterpret_cast<const __m128i*>(rgba + size_t(x + g) * 4);
      const __m128i a0 = _mm_srli_epi32(_mm_loadu_si128(p), 24),
                    a1 = _mm_srli_epi32(_mm_loadu_si128(p + 1), 24);
      const __m128i a2 = _mm_srli_epi32(_mm_loadu_si128(p + 2), 24),
                    a3 = _mm_srli_epi32(_mm_loadu_si128(p + 3), 24);
      const __m128i alpha = _mm_packus_epi16(_mm_packs_epi32(a0, a1), _mm_packs_epi32(a2, a3));
      const unsigned transparent = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(alpha, zero)));
      word |= uint64_t(~transparent & 0xFFFFu) << g;
    }
    bits[x / 64] = w - x < 64 ? word & ((uint64_t(1) << (w - x)) - 1) : word;
  }
#else
  for (int x = 0; x < w; ++x)
    bits[x / 64] |= uint64_t(rgba[size_t(x) * 4 + 3] != 0) << (x % 64);
#endif
}
} // namespace

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
    // Read in bands of rows, so the buffer cleared against a failed read stays small.
    constexpr int kBand = 16;
    std::vector<unsigned char> rgba(size_t(w) * size_t(std::min(h, kBand)) * 4 + kAlphaBitsOverread);
    mAlphaBits.assign(words * size_t(h), 0);
    mRows.assign(size_t(h), VisibleRow{w, -1, h, -1});
    for (int y = 0; y < h; ++y)
    {
      if (y % kBand == 0) MvgReadPixels(mVG, GetBitmap(), 0, y, w, std::min(kBand, h - y), rgba.data());
      uint64_t* row = &mAlphaBits[size_t(y) * words];
      AlphaBits(&rgba[size_t(y % kBand) * size_t(w) * 4], w, row);
      VisibleRow& r = mRows[size_t(y)];
      for (size_t i = 0; i < words && r.firstX == w; ++i)
        if (row[i]) r.firstX = int(i * 64) + std::countr_zero(row[i]);
      for (size_t i = words; i-- > 0 && r.lastX < 0;)
        if (row[i]) r.lastX = int(i * 64) + 63 - std::countl_zero(row[i]);
      r.previous = r.lastX >= 0 ? y : y > 0 ? mRows[size_t(y) - 1].previous : -1;
    }
    for (int y = h - 1; y >= 0; --y)
      mRows[size_t(y)].next = mRows[size_t(y)].lastX >= 0 ? y : y + 1 < h ? mRows[size_t(y) + 1].next : h;
  }
  x0 = std::max(x0, 0), x1 = std::min(x1, w), y0 = std::max(y0, 0), y1 = std::min(y1, h);
  if (y0 >= y1 || x0 >= x1) return false; // rows wholly above or below the image, or no columns
  // A strip's frames are asked for again and again, as its value comes back to them: the answers are kept,
  // keyed by the clamped question.
  const bool keyed = w <= 0xFFFF && h <= 0xFFFF;
  const uint64_t key = uint64_t(x0) | uint64_t(x1) << 16 | uint64_t(y0) << 32 | uint64_t(y1) << 48;
  if (keyed)
    if (const auto found = mAnswers.find(key); found != mAnswers.end())
    {
      first = found->second.first, last = found->second.second;
      return first >= 0;
    }
  auto answer = [&](bool any)
  {
    if (keyed)
    {
      if (mAnswers.size() >= kMaxAnswers) mAnswers.clear();
      mAnswers.emplace(key, any ? std::make_pair(first, last) : std::make_pair(-1, -1));
    }
    return any;
  };
  auto visible = [&](int y)
  {
    // Most rows answer from their outermost visible texels; only a row visible on both sides of the columns
    // needs its bits.
    const VisibleRow& r = mRows[size_t(y)];
    if (r.lastX < x0 || r.firstX >= x1) return false;
    if (r.firstX >= x0 || r.lastX < x1) return true;
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
  first = mRows[size_t(y0)].next;
  while (first < y1 && !visible(first))
    first = first + 1 < h ? mRows[size_t(first) + 1].next : h;
  if (first >= y1) return answer(false);
  // first is visible, so the search down from y1 stops at it at the latest.
  last = mRows[size_t(y1) - 1].previous;
  while (!visible(last))
    last = mRows[size_t(last) - 1].previous;
  return answer(true);
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
      vgOptions(mVG).stripRowsTrimmed)
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
