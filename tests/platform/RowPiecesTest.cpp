// A long row of texels taken one for one goes over in pieces only where its varyings step exactly in float:
// then every chunk of the piece computes the values the piece does. The test of that exactness against the
// stepping itself, over random starts and steps (whole pixels, halves, quarters, thirds, anything).
#include "platform/src/Metal/RasterDraw.h"

#include <gtest/gtest.h>

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
