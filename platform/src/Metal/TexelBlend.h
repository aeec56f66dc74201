// Source-over of RGBA8 texels, taken one for one along a row, onto 8-bit RGBA or BGRA colour: the sampler's
// value of a texel on its centre (its bytes times 1 / 255, times its alpha when straight) blended as
// QorvSourceOver blends it, so every byte equals the general path's. The portable build does the float
// arithmetic in the same operations and order (no fused multiply-add); the SIMD builds, SSE2 four pixels at a
// time and AVX2 eight, do exact integer arithmetic that gives the same bytes, chosen once at run time. A
// row's groups of transparent texels are left and its groups of opaque ones copied (swapped into BGRA).
#pragma once

#include "platform/src/Metal/SourceOver.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

// The portable arithmetic, one pixel: what the two SIMD builds must give.
template <bool Bgra, bool Straight>
inline void QorvBlendTexelScalar(const unsigned char* texel, unsigned char* p)
{
  const float w = 1.0f / 255.0f;
  float src[4];
  for (int j = 0; j < 4; ++j)
    src[j] = (float)texel[j] * w;
  if (Straight)
    for (int j = 0; j < 3; ++j)
      src[j] = src[j] * src[3];
  for (float& s : src)
    s = QorvClampUnit(s);
  const int r = Bgra ? 2 : 0, b = 2 - r;
  const float keep = (1.0f - src[3]) * (1.0f / 255.0f);
  const float o[4] = {src[0] + p[r] * keep, src[1] + p[1] * keep, src[2] + p[b] * keep, src[3] + p[3] * keep};
  p[r] = QorvRoundToByte(o[0]), p[1] = QorvRoundToByte(o[1]), p[b] = QorvRoundToByte(o[2]),
  p[3] = QorvRoundToByte(o[3]);
}

enum class QorvTexelBlendIsa
{
  kScalar,
  kSse2,
  kSsse3, // the SSE2 blends, with byte shuffles for the copies into BGRA
  kAvx2
};

// The widest the processor runs, or the portable build where the SIMD arithmetic is off (simd: QorvSimdOn).
inline QorvTexelBlendIsa QorvBestTexelBlendIsa([[maybe_unused]] bool simd)
{
#if defined(__SSE2__)
  static const QorvTexelBlendIsa best = __builtin_cpu_supports("avx2")    ? QorvTexelBlendIsa::kAvx2
                                        : __builtin_cpu_supports("ssse3") ? QorvTexelBlendIsa::kSsse3
                                                                          : QorvTexelBlendIsa::kSse2;
  if (simd) return best;
#endif
  return QorvTexelBlendIsa::kScalar;
}

// The SIMD arithmetic, for texel alpha a, a texel colour channel c and the target's d: straight texels give
// round((c * a + d * (255 - a)) / 255) and alpha round((255 * a + d * (255 - a)) / 255); premultiplied ones
// min(255, c + round(d * (255 - a) / 255)), alpha alike. These are the float sums rounded: no quotient by 255
// lies within the float error of half way between two integers (the tests try every c, a and d).
// round(x / 255) for x up to 255 * 255 is (y + (y >> 8)) >> 8 with y = x + 128: the high half of y * 257.
#if defined(__SSE2__)
// Two pixels in 16-bit lanes: texels t (RGBA) over target d (in target order).
template <bool Bgra, bool Straight> inline __m128i QorvBlendTexels2Sse2(__m128i t, __m128i d)
{
  if (Bgra) t = _mm_shufflehi_epi16(_mm_shufflelo_epi16(t, _MM_SHUFFLE(3, 0, 1, 2)), _MM_SHUFFLE(3, 0, 1, 2));
  const __m128i a =
      _mm_shufflehi_epi16(_mm_shufflelo_epi16(t, _MM_SHUFFLE(3, 3, 3, 3)), _MM_SHUFFLE(3, 3, 3, 3));
  __m128i x = _mm_mullo_epi16(d, _mm_sub_epi16(_mm_set1_epi16(255), a));
  if (Straight) // the texel's alpha taken as 255: alpha comes out of 255 * a
    x = _mm_add_epi16(x, _mm_mullo_epi16(_mm_or_si128(t, _mm_set1_epi64x(255ll << 48)), a));
  x = _mm_mulhi_epu16(_mm_add_epi16(x, _mm_set1_epi16(128)), _mm_set1_epi16(257));
  return Straight ? x : _mm_add_epi16(x, t); // above 255 only for colour above alpha: packed to 255
}

// Four texels over four pixels, 16 bytes each.
template <bool Bgra, bool Straight> inline __m128i QorvBlendTexels4Sse2(__m128i texels, __m128i dst)
{
  const __m128i z = _mm_setzero_si128();
  return _mm_packus_epi16(
      QorvBlendTexels2Sse2<Bgra, Straight>(_mm_unpacklo_epi8(texels, z), _mm_unpacklo_epi8(dst, z)),
      QorvBlendTexels2Sse2<Bgra, Straight>(_mm_unpackhi_epi8(texels, z), _mm_unpackhi_epi8(dst, z)));
}

// The same, four pixels to a register.
template <bool Bgra, bool Straight>
[[gnu::target("avx2")]] inline __m256i QorvBlendTexels4Avx2(__m256i t, __m256i d)
{
  if (Bgra)
    t = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(t, _MM_SHUFFLE(3, 0, 1, 2)), _MM_SHUFFLE(3, 0, 1, 2));
  const __m256i a =
      _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(t, _MM_SHUFFLE(3, 3, 3, 3)), _MM_SHUFFLE(3, 3, 3, 3));
  __m256i x = _mm256_mullo_epi16(d, _mm256_sub_epi16(_mm256_set1_epi16(255), a));
  if (Straight)
    x = _mm256_add_epi16(x, _mm256_mullo_epi16(_mm256_or_si256(t, _mm256_set1_epi64x(255ll << 48)), a));
  x = _mm256_mulhi_epu16(_mm256_add_epi16(x, _mm256_set1_epi16(128)), _mm256_set1_epi16(257));
  return Straight ? x : _mm256_add_epi16(x, t);
}

// Eight texels over eight pixels, 32 bytes each (unpacks and pack alike stay within 128-bit halves).
template <bool Bgra, bool Straight>
[[gnu::target("avx2")]] inline __m256i QorvBlendTexels8Avx2(__m256i texels, __m256i dst)
{
  const __m256i z = _mm256_setzero_si256();
  return _mm256_packus_epi16(
      QorvBlendTexels4Avx2<Bgra, Straight>(_mm256_unpacklo_epi8(texels, z), _mm256_unpacklo_epi8(dst, z)),
      QorvBlendTexels4Avx2<Bgra, Straight>(_mm256_unpackhi_epi8(texels, z), _mm256_unpackhi_epi8(dst, z)));
}

// Red and blue swapped in each pixel.
inline __m128i QorvSwapRedBlueSse2(__m128i v)
{
  const __m128i ga = _mm_set1_epi32((int)0xFF00FF00u);
  const __m128i rb = _mm_andnot_si128(ga, v);
  return _mm_or_si128(_mm_and_si128(ga, v), _mm_or_si128(_mm_srli_epi32(rb, 16), _mm_slli_epi32(rb, 16)));
}

[[gnu::target("ssse3")]] inline __m128i QorvSwapRedBlueSsse3(__m128i v)
{
  return _mm_shuffle_epi8(v, _mm_setr_epi8(2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15));
}

[[gnu::target("avx2")]] inline __m256i QorvSwapRedBlueAvx2(__m256i v)
{
  return _mm256_shuffle_epi8(v, _mm256_setr_epi8(2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15, 2, 1,
                                                 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15));
}
#endif

// How many of the n texels from p on, one after the other, have all the bytes of mask equal to those of
// value (mask and value: one texel's bytes as a word).
inline int QorvTexelsLike(const unsigned char* p, int n, uint32_t mask, uint32_t value,
                          [[maybe_unused]] bool simd)
{
  int i = 0;
#if defined(__SSE2__)
  const __m128i m = _mm_set1_epi32((int)mask), v = _mm_set1_epi32((int)value);
  for (; simd && i + 4 <= n; i += 4)
  {
    const __m128i texels =
        _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + (size_t)i * 4)), m);
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(texels, v)) != 0xFFFF) break;
  }
#endif
  for (; i < n; ++i)
  {
    uint32_t t;
    std::memcpy(&t, p + (size_t)i * 4, 4);
    if ((t & mask) != value) break;
  }
  return i;
}

// n RGBA8 texels as stored onto n pixels swapped into BGRA memory order, one at a time.
inline void QorvSwapTexelsScalar(const unsigned char* texels, unsigned char* p, int n)
{
  for (int i = 0; i < n; ++i, p += 4, texels += 4)
  {
    uint32_t v;
    std::memcpy(&v, texels, 4);
    v = (v & 0xFF00FF00u) | ((v >> 16) & 0xFFu) | ((v & 0xFFu) << 16);
    std::memcpy(p, &v, 4);
  }
}

#if defined(__SSE2__)
// The same four (Swap four pixels' bytes) or eight (Avx2) at a time, the last few as the next build down
// does.
template <__m128i (*Swap)(__m128i)>
inline void QorvSwapTexels4(const unsigned char* texels, unsigned char* p, int n)
{
  int i = 0;
  for (; i + 4 <= n; i += 4)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + (size_t)i * 4),
                     Swap(_mm_loadu_si128(reinterpret_cast<const __m128i*>(texels + (size_t)i * 4))));
  QorvSwapTexelsScalar(texels + (size_t)i * 4, p + (size_t)i * 4, n - i);
}

[[gnu::target("ssse3"), gnu::flatten]] inline void QorvSwapTexelsSsse3(const unsigned char* texels,
                                                                       unsigned char* p, int n)
{
  QorvSwapTexels4<QorvSwapRedBlueSsse3>(texels, p, n);
}

[[gnu::target("avx2"), gnu::flatten]] inline void QorvSwapTexelsAvx2(const unsigned char* texels,
                                                                     unsigned char* p, int n)
{
  int i = 0;
  for (; i + 8 <= n; i += 8)
    _mm256_storeu_si256(
        reinterpret_cast<__m256i*>(p + (size_t)i * 4),
        QorvSwapRedBlueAvx2(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(texels + (size_t)i * 4))));
  QorvSwapTexels4<QorvSwapRedBlueSsse3>(texels + (size_t)i * 4, p + (size_t)i * 4, n - i);
}
#endif

// n RGBA8 texels as stored onto n pixels, swapped into memory order for BGRA, in the build for isa.
inline void QorvCopyTexelsIsa(const unsigned char* texels, unsigned char* p, int n, bool bgra,
                              QorvTexelBlendIsa isa)
{
  if (!bgra) std::memcpy(p, texels, (size_t)n * 4);
#if defined(__SSE2__)
  else if (isa == QorvTexelBlendIsa::kAvx2)
    QorvSwapTexelsAvx2(texels, p, n);
  else if (isa == QorvTexelBlendIsa::kSsse3)
    QorvSwapTexelsSsse3(texels, p, n);
  else if (isa == QorvTexelBlendIsa::kSse2)
    QorvSwapTexels4<QorvSwapRedBlueSse2>(texels, p, n);
#endif
  else
    QorvSwapTexelsScalar(texels, p, n);
}

// Texels side by side in a row of the texture over m pixels, each covered whole, blended source-over, pixel
// by pixel in the portable arithmetic (transparent texels left, opaque ones copied: they come out alike).
template <bool Bgra, bool Straight>
void QorvTexelRowOverScalar(const unsigned char* row, unsigned char* crow, int m)
{
  for (int i = 0; i < m; ++i)
  {
    const unsigned char* t = row + (size_t)i * 4;
    unsigned char* p = crow + (size_t)i * 4;
    if (t[3] == 0 && (Straight || (t[0] | t[1] | t[2]) == 0)) continue;
    if (t[3] == 255)
      QorvCopyTexelsIsa(t, p, 1, Bgra, QorvTexelBlendIsa::kScalar);
    else
      QorvBlendTexelScalar<Bgra, Straight>(t, p);
  }
}

#if defined(__SSE2__)
// The same a group of texels at a time: one load tells whether the group is all transparent (left), all
// opaque (copied) or neither (blended, its opaque and transparent texels alike).
enum class QorvTexelGroupKind
{
  kNothing,
  kOpaque,
  kMixed
};

// Which kind a group is, from the byte masks of its bytes that are 0 and of those that are 255 (a bit a
// byte); alpha: the bits of the alpha bytes, all: every bit.
template <bool Straight>
inline QorvTexelGroupKind QorvTexelGroupOf(uint32_t zeros, uint32_t fulls, uint32_t alpha, uint32_t all)
{
  const uint32_t nothing = Straight ? alpha : all;
  if ((zeros & nothing) == nothing) return QorvTexelGroupKind::kNothing;
  return (fulls & alpha) == alpha ? QorvTexelGroupKind::kOpaque : QorvTexelGroupKind::kMixed;
}

// Group: its kWidth texels, their Kind, its Copy of texels t onto pixels p and Blend of them over p into out,
// and the Tail of a row shorter than a group.
template <class Group, bool Bgra, bool Straight>
inline void QorvTexelRowOverGroups(const unsigned char* row, unsigned char* crow, int m)
{
  constexpr int w = Group::kWidth;
  const int whole = m - m % w;
  // A row's last few texels: in a group that ends the row, blended over the target as it was and put down
  // after the rest; or, in a row shorter than a group, through Tail.
  const bool endGroup = whole != m && m >= w;
  unsigned char end[w * 4] = {};
  if (endGroup)
    Group::template Blend<Bgra, Straight>(row + (size_t)(m - w) * 4, crow + (size_t)(m - w) * 4, end);
  for (int i = 0; i < whole; i += w)
  {
    const unsigned char* t = row + (size_t)i * 4;
    unsigned char* p = crow + (size_t)i * 4;
    const QorvTexelGroupKind kind = Group::template Kind<Straight>(t);
    if (kind == QorvTexelGroupKind::kOpaque)
      Group::template Copy<Bgra>(t, p);
    else if (kind == QorvTexelGroupKind::kMixed)
      Group::template Blend<Bgra, Straight>(t, p, p);
  }
  if (endGroup)
    std::memcpy(crow + (size_t)(m - w) * 4, end, sizeof end);
  else if (whole != m)
    Group::template Tail<Bgra, Straight>(row + (size_t)whole * 4, crow + (size_t)whole * 4, m - whole);
}

struct QorvTexelGroupSse2
{
  static constexpr int kWidth = 4;
  static __m128i Load(const unsigned char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
  static void Store(unsigned char* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
  template <bool Straight> static QorvTexelGroupKind Kind(const unsigned char* t)
  {
    const __m128i v = Load(t);
    return QorvTexelGroupOf<Straight>((uint32_t)_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())),
                                      (uint32_t)_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(-1))),
                                      0x8888u, 0xFFFFu);
  }
  template <bool Bgra> static void Copy(const unsigned char* t, unsigned char* p)
  {
    Store(p, Bgra ? QorvSwapRedBlueSse2(Load(t)) : Load(t));
  }
  template <bool Bgra, bool Straight>
  static void Blend(const unsigned char* t, const unsigned char* p, unsigned char* out)
  {
    Store(out, QorvBlendTexels4Sse2<Bgra, Straight>(Load(t), Load(p)));
  }
  // Fewer than four.
  template <bool Bgra, bool Straight> static void Tail(const unsigned char* t, unsigned char* p, int n)
  {
    unsigned char tt[16] = {}, dd[16] = {};
    std::memcpy(tt, t, (size_t)n * 4);
    std::memcpy(dd, p, (size_t)n * 4);
    Blend<Bgra, Straight>(tt, dd, dd);
    std::memcpy(p, dd, (size_t)n * 4);
  }
};

struct QorvTexelGroupAvx2
{
  static constexpr int kWidth = 8;
  [[gnu::target("avx2")]] static __m256i Load(const unsigned char* p)
  {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  }
  [[gnu::target("avx2")]] static void Store(unsigned char* p, __m256i v)
  {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
  }
  template <bool Straight> [[gnu::target("avx2")]] static QorvTexelGroupKind Kind(const unsigned char* t)
  {
    const __m256i v = Load(t);
    return QorvTexelGroupOf<Straight>(
        (uint32_t)_mm256_movemask_epi8(_mm256_cmpeq_epi8(v, _mm256_setzero_si256())),
        (uint32_t)_mm256_movemask_epi8(_mm256_cmpeq_epi8(v, _mm256_set1_epi8(-1))), 0x88888888u, 0xFFFFFFFFu);
  }
  template <bool Bgra> [[gnu::target("avx2")]] static void Copy(const unsigned char* t, unsigned char* p)
  {
    Store(p, Bgra ? QorvSwapRedBlueAvx2(Load(t)) : Load(t));
  }
  template <bool Bgra, bool Straight>
  [[gnu::target("avx2")]] static void Blend(const unsigned char* t, const unsigned char* p,
                                            unsigned char* out)
  {
    Store(out, QorvBlendTexels8Avx2<Bgra, Straight>(Load(t), Load(p)));
  }
  // Fewer than eight, through masked loads and stores.
  template <bool Bgra, bool Straight>
  [[gnu::target("avx2")]] static void Tail(const unsigned char* t, unsigned char* p, int n)
  {
    const __m256i mask = _mm256_cmpgt_epi32(_mm256_set1_epi32(n), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    const __m256i texels = _mm256_maskload_epi32(reinterpret_cast<const int*>(t), mask);
    const __m256i dst = _mm256_maskload_epi32(reinterpret_cast<const int*>(p), mask);
    _mm256_maskstore_epi32(reinterpret_cast<int*>(p), mask,
                           QorvBlendTexels8Avx2<Bgra, Straight>(texels, dst));
  }
};

template <bool Bgra, bool Straight>
void QorvTexelRowOverSse2(const unsigned char* row, unsigned char* crow, int m)
{
  QorvTexelRowOverGroups<QorvTexelGroupSse2, Bgra, Straight>(row, crow, m);
}

template <bool Bgra, bool Straight>
[[gnu::target("avx2"), gnu::flatten]] void QorvTexelRowOverAvx2(const unsigned char* row, unsigned char* crow,
                                                                int m)
{
  QorvTexelRowOverGroups<QorvTexelGroupAvx2, Bgra, Straight>(row, crow, m);
}
#endif

template <bool Bgra, bool Straight>
inline void QorvTexelRowOverIsa(const unsigned char* row, unsigned char* crow, int m, QorvTexelBlendIsa isa)
{
#if defined(__SSE2__)
  if (isa == QorvTexelBlendIsa::kAvx2) return QorvTexelRowOverAvx2<Bgra, Straight>(row, crow, m);
  if (isa != QorvTexelBlendIsa::kScalar) return QorvTexelRowOverSse2<Bgra, Straight>(row, crow, m);
#endif
  QorvTexelRowOverScalar<Bgra, Straight>(row, crow, m);
}

using QorvTexelRowFunction = void (*)(const unsigned char* row, unsigned char* crow, int m);

template <bool Bgra, bool Straight> inline QorvTexelRowFunction QorvTexelRowOverBuild(QorvTexelBlendIsa isa)
{
#if defined(__SSE2__)
  if (isa == QorvTexelBlendIsa::kAvx2) return QorvTexelRowOverAvx2<Bgra, Straight>;
  if (isa != QorvTexelBlendIsa::kScalar) return QorvTexelRowOverSse2<Bgra, Straight>;
#endif
  return QorvTexelRowOverScalar<Bgra, Straight>;
}

// QorvTexelRowOver's build for these arguments, chosen once for many rows.
inline QorvTexelRowFunction QorvTexelRowOverFor(bool bgra, bool straight, QorvTexelBlendIsa isa)
{
  if (bgra)
    return straight ? QorvTexelRowOverBuild<true, true>(isa) : QorvTexelRowOverBuild<true, false>(isa);
  return straight ? QorvTexelRowOverBuild<false, true>(isa) : QorvTexelRowOverBuild<false, false>(isa);
}

// Texels side by side in a row of the texture over m pixels, each covered whole, blended source-over in the
// build for isa.
inline void QorvTexelRowOver(const unsigned char* row, unsigned char* crow, int m, bool bgra, bool straight,
                             QorvTexelBlendIsa isa)
{
  if (bgra)
    straight ? QorvTexelRowOverIsa<true, true>(row, crow, m, isa)
             : QorvTexelRowOverIsa<true, false>(row, crow, m, isa);
  else
    straight ? QorvTexelRowOverIsa<false, true>(row, crow, m, isa)
             : QorvTexelRowOverIsa<false, false>(row, crow, m, isa);
}
