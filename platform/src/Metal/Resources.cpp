#include "platform/src/Metal/Gpu.h"

#include <algorithm>
#include <cstring>

MTLBuffer::MTLBuffer(std::shared_ptr<QorvGpu> gpu, NSUInteger length, MTLResourceOptions options)
    : mGpu(std::move(gpu)), mBytes(length, 0)
{
  mStorageMode = (MTLStorageMode)((options >> 4) & 0xf);
}

void* MTLBuffer::contents()
{
  return mStorageMode == MTLStorageModePrivate ? nullptr : mBytes.data();
}

std::shared_ptr<MTLTextureDescriptor>
MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormat pixelFormat, NSUInteger width,
                                                         NSUInteger height, bool mipmapped)
{
  auto d = std::make_shared<MTLTextureDescriptor>();
  d->pixelFormat = pixelFormat;
  d->width = width;
  d->height = height;
  if (mipmapped)
  {
    NSUInteger levels = 1;
    for (NSUInteger s = std::max(width, height); s > 1; s >>= 1)
      ++levels;
    d->mipmapLevelCount = levels;
  }
  return d;
}

MTLTexture::MTLTexture(std::shared_ptr<QorvGpu> gpu, const MTLTextureDescriptor& d)
    : mGpu(std::move(gpu)), mWidth(d.width), mHeight(d.height), mFormat(d.pixelFormat), mUsage(d.usage),
      mType(d.textureType), mSampleCount(d.sampleCount),
      mBytesPerPixel(QorvBytesPerPixel(d.pixelFormat) * d.sampleCount)
{
  mStorageMode = d.storageMode;
  NSUInteger w = mWidth, h = mHeight;
  for (NSUInteger i = 0; i < std::max<NSUInteger>(1, d.mipmapLevelCount); ++i)
  {
    mLevels.push_back(Level{w, h, qorvplatform::LargeVector<unsigned char>(w * h * mBytesPerPixel, 0)});
    if (mSampleCount > 1 && mLevels.size() == 1)
    {
      // Every sample 0: no row holds another value.
      mSampleRows.lo.assign(h, 0), mSampleRows.hi.assign(h, 0);
      mSampleRows.known = true;
    }
    if (w == 1 && h == 1) break;
    w = std::max<NSUInteger>(1, w / 2);
    h = std::max<NSUInteger>(1, h / 2);
  }
}

void MTLTexture::copyRegion(MTLRegion region, NSUInteger level, unsigned char* bytes, NSUInteger bytesPerRow,
                            bool toTexture)
{
  if (toTexture) mSampleRows.known = false; // whatever it held, every row may now differ
  if (level >= mLevels.size() || !bytes) return;
  Level& l = mLevels[level];
  if (region.origin.x >= l.width || region.origin.y >= l.height) return;
  NSUInteger w = std::min(region.size.width, l.width - region.origin.x);
  NSUInteger h = std::min(region.size.height, l.height - region.origin.y);
  for (NSUInteger row = 0; row < h; ++row)
  {
    unsigned char* texel =
        l.pixels.data() + ((region.origin.y + row) * l.width + region.origin.x) * mBytesPerPixel;
    unsigned char* client = bytes + row * bytesPerRow;
    if (toTexture)
      std::memcpy(texel, client, w * mBytesPerPixel);
    else
      std::memcpy(client, texel, w * mBytesPerPixel);
  }
}

void MTLTexture::replaceRegion(MTLRegion region, NSUInteger mipmapLevel, const void* bytes,
                               NSUInteger bytesPerRow)
{
  if (mStorageMode == MTLStorageModePrivate)
  {
    ++mGpu->validationErrors;
    return;
  }
  std::lock_guard<std::mutex> lock(mGpu->memory);
  copyRegion(region, mipmapLevel, (unsigned char*)bytes, bytesPerRow, true);
}

void MTLTexture::getBytes(void* bytes, NSUInteger bytesPerRow, MTLRegion region, NSUInteger mipmapLevel) const
{
  if (mStorageMode == MTLStorageModePrivate)
  {
    ++mGpu->validationErrors;
    return;
  }
  std::lock_guard<std::mutex> lock(mGpu->memory);
  const_cast<MTLTexture*>(this)->copyRegion(region, mipmapLevel, (unsigned char*)bytes, bytesPerRow, false);
}

MTLRenderPipelineState::MTLRenderPipelineState(const MTLRenderPipelineDescriptor& d) : mDescriptor(d)
{
  if (d.vertexDescriptor) mVertexDescriptor = *d.vertexDescriptor;
}

MTLDepthStencilState::MTLDepthStencilState(const MTLDepthStencilDescriptor& d)
{
  if (d.frontFaceStencil) mFront = Face{true, *d.frontFaceStencil};
  if (d.backFaceStencil) mBack = Face{true, *d.backFaceStencil};
}
