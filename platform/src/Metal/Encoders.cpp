#include "platform/src/Metal/Gpu.h"

#include <algorithm>
#include <cstring>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace
{
constexpr NSUInteger kParallelPixels = 128 * 128;
constexpr unsigned kMaxBands = 8;

// Threads kept for drawing bands, so that a pass does not start and join threads of its own and smaller
// targets are worth drawing in bands too. One job at a time; the caller draws band 0 itself.
class BandPool
{
public:
  static BandPool& shared()
  {
    // Never destroyed: its threads wait on it until the process ends.
    static BandPool* pool = new BandPool;
    return *pool;
  }

  void run(int bands, const std::function<void(int)>& job)
  {
    std::lock_guard<std::mutex> call(mCall);
    {
      std::lock_guard<std::mutex> lock(mMutex);
      while ((int)mWorkers < bands - 1)
        std::thread(&BandPool::loop, this, (int)++mWorkers, mGeneration).detach();
      mJob = &job;
      mBands = bands;
      mPending = bands - 1;
      ++mGeneration;
    }
    mWake.notify_all();
    job(0);
    std::unique_lock<std::mutex> lock(mMutex);
    mDone.wait(lock, [this] { return mPending == 0; });
    mJob = nullptr;
  }

private:
  // seen: the last generation before the thread was made.
  void loop(int band, uint64_t seen)
  {
    std::unique_lock<std::mutex> lock(mMutex);
    for (;;)
    {
      mWake.wait(lock, [&] { return mGeneration != seen; });
      seen = mGeneration;
      if (band >= mBands) continue;
      const std::function<void(int)>* job = mJob;
      lock.unlock();
      (*job)(band);
      lock.lock();
      if (--mPending == 0) mDone.notify_all();
    }
  }

  std::mutex mCall;
  std::mutex mMutex;
  std::condition_variable mWake, mDone;
  const std::function<void(int)>* mJob = nullptr;
  int mBands = 0, mPending = 0;
  unsigned mWorkers = 0;
  uint64_t mGeneration = 0;
};

void ClearTexture(MTLTexture& texture, NSUInteger level, const unsigned char* pixel)
{
  if (level >= texture.levels().size()) return;
  auto& pixels = texture.levels()[level].pixels;
  const size_t bpp = texture.bytesPerPixel(), size = pixels.size() / bpp * bpp;
  if (size == 0) return;
  // One pixel, then copies of what is filled so far, doubling: a few large copies instead of one a pixel.
  std::memcpy(pixels.data(), pixel, bpp);
  for (size_t filled = bpp; filled < size; filled *= 2)
    std::memcpy(pixels.data() + filled, pixels.data(), std::min(filled, size - filled));
}
} // namespace

MTLRenderCommandEncoder::MTLRenderCommandEncoder(std::shared_ptr<MTLCommandBuffer> commandBuffer,
                                                 const MTLRenderPassDescriptor& pass)
    : mCommandBuffer(std::move(commandBuffer)), mPass(pass)
{
  if (auto& t = mPass.colorAttachments[0].texture)
    mState.viewport = MTLViewport{0, 0, (double)t->width(), (double)t->height(), 0, 1};
  else if (auto& s = mPass.stencilAttachment.texture)
    mState.viewport = MTLViewport{0, 0, (double)s->width(), (double)s->height(), 0, 1};
}

MTLRenderCommandEncoder::~MTLRenderCommandEncoder() = default;

void MTLRenderCommandEncoder::setViewport(MTLViewport viewport)
{
  mState.viewport = viewport;
}
void MTLRenderCommandEncoder::setCullMode(MTLCullMode mode)
{
  mState.cullMode = mode;
}
void MTLRenderCommandEncoder::setFrontFacingWinding(MTLWinding winding)
{
  mState.frontFacingWinding = winding;
}
void MTLRenderCommandEncoder::setStencilReferenceValue(uint32_t value)
{
  mState.stencilReference = value;
}

void MTLRenderCommandEncoder::setRenderPipelineState(std::shared_ptr<MTLRenderPipelineState> state)
{
  mState.pipeline = std::move(state);
}

void MTLRenderCommandEncoder::setDepthStencilState(std::shared_ptr<MTLDepthStencilState> state)
{
  mState.depthStencil = std::move(state);
}

void MTLRenderCommandEncoder::setVertexBuffer(std::shared_ptr<MTLBuffer> buffer, NSUInteger offset,
                                              NSUInteger index)
{
  if (index < QorvDrawState::kSlots) mState.vertexBuffers[index] = {std::move(buffer), offset};
}

void MTLRenderCommandEncoder::setVertexBufferOffset(NSUInteger offset, NSUInteger index)
{
  if (index < QorvDrawState::kSlots) mState.vertexBuffers[index].offset = offset;
}

void MTLRenderCommandEncoder::setFragmentBuffer(std::shared_ptr<MTLBuffer> buffer, NSUInteger offset,
                                                NSUInteger index)
{
  if (index < QorvDrawState::kSlots) mState.fragmentBuffers[index] = {std::move(buffer), offset};
}

void MTLRenderCommandEncoder::setFragmentBufferOffset(NSUInteger offset, NSUInteger index)
{
  if (index < QorvDrawState::kSlots) mState.fragmentBuffers[index].offset = offset;
}

void MTLRenderCommandEncoder::setFragmentTexture(std::shared_ptr<MTLTexture> texture, NSUInteger index)
{
  if (index < QorvDrawState::kSlots) mState.fragmentTextures[index] = std::move(texture);
}

void MTLRenderCommandEncoder::setFragmentSamplerState(std::shared_ptr<MTLSamplerState> sampler,
                                                      NSUInteger index)
{
  if (index < QorvDrawState::kSlots) mState.fragmentSamplers[index] = std::move(sampler);
}

void MTLRenderCommandEncoder::drawPrimitives(MTLPrimitiveType type, NSUInteger vertexStart,
                                             NSUInteger vertexCount)
{
  if (!mEnded && vertexCount > 0)
    mDraws.push_back(Draw{mState, type, vertexStart, vertexCount, MTLIndexTypeUInt32, nullptr});
}

void MTLRenderCommandEncoder::drawIndexedPrimitives(MTLPrimitiveType type, NSUInteger indexCount,
                                                    MTLIndexType indexType,
                                                    std::shared_ptr<MTLBuffer> indexBuffer,
                                                    NSUInteger indexBufferOffset)
{
  if (!mEnded && indexCount > 0 && indexBuffer)
    mDraws.push_back(Draw{mState, type, indexBufferOffset, indexCount, indexType, std::move(indexBuffer)});
}

void MTLRenderCommandEncoder::endEncoding()
{
  if (mEnded) return;
  mEnded = true;
  auto gpu = mCommandBuffer->device()->gpu();
  mCommandBuffer->appendPass(
      [pass = mPass, draws = std::move(mDraws), gpu]()
      {
        const auto& colourAttachment = pass.colorAttachments[0];
        const auto& stencilAttachment = pass.stencilAttachment;
        MTLTexture* colour = colourAttachment.texture.get();
        MTLTexture* stencil = stencilAttachment.texture.get();
        if (colour && colourAttachment.loadAction == MTLLoadActionClear)
        {
          const MTLClearColor& c = colourAttachment.clearColor;
          float rgba[4] = {(float)c.red, (float)c.green, (float)c.blue, (float)c.alpha};
          unsigned char pixel[4];
          QorvStorePixel(colour->pixelFormat(), rgba, pixel);
          ClearTexture(*colour, colourAttachment.level, pixel);
        }
        if (stencil && stencilAttachment.loadAction == MTLLoadActionClear)
        {
          unsigned char value = (unsigned char)stencilAttachment.clearStencil;
          ClearTexture(*stencil, stencilAttachment.level, &value);
        }
        // Every draw's vertices are shaded once here, before the bands share them.
        std::vector<QorvRasterDraw> ready;
        ready.reserve(draws.size());
        std::vector<uint32_t> ids;
        for (const Draw& d : draws)
        {
          const auto& p = d.state.pipeline;
          if (!p)
          {
            ++gpu->validationErrors;
            continue;
          }
          const auto& pd = p->descriptor();
          MTLPixelFormat want = colour ? colour->pixelFormat() : MTLPixelFormatInvalid;
          MTLPixelFormat wantStencil = stencil ? stencil->pixelFormat() : MTLPixelFormatInvalid;
          if (pd.colorAttachments[0].pixelFormat != want || pd.stencilAttachmentPixelFormat != wantStencil)
          {
            ++gpu->validationErrors;
            continue;
          }
          ids.resize(d.count);
          if (d.indexBuffer)
          {
            const unsigned char* base = d.indexBuffer->bytes();
            NSUInteger size = d.indexType == MTLIndexTypeUInt32 ? 4 : 2;
            if (d.first > d.indexBuffer->length() || (d.indexBuffer->length() - d.first) / size < d.count)
            {
              ++gpu->validationErrors;
              continue;
            }
            for (NSUInteger i = 0; i < d.count; ++i)
            {
              if (size == 4)
                std::memcpy(&ids[i], base + d.first + 4 * i, 4);
              else
              {
                uint16_t v;
                std::memcpy(&v, base + d.first + 2 * i, 2);
                ids[i] = v;
              }
            }
          }
          else
          {
            for (NSUInteger i = 0; i < d.count; ++i)
              ids[i] = (uint32_t)(d.first + i);
          }
          ready.emplace_back(colour, stencil, d.state, d.type, ids.data(), d.count);
        }
        // Larger targets are drawn by several threads, each owning interleaved bands of rows and running
        // every draw in order over them, so that each pixel still sees the draws in order.
        MTLTexture* target = colour ? colour : stencil;
        int bands = 1;
        if (target && target->width() * target->height() >= kParallelPixels)
          bands = (int)std::clamp<unsigned>(std::thread::hardware_concurrency(), 1, kMaxBands);
        std::function<void(int)> run = [&](int band)
        {
          for (const QorvRasterDraw& r : ready)
            r.Rasterize(band, bands);
        };
        if (bands > 1)
          BandPool::shared().run(bands, run);
        else
          run(0);
      });
  mCommandBuffer.reset();
}

MTLBlitCommandEncoder::MTLBlitCommandEncoder(std::shared_ptr<MTLCommandBuffer> commandBuffer)
    : mCommandBuffer(std::move(commandBuffer))
{
}

MTLBlitCommandEncoder::~MTLBlitCommandEncoder() = default;

void MTLBlitCommandEncoder::copyFromBuffer(std::shared_ptr<MTLBuffer> source, NSUInteger sourceOffset,
                                           NSUInteger sourceBytesPerRow, NSUInteger, MTLSize size,
                                           std::shared_ptr<MTLTexture> texture, NSUInteger, NSUInteger level,
                                           MTLOrigin origin)
{
  if (mEnded || !source || !texture) return;
  mOps.push_back(
      [=]()
      {
        NSUInteger rows = size.height;
        if (rows == 0 ||
            sourceOffset + (rows - 1) * sourceBytesPerRow + size.width * texture->bytesPerPixel() >
                source->length())
          return;
        texture->copyRegion(MTLRegion{origin, size}, level,
                            const_cast<unsigned char*>(source->bytes()) + sourceOffset, sourceBytesPerRow,
                            true);
      });
}

void MTLBlitCommandEncoder::copyFromTexture(std::shared_ptr<MTLTexture> source,
                                            std::shared_ptr<MTLTexture> target)
{
  if (mEnded || !source || !target) return;
  mOps.push_back(
      [=]()
      {
        if (source->pixelFormat() != target->pixelFormat()) return;
        auto& from = source->levels()[0];
        target->copyRegion(MTLRegionMake2D(0, 0, from.width, from.height), 0, from.pixels.data(),
                           from.width * source->bytesPerPixel(), true);
      });
}

void MTLBlitCommandEncoder::generateMipmapsForTexture(std::shared_ptr<MTLTexture> texture)
{
  if (mEnded || !texture) return;
  mOps.push_back(
      [=]()
      {
        auto& levels = texture->levels();
        NSUInteger bpp = texture->bytesPerPixel();
        for (size_t l = 1; l < levels.size(); ++l)
        {
          const auto& src = levels[l - 1];
          auto& dst = levels[l];
          for (NSUInteger y = 0; y < dst.height; ++y)
            for (NSUInteger x = 0; x < dst.width; ++x)
              for (NSUInteger c = 0; c < bpp; ++c)
              {
                NSUInteger x0 = std::min(2 * x, src.width - 1), x1 = std::min(2 * x + 1, src.width - 1);
                NSUInteger y0 = std::min(2 * y, src.height - 1), y1 = std::min(2 * y + 1, src.height - 1);
                unsigned sum = src.pixels[(y0 * src.width + x0) * bpp + c] +
                               src.pixels[(y0 * src.width + x1) * bpp + c] +
                               src.pixels[(y1 * src.width + x0) * bpp + c] +
                               src.pixels[(y1 * src.width + x1) * bpp + c];
                dst.pixels[(y * dst.width + x) * bpp + c] = (unsigned char)((sum + 2) / 4);
              }
        }
      });
}

void MTLBlitCommandEncoder::synchronizeResource(std::shared_ptr<MTLResource>) {}

void MTLBlitCommandEncoder::endEncoding()
{
  if (mEnded) return;
  mEnded = true;
  mCommandBuffer->appendPass(
      [ops = std::move(mOps)]()
      {
        for (auto& op : ops)
          op();
      });
  mCommandBuffer.reset();
}
