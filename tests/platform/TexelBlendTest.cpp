// The software GPU's blend of texels taken one for one along a row: the SSE2 and AVX2 builds, with their
// skipped transparent groups and copied opaque ones, give every byte that the portable arithmetic gives pixel
// by pixel, over random rows of every kind of alpha on random targets, and their integer kernels do so for
// every texel and target byte; the copies of opaque texels, swapped into BGRA or not, in every build.
// Tens of millions of blends: optimised as the product's build is, sanitisers or not.
#if !defined(__clang__)
#pragma GCC optimize("O2")
#endif

#include "platform/src/Metal/TexelBlend.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace
{
// Runs of one kind of texel (opaque, transparent, in between, colour above alpha), so that the runs the
// fast path looks for are there, of every length.
std::vector<unsigned char> RandomRow(std::mt19937& rng, int n)
{
  std::vector<unsigned char> px((size_t)n * 4);
  unsigned kind = 0;
  for (int i = 0; i < n; ++i)
  {
    if (rng() % 5 == 0) kind = rng() % 5;
    unsigned char* p = &px[(size_t)i * 4];
    for (int c = 0; c < 3; ++c)
      p[c] = (unsigned char)rng();
    p[3] = kind == 0   ? 255
           : kind == 1 ? 0
           : kind == 2 ? (unsigned char)(1 + rng() % 254)
                       : (unsigned char)rng();
    if (kind == 1 && rng() % 2) p[0] = p[1] = p[2] = 0; // premultiplied transparent: nothing at all
    if (kind == 4) p[0] = p[1] = p[2] = (unsigned char)(p[3] / 2); // premultiplied below alpha
  }
  return px;
}

std::vector<unsigned char> Reference(const std::vector<unsigned char>& texels, std::vector<unsigned char> dst,
                                     bool bgra, bool straight)
{
  for (size_t i = 0; i < dst.size(); i += 4)
  {
    if (bgra)
      straight ? QorvBlendTexelScalar<true, true>(&texels[i], &dst[i])
               : QorvBlendTexelScalar<true, false>(&texels[i], &dst[i]);
    else
      straight ? QorvBlendTexelScalar<false, true>(&texels[i], &dst[i])
               : QorvBlendTexelScalar<false, false>(&texels[i], &dst[i]);
  }
  return dst;
}
} // namespace

TEST(TexelBlend, EveryBuildGivesThePortableBytes)
{
  std::vector<QorvTexelBlendIsa> isas = {QorvTexelBlendIsa::kScalar};
#if defined(__SSE2__)
  isas.push_back(QorvTexelBlendIsa::kSse2);
  if (__builtin_cpu_supports("avx2")) isas.push_back(QorvTexelBlendIsa::kAvx2);
#endif
  std::mt19937 rng(7);
  for (int round = 0; round < 3000; ++round)
  {
    const int n = 1 + (int)(rng() % 140);
    const bool bgra = rng() % 2, straight = rng() % 2;
    const std::vector<unsigned char> texels = RandomRow(rng, n);
    std::vector<unsigned char> dst = RandomRow(rng, n);
    const std::vector<unsigned char> want = Reference(texels, dst, bgra, straight);
    for (QorvTexelBlendIsa isa : isas)
    {
      std::vector<unsigned char> got = dst;
      QorvTexelRowOver(texels.data(), got.data(), n, bgra, straight, isa);
      ASSERT_EQ(got, want) << "round " << round << " isa " << (int)isa << " n " << n << " bgra " << bgra
                           << " straight " << straight;
    }
  }
}

// Every texel value over every target value of one channel and alpha: the blend that fast paths skip or copy
// gives back the target (transparent) or the texel (opaque), and the SIMD builds agree on all of them.
TEST(TexelBlend, OpaqueAndTransparentTexelsComeOutAsStoredAndAsNothing)
{
  for (int d = 0; d < 256; ++d)
    for (int c = 0; c < 256; ++c)
    {
      const unsigned char opaque[4] = {(unsigned char)c, (unsigned char)(255 - c), (unsigned char)d, 255};
      unsigned char p[4] = {(unsigned char)d, (unsigned char)c, 7, (unsigned char)(255 - d)};
      QorvBlendTexelScalar<false, true>(opaque, p);
      ASSERT_EQ(0, std::memcmp(p, opaque, 4)) << c << " " << d;
      const unsigned char none[4] = {(unsigned char)c, 1, 2, 0};
      unsigned char q[4] = {(unsigned char)d, (unsigned char)c, 9, (unsigned char)(255 - c)};
      const unsigned char before[4] = {q[0], q[1], q[2], q[3]};
      QorvBlendTexelScalar<false, true>(none, q);
      ASSERT_EQ(0, std::memcmp(q, before, 4)) << c << " " << d;
    }
}

namespace
{
std::vector<QorvTexelBlendIsa> SimdIsas()
{
  std::vector<QorvTexelBlendIsa> isas;
#if defined(__SSE2__)
  isas.push_back(QorvTexelBlendIsa::kSse2);
  if (__builtin_cpu_supports("ssse3")) isas.push_back(QorvTexelBlendIsa::kSsse3);
  if (__builtin_cpu_supports("avx2")) isas.push_back(QorvTexelBlendIsa::kAvx2);
#endif
  return isas;
}

std::vector<QorvTexelBlendIsa> EveryIsa()
{
  std::vector<QorvTexelBlendIsa> isas = SimdIsas();
  isas.insert(isas.begin(), QorvTexelBlendIsa::kScalar);
  return isas;
}

// round(x / 255) for x from 0 to 255 * 255, as the integer builds claim to give it.
int RoundedOver255(int x)
{
  return (x + 127) / 255;
}

#if defined(__SSE2__)
// The four- or eight-texel kernel of isa over a whole number of its groups.
template <bool Bgra, bool Straight>
void BlendGroups(const unsigned char* texels, unsigned char* p, int n, QorvTexelBlendIsa isa)
{
  const int w = isa == QorvTexelBlendIsa::kAvx2 ? 8 : 4;
  for (int i = 0; i < n; i += w)
    if (isa == QorvTexelBlendIsa::kAvx2)
      QorvTexelGroupAvx2::Blend<Bgra, Straight>(texels + (size_t)i * 4, p + (size_t)i * 4, p + (size_t)i * 4);
    else
      QorvTexelGroupSse2::Blend<Bgra, Straight>(texels + (size_t)i * 4, p + (size_t)i * 4, p + (size_t)i * 4);
}

// The first byte where got and want differ, told as the texel's bytes, the target's byte and the isa.
::testing::AssertionResult SameBytes(const std::vector<unsigned char>& got,
                                     const std::vector<unsigned char>& want,
                                     const std::vector<unsigned char>& texels,
                                     const std::vector<unsigned char>& dst, const char* what)
{
  if (got == want) return ::testing::AssertionSuccess();
  size_t i = 0;
  while (got[i] == want[i])
    ++i;
  const unsigned char* t = &texels[i / 4 * 4];
  return ::testing::AssertionFailure() << what << ": byte " << i % 4 << " of texel (" << (int)t[0] << ", "
                                       << (int)t[1] << ", " << (int)t[2] << ", " << (int)t[3] << ") over "
                                       << (int)dst[i] << " gives " << (int)got[i] << ", not " << (int)want[i];
}

// For one alpha a: every target byte d under every texel byte c (three colour channels a texel, so 86 texels
// for each d, a whole number of groups of eight over all of them), straight or premultiplied, through the
// kernels of isas into RGBA and BGRA. Raw loops: this runs tens of millions of blends under the sanitizers.
template <bool Straight> void ExpectEveryColourAndTarget(int a, const std::vector<QorvTexelBlendIsa>& isas)
{
  constexpr int perTarget = 86, n = 256 * perTarget;
  static_assert(n % 8 == 0);
  constexpr size_t bytes = (size_t)n * 4;
  std::vector<unsigned char> texels(bytes), dst(bytes);
  unsigned char *t = texels.data(), *d = dst.data();
  for (int i = 0; i < n; ++i)
  {
    const int c = 3 * (i % perTarget);
    for (int j = 0; j < 3; ++j)
      t[4 * i + j] = (unsigned char)(c + j > 255 ? 255 : c + j);
    t[4 * i + 3] = (unsigned char)a;
    std::memset(d + 4 * i, i / perTarget, 4);
  }
  std::vector<unsigned char> want = dst, exact(bytes), swapped(bytes);
  unsigned char* w = want.data();
  for (size_t i = 0; i < bytes; i += 4)
    QorvBlendTexelScalar<false, Straight>(t + i, w + i);
  // The closed forms that the integer arithmetic follows.
  for (size_t i = 0; i < bytes; ++i)
  {
    const int c = i % 4 == 3 && Straight ? 255 : t[i];
    const int sum =
        Straight ? RoundedOver255(c * a + d[i] * (255 - a)) : c + RoundedOver255(d[i] * (255 - a));
    exact[i] = (unsigned char)(sum > 255 ? 255 : sum);
  }
  ASSERT_TRUE(
      SameBytes(want, exact, texels, dst, Straight ? "straight, portable" : "premultiplied, portable"));
  // Into BGRA the same bytes with red and blue swapped.
  QorvSwapTexelsScalar(w, swapped.data(), n);
  for (QorvTexelBlendIsa isa : isas)
  {
    const char* name = isa == QorvTexelBlendIsa::kAvx2 ? "avx2" : "sse2";
    std::vector<unsigned char> got = dst;
    BlendGroups<false, Straight>(t, got.data(), n, isa);
    ASSERT_TRUE(SameBytes(got, want, texels, dst, name)) << "straight " << Straight << ", into RGBA";
    got = dst;
    BlendGroups<true, Straight>(t, got.data(), n, isa);
    ASSERT_TRUE(SameBytes(got, swapped, texels, dst, name)) << "straight " << Straight << ", into BGRA";
  }
}
#endif
} // namespace

// Every texel byte, alpha and target byte, through each SIMD build's kernels, straight and premultiplied,
// into both orders: the same bytes as the portable float arithmetic, which itself rounds the exact quotients.
TEST(TexelBlend, EverySimdKernelGivesThePortableBytesForEveryTexelAndTarget)
{
#if defined(__SSE2__)
  std::vector<QorvTexelBlendIsa> isas = SimdIsas();
  std::erase(isas, QorvTexelBlendIsa::kSsse3); // blends in the SSE2 kernels
  for (int a = 0; a < 256; ++a)
  {
    ExpectEveryColourAndTarget<true>(a, isas);
    ExpectEveryColourAndTarget<false>(a, isas);
    if (HasFatalFailure()) return;
  }
#endif
}

// Rows of every length up to a few groups of eight, of runs of transparent, opaque and translucent texels, at
// byte offsets from alignment, through every build: the portable bytes, and not a byte outside the row.
TEST(TexelBlend, EveryBuildBlendsRowsOfEveryLengthAndStartAsThePortableArithmetic)
{
  constexpr size_t guard = 40;
  std::mt19937 rng(11);
  for (int round = 0; round < 40; ++round)
    for (int n = 0; n <= 70; ++n)
    {
      const bool bgra = rng() % 2, straight = rng() % 2;
      const size_t texelShift = rng() % 4, targetShift = rng() % 4;
      const std::vector<unsigned char> row = RandomRow(rng, n), under = RandomRow(rng, n);
      std::vector<unsigned char> texels(guard + (size_t)n * 4), dst(2 * guard + (size_t)n * 4);
      for (unsigned char& b : texels)
        b = (unsigned char)(rng() | 1); // past the row: texels that would change the target
      for (unsigned char& b : dst)
        b = (unsigned char)rng();
      std::copy(row.begin(), row.end(), texels.begin() + (std::ptrdiff_t)texelShift);
      std::copy(under.begin(), under.end(), dst.begin() + (std::ptrdiff_t)(guard + targetShift));
      std::vector<unsigned char> want = dst;
      const std::vector<unsigned char> blended = Reference(row, under, bgra, straight);
      std::copy(blended.begin(), blended.end(), want.begin() + (std::ptrdiff_t)(guard + targetShift));
      for (QorvTexelBlendIsa isa : EveryIsa())
      {
        std::vector<unsigned char> got = dst;
        QorvTexelRowOver(&texels[texelShift], &got[guard + targetShift], n, bgra, straight, isa);
        ASSERT_EQ(got, want) << "n " << n << " isa " << (int)isa << " bgra " << bgra << " straight "
                             << straight << " shifts " << texelShift << " " << targetShift;
      }
    }
}

// The opaque copy, swapped into BGRA or not, of every length and start, through every build: each pixel its
// texel's bytes (red and blue swapped for BGRA), and not a byte outside the run.
TEST(TexelBlend, EveryBuildCopiesTexelsOfEveryLengthAndStart)
{
  constexpr size_t guard = 40;
  std::mt19937 rng(5);
  for (int n = 0; n <= 70; ++n)
    for (size_t shift = 0; shift < 4; ++shift)
    {
      std::vector<unsigned char> texels((size_t)n * 4 + 3), dst(2 * guard + (size_t)n * 4);
      for (unsigned char& b : texels)
        b = (unsigned char)rng();
      for (unsigned char& b : dst)
        b = (unsigned char)rng();
      const unsigned char* from = texels.data() + (3 - shift);
      for (const bool bgra : {false, true})
      {
        std::vector<unsigned char> want = dst;
        for (int i = 0; i < n; ++i)
          for (int j = 0; j < 4; ++j)
            want[guard + shift + (size_t)i * 4 + (size_t)j] = from[i * 4 + (bgra && j != 3 ? 2 - j : j)];
        for (QorvTexelBlendIsa isa : EveryIsa())
        {
          std::vector<unsigned char> got = dst;
          QorvCopyTexelsIsa(from, &got[guard + shift], n, bgra, isa);
          ASSERT_EQ(got, want) << "n " << n << " isa " << (int)isa << " bgra " << bgra << " shift " << shift;
        }
      }
    }
}
