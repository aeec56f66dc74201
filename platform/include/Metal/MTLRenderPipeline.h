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
  // Samples of a pixel a primitive's coverage is taken at. A pipeline of several samples, as many as the
  // multisampled stencil holds, that writes no colour marks each sample where the primitive covers it; a
  // pipeline of one sample tests and marks every sample of a pixel it covers, and its colour is weighed by
  // the share of them that pass the stencil test (what resolving a multisampled target of that colour
  // gives).
  NSUInteger rasterSampleCount = 1;
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
