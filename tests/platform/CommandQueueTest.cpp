#include "tests/platform/SoftwareGpu.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace gputest;

namespace
{
// Runs a test body with the completion thread, restoring the synchronous default afterwards.
struct AsyncMode
{
  AsyncMode() { QorvMetalSetSynchronous(false); }
  ~AsyncMode() { QorvMetalSetSynchronous(true); }
};
} // namespace

TEST(CommandQueue, SynchronousCommitRunsHandlersInline)
{
  auto device = MTLCreateSystemDefaultDevice();
  auto queue = device->newCommandQueue();
  auto cb = queue->commandBuffer();
  std::thread::id ranOn;
  cb->addCompletedHandler(
      [&](MTLCommandBuffer* b)
      {
        ranOn = std::this_thread::get_id();
        EXPECT_EQ(b, cb.get());
        EXPECT_EQ(b->status(), MTLCommandBufferStatusCompleted);
      });
  cb->commit();
  EXPECT_EQ(ranOn, std::this_thread::get_id());
  EXPECT_EQ(cb->status(), MTLCommandBufferStatusCompleted);
}

TEST(CommandQueue, CompletionThreadRunsBuffersInEnqueueOrder)
{
  AsyncMode async;
  auto device = MTLCreateSystemDefaultDevice();
  auto queue = device->newCommandQueue();
  std::vector<int> order;
  std::mutex m;
  std::atomic<int> otherThread{0};
  const auto main = std::this_thread::get_id();
  std::vector<std::shared_ptr<MTLCommandBuffer>> buffers;
  for (int i = 0; i < 4; ++i)
  {
    auto cb = queue->commandBuffer();
    cb->enqueue();
    cb->addCompletedHandler(
        [&, i](MTLCommandBuffer*)
        {
          std::lock_guard<std::mutex> lock(m);
          order.push_back(i);
          otherThread += std::this_thread::get_id() != main;
        });
    buffers.push_back(cb);
  }
  // Committing out of order still runs them in the order they were enqueued.
  for (int i : {3, 1, 2, 0})
    buffers[i]->commit();
  buffers[3]->waitUntilCompleted();
  std::lock_guard<std::mutex> lock(m);
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(otherThread.load(), 4);
}

TEST(CommandQueue, DestroyingTheQueueFinishesCommittedWork)
{
  AsyncMode async;
  std::atomic<int> done{0};
  {
    Harness h;
    for (int i = 0; i < 3; ++i)
    {
      auto cb = h.queue->commandBuffer();
      cb->addCompletedHandler([&](MTLCommandBuffer*) { ++done; });
      cb->commit();
    }
    h.queue.reset();
  }
  EXPECT_EQ(done.load(), 3);
}

TEST(MetalLayer, DrawablesComeFromARingAndPresentedImagesReadBack)
{
  auto layer = CAMetalLayer::layer();
  EXPECT_EQ(layer->nextDrawable(), nullptr); // no device yet
  layer->device = MTLCreateSystemDefaultDevice();
  layer->drawableSize = CGSizeMake(8, 4);
  auto a = layer->nextDrawable();
  auto b = layer->nextDrawable();
  ASSERT_TRUE(a && b);
  EXPECT_NE(a->texture(), b->texture());
  EXPECT_EQ(a->texture()->pixelFormat(), MTLPixelFormatBGRA8Unorm);
  EXPECT_EQ(a->texture()->width(), 8u);

  std::vector<uint8_t> rgba;
  int w = 0, hgt = 0;
  EXPECT_FALSE(QorvMetalLayerCopyPresentedImage(*layer, rgba, w, hgt));

  // Clear drawable a to orange through a render pass and present it from the command buffer.
  auto queue = layer->device->newCommandQueue();
  auto cb = queue->commandBuffer();
  auto pass = MTLRenderPassDescriptor::renderPassDescriptor();
  pass->colorAttachments[0].texture = a->texture();
  pass->colorAttachments[0].loadAction = MTLLoadActionClear;
  pass->colorAttachments[0].clearColor = MTLClearColorMake(1, 0.5, 0, 1);
  cb->renderCommandEncoderWithDescriptor(*pass)->endEncoding();
  cb->presentDrawable(a);
  cb->commit();
  a.reset();
  cb.reset();
  EXPECT_EQ(QorvMetalLayerPresentCount(*layer), 1u);
  ASSERT_TRUE(QorvMetalLayerCopyPresentedImage(*layer, rgba, w, hgt));
  EXPECT_EQ(w, 8);
  EXPECT_EQ(hgt, 4);
  EXPECT_EQ(std::vector<uint8_t>(rgba.begin(), rgba.begin() + 4), (std::vector<uint8_t>{255, 128, 0, 255}));

  // Three slots, one on screen and b still out: one more drawable is free, then none.
  auto c = layer->nextDrawable();
  ASSERT_TRUE(c);
  EXPECT_EQ(layer->nextDrawable(), nullptr);
  c.reset();
  EXPECT_TRUE(layer->nextDrawable());
}
