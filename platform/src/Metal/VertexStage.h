// The software GPU's vertex stage of one draw, as the rasteriser runs it once for each vertex it draws.
#pragma once

#include "platform/src/Metal/FixedFunction.h"
#include "platform/src/Metal/RasterDraw.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qorv_raster
{
// A draw's vertex stage: what its vertex descriptor fetches for each vertex (the attributes that read a
// buffer, with their formats and places) worked out once, and one input kept across its vertices. An
// attribute not fetched keeps (0, 0, 0, 1), and a fetch writes as many floats as its format has, so the
// input of each vertex is what a fresh one would be.
class VertexStage
{
public:
  // keep: how many varyings to keep of each vertex (the draw's, or more where a later draw takes them).
  VertexStage(const Draw& d, int keep)
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
    // A draw that keeps no varyings takes the position form where the function has one.
    mVertex = d.vertexCode->vertex;
    if (keep == 0 && !d.fragmentCode && d.options.positionsAlone && d.vertexCode->vertexPosition)
      mVertex = d.vertexCode->vertexPosition;
    mRun = d.options.vertexRuns ? d.vertexCode->vertexRun : nullptr;
    mVaryings = keep;
#if defined(__SSE2__)
    // Beyond finite viewports the clamp would meet NaNs, which the SIMD arithmetic orders otherwise.
    mPlaceSimd = d.simd && std::isfinite(mOriginX) && std::isfinite(mOriginY) && std::isfinite(mWidth) &&
                 std::isfinite(mHeight);
#endif
  }

  // What the vertices a draw shades follow from, but for its ids: another draw of the same ids with the same
  // key shades the same vertices.
  struct Key
  {
    QorvVertexFunction vertex = nullptr, position = nullptr;
    QorvVertexRunFunction run = nullptr;
    struct Fetched
    {
      MTLVertexFormat format;
      NSUInteger offset, stride;
      int attribute;
      bool operator==(const Fetched&) const = default;
    };
    Fetched fetched[kQorvMaxAttributes];
    int count = 0;
    const unsigned char* buffers[QorvDrawState::kSlots];
    NSUInteger lengths[QorvDrawState::kSlots];
    double originX = 0, originY = 0, width = 0, height = 0;

    bool operator==(const Key& k) const
    {
      if (vertex != k.vertex || position != k.position || run != k.run || count != k.count ||
          !std::equal(fetched, fetched + count, k.fetched) ||
          !std::equal(buffers, buffers + QorvDrawState::kSlots, k.buffers) ||
          !std::equal(lengths, lengths + QorvDrawState::kSlots, k.lengths))
        return false;
      // Bitwise, so that NaNs compare alike.
      const double mine[4] = {originX, originY, width, height},
                   theirs[4] = {k.originX, k.originY, k.width, k.height};
      return std::memcmp(mine, theirs, sizeof mine) == 0;
    }
  };
  Key MakeKey(const Draw& d) const
  {
    Key k;
    k.vertex = d.vertexCode->vertex, k.position = d.vertexCode->vertexPosition,
    k.run = d.vertexCode->vertexRun;
    k.count = mCount;
    for (int f = 0; f < mCount; ++f)
    {
      const Fetch& a = mFetches[f];
      k.fetched[f] = Key::Fetched{a.format, a.offset, a.stride, a.attribute};
    }
    for (int i = 0; i < QorvDrawState::kSlots; ++i)
      k.buffers[i] = d.vertexBuffers[i].data, k.lengths[i] = d.vertexBuffers[i].length;
    k.originX = mOriginX, k.originY = mOriginY, k.width = mWidth, k.height = mHeight;
    return k;
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

  // Whether ShadeRun takes the run form (Within asked first).
  bool Runs() const
  {
    return mPairs && mRun;
  }

  // Vertices first, first + 1, ... into to[0], to[1], ... (Within first + count - 1 asked first).
  void ShadeRun(uint32_t first, size_t count, Vertex* to)
  {
    if (Runs())
    {
      ShadeByRuns(first, count, to);
      return;
    }
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
  // Pairs of floats within their buffers, shaded by the run form a batch at a time.
  void ShadeByRuns(uint32_t first, size_t count, Vertex* to) const
  {
    QorvVertexRunIn in{};
    in.buffers = mIn.buffers;
    for (int f = 0; f < mCount; ++f)
    {
      const Fetch& a = mFetches[f];
      in.attributes[a.attribute] = a.data + a.offset + a.stride * first;
      in.strides[a.attribute] = a.stride;
    }
    constexpr size_t kBatch = 64;
    float positions[kBatch][4];
    for (size_t done = 0; done < count;)
    {
      const size_t n = std::min(kBatch, count - done);
      in.firstId = first + (uint32_t)done;
      mRun(in, n, positions, mVaryings > 0 ? reinterpret_cast<unsigned char*>(to[done].varyings) : nullptr,
           sizeof(Vertex));
      PlaceAll(positions, n, to + done);
      for (int f = 0; f < mCount; ++f)
        in.attributes[mFetches[f].attribute] += mFetches[f].stride * n;
      done += n;
    }
  }

  // The vertex function's output for in, put in window coordinates.
  void Finish(const QorvVertexIn& in, Vertex& v) const
  {
    QorvVertexOut out{};
    mVertex(in, out);
    Place(out.position, v);
    if (!v.valid) return;
    // Varyings past the draw's count are never read; fixed sizes, so that the copies stay inline.
    if (mVaryings > 4)
      std::memcpy(v.varyings, out.varyings, sizeof v.varyings);
    else if (mVaryings > 0)
      std::memcpy(v.varyings, out.varyings, 4 * sizeof(float));
  }

  // A clip-space position in window coordinates, or not valid.
  void Place(const float* position, Vertex& v) const
  {
#if defined(__SSE2__)
    if (mPlaceSimd)
    {
      Placing(*this).Place(position, v);
      return;
    }
#endif
    float w = position[3];
    v.valid = w > 0 && std::isfinite(position[0]) && std::isfinite(position[1]);
    if (!v.valid) return;
    // A point's w is 1 as a rule (the renderer's 2D vertices): x / 1 is x, without the divisions.
    const bool one = w == 1.0f;
    double nx = one ? position[0] : position[0] / w, ny = one ? position[1] : position[1] / w;
    v.fx = RoundToFixed(std::clamp(mOriginX + (nx + 1) * 0.5 * mWidth, -kCoordLimit, kCoordLimit));
    v.fy = RoundToFixed(std::clamp(mOriginY + (1 - ny) * 0.5 * mHeight, -kCoordLimit, kCoordLimit));
    v.z = one ? position[2] : position[2] / w;
  }

  // Place for each of n positions.
  void PlaceAll(const float (*positions)[4], size_t n, Vertex* to) const
  {
#if defined(__SSE2__)
    if (mPlaceSimd)
    {
      const Placing placing(*this);
      for (size_t i = 0; i < n; ++i)
        placing.Place(positions[i], to[i]);
      return;
    }
#endif
    for (size_t i = 0; i < n; ++i)
      Place(positions[i], to[i]);
  }

#if defined(__SSE2__)
  // Place with x and y side by side, its constants made once for many: 1 - ny is -ny + 1 exactly, and the
  // clamped coordinates lie within 2^28 256ths, where 32-bit truncation is exact.
  struct Placing
  {
    __m128d origin, size, unit, half, minusHalf, low, high, fixedOne, turn;

    explicit Placing(const VertexStage& s)
        : origin(_mm_set_pd(s.mOriginY, s.mOriginX)), size(_mm_set_pd(s.mHeight, s.mWidth)),
          unit(_mm_set1_pd(1.0)), half(_mm_set1_pd(0.5)), minusHalf(_mm_set1_pd(-0.5)),
          low(_mm_set1_pd(-kCoordLimit)), high(_mm_set1_pd(kCoordLimit)), fixedOne(_mm_set1_pd((double)kOne)),
          turn(_mm_set_pd(-1.0, 1.0))
    {
    }

    void Place(const float* position, Vertex& v) const
    {
      static_assert(offsetof(Vertex, fy) == offsetof(Vertex, fx) + sizeof(int64_t));
      const __m128 p = _mm_loadu_ps(position);
      const float w = position[3];
      // x - x is 0 for a finite x alone.
      const int finite = _mm_movemask_ps(_mm_cmpeq_ps(_mm_sub_ps(p, p), _mm_setzero_ps())) & 3;
      v.valid = w > 0 && finite == 3;
      if (!v.valid) return;
      const bool one = w == 1.0f;
      const __m128 q = one ? p : _mm_div_ps(p, _mm_set1_ps(w));
      const __m128d n = _mm_mul_pd(_mm_cvtps_pd(q), turn);
      const __m128d at = _mm_add_pd(origin, _mm_mul_pd(_mm_mul_pd(_mm_add_pd(n, unit), half), size));
      const __m128d f = _mm_mul_pd(_mm_min_pd(_mm_max_pd(at, low), high), fixedOne);
      const __m128d whole = _mm_cvtepi32_pd(_mm_cvttpd_epi32(f)), rest = _mm_sub_pd(f, whole);
      const __m128d up = _mm_and_pd(_mm_cmpge_pd(rest, half), unit);
      const __m128d down = _mm_and_pd(_mm_cmple_pd(rest, minusHalf), unit);
      const __m128i fixed = _mm_cvttpd_epi32(_mm_sub_pd(_mm_add_pd(whole, up), down));
      // Both widened to 64 bits, their signs filled in above them.
      _mm_storeu_si128(reinterpret_cast<__m128i*>(&v.fx),
                       _mm_unpacklo_epi32(fixed, _mm_srai_epi32(fixed, 31)));
      v.z = one ? position[2] : _mm_cvtss_f32(_mm_movehl_ps(q, q));
    }
  };
#endif

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
  QorvVertexRunFunction mRun;
  int mVaryings;
  QorvVertexIn mIn;
  Fetch mFetches[kQorvMaxAttributes];
  int mCount = 0;
  bool mWithin = false, mPairs = false, mPlaceSimd = false;
  double mOriginX, mOriginY, mWidth, mHeight;
};
} // namespace qorv_raster
