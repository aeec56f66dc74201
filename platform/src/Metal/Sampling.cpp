#include "platform/src/Metal/Gpu.h"
#include "platform/src/Metal/ShaderOptions.h"
#include "platform/src/Metal/SourceOver.h"

#include <QorvPlatform/Metal.h>
#include <QorvPlatform/MetalShaders.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace
{
// Maps a texel index onto the level by the address mode; false when it falls outside with clamp-to-zero.
bool Address(MTLSamplerAddressMode mode, int64_t i, int64_t n, int64_t& out)
{
  switch (mode)
  {
  case MTLSamplerAddressModeRepeat:
    out = ((i % n) + n) % n;
    return true;
  case MTLSamplerAddressModeMirrorRepeat:
  {
    int64_t m = ((i % (2 * n)) + 2 * n) % (2 * n);
    out = m < n ? m : 2 * n - 1 - m;
    return true;
  }
  case MTLSamplerAddressModeMirrorClampToEdge:
    out = std::clamp<int64_t>(i < 0 ? -i - 1 : i, 0, n - 1);
    return true;
  case MTLSamplerAddressModeClampToZero:
    out = i;
    return i >= 0 && i < n;
  default:
    out = std::clamp<int64_t>(i, 0, n - 1);
    return true;
  }
}

void Texel(const MTLTexture& t, const MTLSamplerDescriptor& s, int64_t x, int64_t y, float out[4])
{
  const auto& level = t.levels()[0];
  int64_t ax, ay;
  bool inX = Address(s.sAddressMode, x, (int64_t)level.width, ax);
  bool inY = Address(s.tAddressMode, y, (int64_t)level.height, ay);
  if (!inX || !inY)
  {
    out[0] = out[1] = out[2] = 0;
    out[3] = t.pixelFormat() == MTLPixelFormatR8Unorm ? 1.0f : 0.0f;
    return;
  }
  QorvLoadPixel(t.pixelFormat(), &level.pixels[(ay * level.width + ax) * t.bytesPerPixel()], out);
}

int64_t FloorToIndex(double v)
{
  // floor without a library call: truncation, then one down for negative fractions
  v = std::clamp(v, -1e9, 1e9);
  int64_t i = (int64_t)v;
  return (double)i > v ? i - 1 : i;
}
} // namespace

namespace
{
// Within a 4096th of a texel centre a sample is that texel alone: a centre mapped through float arithmetic
// lands a rounding away from it, and a GPU's filter keeps only a few bits of sub-texel position. The colour
// is then up to a 16th of a level from the exact filter's, which puts a blended byte a level apart now and
// then (where it lies on a half level). Without the snap (tests), only samples right on a centre are.
constexpr float kTexelSnap = 1.0f / 4096.0f;
constexpr float kNoSnap = std::numeric_limits<float>::min(); // below it a weight can only be 0

// What one sampling needs of its texture and sampler, looked up once for many samples.
struct SampleSetup
{
  const MTLTexture* texture;
  const MTLSamplerDescriptor* s;
  const MTLTexture::Level* level;
  MTLPixelFormat format;
  bool fast;    // linear filtering of 8-bit RGBA, BGRA or R8 with clamp or repeat
  bool clamped; // clamp to edge both ways
  float snap;   // how near a texel centre a sample is taken as that texel alone (see LinearIndex)
  bool simd;    // the SIMD arithmetic
};

bool Setup(const MTLTexture* texture, const MTLSamplerState* sampler, const QorvGpuOptions& options,
           SampleSetup& out)
{
  if (!texture || texture->levels().empty()) return false;
  static const MTLSamplerDescriptor kDefault;
  out.texture = texture;
  out.s = sampler ? &sampler->descriptor() : &kDefault;
  out.level = &texture->levels()[0];
  out.format = texture->pixelFormat();
  auto plain = [](MTLSamplerAddressMode m)
  { return m == MTLSamplerAddressModeClampToEdge || m == MTLSamplerAddressModeRepeat; };
  out.fast = out.s->magFilter != MTLSamplerMinMagFilterNearest && plain(out.s->sAddressMode) &&
             plain(out.s->tAddressMode) &&
             (out.format == MTLPixelFormatRGBA8Unorm || out.format == MTLPixelFormatBGRA8Unorm ||
              out.format == MTLPixelFormatR8Unorm) &&
             out.level->width > 0 && out.level->height > 0;
  out.clamped = out.s->sAddressMode == MTLSamplerAddressModeClampToEdge &&
                out.s->tAddressMode == MTLSamplerAddressModeClampToEdge;
  out.snap = options.texelSnap ? kTexelSnap : kNoSnap;
  out.simd = QorvSimdOn(options);
  return true;
}

// A coordinate in texels less half a texel, as the filter's left or top texel and the weight of the next one.
// Non-finite coordinates read as 0; far ones are held where the weight stays exact.
inline int LinearIndex(float c, float scale, float& weight, float snap)
{
  float x = c * scale - 0.5f;
  if (!(std::fabs(x) <= 1e7f)) x = std::isfinite(c) ? std::copysign(1e7f, x) : -0.5f;
  int i = (int)x;
  if ((float)i > x) --i;
  weight = x - (float)i;
  // Within snap of a texel centre the sample is that texel (see kTexelSnap).
  if (weight < snap)
    weight = 0.0f;
  else if (weight > 1.0f - snap)
    weight = 0.0f, ++i;
  return i;
}

inline int Wrap(int i, int n)
{
  i %= n;
  return i < 0 ? i + n : i;
}

// Linear filtering of 8-bit texels with clamp to edge or repeat, in float from the texels in memory: the
// sampler's common case, for text and images.
template <MTLPixelFormat Format, bool Clamped, bool Simd>
inline void LinearSample(const SampleSetup& st, float u, float v, float out[4])
{
  const auto& level = *st.level;
  const int w = (int)level.width, h = (int)level.height;
  const bool normalised = st.s->normalizedCoordinates;
  float ax, ay;
  const int x0 = LinearIndex(u, normalised ? (float)w : 1.0f, ax, st.snap);
  const int y0 = LinearIndex(v, normalised ? (float)h : 1.0f, ay, st.snap);
  int xs[2], ys[2];
  if (Clamped)
  {
    xs[0] = std::clamp(x0, 0, w - 1), xs[1] = std::clamp(x0 + 1, 0, w - 1);
    ys[0] = std::clamp(y0, 0, h - 1), ys[1] = std::clamp(y0 + 1, 0, h - 1);
  }
  else
  {
    const bool wrapS = st.s->sAddressMode == MTLSamplerAddressModeRepeat;
    const bool wrapT = st.s->tAddressMode == MTLSamplerAddressModeRepeat;
    xs[0] = wrapS ? Wrap(x0, w) : std::clamp(x0, 0, w - 1);
    xs[1] = wrapS ? Wrap(x0 + 1, w) : std::clamp(x0 + 1, 0, w - 1);
    ys[0] = wrapT ? Wrap(y0, h) : std::clamp(y0, 0, h - 1);
    ys[1] = wrapT ? Wrap(y0 + 1, h) : std::clamp(y0 + 1, 0, h - 1);
  }
  const float wa = (1 - ax) * (1 - ay) / 255.0f, wb = ax * (1 - ay) / 255.0f, wc = (1 - ax) * ay / 255.0f,
              wd = ax * ay / 255.0f;
  constexpr int bpp = Format == MTLPixelFormatR8Unorm ? 1 : 4;
  const unsigned char* row0 = &level.pixels[(size_t)ys[0] * w * bpp];
  const unsigned char* row1 = &level.pixels[(size_t)ys[1] * w * bpp];
  const unsigned char *a = row0 + xs[0] * bpp, *b = row0 + xs[1] * bpp, *c = row1 + xs[0] * bpp,
                      *d = row1 + xs[1] * bpp;
  if (Format == MTLPixelFormatR8Unorm)
  {
    out[0] = a[0] * wa + b[0] * wb + c[0] * wc + d[0] * wd, out[1] = out[2] = 0, out[3] = 1;
    return;
  }
#if defined(__SSE2__)
  if (Simd)
  {
    // The same sums as below, four channels at once.
    auto texel = [](const unsigned char* p)
    {
      uint32_t bytes;
      std::memcpy(&bytes, p, 4);
      const __m128i z = _mm_setzero_si128();
      return _mm_cvtepi32_ps(_mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128((int)bytes), z), z));
    };
    __m128 sum = _mm_add_ps(
        _mm_add_ps(_mm_add_ps(_mm_mul_ps(texel(a), _mm_set1_ps(wa)), _mm_mul_ps(texel(b), _mm_set1_ps(wb))),
                   _mm_mul_ps(texel(c), _mm_set1_ps(wc))),
        _mm_mul_ps(texel(d), _mm_set1_ps(wd)));
    if (Format == MTLPixelFormatBGRA8Unorm) sum = _mm_shuffle_ps(sum, sum, _MM_SHUFFLE(3, 0, 1, 2));
    _mm_storeu_ps(out, sum);
    return;
  }
#endif
  float s[4];
  for (int i = 0; i < 4; ++i)
    s[i] = a[i] * wa + b[i] * wb + c[i] * wc + d[i] * wd;
  const bool bgra = Format == MTLPixelFormatBGRA8Unorm;
  out[0] = bgra ? s[2] : s[0], out[1] = s[1], out[2] = bgra ? s[0] : s[2], out[3] = s[3];
}

typedef void (*LinearSampler)(const SampleSetup&, float, float, float*);

template <MTLPixelFormat Format> LinearSampler LinearFor(bool clamped, bool simd)
{
  if (simd) return clamped ? LinearSample<Format, true, true> : LinearSample<Format, false, true>;
  return clamped ? LinearSample<Format, true, false> : LinearSample<Format, false, false>;
}

// The fast sampler for a setup, chosen once, in the SIMD arithmetic unless that is off.
LinearSampler FastSampler(const SampleSetup& st)
{
  const bool simd = st.simd;
  switch (st.format)
  {
  case MTLPixelFormatBGRA8Unorm:
    return LinearFor<MTLPixelFormatBGRA8Unorm>(st.clamped, simd);
  case MTLPixelFormatR8Unorm:
    return LinearFor<MTLPixelFormatR8Unorm>(st.clamped, simd);
  default:
    return LinearFor<MTLPixelFormatRGBA8Unorm>(st.clamped, simd);
  }
}

// Any filter, address mode and format, texel by texel.
void GeneralSample(const SampleSetup& st, float u, float v, float out[4])
{
  const MTLSamplerDescriptor& s = *st.s;
  const auto& level = *st.level;
  if (!std::isfinite(u)) u = 0;
  if (!std::isfinite(v)) v = 0;
  double x = s.normalizedCoordinates ? (double)u * level.width : u;
  double y = s.normalizedCoordinates ? (double)v * level.height : v;
  // Magnification and minification filter alike: the stand-in samples level 0 only.
  if (s.magFilter == MTLSamplerMinMagFilterNearest)
  {
    Texel(*st.texture, s, FloorToIndex(x), FloorToIndex(y), out);
    return;
  }
  double fx = x - 0.5, fy = y - 0.5;
  int64_t x0 = FloorToIndex(fx), y0 = FloorToIndex(fy);
  float ax = (float)(fx - (double)x0), ay = (float)(fy - (double)y0);
  float t00[4], t10[4], t01[4], t11[4];
  Texel(*st.texture, s, x0, y0, t00);
  Texel(*st.texture, s, x0 + 1, y0, t10);
  Texel(*st.texture, s, x0, y0 + 1, t01);
  Texel(*st.texture, s, x0 + 1, y0 + 1, t11);
  for (int i = 0; i < 4; ++i)
  {
    float top = t00[i] + (t10[i] - t00[i]) * ax;
    float bottom = t01[i] + (t11[i] - t01[i]) * ax;
    out[i] = top + (bottom - top) * ay;
  }
}
} // namespace

void QorvSampleTexture(const MTLTexture* texture, const MTLSamplerState* sampler, float u, float v,
                       float out[4])
{
  out[0] = out[1] = out[2] = out[3] = 0;
  SampleSetup st;
  if (!Setup(texture, sampler, QorvShaderOptions(), st)) return;
  (st.fast ? FastSampler(st) : GeneralSample)(st, u, v, out);
}

void QorvSampleTextureSpan(const MTLTexture* texture, const MTLSamplerState* sampler, const float* u,
                           const float* v, int n, float (*out)[4])
{
  SampleSetup st;
  if (!Setup(texture, sampler, QorvShaderOptions(), st))
  {
    for (int i = 0; i < n; ++i)
      out[i][0] = out[i][1] = out[i][2] = out[i][3] = 0;
    return;
  }
  const LinearSampler sample = st.fast ? FastSampler(st) : GeneralSample;
  for (int i = 0; i < n; ++i)
    sample(st, u[i], v[i], out[i]);
}

namespace
{
#if defined(__SSE2__)
// LinearIndex's arithmetic for four coordinates c (as c * scale - half): false when one lies far off or is
// not finite; else each one's index below, its weight and whether it is within the snap below the next one.
inline bool FourIndices(__m128 c, __m128 scale, __m128 half, __m128 high, __m128i& k, __m128& weight,
                        __m128& up)
{
  const __m128 x = _mm_sub_ps(_mm_mul_ps(c, scale), half);
  if (_mm_movemask_ps(_mm_cmple_ps(_mm_andnot_ps(_mm_set1_ps(-0.0f), x), _mm_set1_ps(1e7f))) != 0xF)
    return false;
  k = _mm_cvttps_epi32(x);
  // Truncation goes up for negative fractions: one down there.
  k = _mm_sub_epi32(k,
                    _mm_and_si128(_mm_castps_si128(_mm_cmpgt_ps(_mm_cvtepi32_ps(k), x)), _mm_set1_epi32(1)));
  weight = _mm_sub_ps(x, _mm_cvtepi32_ps(k));
  up = _mm_cmpgt_ps(weight, high);
  return true;
}
#endif

// The texel indices of n coordinates (c * size - 0.5, as LinearIndex) when every one lies on a texel centre
// after LinearIndex's snapping; false otherwise. *stepped: each index is one more than the one before.
bool CentreIndices(const float* c, int n, int size, float snapBy, [[maybe_unused]] bool simd, int* out,
                   bool* stepped)
{
  int i = 0;
  bool step = true;
#if defined(__SSE2__)
  const __m128 scale = _mm_set1_ps((float)size), half = _mm_set1_ps(0.5f);
  const __m128 snap = _mm_set1_ps(snapBy), high = _mm_set1_ps(1.0f - snapBy);
  const __m128i one = _mm_set1_epi32(1), four = _mm_set1_epi32(4);
  __m128i expected = _mm_setzero_si128();
  for (; simd && i + 4 <= n; i += 4)
  {
    __m128i k;
    __m128 weight, up;
    if (!FourIndices(_mm_loadu_ps(c + i), scale, half, high, k, weight, up)) break; // far, or not finite
    if (_mm_movemask_ps(_mm_or_ps(_mm_cmplt_ps(weight, snap), up)) != 0xF) return false;
    k = _mm_add_epi32(k, _mm_and_si128(_mm_castps_si128(up), one));
    if (i == 0) expected = _mm_add_epi32(_mm_set1_epi32(_mm_cvtsi128_si32(k)), _mm_setr_epi32(0, 1, 2, 3));
    step = step && _mm_movemask_epi8(_mm_cmpeq_epi32(k, expected)) == 0xFFFF;
    expected = _mm_add_epi32(expected, four);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), k);
  }
#endif
  for (; i < n; ++i)
  {
    float weight;
    out[i] = LinearIndex(c[i], (float)size, weight, snapBy);
    if (weight != 0.0f) return false;
    step = step && (i == 0 || out[i] == out[i - 1] + 1);
  }
  *stepped = step;
  return true;
}

// CentreIndices of recent rows of s coordinates on this thread, found by their first: the rows of an image's
// rectangle repeat them, and comparing them costs less than working the indices out again.
struct ColumnIndices
{
  int n = 0, size = 0;
  float snap = 0.0f;
  bool simd = false; // the arithmetic that worked them out
  uint64_t name = 0; // the shader's name of c, or 0
  const void* namer = nullptr;
  float c[1024];
  int xs[1024];
  bool centres = false, stepped = false;
};

// Rows of columns the calling thread worked out, rather than found kept (QorvMetalColumnRowsWorkedOut).
thread_local uint64_t tColumnRowsWorkedOut = 0;

// n <= 1024. A named row (name not 0) is found by its name, without looking at its values; under another
// name, or none, by its values (the shader names the same values anew once it has let them go). A row is
// kept by the arithmetic that worked it out, so that draws without SIMD take none from draws with it.
const ColumnIndices& ColumnsOf(const float* c, int n, int size, const SampleSetup& st, uint64_t name,
                               const void* namer)
{
  // Enough for most of a frame's image columns to be found again in the next frame.
  constexpr int kEntries = 64;
  thread_local ColumnIndices kept[kEntries];
  ColumnIndices* const memo = QorvThreadVariable(kept);
  const float snap = st.snap;
  uint32_t bits;
  std::memcpy(&bits, c, sizeof bits);
  ColumnIndices& last = memo[((bits ^ (uint32_t)n) * 2654435761u) >> 26];
  if (n == last.n && size == last.size && snap == last.snap && st.simd == last.simd)
  {
    if (name != 0 && name == last.name && namer == last.namer) return last;
    if (std::memcmp(c, last.c, sizeof(float) * (size_t)n) == 0)
    {
      last.name = name, last.namer = namer;
      return last;
    }
  }
  last.n = n, last.size = size, last.snap = snap, last.simd = st.simd, last.name = name, last.namer = namer;
  std::memcpy(last.c, c, sizeof(float) * (size_t)n);
  ++tColumnRowsWorkedOut;
  last.centres = CentreIndices(c, n, size, snap, st.simd, last.xs, &last.stepped);
  return last;
}

// Whether the n floats all equal the first.
bool AllEqual(const float* v, int n, [[maybe_unused]] bool simd)
{
  int i = 1;
#if defined(__SSE2__)
  const __m128 first = _mm_set1_ps(v[0]);
  for (; simd && i + 4 <= n; i += 4)
    if (_mm_movemask_ps(_mm_cmpeq_ps(_mm_loadu_ps(v + i), first)) != 0xF) return false;
#endif
  for (; i < n; ++i)
    if (!(v[i] == v[0])) return false;
  return true;
}
// Whether n samples (n up to 1024) of the texture may fall on texel centres that are read as stored: linear
// filtering of 8-bit RGBA at normalised coordinates.
bool TexelSetup(const MTLTexture* texture, const MTLSamplerState* sampler, int n,
                const QorvGpuOptions& options, SampleSetup& st)
{
  return Setup(texture, sampler, options, st) && st.fast && st.format == MTLPixelFormatRGBA8Unorm &&
         st.s->normalizedCoordinates && n >= 1 && n <= 1024;
}
} // namespace

uint64_t QorvMetalColumnRowsWorkedOut()
{
  return tColumnRowsWorkedOut;
}

bool QorvTexelCentres(const MTLTexture* texture, const MTLSamplerState* sampler,
                      const QorvSpanAnswer& samples, int n, const unsigned char** texels,
                      const unsigned char** row, const void* namer, const QorvGpuOptions& options)
{
  const float *u = samples.s, *v = samples.t;
  SampleSetup st;
  if (!TexelSetup(texture, sampler, n, options, st)) return false;
  const auto& level = *st.level;
  const int w = (int)level.width, h = (int)level.height;
  int ys[1024];
  // As LinearSample finds its texels and weights: the result is the first texel alone when both weights are
  // 0. A row of the target usually keeps to one row of the texture.
  const bool oneRow = samples.tOne || AllEqual(v, n, st.simd);
  bool unused = false;
  const ColumnIndices& columns = ColumnsOf(u, n, w, st, samples.columns, namer);
  if (!columns.centres) return false;
  const int* xs = columns.xs;
  const bool stepped = columns.stepped;
  if (!CentreIndices(v, oneRow ? 1 : n, h, st.snap, st.simd, ys, &unused)) return false;
  const bool wrapS = st.s->sAddressMode == MTLSamplerAddressModeRepeat;
  const bool wrapT = st.s->tAddressMode == MTLSamplerAddressModeRepeat;
  const unsigned char* pixels = level.pixels.data();
  auto rowAt = [&](int y) { return pixels + (size_t)(wrapT ? Wrap(y, h) : std::clamp(y, 0, h - 1)) * w * 4; };
  // Side by side, when every step is one texel within the row.
  if (oneRow && stepped && xs[0] >= 0 && xs[n - 1] < w)
  {
    *row = rowAt(ys[0]) + (size_t)xs[0] * 4;
    return true;
  }
  *row = nullptr;
  for (int i = 0; i < n; ++i)
  {
    const int x = wrapS ? Wrap(xs[i], w) : std::clamp(xs[i], 0, w - 1);
    texels[i] = rowAt(ys[oneRow ? 0 : i]) + (size_t)x * 4;
  }
  return true;
}

namespace
{
// What QorvTexelRowsCentres sets of each row, and how it finds a row's first texel.
struct RowsCentres
{
  const unsigned char* whole;
  const unsigned char** starts;
  unsigned char* centred;
  QorvTexelRowsBetween* between;
  const unsigned char* pixels; // the first column's texel of the texture's first row, when side by side
  size_t rowBytes;
  int h;
  bool wrapT, sideBySide, columnsCentred;
  bool any = false;

  // Row y of the texture, clamped or wrapped as the sampler says.
  const unsigned char* RowAt(int y) const
  {
    return pixels + (size_t)(wrapT ? Wrap(y, h) : y < 0 ? 0 : y > h - 1 ? h - 1 : y) * rowBytes;
  }
  // Row r, whose t falls on a texel centre (y) when centre is set, else weight beyond row y.
  void Take(int r, bool centre, int y, float weight)
  {
    const bool covered = whole[r] == 1 && columnsCentred && centre;
    const bool taken = covered || whole[r] == 2;
    centred[r] = taken ? 1 : 0;
    starts[r] = nullptr;
    any = any || taken;
    between[r].upper = nullptr;
    if (whole[r] == 1 && sideBySide && !centre)
    {
      between[r] = QorvTexelRowsBetween{RowAt(y), RowAt(y + 1), weight};
      any = true;
    }
    if (covered && sideBySide) starts[r] = RowAt(y);
  }
#if defined(__SSE2__)
  // CentreIndices' arithmetic four rows at a time for the t of rows, v (a row that is not whole has a t too,
  // unused): the row it stopped at.
  int Fours(const float* v, int rows, float size, float snap);
#endif
};

#if defined(__SSE2__)
int RowsCentres::Fours(const float* v, int rows, float size, float snap)
{
  const __m128 scale = _mm_set1_ps(size), half = _mm_set1_ps(0.5f);
  const __m128 low = _mm_set1_ps(snap), high = _mm_set1_ps(1.0f - snap);
  const __m128i one = _mm_set1_epi32(1);
  const uint32_t fourOnes = 0x01010101u;
  const __m128i lastRow = _mm_set1_epi32(h - 1);
  // A row's bytes in 32 bits, and pointers of 64: its rows' first texels are worked out as integers.
  const bool narrow = rowBytes <= UINT32_MAX && sizeof(void*) == sizeof(uint64_t);
  const __m128i bytes = _mm_set1_epi64x((int64_t)rowBytes),
                base = _mm_set1_epi64x((int64_t) reinterpret_cast<uintptr_t>(pixels));
  int r = 0;
  for (; r + 4 <= rows; r += 4)
  {
    uint32_t cover;
    std::memcpy(&cover, whole + r, sizeof cover);
    if (cover == 2 * fourOnes)
    {
      // No coverage: no t is looked at.
      std::memcpy(centred + r, &fourOnes, sizeof fourOnes);
      std::fill(starts + r, starts + r + 4, nullptr);
      any = true;
      continue;
    }
    __m128i k;
    __m128 weight, up;
    if (!FourIndices(_mm_loadu_ps(v + r), scale, half, high, k, weight, up)) break; // far, or not finite
    const int centres = _mm_movemask_ps(_mm_or_ps(_mm_cmplt_ps(weight, low), up));
    const __m128i y = _mm_add_epi32(k, _mm_and_si128(_mm_castps_si128(up), one));
    alignas(16) int ys[4];
    if (cover == fourOnes && centres == 0xF && sideBySide && !wrapT)
    {
      // Covered whole, on centres, side by side: the common case of an image's rows, clamped to its rows.
      const __m128i below = _mm_cmpgt_epi32(_mm_setzero_si128(), y), above = _mm_cmpgt_epi32(y, lastRow);
      const __m128i clamped =
          _mm_or_si128(_mm_andnot_si128(_mm_or_si128(below, above), y), _mm_and_si128(above, lastRow));
      std::memcpy(centred + r, &fourOnes, sizeof fourOnes);
      any = true;
      if (narrow)
      {
        // The rows' first texels two at a time: each row (0 .. h - 1) times the row's bytes, on the pixels.
        auto firsts = [&](__m128i two) { return _mm_add_epi64(base, _mm_mul_epu32(two, bytes)); };
        const __m128i zero = _mm_setzero_si128();
        _mm_storeu_si128(reinterpret_cast<__m128i*>(starts + r), firsts(_mm_unpacklo_epi32(clamped, zero)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(starts + r + 2),
                         firsts(_mm_unpackhi_epi32(clamped, zero)));
        continue;
      }
      _mm_store_si128(reinterpret_cast<__m128i*>(ys), clamped);
      for (int j = 0; j < 4; ++j)
        starts[r + j] = pixels + (size_t)ys[j] * rowBytes;
      continue;
    }
    _mm_store_si128(reinterpret_cast<__m128i*>(ys), y);
    alignas(16) float weights[4];
    _mm_store_ps(weights, weight);
    for (int j = 0; j < 4; ++j)
      Take(r + j, (centres >> j) & 1, ys[j], weights[j]);
  }
  return r;
}
#endif
} // namespace

bool QorvTexelRowsCentres(const MTLTexture* texture, const MTLSamplerState* sampler,
                          const QorvSpanAnswer& samples, int n, int rows, const unsigned char** starts,
                          unsigned char* centred, QorvTexelRowsBetween* between, const void* namer,
                          const QorvGpuOptions& options)
{
  const float *u = samples.s, *v = samples.t;
  const unsigned char* const whole = samples.whole;
  SampleSetup st;
  if (!TexelSetup(texture, sampler, n, options, st))
  {
    std::fill(starts, starts + rows, nullptr);
    std::fill(centred, centred + rows, 0);
    return false;
  }
  const auto& level = *st.level;
  const int w = (int)level.width, h = (int)level.height;
  // As QorvTexelCentres answers each row with one t. Rows covered by 0 are taken wherever they sample.
  const ColumnIndices& columns = ColumnsOf(u, n, w, st, samples.columns, namer);
  const bool sideBySide = columns.centres && columns.stepped && columns.xs[0] >= 0 && columns.xs[n - 1] < w;
  RowsCentres q{whole,
                starts,
                centred,
                between,
                sideBySide ? level.pixels.data() + (size_t)std::max(columns.xs[0], 0) * 4 : nullptr,
                (size_t)w * 4,
                h,
                st.s->tAddressMode == MTLSamplerAddressModeRepeat,
                sideBySide,
                columns.centres};
  const float size = (float)h, snap = st.snap;
  int r = 0;
#if defined(__SSE2__)
  if (st.simd) r = q.Fours(v, rows, size, snap);
#endif
  for (; r < rows; ++r)
  {
    // CentreIndices of the one t.
    float weight = 0.0f;
    const int y = whole[r] != 0 ? LinearIndex(v[r], size, weight, snap) : 0;
    q.Take(r, whole[r] != 0 && weight == 0.0f, y, weight);
  }
  return q.any;
}
