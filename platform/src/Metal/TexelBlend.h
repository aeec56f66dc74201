// Source-over of RGBA8 texels, taken one for one along a row, onto 8-bit RGBA or BGRA colour: the sampler's
// value of a texel on its centre (its bytes times 1 / 255, times its alpha when straight) blended as
// QorvSourceOver blends it, in the same operations and order (no fused multiply-add), so every byte equals
// the general path's. Opaque and transparent texels may go through it too: they come out as stored and as
// nothing. SSE2 one pixel to a register, AVX2 two, chosen once at run time.
#pragma once

#include "platform/src/Metal/SourceOver.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

// The portable arithmetic, one pixel: what the two SIMD builds must give.
template <bool Bgra, bool Straight> inline void QorvBlendTexelScalar(const unsigned char* texel, unsigned char* p)
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

#if defined(__SSE2__)
// Four pixels: texels and target four each, 16 bytes.
template <bool Bgra, bool Straight> inline void QorvBlendTexels4Sse2(const unsigned char* texels, unsigned char* p)
{
  const __m128i z = _mm_setzero_si128();
  const __m128 w = _mm_set1_ps(1.0f / 255.0f), zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f);
  const __m128 full = _mm_set1_ps(255.0f), half = _mm_set1_ps(0.5f);
  const __m128i tx = _mm_loadu_si128(reinterpret_cast<const __m128i*>(texels));
  const __m128i dst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i tlo = _mm_unpacklo_epi8(tx, z), thi = _mm_unpackhi_epi8(tx, z);
  const __m128i dlo = _mm_unpacklo_epi8(dst, z), dhi = _mm_unpackhi_epi8(dst, z);
  const __m128i t[4] = {_mm_unpacklo_epi16(tlo, z), _mm_unpackhi_epi16(tlo, z), _mm_unpacklo_epi16(thi, z),
                        _mm_unpackhi_epi16(thi, z)};
  const __m128i d[4] = {_mm_unpacklo_epi16(dlo, z), _mm_unpackhi_epi16(dlo, z), _mm_unpacklo_epi16(dhi, z),
                        _mm_unpackhi_epi16(dhi, z)};
  const __m128 rgb = _mm_castsi128_ps(_mm_setr_epi32(-1, -1, -1, 0));
  __m128i q[4];
  for (int i = 0; i < 4; ++i)
  {
    __m128 v = _mm_mul_ps(_mm_cvtepi32_ps(t[i]), w);
    if (Straight)
    {
      const __m128 times = _mm_mul_ps(v, _mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 3, 3, 3)));
      v = _mm_or_ps(_mm_and_ps(rgb, times), _mm_andnot_ps(rgb, v));
    }
    __m128 src = _mm_min_ps(_mm_max_ps(v, zero), one);
    if (Bgra) src = _mm_shuffle_ps(src, src, _MM_SHUFFLE(3, 0, 1, 2));
    const __m128 keep = _mm_mul_ps(_mm_sub_ps(one, _mm_shuffle_ps(src, src, _MM_SHUFFLE(3, 3, 3, 3))), w);
    const __m128 o = _mm_add_ps(src, _mm_mul_ps(_mm_cvtepi32_ps(d[i]), keep));
    q[i] = _mm_cvttps_epi32(_mm_min_ps(_mm_add_ps(_mm_mul_ps(o, full), half), full));
  }
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p),
                   _mm_packus_epi16(_mm_packs_epi32(q[0], q[1]), _mm_packs_epi32(q[2], q[3])));
}

// The same four pixels two to a register.
template <bool Bgra, bool Straight>
[[gnu::target("avx2")]] inline void QorvBlendTexels4Avx2(const unsigned char* texels, unsigned char* p)
{
  const __m256 w = _mm256_set1_ps(1.0f / 255.0f), zero = _mm256_setzero_ps(), one = _mm256_set1_ps(1.0f);
  const __m256 full = _mm256_set1_ps(255.0f), half = _mm256_set1_ps(0.5f);
  const __m256 rgb = _mm256_castsi256_ps(_mm256_setr_epi32(-1, -1, -1, 0, -1, -1, -1, 0));
  __m128i out[2];
  for (int h = 0; h < 2; ++h)
  {
    const __m128i t8 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(texels + 8 * h));
    const __m128i d8 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + 8 * h));
    __m256 v = _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(t8)), w);
    if (Straight)
    {
      const __m256 times = _mm256_mul_ps(v, _mm256_shuffle_ps(v, v, _MM_SHUFFLE(3, 3, 3, 3)));
      v = _mm256_or_ps(_mm256_and_ps(rgb, times), _mm256_andnot_ps(rgb, v));
    }
    __m256 src = _mm256_min_ps(_mm256_max_ps(v, zero), one);
    if (Bgra) src = _mm256_shuffle_ps(src, src, _MM_SHUFFLE(3, 0, 1, 2));
    const __m256 keep =
        _mm256_mul_ps(_mm256_sub_ps(one, _mm256_shuffle_ps(src, src, _MM_SHUFFLE(3, 3, 3, 3))), w);
    const __m256 o = _mm256_add_ps(src, _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(d8)), keep));
    const __m256i q = _mm256_cvttps_epi32(_mm256_min_ps(_mm256_add_ps(_mm256_mul_ps(o, full), half), full));
    out[h] = _mm_packs_epi32(_mm256_castsi256_si128(q), _mm256_extracti128_si256(q, 1));
  }
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_packus_epi16(out[0], out[1]));
}
#endif

enum class QorvTexelBlendIsa
{
  kScalar,
  kSse2,
  kAvx2
};

// The widest the processor runs.
inline QorvTexelBlendIsa QorvBestTexelBlendIsa()
{
#if defined(__SSE2__)
  static const bool avx2 = __builtin_cpu_supports("avx2") != 0;
  return avx2 ? QorvTexelBlendIsa::kAvx2 : QorvTexelBlendIsa::kSse2;
#else
  return QorvTexelBlendIsa::kScalar;
#endif
}

// How many of the n texels from p on, one after the other, have all the bytes of mask equal to those of
// value (mask and value: one texel's bytes as a word).
inline int QorvTexelsLike(const unsigned char* p, int n, uint32_t mask, uint32_t value)
{
  int i = 0;
#if defined(__SSE2__)
  const __m128i m = _mm_set1_epi32((int)mask), v = _mm_set1_epi32((int)value);
  for (; i + 4 <= n; i += 4)
  {
    const __m128i texels = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + (size_t)i * 4)), m);
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

// n RGBA8 texels as stored onto n pixels, swapped into memory order for BGRA.
inline void QorvCopyTexels(const unsigned char* texels, unsigned char* p, int n, bool bgra)
{
  if (!bgra)
  {
    std::memcpy(p, texels, (size_t)n * 4);
    return;
  }
  for (int i = 0; i < n; ++i, p += 4, texels += 4)
  {
    uint32_t v;
    std::memcpy(&v, texels, 4);
    v = (v & 0xFF00FF00u) | ((v >> 16) & 0xFFu) | ((v & 0xFFu) << 16);
    std::memcpy(p, &v, 4);
  }
}

// Texels side by side in a row of the texture over m pixels, each covered whole, blended source-over: runs of
// transparent texels are left, runs of opaque ones copied (swapped into BGRA), and the rest blended four at a
// time by Four (a group's opaque or transparent texels come out alike).
template <bool Bgra, bool Straight, class Four>
inline void QorvTexelRowOverWith(const unsigned char* row, unsigned char* crow, int m, Four four)
{
  const uint32_t alpha = 0xFF000000u, nothing = Straight ? alpha : 0xFFFFFFFFu;
  for (int i = 0; i < m;)
  {
    i += QorvTexelsLike(row + (size_t)i * 4, m - i, nothing, 0);
    if (i == m) break;
    const int j = i + QorvTexelsLike(row + (size_t)i * 4, m - i, alpha, alpha);
    if (j > i)
    {
      QorvCopyTexels(row + (size_t)i * 4, crow + (size_t)i * 4, j - i, Bgra);
      i = j;
      continue;
    }
    const int n = m - i < 4 ? m - i : 4;
    const unsigned char* t = row + (size_t)i * 4;
    unsigned char* p = crow + (size_t)i * 4;
    if (n == 4)
      four(t, p);
    else
    {
      unsigned char tt[16] = {}, dd[16] = {};
      std::memcpy(tt, t, (size_t)n * 4);
      std::memcpy(dd, p, (size_t)n * 4);
      four(tt, dd);
      std::memcpy(p, dd, (size_t)n * 4);
    }
    i += n;
  }
}

template <bool Bgra, bool Straight> void QorvTexelRowOverScalar(const unsigned char* row, unsigned char* crow, int m)
{
  QorvTexelRowOverWith<Bgra, Straight>(row, crow, m,
                                       [](const unsigned char* t, unsigned char* p)
                                       {
                                         for (int i = 0; i < 4; ++i)
                                           QorvBlendTexelScalar<Bgra, Straight>(t + 4 * i, p + 4 * i);
                                       });
}

#if defined(__SSE2__)
template <bool Bgra, bool Straight> void QorvTexelRowOverSse2(const unsigned char* row, unsigned char* crow, int m)
{
  QorvTexelRowOverWith<Bgra, Straight>(row, crow, m, [](const unsigned char* t, unsigned char* p)
                                       { QorvBlendTexels4Sse2<Bgra, Straight>(t, p); });
}

template <bool Bgra, bool Straight>
[[gnu::target("avx2"), gnu::flatten]] void QorvTexelRowOverAvx2(const unsigned char* row, unsigned char* crow,
                                                               int m)
{
  QorvTexelRowOverWith<Bgra, Straight>(row, crow, m, [](const unsigned char* t, unsigned char* p)
                                       { QorvBlendTexels4Avx2<Bgra, Straight>(t, p); });
}
#endif

template <bool Bgra, bool Straight>
inline void QorvTexelRowOverIsa(const unsigned char* row, unsigned char* crow, int m, QorvTexelBlendIsa isa)
{
#if defined(__SSE2__)
  if (isa == QorvTexelBlendIsa::kAvx2) return QorvTexelRowOverAvx2<Bgra, Straight>(row, crow, m);
  if (isa == QorvTexelBlendIsa::kSse2) return QorvTexelRowOverSse2<Bgra, Straight>(row, crow, m);
#endif
  QorvTexelRowOverScalar<Bgra, Straight>(row, crow, m);
}

// QorvTexelRowOverWith in the build for isa.
inline void QorvTexelRowOver(const unsigned char* row, unsigned char* crow, int m, bool bgra, bool straight,
                             QorvTexelBlendIsa isa)
{
  if (bgra)
    straight ? QorvTexelRowOverIsa<true, true>(row, crow, m, isa) : QorvTexelRowOverIsa<true, false>(row, crow, m, isa);
  else
    straight ? QorvTexelRowOverIsa<false, true>(row, crow, m, isa)
             : QorvTexelRowOverIsa<false, false>(row, crow, m, isa);
}
