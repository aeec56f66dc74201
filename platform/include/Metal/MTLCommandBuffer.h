// Stand-in for Metal's command buffers and queues. Encoders append passes to a command buffer; committed
// buffers run in the order they were enqueued, on the queue's own thread, which then calls the completed
// handlers (or inline at commit in the synchronous mode of QorvPlatform/Metal.h).
#pragma once

#include <Metal/MTLDrawable.h>
#include <Metal/MTLRenderPass.h>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class MTLDevice;
class MTLRenderCommandEncoder;
class MTLBlitCommandEncoder;
class MTLCommandBuffer;
struct QorvCommandStream;

typedef std::function<void(MTLCommandBuffer*)> MTLCommandBufferHandler;

class MTLCommandBuffer : public std::enable_shared_from_this<MTLCommandBuffer>
{
public:
  MTLCommandBuffer(std::shared_ptr<MTLDevice> device, std::shared_ptr<QorvCommandStream> stream);
  ~MTLCommandBuffer();

  std::shared_ptr<MTLDevice> device() const { return mDevice; }
  // Reserves this buffer's place in the queue's order; commit without enqueue does it implicitly.
  void enqueue();
  void commit();
  void addCompletedHandler(MTLCommandBufferHandler handler);
  void addScheduledHandler(MTLCommandBufferHandler handler);
  void waitUntilScheduled();
  // Returns once the work completed and the completed handlers ran.
  void waitUntilCompleted();
  // Presents the drawable as soon as this buffer's work has completed.
  void presentDrawable(std::shared_ptr<MTLDrawable> drawable);
  MTLCommandBufferStatus status() const;

  std::shared_ptr<MTLRenderCommandEncoder>
  renderCommandEncoderWithDescriptor(const MTLRenderPassDescriptor& pass);
  std::shared_ptr<MTLBlitCommandEncoder> blitCommandEncoder();

  // Stand-in internals.
  void appendPass(std::function<void()> pass);
  void execute();
  void setStatus(MTLCommandBufferStatus status);

private:
  std::shared_ptr<MTLDevice> mDevice;
  std::shared_ptr<QorvCommandStream> mStream;
  mutable std::mutex mMutex;
  std::condition_variable mChanged;
  MTLCommandBufferStatus mStatus = MTLCommandBufferStatusNotEnqueued;
  bool mHandled = false;
  std::vector<std::function<void()>> mPasses;
  std::vector<MTLCommandBufferHandler> mCompleted, mScheduled;
  std::vector<std::shared_ptr<MTLDrawable>> mPresent;
};

class MTLCommandQueue
{
public:
  explicit MTLCommandQueue(std::shared_ptr<MTLDevice> device);
  // Waits for every committed buffer to finish, then stops the queue's thread.
  ~MTLCommandQueue();
  std::shared_ptr<MTLCommandBuffer> commandBuffer();
  std::shared_ptr<MTLDevice> device() const { return mDevice; }

  // Stand-in internals.
  QorvCommandStream& stream() { return *mStream; }

private:
  std::shared_ptr<MTLDevice> mDevice;
  std::shared_ptr<QorvCommandStream> mStream;
};
