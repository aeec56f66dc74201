#include <QorvPlatform/Metal.h>
#include <QuartzCore/CAMetalLayer.h>

#include "platform/src/Metal/Gpu.h"

#include <algorithm>
#include <chrono>

struct QorvDrawableRing
{
  std::mutex mutex;
  std::condition_variable freed;
  struct Slot
  {
    std::shared_ptr<MTLTexture> texture;
    bool out = false;
  };
  std::vector<Slot> slots;
  // Slots of a ring that was remade are told apart by their generation.
  uint64_t generation = 0;
  NSUInteger width = 0, height = 0;
  MTLPixelFormat format = MTLPixelFormatInvalid;
  int shown = -1;
  std::shared_ptr<MTLTexture> shownTexture;
  uint64_t presents = 0;

  void release(uint64_t gen, int slot)
  {
    std::lock_guard<std::mutex> lock(mutex);
    if (gen == generation && slot >= 0 && slot < (int)slots.size()) slots[slot].out = false;
    freed.notify_all();
  }
};

CAMetalDrawable::CAMetalDrawable(std::shared_ptr<QorvDrawableRing> ring, uint64_t generation, int slot,
                                 std::shared_ptr<MTLTexture> texture, CAMetalLayer* layer)
    : mRing(std::move(ring)), mGeneration(generation), mSlot(slot), mTexture(std::move(texture)),
      mLayer(layer)
{
}

CAMetalDrawable::~CAMetalDrawable()
{
  mRing->release(mGeneration, mSlot);
}

void CAMetalDrawable::present()
{
  std::lock_guard<std::mutex> lock(mRing->mutex);
  mRing->shown = mGeneration == mRing->generation ? mSlot : -1;
  mRing->shownTexture = mTexture;
  ++mRing->presents;
  mRing->freed.notify_all();
}

CAMetalLayer::CAMetalLayer() : mRing(std::make_shared<QorvDrawableRing>()) {}
CAMetalLayer::~CAMetalLayer() = default;

std::shared_ptr<CAMetalDrawable> CAMetalLayer::nextDrawable()
{
  if (!device || drawableSize.width < 1 || drawableSize.height < 1) return nullptr;
  NSUInteger w = (NSUInteger)drawableSize.width, h = (NSUInteger)drawableSize.height;
  NSUInteger count = std::clamp<NSUInteger>(maximumDrawableCount, 2, 3);
  std::unique_lock<std::mutex> lock(mRing->mutex);
  QorvDrawableRing& r = *mRing;
  if (r.width != w || r.height != h || r.format != pixelFormat || r.slots.size() != count)
  {
    auto d = MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(pixelFormat, w, h, false);
    d->usage = MTLTextureUsage(MTLTextureUsageRenderTarget | MTLTextureUsageShaderRead);
    std::vector<QorvDrawableRing::Slot> slots(count);
    for (auto& s : slots)
      if (!(s.texture = device->newTextureWithDescriptor(*d))) return nullptr;
    r.slots = std::move(slots);
    ++r.generation;
    r.width = w, r.height = h, r.format = pixelFormat;
    r.shown = -1;
  }
  auto freeSlot = [&r]()
  {
    for (int i = 0; i < (int)r.slots.size(); ++i)
      if (!r.slots[i].out && i != r.shown) return i;
    return -1;
  };
  int slot = -1;
  r.freed.wait_for(lock, std::chrono::seconds(1), [&] { return (slot = freeSlot()) >= 0; });
  if (slot < 0) return nullptr;
  r.slots[slot].out = true;
  // As on the platform, the drawable's texture keeps whatever was last drawn into it: some earlier frame.
  return std::make_shared<CAMetalDrawable>(mRing, r.generation, slot, r.slots[slot].texture, this);
}

bool QorvMetalLayerCopyPresentedImage(CAMetalLayer& layer, std::vector<uint8_t>& rgba, int& width,
                                      int& height)
{
  QorvGpu::shared()->waitIdle();
  std::shared_ptr<MTLTexture> texture;
  {
    std::lock_guard<std::mutex> lock(layer.ring()->mutex);
    texture = layer.ring()->shownTexture;
  }
  if (!texture) return false;
  width = (int)texture->width();
  height = (int)texture->height();
  rgba.assign((size_t)width * height * 4, 0);
  std::vector<uint8_t> raw((size_t)width * height * texture->bytesPerPixel());
  texture->getBytes(raw.data(), width * texture->bytesPerPixel(), MTLRegionMake2D(0, 0, width, height), 0);
  for (size_t i = 0; i < (size_t)width * height; ++i)
  {
    float px[4];
    QorvLoadPixel(texture->pixelFormat(), &raw[i * texture->bytesPerPixel()], px);
    QorvStorePixel(MTLPixelFormatRGBA8Unorm, px, &rgba[i * 4]);
  }
  return true;
}

uint64_t QorvMetalLayerPresentCount(CAMetalLayer& layer)
{
  std::lock_guard<std::mutex> lock(layer.ring()->mutex);
  return layer.ring()->presents;
}
