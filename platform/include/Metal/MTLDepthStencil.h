// Stand-in for Metal's depth-stencil descriptor and state. A face without a stencil descriptor does no
// stencil test.
#pragma once

#include <Metal/MTLTypes.h>

#include <memory>

class MTLStencilDescriptor
{
public:
  MTLCompareFunction stencilCompareFunction = MTLCompareFunctionAlways;
  MTLStencilOperation stencilFailureOperation = MTLStencilOperationKeep;
  MTLStencilOperation depthFailureOperation = MTLStencilOperationKeep;
  MTLStencilOperation depthStencilPassOperation = MTLStencilOperationKeep;
  uint32_t readMask = 0xff;
  uint32_t writeMask = 0xff;
};

class MTLDepthStencilDescriptor
{
public:
  MTLCompareFunction depthCompareFunction = MTLCompareFunctionAlways;
  bool depthWriteEnabled = false;
  std::shared_ptr<MTLStencilDescriptor> frontFaceStencil;
  std::shared_ptr<MTLStencilDescriptor> backFaceStencil;
};

class MTLDepthStencilState
{
public:
  explicit MTLDepthStencilState(const MTLDepthStencilDescriptor& descriptor);
  // Stand-in internals: copies of the face descriptors; enabled is false for a face without stencil.
  struct Face
  {
    bool enabled = false;
    MTLStencilDescriptor stencil;
  };
  const Face& front() const { return mFront; }
  const Face& back() const { return mBack; }

private:
  Face mFront, mBack;
};
