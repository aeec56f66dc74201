// Stand-in for Metal's device: makes libraries, queues, resources and states. Every device of the process
// stands for the same software GPU.
#pragma once

#include <Foundation/NSError.h>
#include <Metal/MTLDepthStencil.h>
#include <Metal/MTLLibrary.h>
#include <Metal/MTLRenderPipeline.h>
#include <Metal/MTLResource.h>
#include <QorvPlatform/MetalOptions.h>
#include <dispatch/dispatch.h>

#include <memory>
#include <string>

class MTLCommandQueue;

class MTLDevice : public std::enable_shared_from_this<MTLDevice>
{
public:
  MTLDevice();
  std::string name() const { return "Qorv Software GPU"; }

  // Null with an error when the data is no library or names a function without code.
  std::shared_ptr<MTLLibrary> newLibraryWithData(dispatch_data_t data, std::shared_ptr<NSError>* error);
  std::shared_ptr<MTLCommandQueue> newCommandQueue();
  std::shared_ptr<MTLBuffer> newBufferWithLength(NSUInteger length, MTLResourceOptions options);
  std::shared_ptr<MTLBuffer> newBufferWithBytes(const void* bytes, NSUInteger length,
                                                MTLResourceOptions options);
  // Null for a zero or oversized extent or an unknown format.
  std::shared_ptr<MTLTexture> newTextureWithDescriptor(const MTLTextureDescriptor& descriptor);
  // Whether textures of count samples a pixel can be made: 1, 2, 4, 8, and 16 (the stand-in's
  // multisampled stencil; its positions are those of the common 16-sample pattern).
  bool supportsTextureSampleCount(NSUInteger count) const;
  std::shared_ptr<MTLSamplerState> newSamplerStateWithDescriptor(const MTLSamplerDescriptor& descriptor);
  std::shared_ptr<MTLDepthStencilState>
  newDepthStencilStateWithDescriptor(const MTLDepthStencilDescriptor& descriptor);
  std::shared_ptr<MTLRenderPipelineState>
  newRenderPipelineStateWithDescriptor(const MTLRenderPipelineDescriptor& descriptor,
                                       std::shared_ptr<NSError>* error);

  // Stand-in internals.
  const std::shared_ptr<QorvGpu>& gpu() const { return mGpu; }
  // The shortcuts this device's draws take; set and read by the thread that encodes.
  QorvGpuOptions options;

private:
  bool sampleCountFits(const MTLTextureDescriptor& descriptor) const;
  std::shared_ptr<QorvGpu> mGpu;
};

std::shared_ptr<MTLDevice> MTLCreateSystemDefaultDevice();
