// Internals shared by the Metal stand-in's sources: the process-wide software GPU and a queue's command
// stream.
#pragma once

#include <Metal/Metal.h>
#include <QorvPlatform/MetalShaders.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

struct QorvGpu
{
  // Held while a command buffer executes and while the CPU copies into or out of a texture, so that the
  // two never touch texture memory at once.
  std::mutex memory;
  // Committed command buffers that have not completed, over all queues.
  std::mutex idleMutex;
  std::condition_variable idle;
  int inFlight = 0;
  std::atomic<uint64_t> pipelinesMade{0};
  std::atomic<uint64_t> validationErrors{0};

  static const std::shared_ptr<QorvGpu>& shared();
  void beginWork();
  void endWork();
  void waitIdle();
};

struct QorvCommandStream : std::enable_shared_from_this<QorvCommandStream>
{
  explicit QorvCommandStream(std::shared_ptr<QorvGpu> gpu) : gpu(std::move(gpu)) {}
  ~QorvCommandStream();
  void enqueue(const std::shared_ptr<MTLCommandBuffer>& buffer);
  void commit(const std::shared_ptr<MTLCommandBuffer>& buffer);
  // Stops the thread after the committed buffers ran; uncommitted ones are dropped.
  void shutdown();

private:
  struct Entry
  {
    std::shared_ptr<MTLCommandBuffer> buffer;
    bool committed = false;
  };
  bool frontReady() const { return !order.empty() && order.front().committed && !draining; }
  void drain(std::unique_lock<std::mutex>& lock);
  void run();

  std::shared_ptr<QorvGpu> gpu;
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<Entry> order;
  std::thread worker;
  bool stop = false;
  bool draining = false;
};

// One draw made ready to rasterise into the pass's attachments (either may be null): its state looked up,
// its vertices shaded once and its primitives sorted to the bands whose rows they reach. Rows are drawn in
// blocks of kQorvBandRows, block b belonging to band b % bands; the bands of one draw may be drawn at once on
// several threads. Made and drawn while the caller holds the GPU memory lock, under the given options.
constexpr int kQorvBandRows = 16;
// Samples a pixel of the largest multisampled stencil holds (SampledStencil.cpp).
constexpr int kQorvStencilSamples = 16;
// The common 16-sample pattern, in 16ths of a pixel from its centre: no two samples share a row or a column,
// so an upright edge's coverage steps by a 16th. Fewer samples take the first ones.
constexpr int kQorvSamplePattern[kQorvStencilSamples][2] = {
    {1, 1},  {-1, -3}, {-3, 2},  {4, -1}, {-5, -2}, {2, 5},  {5, 3}, {3, -5},
    {-2, 6}, {0, -7},  {-4, -6}, {-6, 4}, {-8, 0},  {7, -4}, {6, 7}, {-7, -8}};
class QorvRasterDraw
{
public:
  // vertexIds: count ids, or null for firstId, firstId + 1, ... (firstId + count - 1 at most UINT32_MAX).
  // earlier: the draws made before it in its pass (earlierCount of them), which outlive it: under
  // repeatedVertices it may take the vertices one of the last few shaded. keepVaryings: a later draw of the
  // same ids reads varyings, so that this one keeps them for it. drawnAgain: a later draw draws the same ids,
  // so that this one keeps the rows its triangles give for it to replay (spanReplays).
  QorvRasterDraw(MTLTexture* colour, MTLTexture* stencil, const QorvDrawState& state, MTLPrimitiveType type,
                 const uint32_t* vertexIds, uint32_t firstId, NSUInteger count, int bands,
                 const QorvGpuOptions& options, const QorvRasterDraw* earlier = nullptr,
                 size_t earlierCount = 0, bool keepVaryings = false, bool drawnAgain = false);
  ~QorvRasterDraw();
  QorvRasterDraw(QorvRasterDraw&&) noexcept;
  // bands: as many as the draw was made for.
  void Rasterize(int band = 0, int bands = 1) const;
  // Lets the calling thread's spare draws go if a queue closed since it last drew.
  static void LetGoOfSpare() { Spare(); }

private:
  struct Shaded;
  // Draws let go on this thread, kept with their lists' room for the next ones (a frame makes hundreds)
  // until a queue closes.
  // This thread's kept room, or null once the thread's variables went.
  static std::vector<std::unique_ptr<Shaded>>* Spare();
  std::unique_ptr<Shaded> mShaded; // null when nothing is drawn
};

// A thread's variable by its address, taken once: in a shared library each use of a thread_local would look
// the address up again (a call), as the compiler prefers that to keeping it.
template <class T> inline T& QorvThreadVariable(T& variable)
{
  T* at = &variable;
  asm("" : "+r"(at));
  return *at;
}

// A thread's cache of type T: null once the thread's variables were destroyed, as when a
// queue is closed by a static's destructor while the process exits, after the main thread's caches went.
template <class T> inline T* QorvThreadCache()
{
  thread_local bool gone = false; // nothing to destroy: readable to the end
  struct Kept
  {
    T value{};
    ~Kept() { gone = true; }
  };
  if (gone) return nullptr;
  thread_local Kept kept;
  return &QorvThreadVariable(kept).value;
}

// Queues closed so far (a view's renderer goes with its queue). A cache a thread keeps of what draws used
// (room in lists made for them) compares it with the count it last saw and lets its room go when it moved,
// so that what a closed view made it hold does not stay with the thread for the rest of the process.
uint64_t QorvQueuesClosed();
long QorvQueuesOpen();
void QorvCountQueueOpened();
void QorvCountQueueClosed();
// Lets go of the calling thread's caches at once (a thread that draws no more would keep them).
void QorvLetGoOfThreadCaches();
// Whether a queue closed since `seen` was last brought up to date; brings it up to date.
inline bool QorvQueueClosedSince(uint64_t& seen)
{
  const uint64_t closed = QorvQueuesClosed();
  if (closed == seen) return false;
  seen = closed;
  return true;
}

// Reads and writes one pixel of a colour format as four floats.
void QorvLoadPixel(MTLPixelFormat format, const unsigned char* p, float out[4]);
void QorvStorePixel(MTLPixelFormat format, const float in[4], unsigned char* p);
NSUInteger QorvBytesPerPixel(MTLPixelFormat format);

// Counts texels taken as stored on the calling thread; folding adds them to the process's count.
void QorvCountTexelsCopied(uint64_t n);
void QorvFoldTexelsCopied();
void QorvCountTexelRectRows(uint64_t n);

// Where linear sampling of an 8-bit RGBA texture at (s[i], t[i]) of a shader's samples falls on texel centres
// (both filter weights exactly 0), its result is that one texel as stored. Answers true when that holds for
// all n samples (n up to 1024), and then either sets *row to the first texel of n side by side in one row of
// level 0, or sets *row to null and texels[i] to each one's bytes; false otherwise, or for another filter or
// format. namer (the shader's ask function) makes the answer's columns name its s. options: the draw's (its
// texel snap and arithmetic).
bool QorvTexelCentres(const MTLTexture* texture, const MTLSamplerState* sampler,
                      const QorvSpanAnswer& samples, int n, const unsigned char** texels,
                      const unsigned char** row, const void* namer, const QorvGpuOptions& options);
// The same for the rows of one rectangle: samples (s[i], t[r]), one s for all rows. Sets centred[r] where
// the row is whole (1) and QorvTexelCentres would answer true for it, and starts[r] to the first of the row's
// n texels where it would give them side by side in one row, else to null; false when no row is taken so. A
// row covered by 0 (whole 2) counts as centred wherever it samples: the texture's values are finite, so its
// colours are 0 (its starts[r] is null). Rows between two texture rows are told in between[r] (and taken),
// which is set for every row that is neither centred nor covered by 0.
// A row covered whole whose samples fall on the centres of columns side by side but between two rows of the
// texture: the first texel of each row (upper null for any other row), and the weight of the lower one, as
// linear filtering takes them (the rows clamped or wrapped as the sampler says).
struct QorvTexelRowsBetween
{
  const unsigned char *upper = nullptr, *lower = nullptr;
  float weight = 0.0f;
};
bool QorvTexelRowsCentres(const MTLTexture* texture, const MTLSamplerState* sampler,
                          const QorvSpanAnswer& samples, int n, int rows, const unsigned char** starts,
                          unsigned char* centred, QorvTexelRowsBetween* between, const void* namer,
                          const QorvGpuOptions& options);
