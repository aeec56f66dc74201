// A multisampled stencil marked by sums along rows, as a GPU's span hardware marks one: where a draw's
// triangles pass every sample and each adds to its value (one up for a front face, one down for a back one,
// in a field of its low bits) or inverts it, their order does not matter, so the draw's net change at each
// sample is summed first. On a row of samples a triangle is a run between its left edge and its right one: a
// change of its sign where its left edge lets samples in (the same edge function and top-left rule as
// SampledTriangle's), and the opposite where its right edge shuts them out. An edge two triangles share, as
// the diagonals of a fan over an outline do, makes opposite changes at the same sample for both, so the
// draw's edges are merged first and only the outline's are left: a row of samples then takes a change where
// the outline crosses it, and each pixel of a row adds the running sum of the changes to its 16 samples at
// once. The cost follows the outline's crossings and the pixels between them once, however many triangles
// cover them. Samples exactly on a row through a vertex may fall otherwise than triangle by triangle (an edge
// holds the samples of the rows from its upper end down to before its lower one).
#include "platform/src/Metal/RasterDraw.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <span>
#include <utility>
#include <vector>

namespace qorv_raster
{
namespace
{
// What a face's passing operation does, as a sum: add (+1, -1, 0) in the field of writeMask's low bits, or
// invert writeMask's bits (parity of the count).
struct FaceSum
{
  bool known = false, inverts = false;
  int add = 0;
};

FaceSum SumOf(const MTLDepthStencilState::Face& face)
{
  FaceSum s;
  if (!face.enabled)
  {
    s.known = true; // no test: the face changes nothing
    return s;
  }
  const MTLStencilDescriptor& d = face.stencil;
  const uint32_t mask = d.writeMask & 0xff;
  // A test on bits the draw never writes passes or fails a sample the same all through it (failing, it
  // keeps the value): always, or equal or not to the reference on such bits.
  const bool fixedTest = d.stencilCompareFunction == MTLCompareFunctionAlways ||
                         ((d.stencilCompareFunction == MTLCompareFunctionEqual ||
                           d.stencilCompareFunction == MTLCompareFunctionNotEqual) &&
                          (d.readMask & mask) == 0 && d.stencilFailureOperation == MTLStencilOperationKeep);
  if (!fixedTest) return s;
  switch (d.depthStencilPassOperation)
  {
  case MTLStencilOperationKeep:
    s.known = true;
    break;
  case MTLStencilOperationIncrementWrap:
  case MTLStencilOperationDecrementWrap:
    // A sum wraps as the steps do only in a field of the lowest bits.
    s.known = (mask & (mask + 1)) == 0;
    s.add = d.depthStencilPassOperation == MTLStencilOperationIncrementWrap ? 1 : -1;
    break;
  case MTLStencilOperationInvert:
    s.known = s.inverts = true;
    break;
  default:
    break;
  }
  return s;
}

// The most ranges a row's sums are added over one by one (AddRowRanges).
constexpr size_t kMostRanges = 8;

// Per row of a block, the pixels each edge's changes fell in (the first kMostRanges edges'), and how many.
struct RowRanges
{
  Draw::SumRange at[kQorvBandRows][kMostRanges];
  size_t count[kQorvBandRows];
};

// A row's changes, kept per thread: a block's rows of (width + 1) pixels of 16 samples, all 0 between
// blocks; and the edges that reach a block.
struct RowSums
{
  std::vector<int8_t> change;
  std::vector<uint32_t> reaching;
  // Per row of the block, the pixels each edge's changes fell in, where every edge's are known so.
  RowRanges ranges;
  bool ranged[kQorvBandRows];
};

int64_t Upper(const Draw::SummedEdge& e)
{
  return std::min(e.ay, e.by);
}
int64_t Lower(const Draw::SummedEdge& e)
{
  return std::max(e.ay, e.by);
}

// The first and last rows whose samples (half a pixel from their centres) an edge may reach.
int64_t FirstRow(const Draw::SummedEdge& e)
{
  return (Upper(e) - 1) >> kSubBits;
}
int64_t LastRow(const Draw::SummedEdge& e)
{
  return Lower(e) >> kSubBits;
}

// floor(a / b) for b > 0 from an estimate by b's reciprocal, put right as FloorDiv puts its own.
int64_t FloorDivBy(int64_t a, int64_t b, double reciprocal)
{
  int64_t q = (int64_t)((double)a * reciprocal);
  while (q * b > a)
    --q;
  while ((q + 1) * b <= a)
    ++q;
  return q;
}

// The sample whose offset down its pixel is k - 8 sixteenths (each of the 16 sixteenths holds one sample),
// and 16 less its offset along the row.
struct SampleRows
{
  int sample[kQorvStencilSamples], beyond[kQorvStencilSamples];
  int least = 16, most = 16; // of beyond
};
constexpr SampleRows MakeSampleRows()
{
  SampleRows rows{};
  for (int s = 0; s < kQorvStencilSamples; ++s)
  {
    rows.sample[kQorvSamplePattern[s][1] + 8] = s;
    rows.beyond[kQorvSamplePattern[s][1] + 8] = 16 - kQorvSamplePattern[s][0];
    rows.least = std::min(rows.least, 16 - kQorvSamplePattern[s][0]);
    rows.most = std::max(rows.most, 16 - kQorvSamplePattern[s][0]);
  }
  return rows;
}
constexpr SampleRows kSampleRows = MakeSampleRows();

// The most rows of samples an edge reaches in a block that MarkBySampleRows marks.
constexpr int64_t kMostSampleRows = 32;

// A row's changes fell in pixels lo to hi: bounds that may take in a pixel of no change (AddRowSums leaves
// such a pixel as it is), and a range for AddRowRanges.
__attribute__((always_inline)) inline void NoteRowChanges(int rowAt, int64_t lo, int64_t hi, int64_t* first,
                                                          int64_t* lastChange,
                                                          RowRanges* ranges)
{
  first[rowAt] = std::min(first[rowAt], lo), lastChange[rowAt] = std::max(lastChange[rowAt], hi);
  const size_t at = ranges->count[rowAt]++;
  if (at < kMostRanges) ranges->at[rowAt][at] = Draw::SumRange{(int32_t)lo, (int32_t)hi};
}

// One downward edge's changes to the block's rows from to to, stepped down its rows of samples (one a
// sixteenth of a pixel, row j of them at 16 * j in fixed point, holding the sample of its pixel row whose
// offset down the pixel is j % 16 - 8): each row of samples' crossing in sixteenths of a pixel, from which
// the sample's first pixel beyond follows by a shift. What EdgeBound gives sample by sample: the edge
// function at a sample less its bias, over 256 dy, is that at its row of samples with no offset along the
// row, over 16 dy, less the sample's offset in sixteenths, over 16. A change beyond the row falls in its
// spare pixel (width), which SampledSpans clears. False, with nothing marked, where the edge is not short
// and downward.
bool MarkBySampleRows(const Draw::SummedEdge& e, int64_t x0, int64_t from, int64_t to, int64_t width,
                      int8_t* change, size_t rowBytes, int64_t* first, int64_t* lastChange,
                      RowRanges* ranges)
{
  constexpr int n = kQorvStencilSamples;
  const int64_t dx = e.bx - e.ax, dy = e.by - e.ay;
  // Rows of samples from the edge's upper end to before its lower one, in the block.
  const int64_t j0 = std::max((e.ay + 15) >> 4, from * 16),
                j1 = std::min(((e.by + 15) >> 4) - 1, to * 16 + 15);
  if (dy <= 0 || j1 - j0 >= kMostSampleRows) return false;
  const int64_t den = 16 * dy, step = 16 * dx;
  // The function less its bias (1: a downward edge keeps no sample on it) at row of samples j0.
  const int64_t at = dx * (16 * j0 - e.ay) - dy * (x0 * kOne + kOne / 2 - e.ax) - 1;
  int64_t q = FloorDiv(at, den), r = at - q * den;
  const int64_t stepQ = FloorDiv(step, den), stepR = step - stepQ * den;
  // Stepped with the carry taken first and given back where the remainder goes below 0, without a branch
  // (whether a row of samples carries follows no pattern a predictor learns).
  const int64_t carryQ = stepQ + 1, carryR = stepR - den;
  const int8_t add = (int8_t)e.add;
  for (int64_t j = j0; j <= j1;)
  {
    const int64_t py = j >> 4;
    const int rowAt = (int)(py - from), k1 = (int)(std::min(j1, py * 16 + 15) - py * 16);
    int8_t* row = change + (size_t)rowAt * rowBytes;
    int k = (int)(j & 15);
    j += k1 - k + 1;
    // The crossings move one way down the row: its changes lie between its first and last ones' pixels.
    int64_t lo = q, hi = q;
    // Unrolled, so that each row of samples' sample and offset are constants.
    [&]<int... K>(std::integer_sequence<int, K...>)
    {
      (void)((K < k || (row[(size_t)std::clamp<int64_t>((q + kSampleRows.beyond[K]) >> 4, 0, width) * n +
                            (size_t)kSampleRows.sample[K]] += add,
                        K != k1 && (r += carryR, q += carryQ + (r >> 63), r += den & (r >> 63), true))) &&
             ...);
    }
    (std::make_integer_sequence<int, n>{});
    lo = std::clamp<int64_t>((std::min(lo, q) + kSampleRows.least) >> 4, 0, width),
    hi = std::clamp<int64_t>((std::max(hi, q) + kSampleRows.most) >> 4, 0, width - 1);
    r += carryR, q += carryQ + (r >> 63), r += den & (r >> 63);
    if (lo > hi) continue;
    NoteRowChanges(rowAt, lo, hi, first, lastChange, ranges);
  }
  return true;
}

#if defined(__SSE2__)
// A row's running sums added to a pixel's 16 samples at once, as the sums say (kept here, where writes to
// the samples cannot reach them, so that a row's pixels do not read them again).
struct SumLanes
{
  __m128i mask, keep, one, testMask, testValue, all;
  bool inverts, tests, testEqual;
  explicit SumLanes(const Draw::Sums& sums)
      : mask(_mm_set1_epi8((char)sums.writeMask)), keep(_mm_set1_epi8((char)~sums.writeMask)),
        one(_mm_set1_epi8(1)), testMask(_mm_set1_epi8((char)sums.testMask)),
        testValue(_mm_set1_epi8((char)sums.testValue)), all(_mm_set1_epi8(-1)), inverts(sums.inverts),
        tests(sums.testMask != 0), testEqual(sums.testEqual)
  {
  }
  void Add(uint8_t* px, __m128i running) const
  {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(px));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(px), Out(v, running));
  }
  // Add over count pixels from px on, whose running sum does not change: a pixel that holds the bytes of the
  // one before it takes that one's result (inside a fill, most do), without the arithmetic.
  void AddRun(uint8_t* px, int64_t count, __m128i running) const
  {
    constexpr int n = kQorvStencilSamples;
    for (int64_t i = 0; i < count;)
    {
      const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(px + (size_t)i * n));
      const __m128i after = Out(before, running);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(px + (size_t)i * n), after);
      // Then four at a time while they hold those bytes.
      for (++i; i + 4 <= count && FourHold(px + (size_t)i * n, before); i += 4)
        for (int k = 0; k < 4; ++k)
          _mm_storeu_si128(reinterpret_cast<__m128i*>(px + (size_t)(i + k) * n), after);
    }
  }
  __m128i Out(__m128i v, __m128i running) const
  {
    __m128i out =
        inverts ? _mm_xor_si128(v, _mm_and_si128(_mm_cmpeq_epi8(_mm_and_si128(running, one), one), mask))
                : _mm_or_si128(_mm_and_si128(v, keep), _mm_and_si128(_mm_add_epi8(v, running), mask));
    if (tests)
    {
      // Samples that fail the test keep their value.
      __m128i passes = _mm_cmpeq_epi8(_mm_and_si128(v, testMask), testValue);
      if (!testEqual) passes = _mm_xor_si128(passes, all);
      out = _mm_or_si128(_mm_and_si128(passes, out), _mm_andnot_si128(passes, v));
    }
    return out;
  }
};

// A row's changes where its samples' first pixels beyond (xv, 16 lanes) lie far apart: each valid
// sample's own, in its pixel.
__attribute__((always_inline)) inline void MarkEachSample(const __m128i* xv, __m128i valid, int8_t* row,
                                                          int64_t width, int add)
{
  constexpr int n = kQorvStencilSamples;
  alignas(16) int32_t x[n];
  alignas(16) int8_t in[n];
  for (int k = 0; k < 4; ++k)
    _mm_store_si128(reinterpret_cast<__m128i*>(x + 4 * k), xv[k]);
  _mm_store_si128(reinterpret_cast<__m128i*>(in), valid);
  for (int s = 0; s < n; ++s)
    if (in[s] && x[s] < width) row[(size_t)x[s] * n + s] = (int8_t)(row[(size_t)x[s] * n + s] + add);
}

// The sample pattern for the lanes: each sample's offset from its pixel's centre down the rows in fixed
// point, and its offsets from sample 0's place in 16ths of a pixel.
struct LanePattern
{
  alignas(16) int16_t rows[kQorvStencilSamples];
  alignas(16) double dx[kQorvStencilSamples], dy[kQorvStencilSamples];
};
constexpr LanePattern MakeLanePattern()
{
  LanePattern p{};
  for (int s = 0; s < kQorvStencilSamples; ++s)
  {
    p.rows[s] = (int16_t)(kQorvSamplePattern[s][1] * (kOne / 16));
    p.dx[s] = kQorvSamplePattern[s][0] - kQorvSamplePattern[0][0];
    p.dy[s] = kQorvSamplePattern[s][1] - kQorvSamplePattern[0][1];
  }
  return p;
}
constexpr LanePattern kLanePattern = MakeLanePattern();

// One edge's changes to rows edgeFrom to edgeTo of the block whose first row is from, its samples' bounds
// stepped side by side in 32-bit lanes, as EdgeBound steps each: false, with nothing marked, where they might
// not fit. Sample s's bound differs from sample 0's by its own constant or one more, so a row's changes fall
// in a few pixels from sample 0's: each takes the samples that fall on it at once.
bool MarkInLanes(const Draw::SummedEdge& e, const Edge& f, int64_t edgeFrom, int64_t edgeTo, int64_t from,
                 int64_t width, int8_t* change, size_t rowBytes, int64_t* first, int64_t* lastChange,
                 RowRanges* ranges)
{
  constexpr int n = kQorvStencilSamples;
  constexpr int64_t kLimit = int64_t(1) << 30, kWindow = 6;
  const int64_t den = f.stepX > 0 ? f.stepX : -f.stepX;
  if (den >= kLimit) return false;
  const bool rising = f.stepX > 0; // bound -q: the first pixel beyond is 1 - q, else q + 1
  const int64_t stepQ = FloorDiv(f.stepY, den), stepR = f.stepY - stepQ * den;
  const int64_t reach = (std::abs(stepQ) + 1) * (edgeTo - edgeFrom + 1);
  if (reach >= kLimit) return false;
  // Each sample's quotient differs from sample 0's by less than 2^24.
  if (std::abs(f.stepY) >= den << 20) return false;
  const double reciprocal = 1.0 / (double)den;
  const int64_t at0 =
      f.rowStart + (f.stepX * kQorvSamplePattern[0][0] + f.stepY * kQorvSamplePattern[0][1]) / 16 - f.bias;
  const int64_t q0 = FloorDivBy(at0, den, reciprocal), r0 = at0 - q0 * den;
  if (std::abs(q0) + (int64_t(1) << 24) + reach >= kLimit) return false;
  // Sample s's function is sample 0's and a constant d, lo whole dens and rest: its quotient is q0 + lo, and
  // one more where r0 + rest reaches den, on every row (the two move by the same steps). d, lo * den and
  // rest are exact in double.
  alignas(16) int32_t lo[n], rest[n];
  {
    const __m128d byX = _mm_set1_pd((double)(f.stepX / 16)), byY = _mm_set1_pd((double)(f.stepY / 16)),
                  denD = _mm_set1_pd((double)den), inverse = _mm_set1_pd(reciprocal), one = _mm_set1_pd(1.0),
                  zero = _mm_setzero_pd();
    for (int s = 0; s < n; s += 2)
    {
      const __m128d d = _mm_add_pd(_mm_mul_pd(byX, _mm_load_pd(kLanePattern.dx + s)),
                                   _mm_mul_pd(byY, _mm_load_pd(kLanePattern.dy + s)));
      const __m128d t = _mm_mul_pd(d, inverse);
      __m128d whole = _mm_cvtepi32_pd(_mm_cvttpd_epi32(t));
      whole = _mm_sub_pd(whole, _mm_and_pd(_mm_cmpgt_pd(whole, t), one)); // floor of the estimate
      __m128d left = _mm_sub_pd(d, _mm_mul_pd(whole, denD));
      const __m128d under = _mm_cmplt_pd(left, zero);
      whole = _mm_sub_pd(whole, _mm_and_pd(under, one)), left = _mm_add_pd(left, _mm_and_pd(under, denD));
      const __m128d over = _mm_cmpge_pd(left, denD);
      whole = _mm_add_pd(whole, _mm_and_pd(over, one)), left = _mm_sub_pd(left, _mm_and_pd(over, denD));
      _mm_storel_epi64(reinterpret_cast<__m128i*>(lo + s), _mm_cvttpd_epi32(whole));
      _mm_storel_epi64(reinterpret_cast<__m128i*>(rest + s), _mm_cvttpd_epi32(left));
    }
  }
  int64_t wl = 0, wh = 0;
  for (int s = 0; s < n; ++s)
    wl = std::min<int64_t>(wl, rising ? -lo[s] - 1 : lo[s]),
    wh = std::max<int64_t>(wh, rising ? -lo[s] : lo[s] + 1);
  const __m128i denV = _mm_set1_epi32((int)den), denLess = _mm_set1_epi32((int)den - 1),
                stepQV = _mm_set1_epi32((int)stepQ), stepRV = _mm_set1_epi32((int)stepR),
                one = _mm_set1_epi32(1), addV = _mm_set1_epi8((char)e.add), all = _mm_set1_epi8(-1);
  __m128i qv[4], rv[4], xv[4];
  const __m128i q0V = _mm_set1_epi32((int)q0), r0V = _mm_set1_epi32((int)r0);
  for (int k = 0; k < 4; ++k)
  {
    const __m128i r = _mm_add_epi32(r0V, _mm_load_si128(reinterpret_cast<const __m128i*>(rest + 4 * k)));
    const __m128i carry = _mm_cmpgt_epi32(r, denLess);
    qv[k] = _mm_sub_epi32(_mm_add_epi32(q0V, _mm_load_si128(reinterpret_cast<const __m128i*>(lo + 4 * k))),
                          carry);
    rv[k] = _mm_sub_epi32(r, _mm_and_si128(carry, denV));
  }
  for (int64_t py = edgeFrom; py <= edgeTo; ++py)
  {
    if (py > edgeFrom)
      for (int k = 0; k < 4; ++k)
      {
        rv[k] = _mm_add_epi32(rv[k], stepRV);
        const __m128i carry = _mm_cmpgt_epi32(rv[k], denLess);
        rv[k] = _mm_sub_epi32(rv[k], _mm_and_si128(carry, denV));
        qv[k] = _mm_sub_epi32(_mm_add_epi32(qv[k], stepQV), carry);
      }
    // The samples on the edge's rows (from its upper end to before its lower one): all of them but on its
    // first and last rows.
    __m128i valid = all;
    if (py * kOne < e.ay || py * kOne + kOne / 2 + 7 * (kOne / 16) >= e.by)
    {
      // Sample s lies at offsets[s] from the row's centre line: within [ay, by) relative to it.
      const int64_t centre = py * kOne + kOne / 2;
      const __m128i lo = _mm_set1_epi16((int16_t)std::clamp<int64_t>(e.ay - centre - 1, -kOne, kOne)),
                    hi = _mm_set1_epi16((int16_t)std::clamp<int64_t>(e.by - centre, -kOne, kOne));
      const __m128i offsets0 = _mm_load_si128(reinterpret_cast<const __m128i*>(kLanePattern.rows)),
                    offsets1 = _mm_load_si128(reinterpret_cast<const __m128i*>(kLanePattern.rows + 8));
      valid = _mm_packs_epi16(_mm_and_si128(_mm_cmpgt_epi16(offsets0, lo), _mm_cmpgt_epi16(hi, offsets0)),
                              _mm_and_si128(_mm_cmpgt_epi16(offsets1, lo), _mm_cmpgt_epi16(hi, offsets1)));
      if (_mm_movemask_epi8(valid) == 0) continue;
    }
    // The first pixel beyond the edge, from 0 on.
    for (int k = 0; k < 4; ++k)
    {
      const __m128i x = rising ? _mm_sub_epi32(one, qv[k]) : _mm_add_epi32(qv[k], one);
      xv[k] = _mm_andnot_si128(_mm_srai_epi32(x, 31), x);
    }
    const int64_t x0 = rising ? 1 - (int64_t)_mm_cvtsi128_si32(qv[0]) : (int64_t)_mm_cvtsi128_si32(qv[0]) + 1;
    const int64_t pFrom = std::max<int64_t>(x0 + wl, 0),
                  pTo = std::min(std::max<int64_t>(x0 + wh, 0), width - 1);
    if (pFrom > pTo) continue;
    const int rowAt = (int)(py - from);
    int8_t* row = change + (size_t)rowAt * rowBytes;
    if (pTo - pFrom < kWindow)
      for (int64_t p = pFrom; p <= pTo; ++p)
      {
        const __m128i pv = _mm_set1_epi32((int)p);
        const __m128i on =
            _mm_packs_epi16(_mm_packs_epi32(_mm_cmpeq_epi32(xv[0], pv), _mm_cmpeq_epi32(xv[1], pv)),
                            _mm_packs_epi32(_mm_cmpeq_epi32(xv[2], pv), _mm_cmpeq_epi32(xv[3], pv)));
        __m128i* c = reinterpret_cast<__m128i*>(row + (size_t)p * n);
        _mm_storeu_si128(c, _mm_add_epi8(_mm_loadu_si128(c), _mm_and_si128(_mm_and_si128(on, valid), addV)));
      }
    else
    {
      MarkEachSample(xv, valid, row, width, e.add);
    }
    NoteRowChanges(rowAt, pFrom, pTo, first, lastChange, ranges);
  }
  return true;
}

// Each sample's row of samples within its pixel (its offset down the pixel + 8), a lane each.
struct LaneRows
{
  alignas(16) int8_t k[kQorvStencilSamples];
  alignas(16) int32_t beyond[kQorvStencilSamples];
};
constexpr LaneRows MakeLaneRows()
{
  LaneRows rows{};
  for (int s = 0; s < kQorvStencilSamples; ++s)
    rows.k[s] = (int8_t)(kQorvSamplePattern[s][1] + 8), rows.beyond[s] = 16 - kQorvSamplePattern[s][0];
  return rows;
}
constexpr LaneRows kLaneRows = MakeLaneRows();

// Lane i of four vectors of four.
template <int i> int32_t LaneOf(const __m128i* v)
{
  return _mm_cvtsi128_si32(_mm_shuffle_epi32(v[i / 4], i % 4));
}

// MarkInLanes for a downward edge, its lanes set up from its rows of samples as MarkBySampleRows steps
// them (each sample's crossing of its row of samples in sixteenths of a pixel, from which its first pixel
// beyond is a shift), a row of pixels (16 rows of samples) at a time: the pixels a row's changes fall in lie
// between those of its first and last rows of samples, whose crossings bound the others'. Kept out of line:
// inlined, it costs the short edges' steps in SampledSpans more than the call.
[[gnu::noinline]] bool MarkLanesBySampleRows(const Draw::SummedEdge& e, int64_t x0, int64_t from, int64_t to,
                                             int64_t width, int8_t* change, size_t rowBytes, int64_t* first,
                                             int64_t* lastChange, RowRanges* ranges)
{
  constexpr int n = kQorvStencilSamples;
  constexpr int64_t kLimit = int64_t(1) << 30, kWindow = 6;
  const int64_t dx = e.bx - e.ax, dy = e.by - e.ay;
  // The edge's rows of samples, and the block's rows of pixels that hold some.
  const int64_t jA = (e.ay + 15) >> 4, jB = ((e.by + 15) >> 4) - 1;
  const int64_t rowFrom = std::max(from, jA >> 4), rowTo = std::min(to, jB >> 4);
  const int64_t den = 16 * dy;
  if (dy <= 0 || den >= kLimit) return false;
  if (rowFrom > rowTo) return true;
  const int64_t stepQ = FloorDiv(256 * dx, den), stepR = 256 * dx - stepQ * den;
  const int64_t oneQ = FloorDiv(16 * dx, den), oneR = 16 * dx - oneQ * den;
  const int64_t at = dx * (256 * rowFrom - e.ay) - dy * (x0 * kOne + kOne / 2 - e.ax) - 1;
  int64_t q = FloorDiv(at, den), r = at - q * den;
  // The lanes hold each sample's crossing in 32 bits.
  if (std::abs(q) + (std::abs(stepQ) + 1) * (rowTo - rowFrom + 2) + 64 >= kLimit) return false;
  alignas(16) int32_t lq[n], lr[n];
  for (int k = 0; k < n; ++k)
  {
    lq[kSampleRows.sample[k]] = (int32_t)q, lr[kSampleRows.sample[k]] = (int32_t)r;
    r += oneR - den, q += oneQ + 1 + (r >> 63), r += den & (r >> 63); // as MarkBySampleRows carries
  }
  const __m128i denV = _mm_set1_epi32((int)den), denLess = _mm_set1_epi32((int)den - 1),
                stepQV = _mm_set1_epi32((int)stepQ), stepRV = _mm_set1_epi32((int)stepR),
                addV = _mm_set1_epi8((char)e.add), all = _mm_set1_epi8(-1),
                ks = _mm_load_si128(reinterpret_cast<const __m128i*>(kLaneRows.k));
  __m128i qv[4], rv[4], beyond[4];
  for (int k = 0; k < 4; ++k)
  {
    qv[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(lq + 4 * k));
    rv[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(lr + 4 * k));
    beyond[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(kLaneRows.beyond + 4 * k));
  }
  for (int64_t py = rowFrom; py <= rowTo; ++py)
  {
    if (py > rowFrom && (stepQ != 0 || stepR != 0)) // an upright edge's crossings stay
      for (int k = 0; k < 4; ++k)
      {
        rv[k] = _mm_add_epi32(rv[k], stepRV);
        const __m128i carry = _mm_cmpgt_epi32(rv[k], denLess);
        rv[k] = _mm_sub_epi32(rv[k], _mm_and_si128(carry, denV));
        qv[k] = _mm_sub_epi32(_mm_add_epi32(qv[k], stepQV), carry);
      }
    // The samples on the edge's rows of samples: all of them but on its first and last rows.
    __m128i valid = all;
    if (py * 16 < jA || py * 16 + 15 > jB)
      valid = _mm_and_si128(
          _mm_cmpgt_epi8(ks, _mm_set1_epi8((char)std::clamp<int64_t>(jA - py * 16 - 1, -1, 16))),
          _mm_cmpgt_epi8(_mm_set1_epi8((char)std::clamp<int64_t>(jB - py * 16 + 1, -1, 16)), ks));
    const int64_t qa = LaneOf<kSampleRows.sample[0]>(qv), qb = LaneOf<kSampleRows.sample[n - 1]>(qv);
    const int64_t pFrom = std::clamp<int64_t>((std::min(qa, qb) + kSampleRows.least) >> 4, 0, width),
                  pTo = std::clamp<int64_t>((std::max(qa, qb) + kSampleRows.most) >> 4, 0, width - 1);
    if (pFrom > pTo) continue;
    const int rowAt = (int)(py - from);
    int8_t* row = change + (size_t)rowAt * rowBytes;
    __m128i xv[4];
    for (int k = 0; k < 4; ++k)
    {
      const __m128i x = _mm_srai_epi32(_mm_add_epi32(qv[k], beyond[k]), 4);
      xv[k] = _mm_andnot_si128(_mm_srai_epi32(x, 31), x);
    }
    if (pTo - pFrom < kWindow)
    {
      // Each sample's pixel from pFrom on, in bytes (those beyond the window saturate past it).
      const __m128i base = _mm_set1_epi32((int)pFrom);
      const __m128i at8 =
          _mm_packs_epi16(_mm_packs_epi32(_mm_sub_epi32(xv[0], base), _mm_sub_epi32(xv[1], base)),
                          _mm_packs_epi32(_mm_sub_epi32(xv[2], base), _mm_sub_epi32(xv[3], base)));
      const __m128i adds = _mm_and_si128(valid, addV);
      for (int64_t p = 0; p <= pTo - pFrom; ++p)
      {
        __m128i* c = reinterpret_cast<__m128i*>(row + (size_t)(pFrom + p) * n);
        const __m128i on = _mm_cmpeq_epi8(at8, _mm_set1_epi8((char)p));
        _mm_storeu_si128(c, _mm_add_epi8(_mm_loadu_si128(c), _mm_and_si128(on, adds)));
      }
    }
    else
    {
      MarkEachSample(xv, valid, row, width, e.add);
    }
    NoteRowChanges(rowAt, pFrom, pTo, first, lastChange, ranges);
  }
  return true;
}
#endif
} // namespace

Draw::Sums Draw::SampledSums() const
{
  Sums sums;
  if (!options.sampledSpans || !stencil || !state->bindings->depthStencil ||
      stencilSamples != kQorvStencilSamples)
    return sums;
  const auto& f = state->bindings->depthStencil->front();
  const auto& b = state->bindings->depthStencil->back();
  const FaceSum front = SumOf(f), back = SumOf(b);
  if (!front.known || !back.known) return sums;
  // Additions and inversions do not commute: one kind or the other, under one mask.
  if ((front.inverts && back.add != 0) || (back.inverts && front.add != 0)) return sums;
  const bool frontActs = front.inverts || front.add != 0, backActs = back.inverts || back.add != 0;
  // Summed, a sample's changes from both faces meet: one mask and one test.
  if (frontActs && backActs &&
      ((f.stencil.writeMask & 0xff) != (b.stencil.writeMask & 0xff) ||
       f.stencil.stencilCompareFunction != b.stencil.stencilCompareFunction ||
       (f.stencil.readMask & 0xff) != (b.stencil.readMask & 0xff)))
    return sums;
  const MTLStencilDescriptor& acting = frontActs ? f.stencil : b.stencil;
  sums.writeMask = (uint8_t)(acting.writeMask & 0xff);
  // A test of no bits: equal passes every sample, not equal none (left to the triangles).
  if (acting.stencilCompareFunction == MTLCompareFunctionNotEqual && (acting.readMask & 0xff) == 0)
    return Sums{};
  if (acting.stencilCompareFunction != MTLCompareFunctionAlways)
  {
    sums.testMask = (uint8_t)(acting.readMask & 0xff);
    sums.testValue = (uint8_t)(state->stencilReference & acting.readMask & 0xff);
    sums.testEqual = acting.stencilCompareFunction == MTLCompareFunctionEqual;
  }
  sums.inverts = front.inverts || back.inverts;
  sums.add[1] = front.inverts ? 1 : front.add;
  sums.add[0] = back.inverts ? 1 : back.add;
  sums.summed = true;
  return sums;
}

int Draw::SumTriangle(const Vertex* v0, const Vertex* v1, const Vertex* v2, const Sums& sums,
                      SummedEdge edges[3]) const
{
  TurnedTriangle t;
  if (!TurnTriangle(v0, v1, v2, sums, t)) return 0;
  int n = 0;
  for (int k = 0; k < 3; ++k)
    n += EdgeOf(t, k, edges[n]) ? 1 : 0;
  return n;
}

void Draw::MergeSummedEdges(std::vector<SummedEdge>& edges)
{
  // An edge taken the other way has the same crossings (its function the opposite, its top-left rule the
  // other), so it keeps its change; keyed by its ends in one order, the changes sum over the key, and an edge
  // two triangles share the other way round, with opposite changes, goes. The keys are found in a table by
  // their hash, each edge kept at its key's first place (the order does not matter to the sums).
  if (edges.empty()) return;
  thread_local std::vector<int32_t> kept;
  std::vector<int32_t>& table = QorvThreadVariable(kept);
  int bits = 4;
  while ((size_t(1) << bits) < 2 * edges.size())
    ++bits;
  const size_t mask = (size_t(1) << bits) - 1;
  table.assign(mask + 1, -1);
  size_t count = 0;
  for (size_t i = 0; i < edges.size(); ++i)
  {
    SummedEdge e = edges[i];
    if (e.ay > e.by) std::swap(e.ax, e.bx), std::swap(e.ay, e.by);
    const uint64_t key = (uint64_t)e.ax * 0x9E3779B97F4A7C15ull ^ (uint64_t)e.ay * 0xC2B2AE3D27D4EB4Full ^
                         (uint64_t)e.bx * 0x165667B19E3779F9ull ^ (uint64_t)e.by * 0xD6E8FEB86659FD93ull;
    size_t at = (size_t)(key >> (64 - bits));
    for (;; at = (at + 1) & mask)
    {
      if (table[at] < 0)
      {
        table[at] = (int32_t)count;
        edges[count++] = e;
        break;
      }
      SummedEdge& f = edges[(size_t)table[at]];
      if (f.ax == e.ax && f.ay == e.ay && f.bx == e.bx && f.by == e.by)
      {
        f.add += e.add;
        break;
      }
    }
  }
  edges.resize(count);
  std::erase_if(edges, [](const SummedEdge& e) { return e.add == 0; });
}

void Draw::SampledSpans(const std::vector<SummedEdge>& edges, const Sums& sums, int band, int bands) const
{
  constexpr int n = kQorvStencilSamples;
  thread_local RowSums kept;
  RowSums& rowSums = QorvThreadVariable(kept);
  const int64_t width = clipX1 - clipX0;
  if (width <= 0 || clipY1 <= clipY0 || edges.empty()) return;
  int64_t top = clipY1, bottom = clipY0 - 1;
  for (const SummedEdge& e : edges)
    top = std::min(top, FirstRow(e)), bottom = std::max(bottom, LastRow(e));
  top = std::max<int64_t>(top, clipY0), bottom = std::min<int64_t>(bottom, clipY1 - 1);
  std::vector<int8_t>& change = rowSums.change;
  const size_t rowBytes = (size_t)(width + 1) * n;
  // Left all 0 by AddRowSums.
  if (change.size() != rowBytes * kQorvBandRows) change.assign(rowBytes * kQorvBandRows, 0);
  std::vector<uint32_t>& reaching = rowSums.reaching;
  for (int64_t block = top / kQorvBandRows; block * kQorvBandRows <= bottom; ++block)
  {
    if (bands > 1 && block % bands != band) continue;
    const int64_t from = std::max(top, block * kQorvBandRows),
                  to = std::min(bottom, (block + 1) * kQorvBandRows - 1);
    reaching.clear();
    for (size_t i = 0; i < edges.size(); ++i)
      if (Upper(edges[i]) < (to + 1) * kOne && Lower(edges[i]) > from * kOne) reaching.push_back((uint32_t)i);
    int64_t first[kQorvBandRows], lastChange[kQorvBandRows];
    bool* ranged = rowSums.ranged;
    for (int r = 0; r <= (int)(to - from); ++r)
      first[r] = width, lastChange[r] = -1, rowSums.ranges.count[r] = 0, ranged[r] = simd && options.sumRanges;
    for (uint32_t i : reaching)
    {
      const SummedEdge& e = edges[i];
      if (options.sampleRowEdges && MarkBySampleRows(e, clipX0, from, to, width, change.data(), rowBytes,
                                                     first, lastChange, &rowSums.ranges))
        continue;
#if defined(__SSE2__)
      if (simd && options.sampleRowEdges &&
          MarkLanesBySampleRows(e, clipX0, from, to, width, change.data(), rowBytes, first, lastChange,
                                &rowSums.ranges))
        continue;
#endif
      // The edge's function from its upper end to its lower one, at the centre of pixel (clipX0, from): it
      // falls along a row, samples on its left where it reaches its bias. Each sample's last pixel on its
      // left, stepped from row to row without a division.
      // Only the block's rows whose samples the edge may reach are visited.
      const int64_t edgeFrom = std::max(from, FirstRow(e)), edgeTo = std::min(to, LastRow(e));
      const Edge f(e.ax, e.ay, e.bx, e.by, clipX0, edgeFrom);
#if defined(__SSE2__)
      if (simd && MarkInLanes(e, f, edgeFrom, edgeTo, from, width, change.data(), rowBytes, first, lastChange,
                              &rowSums.ranges))
        continue;
#endif
      for (int64_t py = edgeFrom; py <= edgeTo; ++py)
        ranged[py - from] = false;
      EdgeBound last[n];
      for (int s = 0; s < n; ++s)
      {
        const int64_t at =
            f.rowStart + (f.stepX * kQorvSamplePattern[s][0] + f.stepY * kQorvSamplePattern[s][1]) / 16;
        if (s == 0)
          last[s].Start(at, f.bias, f.stepX, f.stepY);
        else
          last[s].StartLike(last[0], at, f.bias, f.stepX);
      }
      for (int64_t py = edgeFrom; py <= edgeTo; ++py)
      {
        const int r = (int)(py - from);
        for (int s = 0; s < n; ++s)
        {
          const int64_t y = py * kOne + kOne / 2 + kQorvSamplePattern[s][1] * (kOne / 16);
          if (py > edgeFrom) last[s].Next();
          if (y < e.ay || y >= e.by) continue; // the edge holds rows from its upper end to before its lower
          // The first pixel whose sample lies beyond the edge: the change takes effect from there.
          const int64_t x = last[s].Bound() + 1;
          if (x >= width) continue;
          const int64_t at0 = std::max<int64_t>(x, 0);
          int8_t& c = change[(size_t)r * rowBytes + (size_t)at0 * n + s];
          c = (int8_t)(c + e.add);
          first[r] = std::min(first[r], at0), lastChange[r] = std::max(lastChange[r], at0);
        }
      }
    }
    for (int64_t py = from; py <= to; ++py)
    {
      const int r = (int)(py - from);
      if (lastChange[r] < first[r]) continue;
#if defined(__SSE2__)
      // Many crossings on a row lie close together: reading all its changes costs less than ordering them.
      if (ranged[r] && rowSums.ranges.count[r] <= kMostRanges)
      {
        AddRowRanges(py, rowSums.ranges.at[r], rowSums.ranges.count[r], width, change.data() + (size_t)r * rowBytes,
                     sums);
        continue;
      }
#endif
      AddRowSums(py, first[r], lastChange[r], width, change.data() + (size_t)r * rowBytes, sums);
    }
    if (options.sampleRowEdges)
      for (int64_t py = from; py <= to; ++py)
        std::fill_n(change.data() + (size_t)(py - from) * rowBytes + (size_t)width * n, n, 0);
  }
}
void Draw::AddRowSums(int64_t py, int64_t first, int64_t last, int64_t width, int8_t* change,
                      const Sums& sums) const
{
  constexpr int n = kQorvStencilSamples;
  uint8_t* px = &stencilPixels[StencilAt((int)py, (int)(clipX0 + first))];
  int8_t* c = change + (size_t)first * n;
  const uint8_t writeMask = sums.writeMask;
#if defined(__SSE2__)
  if (simd)
  {
    const SumLanes lanes(sums);
    const __m128i zero = _mm_setzero_si128();
    __m128i running = zero;
    int64_t x = first;
    for (; x < width && x <= last; ++x, px += n, c += n)
    {
      running = _mm_add_epi8(running, _mm_loadu_si128(reinterpret_cast<const __m128i*>(c)));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(c), zero);
      lanes.Add(px, running);
    }
    // Past the last change the sum holds: nothing more changes on this row where it is 0.
    if (x < width && _mm_movemask_epi8(_mm_cmpeq_epi8(running, zero)) != 0xffff)
      lanes.AddRun(px, width - x, running), x = width;
    TouchSampleRow(py, clipX0 + first, clipX0 + x);
    return;
  }
#endif
  int8_t running[n] = {};
  int64_t x = first;
  for (; x < width; ++x, px += n, c += n)
  {
    bool any = false;
    for (int s = 0; s < n; ++s)
    {
      if (x <= last) running[s] = (int8_t)(running[s] + c[s]), c[s] = 0;
      any = any || running[s] != 0;
    }
    if (x > last && !any) break;
    for (int s = 0; s < n; ++s)
    {
      if (sums.testMask && ((px[s] & sums.testMask) == sums.testValue) != sums.testEqual) continue;
      px[s] = sums.inverts ? (uint8_t)(px[s] ^ ((running[s] & 1) ? writeMask : 0))
                           : (uint8_t)((px[s] & ~writeMask) | ((px[s] + running[s]) & writeMask));
    }
  }
  TouchSampleRow(py, clipX0 + first, clipX0 + x);
}

#if defined(__SSE2__)
void Draw::AddRowRanges(int64_t py, SumRange* ranges, size_t count, int64_t width, int8_t* change,
                        const Sums& sums) const
{
  constexpr int n = kQorvStencilSamples;
  // A few, by insertion.
  for (size_t i = 1; i < count; ++i)
    for (size_t j = i; j > 0 && ranges[j].first < ranges[j - 1].first; --j)
      std::swap(ranges[j], ranges[j - 1]);
  uint8_t* row = &stencilPixels[StencilAt((int)py, (int)clipX0)];
  const SumLanes lanes(sums);
  const __m128i zero = _mm_setzero_si128();
  __m128i running = zero;
  bool none = true; // running is 0 in every lane
  const int64_t start = ranges[0].first;
  int64_t x = start;
  for (const SumRange& range : std::span(ranges, count))
  {
    if (range.last < x) continue; // taken with an earlier range
    const int64_t from = std::max<int64_t>(range.first, x);
    if (!none && x < from) lanes.AddRun(row + (size_t)x * n, from - x, running);
    for (x = from; x <= range.last; ++x)
    {
      __m128i* c = reinterpret_cast<__m128i*>(change + (size_t)x * n);
      running = _mm_add_epi8(running, _mm_loadu_si128(c));
      _mm_storeu_si128(c, zero);
      lanes.Add(row + (size_t)x * n, running);
    }
    none = _mm_movemask_epi8(_mm_cmpeq_epi8(running, zero)) == 0xffff;
  }
  if (!none && x < width) lanes.AddRun(row + (size_t)x * n, width - x, running), x = width;
  TouchSampleRow(py, clipX0 + start, clipX0 + x);
}
#endif
} // namespace qorv_raster
