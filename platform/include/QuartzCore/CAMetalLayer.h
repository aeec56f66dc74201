// Stand-in for Core Animation's Metal layer: a ring of drawables (maximumDrawableCount textures of the
// drawable size and pixel format) that are handed out by nextDrawable and shown when presented.
// Main-thread use, except that drawables may be presented and released on the GPU's thread.
#pragma once

#include <CoreGraphics/CGGeometry.h>
#include <Metal/Metal.h>

#include <memory>
#include <vector>

class CAMetalLayer;
struct QorvDrawableRing;

class CAMetalDrawable : public MTLDrawable
{
public:
  CAMetalDrawable(std::shared_ptr<QorvDrawableRing> ring, uint64_t generation, int slot,
                  std::shared_ptr<MTLTexture> texture, CAMetalLayer* layer);
  // Gives its slot back to the ring unless it is the one on screen.
  ~CAMetalDrawable() override;
  std::shared_ptr<MTLTexture> texture() const { return mTexture; }
  CAMetalLayer* layer() const { return mLayer; }
  void present() override;
  // Stand-in extension, as a present with damage: where (pixels, origin top left) this drawable differs
  // from the one presented before it on the layer. Unset, all of it counts as changed. Before present.
  void setChangedRegions(const MTLRegion* regions, size_t n);

private:
  std::shared_ptr<QorvDrawableRing> mRing;
  uint64_t mGeneration;
  int mSlot;
  std::shared_ptr<MTLTexture> mTexture;
  CAMetalLayer* mLayer;
  std::vector<MTLRegion> mChanged;
  bool mChangesKnown = false;
};

class CAMetalLayer
{
public:
  static std::shared_ptr<CAMetalLayer> layer() { return std::make_shared<CAMetalLayer>(); }
  CAMetalLayer();
  ~CAMetalLayer();

  std::shared_ptr<MTLDevice> device;
  MTLPixelFormat pixelFormat = MTLPixelFormatBGRA8Unorm;
  CGSize drawableSize = {0, 0};
  bool opaque = true;
  bool presentsWithTransaction = false;
  bool framebufferOnly = true;
  NSUInteger maximumDrawableCount = 3;
  CGFloat contentsScale = 1.0;

  // Waits up to one second for a free drawable, which holds the picture the layer shows (not promised on
  // the platform, where a drawable's contents are undefined); null when none becomes free, without a
  // device, or when the drawable size is empty.
  std::shared_ptr<CAMetalDrawable> nextDrawable();

  // Stand-in internals.
  const std::shared_ptr<QorvDrawableRing>& ring() const { return mRing; }

private:
  std::shared_ptr<QorvDrawableRing> mRing;
};
