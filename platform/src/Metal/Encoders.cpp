#include "platform/src/Metal/Gpu.h"

#include <QorvPlatform/LargeBlocks.h>
#include <QorvPlatform/Metal.h>

#include <algorithm>
#include <cstring>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <sched.h>
#include <thread>
#include <vector>

namespace
{
constexpr unsigned kMaxBands = 8;

// The processors this process may run on, asked at each pass: a process held to one core (a host's audio
// process, a pinned benchmark) gains nothing from drawing threads that take turns on it, and pays for the
// bands' repeated set-up.
unsigned ProcessorsToDrawOn()
{
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0) return (unsigned)std::max(CPU_COUNT(&set), 1);
  return std::max(std::thread::hardware_concurrency(), 1u);
}

// Whether one of the few draws after draw at draws the same vertices (the same ids, not indexed) with a
// fragment function, so that it reads the varyings that draw at may not: a sampled fill's fringe, marked in
// the stencil and then drawn in colour.
template <class Draws> bool VaryingsReadAgain(const Draws& draws, size_t at)
{
  constexpr size_t kAhead = 3;
  const auto* d = draws.begin() + at;
  if (d->indexBuffer) return false;
  for (const auto* n = d + 1; n < draws.end() && n <= d + kAhead; ++n)
  {
    const auto& p = n->state.bindings->pipeline;
    if (!n->indexBuffer && n->type == d->type && n->first == d->first && n->count == d->count && p &&
        p->descriptor().fragmentFunction)
      return true;
  }
  return false;
}

// Whether one of the few draws after draw at draws the same vertices (the same ids, not indexed), so that
// draw at keeps the rows its triangles give for it.
template <class Draws> bool DrawnAgain(const Draws& draws, size_t at)
{
  constexpr size_t kAhead = 3;
  const auto* d = draws.begin() + at;
  if (d->indexBuffer) return false;
  for (const auto* n = d + 1; n < draws.end() && n <= d + kAhead; ++n)
    if (!n->indexBuffer && n->type == d->type && n->first == d->first && n->count == d->count) return true;
  return false;
}

// The pixels a pass may change, each counted once however often it is drawn over (to tiles of 16 x 16):
// the places its draws' scissor rectangles reach (the whole target for a draw without one, or for a pass
// that clears its colour). Bands pay for their threads' wakes, and for each passing over every draw to find
// its own rows, only where that area is large: a frame that redraws a few meters is drawn on the calling
// thread.
template <class Draws> uint64_t PassPixels(const MTLTexture& target, const Draws& draws, bool clears)
{
  constexpr uint64_t kTile = 16;
  const uint64_t w = target.width(), h = target.height();
  if (clears) return w * h;
  const uint64_t across = (w + kTile - 1) / kTile, down = (h + kTile - 1) / kTile;
  // A bit a tile, 64 tiles a word, so that a rectangle's row of tiles is marked and counted a word at a time;
  // only the last column's tiles may be narrower.
  const uint64_t words = (across + 63) / 64, lastWidth = w - (across - 1) * kTile;
  thread_local std::vector<uint64_t> kept;
  std::vector<uint64_t>& reached = QorvThreadVariable(kept);
  reached.assign(words * down, 0);
  uint64_t pixels = 0;
  const MTLScissorRect* previous = nullptr;
  for (const auto& d : draws)
  {
    if (!d.state.scissorSet) return w * h;
    const MTLScissorRect& r = d.state.scissor;
    // Draws one after the other often share their scissor rectangle (a bitmap's fill and fringe): its tiles
    // were counted.
    if (previous && r.x == previous->x && r.y == previous->y && r.width == previous->width &&
        r.height == previous->height)
      continue;
    previous = &r;
    const uint64_t x0 = std::min<uint64_t>(r.x, w), y0 = std::min<uint64_t>(r.y, h);
    const uint64_t x1 = std::min<uint64_t>(x0 + std::min<uint64_t>(r.width, w), w),
                   y1 = std::min<uint64_t>(y0 + std::min<uint64_t>(r.height, h), h);
    if (x1 <= x0 || y1 <= y0) continue;
    const uint64_t tx0 = x0 / kTile, tx1 = (x1 - 1) / kTile;
    for (uint64_t ty = y0 / kTile; ty <= (y1 - 1) / kTile; ++ty)
    {
      const uint64_t height = std::min(kTile, h - ty * kTile);
      uint64_t* row = reached.data() + ty * words;
      for (uint64_t word = tx0 / 64; word <= tx1 / 64; ++word)
      {
        const uint64_t from = word == tx0 / 64 ? tx0 % 64 : 0, to = word == tx1 / 64 ? tx1 % 64 : 63;
        const uint64_t mask = (~uint64_t(0) >> (63 - to)) & (~uint64_t(0) << from);
        uint64_t fresh = mask & ~row[word];
        row[word] |= mask;
        if (!fresh) continue;
        // The last column's tile counts its own width.
        const uint64_t lastBit = across - 1 - word * 64;
        uint64_t narrow = 0;
        if (lastBit < 64 && (fresh >> lastBit & 1)) fresh &= ~(uint64_t(1) << lastBit), narrow = lastWidth;
        pixels += ((uint64_t)__builtin_popcountll(fresh) * kTile + narrow) * height;
      }
    }
  }
  return pixels;
}

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

// A pass's vertex ids, kept on the thread for the next pass (a frame's may be many) until a queue closes;
// null once the thread's variables went.
qorvplatform::LargeVector<uint32_t>* PassIds()
{
  struct Kept
  {
    qorvplatform::LargeVector<uint32_t> ids;
    uint64_t seen = 0;
  };
  Kept* k = QorvThreadCache<Kept>();
  if (!k) return nullptr;
  if (QorvQueueClosedSince(k->seen)) qorvplatform::LargeVector<uint32_t>().swap(k->ids);
  return &k->ids;
}

// One pixel, then copies of what is filled so far, doubling: a few large copies instead of one a pixel.
void Fill(unsigned char* bytes, size_t size, const unsigned char* pixel, size_t bpp)
{
  if (size < bpp) return;
  std::memcpy(bytes, pixel, bpp);
  for (size_t filled = bpp; filled < size; filled *= 2)
    std::memcpy(bytes + filled, bytes, std::min(filled, size - filled));
}

// Clears a band's rows of the texture (blocks of kQorvBandRows rows, block b belonging to band b % bands),
// so that each band's thread clears the rows it then draws and they stay in its cache.
void ClearTexture(MTLTexture& texture, NSUInteger level, const unsigned char* pixel, int band = 0,
                  int bands = 1)
{
  if (level >= texture.levels().size()) return;
  auto& l = texture.levels()[level];
  const size_t bpp = texture.bytesPerPixel(), size = l.pixels.size() / bpp * bpp;
  if (size == 0) return;
  if (bands <= 1)
  {
    Fill(l.pixels.data(), size, pixel, bpp);
    return;
  }
  const size_t row = (size_t)l.width * bpp, block = row * kQorvBandRows;
  for (size_t at = (size_t)band * block; at < size; at += (size_t)bands * block)
    Fill(l.pixels.data() + at, std::min(block, size - at), pixel, bpp);
}

// Clears a band's rows of a multisampled texture's level 0 to value: where the rows were known (wasKnown)
// to hold wasValue but for their touched pixels, and value is that, only those pixels; each row is then
// known untouched.
void ClearSampleRows(MTLTexture& texture, uint8_t value, bool wasKnown, uint8_t wasValue, int band, int bands)
{
  MTLTexture::SampleRows& rows = *texture.sampleRows();
  auto& l = texture.levels()[0];
  const size_t bpp = texture.bytesPerPixel();
  for (size_t y = 0; y < l.height; ++y)
  {
    if (bands > 1 && (int)((y / kQorvBandRows) % (size_t)bands) != band) continue;
    unsigned char* row = l.pixels.data() + y * l.width * bpp;
    if (wasKnown && wasValue == value)
    {
      if (rows.hi[y] > rows.lo[y])
        std::memset(row + (size_t)rows.lo[y] * bpp, value, (size_t)(rows.hi[y] - rows.lo[y]) * bpp);
    }
    else
      std::memset(row, value, l.width * bpp);
    rows.lo[y] = rows.hi[y] = 0;
  }
}
} // namespace

namespace
{
constexpr size_t kSpareDrawLists = 2;
std::mutex gSpareDrawListsMutex;
} // namespace

std::vector<qorvplatform::LargeVector<MTLRenderCommandEncoder::Draw>>&
MTLRenderCommandEncoder::DrawList::Spares()
{
  // Never destroyed: a pass may end after the process's statics are gone.
  static auto* spares = new std::vector<qorvplatform::LargeVector<Draw>>;
  return *spares;
}

MTLRenderCommandEncoder::DrawList::DrawList()
{
  std::lock_guard<std::mutex> lock(gSpareDrawListsMutex);
  auto& spares = Spares();
  if (spares.empty()) return;
  mItems = std::move(spares.back());
  spares.pop_back();
}

MTLRenderCommandEncoder::DrawList::~DrawList()
{
  if (mItems.capacity() == 0) return;
  mItems.clear();
  std::lock_guard<std::mutex> lock(gSpareDrawListsMutex);
  auto& spares = Spares();
  if (QorvQueuesOpen() > 0 && spares.size() < kSpareDrawLists) spares.push_back(std::move(mItems));
}

void QorvLetGoOfThreadCaches()
{
  PassIds();
  QorvRasterDraw::LetGoOfSpare();
  std::vector<qorvplatform::LargeVector<MTLRenderCommandEncoder::Draw>> spares;
  {
    std::lock_guard<std::mutex> lock(gSpareDrawListsMutex);
    if (QorvQueuesOpen() <= 0) spares.swap(MTLRenderCommandEncoder::DrawList::Spares());
  }
}

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
void MTLRenderCommandEncoder::setScissorRect(MTLScissorRect rect)
{
  mState.scissor = rect;
  mState.scissorSet = true;
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

namespace
{
// A binding that changes drops the encoder's shared bindings; the next draw takes a fresh copy of them.
template <class T> void Rebind(std::shared_ptr<T>& slot, std::shared_ptr<T>&& to, QorvDrawState& state)
{
  if (slot == to) return;
  slot = std::move(to);
  state.bindings.reset();
}
} // namespace

void MTLRenderCommandEncoder::setRenderPipelineState(std::shared_ptr<MTLRenderPipelineState> state)
{
  Rebind(mBindings.pipeline, std::move(state), mState);
}

void MTLRenderCommandEncoder::setDepthStencilState(std::shared_ptr<MTLDepthStencilState> state)
{
  Rebind(mBindings.depthStencil, std::move(state), mState);
}

void MTLRenderCommandEncoder::setVertexBuffer(std::shared_ptr<MTLBuffer> buffer, NSUInteger offset,
                                              NSUInteger index)
{
  if (index >= QorvDrawState::kSlots) return;
  Rebind(mBindings.vertexBuffers[index], std::move(buffer), mState);
  mState.vertexOffsets[index] = offset;
}

void MTLRenderCommandEncoder::setVertexBufferOffset(NSUInteger offset, NSUInteger index)
{
  if (index < QorvDrawState::kSlots) mState.vertexOffsets[index] = offset;
}

void MTLRenderCommandEncoder::setFragmentBuffer(std::shared_ptr<MTLBuffer> buffer, NSUInteger offset,
                                                NSUInteger index)
{
  if (index >= QorvDrawState::kSlots) return;
  Rebind(mBindings.fragmentBuffers[index], std::move(buffer), mState);
  mState.fragmentOffsets[index] = offset;
}

void MTLRenderCommandEncoder::setFragmentBufferOffset(NSUInteger offset, NSUInteger index)
{
  if (index < QorvDrawState::kSlots) mState.fragmentOffsets[index] = offset;
}

void MTLRenderCommandEncoder::setFragmentTexture(std::shared_ptr<MTLTexture> texture, NSUInteger index)
{
  if (index < QorvDrawState::kSlots) Rebind(mBindings.fragmentTextures[index], std::move(texture), mState);
}

void MTLRenderCommandEncoder::setFragmentSamplerState(std::shared_ptr<MTLSamplerState> sampler,
                                                      NSUInteger index)
{
  if (index < QorvDrawState::kSlots) Rebind(mBindings.fragmentSamplers[index], std::move(sampler), mState);
}

void MTLRenderCommandEncoder::Encode(Draw&& draw)
{
  if (!draw.state.bindings)
  {
    mState.bindings = std::make_shared<const QorvDrawBindings>(mBindings);
    draw.state.bindings = mState.bindings;
  }
  mDraws.push_back(std::move(draw));
}

void MTLRenderCommandEncoder::drawPrimitives(MTLPrimitiveType type, NSUInteger vertexStart,
                                             NSUInteger vertexCount)
{
  if (!mEnded && vertexCount > 0)
    Encode(Draw{mState, type, vertexStart, vertexCount, MTLIndexTypeUInt32, nullptr});
}

void MTLRenderCommandEncoder::drawIndexedPrimitives(MTLPrimitiveType type, NSUInteger indexCount,
                                                    MTLIndexType indexType,
                                                    std::shared_ptr<MTLBuffer> indexBuffer,
                                                    NSUInteger indexBufferOffset)
{
  if (!mEnded && indexCount > 0 && indexBuffer)
    Encode(Draw{mState, type, indexBufferOffset, indexCount, indexType, std::move(indexBuffer)});
}

void MTLRenderCommandEncoder::endEncoding()
{
  if (mEnded) return;
  mEnded = true;
  auto gpu = mCommandBuffer->device()->gpu();
  mCommandBuffer->appendPass(
      [pass = mPass, draws = std::move(mDraws), gpu, options = mCommandBuffer->device()->options]()
      {
        const auto& colourAttachment = pass.colorAttachments[0];
        const auto& stencilAttachment = pass.stencilAttachment;
        MTLTexture* colour = colourAttachment.texture.get();
        MTLTexture* stencil = stencilAttachment.texture.get();
        // Larger targets are drawn by several threads, each owning interleaved bands of rows and running
        // every draw in order over them, so that each pixel still sees the draws in order.
        MTLTexture* target = colour ? colour : stencil;
        int bands = 1;
        if (target && options.bandThreads)
        {
          // A stencil's clear (a byte a pixel, one fill) is left out.
          const bool clears = colour && colourAttachment.loadAction == MTLLoadActionClear;
          const uint64_t shares = PassPixels(*target, draws, clears) / QorvMetalPixelsPerBand();
          const unsigned threads = std::clamp<unsigned>(ProcessorsToDrawOn(), 1, kMaxBands);
          bands = (int)std::clamp<uint64_t>(shares, 1, threads);
        }
        // Every draw's vertices are shaded once here, before the bands share them.
        std::vector<QorvRasterDraw> ready;
        ready.reserve(draws.size());
        qorvplatform::LargeVector<uint32_t> ownIds;
        qorvplatform::LargeVector<uint32_t>* keptIds = PassIds();
        qorvplatform::LargeVector<uint32_t>& ids = keptIds ? *keptIds : ownIds;
        for (size_t at = 0; at < draws.size(); ++at)
        {
          const Draw& d = draws.begin()[at];
          const auto& p = d.state.bindings->pipeline;
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
          // A draw without indices names its ids by the first alone, where they stay within 32 bits.
          const bool counted = !d.indexBuffer && d.first + d.count - 1 <= UINT32_MAX;
          if (d.indexBuffer)
          {
            const unsigned char* base = d.indexBuffer->bytes();
            NSUInteger size = d.indexType == MTLIndexTypeUInt32 ? 4 : 2;
            if (d.first > d.indexBuffer->length() || (d.indexBuffer->length() - d.first) / size < d.count)
            {
              ++gpu->validationErrors;
              continue;
            }
            ids.resize(d.count);
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
          else if (!counted)
          {
            ids.resize(d.count);
            for (NSUInteger i = 0; i < d.count; ++i)
              ids[i] = (uint32_t)(d.first + i);
          }
          ready.emplace_back(colour, stencil, d.state, d.type, counted ? nullptr : ids.data(),
                             (uint32_t)d.first, d.count, bands, options, ready.data(), ready.size(),
                             options.repeatedVertices && VaryingsReadAgain(draws, at),
                             options.repeatedVertices && options.spanReplays && DrawnAgain(draws, at));
        }
        unsigned char clearColour[4] = {}, clearStencil[kQorvStencilSamples];
        std::memset(clearStencil, (int)(stencilAttachment.clearStencil & 0xff), sizeof clearStencil);
        const bool clearsColour = colour && colourAttachment.loadAction == MTLLoadActionClear,
                   clearsStencil = stencil && stencilAttachment.loadAction == MTLLoadActionClear;
        if (clearsColour)
        {
          const MTLClearColor& c = colourAttachment.clearColor;
          float rgba[4] = {(float)c.red, (float)c.green, (float)c.blue, (float)c.alpha};
          QorvStorePixel(colour->pixelFormat(), rgba, clearColour);
        }
        // A multisampled stencil clears the pixels its rows say were touched, and is then known cleared.
        MTLTexture::SampleRows* sampleRows =
            clearsStencil && stencilAttachment.level == 0 ? stencil->sampleRows() : nullptr;
        const bool wasKnown = sampleRows && sampleRows->known;
        const uint8_t wasValue = sampleRows ? sampleRows->value : 0;
        if (sampleRows) sampleRows->known = true, sampleRows->value = clearStencil[0];
        std::function<void(int)> run = [&](int band)
        {
          if (clearsColour) ClearTexture(*colour, colourAttachment.level, clearColour, band, bands);
          if (sampleRows)
            ClearSampleRows(*stencil, clearStencil[0], wasKnown, wasValue, band, bands);
          else if (clearsStencil)
            ClearTexture(*stencil, stencilAttachment.level, clearStencil, band, bands);
          for (const QorvRasterDraw& r : ready)
            r.Rasterize(band, bands);
          QorvFoldTexelsCopied();
        };
        if (bands > 1)
          BandPool::shared().run(bands, run);
        else
          run(0);
        // Let go last to first, so that the next pass's draw i takes this one's room (a frame repeats the
        // last one's draws): the spare draws are taken last in, first out.
        while (!ready.empty())
          ready.pop_back();
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
