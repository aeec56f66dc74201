// Premultiplied source-over into 8-bit RGBA or BGRA colour, the renderer's usual blend, without the general
// factor table: one pixel, a row of pixels, and a row that takes one colour throughout.
#pragma once

#include <QorvPlatform/MetalOptions.h>

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Whether options run the SIMD arithmetic: the build has it and they do not turn it off (the portable
// arithmetic, which builds without SIMD, gives the same bytes, and tests compare them). Code that has a draw
// asks it of the draw's options and hands the answer on.
inline bool QorvSimdOn(const QorvGpuOptions& options)
{
#if defined(__SSE2__)
  return options.simd;
#else
  return (void)options, false;
#endif
}

inline float QorvClampUnit(float v)
{
  return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f;
}

// Round to nearest, as the unorm conversion of QorvStorePixel; v is not below 0.
inline unsigned char QorvRoundToByte(float v)
{
  return v >= 1.0f ? 255 : (unsigned char)(v * 255.0f + 0.5f);
}

#if defined(__SSE2__)
// QorvSourceOver four channels at once.
template <bool Bgra> inline void QorvSourceOverSse2(unsigned char* p, const float colourOut[4])
{
  const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f);
  __m128 src = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(colourOut), zero), one); // NaN reads as 0
  if (_mm_movemask_ps(_mm_cmpeq_ps(src, zero)) == 0xF) return;
  if (Bgra) src = _mm_shuffle_ps(src, src, _MM_SHUFFLE(3, 0, 1, 2));
  const float a = _mm_cvtss_f32(_mm_shuffle_ps(src, src, _MM_SHUFFLE(3, 3, 3, 3)));
  const __m128 keep = _mm_set1_ps((1.0f - a) * (1.0f / 255.0f));
  uint32_t bytes;
  std::memcpy(&bytes, p, 4);
  __m128i d = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128((int)bytes), _mm_setzero_si128()),
                                 _mm_setzero_si128());
  __m128 o = _mm_add_ps(src, _mm_mul_ps(_mm_cvtepi32_ps(d), keep));
  // Round to nearest as QorvRoundToByte: anything from 1 up gives 255.
  __m128i q = _mm_cvttps_epi32(
      _mm_min_ps(_mm_add_ps(_mm_mul_ps(o, _mm_set1_ps(255.0f)), _mm_set1_ps(0.5f)), _mm_set1_ps(255.0f)));
  q = _mm_packs_epi32(q, q);
  bytes = (uint32_t)_mm_cvtsi128_si32(_mm_packus_epi16(q, q));
  std::memcpy(p, &bytes, 4);
}
#endif

// One pixel in the portable arithmetic; Bgra swaps red and blue of the source into memory order.
template <bool Bgra> inline void QorvSourceOverPortable(unsigned char* p, const float colourOut[4])
{
  float src[4];
  for (int i = 0; i < 4; ++i)
    src[i] = QorvClampUnit(colourOut[i]);
  if (src[3] == 0 && src[0] == 0 && src[1] == 0 && src[2] == 0) return;
  const int r = Bgra ? 2 : 0, b = 2 - r;
  const float keep = (1.0f - src[3]) * (1.0f / 255.0f);
  float o[4] = {src[0] + p[r] * keep, src[1] + p[1] * keep, src[2] + p[b] * keep, src[3] + p[3] * keep};
  p[r] = QorvRoundToByte(o[0]), p[1] = QorvRoundToByte(o[1]), p[b] = QorvRoundToByte(o[2]),
  p[3] = QorvRoundToByte(o[3]);
}

// One pixel, in the SIMD arithmetic when simd is set (QorvSimdOn).
template <bool Bgra>
inline void QorvSourceOver(unsigned char* p, const float colourOut[4], [[maybe_unused]] bool simd)
{
#if defined(__SSE2__)
  if (simd) return QorvSourceOverSse2<Bgra>(p, colourOut);
#endif
  QorvSourceOverPortable<Bgra>(p, colourOut);
}

#if defined(__SSE2__)
// Four pixels of a row: sources clamped and in memory order, each with its weight (1 - alpha) / 255; the sums
// of QorvSourceOver. Pixels whose write flag (one byte each in flags) is 0 keep their bytes.
inline void QorvSourceOver4(unsigned char* p, const __m128 src[4], const __m128 keep[4], uint32_t flags)
{
  const __m128i z = _mm_setzero_si128();
  const __m128i dst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i lo = _mm_unpacklo_epi8(dst, z), hi = _mm_unpackhi_epi8(dst, z);
  const __m128i d[4] = {_mm_unpacklo_epi16(lo, z), _mm_unpackhi_epi16(lo, z), _mm_unpacklo_epi16(hi, z),
                        _mm_unpackhi_epi16(hi, z)};
  __m128i q[4];
  for (int i = 0; i < 4; ++i)
  {
    const __m128 o = _mm_add_ps(src[i], _mm_mul_ps(_mm_cvtepi32_ps(d[i]), keep[i]));
    q[i] = _mm_cvttps_epi32(
        _mm_min_ps(_mm_add_ps(_mm_mul_ps(o, _mm_set1_ps(255.0f)), _mm_set1_ps(0.5f)), _mm_set1_ps(255.0f)));
  }
  __m128i out = _mm_packus_epi16(_mm_packs_epi32(q[0], q[1]), _mm_packs_epi32(q[2], q[3]));
  if (flags != 0x01010101u)
  {
    const __m128i mask =
        _mm_cmpgt_epi32(_mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128((int)flags), z), z), z);
    out = _mm_or_si128(_mm_and_si128(mask, out), _mm_andnot_si128(mask, dst));
  }
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), out);
}

// A shaded colour clamped to 0..1 (NaN reads as 0) and put in memory order, and its weight.
template <bool Bgra> inline __m128 QorvSourceIn(const float colour[4], __m128& keep)
{
  const __m128 one = _mm_set1_ps(1.0f);
  __m128 src = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(colour), _mm_setzero_ps()), one);
  if (Bgra) src = _mm_shuffle_ps(src, src, _MM_SHUFFLE(3, 0, 1, 2));
  keep = _mm_mul_ps(_mm_sub_ps(one, _mm_shuffle_ps(src, src, _MM_SHUFFLE(3, 3, 3, 3))),
                    _mm_set1_ps(1.0f / 255.0f));
  return src;
}
#endif

// QorvSourceOver on the pixels of a row whose write flag is set, four pixels to a step where it can. Pixels
// left out keep their bytes; a transparent source gives back the same bytes, so it need not be skipped.
template <bool Bgra>
inline void QorvSourceOverRow(unsigned char* p, const float (*colourOut)[4], const unsigned char* write,
                              int m, bool simd)
{
  int t = 0;
#if defined(__SSE2__)
  for (; simd && t + 4 <= m; t += 4)
  {
    uint32_t flags;
    std::memcpy(&flags, write + t, 4);
    if (flags == 0) continue;
    __m128 src[4], keep[4];
    for (int i = 0; i < 4; ++i)
      src[i] = QorvSourceIn<Bgra>(colourOut[t + i], keep[i]);
    QorvSourceOver4(p + (size_t)t * 4, src, keep, flags);
  }
#endif
  for (; t < m; ++t)
    if (write[t]) QorvSourceOver<Bgra>(p + (size_t)t * 4, colourOut[t], simd);
}

// QorvSourceOverRow for a row whose fragments share one colour: the source is prepared once, and an opaque
// one is a single byte pattern. Without write flags (null) every pixel is written. repeats (QorvGpuOptions
// repeatedBlends): four pixels written whole that hold the bytes the last four so written held take their
// result.
template <bool Bgra>
inline void QorvSourceOverRowOne(unsigned char* p, const float colour[4], const unsigned char* write, int m,
                                 bool simd, [[maybe_unused]] bool repeats = false)
{
  auto written = [write](int t) { return !write || write[t]; };
  int t = 0;
#if defined(__SSE2__)
  auto flagsAt = [write](int t)
  {
    uint32_t flags = 0x01010101u;
    if (write) std::memcpy(&flags, write + t, 4);
    return flags;
  };
  if (simd)
  {
    __m128 keep;
    const __m128 src = QorvSourceIn<Bgra>(colour, keep);
    if (_mm_movemask_ps(_mm_cmpeq_ps(src, _mm_setzero_ps())) == 0xF) return;
    if (_mm_movemask_ps(_mm_cmpeq_ps(keep, _mm_setzero_ps())) == 0xF)
    {
      // Opaque: the destination is weighed by zero, so every written pixel becomes these bytes.
      uint32_t bytes = 0;
      QorvSourceOver<Bgra>(reinterpret_cast<unsigned char*>(&bytes), colour, simd);
      const uint32_t four[4] = {bytes, bytes, bytes, bytes};
      for (; t + 4 <= m; t += 4)
      {
        if (flagsAt(t) == 0x01010101u)
          std::memcpy(p + (size_t)t * 4, four, 16);
        else
          for (int i = 0; i < 4; ++i)
            if (write[t + i]) std::memcpy(p + (size_t)(t + i) * 4, &bytes, 4);
      }
      for (; t < m; ++t)
        if (written(t)) std::memcpy(p + (size_t)t * 4, &bytes, 4);
      return;
    }
    const __m128 srcs[4] = {src, src, src, src}, keeps[4] = {keep, keep, keep, keep};
    // A row of one colour mostly lies over pixels of one colour (a background, an earlier fill's inside).
    __m128i before = _mm_setzero_si128(), after = before;
    bool known = false;
    for (; t + 4 <= m; t += 4)
      if (const uint32_t flags = flagsAt(t))
      {
        auto* q = reinterpret_cast<__m128i*>(p + (size_t)t * 4);
        if (!repeats || flags != 0x01010101u)
        {
          QorvSourceOver4(p + (size_t)t * 4, srcs, keeps, flags);
          continue;
        }
        const __m128i d = _mm_loadu_si128(q);
        if (known && _mm_movemask_epi8(_mm_cmpeq_epi8(d, before)) == 0xffff)
        {
          _mm_storeu_si128(q, after);
          continue;
        }
        QorvSourceOver4(p + (size_t)t * 4, srcs, keeps, flags);
        before = d, after = _mm_loadu_si128(q), known = true;
      }
  }
#endif
  for (; t < m; ++t)
    if (written(t)) QorvSourceOver<Bgra>(p + (size_t)t * 4, colour, simd);
}
