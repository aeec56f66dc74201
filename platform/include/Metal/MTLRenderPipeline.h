// Stand-in for Metal's render pipeline descriptor and state: shader functions, vertex layout, attachment
// formats, blending and colour write mask. A state is immutable once made.
#pragma once

#include <Metal/MTLLibrary.h>
#include <Metal/MTLVertexDescriptor.h>

#include <memory>

class MTLRenderPipelineColorAttachmentDescriptor
{
public:
  MTLPixelFormat pixelFormat = MTLPixelFormatInvalid;
  bool blendingEnabled = false;
  MTLBlendFactor sourceRGBBlendFactor = MTLBlendFactorOne;
  MTLBlendFactor destinationRGBBlendFactor = MTLBlendFactorZero;
  MTLBlendOperation rgbBlendOperation = MTLBlendOperationAdd;
  MTLBlendFactor sourceAlphaBlendFactor = MTLBlendFactorOne;
  MTLBlendFactor destinationAlphaBlendFactor = MTLBlendFactorZero;
  MTLBlendOperation alphaBlendOperation = MTLBlendOperationAdd;
  MTLColorWriteMask writeMask = MTLColorWriteMaskAll;
};

class MTLRenderPipelineDescriptor
{
public:
  static constexpr int kMaxColorAttachments = 8;
  std::shared_ptr<MTLFunction> vertexFunction;
  std::shared_ptr<MTLFunction> fragmentFunction;
  std::shared_ptr<MTLVertexDescriptor> vertexDescriptor;
  MTLRenderPipelineColorAttachmentDescriptor colorAttachments[kMaxColorAttachments];
  MTLPixelFormat depthAttachmentPixelFormat = MTLPixelFormatInvalid;
  MTLPixelFormat stencilAttachmentPixelFormat = MTLPixelFormatInvalid;
};

class MTLRenderPipelineState
{
public:
  explicit MTLRenderPipelineState(const MTLRenderPipelineDescriptor& descriptor);
  // Stand-in internals: the descriptor as it was when the state was made.
  const MTLRenderPipelineDescriptor& descriptor() const { return mDescriptor; }
  const MTLVertexDescriptor& vertexDescriptor() const { return mVertexDescriptor; }

private:
  MTLRenderPipelineDescriptor mDescriptor;
  MTLVertexDescriptor mVertexDescriptor;
};
