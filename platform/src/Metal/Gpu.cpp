#include "platform/src/Metal/Gpu.h"

#include <QorvPlatform/Metal.h>

#include <algorithm>
#include <cmath>

namespace
{
std::atomic<bool> gSynchronous{true};
std::atomic<bool> gLibraryFailure{false};
std::atomic<uint64_t> gPixelsPerBand{512 * 512};
std::atomic<uint64_t> gTexelsCopied{0};
std::atomic<uint64_t> gTexelRectRows{0};
} // namespace

void QorvMetalSetOptions(MTLDevice& device, const QorvGpuOptions& options)
{
  device.options = options;
}
QorvGpuOptions QorvMetalOptions(const MTLDevice& device)
{
  return device.options;
}
uint64_t QorvMetalTexelsCopied()
{
  return gTexelsCopied;
}
uint64_t QorvMetalTexelRectRows()
{
  return gTexelRectRows;
}
void QorvCountTexelRectRows(uint64_t n)
{
  gTexelRectRows.fetch_add(n, std::memory_order_relaxed);
}
namespace
{
thread_local uint64_t tTexelsCopied = 0;
std::atomic<uint64_t> gQueuesClosed{0};
std::atomic<long> gQueuesOpen{0};
} // namespace

uint64_t QorvQueuesClosed()
{
  return gQueuesClosed.load(std::memory_order_relaxed);
}
long QorvQueuesOpen()
{
  return gQueuesOpen.load(std::memory_order_relaxed);
}
void QorvCountQueueOpened()
{
  gQueuesOpen.fetch_add(1, std::memory_order_relaxed);
}
void QorvCountQueueClosed()
{
  gQueuesOpen.fetch_sub(1, std::memory_order_relaxed);
  gQueuesClosed.fetch_add(1, std::memory_order_relaxed);
}

void QorvCountTexelsCopied(uint64_t n)
{
  tTexelsCopied += n;
}

void QorvFoldTexelsCopied()
{
  if (tTexelsCopied == 0) return;
  gTexelsCopied.fetch_add(tTexelsCopied, std::memory_order_relaxed);
  tTexelsCopied = 0;
}

void QorvMetalSetSynchronous(bool synchronous)
{
  gSynchronous = synchronous;
}
bool QorvMetalIsSynchronous()
{
  return gSynchronous;
}
void QorvMetalSetPixelsPerBand(uint64_t pixels)
{
  gPixelsPerBand = std::max<uint64_t>(pixels, 1);
}
uint64_t QorvMetalPixelsPerBand()
{
  return gPixelsPerBand;
}
void QorvMetalSetLibraryFailure(bool fail)
{
  gLibraryFailure = fail;
}
bool QorvMetalLibraryFailure()
{
  return gLibraryFailure;
}
uint64_t QorvMetalPipelineStatesMade()
{
  return QorvGpu::shared()->pipelinesMade;
}
uint64_t QorvMetalValidationErrors()
{
  return QorvGpu::shared()->validationErrors;
}

const std::shared_ptr<QorvGpu>& QorvGpu::shared()
{
  static const std::shared_ptr<QorvGpu> gpu = std::make_shared<QorvGpu>();
  return gpu;
}

void QorvGpu::beginWork()
{
  std::lock_guard<std::mutex> lock(idleMutex);
  ++inFlight;
}

void QorvGpu::endWork()
{
  std::lock_guard<std::mutex> lock(idleMutex);
  if (--inFlight == 0) idle.notify_all();
}

void QorvGpu::waitIdle()
{
  std::unique_lock<std::mutex> lock(idleMutex);
  idle.wait(lock, [this] { return inFlight == 0; });
}

NSUInteger QorvBytesPerPixel(MTLPixelFormat format)
{
  switch (format)
  {
  case MTLPixelFormatR8Unorm:
  case MTLPixelFormatStencil8:
    return 1;
  case MTLPixelFormatRGBA8Unorm:
  case MTLPixelFormatBGRA8Unorm:
    return 4;
  default:
    return 0;
  }
}

void QorvLoadPixel(MTLPixelFormat format, const unsigned char* p, float out[4])
{
  constexpr float k = 1.0f / 255.0f;
  switch (format)
  {
  case MTLPixelFormatR8Unorm:
    out[0] = p[0] * k, out[1] = 0, out[2] = 0, out[3] = 1;
    break;
  case MTLPixelFormatBGRA8Unorm:
    out[0] = p[2] * k, out[1] = p[1] * k, out[2] = p[0] * k, out[3] = p[3] * k;
    break;
  default:
    out[0] = p[0] * k, out[1] = p[1] * k, out[2] = p[2] * k, out[3] = p[3] * k;
    break;
  }
}

static inline unsigned char ToUnorm8(float v)
{
  if (!(v > 0.0f)) return 0;
  if (v >= 1.0f) return 255;
  return (unsigned char)(v * 255.0f + 0.5f);
}

void QorvStorePixel(MTLPixelFormat format, const float in[4], unsigned char* p)
{
  switch (format)
  {
  case MTLPixelFormatR8Unorm:
    p[0] = ToUnorm8(in[0]);
    break;
  case MTLPixelFormatBGRA8Unorm:
    p[0] = ToUnorm8(in[2]), p[1] = ToUnorm8(in[1]), p[2] = ToUnorm8(in[0]), p[3] = ToUnorm8(in[3]);
    break;
  default:
    p[0] = ToUnorm8(in[0]), p[1] = ToUnorm8(in[1]), p[2] = ToUnorm8(in[2]), p[3] = ToUnorm8(in[3]);
    break;
  }
}
