#include "platform/src/Metal/Gpu.h"

#include <QorvPlatform/MetalShaders.h>

#include <cstring>
#include <new>

namespace
{
constexpr NSUInteger kMaxBufferLength = NSUInteger(1) << 30;
constexpr NSUInteger kMaxTextureExtent = 16384;

bool IsColorFormat(MTLPixelFormat f)
{
  return f == MTLPixelFormatR8Unorm || f == MTLPixelFormatRGBA8Unorm || f == MTLPixelFormatBGRA8Unorm;
}
} // namespace

MTLDevice::MTLDevice() : mGpu(QorvGpu::shared()) {}

std::shared_ptr<MTLDevice> MTLCreateSystemDefaultDevice()
{
  return std::make_shared<MTLDevice>();
}

std::shared_ptr<MTLCommandQueue> MTLDevice::newCommandQueue()
{
  return std::make_shared<MTLCommandQueue>(shared_from_this());
}

std::shared_ptr<MTLBuffer> MTLDevice::newBufferWithLength(NSUInteger length, MTLResourceOptions options)
{
  if (length == 0 || length > kMaxBufferLength) return nullptr;
  try
  {
    return std::make_shared<MTLBuffer>(mGpu, length, options);
  }
  catch (const std::bad_alloc&)
  {
    return nullptr; // out of memory: no buffer, as the platform answers nil
  }
}

std::shared_ptr<MTLBuffer> MTLDevice::newBufferWithBytes(const void* bytes, NSUInteger length,
                                                         MTLResourceOptions options)
{
  auto buffer = newBufferWithLength(length, MTLResourceOptions(options & ~MTLResourceStorageModePrivate));
  if (buffer && bytes) std::memcpy(buffer->contents(), bytes, length);
  return buffer;
}

bool MTLDevice::supportsTextureSampleCount(NSUInteger count) const
{
  return count == 1 || count == 2 || count == 4 || count == 8 || count == kQorvStencilSamples;
}

// A 2-D texture has one sample a pixel; a multisampled one (a stencil only, as the rasteriser draws no
// multisampled colour) a count the device supports, and one level.
bool MTLDevice::sampleCountFits(const MTLTextureDescriptor& d) const
{
  if (d.textureType == MTLTextureType2D) return d.sampleCount == 1;
  return d.textureType == MTLTextureType2DMultisample && d.pixelFormat == MTLPixelFormatStencil8 &&
         d.mipmapLevelCount == 1 && supportsTextureSampleCount(d.sampleCount);
}

std::shared_ptr<MTLTexture> MTLDevice::newTextureWithDescriptor(const MTLTextureDescriptor& d)
{
  if (d.width == 0 || d.height == 0 || d.width > kMaxTextureExtent || d.height > kMaxTextureExtent ||
      QorvBytesPerPixel(d.pixelFormat) == 0 || !sampleCountFits(d))
    return nullptr;
  try
  {
    return std::make_shared<MTLTexture>(mGpu, d);
  }
  catch (const std::bad_alloc&)
  {
    return nullptr;
  }
}

std::shared_ptr<MTLSamplerState> MTLDevice::newSamplerStateWithDescriptor(const MTLSamplerDescriptor& d)
{
  return std::make_shared<MTLSamplerState>(d);
}

std::shared_ptr<MTLDepthStencilState>
MTLDevice::newDepthStencilStateWithDescriptor(const MTLDepthStencilDescriptor& d)
{
  return std::make_shared<MTLDepthStencilState>(d);
}

std::shared_ptr<MTLRenderPipelineState>
MTLDevice::newRenderPipelineStateWithDescriptor(const MTLRenderPipelineDescriptor& d,
                                                std::shared_ptr<NSError>* error)
{
  auto fail = [error](const std::string& text) -> std::shared_ptr<MTLRenderPipelineState>
  {
    if (error) *error = std::make_shared<NSError>("AGXMetalErrorDomain", 1, text);
    return nullptr;
  };
  if (!d.vertexFunction || d.vertexFunction->functionType() != MTLFunctionTypeVertex)
    return fail("No vertex function provided");
  if (d.fragmentFunction && d.fragmentFunction->functionType() != MTLFunctionTypeFragment)
    return fail("Fragment function is not a fragment function");
  for (const auto& a : d.colorAttachments)
    if (a.pixelFormat != MTLPixelFormatInvalid && !IsColorFormat(a.pixelFormat))
      return fail("Color attachment has an invalid pixel format");
  if (d.stencilAttachmentPixelFormat != MTLPixelFormatInvalid &&
      d.stencilAttachmentPixelFormat != MTLPixelFormatStencil8)
    return fail("Stencil attachment has an invalid pixel format");
  if (d.depthAttachmentPixelFormat != MTLPixelFormatInvalid)
    return fail("Depth attachments are not supported");
  ++mGpu->pipelinesMade;
  return std::make_shared<MTLRenderPipelineState>(d);
}
