// Stand-in for Metal's render pass descriptor: the attachments a render pass draws into and how they are
// loaded and stored.
#pragma once

#include <Metal/MTLResource.h>

#include <memory>

class MTLRenderPassAttachmentDescriptor
{
public:
  std::shared_ptr<MTLTexture> texture;
  NSUInteger level = 0;
  MTLLoadAction loadAction = MTLLoadActionDontCare;
  MTLStoreAction storeAction = MTLStoreActionStore;
};

class MTLRenderPassColorAttachmentDescriptor : public MTLRenderPassAttachmentDescriptor
{
public:
  MTLClearColor clearColor = {0, 0, 0, 1};
};

class MTLRenderPassStencilAttachmentDescriptor : public MTLRenderPassAttachmentDescriptor
{
public:
  uint32_t clearStencil = 0;
};

class MTLRenderPassDescriptor
{
public:
  static constexpr int kMaxColorAttachments = 8;
  static std::shared_ptr<MTLRenderPassDescriptor> renderPassDescriptor()
  {
    return std::make_shared<MTLRenderPassDescriptor>();
  }
  MTLRenderPassColorAttachmentDescriptor colorAttachments[kMaxColorAttachments];
  MTLRenderPassStencilAttachmentDescriptor stencilAttachment;
};
