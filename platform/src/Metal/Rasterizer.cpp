// The software GPU's rasteriser. Coverage is decided on pixel centres in fixed point with 8 fractional bits
// and a top-left rule, so triangles that share an edge cover each pixel on it exactly once and stencil
// winding counts stay exact. Facing follows the clip-space orientation (y up), as on the platform.
#include "platform/src/Metal/RasterDraw.h"
#include "platform/src/Metal/FixedFunction.h"
#include "platform/src/Metal/SourceOver.h"
#include "platform/src/Metal/VertexStage.h"

#include <QorvPlatform/Metal.h>
#include <QorvPlatform/MetalShaders.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qorv_raster
{
const Draw::StencilTable* Draw::TableFor(bool front) const
{
  if (!stencil || !state->bindings->depthStencil) return nullptr;
  const MTLDepthStencilState::Face& face =
      front ? state->bindings->depthStencil->front() : state->bindings->depthStencil->back();
  if (!face.enabled) return nullptr;
  StencilTable& t = stencilTables[front];
  if (tableBuilt[front]) return &t;
  const MTLStencilDescriptor& d = face.stencil;
  // The last tables this thread built, by all they are made of: a fill's passes make the same few again
  // and again.
  struct Kept
  {
    uint64_t key = ~0ull;
    StencilTable table;
  };
  thread_local Kept kept[8];
  thread_local unsigned next = 0;
  const uint64_t key = (uint64_t)d.stencilCompareFunction | (uint64_t)d.stencilFailureOperation << 4 |
                       (uint64_t)d.depthStencilPassOperation << 8 | (uint64_t)(d.readMask & 0xff) << 12 |
                       (uint64_t)(d.writeMask & 0xff) << 20 |
                       (uint64_t)(state->stencilReference & 0xff) << 28;
  tableBuilt[front] = true;
  // A draw kept for the next one holds its last table, most often the one asked for again.
  if (tableKeys[front] == key) return &t;
  tableKeys[front] = key;
  for (const Kept& k : kept)
    if (k.key == key)
    {
      t = k.table;
      return &t;
    }
  for (uint32_t v = 0; v < 256; ++v)
  {
    bool pass =
        QorvStencilCompare(d.stencilCompareFunction, state->stencilReference & d.readMask, v & d.readMask);
    t.pass[v] = pass;
    t.next[v] = QorvStencilApply(pass ? d.depthStencilPassOperation : d.stencilFailureOperation, (uint8_t)v,
                                 state->stencilReference, d.writeMask);
  }
  t.keepsAll = true, t.resetsTo = t.next[0];
  for (uint32_t v = 0; v < 256; ++v)
  {
    t.keepsAll = t.keepsAll && t.next[v] == v;
    if (t.next[v] != t.next[0]) t.resetsTo = -1;
  }
  Kept& slot = kept[next++ % 8];
  slot.key = key, slot.table = t;
  return &t;
}

void Draw::Blend(unsigned char* p, const float colourOut[4], float weight) const
{
  const MTLPixelFormat format = colourFormat;
  float src[4], dst[4], out[4];
  for (int i = 0; i < 4; ++i)
    src[i] = QorvClampUnit(colourOut[i]);
  QorvLoadPixel(format, p, dst);
  if (blend->blendingEnabled)
  {
    for (int i = 0; i < 3; ++i)
      out[i] = QorvBlendCombine(blend->rgbBlendOperation,
                                src[i] * QorvBlendFactor(blend->sourceRGBBlendFactor, src, dst, i),
                                dst[i] * QorvBlendFactor(blend->destinationRGBBlendFactor, src, dst, i));
    out[3] = QorvBlendCombine(blend->alphaBlendOperation,
                              src[3] * QorvBlendFactor(blend->sourceAlphaBlendFactor, src, dst, 3),
                              dst[3] * QorvBlendFactor(blend->destinationAlphaBlendFactor, src, dst, 3));
  }
  else
    std::memcpy(out, src, sizeof out);
  const MTLColorWriteMask channel[4] = {MTLColorWriteMaskRed, MTLColorWriteMaskGreen, MTLColorWriteMaskBlue,
                                        MTLColorWriteMaskAlpha};
  for (int i = 0; i < 4; ++i)
    if (!(blend->writeMask & channel[i]))
      out[i] = dst[i];
    else if (weight < 1.0f)
      out[i] = dst[i] + (out[i] - dst[i]) * weight;
  QorvStorePixel(format, out, p);
}

// la * va + lb * vb + lc * vc with lc = 1 - la - lb is linear along the row: a start and a step, stepped in
// float (over a span the error stays far below a colour level). A varying that is the same at all three
// vertices (fill interiors) is that value throughout, with a step of 0.
void Draw::SpanIn(const Span& sp, int from, int count, QorvFragmentSpanIn& in) const
{
  if (sp.terms)
  {
    // The same terms and steps as below, made once for the triangle.
    if (!sp.terms->made) sp.terms->Make(sp, varyings);
    sp.terms->Starts(sp.e0 + from * sp.s0, sp.e1 + from * sp.s1, in.start);
    std::memcpy(in.step, sp.terms->step, sizeof in.step);
    SpanPlace(sp, from, count, in);
    return;
  }
  // VaryingTerms' Starts and Steps in one pass, without keeping the terms: a span asks for them once.
  const double d0 = (double)(sp.e0 + from * sp.s0), d1 = (double)(sp.e1 + from * sp.s1);
  const double s0 = (double)sp.s0, s1 = (double)sp.s1, inv = sp.inv;
  for (int k = 0; k < varyings; ++k)
  {
    const double va = sp.a->varyings[k], vb = sp.b->varyings[k], vc = sp.c->varyings[k];
    if (va == vc && vb == vc)
    {
      in.start[k] = (float)vc, in.step[k] = 0.0f;
      continue;
    }
    const double a = va - vc, b = vb - vc;
    in.start[k] = (float)(vc + (d0 * a + d1 * b) * inv);
    in.step[k] = (float)((s0 * a + s1 * b) * inv);
  }
  SpanPlace(sp, from, count, in);
}

bool Draw::OneColourRow(const Span& sp, int n, QorvFragmentSpanIn& in, const QorvSpanAnswer* answer) const
{
  const bool rgba8 = colourFormat == MTLPixelFormatRGBA8Unorm,
             bgra8 = colourFormat == MTLPixelFormatBGRA8Unorm;
  if (!colour || !fragmentCode || !fragmentCode->fragmentAsk || !sourceOver || !(rgba8 || bgra8))
    return false;
  QorvSpanAnswer asked;
  if (!answer)
  {
    if (in.count != n) SpanIn(sp, 0, n, in);
    fragmentCode->fragmentAsk(in, nullptr, 0, QorvWants(QorvSpanKind::kOneColour), asked);
    answer = &asked;
  }
  if (answer->kind != QorvSpanKind::kOneColour) return false;
  unsigned char* crow = &colourPixels[((size_t)sp.y * colourWidth + sp.x0) * colourBytes];
  rgba8 ? QorvSourceOverRowOne<false>(crow, answer->colour, nullptr, n, simd, options.repeatedBlends)
        : QorvSourceOverRowOne<true>(crow, answer->colour, nullptr, n, simd, options.repeatedBlends);
  return true;
}

void Draw::StepVaryings(QorvFragmentSpanIn& in, int m, float (*vary)[kChunk]) const
{
  if (m == 1 && options.thinRows)
  {
    // The loop's first value, t 0: a step that is not finite makes it NaN there too.
    for (int k = 0; k < varyings; ++k)
      vary[k][0] = in.start[k] + 0.0f * in.step[k];
    for (int k = 0; k < kQorvMaxVaryings; ++k)
      in.varyings[k] = vary[k];
    return;
  }
  for (int k = 0; k < varyings; ++k)
  {
    float* out = vary[k];
    const float fb = in.start[k], fs = in.step[k];
    int t = 0;
#if defined(__SSE2__)
    const __m128 b4 = _mm_set1_ps(fb), s4 = _mm_set1_ps(fs), four = _mm_set1_ps(4.0f);
    for (__m128 t4 = _mm_setr_ps(0, 1, 2, 3); simd && t + 4 <= m; t += 4, t4 = _mm_add_ps(t4, four))
      _mm_storeu_ps(out + t, _mm_add_ps(b4, _mm_mul_ps(t4, s4)));
#endif
    for (; t < m; ++t)
      out[t] = fb + (float)t * fs;
  }
  for (int k = 0; k < kQorvMaxVaryings; ++k)
    in.varyings[k] = vary[k];
}

void Draw::Run(const Span& sp, int from, int to, const QorvFragmentSpanIn* ready, bool askColour,
               bool askTexels, bool alike) const
{
  const int m = to - from;
  if (fragmentCode && fragmentCode->readsCoverage)
  {
    RunReadingCoverage(sp, from, to);
    return;
  }
  if (m == 1 && options.thinRows && OneFragment(sp, from)) return;
  const bool writeColour = colour && fragmentCode && blend->writeMask != MTLColorWriteMaskNone;
  unsigned char keep[kChunk];
  float colourOut[kChunk][4];
  bool oneColour = false; // every fragment kept, with colourOut[0]
  if (fragmentCode)
  {
    float vary[kQorvMaxVaryings][kChunk];
    QorvFragmentSpanIn in;
    if (ready)
      in = *ready;
    else
      SpanIn(sp, from, m, in);
    // One answer says whether the span is one colour or texture samples.
    QorvSpanAnswer answer;
    askTexels = askTexels && TexelRuns(sp);
    // One fragment is seldom one colour the shader can tell: shading it costs less than asking first.
    askColour = askColour && fragmentCode->fragmentAsk && !(m == 1 && options.thinRows);
    const unsigned wants = (askTexels ? QorvWants(QorvSpanKind::kSamples) : 0) |
                           (askColour ? QorvWants(QorvSpanKind::kOneColour) : 0);
    if (writeColour && wants != 0) fragmentCode->fragmentAsk(in, nullptr, 0, wants, answer);
    if (askTexels && writeColour && TexelRun(sp, from, to, answer)) return;
    if (askColour && writeColour && answer.kind == QorvSpanKind::kOneColour)
    {
      oneColour = true;
      std::copy(answer.colour, answer.colour + 4, colourOut[0]);
      std::memset(keep, 1, (size_t)m);
    }
    else
    {
      StepVaryings(in, m, vary);
    }
    if (oneColour)
      ; // shaded already
    else if (fragmentCode->fragmentSpan)
      fragmentCode->fragmentSpan(in, writeColour ? colourOut : nullptr, keep);
    else
      ShadeEach(sp, from, m, vary, colourOut, keep);
  }
  else
    std::memset(keep, 1, (size_t)m);
  // Stencil first: each pixel's own test and update, leaving which fragments reach the colour.
  uint8_t* srow = sp.table ? &stencilPixels[StencilAt(sp.y, sp.x0 + from)] : nullptr;
  unsigned char write[kChunk];
  float weights[kChunk];
  const bool samples = srow && SamplesAtOnce();
  const bool rgba8 = colourFormat == MTLPixelFormatRGBA8Unorm,
             bgra8 = colourFormat == MTLPixelFormatBGRA8Unorm;
  unsigned char* crow = &colourPixels[((size_t)sp.y * colourWidth + sp.x0 + from) * colourBytes];
#if defined(__SSE2__)
  if (samples && oneColour && writeColour && sourceOver && (rgba8 || bgra8) && simd && options.sampledCover &&
      stencilSamples == kQorvStencilSamples)
  {
    // The pixels all of whose samples passed take the colour as it is; the few others their share of it
    // (source-over is linear in the premultiplied source).
    Partial partial[kChunk];
    int partials = 0;
    if (alike)
    {
      // One value at every sample of every pixel: its test and mark once.
      const uint8_t value = srow[0], next = sp.table->next[value];
      std::memset(write, sp.table->pass[value] ? 1 : 0, (size_t)m);
      if (next != value) std::memset(srow, next, (size_t)m * kQorvStencilSamples);
    }
    else
      partials = TestSamplesOneColour(srow, m, *sp.table, write, partial);
    rgba8 ? QorvSourceOverRowOne<false>(crow, colourOut[0], write, m, simd, options.repeatedBlends)
          : QorvSourceOverRowOne<true>(crow, colourOut[0], write, m, simd, options.repeatedBlends);
    for (int i = 0; i < partials; ++i)
    {
      const float share = (float)partial[i].passed / (float)kQorvStencilSamples;
      float c[4];
      for (int k = 0; k < 4; ++k)
        c[k] = colourOut[0][k] * share;
      unsigned char* p = crow + (size_t)partial[i].at * 4;
      rgba8 ? QorvSourceOver<false>(p, c, simd) : QorvSourceOver<true>(p, c, simd);
    }
    return;
  }
#endif
  if (samples)
    TestSamples(srow, m, keep, *sp.table, write);
  else if (srow)
    for (int t = 0; t < m; ++t)
    {
      const uint8_t s = srow[t];
      write[t] = 0;
      if (!keep[t]) continue;
      srow[t] = sp.table->next[s];
      write[t] = sp.table->pass[s] ? 1 : 0;
    }
  else
    std::memcpy(write, keep, (size_t)m);
  if (!writeColour) return;
  if (samples) WeighBySamples(m, write, colourOut, oneColour, weights);
  if (oneColour && sourceOver && (rgba8 || bgra8))
    rgba8 ? QorvSourceOverRowOne<false>(crow, colourOut[0], write, m, simd, options.repeatedBlends)
          : QorvSourceOverRowOne<true>(crow, colourOut[0], write, m, simd, options.repeatedBlends);
  else if (sourceOver && (rgba8 || bgra8))
    rgba8 ? QorvSourceOverRow<false>(crow, colourOut, write, m, simd)
          : QorvSourceOverRow<true>(crow, colourOut, write, m, simd);
  else
    for (int t = 0; t < m; ++t)
      if (write[t])
        Blend(crow + (size_t)t * colourBytes, colourOut[oneColour ? 0 : t], samples ? weights[t] : 1.0f);
}

bool Draw::OneFragment(const Span& sp, int at) const
{
  if (!sp.table || !oneFragments) return false;
  const bool rgba8 = colourFormat == MTLPixelFormatRGBA8Unorm;
  QorvFragmentSpanIn in;
  SpanIn(sp, at, 1, in);
  float vary[kQorvMaxVaryings];
  for (int k = 0; k < varyings; ++k)
    vary[k] = in.start[k] + 0.0f * in.step[k];
  for (int k = 0; k < kQorvMaxVaryings; ++k)
    in.varyings[k] = &vary[k];
  // A fragment that no sample lets through is seen only in the stencil: whether it is discarded is all the
  // shader is asked (its span form without colour).
  bool fails = false;
  if (options.failedUncoloured)
  {
    const uint8_t* s = &stencilPixels[StencilAt(sp.y, sp.x0 + at)];
    fails = !sp.table->pass[s[0]];
    if (fails && stencilSamples > 1 && !(stencilSamples == kQorvStencilSamples && AllAlike(s)))
      for (int k = 1; fails && k < stencilSamples; ++k)
        fails = !sp.table->pass[s[k]];
  }
  float colourOut[1][4];
  unsigned char keep = 0;
  fragmentCode->fragmentSpan(in, fails ? nullptr : colourOut, &keep);
  if (!keep) return true; // discarded: no test, no mark
  uint8_t* s = &stencilPixels[StencilAt(sp.y, sp.x0 + at)];
  const StencilTable& table = *sp.table;
  const int n = stencilSamples;
  int passed = 0;
  if (n == 1 || (n == kQorvStencilSamples && AllAlike(s)))
  {
    const uint8_t v = s[0];
    passed = table.pass[v] ? n : 0;
    if (table.next[v] != v) std::memset(s, table.next[v], (size_t)n);
  }
  else
    for (int k = 0; k < n; ++k)
    {
      passed += table.pass[s[k]] ? 1 : 0;
      s[k] = table.next[s[k]];
    }
  if (passed == 0) return true;
  // Source-over of a share of the colour is that share of its change.
  if (passed < n)
  {
    const float share = (float)passed / (float)n;
    for (float& c : colourOut[0])
      c *= share;
  }
  unsigned char* p = &colourPixels[((size_t)sp.y * colourWidth + sp.x0 + at) * colourBytes];
  rgba8 ? QorvSourceOver<false>(p, colourOut[0], simd) : QorvSourceOver<true>(p, colourOut[0], simd);
  return true;
}

void Draw::ShadeEach(const Span& sp, int from, int m, const float (*vary)[kChunk], float (*colourOut)[4],
                     unsigned char* keep) const
{
  const int64_t e0 = sp.e0 + from * sp.s0, e1 = sp.e1 + from * sp.s1;
  const Vertex &a = *sp.a, &b = *sp.b, &c = *sp.c;
  for (int t = 0; t < m; ++t)
  {
    const double la = (double)(e0 + t * sp.s0) * sp.inv, lb = (double)(e1 + t * sp.s1) * sp.inv;
    float v[kQorvMaxVaryings];
    for (int k = 0; k < varyings; ++k)
      v[k] = vary[k][t];
    QorvFragmentIn one;
    one.position[0] = sp.x0 + from + t + 0.5f;
    one.position[1] = sp.y + 0.5f;
    one.position[2] = (float)(la * a.z + lb * b.z + (1 - la - lb) * c.z);
    one.position[3] = 1;
    one.varyings = v;
    one.frontFacing = sp.front;
    one.buffers = fragmentBuffers;
    one.textures = textures;
    one.samplers = samplers;
    colourOut[t][0] = colourOut[t][1] = colourOut[t][2] = colourOut[t][3] = 0;
    keep[t] = fragmentCode->fragment(one, colourOut[t]) ? 1 : 0;
  }
}

bool Draw::StepsExactly(const float* start, const float* step, int count) const
{
  for (int k = 0; k < varyings; ++k)
    if (!SteppedExactly(start[k], step[k], count)) return false;
  return true;
}

bool Draw::ChunkStartsAlike(const VaryingTerms& terms, const Span& sp, int from, int count,
                            const float* start, const float* step) const
{
  // A chunk's steps are the row's: they do not depend on where it starts. A flat varying starts every chunk
  // at the row's start, with a step of 0 (finite, as it steps exactly). The others are worked out a varying
  // at a time over the chunks, two chunks at once in SIMD builds, as VaryingTerms::Starts does it.
  constexpr int kMost = 8;
  double d0[kMost], d1[kMost], offs[kMost];
  for (int next = kChunk; next < count;)
  {
    int chunks = 0;
    for (; next < count && chunks < kMost; next += kChunk, ++chunks)
    {
      d0[chunks] = (double)(sp.e0 + (from + next) * sp.s0);
      d1[chunks] = (double)(sp.e1 + (from + next) * sp.s1);
      offs[chunks] = (double)next;
    }
    const double inv = terms.inv;
    for (int j = 0; j < terms.movingCount; ++j)
    {
      const int k = terms.moving[j];
      const double a = terms.ma[j], b = terms.mb[j], c = terms.mc[j], first = start[k], by = step[k];
      int i = 0;
#if defined(__SSE2__)
      if (terms.simd)
      {
        const __m128d a2 = _mm_set1_pd(a), b2 = _mm_set1_pd(b), c2 = _mm_set1_pd(c), inv2 = _mm_set1_pd(inv),
                      first2 = _mm_set1_pd(first), by2 = _mm_set1_pd(by);
        for (; i + 2 <= chunks; i += 2)
        {
          const __m128d sum =
              _mm_add_pd(_mm_mul_pd(_mm_loadu_pd(d0 + i), a2), _mm_mul_pd(_mm_loadu_pd(d1 + i), b2));
          const __m128d value = _mm_cvtps_pd(_mm_cvtpd_ps(_mm_add_pd(c2, _mm_mul_pd(sum, inv2))));
          const __m128d reach = _mm_add_pd(first2, _mm_mul_pd(_mm_loadu_pd(offs + i), by2));
          if (_mm_movemask_pd(_mm_cmpneq_pd(value, reach)) != 0) return false;
        }
      }
#endif
      for (; i < chunks; ++i)
        if ((double)(float)(c + (d0[i] * a + d1[i] * b) * inv) != first + offs[i] * by) return false;
    }
  }
  return true;
}

void Draw::Row(const Span& sp, int n) const
{
  if (!sp.table)
  {
    // The row's input is made once, and the shader's answer for it. Both shortcuts give the general path's
    // bytes, so texels taken one for one are tried first, a piece at a time where its chunks step alike, and
    // then one colour; a short row's chunk takes the same input, and no chunk asks again what the row was
    // asked.
    QorvFragmentSpanIn in;
    in.count = 0;
    QorvSpanAnswer answer; // the row's, when asked whole
    bool asked = false;
    int i = 0;
    const bool texels = TexelRuns(sp);
    if (texels)
      for (QorvFragmentSpanIn piece; i < n; i += kPiece)
      {
        const int m = std::min(kPiece, n - i);
        SpanIn(sp, i, m, piece);
        if (m == n) in = piece;
        if (m > kChunk && !ChunksStepAlike(sp, i, piece)) break;
        QorvSpanAnswer pieceAnswer;
        // The row's answer serves one colour too.
        const unsigned wants =
            QorvWants(QorvSpanKind::kSamples) | (m == n ? QorvWants(QorvSpanKind::kOneColour) : 0);
        fragmentCode->fragmentAsk(piece, nullptr, 0, wants, pieceAnswer);
        if (m == n) answer = pieceAnswer, asked = true;
        if (!TexelRun(sp, i, i + m, pieceAnswer)) break;
      }
    if (i >= n) return;
    if (i == 0 && OneColourRow(sp, n, in, asked ? &answer : nullptr)) return;
    for (; i < n; i += kChunk)
      Run(sp, i, std::min(n, i + kChunk), in.count == n && n <= kChunk ? &in : nullptr, false,
          !(texels && n <= kChunk));
    return;
  }
  // A multisampled stencil's untouched pixels hold their rows' value at every sample: where that neither
  // passes nor changes, only the touched ones are tried.
  int from = 0, to = n;
  const int untouched = sampleRows ? sampleRows->value : -1;
  if (untouched >= 0 && options.stencilSkipping && !sp.table->pass[untouched] &&
      sp.table->next[untouched] == untouched)
  {
    const int64_t lo = sampleRows->lo[(size_t)sp.y], hi = sampleRows->hi[(size_t)sp.y];
    from = (int)std::clamp<int64_t>(lo - sp.x0, 0, n),
    to = hi > lo ? (int)std::clamp<int64_t>(hi - sp.x0, 0, n) : 0;
  }
  StencilRow(sp, from, to);
  if (untouched < 0 || sp.table->keepsAll) return;
  if (sp.table->resetsTo == untouched)
  {
    // Every pixel tried now holds the value: a row whose touched pixels all were is untouched.
    if (sp.x0 + from <= sampleRows->lo[(size_t)sp.y] && sp.x0 + to >= sampleRows->hi[(size_t)sp.y])
      sampleRows->lo[(size_t)sp.y] = sampleRows->hi[(size_t)sp.y] = 0;
  }
  else
    TouchSampleRow(sp.y, sp.x0 + from, sp.x0 + to);
}

// Rows of at most this many pixels look for their runs without the SIMD arithmetic (thinRows).
constexpr int kThinRow = 4;

// In line: Row alone calls it, once a row, and most rows are a pixel or few.
__attribute__((always_inline)) inline void Draw::StencilRow(const Span& sp, int from, int to) const
{
  // Without a fragment function nothing is shaded: a fragment is its stencil test and mark, which leave a
  // pixel that they change nothing in as it is, so the row needs no looking for the others first.
  if (!options.stencilSkipping || (!fragmentCode && options.stencilOnlyRows))
  {
    if (!fragmentCode && options.thinRows)
    {
      MarkRow(sp, from, to);
      return;
    }
    for (int i = from; i < to; i += kChunk)
      Run(sp, i, std::min(to, i + kChunk));
    return;
  }
  // Fragments that fail and keep the stencil's value change nothing (at every sample of a multisampled
  // stencil): runs of the others are shaded.
  const uint8_t* srow = &stencilPixels[StencilAt(sp.y, sp.x0)];
  const int stride = stencilSamples;
  auto live = [&](int i)
  {
    const uint8_t* s = srow + (size_t)i * stride;
    return SamplesAtOnce() ? SamplesLive(s, *sp.table) : sp.table->pass[*s] || sp.table->next[*s] != *s;
  };
  if (options.thinRows && to - from <= kThinRow)
  {
    // A pixel or few: the runs the looking below finds, a pixel at a time, each asked once (the pixel that
    // ends a run is not live).
    for (int i = from; i < to;)
    {
      if (!live(i))
      {
        ++i;
        continue;
      }
      int j = i + 1;
      while (j < to && live(j))
        ++j;
      // Where Run would send the run, straight: a fragment alone, or a function reading its coverage.
      if (j == i + 1 && oneFragments)
        OneFragment(sp, i);
      else if (fragmentCode && fragmentCode->readsCoverage)
        RunReadingCoverage(sp, i, j);
      else
        Run(sp, i, j);
      i = j + 1;
    }
    return;
  }
#if defined(__SSE2__)
  const bool lanes = simd && stencilSamples == kQorvStencilSamples;
#endif
  // Moves i past the pixels that would change nothing.
  auto skip = [&](int& i)
  {
#if defined(__SSE2__)
    // A run of pixels whose samples all hold one such value, 16 samples compared at once.
    while (lanes && i < to)
    {
      const uint8_t value = srow[(size_t)i * stride];
      if (sp.table->pass[value] || sp.table->next[value] != value) return;
      const __m128i all = _mm_set1_epi8((char)value);
      const int start = i;
      while (options.sampledCover && i + 4 <= to && FourHold(srow + (size_t)i * stride, all))
        i += 4;
      for (; i < to; ++i)
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(srow + (size_t)i * stride)), all)) != 0xffff)
          break;
      if (i > start) continue;
      if (live(i)) return;
      ++i;
    }
#endif
    while (i < to && !live(i))
      ++i;
  };
  // The end of the run of pixels from i on that may change something (at most kChunk); alike, whether they
  // all hold one value at every sample.
  auto runEnd = [&](int i, bool& alike)
  {
    const int end = std::min(to, i + kChunk);
    int j = i;
    alike = false;
#if defined(__SSE2__)
    if (lanes && options.sampledCover)
    {
      // Most of a run's pixels hold the value of the one before them at every sample: the pixels that
      // hold one such live value are passed four at a time, the others asked one by one.
      __m128i same = _mm_setzero_si128();
      bool sameLive = false; // whether same's value would change or pass
      alike = i < end && AllAlike(srow + (size_t)i * stride);
      while (j < end)
      {
        while (sameLive && j + 4 <= end && FourHold(srow + (size_t)j * stride, same))
          j += 4;
        if (j >= end || !live(j)) break;
        const uint8_t* px = srow + (size_t)j * stride;
        if (j > i && alike)
          alike = _mm_movemask_epi8(
                      _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(px)), same)) == 0xffff;
        same = _mm_set1_epi8((char)px[0]);
        sameLive = sp.table->pass[px[0]] || sp.table->next[px[0]] != px[0];
        ++j;
      }
      return j;
    }
#endif
    while (j < end && live(j))
      ++j;
    return j;
  };
  int i = from;
  while (i < to)
  {
    skip(i);
    bool alike = false;
    const int j = runEnd(i, alike);
    if (j > i) Run(sp, i, j, nullptr, true, true, alike);
    i = j;
  }
}

void Draw::MarkRow(const Span& sp, int from, int to) const
{
  const StencilTable& table = *sp.table;
  uint8_t* srow = &stencilPixels[StencilAt(sp.y, sp.x0 + from)];
  const int n = stencilSamples;
  if (n == 1)
  {
    for (int t = 0; t < to - from; ++t)
      srow[t] = table.next[srow[t]];
    return;
  }
  for (int t = from; t < to; ++t, srow += n)
  {
    if (n == kQorvStencilSamples && AllAlike(srow))
    {
      const uint8_t s = srow[0];
      if (table.next[s] != s) std::memset(srow, table.next[s], (size_t)n);
      continue;
    }
    for (int k = 0; k < n; ++k)
      srow[k] = table.next[srow[k]];
  }
}

__attribute__((always_inline)) inline void Draw::MarkSpan(const Span& sp, int n) const
{
  const StencilTable& table = *sp.table;
  int from = 0, to = n;
  const int untouched = sampleRows ? sampleRows->value : -1;
  if (untouched >= 0 && options.stencilSkipping && !table.pass[untouched] && table.next[untouched] == untouched)
  {
    const int64_t lo = sampleRows->lo[(size_t)sp.y], hi = sampleRows->hi[(size_t)sp.y];
    from = (int)std::clamp<int64_t>(lo - sp.x0, 0, n),
    to = hi > lo ? (int)std::clamp<int64_t>(hi - sp.x0, 0, n) : 0;
  }
  uint8_t* srow = &stencilPixels[StencilAt(sp.y, sp.x0 + from)];
  if (stencilSamples == kQorvStencilSamples)
    for (int t = from; t < to; ++t, srow += kQorvStencilSamples)
    {
      if (AllAlike(srow))
      {
        const uint8_t v = srow[0];
        if (table.next[v] != v) std::memset(srow, table.next[v], kQorvStencilSamples);
        continue;
      }
      for (int k = 0; k < kQorvStencilSamples; ++k)
        srow[k] = table.next[srow[k]];
    }
  else
    MarkRow(sp, from, to);
  if (untouched < 0 || table.keepsAll) return;
  if (table.resetsTo == untouched)
  {
    if (sp.x0 + from <= sampleRows->lo[(size_t)sp.y] && sp.x0 + to >= sampleRows->hi[(size_t)sp.y])
      sampleRows->lo[(size_t)sp.y] = sampleRows->hi[(size_t)sp.y] = 0;
  }
  else
    TouchSampleRow(sp.y, sp.x0 + from, sp.x0 + to);
}

// Apart from Rasterize, whose triangles' set-up it would crowd.
[[gnu::noinline]] void Draw::MarkTapedRows(const std::vector<TapedRow>& rows) const
{
  // A row's place and face are all that MarkSpan reads.
  Span sp;
  for (const TapedRow& taped : rows)
  {
    sp.y = taped.sp.y, sp.x0 = taped.sp.x0, sp.table = faceTables[taped.sp.front];
    MarkSpan(sp, taped.n);
  }
}

// Candidate pixels a small triangle has at most, across and down.
constexpr int64_t kSmallSide = 4;

template <bool kTaped>
void Draw::Triangle(const Vertex* v0, const Vertex* v1, const Vertex* v2, int band, int bands,
                    std::vector<TapedRow>* tape) const
{
  if (!v0->valid || !v1->valid || !v2->valid) return;
  int64_t X[3], Y[3];
  const Vertex* v[3] = {v0, v1, v2};
  for (int i = 0; i < 3; ++i)
    Y[i] = v[i]->fy;
  if (bands > 1)
  {
    // Most small triangles lie in another band's rows: leave them before the rest of the set-up.
    int64_t minY = std::min({Y[0], Y[1], Y[2]}), maxY = std::max({Y[0], Y[1], Y[2]});
    int64_t top = std::max<int64_t>(clipY0, -((kOne / 2 - minY) >> kSubBits)); // ceil, by shifting
    int64_t bottom = std::min<int64_t>(clipY1 - 1, (maxY - kOne / 2) >> kSubBits);
    if (top > bottom || !BandHasRows(top, bottom, band, bands)) return;
  }
  for (int i = 0; i < 3; ++i)
    X[i] = v[i]->fx;
  int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (Y[1] - Y[0]) * (X[2] - X[0]);
  if (area == 0) return;
  // The face by the area's sign, culling taken (faceOfArea).
  const int face = faceOfArea[area > 0];
  if (face < 0) return;
  const bool front = face == 1;
  if (area < 0)
  {
    std::swap(X[1], X[2]);
    std::swap(Y[1], Y[2]);
    std::swap(v[1], v[2]);
    area = -area;
  }
  int64_t minX = std::min({X[0], X[1], X[2]}), maxX = std::max({X[0], X[1], X[2]});
  int64_t minY = std::min({Y[0], Y[1], Y[2]}), maxY = std::max({Y[0], Y[1], Y[2]});
  // Pixel p is a candidate when its centre p * 256 + 128 lies inside the bounds (floor and ceil of the
  // division by 256, by shifting).
  int64_t px0 = std::max<int64_t>(clipX0, -((kOne / 2 - minX) >> kSubBits));
  int64_t px1 = std::min<int64_t>(clipX1 - 1, (maxX - kOne / 2) >> kSubBits);
  int64_t py0 = std::max<int64_t>(clipY0, -((kOne / 2 - minY) >> kSubBits));
  int64_t py1 = std::min<int64_t>(clipY1 - 1, (maxY - kOne / 2) >> kSubBits);
  if (px0 > px1 || py0 > py1) return;

  // Edge k runs from vertex k+1 to k+2 and weighs vertex k; inside is where all three are >= their bias.
  int64_t stepX[3], stepY[3], bias[3], rowStart[3];
  for (int k = 0; k < 3; ++k)
  {
    const int a = (k + 1) % 3, b = (k + 2) % 3;
    const Edge e(X[a], Y[a], X[b], Y[b], px0, py0);
    bias[k] = e.bias, stepX[k] = e.stepX, stepY[k] = e.stepY, rowStart[k] = e.rowStart;
  }
  Span sp;
  RowTerms terms;
  // A triangle of one row has one span: its terms worked out in it cost less than kept.
  if (sharesTerms && py1 > py0) sp.terms = &terms;
  sp.inv = 0.0; // set before the first row is drawn: most small triangles have none
  sp.a = v[0], sp.b = v[1], sp.c = v[2];
  sp.front = front;
  sp.table = faceTables[front];
  sp.s0 = stepX[0], sp.s1 = stepX[1];
  const bool marks = marksFace[front];
  if (options.smallTriangles && px1 - px0 < kSmallSide && py1 - py0 < kSmallSide)
  {
    // Few candidates: each row's span is where its pixels pass all three edges (an interval, as each edge
    // lets in a half of the row), found by testing them, without the divisions that bound the edges.
    for (int64_t py = py0; py <= py1; ++py)
    {
      if (bands > 1 && py / kQorvBandRows % bands != band) continue;
      int64_t e[3];
      for (int k = 0; k < 3; ++k)
        e[k] = rowStart[k] + (py - py0) * stepY[k];
      int64_t lo = -1, hi = -1;
      for (int64_t i = 0; i <= px1 - px0; ++i)
        if (e[0] + i * stepX[0] >= bias[0] && e[1] + i * stepX[1] >= bias[1] &&
            e[2] + i * stepX[2] >= bias[2])
          lo = lo < 0 ? i : lo, hi = i;
      if (lo < 0) continue;
      if (sp.inv == 0.0) sp.inv = 1.0 / (double)area;
      sp.y = (int)py;
      sp.x0 = (int)(px0 + lo);
      sp.e0 = e[0] + lo * stepX[0];
      sp.e1 = e[1] + lo * stepX[1];
      marks ? MarkSpan(sp, (int)(hi - lo + 1)) : Row(sp, (int)(hi - lo + 1));
      if constexpr (kTaped) tape->push_back(TapedRow{sp, (int)(hi - lo + 1)});
    }
    return;
  }
  sp.inv = 1.0 / (double)area;
  // The edges' bounds are started at the band's first row and moved on a block of the band's rows at a
  // time, in locals.
  int64_t bandEnd = bands > 1 ? -1 : py1 + 1; // rows below this one are in this band
  int64_t py = py0;
  if (bands > 1)
  {
    const int64_t next = BandRow(py, band, bands, bandEnd);
    if (next > py1) return;
    for (int k = 0; k < 3; ++k)
      rowStart[k] += stepY[k] * (next - py);
    py = next;
  }
  EdgeBound b0, b1, b2;
  b0.Start(rowStart[0], bias[0], stepX[0], stepY[0]);
  b1.Start(rowStart[1], bias[1], stepX[1], stepY[1]);
  b2.Start(rowStart[2], bias[2], stepX[2], stepY[2]);
  int64_t r0 = rowStart[0], r1 = rowStart[1], r2 = rowStart[2];
  // The span of a row where an edge function reaches its bias, narrowed by edge k.
  auto narrow = [](const EdgeBound& b, int64_t sx, int64_t e, int64_t biasK, int64_t& lo, int64_t& hi)
  {
    if (sx > 0)
      lo = std::max(lo, b.Bound());
    else if (sx < 0)
      hi = std::min(hi, b.Bound());
    else if (e < biasK)
      hi = -1;
  };
  const int64_t width = px1 - px0;
  for (;;)
  {
    for (const int64_t last = std::min(py1, bandEnd - 1); py <= last; ++py)
    {
      int64_t lo = 0, hi = width;
      narrow(b0, stepX[0], r0, bias[0], lo, hi);
      narrow(b1, stepX[1], r1, bias[1], lo, hi);
      narrow(b2, stepX[2], r2, bias[2], lo, hi);
      if (lo <= hi)
      {
        sp.y = (int)py;
        sp.x0 = (int)(px0 + lo);
        sp.e0 = r0 + lo * stepX[0];
        sp.e1 = r1 + lo * stepX[1];
        marks ? MarkSpan(sp, (int)(hi - lo + 1)) : Row(sp, (int)(hi - lo + 1));
        if constexpr (kTaped) tape->push_back(TapedRow{sp, (int)(hi - lo + 1)});
      }
      r0 += stepY[0], r1 += stepY[1], r2 += stepY[2];
      b0.Next(), b1.Next(), b2.Next();
    }
    if (py > py1) return;
    // Jump to the next block of rows of this band.
    const int64_t next = BandRow(py, band, bands, bandEnd);
    if (next > py1) return;
    r0 += stepY[0] * (next - py), r1 += stepY[1] * (next - py), r2 += stepY[2] * (next - py);
    b0.Skip(next - py), b1.Skip(next - py), b2.Skip(next - py);
    py = next;
  }
}
} // namespace qorv_raster

using qorv_raster::Draw;
using qorv_raster::Vertex;

namespace
{
// Makes the entries a list grows by as a declaration would, not set to nothing: lists whose every entry is
// set before it is read (a draw's vertices and references) grow without being cleared first.
template <class T> struct Uncleared : std::allocator<T>
{
  template <class U> struct rebind
  {
    using other = Uncleared<U>;
  };
  Uncleared() = default;
  template <class U> Uncleared(const Uncleared<U>&) noexcept {}
  template <class U> void construct(U* at) noexcept { ::new ((void*)at) U; }
  template <class U, class... Args> void construct(U* at, Args&&... args)
  {
    ::new ((void*)at) U(std::forward<Args>(args)...);
  }
};
} // namespace

struct QorvRasterDraw::Shaded
{
  Draw draw;
  MTLPrimitiveType type;
  std::vector<Vertex, Uncleared<Vertex>> vertices;
  std::vector<uint32_t, Uncleared<uint32_t>> reference; // per vertex id of the draw, its entry in vertices
  std::vector<qorv_raster::ConvexFan> fans;             // in the order of their triangles
  std::vector<const Vertex*> corners;                   // of the fans' polygons
  // A fan (fan >= 0) or a triangle in the order it is drawn, with the bands whose rows it may reach (bit b
  // for band b), so that a band passes over the others' primitives with one test.
  struct Primitive
  {
    const Vertex* v[3];
    int fan;
    uint32_t bands;
  };
  std::vector<Primitive> primitives;
  const std::vector<Primitive>* listed = &primitives; // or those of the draw it took its vertices from
  std::vector<qorv_raster::FanRows> fanRows;          // per fan
  std::vector<qorv_raster::FanEdge> fanEdges;
  int bands = 1;                // that the masks were made for
  bool perSample = false;       // drawn once a sample of a multisampled stencil
  qorv_raster::Draw::Sums sums; // of a perSample draw marked by sums (SampledSpans.cpp)
  std::vector<qorv_raster::Draw::SummedEdge> summed;
  std::vector<unsigned char> shadedOnce; // per entry of vertices
  std::vector<size_t> fanStarts;         // of each fan's corners
  // Where the entries that reference names are: vertices, or an earlier draw's of the pass, which shaded the
  // same (from, when it lent them).
  const Vertex* shadedAt = nullptr;
  const Shaded* from = nullptr;
  // What a later draw compares to take them: set for ids one after another (keyed), and the varyings kept.
  bool keyed = false;
  qorv_raster::VertexStage::Key key;
  uint32_t firstId = 0;
  NSUInteger idCount = 0;
  int kept = 0;
  // Per band, the rows of the triangles drawn (rowsOf: the count of each that gave any), for later draws of
  // the same triangles to replay (spanReplays): taping where a later draw of the pass draws the same ids;
  // taped, the draw whose rows this one replays.
  struct Tape
  {
    std::vector<int> rowsOf;
    std::vector<qorv_raster::Draw::TapedRow> rows;
    bool made = false;
    int left = 0; // the draws still to replay it
    // Let go once the last draw that replays it has (a band's draws run in order), so that a pass holds
    // the rows of the fill being drawn, not of every fill before it; the room of a few rows is kept.
    void LetGoIfLast()
    {
      if (--left > 0) return;
      made = false;
      constexpr size_t kKeptRows = 64;
      rows.clear(), rowsOf.clear();
      if (rows.capacity() > kKeptRows) std::vector<qorv_raster::Draw::TapedRow>().swap(rows);
    }
  };
  mutable std::vector<Tape> tapes;
  bool taping = false;
  const Shaded* taped = nullptr;
  mutable int replays = 0; // the later draws that replay this one's tape

  // Whether o's triangles give this draw's rows: listed alike, clipped and culled alike.
  bool RastersAs(const Shaded& o) const
  {
    const Draw &a = draw, &b = o.draw;
    return !perSample && !o.perSample && a.clipX0 == b.clipX0 && a.clipX1 == b.clipX1 &&
           a.clipY0 == b.clipY0 && a.clipY1 == b.clipY1 && a.state->cullMode == b.state->cullMode &&
           a.state->frontFacingWinding == b.state->frontFacingWinding;
  }

  // The bands that rows top to bottom reach: block b of kQorvBandRows rows is band b % bands.
  uint32_t BandsOfRows(int64_t top, int64_t bottom) const
  {
    if (bands == 1) return 1;
    const uint32_t all = bands >= 32 ? ~0u : (1u << bands) - 1;
    const int64_t b0 = top / kQorvBandRows, b1 = bottom / kQorvBandRows;
    if (bands >= 32 || b1 - b0 + 1 >= bands) return all;
    uint32_t mask = 0;
    for (int64_t b = b0; b <= b1; ++b)
      mask |= 1u << (b % bands);
    return mask;
  }

  // The primitives in drawing order, leaving out triangles that reach no row of the target.
  void ListPrimitives()
  {
    const Draw& d = draw;
    // Read once: as far as the compiler knows, each triangle listed could change the draw's members.
    const Vertex* const at = shadedAt;
    const uint32_t* const refs = reference.data();
    const int64_t clipTop = d.clipY0, clipBottom = d.clipY1 - 1;
    const bool oneBand = bands == 1;
    auto vertex = [at, refs](size_t i) { return &at[refs[i]]; };
    auto rows = [&](int64_t minY, int64_t maxY, int64_t& top, int64_t& bottom)
    {
      top = std::max<int64_t>(clipTop, -((qorv_raster::kOne / 2 - minY) >> qorv_raster::kSubBits));
      bottom = std::min<int64_t>(clipBottom, (maxY - qorv_raster::kOne / 2) >> qorv_raster::kSubBits);
      return top <= bottom;
    };
    // A triangle drawn once a sample reaches the rows of samples up to half a pixel from their centres.
    const int64_t reach = perSample ? qorv_raster::kOne / 2 : 0;
    auto triangle = [&](const Vertex* a, const Vertex* b, const Vertex* c)
    {
      if (!(a->valid & b->valid & c->valid)) return;
      int64_t top, bottom;
      if (rows(std::min({a->fy, b->fy, c->fy}) - reach, std::max({a->fy, b->fy, c->fy}) + reach, top, bottom))
        primitives.push_back(Primitive{{a, b, c}, -1, oneBand ? 1u : BandsOfRows(top, bottom)});
    };
    fanRows.resize(fans.size());
    auto fan = [&](size_t f)
    {
      if (d.PrepareFan(fans[f], fanEdges, fanRows[f]))
        primitives.push_back(Primitive{{}, (int)f, BandsOfRows(fanRows[f].py0, fanRows[f].py1)});
    };
    const size_t count = reference.size();
    size_t f = 0;
    const size_t fanCount = fans.size(); // once: as far as the compiler knows, listing could change it
    if (type == MTLPrimitiveTypeTriangle)
    {
      for (size_t i = 0; i + 2 < count; i += 3)
      {
        if (f < fanCount && fans[f].firstTriangle == i / 3)
        {
          i += 3 * (fans[f].Triangles() - 1);
          fan(f++);
          continue;
        }
        triangle(vertex(i), vertex(i + 1), vertex(i + 2));
      }
      return;
    }
    // Odd triangles of a strip swap their first two vertices so the whole strip keeps one facing. Each takes
    // the last two vertices of the one before it (a and b) and the next.
    const Vertex *a = count > 2 ? vertex(0) : nullptr, *b = count > 2 ? vertex(1) : nullptr;
    for (size_t i = 0; i + 2 < count; ++i)
    {
      if (f < fanCount && fans[f].firstTriangle == i)
      {
        fan(f++);
        ++i;
        if (i + 3 < count) a = vertex(i + 1), b = vertex(i + 2);
        continue;
      }
      const Vertex* c = vertex(i + 2);
      if (i % 2 == 0)
        triangle(a, b, c);
      else
        triangle(b, a, c);
      a = b, b = c;
    }
  }

  // Shades the vertices that ids name into vertices, each id's entry in reference, or takes those of one of
  // the earlier draws that shaded the same ones; keepVaryings: a later draw will read them.
  // Null ids stand for first, first + 1, ...
  void ShadeVertices(const uint32_t* ids, uint32_t first, NSUInteger count, const QorvRasterDraw* earlier,
                     size_t earlierCount, bool keepVaryings);

  // Whether the triangles listed from the same vertices by from are those this draw lists.
  bool ListsAs(const Shaded& o) const
  {
    return fans.empty() && o.fans.empty() && o.type == type && o.perSample == perSample && o.bands == bands &&
           o.draw.clipY0 == draw.clipY0 && o.draw.clipY1 == draw.clipY1;
  }

  // Fans of a triangle list, and quads of a strip, without a stencil test (a fan's triangles would each
  // count there). Their corners go into one list, which the fans point into once it is complete.
  void FindFans()
  {
    if (draw.faceTables[0] || draw.faceTables[1] || !draw.options.convexFans) return;
    auto vertex = [&](size_t i) -> const Vertex* { return &shadedAt[reference[i]]; };
    std::vector<size_t>& starts = fanStarts;
    auto make = [&](size_t firstTriangle, size_t start)
    {
      qorv_raster::ConvexFan& fan = fans.emplace_back();
      fan.firstTriangle = firstTriangle;
      if (qorv_raster::MakeConvexFan(corners.data() + start, corners.size() - start, draw.varyings, fan,
                                     draw.options))
        starts.push_back(start);
      else
        fans.pop_back(), corners.resize(start);
    };
    if (type == MTLPrimitiveTypeTriangleStrip)
    {
      // Triangles i and i + 1, (a, b, c) and (c, b, d), cover the quad a, b, d, c.
      for (size_t i = 0; i + 3 < reference.size(); i += 2)
      {
        const size_t start = corners.size();
        corners.resize(start + 4);
        const Vertex** quad = corners.data() + start;
        quad[0] = vertex(i), quad[1] = vertex(i + 1), quad[2] = vertex(i + 3), quad[3] = vertex(i + 2);
        make(i, start);
      }
    }
    else
    {
      const size_t triangles = reference.size() / 3;
      for (size_t t = 0; t < triangles;)
      {
        // Triangles (f, a, b), (f, b, c), ...
        size_t end = t + 1;
        while (end < triangles && reference[3 * end] == reference[3 * t] &&
               reference[3 * end + 1] == reference[3 * end - 1])
          ++end;
        if (end - t >= 2)
        {
          const size_t start = corners.size();
          corners.push_back(vertex(3 * t));
          corners.push_back(vertex(3 * t + 1));
          for (size_t i = t; i < end; ++i)
            corners.push_back(vertex(3 * i + 2));
          make(t, start);
        }
        t = end;
      }
    }
    for (size_t f = 0; f < fans.size(); ++f)
      fans[f].polygon = corners.data() + starts[f];
  }
};

namespace
{
// Whether a blend is premultiplied source-over on every channel.
bool BlendIsSourceOver(const MTLRenderPipelineColorAttachmentDescriptor& b)
{
  return b.blendingEnabled && b.writeMask == MTLColorWriteMaskAll &&
         b.sourceRGBBlendFactor == MTLBlendFactorOne && b.sourceAlphaBlendFactor == MTLBlendFactorOne &&
         b.destinationRGBBlendFactor == MTLBlendFactorOneMinusSourceAlpha &&
         b.destinationAlphaBlendFactor == MTLBlendFactorOneMinusSourceAlpha &&
         b.rgbBlendOperation == MTLBlendOperationAdd && b.alphaBlendOperation == MTLBlendOperationAdd;
}

// Whether the source replaces the target on every channel (no blending, or one and zero).
bool BlendReplaces(const MTLRenderPipelineColorAttachmentDescriptor& b)
{
  return b.writeMask == MTLColorWriteMaskAll &&
         (!b.blendingEnabled ||
          (b.sourceRGBBlendFactor == MTLBlendFactorOne && b.sourceAlphaBlendFactor == MTLBlendFactorOne &&
           b.destinationRGBBlendFactor == MTLBlendFactorZero &&
           b.destinationAlphaBlendFactor == MTLBlendFactorZero &&
           b.rgbBlendOperation == MTLBlendOperationAdd && b.alphaBlendOperation == MTLBlendOperationAdd));
}

// The draw's pipeline, options, attachments' pixels and bound buffers, textures and samplers. Every member is
// set here, as a draw kept for the next one keeps the last one's.
void BindDraw(Draw& d, MTLTexture* colour, MTLTexture* stencil, const QorvDrawState& s,
              const QorvGpuOptions& options)
{
  const auto& pd = s.bindings->pipeline->descriptor();
  d.colour = colour;
  d.stencil = stencil;
  d.state = &s;
  d.vd = &s.bindings->pipeline->vertexDescriptor();
  d.vertexCode = &pd.vertexFunction->code();
  d.fragmentCode = pd.fragmentFunction ? &pd.fragmentFunction->code() : nullptr;
  d.options = options;
  d.simd = QorvSimdOn(options);
  if (d.fragmentCode && !options.spanShading && !d.fragmentCode->readsCoverage)
  {
    d.fragmentAlone = *d.fragmentCode;
    d.fragmentAlone.fragmentSpan = nullptr, d.fragmentAlone.fragmentAsk = nullptr;
    d.fragmentCode = &d.fragmentAlone;
  }
  d.blend = &pd.colorAttachments[0];
  d.stencilPixels = stencil ? stencil->levels()[0].pixels.data() : nullptr;
  d.stencilWidth = stencil ? stencil->width() : 0;
  d.stencilSamples = stencil ? (int)stencil->sampleCount() : 1;
  d.sampleRows =
      stencil && stencil->sampleRows() && stencil->sampleRows()->known ? stencil->sampleRows() : nullptr;
  d.colourPixels = colour ? colour->levels()[0].pixels.data() : nullptr;
  d.colourWidth = colour ? colour->width() : 0;
  d.colourBytes = colour ? colour->bytesPerPixel() : 0;
  d.colourFormat = colour ? colour->pixelFormat() : MTLPixelFormatInvalid;
  d.tableBuilt[0] = d.tableBuilt[1] = false;
  d.sourceOver = BlendIsSourceOver(*d.blend);
  d.replaces = BlendReplaces(*d.blend);
  // Without a fragment function nothing reads a varying.
  d.varyings = d.fragmentCode || !options.positionsAlone ? d.vertexCode->varyingCount : 0;
  for (int i = 0; i < QorvDrawState::kSlots; ++i)
  {
    auto bind = [](const std::shared_ptr<MTLBuffer>& buffer, NSUInteger offset)
    {
      QorvShaderBuffer out;
      if (buffer && offset <= buffer->length())
        out = QorvShaderBuffer{buffer->bytes() + offset, buffer->length() - offset};
      return out;
    };
    const QorvDrawBindings& b = *s.bindings;
    d.vertexBuffers[i] = bind(b.vertexBuffers[i], s.vertexOffsets[i]);
    d.fragmentBuffers[i] = bind(b.fragmentBuffers[i], s.fragmentOffsets[i]);
    d.textures[i] = b.fragmentTextures[i].get();
    d.samplers[i] = b.fragmentSamplers[i].get();
  }
  // A coverage function's constants, once for all the draw's spans; the varyings it then reads alone.
  d.hasConstants = d.fragmentCode && d.fragmentCode->readsCoverage && d.fragmentCode->drawConstants &&
                   options.coverageSpans;
  if (d.hasConstants)
    d.varyings =
        std::min(d.varyings, d.fragmentCode->drawConstants(d.fragmentBuffers, d.textures, d.drawConstants));
}

// The pixels the draw may reach: the viewport's within the target, the scissor's, and the stencil's.
void ClipDraw(Draw& d, const QorvDrawState& s, const MTLTexture& target)
{
  const MTLViewport& vp = s.viewport;
  d.clipX0 = (int)std::clamp(std::floor(vp.originX), 0.0, (double)target.width());
  d.clipY0 = (int)std::clamp(std::floor(vp.originY), 0.0, (double)target.height());
  d.clipX1 = (int)std::clamp(std::ceil(vp.originX + vp.width), 0.0, (double)target.width());
  d.clipY1 = (int)std::clamp(std::ceil(vp.originY + vp.height), 0.0, (double)target.height());
  if (s.scissorSet)
  {
    // No fragment outside the scissor rectangle is shaded, sampled or written.
    const MTLScissorRect& r = s.scissor;
    d.clipX0 = (int)std::clamp<int64_t>((int64_t)r.x, d.clipX0, d.clipX1);
    d.clipY0 = (int)std::clamp<int64_t>((int64_t)r.y, d.clipY0, d.clipY1);
    d.clipX1 = (int)std::clamp<int64_t>((int64_t)(r.x + r.width), d.clipX0, d.clipX1);
    d.clipY1 = (int)std::clamp<int64_t>((int64_t)(r.y + r.height), d.clipY0, d.clipY1);
  }
  const MTLTexture *stencil = d.stencil, *colour = d.colour;
  if (stencil && colour && (stencil->width() < colour->width() || stencil->height() < colour->height()))
  {
    d.clipX1 = std::min<int>(d.clipX1, (int)stencil->width());
    d.clipY1 = std::min<int>(d.clipY1, (int)stencil->height());
  }
}
} // namespace

namespace
{
// Sums each of a triangle's edges that the triangle before it has too into that one's, leaving its own change
// 0: what MergeSummedEdges would do with them, done while there are few to look through. Those left 0 are not
// merged. Both from their top ends; the triangle before's three, those past its own changing nothing (so that
// none is summed into).
void SumSharedEdges(Draw::SummedEdge (&before)[3], Draw::SummedEdge* edges, int count)
{
  for (int i = 0; i < count; ++i)
  {
    Draw::SummedEdge& e = edges[i];
    for (int j = 0; j < 3; ++j)
    {
      Draw::SummedEdge& f = before[j];
      if (f.bx == e.bx && f.by == e.by && f.ax == e.ax && f.ay == e.ay && f.add != 0)
      {
        f.add += e.add, e.add = 0;
        break;
      }
    }
  }
}
} // namespace

// A draw's triangles summed by runs of a fan: each triangle (f, b, c) whose first corner is that of the one
// before and whose second is the one before's third shares their edge f-b with it, and their changes there
// cancel (turned alike, the two take it opposite ways with one change; turned apart, the same way with the
// changes of opposite faces, which cancel where those are opposite, or whose parity is 0 where they
// invert). So a run gives its outline alone: its first triangle's edge f-a, every triangle's a-b, and its
// last one's b-f, each as SumTriangle gives it. Where runs are long, the few edges left are not merged: the
// sums are the same either way.
template <class Primitives>
void SumFanChains(const qorv_raster::Draw& d, const Primitives& listed, const qorv_raster::Draw::Sums& sums,
                  std::vector<qorv_raster::Draw::SummedEdge>& summed)
{
  using qorv_raster::Draw;
  const bool facesCancel = sums.inverts || sums.add[1] == -sums.add[0];
  int adds[2];
  d.AddsByArea(sums, adds);
  Draw::TurnedTriangle before{}, t{};
  const qorv_raster::Vertex *f = nullptr, *c = nullptr; // the run's first corner, its last triangle's third
  bool open = false;
  size_t runs = 0, triangles = 0;
  Draw::SummedEdge e;
  // Edge f-b of a triangle as turned: its edge 1 unless its corners were swapped.
  auto close = [&](const Draw::TurnedTriangle& last)
  {
    if (Draw::EdgeOf(last, last.swapped ? 2 : 1, e)) summed.push_back(e);
  };
  for (const auto& p : listed)
  {
    if (p.fan >= 0) continue;
    if (!Draw::TurnTriangle(p.v[0], p.v[1], p.v[2], adds, t))
    {
      // It changes nothing: the run before it ends.
      if (open) close(before), open = false;
      continue;
    }
    ++triangles;
    const bool chained = open && p.v[0]->fx == f->fx && p.v[0]->fy == f->fy && p.v[1]->fx == c->fx &&
                         p.v[1]->fy == c->fy && (t.swapped == before.swapped || facesCancel);
    if (!chained)
    {
      if (open) close(before);
      // Edge f-a: its edge 2 unless its corners were swapped.
      if (Draw::EdgeOf(t, t.swapped ? 1 : 2, e)) summed.push_back(e);
      f = p.v[0], open = true, ++runs;
    }
    if (Draw::EdgeOf(t, 0, e)) summed.push_back(e);
    c = p.v[2], before = t;
  }
  if (open) close(before);
  if (4 * runs > triangles) Draw::MergeSummedEdges(summed);
}

// A draw's triangles summed one by one, each edge it shares with the one before summed into that one's at
// once where shared is set, and then all merged.
template <class Primitives>
void SumEachTriangle(const qorv_raster::Draw& d, const Primitives& listed, const qorv_raster::Draw::Sums& sums,
                     bool shared, std::vector<qorv_raster::Draw::SummedEdge>& summed)
{
  using qorv_raster::Draw;
  // The triangle before's edges are held until the next has summed those they share into them, and kept
  // only if they change anything.
  constexpr Draw::SummedEdge kNone{INT64_MIN, INT64_MIN, INT64_MIN, INT64_MIN, 0};
  Draw::SummedEdge before[3] = {kNone, kNone, kNone}, edges[3] = {kNone, kNone, kNone};
  int held = 0;
  for (const auto& p : listed)
  {
    if (p.fan >= 0) continue;
    const int count = d.SumTriangle(p.v[0], p.v[1], p.v[2], sums, edges);
    if (!shared)
    {
      summed.insert(summed.end(), edges, edges + count);
      continue;
    }
    SumSharedEdges(before, edges, count);
    for (int k = 0; k < held; ++k)
      if (before[k].add != 0) summed.push_back(before[k]);
    std::copy(edges, edges + 3, before), held = count;
    for (int k = count; k < 3; ++k)
      before[k].add = 0;
  }
  for (int k = 0; k < held; ++k)
    if (before[k].add != 0) summed.push_back(before[k]);
  Draw::MergeSummedEdges(summed);
}

void QorvRasterDraw::Shaded::ShadeVertices(const uint32_t* ids, uint32_t first, NSUInteger count,
                                           const QorvRasterDraw* earlier, size_t earlierCount,
                                           bool keepVaryings)
{
  const bool repeats = draw.options.repeatedVertices;
  const int keep =
      repeats && keepVaryings ? std::max(draw.varyings, draw.vertexCode->varyingCount) : draw.varyings;
  // Each vertex once when the ids are dense, else once per reference.
  qorv_raster::VertexStage stage(draw, keep);
  reference.resize(count);
  from = nullptr, keyed = false, kept = keep;
  // Entries are kept from draw to draw and only ever added (so not set to nothing one by one each draw):
  // each is shaded before it is read, and one whose vertex is not valid is read no further.
  auto hold = [this](size_t n)
  {
    if (vertices.size() < n) vertices.resize(n);
    shadedAt = vertices.data();
  };
  // Ids one after another (a draw without indices): each is shaded once, in order, without looking.
  bool dense = !ids;
  if (ids)
  {
    NSUInteger run = 1;
    while (run < count && ids[run] == ids[0] + (uint32_t)run)
      ++run;
    dense = run == count && (uint64_t)ids[0] + count - 1 <= UINT32_MAX;
    first = ids[0];
  }
  if (dense)
  {
    for (NSUInteger i = 0; i < count; ++i)
      reference[i] = (uint32_t)i;
    if (repeats)
    {
      keyed = true, key = stage.MakeKey(draw), firstId = first, idCount = count;
      // The last few draws, as a sampled fill draws its fringe again after its fan.
      constexpr size_t kLooked = 3;
      for (size_t back = 1; back <= std::min(kLooked, earlierCount); ++back)
      {
        const Shaded* o = earlier[earlierCount - back].mShaded.get();
        if (o && o->keyed && o->firstId == firstId && o->idCount == count && o->kept >= draw.varyings &&
            o->draw.options == draw.options && o->key == key)
        {
          from = o, shadedAt = o->shadedAt, kept = o->kept;
          return;
        }
      }
    }
    stage.Within(first + (uint32_t)(count - 1));
    hold(count);
    stage.ShadeRun(first, count, vertices.data());
    return;
  }
  uint32_t lo = *std::min_element(ids, ids + count), hi = *std::max_element(ids, ids + count);
  stage.Within(hi);
  const size_t range = (size_t)hi - lo + 1;
  if (range <= count && stage.Runs())
  {
    // Few ids apart (a fan's): all of them shaded in one run, those that no index names too.
    hold(range);
    for (NSUInteger i = 0; i < count; ++i)
      reference[i] = ids[i] - lo;
    stage.ShadeRun(lo, range, vertices.data());
  }
  else if ((uint64_t)hi - lo < 4 * (uint64_t)count + 64)
  {
    hold(range);
    shadedOnce.assign(range, 0);
    for (NSUInteger i = 0; i < count; ++i)
    {
      reference[i] = ids[i] - lo;
      if (!shadedOnce[reference[i]])
      {
        stage.Shade(ids[i], vertices[reference[i]]);
        shadedOnce[reference[i]] = 1;
      }
    }
  }
  else
  {
    hold(count);
    for (NSUInteger i = 0; i < count; ++i)
    {
      reference[i] = (uint32_t)i;
      stage.Shade(ids[i], vertices[i]);
    }
  }
}

// The most rows a band's tape holds (spanReplays), and the most triangles a taped draw has: a fill of many
// points (a zigzag band's fringe) gives tens of thousands, megabytes that its pass would hold for every
// such fill.
constexpr size_t kTapeMost = 4096, kTapeMostTriangles = 1024;

QorvRasterDraw::QorvRasterDraw(MTLTexture* colour, MTLTexture* stencil, const QorvDrawState& s,
                               MTLPrimitiveType type, const uint32_t* ids, uint32_t firstId, NSUInteger count,
                               int bands, const QorvGpuOptions& options, const QorvRasterDraw* earlier,
                               size_t earlierCount, bool keepVaryings, bool drawnAgain)
{
  // For the calls the vertex shaders make back.
  const QorvOptionsScope scope(options);
  if (type != MTLPrimitiveTypeTriangle && type != MTLPrimitiveTypeTriangleStrip)
    return; // points and lines are not drawn by this stand-in
  MTLTexture* target = colour ? colour : stencil;
  if (!target || count == 0) return;
  std::vector<std::unique_ptr<Shaded>>* spare = Spare();
  if (!spare || spare->empty())
    mShaded = std::make_unique<Shaded>();
  else
  {
    mShaded = std::move(spare->back());
    spare->pop_back();
  }
  mShaded->type = type;
  Draw& d = mShaded->draw;
  BindDraw(d, colour, stencil, s, options);
  ClipDraw(d, s, *target);
  // Built now, so that bands on several threads only read them.
  d.faceTables[0] = d.TableFor(false);
  d.faceTables[1] = d.TableFor(true);
  d.texelRects = d.TexelRects();
  for (int positive = 0; positive < 2; ++positive)
  {
    // Window y runs down, so a positive area is clockwise in clip space.
    const bool front = (s.frontFacingWinding == MTLWindingClockwise) == (positive == 1);
    const bool culled = (s.cullMode == MTLCullModeBack && !front) || (s.cullMode == MTLCullModeFront && front);
    d.faceOfArea[positive] = culled ? -1 : (int8_t)front;
  }
  for (int face = 0; face < 2; ++face)
  {
    Draw::Span sp;
    sp.table = d.faceTables[face];
    d.marksFace[face] = d.MarksRows(sp);
  }
  d.sharesTerms = d.options.thinRows && d.fragmentCode;
  d.oneFragments = d.options.thinRows && d.colour && d.fragmentCode && !d.fragmentCode->readsCoverage &&
                   d.fragmentCode->fragmentSpan && d.sourceOver &&
                   (d.colourFormat == MTLPixelFormatRGBA8Unorm || d.colourFormat == MTLPixelFormatBGRA8Unorm);
  // A pipeline of the stencil's samples that writes no colour marks each sample on its own.
  const NSUInteger rasterSamples = s.bindings->pipeline->descriptor().rasterSampleCount;
  const bool writesColour = colour && d.fragmentCode && d.blend->writeMask != MTLColorWriteMaskNone;
  mShaded->perSample = d.stencilSamples > 1 && rasterSamples == (NSUInteger)d.stencilSamples && !writesColour;
  mShaded->ShadeVertices(ids, firstId, count, earlier, earlierCount, keepVaryings);
  mShaded->FindFans();
  mShaded->bands = std::max(bands, 1);
  mShaded->listed = &mShaded->primitives;
  Shaded& sh = *mShaded;
  sh.taping = false, sh.taped = nullptr, sh.replays = 0;
  if (sh.from && sh.ListsAs(*sh.from))
  {
    sh.listed = sh.from->listed;
    const Shaded* t = sh.from->taping ? sh.from : sh.from->taped;
    if (options.spanReplays && t && sh.RastersAs(*t)) sh.taped = t, ++t->replays;
  }
  else
    sh.ListPrimitives();
  // A draw of more triangles than its tape would hold rows for is not taped.
  if (options.spanReplays && drawnAgain && !sh.taped && !sh.perSample && sh.fans.empty() &&
      sh.listed->size() <= kTapeMostTriangles)
  {
    sh.taping = true;
    if (sh.tapes.size() < (size_t)sh.bands) sh.tapes.resize((size_t)sh.bands);
    // Room for a few rows a triangle, a band's share of them, made at once rather than grown row by row (a
    // tape's room is let go after its last replay).
    const size_t room = std::min(kTapeMost + 1, 3 * sh.listed->size() / (size_t)sh.bands + 16);
    for (Shaded::Tape& t : sh.tapes)
    {
      t.made = false;
      t.rows.reserve(room);
    }
  }
  if (mShaded->perSample) mShaded->sums = d.SampledSums();
  if (mShaded->sums.summed)
  {
    std::vector<Draw::SummedEdge>& summed = mShaded->summed;
    summed.reserve(3 * mShaded->listed->size());
    if (options.sharedEdges && options.fanChains)
      SumFanChains(d, *mShaded->listed, mShaded->sums, summed);
    else
      SumEachTriangle(d, *mShaded->listed, mShaded->sums, options.sharedEdges, summed);
  }
}

std::vector<std::unique_ptr<QorvRasterDraw::Shaded>>* QorvRasterDraw::Spare()
{
  struct Kept
  {
    std::vector<std::unique_ptr<Shaded>> spare;
    uint64_t closedSeen = 0;
  };
  Kept* k = QorvThreadCache<Kept>();
  if (!k) return nullptr;
  if (QorvQueueClosedSince(k->closedSeen)) std::vector<std::unique_ptr<Shaded>>().swap(k->spare);
  return &k->spare;
}

QorvRasterDraw::~QorvRasterDraw()
{
  constexpr size_t kKept = 4096;
  std::vector<std::unique_ptr<Shaded>>* spare = Spare();
  if (!mShaded || !spare || spare->size() >= kKept) return;
  Shaded& s = *mShaded;
  // The references are kept, as the vertices are: the next draw sizes them to its ids and sets every one,
  // so that only those it adds are set to nothing first.
  s.fans.clear(), s.corners.clear(), s.primitives.clear();
  s.fanRows.clear(), s.fanEdges.clear(), s.shadedOnce.clear(), s.fanStarts.clear(), s.summed.clear();
  s.sums = {};
  // A long tape's room is let go: a spare draw may wait long for another like it.
  constexpr size_t kTapeKept = 1024;
  for (Shaded::Tape& t : s.tapes)
    if (t.rows.capacity() > kTapeKept) std::vector<Draw::TapedRow>().swap(t.rows);
  spare->push_back(std::move(mShaded));
}
QorvRasterDraw::QorvRasterDraw(QorvRasterDraw&&) noexcept = default;

void QorvRasterDraw::Rasterize(int band, int bands) const
{
  if (!mShaded) return;
  const Draw& d = mShaded->draw;
  const QorvOptionsScope scope(d.options);
  bands = std::max(bands, 1);
  // Made for another number of bands, every primitive is tried and finds its rows itself.
  if (mShaded->sums.summed)
  {
    d.SampledSpans(mShaded->summed, mShaded->sums, band, bands);
    return;
  }
  const uint32_t mine = bands == mShaded->bands && band < 32 ? 1u << band : ~0u;
  const Shaded& s = *mShaded;
  // Rows taped for this band, made for as many bands, to replay or to tape.
  const bool same = bands == s.bands;
  const Shaded::Tape* play =
      same && s.taped && (size_t)band < s.taped->tapes.size() && s.taped->tapes[(size_t)band].made
          ? &s.taped->tapes[(size_t)band]
          : nullptr;
  Shaded::Tape* tape = same && s.taping && (size_t)band < s.tapes.size() ? &s.tapes[(size_t)band] : nullptr;
  if (play)
  {
    // The triangles' rows in their order (a draw that replays lists no fans), under this draw's stencil,
    // its shading's terms worked out once a triangle.
    const Draw::TapedRow* row = play->rows.data();
    if (d.marksFace[0] && d.marksFace[1])
    {
      d.MarkTapedRows(play->rows);
      s.taped->tapes[(size_t)band].LetGoIfLast();
      return;
    }
    for (const int rows : play->rowsOf)
    {
      Draw::RowTerms triangle;
      // As Triangle shares them: a triangle of one row works them out in its span.
      Draw::RowTerms* const shared = d.sharesTerms && rows > 1 ? &triangle : nullptr;
      for (const Draw::TapedRow* end = row + rows; row < end; ++row)
      {
        Draw::Span sp = row->sp;
        sp.table = d.faceTables[sp.front];
        sp.terms = shared;
        d.marksFace[sp.front] ? d.MarkSpan(sp, row->n) : d.Row(sp, row->n);
      }
    }
    s.taped->tapes[(size_t)band].LetGoIfLast();
    return;
  }
  if (tape) tape->rowsOf.clear(), tape->rows.clear();
  for (const Shaded::Primitive& p : *mShaded->listed)
  {
    if (!(p.bands & mine)) continue;
    if (tape && p.fan < 0)
    {
      // Each triangle that gave rows, and its rows.
      const size_t before = tape->rows.size();
      d.Triangle<true>(p.v[0], p.v[1], p.v[2], band, bands, &tape->rows);
      if (tape->rows.size() > before) tape->rowsOf.push_back((int)(tape->rows.size() - before));
      if (tape->rows.size() > kTapeMost)
      {
        // A tape this long would be held, with every other fill's, until the pass ends: let go, the draws
        // after it set the triangles up again.
        std::vector<Draw::TapedRow>().swap(tape->rows);
        tape->rowsOf.clear();
        tape = nullptr;
      }
    }
    else if (p.fan >= 0)
      d.Fan(mShaded->fans[(size_t)p.fan], mShaded->fanRows[(size_t)p.fan], mShaded->fanEdges.data(), band,
            bands);
    else if (mShaded->perSample)
      d.SampledTriangle(p.v[0], p.v[1], p.v[2], band, bands);
    else
      d.Triangle(p.v[0], p.v[1], p.v[2], band, bands);
  }
  if (tape)
  {
    tape->made = true, tape->left = s.replays;
    if (tape->left == 0) tape->LetGoIfLast();
  }
}
