#include "graphics/vector/VGshading.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace iplugin::igraphics
{
namespace
{
void ApplyMat(const float* m, float x, float y, float* ox, float* oy)
{
  *ox = m[0] * x + m[4] * y + m[8];
  *oy = m[1] * x + m[5] * y + m[9];
}

void Sample(const MVGsampler* sampler, float s, float t, float* rgba)
{
  rgba[0] = rgba[1] = rgba[2] = rgba[3] = 0.0f;
  if (sampler && sampler->sample) sampler->sample(sampler->user, s, t, rgba);
}

// Converts a texel by texture type into a premultiplied colour.
void ConvertTexel(int texType, float* c)
{
  if (texType == kMVGTexRGBA)
  {
    c[0] *= c[3];
    c[1] *= c[3];
    c[2] *= c[3];
  }
  else if (texType == kMVGTexAlpha)
  {
    c[1] = c[2] = c[3] = c[0];
  }
}

inline float RoundedBoxDistance(float px, float py, float extx, float exty, float rad)
{
  float e2x = extx - rad, e2y = exty - rad;
  float dx = std::fabs(px) - e2x, dy = std::fabs(py) - e2y;
  float outx = std::max(dx, 0.0f), outy = std::max(dy, 0.0f);
  return std::min(std::max(dx, dy), 0.0f) + std::sqrt(outx * outx + outy * outy) - rad;
}

// The scissor's coverage along one of its axes, at s on that axis: soft over one fringe (scissorScale already
// divides by the fringe width).
inline float ScissorSide(const MVGfragUniforms& frag, int axis, float s)
{
  return std::clamp(0.5f - (std::fabs(s) - frag.scissorExt[axis]) * frag.scissorScale[axis], 0.0f, 1.0f);
}

inline float ScissorCoverage(const MVGfragUniforms& frag, float x, float y)
{
  float sx, sy;
  ApplyMat(frag.scissorMat, x, y, &sx, &sy);
  return ScissorSide(frag, 0, sx) * ScissorSide(frag, 1, sy);
}

inline float StrokeCoverage(const MVGfragUniforms& frag, float u, float v)
{
  return std::min(1.0f, (1.0f - std::fabs(u * 2.0f - 1.0f)) * frag.strokeMult) * std::min(1.0f, v);
}

// The gradient's blend position at paint-space point (px, py).
inline float GradientPosition(const MVGfragUniforms& frag, float px, float py)
{
  float dist = RoundedBoxDistance(px, py, frag.extent[0], frag.extent[1], frag.radius);
  if (frag.feather > 0.0f) return std::clamp((dist + frag.feather * 0.5f) / frag.feather, 0.0f, 1.0f);
  // no ramp: the hard edge of the box
  return dist > 0.0f ? 1.0f : (dist < 0.0f ? 0.0f : 0.5f);
}

// Whether the scissor's transform is not all zero (none is): some term's bits but its sign not all 0, as
// m != 0 is for every float, NaN too.
inline bool Scissored(const MVGfragUniforms& frag)
{
  static_assert(sizeof frag.scissorMat == 6 * sizeof(uint64_t));
  uint64_t bits[6];
  std::memcpy(bits, frag.scissorMat, sizeof bits);
  return ((bits[0] | bits[1] | bits[2] | bits[3] | bits[4] | bits[5]) & 0x7fffffff7fffffffull) != 0;
}

constexpr int kSpanBlock = 64;

// Recent spans' s coordinates of image fills on this thread, with what they were worked out from: a few
// entries, found by the span's first x, as a row of a wide image comes in several spans.
struct ColumnMemo
{
  static constexpr int kMax = 1024, kKey = 6;
  float key[kKey] = {};
  int n = 0;
  uint64_t name = 0; // new with every s kept on the thread
  float s[kMax];

  bool Has(const float* k, int count) const { return count == n && std::memcmp(k, key, sizeof key) == 0; }
  void Keep(const float* k, int count, const float* values)
  {
    thread_local uint64_t names = 0;
    std::memcpy(key, k, sizeof key);
    n = count;
    name = ++names;
    std::copy(values, values + count, s);
  }
};

ColumnMemo& ColumnsFor(float x0)
{
  constexpr int kEntries = 16;
  thread_local ColumnMemo memo[kEntries];
  uint32_t bits;
  std::memcpy(&bits, &x0, sizeof bits);
  return memo[(bits * 2654435761u) >> 28];
}

// The colour that every fragment of a stepped span gets when that is one colour, worked out as
// vgShadeFragment does; false when it is not, or when the span is discarded. The coverage is one value when u
// and v do not move; a gradient's blend position does not move along the span when paint-space y does not
// follow x, y does not move, and the box's side in x stays nearer than in y at every fragment (as for the
// ramp of a linear gradient). Float steps are monotonic, so |paint-space x| is largest at an end.
bool OneColour(const MVGfragUniforms& frag, const VGspanSteps& st, int n, bool antialias, float* rgba)
{
  if (frag.type != kMVGShaderFillGradient || st.du != 0.0f || st.dv != 0.0f) return false;
  if (Scissored(frag)) return false;
  const bool solid = std::equal(frag.innerCol, frag.innerCol + 4, frag.outerCol);
  float d = 0.0f;
  if (!solid)
  {
    const float* m = frag.paintMat;
    if (m[1] != 0.0f || st.dy != 0.0f) return false;
    const float last = st.x0 + (float)(n - 1) * st.dx;
    const float far =
        std::max(std::fabs(m[0] * st.x0 + m[4] * st.y0 + m[8]), std::fabs(m[0] * last + m[4] * st.y0 + m[8]));
    float px, py;
    ApplyMat(m, st.x0, st.y0, &px, &py);
    const float dx = far - (frag.extent[0] - frag.radius),
                dy = std::fabs(py) - (frag.extent[1] - frag.radius);
    if (!(dx <= 0.0f && dx <= dy)) return false;
    d = GradientPosition(frag, px, py);
  }
  float k = 1.0f;
  if (antialias)
  {
    k = std::min(1.0f, (1.0f - std::fabs(st.u0 * 2.0f - 1.0f)) * frag.strokeMult) * std::min(1.0f, st.v0);
    if (k < frag.strokeThr) return false;
  }
  k = ScissorCoverage(frag, 0.0f, 0.0f) * k;
  for (int c = 0; c < 4; ++c)
    rgba[c] = (solid ? frag.innerCol[c] : frag.innerCol[c] * (1.0f - d) + frag.outerCol[c] * d) * k;
  return true;
}

// The stroke coverage of a block's fragments, and whether each is kept (all, with every coverage 1, but for
// an anti-aliased stroke or fill); simd: the SIMD loops, which give what the portable ones after them give.
void BlockStrokeCoverage(const MVGfragUniforms& frag, const float* u, const float* v, int n, bool antialias,
                         [[maybe_unused]] bool simd, float* k, unsigned char* keep)
{
  if (!antialias || frag.type == kMVGShaderImage)
  {
    for (int i = 0; i < n; ++i)
      k[i] = 1.0f, keep[i] = 1;
    return;
  }
  const float mult = frag.strokeMult, thr = frag.strokeThr;
  int i = 0;
#if defined(__SSE2__)
  // StrokeCoverage four at a time; min(x, 1) picks 1 for NaN as std::min(1, x) does.
  const __m128 one = _mm_set1_ps(1.0f), two = _mm_set1_ps(2.0f), mul = _mm_set1_ps(mult);
  const __m128 sign = _mm_set1_ps(-0.0f);
  for (; simd && i + 4 <= n; i += 4)
  {
    const __m128 w = _mm_andnot_ps(sign, _mm_sub_ps(_mm_mul_ps(_mm_loadu_ps(u + i), two), one));
    const __m128 across = _mm_min_ps(_mm_mul_ps(_mm_sub_ps(one, w), mul), one);
    _mm_storeu_ps(k + i, _mm_mul_ps(across, _mm_min_ps(_mm_loadu_ps(v + i), one)));
  }
#endif
  for (; i < n; ++i)
    k[i] = std::min(1.0f, (1.0f - std::fabs(u[i] * 2.0f - 1.0f)) * mult) * std::min(1.0f, v[i]);
  for (int i = 0; i < n; ++i)
    keep[i] = k[i] < thr ? 0 : 1;
}

// The coverage k times the scissor's.
void BlockScissorCoverage(const MVGfragUniforms& frag, const float* x, const float* y, int n, float* k)
{
  if (Scissored(frag))
    for (int i = 0; i < n; ++i)
      k[i] = ScissorCoverage(frag, x[i], y[i]) * k[i];
  else
  {
    // Without a scissor the transform is zero and every point maps to the middle.
    const float c = ScissorCoverage(frag, 0.0f, 0.0f);
    for (int i = 0; i < n; ++i)
      k[i] = c * k[i];
  }
}

// A gradient's blend position at each fragment: RoundedBoxDistance and GradientPosition in loops without
// branches on the uniforms inside.
void BlockGradientPositions(const MVGfragUniforms& frag, const float* x, const float* y, int n,
                            [[maybe_unused]] bool simd, float* d)
{
  float m[12];
  std::copy(frag.paintMat, frag.paintMat + 12, m);
  const float extx = frag.extent[0], exty = frag.extent[1], rad = frag.radius, feather = frag.feather;
  int i = 0;
#if defined(__SSE2__)
  {
    // The same operations four at a time; max(0, a) and min(0, a) keep std::max's and std::min's picks.
    const __m128 zero = _mm_setzero_ps(), sign = _mm_set1_ps(-0.0f);
    const __m128 m0 = _mm_set1_ps(m[0]), m1 = _mm_set1_ps(m[1]), m4 = _mm_set1_ps(m[4]),
                 m5 = _mm_set1_ps(m[5]), m8 = _mm_set1_ps(m[8]), m9 = _mm_set1_ps(m[9]);
    const __m128 ex = _mm_set1_ps(extx - rad), ey = _mm_set1_ps(exty - rad), rd = _mm_set1_ps(rad);
    for (; simd && i + 4 <= n; i += 4)
    {
      const __m128 xs = _mm_loadu_ps(x + i), ys = _mm_loadu_ps(y + i);
      const __m128 px = _mm_add_ps(_mm_add_ps(_mm_mul_ps(m0, xs), _mm_mul_ps(m4, ys)), m8);
      const __m128 py = _mm_add_ps(_mm_add_ps(_mm_mul_ps(m1, xs), _mm_mul_ps(m5, ys)), m9);
      const __m128 dx = _mm_sub_ps(_mm_andnot_ps(sign, px), ex), dy = _mm_sub_ps(_mm_andnot_ps(sign, py), ey);
      const __m128 outx = _mm_max_ps(zero, dx), outy = _mm_max_ps(zero, dy);
      const __m128 inside = _mm_min_ps(zero, _mm_max_ps(dy, dx));
      const __m128 len = _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(outx, outx), _mm_mul_ps(outy, outy)));
      _mm_storeu_ps(d + i, _mm_sub_ps(_mm_add_ps(inside, len), rd));
    }
  }
#endif
  for (; i < n; ++i)
    d[i] = RoundedBoxDistance(m[0] * x[i] + m[4] * y[i] + m[8], m[1] * x[i] + m[5] * y[i] + m[9], extx, exty,
                              rad);
  if (feather > 0.0f)
    for (int i = 0; i < n; ++i)
      d[i] = std::clamp((d[i] + feather * 0.5f) / feather, 0.0f, 1.0f);
  else
    for (int i = 0; i < n; ++i)
      d[i] = d[i] > 0.0f ? 1.0f : (d[i] < 0.0f ? 0.0f : 0.5f);
}

// A gradient fill's colours, its coverage k applied.
void ShadeGradientBlock(const MVGfragUniforms& frag, const float* x, const float* y, int n, bool simd,
                        const float* k, float (*rgba)[4])
{
  float inner[4], outer[4];
  std::copy(frag.innerCol, frag.innerCol + 4, inner);
  std::copy(frag.outerCol, frag.outerCol + 4, outer);
  if (inner[0] == outer[0] && inner[1] == outer[1] && inner[2] == outer[2] && inner[3] == outer[3])
  {
    // One colour: the blend position does not matter.
    for (int i = 0; i < n; ++i)
      for (int c = 0; c < 4; ++c)
        rgba[i][c] = inner[c] * k[i];
    return;
  }
  float d[kSpanBlock];
  BlockGradientPositions(frag, x, y, n, simd, d);
#if defined(__SSE2__)
  if (simd)
  {
    const __m128 in4 = _mm_loadu_ps(inner), out4 = _mm_loadu_ps(outer), one = _mm_set1_ps(1.0f);
    for (int j = 0; j < n; ++j)
    {
      const __m128 dj = _mm_set1_ps(d[j]);
      _mm_storeu_ps(rgba[j],
                    _mm_mul_ps(_mm_add_ps(_mm_mul_ps(in4, _mm_sub_ps(one, dj)), _mm_mul_ps(out4, dj)),
                               _mm_set1_ps(k[j])));
    }
    return;
  }
#endif
  for (int j = 0; j < n; ++j)
    for (int c = 0; c < 4; ++c)
      rgba[j][c] = (inner[c] * (1.0f - d[j]) + outer[c] * d[j]) * k[j];
}

// An image fill's or a texture's colours (the texture sampled at the paint's coordinates, or at u and v),
// its coverage k applied.
void ShadeTextureBlock(const MVGfragUniforms& frag, const float* x, const float* y, const float* u,
                       const float* v, int n, const MVGsampler* sampler, const float* k, float (*rgba)[4])
{
  float inner[4];
  std::copy(frag.innerCol, frag.innerCol + 4, inner);
  float s[kSpanBlock], t[kSpanBlock];
  const float *ss = u, *ts = v;
  if (frag.type == kMVGShaderFillImage)
  {
    float m[12];
    std::copy(frag.paintMat, frag.paintMat + 12, m);
    const float extx = frag.extent[0], exty = frag.extent[1];
    for (int i = 0; i < n; ++i)
    {
      const float px = m[0] * x[i] + m[4] * y[i] + m[8], py = m[1] * x[i] + m[5] * y[i] + m[9];
      s[i] = extx != 0.0f ? px / extx : 0.0f;
      t[i] = exty != 0.0f ? py / exty : 0.0f;
    }
    ss = s, ts = t;
  }
  if (sampler && sampler->sampleSpan)
    sampler->sampleSpan(sampler->user, ss, ts, n, rgba);
  else
    for (int i = 0; i < n; ++i)
      Sample(sampler, ss[i], ts[i], rgba[i]);
  const int texType = frag.texType;
  for (int i = 0; i < n; ++i)
  {
    ConvertTexel(texType, rgba[i]);
    for (int c = 0; c < 4; ++c)
      rgba[i][c] = rgba[i][c] * inner[c] * k[i];
  }
}

// One block of vgShadeSpan. The uniforms are copied into locals first, in each step: the outputs could alias
// them, which would keep the loops from being vectorised.
void ShadeBlock(const MVGfragUniforms& frag, const float* x, const float* y, const float* u, const float* v,
                int n, bool antialias, const MVGsampler* sampler, float (*rgba)[4], unsigned char* keep)
{
  float k[kSpanBlock];
  // The SIMD loops give what the portable ones after them give; tests turn them off to compare.
  const bool simd = QorvShaderSimd();
  BlockStrokeCoverage(frag, u, v, n, antialias, simd, k, keep);
  if (!rgba) return;
  BlockScissorCoverage(frag, x, y, n, k);
  if (frag.type == kMVGShaderFillGradient)
    ShadeGradientBlock(frag, x, y, n, simd, k, rgba);
  else
    ShadeTextureBlock(frag, x, y, u, v, n, sampler, k, rgba);
}
} // namespace

void vgShadeSpan(const MVGfragUniforms& frag, const float* x, const float* y, const float* u, const float* v,
                 int n, bool antialias, const MVGsampler* sampler, float (*rgba)[4], unsigned char* keep)
{
  if (!rgba)
  {
    // The discards alone, as ShadeBlock finds them first; a block too short for the SIMD loops (a thin
    // row's fragment that the stencil drops) does not ask for them.
    float k[kSpanBlock];
    for (int b = 0; b < n; b += kSpanBlock)
    {
      const int m = std::min(kSpanBlock, n - b);
      BlockStrokeCoverage(frag, u + b, v + b, m, antialias, m >= 4 && QorvShaderSimd(), k, keep + b);
    }
    return;
  }
  for (int b = 0; b < n; b += kSpanBlock)
    ShadeBlock(frag, x + b, y + b, u + b, v + b, std::min(kSpanBlock, n - b), antialias, sampler,
               rgba ? rgba + b : nullptr, keep + b);
}

bool vgSolidPaint(const MVGfragUniforms& frag, float* rgba, float& scissor)
{
  // ShadeBlock's choices: BlockScissorCoverage's factor without a scissor, ShadeGradientBlock's one colour.
  if (frag.type != kMVGShaderFillGradient || Scissored(frag) ||
      !std::equal(frag.innerCol, frag.innerCol + 4, frag.outerCol))
    return false;
  std::copy(frag.innerCol, frag.innerCol + 4, rgba);
  // ScissorCoverage at any point: the transform's terms all ±0 take every point to ±0 on both axes.
  scissor = ScissorSide(frag, 0, 0.0f) * ScissorSide(frag, 1, 0.0f);
  return true;
}

bool vgShadeSpanColour(const MVGfragUniforms& frag, const VGspanSteps& steps, int n, bool antialias,
                       float* rgba)
{
  return n > 0 && OneColour(frag, steps, n, antialias, rgba);
}

namespace
{
// The coordinates as the rasteriser steps them; then ShadeBlock's arithmetic, in the same order.
inline float StepAt(float start, float step, int i)
{
  return start + (float)i * step;
}

inline float SpanStroke(const MVGfragUniforms& frag, const VGspanSteps& st, int i)
{
  const float u = StepAt(st.u0, st.du, i), v = StepAt(st.v0, st.dv, i);
  return std::min(1.0f, (1.0f - std::fabs(u * 2.0f - 1.0f)) * frag.strokeMult) * std::min(1.0f, v);
}

enum class SpanCover
{
  kDiscards, // a fragment may be discarded: left to the span function
  kWhole,    // every k is 1
  kVaries
};

// The coverage of scissor and fringe over a stepped span of an image fill.
inline SpanCover SpanCoverage(const MVGfragUniforms& frag, const VGspanSteps& st, int n, bool antialias,
                              bool scissored)
{
  const bool strokeMoves = antialias && (st.du != 0.0f || st.dv != 0.0f);
  const float stroke = antialias ? SpanStroke(frag, st, 0) : 1.0f;
  if (antialias && stroke < frag.strokeThr) return SpanCover::kDiscards;
  // Along a row (y fixed) every step of the scissor's coverage is monotonic in x, so it is least at an end:
  // when both ends are covered whole, so is the span.
  const bool whole =
      scissored ? st.dy == 0.0f &&
                      ScissorCoverage(frag, StepAt(st.x0, st.dx, 0), StepAt(st.y0, st.dy, 0)) == 1.0f &&
                      ScissorCoverage(frag, StepAt(st.x0, st.dx, n - 1), StepAt(st.y0, st.dy, n - 1)) == 1.0f
                : ScissorCoverage(frag, 0.0f, 0.0f) == 1.0f;
  return whole && !strokeMoves && stroke == 1.0f ? SpanCover::kWhole : SpanCover::kVaries;
}

// Each fragment's coverage where it varies; false when a fragment is discarded.
inline bool SpanK(const MVGfragUniforms& frag, const VGspanSteps& st, int n, bool antialias, bool scissored,
                  float* k)
{
  const bool strokeMoves = antialias && (st.du != 0.0f || st.dv != 0.0f);
  const float stroke = antialias ? SpanStroke(frag, st, 0) : 1.0f;
  for (int i = 0; i < n; ++i)
  {
    const float sk = strokeMoves ? SpanStroke(frag, st, i) : stroke;
    if (antialias && sk < frag.strokeThr) return false;
    k[i] = (scissored ? ScissorCoverage(frag, StepAt(st.x0, st.dx, i), StepAt(st.y0, st.dy, i))
                      : ScissorCoverage(frag, 0.0f, 0.0f)) *
           sk;
  }
  return true;
}

// Whether every fragment's coverage is 0 (or -0): the fringe's factor is a zero that does not move, and the
// scissor's factor cannot be NaN, as no coordinate, matrix term or extent is near the float range (so no
// product or sum overflows, and an infinite difference clamps to 0 or 1). Float steps are monotonic, so the
// ends bound x and y.
inline bool NoCoverage(const MVGfragUniforms& frag, const VGspanSteps& st, int n, bool antialias)
{
  if (!antialias || st.du != 0.0f || st.dv != 0.0f || SpanStroke(frag, st, 0) != 0.0f ||
      0.0f < frag.strokeThr)
    return false;
  auto near = [](float v) { return std::fabs(v) <= 1e18f; };
  const float* m = frag.scissorMat;
  return near(m[0]) && near(m[1]) && near(m[4]) && near(m[5]) && near(m[8]) && near(m[9]) &&
         near(frag.scissorExt[0]) && near(frag.scissorExt[1]) && std::isfinite(frag.scissorScale[0]) &&
         std::isfinite(frag.scissorScale[1]) && near(st.x0) && near(StepAt(st.x0, st.dx, n - 1)) &&
         near(st.y0) && near(StepAt(st.y0, st.dy, n - 1));
}

// 1 when the n values are all 1, 2 when all 0, else 0.
inline unsigned char AllOneOrZero(const float* k, int n)
{
  const float first = k[0];
  if (first != 1.0f && first != 0.0f) return 0;
  for (int i = 1; i < n; ++i)
    if (k[i] != first) return 0;
  return first == 1.0f ? 1 : 2;
}

// t along a row with no y term (paintMat[1] and dy zero).
inline float OneT(const MVGfragUniforms& frag, const VGspanSteps& st)
{
  const float* m = frag.paintMat;
  const float py = m[1] * StepAt(st.x0, st.dx, 0) + m[5] * StepAt(st.y0, st.dy, 0) + m[9];
  return frag.extent[1] != 0.0f ? py / frag.extent[1] : 0.0f;
}
} // namespace

bool vgShadeSpanSamples(const MVGfragUniforms& frag, const VGspanSteps& st, int n, bool antialias,
                        QorvSpanAnswer& answer, bool untouched)
{
  // This thread's answers: what the rasteriser reads until the next.
  struct Samples
  {
    float s[ColumnMemo::kMax], t[ColumnMemo::kMax], k[ColumnMemo::kMax];
  };
  static thread_local Samples said;
  answer = QorvSpanAnswer{};
  if (n <= 0 || n > ColumnMemo::kMax || frag.type != kMVGShaderFillImage) return false;
  // Colours of 0 whatever the texture and a finite inner colour give.
  const float* inner = frag.innerCol;
  if (untouched && std::isfinite(inner[0] + inner[1] + inner[2] + inner[3]) &&
      NoCoverage(frag, st, n, antialias))
  {
    answer.kind = QorvSpanKind::kSamples;
    answer.none = true;
    return true;
  }
  if (frag.texType != kMVGTexRGBA && frag.texType != kMVGTexRGBAPremultiplied) return false;
  for (float c : frag.innerCol)
    if (c != 1.0f) return false;
  auto xAt = [&st](int i) { return StepAt(st.x0, st.dx, i); };
  auto yAt = [&st](int i) { return StepAt(st.y0, st.dy, i); };
  const bool scissored = Scissored(frag);
  const SpanCover cover = SpanCoverage(frag, st, n, antialias, scissored);
  if (cover == SpanCover::kDiscards) return false;
  if (cover != SpanCover::kWhole)
  {
    if (!SpanK(frag, st, n, antialias, scissored, said.k)) return false;
    answer.k = said.k;
  }
  float m[12];
  std::copy(frag.paintMat, frag.paintMat + 12, m);
  const float extx = frag.extent[0], exty = frag.extent[1];
  float *s = said.s, *t = said.t;
  answer.kind = QorvSpanKind::kSamples;
  answer.s = s, answer.t = t;
  answer.straight = frag.texType == kMVGTexRGBA;
  int i = 0;
  // Along a row with no y term t is one value (up to the sign of a zero, which samples alike).
  const bool oneT = m[1] == 0.0f && st.dy == 0.0f;
  if (oneT) t[0] = OneT(frag, st), answer.tOne = true;
  // Without an x term from y (m[4] times a finite y is a zero), s follows from the x steps alone: the rows
  // of an image's rectangle give the same s, which the thread keeps from the row before.
  ColumnMemo& memo = ColumnsFor(st.x0);
  const bool memoable = oneT && m[4] == 0.0f && std::isfinite(st.y0);
  const float key[ColumnMemo::kKey] = {m[0], m[8], extx, exty, st.x0, st.dx};
  if (memoable && memo.Has(key, n))
  {
    answer.s = memo.s, answer.columns = memo.name;
    return true;
  }
#if defined(__SSE2__)
  // The SIMD loops give what the portable one after them gives; tests turn them off to compare.
  const bool simd = QorvShaderSimd();
  if (!simd)
    ; // every s below
  else if (extx != 0.0f && exty != 0.0f && oneT)
  {
    const __m128 x0 = _mm_set1_ps(st.x0), dx = _mm_set1_ps(st.dx), y0 = _mm_set1_ps(st.y0),
                 dy = _mm_set1_ps(st.dy), four = _mm_set1_ps(4.0f);
    const __m128 m0 = _mm_set1_ps(m[0]), m4 = _mm_set1_ps(m[4]), m8 = _mm_set1_ps(m[8]),
                 ex = _mm_set1_ps(extx);
    for (__m128 fi = _mm_setr_ps(0, 1, 2, 3); i + 4 <= n; i += 4, fi = _mm_add_ps(fi, four))
    {
      const __m128 x = _mm_add_ps(x0, _mm_mul_ps(fi, dx)), y = _mm_add_ps(y0, _mm_mul_ps(fi, dy));
      _mm_storeu_ps(s + i, _mm_div_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(m0, x), _mm_mul_ps(m4, y)), m8), ex));
    }
  }
  else if (extx != 0.0f && exty != 0.0f)
  {
    const __m128 x0 = _mm_set1_ps(st.x0), dx = _mm_set1_ps(st.dx), y0 = _mm_set1_ps(st.y0),
                 dy = _mm_set1_ps(st.dy), four = _mm_set1_ps(4.0f);
    const __m128 m0 = _mm_set1_ps(m[0]), m1 = _mm_set1_ps(m[1]), m4 = _mm_set1_ps(m[4]),
                 m5 = _mm_set1_ps(m[5]), m8 = _mm_set1_ps(m[8]), m9 = _mm_set1_ps(m[9]),
                 ex = _mm_set1_ps(extx), ey = _mm_set1_ps(exty);
    for (__m128 fi = _mm_setr_ps(0, 1, 2, 3); i + 4 <= n; i += 4, fi = _mm_add_ps(fi, four))
    {
      const __m128 x = _mm_add_ps(x0, _mm_mul_ps(fi, dx)), y = _mm_add_ps(y0, _mm_mul_ps(fi, dy));
      const __m128 px = _mm_add_ps(_mm_add_ps(_mm_mul_ps(m0, x), _mm_mul_ps(m4, y)), m8);
      const __m128 py = _mm_add_ps(_mm_add_ps(_mm_mul_ps(m1, x), _mm_mul_ps(m5, y)), m9);
      _mm_storeu_ps(s + i, _mm_div_ps(px, ex));
      _mm_storeu_ps(t + i, _mm_div_ps(py, ey));
    }
  }
#endif
  for (; i < n; ++i)
  {
    const float x = xAt(i), y = yAt(i);
    const float px = m[0] * x + m[4] * y + m[8], py = m[1] * x + m[5] * y + m[9];
    s[i] = extx != 0.0f ? px / extx : 0.0f;
    if (!oneT) t[i] = exty != 0.0f ? py / exty : 0.0f;
  }
  if (memoable)
  {
    memo.Keep(key, n, s);
    answer.columns = memo.name;
  }
  return true;
}

namespace
{
// The first of a rectangle's rows that vgShadeSpanSamples answers whole (a span, which keeps its s on the
// thread) with one t and named columns, its answer in row and whole[first] set; count when there is none.
int FirstWholeRow(const MVGfragUniforms& frag, const VGspanSteps* rows, int count, int n, bool antialias,
                  unsigned char* whole, QorvSpanAnswer& row)
{
  int first = 0;
  for (; first < count; ++first)
    if (vgShadeSpanSamples(frag, rows[first], n, antialias, row) && row.tOne && row.columns != 0 &&
        (whole[first] = row.k ? AllOneOrZero(row.k, n) : 1) != 0)
      break;
  return first;
}

// What the rows after the first row a (of n fragments) are worked out from. An upright scissor (none, or one
// without rotation or shear) covers a point by a factor across, from x alone, times one down, from y alone (a
// zero term of a finite coordinate adds only a signed zero). Along rows that step x alike the factors across
// are the same, so a row's coverage follows from its u and v steps and its factor down: a row with the same
// ones as the row before (compared as bytes) is covered as that row was. The uniforms the rows read are kept
// here: the stores to whole could alias them.
struct RectRows
{
  const VGspanSteps& a;
  float m1, down1, down2, downExt, downScale, p5, p9, exty;
  bool upright, downFlat, downMoves;
  float px, mx, fixedDown;
  uint32_t ax0, adx;

  RectRows(const MVGfragUniforms& frag, const VGspanSteps& first, int n)
      : a(first), m1(frag.scissorMat[1]), down1(frag.scissorMat[5]), down2(frag.scissorMat[9]),
        downExt(frag.scissorExt[1]), downScale(frag.scissorScale[1]), p5(frag.paintMat[5]),
        p9(frag.paintMat[9]), exty(frag.extent[1])
  {
    upright = m1 == 0.0f && frag.scissorMat[4] == 0.0f && std::isfinite(a.x0) &&
              std::isfinite(StepAt(a.x0, a.dx, n - 1));
    // The rows taken have a's x0 and dx, so the x term is a's.
    px = frag.paintMat[1] * StepAt(a.x0, a.dx, 0);
    // Without a y term (and a zero x term of a finite x) the factor down is the same for every row.
    downFlat = upright && down1 == 0.0f;
    downMoves = upright && !downFlat;
    fixedDown = downFlat ? Down(a.x0, 0.0f) : 0.0f;
    mx = m1 * a.x0;
    std::memcpy(&ax0, &a.x0, sizeof ax0);
    std::memcpy(&adx, &a.dx, sizeof adx);
  }
  // ScissorCoverage's factor down, and OneT, of a row with these x and y.
  float Down(float x, float y) const
  {
    const float sy = m1 * x + down1 * y + down2;
    return std::clamp(0.5f - (std::fabs(sy) - downExt) * downScale, 0.0f, 1.0f);
  }
  float OneT(const VGspanSteps& st) const
  {
    const float py = px + p5 * StepAt(st.y0, st.dy, 0) + p9;
    return exty != 0.0f ? py / exty : 0.0f;
  }
  // Row b's factor down: 0 without an upright scissor.
  float DownOf(const VGspanSteps& b) const { return downMoves ? Down(a.x0, b.y0) : fixedDown; }
};

#if defined(__SSE2__)
// RowTerms four rows at a time from i on, in the same operations; i is left at the first row not done.
void RowTermsSimd(const RectRows& q, const VGspanSteps* rows, int& i, int count, float* t, float* downs,
                  unsigned char* alike)
{
  const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f), half = _mm_set1_ps(0.5f);
  const __m128 sign = _mm_set1_ps(-0.0f), px4 = _mm_set1_ps(q.px), p54 = _mm_set1_ps(q.p5),
               p94 = _mm_set1_ps(q.p9);
  const __m128 ey = _mm_set1_ps(q.exty), mx4 = _mm_set1_ps(q.mx), d14 = _mm_set1_ps(q.down1),
               d24 = _mm_set1_ps(q.down2), ext4 = _mm_set1_ps(q.downExt), scale4 = _mm_set1_ps(q.downScale);
  const __m128 most = _mm_set1_ps(std::numeric_limits<float>::max()), fixed4 = _mm_set1_ps(q.fixedDown);
  const __m128i x4 = _mm_setr_epi32((int)q.ax0, (int)q.adx, (int)q.ax0, (int)q.adx);
  for (; i + 4 <= count; i += 4)
  {
    // (x0, dx, y0, dy) of each row, then x0 and dx of two rows in each of xs, and y0 and dy of four.
    const __m128 q0 = _mm_loadu_ps(&rows[i].x0), q1 = _mm_loadu_ps(&rows[i + 1].x0),
                 q2 = _mm_loadu_ps(&rows[i + 2].x0), q3 = _mm_loadu_ps(&rows[i + 3].x0);
    const __m128 xs01 = _mm_movelh_ps(q0, q1), xs23 = _mm_movelh_ps(q2, q3);
    const __m128 lo = _mm_movehl_ps(q1, q0), hi = _mm_movehl_ps(q3, q2);
    const __m128 y = _mm_shuffle_ps(lo, hi, _MM_SHUFFLE(2, 0, 2, 0)),
                 dy = _mm_shuffle_ps(lo, hi, _MM_SHUFFLE(3, 1, 3, 1));
    // Per row: x0 and dx alike (both lanes of its pair), dy 0 and y finite; then a byte of 1 or 0 a row.
    const __m128 x01 = _mm_castsi128_ps(_mm_cmpeq_epi32(_mm_castps_si128(xs01), x4));
    const __m128 x23 = _mm_castsi128_ps(_mm_cmpeq_epi32(_mm_castps_si128(xs23), x4));
    const __m128 both01 = _mm_and_ps(x01, _mm_shuffle_ps(x01, x01, _MM_SHUFFLE(2, 3, 0, 1)));
    const __m128 both23 = _mm_and_ps(x23, _mm_shuffle_ps(x23, x23, _MM_SHUFFLE(2, 3, 0, 1)));
    const __m128 along = _mm_and_ps(_mm_cmpeq_ps(dy, zero), _mm_cmple_ps(_mm_andnot_ps(sign, y), most));
    const __m128i rowsAlike =
        _mm_castps_si128(_mm_and_ps(_mm_shuffle_ps(both01, both23, _MM_SHUFFLE(2, 0, 2, 0)), along));
    const __m128i words = _mm_packs_epi32(rowsAlike, rowsAlike);
    const uint32_t bytes =
        (uint32_t)_mm_cvtsi128_si32(_mm_and_si128(_mm_packs_epi16(words, words), _mm_set1_epi8(1)));
    std::memcpy(alike + i, &bytes, sizeof bytes);
    const __m128 py = _mm_add_ps(_mm_add_ps(px4, _mm_mul_ps(p54, _mm_add_ps(y, _mm_mul_ps(zero, dy)))), p94);
    _mm_storeu_ps(t + i, q.exty != 0.0f ? _mm_div_ps(py, ey) : zero);
    if (!q.downMoves)
    {
      _mm_storeu_ps(downs + i, fixed4);
      continue;
    }
    const __m128 sy = _mm_add_ps(_mm_add_ps(mx4, _mm_mul_ps(d14, y)), d24);
    const __m128 d = _mm_sub_ps(half, _mm_mul_ps(_mm_sub_ps(_mm_andnot_ps(sign, sy), ext4), scale4));
    // std::clamp's picks: 0 below 0, 1 above 1, else the value (a NaN too).
    const __m128 low = _mm_andnot_ps(_mm_cmplt_ps(d, zero), d);
    const __m128 high = _mm_cmplt_ps(one, low);
    _mm_storeu_ps(downs + i, _mm_or_ps(_mm_and_ps(high, one), _mm_andnot_ps(high, low)));
  }
}
#endif

// Every row's t from i on (read only where the row is whole), factor down and whether it steps x as a does,
// along the row (dy a zero) from a finite y, worked out first: four rows at a time in the same operations
// where the SIMD arithmetic is on.
void RowTerms(const RectRows& q, const VGspanSteps* rows, int i, int count, float* t, float* downs,
              unsigned char* alike)
{
#if defined(__SSE2__)
  if (QorvShaderSimd()) RowTermsSimd(q, rows, i, count, t, downs, alike);
#endif
  for (; i < count; ++i)
  {
    const VGspanSteps& b = rows[i];
    uint32_t bx0, bdx;
    std::memcpy(&bx0, &b.x0, sizeof bx0);
    std::memcpy(&bdx, &b.dx, sizeof bdx);
    alike[i] = q.ax0 == bx0 && q.adx == bdx && b.dy == 0.0f && std::isfinite(b.y0);
    t[i] = q.OneT(b);
    downs[i] = q.DownOf(b);
  }
}

#if defined(__SSE2__)
// Rows from r on, four at once, while each steps x alike and has the last row's u and v steps and factor
// down: they are covered as it was. r is left at the first row not done.
void CoverAlikeRows(const VGspanSteps* rows, int& r, int count, const VGspanSteps& last, float lastDown,
                    unsigned char lastWhole, const float* downs, const unsigned char* alike,
                    unsigned char* whole)
{
  uint32_t downBits;
  std::memcpy(&downBits, &lastDown, sizeof downBits);
  const __m128i uv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&last.u0));
  const __m128i down = _mm_set1_epi32((int)downBits);
  const uint32_t covered = lastWhole * 0x01010101u;
  for (; r + 4 <= count; r += 4)
  {
    uint32_t alike4;
    std::memcpy(&alike4, alike + r, sizeof alike4);
    auto same = [&](int j)
    { return _mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(&rows[r + j].u0)), uv); };
    const __m128i all =
        _mm_and_si128(_mm_and_si128(_mm_and_si128(same(0), same(1)), _mm_and_si128(same(2), same(3))),
                      _mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(downs + r)), down));
    if (alike4 != 0x01010101u || _mm_movemask_epi8(all) != 0xFFFF) break;
    std::memcpy(whole + r, &covered, sizeof covered);
  }
}
#endif

// whole[r] of every row after the first: 1 or 2 where its coverage is 1 or 0 throughout, else 0; k is room
// for n coverages.
void CoverRows(const MVGfragUniforms& frag, const RectRows& q, const VGspanSteps* rows, int first, int count,
               int n, bool antialias, const float* downs, const unsigned char* alike, unsigned char* whole,
               float* k)
{
  const bool scissored = Scissored(frag);
  // The first row was covered as the rows after it are (its answer was found with the same coverage), and
  // it steps x as they must (the memo asks for dy a zero and y finite): the rows after it start from it.
  const VGspanSteps* last = q.upright ? &q.a : nullptr;
  float lastDown = q.DownOf(q.a);
  unsigned char lastWhole = whole[first];
#if defined(__SSE2__)
  // Asked once for all rows: it is a look-up of the thread's draw options.
  const bool simd = QorvShaderSimd();
#endif
  for (int r = first + 1; r < count; ++r)
  {
#if defined(__SSE2__)
    if (last && simd)
    {
      CoverAlikeRows(rows, r, count, *last, lastDown, lastWhole, downs, alike, whole);
      if (r >= count) break;
    }
#endif
    if (!alike[r]) continue;
    const VGspanSteps& b = rows[r];
    const float down = downs[r];
    unsigned char w = 0;
    if (last && std::memcmp(&last->u0, &b.u0, 4 * sizeof(float)) == 0 &&
        std::memcmp(&lastDown, &down, sizeof down) == 0)
      w = lastWhole;
    else
    {
      const SpanCover cover = SpanCoverage(frag, b, n, antialias, scissored);
      if (cover == SpanCover::kWhole)
        w = 1;
      else if (cover == SpanCover::kVaries && SpanK(frag, b, n, antialias, scissored, k))
        w = AllOneOrZero(k, n);
      if (q.upright) last = &b, lastDown = down, lastWhole = w;
    }
    whole[r] = w;
  }
}
} // namespace

bool vgShadeRectSamples(const MVGfragUniforms& frag, const VGspanSteps* rows, int count, int n,
                        bool antialias, QorvSpanAnswer& answer)
{
  // The first row answered whole is asked as a span, which keeps its s on the thread; the rows after it
  // would find that s kept when their x steps alike (the memo's key, compared as bytes), so only their
  // coverage and t are worked out, as the span function does. The rows' answers are this thread's, sized
  // for them.
  static thread_local float k[ColumnMemo::kMax];
  static thread_local std::vector<float> rowsT, rowsDown;
  static thread_local std::vector<unsigned char> rowsWhole, rowsAlike;
  answer = QorvSpanAnswer{};
  if (count <= 0 || n <= 0 || n > ColumnMemo::kMax || frag.type != kMVGShaderFillImage) return false;
  // t is read only where whole is set.
  if (rowsT.size() < (size_t)count) rowsT.resize((size_t)count);
  rowsWhole.assign((size_t)count, 0);
  float* const t = rowsT.data();
  unsigned char* const whole = rowsWhole.data();
  QorvSpanAnswer row;
  const int first = FirstWholeRow(frag, rows, count, n, antialias, whole, row);
  if (first == count) return false;
  t[first] = row.t[0];
  answer = row;
  answer.k = nullptr, answer.tOne = false;
  answer.t = t, answer.whole = whole;
  if (frag.paintMat[4] != 0.0f) return true;
  const RectRows q(frag, rows[first], n);
  if (rowsDown.size() < (size_t)count) rowsDown.resize((size_t)count), rowsAlike.resize((size_t)count);
  RowTerms(q, rows, first + 1, count, t, rowsDown.data(), rowsAlike.data());
  CoverRows(frag, q, rows, first, count, n, antialias, rowsDown.data(), rowsAlike.data(), whole, k);
  return true;
}

float vgRoundedBoxDistance(float px, float py, float extx, float exty, float rad)
{
  return RoundedBoxDistance(px, py, extx, exty, rad);
}

float vgScissorCoverage(const MVGfragUniforms& frag, float x, float y)
{
  return ScissorCoverage(frag, x, y);
}

float vgStrokeCoverage(const MVGfragUniforms& frag, float u, float v)
{
  return StrokeCoverage(frag, u, v);
}

bool vgShadeFragment(const MVGfragUniforms& frag, float x, float y, float u, float v, bool antialias,
                     const MVGsampler* sampler, float* rgba)
{
  float scissor = vgScissorCoverage(frag, x, y);
  // For text (u, v) are atlas coordinates, not coverage coordinates: glyphs get no stroke coverage.
  float strokeAlpha = 1.0f;
  if (antialias && frag.type != kMVGShaderImage)
  {
    strokeAlpha = vgStrokeCoverage(frag, u, v);
    if (strokeAlpha < frag.strokeThr) return false;
  }

  float c[4];
  if (frag.type == kMVGShaderFillGradient)
  {
    float px, py;
    ApplyMat(frag.paintMat, x, y, &px, &py);
    float d = GradientPosition(frag, px, py);
    for (int i = 0; i < 4; i++)
      c[i] = frag.innerCol[i] * (1.0f - d) + frag.outerCol[i] * d;
  }
  else if (frag.type == kMVGShaderFillImage)
  {
    float px, py;
    ApplyMat(frag.paintMat, x, y, &px, &py);
    float s = frag.extent[0] != 0.0f ? px / frag.extent[0] : 0.0f;
    float t = frag.extent[1] != 0.0f ? py / frag.extent[1] : 0.0f;
    Sample(sampler, s, t, c);
    ConvertTexel(frag.texType, c);
    for (int i = 0; i < 4; i++)
      c[i] *= frag.innerCol[i];
  }
  else
  {
    Sample(sampler, u, v, c);
    ConvertTexel(frag.texType, c);
    for (int i = 0; i < 4; i++)
      c[i] *= frag.innerCol[i];
  }

  float k = scissor * strokeAlpha;
  for (int i = 0; i < 4; i++)
    rgba[i] = c[i] * k;
  return true;
}
} // namespace iplugin::igraphics
