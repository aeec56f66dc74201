// The software GPU's vertex stage of one draw, as the rasteriser runs it once for each vertex it draws.
#pragma once

#include "platform/src/Metal/FixedFunction.h"
#include "platform/src/Metal/RasterDraw.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace qorv_raster
{
// A draw's vertex stage: what its vertex descriptor fetches for each vertex (the attributes that read a
// buffer, with their formats and places) worked out once, and one input kept across its vertices. An
// attribute not fetched keeps (0, 0, 0, 1), and a fetch writes as many floats as its format has, so the
// input of each vertex is what a fresh one would be.
class VertexStage
{
public:
  explicit VertexStage(const Draw& d)
  {
    mIn.buffers = d.vertexBuffers;
    for (int a = 0; a < kQorvMaxAttributes; ++a)
    {
      float* out = mIn.attributes[a];
      out[0] = out[1] = out[2] = 0, out[3] = 1;
      const auto& attr = d.vd->attributes[a];
      if (attr.format == MTLVertexFormatInvalid) continue; // most of them: no call to size them
      const NSUInteger size = QorvAttributeSize(attr.format);
      if (size == 0 || attr.bufferIndex >= QorvDrawState::kSlots) continue;
      const auto& layout = d.vd->layouts[attr.bufferIndex];
      const QorvShaderBuffer& b = d.vertexBuffers[attr.bufferIndex];
      mFetches[mCount++] = Fetch{out,
                                 attr.format,
                                 size,
                                 attr.offset,
                                 layout.stepFunction == MTLVertexStepFunctionPerVertex ? layout.stride : 0,
                                 b.data,
                                 b.length,
                                 a};
    }
    const MTLViewport& vp = d.state->viewport;
    mOriginX = vp.originX, mOriginY = vp.originY, mWidth = vp.width, mHeight = vp.height;
    // A draw that reads no varyings takes the position form where the function has one.
    mVertex = d.vertexCode->vertex;
    if (!d.fragmentCode && d.options.positionsAlone && d.vertexCode->vertexPosition)
      mVertex = d.vertexCode->vertexPosition;
    mVaryings = d.varyings;
  }

  // Whether every fetch of ids up to last lies inside its buffer, so that Shade need not look.
  void Within(uint32_t last)
  {
    mWithin = true;
    for (int f = 0; f < mCount; ++f)
    {
      const Fetch& a = mFetches[f];
      const NSUInteger most = ~NSUInteger(0);
      if (!a.data || (a.stride != 0 && last > (most - a.offset - a.size) / a.stride) ||
          a.offset > most - a.size || a.offset + a.stride * last + a.size > a.length)
        mWithin = false;
    }
    mPairs = mWithin;
    for (int f = 0; f < mCount; ++f)
      mPairs = mPairs && mFetches[f].format == MTLVertexFormatFloat2;
  }

  // Vertices first, first + 1, ... into to[0], to[1], ... (Within first + count - 1 asked first).
  void ShadeRun(uint32_t first, size_t count, Vertex* to)
  {
    if (!mPairs || mCount > 2)
    {
      for (size_t i = 0; i < count; ++i)
        Shade(first + (uint32_t)i, to[i]);
      return;
    }
    // Pairs of floats within their buffers (the renderer's vertices): copied without looking, from places
    // kept where the vertex function cannot reach them, so that they stay in registers across its calls.
    QorvVertexIn in = mIn;
    const unsigned char* at[2] = {nullptr, nullptr};
    NSUInteger stride[2] = {0, 0};
    float* into[2] = {nullptr, nullptr};
    for (int f = 0; f < mCount; ++f)
    {
      const Fetch& a = mFetches[f];
      at[f] = a.data + a.offset + a.stride * first, stride[f] = a.stride;
      into[f] = in.attributes[a.attribute];
    }
    for (size_t i = 0; i < count; ++i)
    {
      in.vertexId = first + (uint32_t)i;
      for (int f = 0; f < 2; ++f)
        if (into[f]) std::memcpy(into[f], at[f], 8), at[f] += stride[f];
      Finish(in, to[i]);
    }
  }

  void Shade(uint32_t id, Vertex& v)
  {
    mIn.vertexId = id;
    for (int f = 0; f < mCount; ++f)
    {
      const Fetch& a = mFetches[f];
      const NSUInteger at = a.offset + a.stride * id;
      // Out-of-range fetches read zeros, as with robust buffer access.
      if (!mWithin && (!a.data || at + a.size > a.length))
        a.out[0] = a.out[1] = a.out[2] = 0, a.out[3] = 1;
      else if (a.format == MTLVertexFormatFloat2)
        std::memcpy(a.out, a.data + at, 8);
      else
        QorvFetchAttribute(a.format, a.data + at, a.out);
    }
    Finish(mIn, v);
  }

private:
  // The vertex function's output for in, put in window coordinates.
  void Finish(const QorvVertexIn& in, Vertex& v) const
  {
    QorvVertexOut out{};
    mVertex(in, out);
    float w = out.position[3];
    v.valid = w > 0 && std::isfinite(out.position[0]) && std::isfinite(out.position[1]);
    if (!v.valid) return;
    // A point's w is 1 as a rule (the renderer's 2D vertices): x / 1 is x, without the divisions.
    const bool one = w == 1.0f;
    double nx = one ? out.position[0] : out.position[0] / w, ny = one ? out.position[1] : out.position[1] / w;
    v.fx = RoundToFixed(std::clamp(mOriginX + (nx + 1) * 0.5 * mWidth, -kCoordLimit, kCoordLimit));
    v.fy = RoundToFixed(std::clamp(mOriginY + (1 - ny) * 0.5 * mHeight, -kCoordLimit, kCoordLimit));
    v.z = one ? out.position[2] : out.position[2] / w;
    // Varyings past the draw's count are never read; fixed sizes, so that the copies stay inline.
    if (mVaryings > 4)
      std::memcpy(v.varyings, out.varyings, sizeof v.varyings);
    else if (mVaryings > 0)
      std::memcpy(v.varyings, out.varyings, 4 * sizeof(float));
  }

  struct Fetch
  {
    float* out;
    MTLVertexFormat format;
    NSUInteger size, offset, stride; // stride 0 for an attribute that does not step per vertex
    const unsigned char* data;
    NSUInteger length;
    int attribute; // that out is of
  };
  QorvVertexFunction mVertex;
  int mVaryings;
  QorvVertexIn mIn;
  Fetch mFetches[kQorvMaxAttributes];
  int mCount = 0;
  bool mWithin = false, mPairs = false;
  double mOriginX, mOriginY, mWidth, mHeight;
};
} // namespace qorv_raster
