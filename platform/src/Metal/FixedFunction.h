// The fixed-function stages of the software GPU that surround the shaders: vertex attribute fetch, the
// stencil test and the colour blend, each for one value at a time.
#pragma once

#include <Metal/Metal.h>

#include <cstdint>

// Reads one vertex attribute of a format into four floats; components the format lacks are left as they are.
void QorvFetchAttribute(MTLVertexFormat format, const unsigned char* p, float out[4]);
// Bytes one attribute of the format takes; 0 for formats the stand-in does not fetch.
NSUInteger QorvAttributeSize(MTLVertexFormat format);

// Whether the stencil test passes for a (masked) reference and a (masked) stored value.
bool QorvStencilCompare(MTLCompareFunction f, uint32_t ref, uint32_t value);
// The stored value s after a stencil operation, only the bits of writeMask changing.
uint8_t QorvStencilApply(MTLStencilOperation op, uint8_t s, uint32_t ref, uint32_t writeMask);

// The blend factor for channel c (3 is alpha) of a source and destination colour, both 0..1.
float QorvBlendFactor(MTLBlendFactor f, const float* src, const float* dst, int c);
// Source and destination terms combined by a blend operation.
float QorvBlendCombine(MTLBlendOperation op, float s, float d);
