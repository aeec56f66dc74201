// A long row of texels taken one for one goes over in pieces only where its varyings step exactly in float:
// then every chunk of the piece computes the values the piece does. The test of that exactness against the
// stepping itself, over random starts and steps (whole pixels, halves, quarters, thirds, anything).
#include "platform/src/Metal/RasterDraw.h"

#include <QorvPlatform/Metal.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

using qorv_raster::SteppedExactly;

namespace
{
// Whether every value start + i * step, stepped as the rasteriser and the shaders do, is the exact one.
bool StepsExactly(float start, float step, int n)
{
  for (int i = 0; i < n; ++i)
  {
    const float times = (float)i * step, value = start + times;
    if ((double)times != (double)i * (double)step ||
        (double)value != (double)start + (double)i * (double)step)
      return false;
  }
  return true;
}
} // namespace

TEST(RowPieces, ExactStepsAreFoundAndOnlyThose)
{
  std::mt19937 rng(3);
  int found = 0;
  for (int round = 0; round < 20000; ++round)
  {
    const int n = 1 + (int)(rng() % 1024);
    const int kind = (int)(rng() % 6);
    const float denominators[6] = {1.0f, 2.0f, 4.0f, 3.0f, 1024.0f, 1.0f};
    const float d = denominators[kind];
    // Pixel centres in view units, at a ratio of 1, 2, 4, 3, very fine, or any float.
    const float start = kind == 5 ? std::uniform_real_distribution<float>(-5000.0f, 5000.0f)(rng)
                                  : ((float)((int)(rng() % 40000) - 20000) + 0.5f) / d;
    const float step = kind == 5 ? std::uniform_real_distribution<float>(-2.0f, 2.0f)(rng)
                                 : (rng() % 8 == 0 ? 0.0f : (rng() % 2 ? 1.0f : -1.0f) / d);
    const bool said = SteppedExactly(start, step, n);
    if (said)
    {
      ++found;
      ASSERT_TRUE(StepsExactly(start, step, n)) << start << " " << step << " " << n;
    }
    if (kind <= 2 || kind == 4)
    {
      EXPECT_TRUE(said) << start << " " << step << " " << n; // dyadic, small
    }
  }
  EXPECT_GT(found, 10000);
  // Near the end of float's bits, and values that are not numbers.
  EXPECT_FALSE(SteppedExactly(16777215.0f, 1.0f, 4));
  EXPECT_TRUE(SteppedExactly(16777211.0f, 1.0f, 4));
  EXPECT_FALSE(SteppedExactly(0.25f, 1.0f / 3.0f, 2));
  EXPECT_FALSE(SteppedExactly(std::nanf(""), 0.0f, 8));
  EXPECT_FALSE(SteppedExactly(1.0f, std::numeric_limits<float>::infinity(), 8));
}

// A rectangle's rows (or a row's chunks) take a varying worked out once where VaryingStays says that it comes
// out the same everywhere: the test of that against the value worked out at every row, over varyings that do
// stay (a column's x, a fringe's coverage across it: their steps cancel), that nearly do, and any, at the
// sizes of edge functions in fixed point.
TEST(RowPieces, VaryingsThatStayAreFoundAndOnlyThose)
{
  using qorv_raster::SignificantBits;
  using qorv_raster::VaryingStays;
  std::mt19937 rng(5);
  auto between = [&](int64_t lo, int64_t hi) { return lo + (int64_t)(rng() % (uint64_t)(hi - lo + 1)); };
  int found = 0, staying = 0;
  for (int round = 0; round < 20000; ++round)
  {
    const int kind = (int)(rng() % 3); // staying, nearly, any
    const int64_t scale = int64_t(1) << between(4, 22);
    const int64_t s0 = between(-scale, scale), s1 = between(-scale, scale);
    const int64_t e0 = between(-scale, scale) << between(0, 24), e1 = between(-scale, scale)
                                                                      << between(0, 24);
    const int rows = 1 + (int)(rng() % 1024);
    // Terms as differences of vertex values; a staying varying's steps cancel: a = s1 * t, b = -s0 * t.
    auto dyadic = [&] { return (double)between(-4096, 4096) / (double)(int64_t(1) << between(0, 12)); };
    const double t = dyadic();
    double a = (double)s1 * t, b = -(double)s0 * t;
    // Nearly: a little off, in few bits, so that the products stay exact; any: few bits too, or many.
    if (kind == 1) a += (double)between(1, 8) / 1024.0;
    if (kind == 2)
    {
      a = dyadic(), b = dyadic();
      if (rng() % 4 == 0) a = std::uniform_real_distribution<double>(-100, 100)(rng);
    }
    const double c = std::uniform_real_distribution<double>(-1000, 1000)(rng),
                 inv = 1.0 / (double)between(1, int64_t(1) << 40);
    const int64_t last0 = e0 + (int64_t)(rows - 1) * s0, last1 = e1 + (int64_t)(rows - 1) * s1;
    const int bits0 = std::max({SignificantBits(e0), SignificantBits(last0), SignificantBits(s0)});
    const int bits1 = std::max({SignificantBits(e1), SignificantBits(last1), SignificantBits(s1)});
    if (!VaryingStays(a, b, bits0, bits1, s0, s1)) continue;
    ++found;
    staying += kind == 0;
    auto at = [&](int r)
    { return (float)(c + ((double)(e0 + r * s0) * a + (double)(e1 + r * s1) * b) * inv); };
    const float first = at(0);
    for (int r = 1; r < rows; ++r)
    {
      const float value = at(r);
      ASSERT_EQ(std::memcmp(&value, &first, sizeof value), 0) << round << " " << kind << " " << r;
    }
  }
  // Most staying varyings are found, where the products fit.
  EXPECT_GT(staying, 3000);
  EXPECT_LT(found - staying, 200);
}

// A triangle's varyings as terms of its edge functions are the same doubles in both arithmetics, for any
// count of varyings and any mix of flat and moving ones (values repeat from a few, signed zeros and NaN
// among them).
TEST(RowPieces, VaryingTermsAgreeInBothArithmetics)
{
  using qorv_raster::Draw;
  using qorv_raster::Vertex;
  const float pool[] = {0.0f, -0.0f, 1.0f, 0.5f, 1e-30f, -3.25f, 1e30f, NAN, INFINITY};
  std::mt19937 rng(9);
  for (int round = 0; round < 2000; ++round)
  {
    Vertex v[3];
    for (Vertex& vertex : v)
      for (float& value : vertex.varyings)
        value = pool[rng() % (sizeof pool / sizeof *pool)];
    // Mostly a vertex's values repeat another's, so that some varyings are flat.
    for (int k = 0; k < kQorvMaxVaryings; ++k)
      if (rng() % 2) v[0].varyings[k] = v[1].varyings[k] = v[2].varyings[k];
    Draw::Span sp{};
    sp.a = &v[0], sp.b = &v[1], sp.c = &v[2], sp.inv = 0.25;
    const int count = (int)(rng() % (kQorvMaxVaryings + 1));
    Draw::VaryingTerms terms[2];
    for (bool portable : {false, true})
      terms[portable] = Draw::VaryingTerms(sp, count, !portable);
    const Draw::VaryingTerms &simd = terms[0], &plain = terms[1];
    auto same = [](const double* x, const double* y, int n)
    { return std::memcmp(x, y, sizeof(double) * n) == 0; };
    ASSERT_EQ(simd.movingCount, plain.movingCount) << round;
    ASSERT_TRUE(std::equal(simd.flat, simd.flat + count, plain.flat)) << round;
    ASSERT_TRUE(same(simd.a, plain.a, count) && same(simd.b, plain.b, count) && same(simd.c, plain.c, count))
        << round;
    const int moving = plain.movingCount;
    ASSERT_TRUE(std::equal(simd.moving, simd.moving + moving, plain.moving)) << round;
    ASSERT_TRUE(same(simd.ma, plain.ma, moving) && same(simd.mb, plain.mb, moving) &&
                same(simd.mc, plain.mc, moving))
        << round;
  }
}
