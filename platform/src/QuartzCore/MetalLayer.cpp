#include <QorvPlatform/Metal.h>
#include <QuartzCore/CAMetalLayer.h>

#include "platform/src/Metal/Gpu.h"

#include <algorithm>
#include <chrono>
#include <cstring>

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
  // Where what the layer shows changed since a window last took it (all of it when changedWhole), and the
  // presents it had taken then.
  std::vector<MTLRegion> changed;
  bool changedWhole = true;
  uint64_t taken = 0;

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

void CAMetalDrawable::setChangedRegions(const MTLRegion* regions, size_t n)
{
  mChanged.assign(regions, regions + n);
  mChangesKnown = true;
}

namespace
{
// Past this many kept changes, their bounds stand for them.
constexpr size_t kMaxChangedRegions = 64;

MTLRegion Bounds(const std::vector<MTLRegion>& regions)
{
  NSUInteger x0 = ~NSUInteger(0), y0 = ~NSUInteger(0), x1 = 0, y1 = 0;
  for (const MTLRegion& r : regions)
  {
    x0 = std::min(x0, r.origin.x), y0 = std::min(y0, r.origin.y);
    x1 = std::max(x1, r.origin.x + r.size.width), y1 = std::max(y1, r.origin.y + r.size.height);
  }
  return x1 > x0 && y1 > y0 ? MTLRegionMake2D(x0, y0, x1 - x0, y1 - y0) : MTLRegionMake2D(0, 0, 0, 0);
}
} // namespace

void CAMetalDrawable::present()
{
  std::lock_guard<std::mutex> lock(mRing->mutex);
  QorvDrawableRing& r = *mRing;
  // The changes add up until a window takes them; a drawable whose changes are unknown, or of another size
  // than the one shown, changed everything.
  const bool sameSize = r.shownTexture && r.shownTexture->width() == mTexture->width() &&
                        r.shownTexture->height() == mTexture->height();
  if (!mChangesKnown || !sameSize || mGeneration != r.generation) r.changedWhole = true;
  if (r.changedWhole)
    r.changed.clear();
  else
  {
    r.changed.insert(r.changed.end(), mChanged.begin(), mChanged.end());
    if (r.changed.size() > kMaxChangedRegions) r.changed.assign(1, Bounds(r.changed));
  }
  r.shown = mGeneration == r.generation ? mSlot : -1;
  r.shownTexture = mTexture;
  ++r.presents;
  r.freed.notify_all();
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

namespace
{
// A run of `count` pixels of a drawable's bytes into the target at (x, y): copied as they are where both
// are blue-first 8-bit, else converted, a piece at a time through a buffer on the stack where the target
// has a writer of its own.
void PutRow(const QorvPixelTarget& target, MTLPixelFormat format, const unsigned char* from, int x, int y,
            int count)
{
  if (format == MTLPixelFormatBGRA8Unorm)
  {
    if (target.putRow)
      target.putRow(target.context, from, x, y, size_t(count));
    else
      std::memcpy(target.pixels + size_t(y) * target.bytesPerRow + size_t(x) * 4, from, size_t(count) * 4);
    return;
  }
  constexpr int kPiece = 64;
  uint8_t piece[kPiece * 4];
  const size_t bpp = QorvBytesPerPixel(format);
  for (int done = 0; done < count; done += kPiece)
  {
    const int n = std::min(kPiece, count - done);
    uint8_t* to =
        target.putRow ? piece : target.pixels + size_t(y) * target.bytesPerRow + size_t(x + done) * 4;
    for (int i = 0; i < n; ++i, from += bpp)
    {
      float px[4];
      QorvLoadPixel(format, from, px);
      QorvStorePixel(MTLPixelFormatBGRA8Unorm, px, to + size_t(i) * 4);
    }
    if (target.putRow) target.putRow(target.context, piece, x + done, y, size_t(n));
  }
}
} // namespace

bool QorvMetalLayerCopyPresentedChanges(CAMetalLayer& layer, bool whole, const QorvPixelTarget& target,
                                        std::vector<MTLRegion>& changed)
{
  changed.clear();
  // Held while copying: the texture shown stays shown, so that no drawable is drawn into it meanwhile, and
  // the GPU's writes to it came before its present.
  std::lock_guard<std::mutex> lock(layer.ring()->mutex);
  QorvDrawableRing& r = *layer.ring();
  const std::shared_ptr<MTLTexture>& texture = r.shownTexture;
  if (!texture || (!whole && r.taken == r.presents)) return false;
  const int w = int(texture->width()), h = int(texture->height());
  if (whole || r.changedWhole)
    changed.assign(1, MTLRegionMake2D(0, 0, NSUInteger(w), NSUInteger(h)));
  else
    changed.swap(r.changed);
  r.changed.clear();
  r.changedWhole = false;
  r.taken = r.presents;

  const MTLTexture::Level& level = texture->levels()[0];
  const size_t bpp = texture->bytesPerPixel();
  size_t kept = 0;
  for (const MTLRegion& c : changed)
  {
    // In the target's pixels, within the texture and the target.
    const int x0 = std::max({0, int(c.origin.x), -target.x}) + target.x;
    const int y0 = std::max({0, int(c.origin.y), -target.y}) + target.y;
    const int x1 = std::min({w, int(c.origin.x + c.size.width), target.width - target.x}) + target.x;
    const int y1 = std::min({h, int(c.origin.y + c.size.height), target.height - target.y}) + target.y;
    if (x1 <= x0 || y1 <= y0) continue;
    for (int y = y0; y < y1; ++y)
      PutRow(target, texture->pixelFormat(),
             level.pixels.data() + (size_t(y - target.y) * level.width + size_t(x0 - target.x)) * bpp, x0, y,
             x1 - x0);
    changed[kept++] =
        MTLRegionMake2D(NSUInteger(x0), NSUInteger(y0), NSUInteger(x1 - x0), NSUInteger(y1 - y0));
  }
  changed.resize(kept);
  return true;
}

uint64_t QorvMetalLayerPresentCount(CAMetalLayer& layer)
{
  std::lock_guard<std::mutex> lock(layer.ring()->mutex);
  return layer.ring()->presents;
}
