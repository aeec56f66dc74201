// Stand-in for Metal's resources: buffers, 2-D textures with their mipmap levels, and sampler states.
// CPU access (contents, replaceRegion, getBytes) is immediate, as on unified memory; GPU work that reads or
// writes a resource runs when its command buffer executes.
#pragma once

#include <Metal/MTLTypes.h>
#include <QorvPlatform/LargeBlocks.h>

#include <memory>
#include <vector>

struct QorvGpu;

class MTLResource
{
public:
  virtual ~MTLResource() = default;
  MTLStorageMode storageMode() const { return mStorageMode; }

protected:
  MTLStorageMode mStorageMode = MTLStorageModeShared;
};

class MTLBuffer : public MTLResource
{
public:
  MTLBuffer(std::shared_ptr<QorvGpu> gpu, NSUInteger length, MTLResourceOptions options);
  // CPU-visible bytes; null for private storage.
  void* contents();
  NSUInteger length() const { return mBytes.size(); }

  // Stand-in internals, read by the rasteriser.
  const unsigned char* bytes() const { return mBytes.data(); }

private:
  std::shared_ptr<QorvGpu> mGpu;
  qorvplatform::LargeVector<unsigned char> mBytes;
};

class MTLTextureDescriptor
{
public:
  static std::shared_ptr<MTLTextureDescriptor> texture2DDescriptorWithPixelFormat(MTLPixelFormat pixelFormat,
                                                                                  NSUInteger width,
                                                                                  NSUInteger height,
                                                                                  bool mipmapped);
  MTLTextureType textureType = MTLTextureType2D;
  MTLPixelFormat pixelFormat = MTLPixelFormatRGBA8Unorm;
  NSUInteger width = 1;
  NSUInteger height = 1;
  NSUInteger mipmapLevelCount = 1;
  // Samples a pixel of an MTLTextureType2DMultisample texture holds (1 for the others).
  NSUInteger sampleCount = 1;
  MTLTextureUsage usage = MTLTextureUsageShaderRead;
  MTLStorageMode storageMode = MTLStorageModeShared;
};

class MTLTexture : public MTLResource
{
public:
  MTLTexture(std::shared_ptr<QorvGpu> gpu, const MTLTextureDescriptor& descriptor);
  NSUInteger width() const { return mWidth; }
  NSUInteger height() const { return mHeight; }
  MTLPixelFormat pixelFormat() const { return mFormat; }
  NSUInteger mipmapLevelCount() const { return mLevels.size(); }
  MTLTextureUsage usage() const { return mUsage; }
  MTLTextureType textureType() const { return mType; }
  NSUInteger sampleCount() const { return mSampleCount; }

  // Copies rows of the region from bytes (bytesPerRow apart) into the texture; regions outside the level are
  // clipped. Not allowed on private storage (ignored).
  void replaceRegion(MTLRegion region, NSUInteger mipmapLevel, const void* bytes, NSUInteger bytesPerRow);
  void getBytes(void* bytes, NSUInteger bytesPerRow, MTLRegion region, NSUInteger mipmapLevel) const;

  // Stand-in internals: level pixels, rows packed, level 0 first.
  struct Level
  {
    NSUInteger width, height;
    qorvplatform::LargeVector<unsigned char> pixels;
  };
  std::vector<Level>& levels() { return mLevels; }
  const std::vector<Level>& levels() const { return mLevels; }
  // Bytes a pixel takes in a level: every sample's, side by side.
  NSUInteger bytesPerPixel() const { return mBytesPerPixel; }
  // A multisampled texture's rows, as coarse tiles of a GPU's: in row y only pixels lo[y] to hi[y] - 1 may
  // hold another value than `value` at some sample (where known; a copy from the CPU makes it unknown). Draws
  // and clears keep it, each row by the band that draws it; drawing skips what it tells holds `value`.
  struct SampleRows
  {
    std::vector<int32_t> lo, hi;
    uint8_t value = 0;
    bool known = false;
  };
  SampleRows* sampleRows() { return mSampleCount > 1 ? &mSampleRows : nullptr; }
  // Copies a region between client memory and a level; 'toTexture' picks the direction. Caller holds the GPU
  // lock.
  void copyRegion(MTLRegion region, NSUInteger level, unsigned char* bytes, NSUInteger bytesPerRow,
                  bool toTexture);
  QorvGpu& gpu() const { return *mGpu; }

private:
  std::shared_ptr<QorvGpu> mGpu;
  NSUInteger mWidth, mHeight;
  MTLPixelFormat mFormat;
  MTLTextureUsage mUsage;
  MTLTextureType mType;
  NSUInteger mSampleCount;
  NSUInteger mBytesPerPixel;
  std::vector<Level> mLevels;
  SampleRows mSampleRows;
};

class MTLSamplerDescriptor
{
public:
  MTLSamplerMinMagFilter minFilter = MTLSamplerMinMagFilterNearest;
  MTLSamplerMinMagFilter magFilter = MTLSamplerMinMagFilterNearest;
  MTLSamplerMipFilter mipFilter = MTLSamplerMipFilterNotMipmapped;
  MTLSamplerAddressMode sAddressMode = MTLSamplerAddressModeClampToEdge;
  MTLSamplerAddressMode tAddressMode = MTLSamplerAddressModeClampToEdge;
  bool normalizedCoordinates = true;
};

class MTLSamplerState
{
public:
  explicit MTLSamplerState(const MTLSamplerDescriptor& descriptor) : mDescriptor(descriptor) {}
  // Stand-in internals.
  const MTLSamplerDescriptor& descriptor() const { return mDescriptor; }

private:
  MTLSamplerDescriptor mDescriptor;
};
