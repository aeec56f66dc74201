#include <QorvPlatform/Metal.h>

#include <gtest/gtest.h>

#include <numeric>

TEST(MetalResources, RegionsCopyInAndOutWithTheirRowPitch)
{
  auto device = MTLCreateSystemDefaultDevice();
  auto d = MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormatR8Unorm, 8, 4, false);
  auto t = device->newTextureWithDescriptor(*d);
  std::vector<uint8_t> src(32);
  std::iota(src.begin(), src.end(), 1);
  // a 3 x 2 region at (2, 1) from a buffer with rows 8 bytes apart
  t->replaceRegion(MTLRegionMake2D(2, 1, 3, 2), 0, src.data() + 1 * 8 + 2, 8);
  std::vector<uint8_t> all(32, 0xee);
  t->getBytes(all.data(), 8, MTLRegionMake2D(0, 0, 8, 4), 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x)
    {
      bool in = x >= 2 && x < 5 && y >= 1 && y < 3;
      EXPECT_EQ(all[y * 8 + x], in ? src[y * 8 + x] : 0) << x << "," << y;
    }
  // a region reaching past the edge is clipped, not overrun
  t->replaceRegion(MTLRegionMake2D(6, 3, 10, 10), 0, src.data(), 8);
  t->getBytes(all.data(), 8, MTLRegionMake2D(0, 0, 8, 4), 0);
  EXPECT_EQ(all[3 * 8 + 6], 1);
  EXPECT_EQ(all[3 * 8 + 7], 2);
}

TEST(MetalResources, DescriptorsAndLimits)
{
  auto device = MTLCreateSystemDefaultDevice();
  auto d = MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormatRGBA8Unorm, 16, 4, true);
  EXPECT_EQ(d->mipmapLevelCount, 5u);
  auto t = device->newTextureWithDescriptor(*d);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->levels().back().width, 1u);
  d->width = 0;
  EXPECT_FALSE(device->newTextureWithDescriptor(*d));
  d->width = 100000;
  EXPECT_FALSE(device->newTextureWithDescriptor(*d));
  EXPECT_FALSE(device->newBufferWithLength(0, MTLResourceStorageModeShared));
  auto b = device->newBufferWithLength(64, MTLResourceStorageModeShared);
  ASSERT_TRUE(b && b->contents());
  EXPECT_EQ(b->length(), 64u);
  EXPECT_FALSE(device->newBufferWithLength(64, MTLResourceStorageModePrivate)->contents());
}

TEST(MetalResources, BlitCopiesFromBufferAndMakesMipmaps)
{
  auto device = MTLCreateSystemDefaultDevice();
  auto queue = device->newCommandQueue();
  auto d = MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormatR8Unorm, 4, 2, true);
  d->storageMode = MTLStorageModePrivate;
  auto t = device->newTextureWithDescriptor(*d);
  const uint8_t px[8] = {0, 100, 200, 40, 0, 100, 200, 40};
  auto buffer = device->newBufferWithBytes(px, 8, MTLResourceStorageModeShared);
  auto cb = queue->commandBuffer();
  auto blit = cb->blitCommandEncoder();
  blit->copyFromBuffer(buffer, 0, 4, 8, MTLSizeMake(4, 2, 1), t, 0, 0, MTLOriginMake(0, 0, 0));
  blit->generateMipmapsForTexture(t);
  blit->endEncoding();
  cb->commit();
  cb->waitUntilCompleted();
  EXPECT_EQ(cb->status(), MTLCommandBufferStatusCompleted);
  ASSERT_EQ(t->levels().size(), 3u);
  EXPECT_EQ(t->levels()[1].pixels, (qorvplatform::LargeVector<uint8_t>{50, 120}));
  EXPECT_EQ(t->levels()[2].pixels, (qorvplatform::LargeVector<uint8_t>{85}));
}
