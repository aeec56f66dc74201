// Internals of the software GPU's rasteriser shared by its sources: shaded vertices, edge stepping and one
// draw's state with the stages it runs per triangle, span and fragment.
#pragma once

#include "platform/src/Metal/Gpu.h"
#include "platform/src/Metal/SourceOver.h"

#include <QorvPlatform/MetalShaders.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace qorv_raster
{
constexpr int kSubBits = 8;
constexpr int64_t kOne = int64_t(1) << kSubBits;
// Window coordinates are clamped to this many pixels so that edge products stay inside 64 bits.
constexpr double kCoordLimit = double(1 << 20);

struct Vertex
{
  int64_t fx = 0, fy = 0; // window x and y in fixed point
  float z = 0;
  bool valid = false;
  float varyings[kQorvMaxVaryings];
};

// b > 0. A double estimate put right, as integer division costs more than a row of pixels on thin
// triangles.
inline int64_t FloorDiv(int64_t a, int64_t b)
{
  int64_t q = (int64_t)((double)a / (double)b);
  while (q * b > a)
    --q;
  while ((q + 1) * b <= a)
    ++q;
  return q;
}
inline int64_t CeilDiv(int64_t a, int64_t b)
{
  return -FloorDiv(-a, b);
}

// llround(v * kOne) without the library call; |v| is at most kCoordLimit, where the fraction is exact.
inline int64_t RoundToFixed(double v)
{
  double f = v * kOne;
  int64_t i = (int64_t)f;
  double rest = f - (double)i;
  return rest >= 0.5 ? i + 1 : rest <= -0.5 ? i - 1 : i;
}

// The bound that one edge puts on the pixels of a row, counted from the first candidate: for an edge function
// e rising along the row (step s > 0) the first pixel where it reaches its bias, ceil((bias - e) / s); for a
// falling one the last, floor((e - bias) / -s). Both are floor(n / |s|) of n = e - bias, negated for a rising
// edge; n is kept as quotient and remainder, so that the next row follows from e's row step without a
// division and stays exact.
struct EdgeBound
{
  int64_t q = 0, r = 0, den = 1, stepQ = 0, stepR = 0, sign = 1;

  void Start(int64_t e, int64_t bias, int64_t s, int64_t rowStep)
  {
    if (s == 0) return;
    den = s > 0 ? s : -s;
    sign = s > 0 ? -1 : 1;
    q = FloorDiv(e - bias, den);
    r = e - bias - q * den;
    // An upright edge's bound does not move from row to row.
    stepQ = rowStep == 0 ? 0 : FloorDiv(rowStep, den);
    stepR = rowStep - stepQ * den;
  }
  // As Start(e, bias, s, rowStep) with the s and rowStep that `like` was started with: one division.
  void StartLike(const EdgeBound& like, int64_t e, int64_t bias, int64_t s)
  {
    *this = like;
    if (s == 0) return;
    q = FloorDiv(e - bias, den);
    r = e - bias - q * den;
  }
  void Next()
  {
    q += stepQ;
    r += stepR;
    if (r >= den) r -= den, ++q;
  }
  // Moves on by rows rows (rows >= 0), with one division.
  void Skip(int64_t rows)
  {
    q += stepQ * rows;
    r += stepR * rows;
    const int64_t carry = r / den;
    q += carry;
    r -= carry * den;
  }
  int64_t Bound() const { return sign * q; }
};

// An edge from (xa, ya) to (xb, yb) as an edge function over pixel centres, from the centre of pixel (px0,
// py0) on: the pixels inside are where it reaches its bias, which keeps top and left edges (the top-left
// rule).
struct Edge
{
  int64_t bias, stepX, stepY, rowStart;

  Edge(int64_t xa, int64_t ya, int64_t xb, int64_t yb, int64_t px0, int64_t py0)
  {
    const int64_t dx = xb - xa, dy = yb - ya;
    bias = dy < 0 || (dy == 0 && dx > 0) ? 0 : 1;
    stepX = -dy * kOne;
    stepY = dx * kOne;
    rowStart = dx * (py0 * kOne + kOne / 2 - ya) - dy * (px0 * kOne + kOne / 2 - xa);
  }
};

// The first row from py on that belongs to a band (blocks of kQorvBandRows rows, block b belonging to band
// b % bands), and the end of its block.
inline int64_t BandRow(int64_t py, int band, int bands, int64_t& blockEnd)
{
  int64_t block = py / kQorvBandRows;
  const int64_t skip = ((band - block % bands) % bands + bands) % bands;
  block += skip;
  blockEnd = (block + 1) * kQorvBandRows;
  return skip > 0 ? block * kQorvBandRows : py;
}

// Whether rows first to last hold a row of the band.
inline bool BandHasRows(int64_t first, int64_t last, int band, int bands)
{
  const int64_t b0 = first / kQorvBandRows, b1 = last / kQorvBandRows;
  return b1 - b0 + 1 >= bands || ((band - b0 % bands) % bands + bands) % bands <= b1 - b0;
}

// The unit of a float's last significant bit, as a power of two; false for 0 and non-finite values.
inline bool LowestBit(float f, int& exponent)
{
  if (f == 0.0f || !std::isfinite(f)) return false;
  int e = 0;
  const double m = std::frexp((double)f, &e); // |m| in [0.5, 1): 24 bits as an integer
  auto bits = (uint32_t)std::fabs(std::ldexp(m, 24));
  exponent = e - 24 + __builtin_ctz(bits);
  return true;
}

// Whether start + i * step and i * step, for i in [0, n), are exact in float: both are whole multiples of
// the smaller of their last bits' units, and every value stays within float's 24 bits of that unit.
inline bool SteppedExactly(float start, float step, int n)
{
  int unit = 0, stepUnit = 0;
  if (!LowestBit(step, stepUnit)) return step == 0.0f && std::isfinite(start);
  unit = stepUnit;
  int startUnit = 0;
  if (LowestBit(start, startUnit))
    unit = std::min(unit, startUnit);
  else if (!std::isfinite(start))
    return false;
  const double last = (double)start + (double)(n - 1) * (double)step;
  const double most =
      std::max({std::fabs((double)start), std::fabs(last), std::fabs((double)(n - 1) * step)});
  return most < std::ldexp(1.0, 24 + unit);
}

// How many bits a product with v needs: those of its integer significand from the top to the lowest one set
// (0 for 0).
inline int SignificantBits(double v)
{
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  uint64_t m = bits & ((uint64_t(1) << 52) - 1);
  if ((bits >> 52 & 0x7FF) != 0) m |= uint64_t(1) << 52;
  return m == 0 ? 0 : 64 - __builtin_clzll(m) - __builtin_ctzll(m);
}

inline int SignificantBits(int64_t v)
{
  const uint64_t m = v < 0 ? -(uint64_t)v : (uint64_t)v;
  return m == 0 ? 0 : 64 - __builtin_clzll(m);
}

// Whether a varying with terms a and b, c + (d0 * a + d1 * b) * inv of edge functions d0 and d1, is the same
// double at every pixel of a set whose edge functions differ by whole multiples of s0 and s1 (the rows of a
// rectangle, or the chunks of a row): so when both products are exact and s0 * a + s1 * b is exactly 0, as
// the sum then does not change. An integer of k bits times a double of j significant bits is exact when k +
// j <= 53; bits0 and bits1 are the most bits of each edge function over the set and of its step.
inline bool VaryingStays(double a, double b, int bits0, int bits1, int64_t s0, int64_t s1)
{
  // The sum first: it rules out most varyings that move (and every one that is not finite) before the bits
  // are counted.
  if (!((double)s0 * a + (double)s1 * b == 0.0)) return false;
  const int ja = SignificantBits(a), jb = SignificantBits(b);
  return std::isfinite(a) && std::isfinite(b) && (ja == 0 || bits0 + ja <= 53) &&
         (jb == 0 || bits1 + jb <= 53);
}

// A run of a triangle list's triangles (p0, p1, p2), (p0, p2, p3), ... that fans out from one vertex over a
// convex polygon, or two triangles of a strip over a convex quad, drawn as that polygon (see ConvexFan.cpp).
struct ConvexFan
{
  size_t firstTriangle = 0;               // in the list, or in the strip
  const Vertex* const* polygon = nullptr; // the fan (p0, p[i], p[i + 1]) of the list, or the strip's quad
  size_t corners = 0;
  bool clockwise = false;          // the triangles' turn in window coordinates (y down)
  const Vertex* reference[3] = {}; // the largest triangle, in the order the rasteriser draws it
  int64_t area = 0;                // twice the reference's area in fixed point, as the rasteriser measures it
  int64_t minX = 0, maxX = 0, minY = 0, maxY = 0; // bounds in fixed point
  size_t Triangles() const { return corners - 2; }
};

// Makes a fan of the polygon when its triangles can be drawn as one polygon: all turn the same way over a
// convex polygon that winds once, and the varyings are affine over it, up to the vertices' rounding to fixed
// point.
// The fan keeps the pointer to the n corners. options: the draw's; with quadCorners a quad's corner off the
// reference triangle is checked alone (off, every polygon takes the general checks; the fans are the same).
bool MakeConvexFan(const Vertex* const* polygon, size_t n, int varyings, ConvexFan& fan,
                   const QorvGpuOptions& options);

// A fan's edge over the candidate pixels of its polygon, and the rows whose centres lie within its height.
struct FanEdge
{
  Edge edge;
  int64_t first, last;
};

// A fan made ready for drawing once, before bands share it: its candidate pixels and its edges in a draw's
// list, rising ones (stepX > 0, bounding a row on the left) first, then falling ones, then level ones. The
// rising and the falling edges each form a chain down the rows, listed in that order, so that a row finds its
// edges by moving on along each chain.
struct FanRows
{
  int64_t px0 = 0, px1 = -1, py0 = 0, py1 = -1;
  size_t firstEdge = 0, rising = 0, falling = 0, level = 0;
};

struct Draw
{
  MTLTexture* colour;
  MTLTexture* stencil;
  const QorvDrawState* state;
  const MTLVertexDescriptor* vd;
  const QorvShaderCode* vertexCode;
  const QorvShaderCode* fragmentCode;
  const MTLRenderPipelineColorAttachmentDescriptor* blend;
  QorvGpuOptions options;
  bool simd; // QorvSimdOn(options)
  // The fragment code without its span forms, when span shading is off.
  QorvShaderCode fragmentAlone;
  int varyings;
  // What a coverage function's draw form gave for this draw (coverageSpans), when it has one.
  bool hasConstants = false;
  alignas(16) unsigned char drawConstants[kQorvDrawConstants];
  QorvShaderBuffer vertexBuffers[QorvDrawState::kSlots];
  QorvShaderBuffer fragmentBuffers[QorvDrawState::kSlots];
  const MTLTexture* textures[QorvDrawState::kSlots];
  const MTLSamplerState* samplers[QorvDrawState::kSlots];
  int clipX0, clipY0, clipX1, clipY1;
  bool sourceOver; // premultiplied source-over on every channel
  bool replaces;   // the source replaces the target on every channel (no blending, or one and zero)
  uint8_t* stencilPixels = nullptr;
  size_t stencilWidth = 0;
  unsigned char* colourPixels = nullptr;
  size_t colourWidth = 0, colourBytes = 0;
  MTLPixelFormat colourFormat = MTLPixelFormatInvalid;

  // Pass and next value of every stencil value for one face, so that a fragment's test is two lookups.
  struct StencilTable
  {
    bool pass[256];
    uint8_t next[256];
    // Every value keeps itself; every value goes to resetsTo (else -1).
    bool keepsAll;
    int resetsTo;
  };
  // Back, front; built when first asked for, which QorvRasterDraw does before bands read them.
  mutable StencilTable stencilTables[2];
  mutable bool tableBuilt[2] = {false, false};
  mutable uint64_t tableKeys[2] = {~0ull, ~0ull}; // what each table was built from

  const StencilTable* TableFor(bool front) const;
  // A multisampled stencil (SampledStencil.cpp): samples a pixel holds, side by side.
  int stencilSamples = 1;
  // Its rows' touched pixels, where known (null otherwise): a draw skips what holds their value at every
  // sample where that neither passes nor changes, and keeps them.
  MTLTexture::SampleRows* sampleRows = nullptr;
  // Row y's touched pixels take in x0 .. x1 - 1.
  void TouchSampleRow(int64_t y, int64_t x0, int64_t x1) const
  {
    if (!sampleRows || x1 <= x0) return;
    int32_t &lo = sampleRows->lo[(size_t)y], &hi = sampleRows->hi[(size_t)y];
    if (hi <= lo)
      lo = (int32_t)x0, hi = (int32_t)x1;
    else
      lo = std::min(lo, (int32_t)x0), hi = std::max(hi, (int32_t)x1);
  }
  // Where a pixel's stencil values start.
  size_t StencilAt(int y, int x) const
  {
    return ((size_t)y * stencilWidth + (size_t)x) * (size_t)stencilSamples;
  }
  // Whether fragments meet the samples of a multisampled stencil.
  bool SamplesAtOnce() const { return stencilSamples > 1; }
  // A triangle that marks each sample of a multisampled stencil it covers, without colour.
  void SampledTriangle(const Vertex* v0, const Vertex* v1, const Vertex* v2, int band, int bands) const;
  // A draw whose triangles mark a multisampled stencil by sums (SampledSpans.cpp): both faces pass every
  // sample and add to a field of low bits (add[face]: +1, -1 or 0) or invert writeMask's bits (add 1, its
  // parity taken).
  struct Sums
  {
    bool summed = false, inverts = false;
    uint8_t writeMask = 0;
    int add[2] = {0, 0}; // back, front
    // A sample passes where its bits testMask equal testValue (or, testEqual false, do not); every sample
    // where testMask is 0.
    uint8_t testMask = 0, testValue = 0;
    bool testEqual = true;
  };
  Sums SampledSums() const;
  // An edge of a draw marked by sums, from (ax, ay) to (bx, by) in fixed point, and the change it makes to
  // the samples of a row from where it crosses it on.
  struct SummedEdge
  {
    int64_t ax, ay, bx, by;
    int add;
  };
  // A triangle's edges that cross rows, each from its top end, put in edges and counted (none for a culled
  // triangle, one of no area or of a face that changes nothing).
  int SumTriangle(const Vertex* v0, const Vertex* v1, const Vertex* v2, const Sums& sums,
                  SummedEdge edges[3]) const;
  // A triangle's corners turned so that its area is positive (second and third swapped where it was not),
  // and the change its face makes, as SumTriangle takes them; false where it changes nothing.
  struct TurnedTriangle
  {
    int64_t x[3], y[3];
    int add;
    bool swapped;
  };
  bool TurnTriangle(const Vertex* v0, const Vertex* v1, const Vertex* v2, const Sums& sums,
                    TurnedTriangle& t) const;
  // The change a triangle makes by the sign of its area (0: negative, 1: positive), its facing and the
  // culling taken: 0 where it changes nothing. Asked once for a draw's many triangles.
  void AddsByArea(const Sums& sums, int adds[2]) const;
  static bool TurnTriangle(const Vertex* v0, const Vertex* v1, const Vertex* v2, const int adds[2],
                           TurnedTriangle& t);
  // Its edge k from its top end, as SumTriangle gives it (0: between its second and third corners, 1: the
  // third and first, 2: the first and second, as turned); false where it is level.
  static bool EdgeOf(const TurnedTriangle& t, int k, SummedEdge& e);
  // Each edge once, its changes summed, those that sum to nothing left out.
  static void MergeSummedEdges(std::vector<SummedEdge>& edges);
  // The draw's net change at each sample of this band's rows, added row by row.
  void SampledSpans(const std::vector<SummedEdge>& edges, const Sums& sums, int band, int bands) const;
  // Adds the running sum of a row's changes (16 a pixel, at pixels first to last from clipX0, left 0) to its
  // samples, up to the end of the row (width pixels) while it is not 0.
  void AddRowSums(int64_t py, int64_t first, int64_t last, int64_t width, int8_t* change,
                  const Sums& sums) const;
  // Pixels first to last of a row that an edge's changes fell in.
  struct SumRange
  {
    int32_t first, last;
  };
  // AddRowSums over a row whose changes all fall in a few ranges (sorted here): they are read there alone,
  // and stretches between them where the running sum is 0 are passed over (SIMD builds).
  void AddRowRanges(int64_t py, SumRange* ranges, size_t count, int64_t width, int8_t* change,
                    const Sums& sums) const;
  // Tests and marks each sample of fragments [0, m) at srow (kept ones only): write[t] says how many
  // passed.
  void TestSamples(uint8_t* srow, int m, const unsigned char* keep, const StencilTable& table,
                   unsigned char* write) const;
  // TestSamples over 16 samples a pixel in the SIMD arithmetic, every fragment kept (coverageSpans): a
  // pixel whose samples hold two values (one an edge crosses) is tested and marked a value at a time.
  void TestSamplesTwoValues(uint8_t* srow, int m, const StencilTable& table, unsigned char* write) const;
#if defined(__SSE2__)
  // A pixel of 16 samples at px that hold one value or two: tested and marked a value at a time, how many
  // passed into passed. False, with nothing done, where they hold more.
  static bool TestTwoValues(uint8_t* px, const StencilTable& table, int& passed);
#endif
  // A pixel of a run of one colour only some of whose samples passed: where, and how many did.
  struct Partial
  {
    int at, passed;
  };
  // TestSamples and WeighBySamples at once for fragments [0, m) of one colour, every one kept, in the SIMD
  // arithmetic over 16 samples: write[t] is 1 where all passed, 0 where none or only some did; those are
  // listed in partial, to be blended by their share. Returns how many they are.
  int TestSamplesOneColour(uint8_t* srow, int m, const StencilTable& table, unsigned char* write,
                           Partial* partial) const;
  // Whether a pixel's samples would change or pass.
  bool SamplesLive(const uint8_t* s, const StencilTable& table) const;
  // Weighs the colour of fragments [0, m) that passed by the share of their samples that did (write[t],
  // then 1 where any did); colourOut[0] serves all when oneColour, which it leaves unset where they differ.
  void WeighBySamples(int m, unsigned char* write, float (*colourOut)[4], bool& oneColour,
                      float* weights) const;
  // What TableFor and TexelRects answer, asked once a draw, as fans ask for every fan.
  const StencilTable* faceTables[2] = {nullptr, nullptr};
  bool texelRects = false;
  // Set with them for the triangles' set-up: the face a triangle of negative (0) or positive (1) area in
  // window coordinates shows, -1 where it is culled; whether each face's rows are marked (MarksRows); and
  // whether a triangle's spans share its shading's terms.
  int8_t faceOfArea[2] = {-1, -1};
  bool marksFace[2] = {false, false};
  bool sharesTerms = false;
  // Whether OneFragment takes a span of one fragment under a stencil test (thinRows; a span function that
  // does not read its coverage, blended source-over into 8-bit colour), asked once a draw.
  bool oneFragments = false;

  // Writes one shaded fragment that passed the stencil test into the colour attachment; weight (below 1
  // where only some of a multisampled stencil's samples passed) moves the target that share of the way.
  void Blend(unsigned char* p, const float colourOut[4], float weight = 1.0f) const;

  // Fragments i in [from, to) of a row span (at most kChunk of them) that may change something: shaded in
  // one call, then tested and written in order.
  static constexpr int kChunk = 128;
  // Texels taken one for one go over a row in pieces of this many fragments, where every chunk of the piece
  // would get the same inputs as it does.
  static constexpr int kPiece = 1024;
  struct RowTerms;
  struct Span
  {
    int y, x0;
    int64_t e0, e1, s0, s1; // edge functions 0 and 1 at the span's first pixel and their steps
    double inv;
    const Vertex *a, *b, *c;
    bool front;
    const StencilTable* table;
    // The triangle's, kept for all its spans (thinRows): null where each span works them out.
    RowTerms* terms = nullptr;
  };

  // count spans one under the other from first on, each of n pixels from the same x: row r's edge functions
  // are first's moved on by r row steps.
  struct SpanRun
  {
    Span first;
    int count = 0, n = 0;
    int64_t e0Step = 0, e1Step = 0;
    Span RowAt(int r) const
    {
      Span sp = first;
      sp.y += r;
      sp.e0 += r * e0Step;
      sp.e1 += r * e1Step;
      return sp;
    }
    // The same rows' columns from .. from + width - 1.
    SpanRun Columns(int from, int width) const
    {
      SpanRun run = *this;
      run.first.x0 += from;
      run.first.e0 += from * first.s0;
      run.first.e1 += from * first.s1;
      run.n = width;
      return run;
    }
  };

  // A span's varyings over its triangle as terms of its edge functions, set up once for many starts.
  struct VaryingTerms
  {
    double a[kQorvMaxVaryings], b[kQorvMaxVaryings], c[kQorvMaxVaryings], inv = 0;
    bool flat[kQorvMaxVaryings];
    int count = 0;
    // The varyings that are not flat, the only ones whose starts differ from span to span, and their terms
    // side by side; simd: whether the SIMD arithmetic is on (the same operations two at a time).
    int moving[kQorvMaxVaryings];
    int movingCount = 0;
    double ma[kQorvMaxVaryings], mb[kQorvMaxVaryings], mc[kQorvMaxVaryings];
    bool simd = false;

    VaryingTerms() = default;
    VaryingTerms(const Span& sp, int varyings, bool simdOn) : inv(sp.inv), count(varyings), simd(simdOn)
    {
      int k = 0;
#if defined(__SSE2__)
      // Two varyings at a time in the SIMD arithmetic: widening and subtracting are exact, so the terms are
      // the same doubles.
      for (; simd && k + 2 <= varyings; k += 2)
      {
        auto wide = [k](const Vertex* v)
        {
          return _mm_cvtps_pd(
              _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(v->varyings + k))));
        };
        const __m128d va = wide(sp.a), vb = wide(sp.b), vc = wide(sp.c);
        const int same = _mm_movemask_pd(_mm_and_pd(_mm_cmpeq_pd(va, vc), _mm_cmpeq_pd(vb, vc)));
        flat[k] = (same & 1) != 0, flat[k + 1] = (same & 2) != 0;
        _mm_storeu_pd(a + k, _mm_sub_pd(va, vc));
        _mm_storeu_pd(b + k, _mm_sub_pd(vb, vc));
        _mm_storeu_pd(c + k, vc);
      }
#endif
      for (; k < varyings; ++k)
      {
        const double va = sp.a->varyings[k], vb = sp.b->varyings[k], vc = sp.c->varyings[k];
        flat[k] = va == vc && vb == vc;
        a[k] = va - vc, b[k] = vb - vc, c[k] = vc;
      }
      for (k = 0; k < varyings; ++k)
      {
        if (flat[k]) continue;
        ma[movingCount] = a[k], mb[movingCount] = b[k], mc[movingCount] = c[k];
        moving[movingCount++] = k;
      }
    }
    // The starts where edge functions 0 and 1 are e0 and e1.
    void Starts(int64_t e0, int64_t e1, float* start) const
    {
      const double d0 = (double)e0, d1 = (double)e1;
      for (int k = 0; k < count; ++k)
        start[k] = flat[k] ? (float)c[k] : (float)(c[k] + (d0 * a[k] + d1 * b[k]) * inv);
    }
    // The steps along a row where edge functions 0 and 1 step by s0 and s1: 0 for a flat varying.
    void Steps(int64_t s0, int64_t s1, float* step) const
    {
      const double d0 = (double)s0, d1 = (double)s1;
      for (int k = 0; k < count; ++k)
        step[k] = flat[k] ? 0.0f : (float)((d0 * a[k] + d1 * b[k]) * inv);
    }
  };

  // A triangle's varyings' terms and their steps along its rows, which every span of it shares: made by its
  // first span that asks, with SpanIn's arithmetic.
  struct RowTerms
  {
    bool made = false;
    int count = 0;
    double inv = 0;
    double a[kQorvMaxVaryings], b[kQorvMaxVaryings], c[kQorvMaxVaryings];
    bool flat[kQorvMaxVaryings];
    float step[kQorvMaxVaryings]; // 0 past the varyings, as a span's input starts
    void Make(const Span& sp, int varyings)
    {
      const double s0 = (double)sp.s0, s1 = (double)sp.s1;
      count = varyings, inv = sp.inv;
      std::fill(step, step + kQorvMaxVaryings, 0.0f);
      for (int k = 0; k < varyings; ++k)
      {
        const double va = sp.a->varyings[k], vb = sp.b->varyings[k], vc = sp.c->varyings[k];
        flat[k] = va == vc && vb == vc;
        a[k] = va - vc, b[k] = vb - vc, c[k] = vc;
        if (!flat[k]) step[k] = (float)((s0 * a[k] + s1 * b[k]) * inv);
      }
      made = true;
    }
    // The starts where edge functions 0 and 1 are e0 and e1.
    void Starts(int64_t e0, int64_t e1, float* start) const
    {
      const double d0 = (double)e0, d1 = (double)e1;
      for (int k = 0; k < count; ++k)
        start[k] = flat[k] ? (float)c[k] : (float)(c[k] + (d0 * a[k] + d1 * b[k]) * inv);
    }
  };

  // The shader's input for fragments from .. from + count - 1 of a span, without the varyings' arrays.
  void SpanIn(const Span& sp, int from, int count, QorvFragmentSpanIn& in) const;
  // The input's place and bindings, without its varyings.
  void SpanPlace(const Span& sp, int from, int count, QorvFragmentSpanIn& in) const
  {
    in.x = sp.x0 + from, in.y = sp.y, in.count = count, in.frontFacing = sp.front;
    in.buffers = fragmentBuffers, in.textures = textures, in.samplers = samplers;
  }
  // ready: the input SpanIn gives for these fragments, when made already; askColour and askTexels: whether
  // the shader's answer may still give one colour and texture samples.
  // alike: every pixel holds one value at every sample.
  void Run(const Span& sp, int from, int to, const QorvFragmentSpanIn* ready = nullptr, bool askColour = true,
           bool askTexels = true, bool alike = false) const;
  // Run for one fragment of a span under a stencil test, shaded by a span function and blended source-over
  // into 8-bit colour (thinRows): the same steps without the loops' set-up. False, with nothing done, for
  // another draw.
  bool OneFragment(const Span& sp, int at) const;
  // Fills vary[k] with the m values of each varying from in's starts and steps, and points in at them.
  void StepVaryings(QorvFragmentSpanIn& in, int m, float (*vary)[kChunk]) const;
  // Run for a fragment function that reads its coverage after the stencil test (QorvShaderCode
  // readsCoverage): the test first, then the function given each fragment's passed samples.
  void RunReadingCoverage(const Span& sp, int from, int to) const;
  // Fragments from .. from + m - 1 of a span shaded one at a time, by the fragment function alone, from
  // their varyings (vary[k][t]).
  void ShadeEach(const Span& sp, int from, int m, const float (*vary)[kChunk], float (*colourOut)[4],
                 unsigned char* keep) const;
  // A row without a stencil test whose fragments the shader gives one colour, blended in one pass; false
  // when it is not such a row. in is the row's input: made here unless its count is n already; answer, when
  // not null, what the shader said of it.
  bool OneColourRow(const Span& sp, int n, QorvFragmentSpanIn& in,
                    const QorvSpanAnswer* answer = nullptr) const;

  // Whether TexelRun may take a span's texels.
  bool TexelRuns(const Span& sp) const;
  // Fragments from .. to - 1 (at most kPiece) of a span without a stencil test that the shader gives as
  // texture samples (its answer for them) falling on texel centres: the texels are blended as stored, which
  // gives the bytes the filter would (an opaque texel becomes the pixel). False, with nothing written, when
  // that does not hold.
  bool TexelRun(const Span& sp, int from, int to, const QorvSpanAnswer& samples) const;

  // Whether TexelRect may be asked for this draw's rectangles.
  bool TexelRects() const;
  // What the shader says of a run's rows (at most kPiece pixels each) asked at once: any, whether some row's
  // texels may be taken (straight, as the shader gives them), and per row its varyings' starts, whether it
  // is covered whole (whole 1) or not at all (2), whether its texels fall on centres and, when they lie side
  // by side in the texture, the first of them.
  struct RectAnswer
  {
    QorvFragmentSpanIn in; // the first row's
    VaryingTerms terms;    // of the rows' triangle
    bool any = false, straight = false;
    std::vector<std::array<float, kQorvMaxVaryings>> starts;
    std::vector<unsigned char> whole, centred;
    std::vector<const unsigned char*> texels;
    std::vector<QorvTexelRowsBetween> between; // rows whose samples fall between two texture rows
  };
  void AskRect(const SpanRun& run, RectAnswer& answer) const;

  // Rows of a rectangle without a stencil test: the shader is asked for all of them at once, and rows whose
  // texels it gives one for one, side by side in the texture, with coverage 1 or 0 throughout, are blended
  // (or copied, or left) as TexelRun would do it; the others are drawn by Row.
  void TexelRect(const SpanRun& run) const;

  // Whether the chunks of fragments from .. from + count - 1 get the inputs they would in one: each varying
  // steps exactly in float from start (the input of fragment from on), and each chunk starts where those
  // steps reach.
  // terms are the span's.
  bool ChunksStepAlike(const VaryingTerms& terms, const Span& sp, int from, int count, const float* start,
                       const float* step) const
  {
    return StepsExactly(start, step, count) && ChunkStartsAlike(terms, sp, from, count, start, step);
  }
  // Its two halves: each varying steps exactly, and each chunk starts where the steps reach (given the
  // first).
  bool StepsExactly(const float* start, const float* step, int count) const;
  bool ChunkStartsAlike(const VaryingTerms& terms, const Span& sp, int from, int count, const float* start,
                        const float* step) const;
  bool ChunksStepAlike(const Span& sp, int from, const QorvFragmentSpanIn& in) const
  {
    return ChunksStepAlike(VaryingTerms(sp, varyings, simd), sp, from, in.count, in.start, in.step);
  }

  // Pixels x0 .. x0 + n - 1 of row y; fragments that fail the stencil test and would leave it as it is
  // cannot change anything, so they are skipped before shading.
  void Row(const Span& sp, int n) const;
  // Row's pixels from .. to - 1 under a stencil test.
  void StencilRow(const Span& sp, int from, int to) const;
  // Tests and marks the stencil at the pixels from .. to - 1 of a span whose fragments nothing shades or
  // discards: what Run does for them.
  void MarkRow(const Span& sp, int from, int to) const;
  // Whether Row marks a triangle's spans with MarkRow (a draw without a fragment function under a stencil
  // test, thinRows).
  bool MarksRows(const Span& sp) const
  {
    return sp.table && !fragmentCode && options.thinRows &&
           (!options.stencilSkipping || options.stencilOnlyRows);
  }
  // Row for such a span, its steps in line: a thin triangle's rows are a pixel or two.
  inline void MarkSpan(const Span& sp, int n) const;

  // A row a triangle gave, for a later draw of it to replay (spanReplays).
  struct TapedRow
  {
    Span sp;
    int n;
  };
  // Taped rows replayed by a draw that marks the rows of both faces (MarksRows), as MarkSpan marks them.
  void MarkTapedRows(const std::vector<TapedRow>& rows) const;
  // kTaped: its rows go to tape as they are drawn (apart, so that a triangle not taped pays nothing).
  template <bool kTaped = false>
  void Triangle(const Vertex* v0, const Vertex* v1, const Vertex* v2, int band, int bands,
                std::vector<TapedRow>* tape = nullptr) const;
  // A fan's candidate pixels and edges, appended to edges; false when it covers no candidate.
  bool PrepareFan(const ConvexFan& fan, std::vector<FanEdge>& edges, FanRows& rows) const;
  // A prepared fan's polygon, a span a row; edges are the draw's list.
  void Fan(const ConvexFan& fan, const FanRows& rows, const FanEdge* edges, int band, int bands) const;
};
// Whether the 16 samples of a pixel hold one value.
inline bool AllAlike(const uint8_t* s)
{
  uint64_t a, b;
  std::memcpy(&a, s, 8);
  std::memcpy(&b, s + 8, 8);
  return a == b && a == (uint64_t)s[0] * 0x0101010101010101ull;
}

#if defined(__SSE2__)
// Whether the four pixels of 16 samples from s on hold value at every sample.
inline bool FourHold(const uint8_t* s, __m128i value)
{
  auto at = [s, value](int k)
  { return _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 16 * k)), value); };
  return _mm_movemask_epi8(_mm_and_si128(_mm_and_si128(at(0), at(1)), _mm_and_si128(at(2), at(3)))) == 0xffff;
}
#endif

// Inline: the stencil skipping asks it of every pixel a sampled fill's cover reaches.
inline bool Draw::SamplesLive(const uint8_t* s, const StencilTable& table) const
{
  if (table.pass[s[0]] || table.next[s[0]] != s[0]) return true;
#if defined(__SSE2__)
  if (stencilSamples == kQorvStencilSamples)
  {
    // Most pixels hold one value or two (one an edge crosses): each value asked once.
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    const unsigned isA = (unsigned)_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8((char)s[0])));
    if (isA == 0xffff) return false;
    const uint8_t b = s[__builtin_ctz(~isA)];
    if (table.pass[b] || table.next[b] != b) return true;
    if (((unsigned)_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8((char)b))) | isA) == 0xffff) return false;
  }
#else
  if (stencilSamples == kQorvStencilSamples && AllAlike(s)) return false;
#endif
  for (int k = 1; k < stencilSamples; ++k)
    if (table.pass[s[k]] || table.next[s[k]] != s[k]) return true;
  return false;
}

// Inline: a draw marked by sums asks them of each of its triangles.
inline void Draw::AddsByArea(const Sums& sums, int adds[2]) const
{
  for (int positive = 0; positive < 2; ++positive)
  {
    const bool front = (state->frontFacingWinding == MTLWindingClockwise) == (positive == 1);
    const bool culled =
        (state->cullMode == MTLCullModeBack && !front) || (state->cullMode == MTLCullModeFront && front);
    adds[positive] = culled ? 0 : sums.add[front];
  }
}

inline bool Draw::TurnTriangle(const Vertex* v0, const Vertex* v1, const Vertex* v2, const int adds[2],
                               TurnedTriangle& t)
{
  if (!v0->valid || !v1->valid || !v2->valid) return false;
  int64_t* X = t.x;
  int64_t* Y = t.y;
  X[0] = v0->fx, X[1] = v1->fx, X[2] = v2->fx, Y[0] = v0->fy, Y[1] = v1->fy, Y[2] = v2->fy;
  const int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (Y[1] - Y[0]) * (X[2] - X[0]);
  if (area == 0) return false;
  t.add = adds[area > 0];
  if (t.add == 0) return false;
  t.swapped = area < 0;
  if (t.swapped) std::swap(X[1], X[2]), std::swap(Y[1], Y[2]);
  return true;
}

inline bool Draw::TurnTriangle(const Vertex* v0, const Vertex* v1, const Vertex* v2, const Sums& sums,
                               TurnedTriangle& t) const
{
  int adds[2];
  AddsByArea(sums, adds);
  return TurnTriangle(v0, v1, v2, adds, t);
}

inline bool Draw::EdgeOf(const TurnedTriangle& t, int k, SummedEdge& e)
{
  const int a = (k + 1) % 3, b = (k + 2) % 3;
  const int64_t* X = t.x;
  const int64_t* Y = t.y;
  if (Y[a] == Y[b]) return false; // level: it crosses no row
  // Rising in window rows (the edge function grows along x): samples from its crossing on are let in;
  // falling: shut out. Its top end first, as MergeSummedEdges keys it.
  e = Y[b] < Y[a] ? SummedEdge{X[b], Y[b], X[a], Y[a], t.add} : SummedEdge{X[a], Y[a], X[b], Y[b], -t.add};
  return true;
}
} // namespace qorv_raster
