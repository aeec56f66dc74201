// The bitmap and SVG handles that controls keep, and the renderer-side bitmap behind a bitmap handle.
// Handles are light copies: the images belong to the graphics caches, never to a handle.
#pragma once

#include "framework/StringBuf.h"
#include "graphics/svg/SVGimage.h"

namespace iplugin::igraphics
{
// A renderer's image: its id, size in pixels, the screen scale it was made for and its draw scale.
// Owned by whichever cache or layer holds it; deleted through the virtual destructor.
class APIBitmap
{
public:
  APIBitmap() = default;
  APIBitmap(int handle, int width, int height, float scale, float drawScale)
      : mHandle(handle), mWidth(width), mHeight(height), mScale(scale), mDrawScale(drawScale)
  {
  }
  virtual ~APIBitmap() = default;
  APIBitmap(const APIBitmap&) = delete;
  APIBitmap& operator=(const APIBitmap&) = delete;

  int GetBitmap() const { return mHandle; }
  int GetWidth() const { return mWidth; }
  int GetHeight() const { return mHeight; }
  float GetScale() const { return mScale; }
  float GetDrawScale() const { return mDrawScale; }

protected:
  void SetBitmap(int handle, int width, int height, float scale, float drawScale)
  {
    mHandle = handle;
    mWidth = width;
    mHeight = height;
    mScale = scale;
    mDrawScale = drawScale;
  }

private:
  int mHandle = 0;
  int mWidth = 0;
  int mHeight = 0;
  float mScale = 1.f;
  float mDrawScale = 1.f;
};

// A bitmap in points with its frames. Invalid (all zero, no name) when nothing could be loaded.
class IBitmap
{
public:
  IBitmap() = default;
  // A frame count below 1 counts as 1.
  IBitmap(APIBitmap* pAPIBitmap, int nFrames, bool framesAreHorizontal, const char* name = "")
      : mAPIBitmap(pAPIBitmap), mN(nFrames < 1 ? 1 : nFrames), mFramesAreHorizontal(framesAreHorizontal),
        mResourceName(name ? name : "")
  {
    if (mAPIBitmap && mAPIBitmap->GetScale() > 0.f)
    {
      mW = int(mAPIBitmap->GetWidth() / mAPIBitmap->GetScale());
      mH = int(mAPIBitmap->GetHeight() / mAPIBitmap->GetScale());
    }
  }

  bool IsValid() const { return mAPIBitmap != nullptr; }
  APIBitmap* GetAPIBitmap() const { return mAPIBitmap; }
  // The whole bitmap in points, truncated.
  int W() const { return mW; }
  int H() const { return mH; }
  int N() const { return mN; }
  // One frame in points.
  int FW() const { return mFramesAreHorizontal ? mW / mN : mW; }
  int FH() const { return mFramesAreHorizontal ? mH : mH / mN; }
  bool GetFramesAreHorizontal() const { return mFramesAreHorizontal; }
  float GetScale() const { return mAPIBitmap ? mAPIBitmap->GetScale() : 0.f; }
  float GetDrawScale() const { return mAPIBitmap ? mAPIBitmap->GetDrawScale() : 0.f; }
  const char* GetResourceName() const { return mResourceName.Get(); }

private:
  APIBitmap* mAPIBitmap = nullptr;
  int mW = 0;
  int mH = 0;
  int mN = 0;
  bool mFramesAreHorizontal = false;
  StringBuf mResourceName;
};

// A parsed SVG document owned by the process-wide SVG cache. Null: loading failed.
struct ISVG
{
  SVGimage* mImage = nullptr;

  ISVG() = default;
  explicit ISVG(SVGimage* image) : mImage(image) {}
  bool IsValid() const { return mImage != nullptr; }
  float W() const { return mImage ? mImage->width : 0.f; }
  float H() const { return mImage ? mImage->height : 0.f; }
};
} // namespace iplugin::igraphics
