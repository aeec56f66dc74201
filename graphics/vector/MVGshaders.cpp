#include "graphics/vector/MVGshaders.h"

#include <QorvPlatform/MetalShaders.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "graphics/vector/VGpath.h"
#include "graphics/vector/VGshading.h"

namespace iplugin::igraphics
{
// "MTLB", version 1, four functions: type, name length (little-endian 16 bits), name.
const unsigned char kMVGshaderLibrary[] = "MTLB"
                                          "\x01\x00\x00\x00"
                                          "\x04\x00\x00\x00"
                                          "\x01\x0c\x00"
                                          "vertexShader"
                                          "\x02\x0e\x00"
                                          "fragmentShader"
                                          "\x02\x10\x00"
                                          "fragmentShaderAA"
                                          "\x02\x12\x00"
                                          "fragmentShaderEdge";
const size_t kMVGshaderLibrarySize = sizeof(kMVGshaderLibrary) - 1;

namespace
{
// Varyings: texture coordinate (u, v), then the position in view units.
enum
{
  kVaryU,
  kVaryV,
  kVaryX,
  kVaryY,
  kVaryings
};

// Vertex buffer 1: the view size, (1, 1) where it is not bound.
void ViewSize(const QorvShaderBuffer* buffers, float view[2])
{
  view[0] = view[1] = 1.0f;
  if (buffers[1].length >= 2 * sizeof(float)) std::memcpy(view, buffers[1].data, 2 * sizeof(float));
}

// Vertex buffer 0: VGvertex records through the vertex descriptor; buffer 1: the view size. The position
// alone, for the draws that read no varyings (the stencil's marks).
void VertexPosition(const QorvVertexIn& in, QorvVertexOut& out)
{
  float view[2];
  ViewSize(in.buffers, view);
  const float x = in.attributes[0][0], y = in.attributes[0][1];
  out.position[0] = 2.0f * x / view[0] - 1.0f;
  out.position[1] = 1.0f - 2.0f * y / view[1];
  out.position[2] = 0.0f;
  out.position[3] = 1.0f;
}

void VertexShader(const QorvVertexIn& in, QorvVertexOut& out)
{
  VertexPosition(in, out);
  const float x = in.attributes[0][0], y = in.attributes[0][1];
  out.varyings[kVaryU] = in.attributes[1][0];
  out.varyings[kVaryV] = in.attributes[1][1];
  out.varyings[kVaryX] = x;
  out.varyings[kVaryY] = y;
}

// Both over a run of vertices: the position's arithmetic on x and y side by side (x - 1 is x + -1 and 1 - y
// is -y + 1 exactly), four vertices' varyings as they are read.
void VertexRun(const QorvVertexRunIn& in, size_t count, float (*positions)[4], unsigned char* varyings,
               size_t varyingStride)
{
  float view[2];
  ViewSize(in.buffers, view);
  const unsigned char *xy = in.attributes[0], *uv = in.attributes[1];
  const size_t xyStride = in.strides[0], uvStride = in.strides[1];
  const float zero[2] = {0.0f, 0.0f};
  auto pair = [&zero](const unsigned char* at, size_t stride, size_t i)
  { return at ? at + stride * i : reinterpret_cast<const unsigned char*>(zero); };
#if defined(__SSE2__)
  if (QorvShaderSimd())
  {
    const __m128 two = _mm_set1_ps(2.0f), size = _mm_setr_ps(view[0], view[1], 1.0f, 1.0f);
    const __m128 turn = _mm_setr_ps(1.0f, -1.0f, 0.0f, 0.0f), shift = _mm_setr_ps(-1.0f, 1.0f, 0.0f, 1.0f);
    auto load = [](const unsigned char* at)
    { return _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(at))); };
    for (size_t i = 0; i < count; ++i)
    {
      const __m128 p = load(pair(xy, xyStride, i));
      _mm_storeu_ps(positions[i], _mm_add_ps(_mm_mul_ps(_mm_div_ps(_mm_mul_ps(p, two), size), turn), shift));
      if (varyings)
        _mm_storeu_ps(reinterpret_cast<float*>(varyings + varyingStride * i),
                      _mm_movelh_ps(load(pair(uv, uvStride, i)), p));
    }
    return;
  }
#endif
  for (size_t i = 0; i < count; ++i)
  {
    float x[2], u[2];
    std::memcpy(x, pair(xy, xyStride, i), sizeof x);
    std::memcpy(u, pair(uv, uvStride, i), sizeof u);
    float* position = positions[i];
    position[0] = 2.0f * x[0] / view[0] - 1.0f;
    position[1] = 1.0f - 2.0f * x[1] / view[1];
    position[2] = 0.0f;
    position[3] = 1.0f;
    if (varyings)
    {
      const float out[kVaryings] = {u[0], u[1], x[0], x[1]};
      std::memcpy(varyings + varyingStride * i, out, sizeof out);
    }
  }
}

struct TextureSlot
{
  const MTLTexture* texture;
  const MTLSamplerState* sampler;
};

void SampleSlot(const void* user, float s, float t, float* rgba)
{
  auto* slot = static_cast<const TextureSlot*>(user);
  QorvSampleTexture(slot->texture, slot->sampler, s, t, rgba);
}

void SampleSlotSpan(const void* user, const float* s, const float* t, int n, float (*rgba)[4])
{
  auto* slot = static_cast<const TextureSlot*>(user);
  QorvSampleTextureSpan(slot->texture, slot->sampler, s, t, n, rgba);
}

template <bool Antialias> bool FragmentShader(const QorvFragmentIn& in, float colour[4])
{
  // Fragment buffer 0 is bound at the call's uniform record.
  if (in.buffers[0].length < sizeof(MVGfragUniforms)) return false;
  // Records sit 256 bytes apart in the buffer, so they are aligned for reading in place.
  const auto& frag = *reinterpret_cast<const MVGfragUniforms*>(in.buffers[0].data);
  TextureSlot slot{in.textures[0], in.samplers[0]};
  MVGsampler sampler{&slot, SampleSlot};
  return vgShadeFragment(frag, in.varyings[kVaryX], in.varyings[kVaryY], in.varyings[kVaryU],
                         in.varyings[kVaryV], Antialias, slot.texture ? &sampler : nullptr, colour);
}

template <bool Antialias>
void FragmentShaderSpan(const QorvFragmentSpanIn& in, float (*colour)[4], unsigned char* keep)
{
  if (in.buffers[0].length < sizeof(MVGfragUniforms))
  {
    std::memset(keep, 0, (size_t)in.count);
    return;
  }
  const auto& frag = *reinterpret_cast<const MVGfragUniforms*>(in.buffers[0].data);
  TextureSlot slot{in.textures[0], in.samplers[0]};
  MVGsampler sampler{&slot, SampleSlot, SampleSlotSpan};
  vgShadeSpan(frag, in.varyings[kVaryX], in.varyings[kVaryY], in.varyings[kVaryU], in.varyings[kVaryV],
              in.count, Antialias, slot.texture ? &sampler : nullptr, colour, keep);
}

// A sampled fill's fringe where one edge alone passes near the pixel (MVGsampledFill.cpp), given the share
// of the pixel's samples that the fill covers. Along that fringe coverage is min(1, m (1 - |2u - 1|)), m the
// uniforms' strokeMult: the edge's ramp, 1 at half a fringe inside and 0 at half a fringe outside. The
// samples tell how the edge lies in the fill: all covered, the edge lies inside it (another path covers its
// outer side) and the pixel is covered whole; else the ramp where the fill is on its inner side, or its
// complement where the fill is on its outer side (a path in another that leaves a hole in it), whichever of
// the three the share is nearest.
struct EdgeDraw
{
  float paint[4];
  float scissor;
  bool solid; // vgSolidPaint's answer, with its colour and factor
};
static_assert(sizeof(EdgeDraw) <= kQorvDrawConstants && alignof(EdgeDraw) <= 16);

// FragmentShaderEdge's draw form: whether the paint is one colour is asked once a draw, and then the fringe's
// coverage and that colour read u and v alone.
int FragmentShaderEdgeDraw(const QorvShaderBuffer* buffers, const MTLTexture* const*,
                           unsigned char* constants)
{
  static_assert(kVaryU < 2 && kVaryV < 2);
  EdgeDraw draw{};
  draw.solid =
      buffers[0].length >= sizeof(MVGfragUniforms) &&
      vgSolidPaint(*reinterpret_cast<const MVGfragUniforms*>(buffers[0].data), draw.paint, draw.scissor);
  std::memcpy(constants, &draw, sizeof draw);
  return draw.solid ? 2 : kVaryings;
}

void FragmentShaderEdge(const QorvFragmentSpanIn& in, float (*colour)[4], unsigned char* keep)
{
  if (in.buffers[0].length < sizeof(MVGfragUniforms))
  {
    std::memset(keep, 0, (size_t)in.count);
    return;
  }
  const auto& frag = *reinterpret_cast<const MVGfragUniforms*>(in.buffers[0].data);
  const float mult = frag.strokeMult;
  constexpr float kClearly = 0.0f;
  const float* given = in.varyings[kVaryU];
  const float* sides = in.varyings[kVaryV];
  auto coverageU = [&](int i)
  {
    // The fringe reaches kVGSampledEdgeReach either side of the edge (u 0.5 inside, 0.75 on it, 1
    // outside); the ramp runs over the middle fringe of it, 1 and 0 beyond.
    const float along = std::clamp(0.75f + (given[i] - 0.75f) * (2.0f * kVGSampledEdgeReach), 0.5f, 1.0f);
    const float ramp = std::clamp(mult * (1.0f - std::fabs(along * 2.0f - 1.0f)), 0.0f, 1.0f);
    const float share = in.samplesPassed ? (float)in.samplesPassed[i] / (float)in.samples : 1.0f;
    const float apart = std::fabs(share - ramp), turned = std::fabs(share - (1.0f - ramp));
    // u of the coverage chosen: 0.5 covers whole, (1 - ramp) / 2m gives 1 - ramp, 1 none. The side the
    // fill lies on where the windings tell it (v, VGpath.h EVGfringeSide); elsewhere the samples choose,
    // and another edge may cut a pixel's corner without reaching its centre: the ramp is turned only
    // where they say so clearly.
    const float v = sides[i];
    // lround's side, without its call where v is as the fringe gives it: v + 0.5 is exact in double, and
    // truncating it rounds halves away from 0 as lround does.
    const int side = v >= 0.0f && v < 64.0f ? (int)((double)v + 0.5) : (int)std::lround(v);
    const bool known = side > kVGSideBySamples && std::fabs(v - (float)side) < 0.01f;
    const bool inner = known ? side == kVGSideInner : !(share >= 1.0f) && !(turned + kClearly < apart);
    const bool outer = known ? side == kVGSideOuter : !(share >= 1.0f) && turned + kClearly < apart;
    return inner                             ? along
           : outer                           ? (1.0f - ramp) / (2.0f * mult)
           : known && side == kVGSideNeither ? 1.0f
                                             : 0.5f;
  };
  // The draw's paint, as its draw form found it or else found here.
  EdgeDraw found;
  const EdgeDraw* draw = reinterpret_cast<const EdgeDraw*>(in.drawConstants);
  if (colour && in.coverageShortcuts && !draw)
  {
    found.solid = vgSolidPaint(frag, found.paint, found.scissor);
    draw = &found;
  }
  if (colour && in.coverageShortcuts && draw->solid)
  {
    const float* paint = draw->paint;
    const float scissor = draw->scissor;
    // vgShadeSpan's arithmetic for that paint, in the same order: the fringe's coverage (v is 1, and a
    // factor of min(1, 1) changes nothing) and its discard, the scissor's factor, the colour.
    const float thr = frag.strokeThr;
    for (int i = 0; i < in.count; ++i)
    {
      const float u = coverageU(i);
      const float k = std::min(1.0f, (1.0f - std::fabs(u * 2.0f - 1.0f)) * mult);
      keep[i] = k < thr ? 0 : 1;
      const float weighed = scissor * k;
      for (int c = 0; c < 4; ++c)
        colour[i][c] = paint[c] * weighed;
    }
    return;
  }
  constexpr int kMost = 128;
  float u[kMost], one[kMost];
  QorvFragmentSpanIn piece = in;
  for (int from = 0; from < in.count; from += kMost)
  {
    piece.count = std::min(kMost, in.count - from);
    for (int k = 0; k < kVaryings; ++k)
      piece.varyings[k] = in.varyings[k] + from;
    for (int i = 0; i < piece.count; ++i)
    {
      u[i] = coverageU(from + i);
      one[i] = 1.0f;
    }
    piece.varyings[kVaryU] = u;
    piece.varyings[kVaryV] = one;
    FragmentShaderSpan<true>(piece, colour + from, keep + from);
  }
}

VGspanSteps StepsOf(const float* start, const float* step)
{
  return VGspanSteps{start[kVaryX], step[kVaryX], start[kVaryY], step[kVaryY],
                     start[kVaryU], step[kVaryU], start[kVaryV], step[kVaryV]};
}

VGspanSteps StepsOf(const QorvFragmentSpanIn& in)
{
  return StepsOf(in.start, in.step);
}

// What the span, or the rows of a rectangle, will be: one colour, or texture samples.
template <bool Antialias>
QorvSpanKind FragmentShaderAsk(const QorvFragmentSpanIn& in, const float (*rowStarts)[kQorvMaxVaryings],
                               int rows, unsigned wants, QorvSpanAnswer& answer)
{
  answer = QorvSpanAnswer{};
  if (in.buffers[0].length < sizeof(MVGfragUniforms)) return answer.kind;
  const auto& frag = *reinterpret_cast<const MVGfragUniforms*>(in.buffers[0].data);
  const bool samples = (wants & QorvWants(QorvSpanKind::kSamples)) != 0 && in.textures[0];
  if (rows > 0)
  {
    if (!samples) return answer.kind;
    thread_local std::vector<VGspanSteps> steps;
    if (steps.size() < (size_t)rows) steps.resize((size_t)rows);
    VGspanSteps* const out = steps.data();
    int r = 0;
#if defined(__SSE2__)
    // (u, v, x, y) of a row's starts interleaved with the steps into (x, dx, y, dy) and (u, du, v, dv).
    static_assert(kVaryU == 0 && kVaryV == 1 && kVaryX == 2 && kVaryY == 3 && sizeof(VGspanSteps) == 32);
    const __m128 steps4 = _mm_loadu_ps(in.step);
    for (; r < rows; ++r)
    {
      float* const o = reinterpret_cast<float*>(out + r);
      const __m128 start = _mm_loadu_ps(rowStarts[r]);
      _mm_storeu_ps(o, _mm_unpackhi_ps(start, steps4));
      _mm_storeu_ps(o + 4, _mm_unpacklo_ps(start, steps4));
    }
#endif
    for (; r < rows; ++r)
      out[r] = StepsOf(rowStarts[r], in.step);
    vgShadeRectSamples(frag, out, rows, in.count, Antialias, answer);
    return answer.kind;
  }
  const VGspanSteps steps = StepsOf(in);
  if ((wants & QorvWants(QorvSpanKind::kOneColour)) &&
      vgShadeSpanColour(frag, steps, in.count, Antialias, answer.colour))
    answer.kind = QorvSpanKind::kOneColour;
  else if (samples)
    vgShadeSpanSamples(frag, steps, in.count, Antialias, answer, true);
  return answer.kind;
}
} // namespace

void MvgRegisterShaderCode()
{
  QorvMetalRegisterVertexFunction("vertexShader", VertexShader, kVaryings, VertexPosition, VertexRun);
  QorvMetalRegisterFragmentFunction("fragmentShader", FragmentShader<false>, FragmentShaderSpan<false>,
                                    FragmentShaderAsk<false>);
  QorvMetalRegisterCoverageFunction("fragmentShaderEdge", FragmentShaderEdge, FragmentShaderEdgeDraw);
  QorvMetalRegisterFragmentFunction("fragmentShaderAA", FragmentShader<true>, FragmentShaderSpan<true>,
                                    FragmentShaderAsk<true>);
}
} // namespace iplugin::igraphics
