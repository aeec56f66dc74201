// Stand-in for Metal's render and blit command encoders. Render state set on an encoder applies to the
// draws encoded after it; endEncoding hands the pass to the command buffer.
#pragma once

#include <Metal/MTLCommandBuffer.h>
#include <Metal/MTLDepthStencil.h>
#include <Metal/MTLRenderPipeline.h>
#include <QorvPlatform/LargeBlocks.h>

#include <memory>
#include <vector>

// The resources a draw reads. Draws encoded between two binding changes share one of these, so that a
// frame's many draws do not each hold their own references.
struct QorvDrawBindings
{
  static constexpr int kSlots = 8;
  std::shared_ptr<MTLRenderPipelineState> pipeline;
  std::shared_ptr<MTLDepthStencilState> depthStencil;
  std::shared_ptr<MTLBuffer> vertexBuffers[kSlots];
  std::shared_ptr<MTLBuffer> fragmentBuffers[kSlots];
  std::shared_ptr<MTLTexture> fragmentTextures[kSlots];
  std::shared_ptr<MTLSamplerState> fragmentSamplers[kSlots];
};

// Everything a draw reads, captured when the draw is encoded.
struct QorvDrawState
{
  static constexpr int kSlots = QorvDrawBindings::kSlots;
  std::shared_ptr<const QorvDrawBindings> bindings;
  MTLCullMode cullMode = MTLCullModeNone;
  MTLWinding frontFacingWinding = MTLWindingClockwise;
  uint32_t stencilReference = 0;
  MTLViewport viewport = {0, 0, 0, 0, 0, 1};
  bool viewportSet = false;
  MTLScissorRect scissor = {0, 0, 0, 0};
  bool scissorSet = false; // otherwise the whole target
  NSUInteger vertexOffsets[kSlots] = {};
  NSUInteger fragmentOffsets[kSlots] = {};
};

class MTLRenderCommandEncoder
{
public:
  MTLRenderCommandEncoder(std::shared_ptr<MTLCommandBuffer> commandBuffer,
                          const MTLRenderPassDescriptor& pass);
  ~MTLRenderCommandEncoder();

  void setViewport(MTLViewport viewport);
  void setScissorRect(MTLScissorRect rect);
  void setCullMode(MTLCullMode mode);
  void setFrontFacingWinding(MTLWinding winding);
  void setStencilReferenceValue(uint32_t value);
  void setRenderPipelineState(std::shared_ptr<MTLRenderPipelineState> state);
  void setDepthStencilState(std::shared_ptr<MTLDepthStencilState> state);
  void setVertexBuffer(std::shared_ptr<MTLBuffer> buffer, NSUInteger offset, NSUInteger index);
  void setVertexBufferOffset(NSUInteger offset, NSUInteger index);
  void setFragmentBuffer(std::shared_ptr<MTLBuffer> buffer, NSUInteger offset, NSUInteger index);
  void setFragmentBufferOffset(NSUInteger offset, NSUInteger index);
  void setFragmentTexture(std::shared_ptr<MTLTexture> texture, NSUInteger index);
  void setFragmentSamplerState(std::shared_ptr<MTLSamplerState> sampler, NSUInteger index);
  void drawPrimitives(MTLPrimitiveType type, NSUInteger vertexStart, NSUInteger vertexCount);
  void drawIndexedPrimitives(MTLPrimitiveType type, NSUInteger indexCount, MTLIndexType indexType,
                             std::shared_ptr<MTLBuffer> indexBuffer, NSUInteger indexBufferOffset);
  void endEncoding();

private:
  struct Draw
  {
    QorvDrawState state;
    MTLPrimitiveType type;
    NSUInteger first, count;
    MTLIndexType indexType;
    std::shared_ptr<MTLBuffer> indexBuffer;
  };
  // A pass's draws (a full frame's are many). Their room is taken from a spare list and goes back to it
  // when the pass is done with them, while a queue is open.
  class DrawList
  {
  public:
    DrawList();
    ~DrawList();
    DrawList(const DrawList&) = default;
    DrawList(DrawList&&) noexcept = default;
    DrawList& operator=(const DrawList&) = default;
    DrawList& operator=(DrawList&&) noexcept = default;
    void push_back(Draw&& draw) { mItems.push_back(std::move(draw)); }
    size_t size() const { return mItems.size(); }
    const Draw* begin() const { return mItems.data(); }
    const Draw* end() const { return mItems.data() + mItems.size(); }

  private:
    friend void QorvLetGoOfThreadCaches();
    static std::vector<qorvplatform::LargeVector<Draw>>& Spares(); // under its lock
    qorvplatform::LargeVector<Draw> mItems;
  };
  friend void QorvLetGoOfThreadCaches();
  std::shared_ptr<MTLCommandBuffer> mCommandBuffer;
  MTLRenderPassDescriptor mPass;
  void Encode(Draw&& draw);
  QorvDrawState mState; // its bindings are null while mBindings differs from them
  QorvDrawBindings mBindings;
  DrawList mDraws;
  bool mEnded = false;
};

class MTLBlitCommandEncoder
{
public:
  explicit MTLBlitCommandEncoder(std::shared_ptr<MTLCommandBuffer> commandBuffer);
  ~MTLBlitCommandEncoder();

  void copyFromBuffer(std::shared_ptr<MTLBuffer> sourceBuffer, NSUInteger sourceOffset,
                      NSUInteger sourceBytesPerRow, NSUInteger sourceBytesPerImage, MTLSize sourceSize,
                      std::shared_ptr<MTLTexture> toTexture, NSUInteger destinationSlice,
                      NSUInteger destinationLevel, MTLOrigin destinationOrigin);
  void copyFromTexture(std::shared_ptr<MTLTexture> sourceTexture, std::shared_ptr<MTLTexture> toTexture);
  void generateMipmapsForTexture(std::shared_ptr<MTLTexture> texture);
  // Makes GPU writes visible to the CPU for managed storage; nothing to do on unified memory.
  void synchronizeResource(std::shared_ptr<MTLResource> resource);
  void endEncoding();

private:
  std::shared_ptr<MTLCommandBuffer> mCommandBuffer;
  std::vector<std::function<void()>> mOps;
  bool mEnded = false;
};
