#include "platform/src/Metal/FixedFunction.h"

#include <algorithm>
#include <cstring>

float QorvBlendFactor(MTLBlendFactor f, const float* src, const float* dst, int c)
{
  bool alpha = c == 3;
  switch (f)
  {
  case MTLBlendFactorZero:
    return 0;
  case MTLBlendFactorOne:
    return 1;
  case MTLBlendFactorSourceColor:
    return src[c];
  case MTLBlendFactorOneMinusSourceColor:
    return 1 - src[c];
  case MTLBlendFactorSourceAlpha:
    return src[3];
  case MTLBlendFactorOneMinusSourceAlpha:
    return 1 - src[3];
  case MTLBlendFactorDestinationColor:
    return dst[c];
  case MTLBlendFactorOneMinusDestinationColor:
    return 1 - dst[c];
  case MTLBlendFactorDestinationAlpha:
    return dst[3];
  case MTLBlendFactorOneMinusDestinationAlpha:
    return 1 - dst[3];
  case MTLBlendFactorSourceAlphaSaturated:
    return alpha ? 1 : std::min(src[3], 1 - dst[3]);
  case MTLBlendFactorOneMinusBlendColor:
  case MTLBlendFactorOneMinusBlendAlpha:
    return 1; // the blend colour is never set, so it stays (0, 0, 0, 0)
  default:
    return 0;
  }
}

float QorvBlendCombine(MTLBlendOperation op, float s, float d)
{
  switch (op)
  {
  case MTLBlendOperationSubtract:
    return s - d;
  case MTLBlendOperationReverseSubtract:
    return d - s;
  case MTLBlendOperationMin:
    return std::min(s, d);
  case MTLBlendOperationMax:
    return std::max(s, d);
  default:
    return s + d;
  }
}

bool QorvStencilCompare(MTLCompareFunction f, uint32_t ref, uint32_t value)
{
  switch (f)
  {
  case MTLCompareFunctionNever:
    return false;
  case MTLCompareFunctionLess:
    return ref < value;
  case MTLCompareFunctionEqual:
    return ref == value;
  case MTLCompareFunctionLessEqual:
    return ref <= value;
  case MTLCompareFunctionGreater:
    return ref > value;
  case MTLCompareFunctionNotEqual:
    return ref != value;
  case MTLCompareFunctionGreaterEqual:
    return ref >= value;
  default:
    return true;
  }
}

uint8_t QorvStencilApply(MTLStencilOperation op, uint8_t s, uint32_t ref, uint32_t writeMask)
{
  uint8_t v = s;
  switch (op)
  {
  case MTLStencilOperationZero:
    v = 0;
    break;
  case MTLStencilOperationReplace:
    v = (uint8_t)ref;
    break;
  case MTLStencilOperationIncrementClamp:
    v = s == 255 ? 255 : s + 1;
    break;
  case MTLStencilOperationDecrementClamp:
    v = s == 0 ? 0 : s - 1;
    break;
  case MTLStencilOperationInvert:
    v = (uint8_t)~s;
    break;
  case MTLStencilOperationIncrementWrap:
    v = (uint8_t)(s + 1);
    break;
  case MTLStencilOperationDecrementWrap:
    v = (uint8_t)(s - 1);
    break;
  default:
    break;
  }
  return (uint8_t)((s & ~writeMask) | (v & writeMask));
}

void QorvFetchAttribute(MTLVertexFormat format, const unsigned char* p, float out[4])
{
  switch (format)
  {
  case MTLVertexFormatFloat:
    std::memcpy(out, p, 4);
    break;
  case MTLVertexFormatFloat2:
    std::memcpy(out, p, 8);
    break;
  case MTLVertexFormatFloat3:
    std::memcpy(out, p, 12);
    break;
  case MTLVertexFormatFloat4:
    std::memcpy(out, p, 16);
    break;
  case MTLVertexFormatUChar4Normalized:
    for (int i = 0; i < 4; ++i)
      out[i] = p[i] / 255.0f;
    break;
  default:
    break;
  }
}

NSUInteger QorvAttributeSize(MTLVertexFormat format)
{
  switch (format)
  {
  case MTLVertexFormatFloat:
  case MTLVertexFormatUChar4Normalized:
    return 4;
  case MTLVertexFormatFloat2:
    return 8;
  case MTLVertexFormatFloat3:
    return 12;
  case MTLVertexFormatFloat4:
    return 16;
  default:
    return 0;
  }
}
