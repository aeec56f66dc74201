#include "graphics/IGraphics.h"

#include <cmath>
#include <vector>

namespace iplugin::igraphics
{
// --- Transform stack ------------------------------------------------------------------------------

void IGraphics::PathTransformReset(bool clearStates)
{
  if (clearStates)
    while (!mTransformStates.empty())
      mTransformStates.pop();
  mTransform = IMatrix();
  PathTransformSetMatrix(mTransform);
}

void IGraphics::PathTransformSave()
{
  mTransformStates.push(mTransform);
}

void IGraphics::PathTransformRestore()
{
  if (mTransformStates.empty()) return;
  mTransform = mTransformStates.top();
  mTransformStates.pop();
  PathTransformSetMatrix(mTransform);
}

void IGraphics::PathTransformTranslate(float x, float y)
{
  mTransform.Translate(x, y);
  PathTransformSetMatrix(mTransform);
}

void IGraphics::PathTransformScale(float scaleX, float scaleY)
{
  mTransform.Scale(scaleX, scaleY);
  PathTransformSetMatrix(mTransform);
}

void IGraphics::PathTransformScale(float scale)
{
  PathTransformScale(scale, scale);
}

void IGraphics::PathTransformRotate(float angle)
{
  mTransform.Rotate(angle);
  PathTransformSetMatrix(mTransform);
}

void IGraphics::PathTransformSkew(float xAngle, float yAngle)
{
  mTransform.Skew(xAngle, yAngle);
  PathTransformSetMatrix(mTransform);
}

void IGraphics::PathTransformMatrix(const IMatrix& matrix)
{
  mTransform.Transform(matrix);
  PathTransformSetMatrix(mTransform);
}

void IGraphics::PathClipRegion(const IRECT r)
{
  // A layer without a bitmap has nothing to draw into.
  const IRECT drawArea =
      mLayers.empty() ? mClipRECT : (mLayers.top()->mBitmap ? mLayers.top()->Bounds() : IRECT());
  const IRECT clip = r.Empty() ? drawArea : r.Intersect(drawArea);
  // The clip is given untransformed.
  PathTransformSetMatrix(IMatrix());
  SetClipRegion(clip);
  PathTransformSetMatrix(mTransform);
}

// --- Layers -------------------------------------------------------------------------------------------

void IGraphics::StartLayer(IControl* pOwner, const IRECT& r, bool cacheable)
{
  const float scale = GetBackingPixelScale();
  const IRECT bounds = r.PixelAligned(scale);
  const int w = int(std::ceil(scale * std::ceil(bounds.W())));
  const int h = int(std::ceil(scale * std::ceil(bounds.H())));
  // Without an area (or when the renderer cannot make the bitmap) the layer has no bitmap: it is pushed
  // all the same, so that the matching EndLayer pops this one and not an outer one, and nothing drawn
  // into it shows.
  APIBitmap* pBitmap =
      w > 0 && h > 0 ? CreateAPIBitmap(w, h, GetScreenScale(), GetDrawScale(), cacheable) : nullptr;
  PushLayer(new ILayer(pBitmap, bounds, pOwner, pOwner ? pOwner->GetRECT() : IRECT()));
}

void IGraphics::ResumeLayer(ILayerPtr& layer)
{
  if (ILayer* pLayer = layer.release()) PushLayer(pLayer);
}

ILayerPtr IGraphics::EndLayer()
{
  return ILayerPtr(PopLayer());
}

void IGraphics::PushLayer(ILayer* pLayer)
{
  mLayers.push(pLayer);
  UpdateLayer();
  PathTransformReset(false);
  PathClipRegion(pLayer->Bounds());
  PathClear();
}

ILayer* IGraphics::PopLayer()
{
  ILayer* pLayer = nullptr;
  if (!mLayers.empty())
  {
    pLayer = mLayers.top();
    mLayers.pop();
  }
  UpdateLayer();
  PathTransformReset(false);
  PathClipRegion();
  PathClear();
  return pLayer;
}

bool IGraphics::CheckLayer(const ILayerPtr& layer)
{
  if (!layer || !layer->mBitmap) return false;
  if (IControl* pControl = layer->mControl; pControl && pControl->GetRECT() != layer->mControlRECT)
  {
    layer->mControlRECT = pControl->GetRECT();
    layer->Invalidate();
  }
  if (layer->mInvalid) return false;
  return layer->mBitmap->GetDrawScale() == GetDrawScale() && layer->mBitmap->GetScale() == GetScreenScale();
}

namespace
{
bool Drawable(const ILayerPtr& layer)
{
  return layer && layer->GetAPIBitmap() && layer->Bounds().W() > 0.f && layer->Bounds().H() > 0.f;
}
} // namespace

void IGraphics::DrawLayer(const ILayerPtr& layer, const IBlend* pBlend)
{
  if (!Drawable(layer)) return;
  PathTransformSave();
  PathTransformReset(false);
  DrawBitmap(layer->GetBitmap(), layer->Bounds(), 0, 0, pBlend);
  PathTransformRestore();
}

void IGraphics::DrawLayerInRect(const ILayerPtr& layer, const IRECT& bounds, const IBlend* pBlend)
{
  if (!Drawable(layer)) return;
  const float w = layer->Bounds().W(), h = layer->Bounds().H();
  PathTransformSave();
  PathTransformTranslate(bounds.L, bounds.T);
  PathTransformScale(bounds.W() / w, bounds.H() / h);
  DrawBitmap(layer->GetBitmap(), IRECT(0.f, 0.f, w, h), 0, 0, pBlend);
  PathTransformRestore();
}

void IGraphics::DrawLayerRotated(const ILayerPtr& layer, double angle)
{
  if (!Drawable(layer)) return;
  PathTransformSave();
  PathTransformReset(false);
  DrawRotatedBitmap(layer->GetBitmap(), layer->Bounds().MW(), layer->Bounds().MH(), angle, nullptr);
  PathTransformRestore();
}

// --- Drop shadow ------------------------------------------------------------------------------------

void IGraphics::ApplyLayerDropShadow(ILayerPtr& layer, const IDropShadow& shadow)
{
  if (!layer || !layer->mBitmap) return;
  TypedBuf<uint8_t> pixels;
  GetLayerBitmapData(layer, pixels);
  const APIBitmap& bitmap = *layer->mBitmap;
  const int width = bitmap.GetWidth(), height = bitmap.GetHeight();
  // A buffer shorter than the bitmap would be read past its end.
  if (width <= 0 || height <= 0 || !pixels.Get() || pixels.GetSize() / 4 / width < height) return;

  const double s = double(bitmap.GetScale()) * bitmap.GetDrawScale();
  const double b = std::max(1.0, s * shadow.mBlurSize + 1.0);
  const int kernelSize = int(std::ceil(b));
  const double c = 4.5 / (b * b);
  std::vector<uint8_t> kernel(static_cast<size_t>(kernelSize));
  int norm = 0;
  for (int i = 0; i < kernelSize; ++i)
  {
    kernel[size_t(i)] = uint8_t(std::lround(255.0 * std::exp(-double(i) * i * c)));
    norm += (i ? 2 : 1) * kernel[size_t(i)];
  }

  TypedBuf<uint8_t> transposed;
  if (!transposed.Resize(width * height * 4) || transposed.GetSize() != width * height * 4) return;
  uint8_t* alpha = pixels.Get() + AlphaChannelIndex();
  BlurShadowMask(transposed.Get(), alpha, kernel.data(), width, height, height * 4, width * 4, kernelSize, norm);
  BlurShadowMask(alpha, transposed.Get(), kernel.data(), height, width, width * 4, height * 4, kernelSize, norm);
  ApplyShadow(layer, pixels, shadow);
}

void IGraphics::BlurShadowMask(uint8_t* out, const uint8_t* in, const uint8_t* kernel, int width, int height,
                               int outStride, int inStride, int kernelSize, int norm)
{
  if (norm <= 0 || kernelSize < 1) return;
  const int K = kernelSize;
  for (int y = 0; y < height; ++y)
  {
    const uint8_t* row = in + y * inStride;
    auto sample = [row](int i) { return int(row[i * 4]); };
    // Length of the run of equal samples that ends at the window's right edge.
    int run = 0;
    for (int i = 0; i < std::min(K - 1, width); ++i)
      run = i > 0 && sample(i) == sample(i - 1) ? run + 1 : 1;
    for (int j = 0; j < width; ++j)
    {
      const int right = j + K - 1;
      if (right < width) run = right > 0 && sample(right) == sample(right - 1) ? run + 1 : 1;

      int result;
      const bool middle = j >= K - 1 && right < width;
      if (middle && run >= 2 * K - 1)
        result = sample(j); // a uniform window gives the sample itself
      else
      {
        // Taps beyond either end of the row are left out, so short rows stay inside their samples.
        int sum = kernel[0] * sample(j);
        for (int i = 1; i < K; ++i)
        {
          if (j - i >= 0) sum += kernel[i] * sample(j - i);
          if (j + i < width) sum += kernel[i] * sample(j + i);
        }
        result = std::min(sum / norm, 255);
      }
      out[j * outStride + y * 4] = uint8_t(result);
    }
  }
}
} // namespace iplugin::igraphics
