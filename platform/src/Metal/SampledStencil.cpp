// A multisampled stencil: each pixel holds several samples side by side, at fixed places about its centre.
// A pipeline of as many samples that writes no colour marks each sample where a primitive covers it (the
// primitive is drawn once a sample, moved by the sample's offset, so that the pixel-centre rasteriser and
// its top-left rule decide each sample); a pipeline of one sample tests and marks all of a pixel's samples
// and weighs its colour by the share that passed, as resolving a multisampled target of that colour would.
// A pixel whose samples all agree is drawn as over a stencil of one sample.
#include "platform/src/Metal/RasterDraw.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qorv_raster
{
void Draw::SampledTriangle(const Vertex* v0, const Vertex* v1, const Vertex* v2, int band, int bands) const
{
  if (!v0->valid || !v1->valid || !v2->valid) return;
  const Vertex* v[3] = {v0, v1, v2};
  int64_t X[3], Y[3];
  for (int i = 0; i < 3; ++i)
    X[i] = v[i]->fx, Y[i] = v[i]->fy;
  int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (Y[1] - Y[0]) * (X[2] - X[0]);
  if (area == 0) return;
  const bool front = (state->frontFacingWinding == MTLWindingClockwise) == (area > 0);
  if ((state->cullMode == MTLCullModeBack && !front) || (state->cullMode == MTLCullModeFront && front))
    return;
  if (area < 0) std::swap(X[1], X[2]), std::swap(Y[1], Y[2]);
  const StencilTable* table = faceTables[front];
  if (!table) return;
  // Samples reach half a pixel from their pixel's centre: the candidates are the pixels whose centres lie
  // within half a pixel of the triangle's bounds.
  const int64_t minX = std::min({X[0], X[1], X[2]}), maxX = std::max({X[0], X[1], X[2]});
  const int64_t minY = std::min({Y[0], Y[1], Y[2]}), maxY = std::max({Y[0], Y[1], Y[2]});
  const int64_t px0 = std::max<int64_t>(clipX0, CeilDiv(minX - kOne, kOne)),
                px1 = std::min<int64_t>(clipX1 - 1, FloorDiv(maxX, kOne));
  const int64_t py0 = std::max<int64_t>(clipY0, CeilDiv(minY - kOne, kOne)),
                py1 = std::min<int64_t>(clipY1 - 1, FloorDiv(maxY, kOne));
  if (px0 > px1 || py0 > py1) return;
  // Each edge's function at the centre of pixel (px0, py0) and its steps; a sample is inside where all three
  // reach their bias (the top-left rule, as at centres). A sample s is inside edge k where the function at
  // its pixel's centre reaches bias[k] less the sample's change from the centre: those thresholds sorted, the
  // samples inside an edge are a prefix of its order, their mask looked up by how many thresholds it reaches.
  int64_t rowStart[3], stepX[3], stepY[3], reach[3];
  int64_t least[3][kQorvStencilSamples];       // sorted thresholds
  uint32_t prefix[3][kQorvStencilSamples + 1]; // mask of the first j samples in that order
  const int n = stencilSamples;
  for (int k = 0; k < 3; ++k)
  {
    const int a = (k + 1) % 3, b = (k + 2) % 3;
    const Edge e(X[a], Y[a], X[b], Y[b], px0, py0);
    rowStart[k] = e.rowStart, stepX[k] = e.stepX, stepY[k] = e.stepY;
    // Sorted by insertion: 16 values, most of them in order already for a given edge direction.
    int order[kQorvStencilSamples];
    for (int s = 0; s < n; ++s)
    {
      const int64_t t =
          e.bias - (e.stepX * kQorvSamplePattern[s][0] + e.stepY * kQorvSamplePattern[s][1]) / 16;
      int j = s;
      for (; j > 0 && least[k][j - 1] > t; --j)
        least[k][j] = least[k][j - 1], order[j] = order[j - 1];
      least[k][j] = t, order[j] = s;
    }
    prefix[k][0] = 0;
    for (int s = 0; s < n; ++s)
      prefix[k][s + 1] = prefix[k][s] | 1u << order[s];
    reach[k] = least[k][n - 1]; // every sample inside from here on
  }
  const uint32_t all = n == 32 ? ~0u : (1u << n) - 1;
  for (int64_t py = py0; py <= py1; ++py)
  {
    int64_t e[3];
    for (int k = 0; k < 3; ++k)
      e[k] = rowStart[k] + (py - py0) * stepY[k];
    if (bands > 1 && (py / kQorvBandRows) % bands != band) continue;
    // The pixels some sample of which may be inside: each edge's function reaches its least threshold.
    int64_t lo = 0, hi = px1 - px0;
    for (int k = 0; k < 3; ++k)
    {
      const int64_t need = least[k][0] - e[k];
      if (stepX[k] > 0)
        lo = std::max(lo, CeilDiv(need, stepX[k]));
      else if (stepX[k] < 0)
        hi = std::min(hi, FloorDiv(-need, -stepX[k]));
      else if (need > 0)
        hi = -1;
    }
    TouchSampleRow(py, px0 + lo, px0 + hi + 1);
    uint8_t* row = &stencilPixels[StencilAt((int)py, (int)px0)];
    for (int64_t x = lo; x <= hi; ++x)
    {
      uint8_t* px = row + (size_t)x * (size_t)n;
      const int64_t f[3] = {e[0] + x * stepX[0], e[1] + x * stepX[1], e[2] + x * stepX[2]};
      if (f[0] >= reach[0] && f[1] >= reach[1] && f[2] >= reach[2])
      {
        if (n == kQorvStencilSamples && AllAlike(px))
          std::memset(px, table->next[px[0]], (size_t)n);
        else
          for (int s = 0; s < n; ++s)
            px[s] = table->next[px[s]];
        continue;
      }
      uint32_t mask = all;
      for (int k = 0; k < 3 && mask; ++k)
      {
        if (f[k] >= reach[k]) continue;
        // How many thresholds the function reaches, by halving (n is a power of two).
        int j = 0;
        for (int step = n / 2; step > 0; step /= 2)
          if (f[k] >= least[k][j + step - 1]) j += step;
        mask &= prefix[k][j];
      }
      for (; mask; mask &= mask - 1)
      {
        const int s = __builtin_ctz(mask);
        px[s] = table->next[px[s]];
      }
    }
  }
}

void Draw::TestSamples(uint8_t* srow, int m, const unsigned char* keep, const StencilTable& table,
                       unsigned char* write) const
{
  const int n = stencilSamples;
  for (int t = 0; t < m; ++t, srow += n)
  {
    write[t] = 0;
    if (!keep[t]) continue;
    if (n == kQorvStencilSamples && AllAlike(srow))
    {
      // Most pixels lie wholly inside or outside: their samples alike, tested once, and written where that
      // changes them.
      const uint8_t s = srow[0];
      write[t] = table.pass[s] ? (unsigned char)n : 0;
      if (table.next[s] != s) std::memset(srow, table.next[s], (size_t)n);
      continue;
    }
    int passed = 0;
    for (int k = 0; k < n; ++k)
    {
      const uint8_t s = srow[k];
      passed += table.pass[s] ? 1 : 0;
      srow[k] = table.next[s];
    }
    write[t] = (unsigned char)passed;
  }
}

#if defined(__SSE2__)
inline bool Draw::TestTwoValues(uint8_t* px, const StencilTable& table, int& passed)
{
  constexpr int n = kQorvStencilSamples;
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(px));
  const uint8_t a = px[0];
  const __m128i isA = _mm_cmpeq_epi8(v, _mm_set1_epi8((char)a));
  const unsigned maskA = (unsigned)_mm_movemask_epi8(isA);
  if (maskA == 0xffff)
  {
    passed = table.pass[a] ? n : 0;
    if (table.next[a] != a)
      _mm_storeu_si128(reinterpret_cast<__m128i*>(px), _mm_set1_epi8((char)table.next[a]));
    return true;
  }
  const uint8_t b = px[__builtin_ctz(~maskA)];
  if (((unsigned)_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8((char)b))) | maskA) != 0xffff)
    return false;
  // The samples that hold a (their flags of 1 summed in halves), and the rest, which hold b.
  const __m128i sums = _mm_sad_epu8(_mm_and_si128(isA, _mm_set1_epi8(1)), _mm_setzero_si128());
  const int as = _mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4);
  passed = (table.pass[a] ? as : 0) + (table.pass[b] ? n - as : 0);
  const __m128i marked = _mm_or_si128(_mm_and_si128(isA, _mm_set1_epi8((char)table.next[a])),
                                      _mm_andnot_si128(isA, _mm_set1_epi8((char)table.next[b])));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(px), marked);
  return true;
}

inline void Draw::TestSamplesTwoValues(uint8_t* srow, int m, const StencilTable& table,
                                       unsigned char* write) const
{
  constexpr int n = kQorvStencilSamples;
  for (int t = 0; t < m; ++t, srow += n)
  {
    int passed = 0;
    if (!TestTwoValues(srow, table, passed))
      for (int k = 0; k < n; ++k)
      {
        const uint8_t s = srow[k];
        passed += table.pass[s] ? 1 : 0;
        srow[k] = table.next[s];
      }
    write[t] = (unsigned char)passed;
  }
}

int Draw::TestSamplesOneColour(uint8_t* srow, int m, const StencilTable& table, unsigned char* write,
                               Partial* partial) const
{
  constexpr int n = kQorvStencilSamples;
  // A run's pixels mostly hold the value of the one before them at every sample (inside a fill, its
  // winding): that value's test and mark are looked up once, and its pixels taken four at a time. Where the
  // mark keeps the value, storing it writes the bytes that are there.
  uint8_t s = srow[0];
  __m128i value = _mm_set1_epi8((char)s), next = _mm_set1_epi8((char)table.next[s]);
  uint32_t flags = table.pass[s] ? 0x01010101u : 0;
  int partials = 0;
  auto at = [srow](int t) { return reinterpret_cast<__m128i*>(srow + (size_t)t * n); };
  for (int t = 0; t < m;)
  {
    for (; t + 4 <= m; t += 4)
    {
      if (!FourHold(srow + (size_t)t * n, value)) break;
      std::memcpy(write + t, &flags, 4);
      for (int i = 0; i < 4; ++i)
        _mm_storeu_si128(at(t + i), next);
    }
    // Pixels one at a time up to the next four that may all hold the value.
    for (const int end = std::min(m, t + 4); t < end; ++t)
    {
      uint8_t* px = srow + (size_t)t * n;
      const __m128i v = _mm_loadu_si128(at(t));
      if (_mm_movemask_epi8(_mm_cmpeq_epi8(v, value)) != 0xffff)
      {
        const __m128i alike = _mm_set1_epi8((char)px[0]);
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(v, alike)) != 0xffff)
        {
          int passed = 0;
          for (int k = 0; k < n; ++k)
          {
            passed += table.pass[px[k]] ? 1 : 0;
            px[k] = table.next[px[k]];
          }
          write[t] = passed == n;
          if (passed > 0 && passed < n) partial[partials++] = {t, passed};
          continue;
        }
        s = px[0], value = alike, next = _mm_set1_epi8((char)table.next[s]);
        flags = table.pass[s] ? 0x01010101u : 0;
      }
      write[t] = (unsigned char)flags;
      _mm_storeu_si128(at(t), next);
    }
  }
  return partials;
}
#endif

void Draw::WeighBySamples(int m, unsigned char* write, float (*colourOut)[4], bool& oneColour,
                          float* weights) const
{
  const int n = stencilSamples;
  bool some = false;
  for (int t = 0; t < m; ++t)
  {
    some = some || (write[t] > 0 && write[t] < n);
    weights[t] = 1.0f;
  }
  if (!some)
  {
    // Flags of 1, which blends of one colour take four at a time.
    for (int t = 0; t < m; ++t)
      write[t] = write[t] != 0;
    return;
  }
  if (oneColour)
  {
    for (int t = 1; t < m; ++t)
      std::copy(colourOut[0], colourOut[0] + 4, colourOut[t]);
    oneColour = false;
  }
  for (int t = 0; t < m; ++t)
  {
    if (write[t] == 0 || write[t] == n)
    {
      write[t] = write[t] != 0;
      continue;
    }
    const float share = (float)write[t] / (float)n;
    write[t] = 1;
    // Premultiplied source-over is linear in the source: a share of it is a share of its change.
    if (sourceOver)
      for (float& c : colourOut[t])
        c *= share;
    else
      weights[t] = share;
  }
}

void Draw::RunReadingCoverage(const Span& sp, int from, int to) const
{
  const int m = to - from;
  unsigned char keep[kChunk], passed[kChunk];
  // The stencil test first, as with early fragment tests: each fragment's passed samples.
#if defined(__SSE2__)
  const bool twoValues = sp.table && options.coverageSpans && simd && stencilSamples == kQorvStencilSamples;
  if (twoValues) TestSamplesTwoValues(&stencilPixels[StencilAt(sp.y, sp.x0 + from)], m, *sp.table, passed);
#else
  constexpr bool twoValues = false;
#endif
  if (twoValues)
    ; // tested
  else if (sp.table && SamplesAtOnce())
  {
    std::memset(keep, 1, (size_t)m);
    TestSamples(&stencilPixels[StencilAt(sp.y, sp.x0 + from)], m, keep, *sp.table, passed);
  }
  else if (sp.table)
  {
    uint8_t* srow = &stencilPixels[StencilAt(sp.y, sp.x0 + from)];
    for (int t = 0; t < m; ++t)
      passed[t] = sp.table->pass[srow[t]] ? 1 : 0, srow[t] = sp.table->next[srow[t]];
  }
  else
    std::memset(passed, 1, (size_t)m);
  bool any = false;
  for (int t = 0; t < m && !any; ++t)
    any = passed[t] != 0;
  const bool writeColour = colour && blend->writeMask != MTLColorWriteMaskNone;
  if (!any || !writeColour) return;
  QorvFragmentSpanIn in;
  SpanIn(sp, from, m, in);
  float vary[kQorvMaxVaryings][kChunk], alone[kQorvMaxVaryings];
  if (m == 1)
  {
    // StepVaryings' values for one fragment (its loop's first, which its thin rows' form gives too), in one
    // loop over every slot: past the draw's varyings, start and step are 0.
    for (int k = 0; k < kQorvMaxVaryings; ++k)
      alone[k] = in.start[k] + 0.0f * in.step[k], in.varyings[k] = &alone[k];
  }
  else
    StepVaryings(in, m, vary);
  in.samplesPassed = passed;
  in.samples = sp.table ? stencilSamples : 1;
  in.coverageShortcuts = options.coverageSpans;
  in.drawConstants = hasConstants ? drawConstants : nullptr;
  float colourOut[kChunk][4];
  fragmentCode->fragmentSpan(in, colourOut, keep);
  unsigned char* crow = &colourPixels[((size_t)sp.y * colourWidth + sp.x0 + from) * colourBytes];
  const bool rgba8 = colourFormat == MTLPixelFormatRGBA8Unorm,
             bgra8 = colourFormat == MTLPixelFormatBGRA8Unorm;
  if (m == 1 && sourceOver && (rgba8 || bgra8))
  {
    // QorvSourceOverRow's one pixel, without its flags.
    if (keep[0] && passed[0])
      rgba8 ? QorvSourceOver<false>(crow, colourOut[0], simd)
            : QorvSourceOver<true>(crow, colourOut[0], simd);
    return;
  }
  unsigned char write[kChunk];
  for (int t = 0; t < m; ++t)
    write[t] = keep[t] && passed[t];
  if (sourceOver && (rgba8 || bgra8))
    rgba8 ? QorvSourceOverRow<false>(crow, colourOut, write, m, simd)
          : QorvSourceOverRow<true>(crow, colourOut, write, m, simd);
  else
    for (int t = 0; t < m; ++t)
      if (write[t]) Blend(crow + (size_t)t * colourBytes, colourOut[t]);
}
} // namespace qorv_raster
