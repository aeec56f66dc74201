// Stand-in for Metal's enumerations and plain records, with the platform's public values.
#pragma once

#include <cstddef>
#include <cstdint>

typedef unsigned long NSUInteger;
typedef long NSInteger;

enum MTLPixelFormat : NSUInteger
{
  MTLPixelFormatInvalid = 0,
  MTLPixelFormatR8Unorm = 10,
  MTLPixelFormatRGBA8Unorm = 70,
  MTLPixelFormatBGRA8Unorm = 80,
  MTLPixelFormatStencil8 = 253,
};

enum MTLBlendFactor : NSUInteger
{
  MTLBlendFactorZero = 0,
  MTLBlendFactorOne = 1,
  MTLBlendFactorSourceColor = 2,
  MTLBlendFactorOneMinusSourceColor = 3,
  MTLBlendFactorSourceAlpha = 4,
  MTLBlendFactorOneMinusSourceAlpha = 5,
  MTLBlendFactorDestinationColor = 6,
  MTLBlendFactorOneMinusDestinationColor = 7,
  MTLBlendFactorDestinationAlpha = 8,
  MTLBlendFactorOneMinusDestinationAlpha = 9,
  MTLBlendFactorSourceAlphaSaturated = 10,
  MTLBlendFactorBlendColor = 11,
  MTLBlendFactorOneMinusBlendColor = 12,
  MTLBlendFactorBlendAlpha = 13,
  MTLBlendFactorOneMinusBlendAlpha = 14,
};

enum MTLBlendOperation : NSUInteger
{
  MTLBlendOperationAdd = 0,
  MTLBlendOperationSubtract = 1,
  MTLBlendOperationReverseSubtract = 2,
  MTLBlendOperationMin = 3,
  MTLBlendOperationMax = 4,
};

enum MTLColorWriteMask : NSUInteger
{
  MTLColorWriteMaskNone = 0,
  MTLColorWriteMaskRed = 1 << 3,
  MTLColorWriteMaskGreen = 1 << 2,
  MTLColorWriteMaskBlue = 1 << 1,
  MTLColorWriteMaskAlpha = 1 << 0,
  MTLColorWriteMaskAll = 0xf,
};

enum MTLCompareFunction : NSUInteger
{
  MTLCompareFunctionNever = 0,
  MTLCompareFunctionLess = 1,
  MTLCompareFunctionEqual = 2,
  MTLCompareFunctionLessEqual = 3,
  MTLCompareFunctionGreater = 4,
  MTLCompareFunctionNotEqual = 5,
  MTLCompareFunctionGreaterEqual = 6,
  MTLCompareFunctionAlways = 7,
};

enum MTLStencilOperation : NSUInteger
{
  MTLStencilOperationKeep = 0,
  MTLStencilOperationZero = 1,
  MTLStencilOperationReplace = 2,
  MTLStencilOperationIncrementClamp = 3,
  MTLStencilOperationDecrementClamp = 4,
  MTLStencilOperationInvert = 5,
  MTLStencilOperationIncrementWrap = 6,
  MTLStencilOperationDecrementWrap = 7,
};

enum MTLCullMode : NSUInteger
{
  MTLCullModeNone = 0,
  MTLCullModeFront = 1,
  MTLCullModeBack = 2,
};

enum MTLWinding : NSUInteger
{
  MTLWindingClockwise = 0,
  MTLWindingCounterClockwise = 1,
};

enum MTLPrimitiveType : NSUInteger
{
  MTLPrimitiveTypePoint = 0,
  MTLPrimitiveTypeLine = 1,
  MTLPrimitiveTypeLineStrip = 2,
  MTLPrimitiveTypeTriangle = 3,
  MTLPrimitiveTypeTriangleStrip = 4,
};

enum MTLIndexType : NSUInteger
{
  MTLIndexTypeUInt16 = 0,
  MTLIndexTypeUInt32 = 1,
};

enum MTLLoadAction : NSUInteger
{
  MTLLoadActionDontCare = 0,
  MTLLoadActionLoad = 1,
  MTLLoadActionClear = 2,
};

enum MTLStoreAction : NSUInteger
{
  MTLStoreActionDontCare = 0,
  MTLStoreActionStore = 1,
};

enum MTLSamplerMinMagFilter : NSUInteger
{
  MTLSamplerMinMagFilterNearest = 0,
  MTLSamplerMinMagFilterLinear = 1,
};

enum MTLSamplerMipFilter : NSUInteger
{
  MTLSamplerMipFilterNotMipmapped = 0,
  MTLSamplerMipFilterNearest = 1,
  MTLSamplerMipFilterLinear = 2,
};

enum MTLSamplerAddressMode : NSUInteger
{
  MTLSamplerAddressModeClampToEdge = 0,
  MTLSamplerAddressModeMirrorClampToEdge = 1,
  MTLSamplerAddressModeRepeat = 2,
  MTLSamplerAddressModeMirrorRepeat = 3,
  MTLSamplerAddressModeClampToZero = 4,
};

enum MTLTextureType : NSUInteger
{
  MTLTextureType2D = 2,
  MTLTextureType2DMultisample = 4,
};

enum MTLTextureUsage : NSUInteger
{
  MTLTextureUsageUnknown = 0,
  MTLTextureUsageShaderRead = 1,
  MTLTextureUsageShaderWrite = 2,
  MTLTextureUsageRenderTarget = 4,
};

enum MTLStorageMode : NSUInteger
{
  MTLStorageModeShared = 0,
  MTLStorageModeManaged = 1,
  MTLStorageModePrivate = 2,
  MTLStorageModeMemoryless = 3,
};

enum MTLResourceOptions : NSUInteger
{
  MTLResourceCPUCacheModeDefaultCache = 0,
  MTLResourceStorageModeShared = MTLStorageModeShared << 4,
  MTLResourceStorageModeManaged = MTLStorageModeManaged << 4,
  MTLResourceStorageModePrivate = MTLStorageModePrivate << 4,
};

enum MTLVertexFormat : NSUInteger
{
  MTLVertexFormatInvalid = 0,
  MTLVertexFormatUChar4Normalized = 9,
  MTLVertexFormatFloat = 28,
  MTLVertexFormatFloat2 = 29,
  MTLVertexFormatFloat3 = 30,
  MTLVertexFormatFloat4 = 31,
};

enum MTLVertexStepFunction : NSUInteger
{
  MTLVertexStepFunctionConstant = 0,
  MTLVertexStepFunctionPerVertex = 1,
};

enum MTLFunctionType : NSUInteger
{
  MTLFunctionTypeVertex = 1,
  MTLFunctionTypeFragment = 2,
};

enum MTLCommandBufferStatus : NSUInteger
{
  MTLCommandBufferStatusNotEnqueued = 0,
  MTLCommandBufferStatusEnqueued = 1,
  MTLCommandBufferStatusCommitted = 2,
  MTLCommandBufferStatusScheduled = 3,
  MTLCommandBufferStatusCompleted = 4,
  MTLCommandBufferStatusError = 5,
};

struct MTLOrigin
{
  NSUInteger x, y, z;
};

struct MTLSize
{
  NSUInteger width, height, depth;
};

struct MTLRegion
{
  MTLOrigin origin;
  MTLSize size;
};

struct MTLViewport
{
  double originX, originY, width, height, znear, zfar;
};

// A rectangle of the target in pixels; fragments outside it are not drawn.
struct MTLScissorRect
{
  NSUInteger x, y, width, height;
};

struct MTLClearColor
{
  double red, green, blue, alpha;
};

inline MTLOrigin MTLOriginMake(NSUInteger x, NSUInteger y, NSUInteger z)
{
  return MTLOrigin{x, y, z};
}
inline MTLSize MTLSizeMake(NSUInteger w, NSUInteger h, NSUInteger d)
{
  return MTLSize{w, h, d};
}
inline MTLRegion MTLRegionMake2D(NSUInteger x, NSUInteger y, NSUInteger width, NSUInteger height)
{
  return MTLRegion{{x, y, 0}, {width, height, 1}};
}
inline MTLClearColor MTLClearColorMake(double red, double green, double blue, double alpha)
{
  return MTLClearColor{red, green, blue, alpha};
}
