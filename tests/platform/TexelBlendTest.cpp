// The software GPU's blend of texels taken one for one along a row: the SSE2 and AVX2 builds, with their
// skipped transparent runs and copied opaque ones, give every byte that the portable arithmetic gives pixel by
// pixel, over random rows of every kind of alpha on random targets.
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
    p[3] = kind == 0 ? 255 : kind == 1 ? 0 : kind == 2 ? (unsigned char)(1 + rng() % 254) : (unsigned char)rng();
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
