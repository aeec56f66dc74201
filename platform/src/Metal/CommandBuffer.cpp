#include "platform/src/Metal/Gpu.h"

#include <QorvPlatform/Metal.h>

MTLCommandBuffer::MTLCommandBuffer(std::shared_ptr<MTLDevice> device,
                                   std::shared_ptr<QorvCommandStream> stream)
    : mDevice(std::move(device)), mStream(std::move(stream))
{
}

MTLCommandBuffer::~MTLCommandBuffer() = default;

void MTLCommandBuffer::enqueue()
{
  {
    std::lock_guard<std::mutex> lock(mMutex);
    if (mStatus != MTLCommandBufferStatusNotEnqueued) return;
    mStatus = MTLCommandBufferStatusEnqueued;
  }
  mStream->enqueue(shared_from_this());
}

void MTLCommandBuffer::commit()
{
  enqueue();
  {
    std::lock_guard<std::mutex> lock(mMutex);
    if (mStatus != MTLCommandBufferStatusEnqueued) return;
    mStatus = MTLCommandBufferStatusCommitted;
  }
  mDevice->gpu()->beginWork();
  mStream->commit(shared_from_this());
}

void MTLCommandBuffer::addCompletedHandler(MTLCommandBufferHandler handler)
{
  std::lock_guard<std::mutex> lock(mMutex);
  if (mStatus < MTLCommandBufferStatusCommitted) mCompleted.push_back(std::move(handler));
}

void MTLCommandBuffer::addScheduledHandler(MTLCommandBufferHandler handler)
{
  std::lock_guard<std::mutex> lock(mMutex);
  if (mStatus < MTLCommandBufferStatusCommitted) mScheduled.push_back(std::move(handler));
}

void MTLCommandBuffer::presentDrawable(std::shared_ptr<MTLDrawable> drawable)
{
  std::lock_guard<std::mutex> lock(mMutex);
  if (mStatus < MTLCommandBufferStatusCommitted && drawable) mPresent.push_back(std::move(drawable));
}

MTLCommandBufferStatus MTLCommandBuffer::status() const
{
  std::lock_guard<std::mutex> lock(mMutex);
  return mStatus;
}

void MTLCommandBuffer::setStatus(MTLCommandBufferStatus status)
{
  std::lock_guard<std::mutex> lock(mMutex);
  mStatus = status;
  mChanged.notify_all();
}

void MTLCommandBuffer::waitUntilScheduled()
{
  std::unique_lock<std::mutex> lock(mMutex);
  if (mStatus < MTLCommandBufferStatusCommitted) return;
  mChanged.wait(lock, [this] { return mStatus >= MTLCommandBufferStatusScheduled; });
}

void MTLCommandBuffer::waitUntilCompleted()
{
  std::unique_lock<std::mutex> lock(mMutex);
  if (mStatus < MTLCommandBufferStatusCommitted) return;
  mChanged.wait(lock, [this] { return mHandled; });
}

void MTLCommandBuffer::appendPass(std::function<void()> pass)
{
  std::lock_guard<std::mutex> lock(mMutex);
  if (mStatus < MTLCommandBufferStatusCommitted) mPasses.push_back(std::move(pass));
}

void MTLCommandBuffer::execute()
{
  std::vector<std::function<void()>> passes;
  std::vector<MTLCommandBufferHandler> scheduled, completed;
  std::vector<std::shared_ptr<MTLDrawable>> present;
  {
    std::lock_guard<std::mutex> lock(mMutex);
    passes.swap(mPasses);
    scheduled.swap(mScheduled);
    completed.swap(mCompleted);
    present.swap(mPresent);
  }
  setStatus(MTLCommandBufferStatusScheduled);
  for (auto& h : scheduled)
    h(this);
  {
    std::lock_guard<std::mutex> lock(mDevice->gpu()->memory);
    for (auto& pass : passes)
      pass();
  }
  passes.clear();
  for (auto& d : present)
    d->present();
  present.clear();
  setStatus(MTLCommandBufferStatusCompleted);
  for (auto& h : completed)
    h(this);
  completed.clear();
  // Waiters return only after the handlers ran, so what a handler frees is free when the wait ends.
  {
    std::lock_guard<std::mutex> lock(mMutex);
    mHandled = true;
    mChanged.notify_all();
  }
  mDevice->gpu()->endWork();
}

std::shared_ptr<MTLRenderCommandEncoder>
MTLCommandBuffer::renderCommandEncoderWithDescriptor(const MTLRenderPassDescriptor& pass)
{
  return std::make_shared<MTLRenderCommandEncoder>(shared_from_this(), pass);
}

std::shared_ptr<MTLBlitCommandEncoder> MTLCommandBuffer::blitCommandEncoder()
{
  return std::make_shared<MTLBlitCommandEncoder>(shared_from_this());
}

MTLCommandQueue::MTLCommandQueue(std::shared_ptr<MTLDevice> device)
    : mDevice(std::move(device)), mStream(std::make_shared<QorvCommandStream>(mDevice->gpu()))
{
  QorvCountQueueOpened();
}

MTLCommandQueue::~MTLCommandQueue()
{
  mStream->shutdown();
  QorvCountQueueClosed();
  QorvLetGoOfThreadCaches();
}

std::shared_ptr<MTLCommandBuffer> MTLCommandQueue::commandBuffer()
{
  return std::make_shared<MTLCommandBuffer>(mDevice, mStream);
}

QorvCommandStream::~QorvCommandStream()
{
  shutdown();
}

void QorvCommandStream::enqueue(const std::shared_ptr<MTLCommandBuffer>& buffer)
{
  std::lock_guard<std::mutex> lock(mutex);
  order.push_back(Entry{buffer, false});
}

void QorvCommandStream::commit(const std::shared_ptr<MTLCommandBuffer>& buffer)
{
  std::unique_lock<std::mutex> lock(mutex);
  for (Entry& e : order)
    if (e.buffer == buffer) e.committed = true;
  if (QorvMetalIsSynchronous() && !worker.joinable())
  {
    // A buffer committed from a handler while draining is picked up by the drain already running.
    if (!draining) drain(lock);
    return;
  }
  if (!worker.joinable()) worker = std::thread([self = shared_from_this()] { self->run(); });
  changed.notify_all();
}

void QorvCommandStream::drain(std::unique_lock<std::mutex>& lock)
{
  draining = true;
  while (!order.empty() && order.front().committed)
  {
    auto buffer = std::move(order.front().buffer);
    order.pop_front();
    lock.unlock();
    buffer->execute();
    buffer.reset();
    lock.lock();
  }
  draining = false;
  changed.notify_all();
}

void QorvCommandStream::run()
{
  std::unique_lock<std::mutex> lock(mutex);
  for (;;)
  {
    changed.wait(lock, [this] { return stop || frontReady(); });
    if (frontReady())
      drain(lock);
    else if (stop)
      break;
  }
}

void QorvCommandStream::shutdown()
{
  {
    std::lock_guard<std::mutex> lock(mutex);
    stop = true;
    changed.notify_all();
  }
  if (worker.joinable())
  {
    if (worker.get_id() == std::this_thread::get_id())
      worker.detach();
    else
      worker.join();
  }
  // Buffers committed behind one that never was still run; the uncommitted ones are dropped.
  std::unique_lock<std::mutex> lock(mutex);
  std::erase_if(order, [](const Entry& e) { return !e.committed; });
  if (!draining) drain(lock);
}
