// Stand-in for Metal's vertex descriptor: how the vertex stage fetches attributes from vertex buffers.
#pragma once

#include <Metal/MTLTypes.h>

#include <memory>

class MTLVertexDescriptor
{
public:
  static constexpr int kMaxAttributes = 8;
  static constexpr int kMaxLayouts = 8;
  static std::shared_ptr<MTLVertexDescriptor> vertexDescriptor()
  {
    return std::make_shared<MTLVertexDescriptor>();
  }

  struct Attribute
  {
    MTLVertexFormat format = MTLVertexFormatInvalid;
    NSUInteger offset = 0;
    NSUInteger bufferIndex = 0;
  };
  struct Layout
  {
    NSUInteger stride = 0;
    MTLVertexStepFunction stepFunction = MTLVertexStepFunctionPerVertex;
    NSUInteger stepRate = 1;
  };
  Attribute attributes[kMaxAttributes];
  Layout layouts[kMaxLayouts];
};
