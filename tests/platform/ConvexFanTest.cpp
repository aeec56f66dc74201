// A quad's fan is made with a shortcut: its corner off the reference triangle is checked alone, two varyings
// at a time in SIMD builds. Over random quads whose varyings are flat, affine, a little off affine on either
// side of the slack allowed, or not finite, it must make the fans the general checks make.
#include "platform/src/Metal/RasterDraw.h"

#include <QorvPlatform/Metal.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <tuple>

using qorv_raster::ConvexFan;
using qorv_raster::MakeConvexFan;
using qorv_raster::Vertex;

TEST(ConvexFan, QuadsAreMadeAsTheGeneralChecksMakeThem)
{
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> unit(0, 1);
  int made = 0, refused = 0, offMade = 0, offRefused = 0;
  for (int trial = 0; trial < 20000; ++trial)
  {
    Vertex v[4];
    // Corners round a centre at growing angles, either way round (convex, mostly), or anywhere.
    const double cx = 4000 + 60000 * unit(rng), cy = 4000 + 60000 * unit(rng), r = 2 + 3000 * unit(rng);
    const bool anywhere = rng() % 8 == 0, reversed = rng() % 2 == 0;
    double angle = 6.2831853 * unit(rng);
    for (Vertex& c : v)
    {
      angle += (reversed ? -1 : 1) * (0.2 + 1.3 * unit(rng));
      c.fx = anywhere ? (int64_t)(60000 * unit(rng)) : (int64_t)(cx + r * std::cos(angle));
      c.fy = anywhere ? (int64_t)(60000 * unit(rng)) : (int64_t)(cy + r * std::sin(angle));
      c.valid = rng() % 64 != 0;
    }
    const int varyings = 1 + (int)(rng() % kQorvMaxVaryings);
    bool off = false;
    for (int k = 0; k < varyings; ++k)
    {
      const double a = 4 * unit(rng) - 2, bx = (unit(rng) - 0.5) * 1e-3, by = (unit(rng) - 0.5) * 1e-3;
      const int kind = (int)(rng() % 5);
      for (int i = 0; i < 4; ++i)
      {
        const double affine = a + bx * (double)v[i].fx + by * (double)v[i].fy;
        // Off by a few units of the plane's slope, about as far as the rounding of corners may carry it.
        const double aside = (std::fabs(bx) + std::fabs(by)) * 6 * unit(rng) * (rng() % 2 ? 1 : -1);
        switch (kind)
        {
        case 0:
          v[i].varyings[k] = (float)a;
          break;
        case 1:
          v[i].varyings[k] = (float)affine;
          break;
        case 2:
          v[i].varyings[k] = (float)(affine + aside);
          break;
        case 3:
          v[i].varyings[k] = i == (int)(rng() % 4) ? (rng() % 2 ? std::numeric_limits<float>::quiet_NaN()
                                                                : std::numeric_limits<float>::infinity())
                                                   : (float)a;
          break;
        default:
          v[i].varyings[k] = (float)(4 * unit(rng) - 2);
        }
      }
      off = off || kind == 2;
    }
    const Vertex* p[4] = {&v[0], &v[1], &v[2], &v[3]};
    ConvexFan general;
    const bool expected = MakeConvexFan(p, 4, varyings, general, QorvGpuOptions{.quadCorners = false});
    (expected ? made : refused) += 1;
    if (off) (expected ? offMade : offRefused) += 1;
    for (bool portable : {false, true})
    {
      ConvexFan quick;
      ASSERT_EQ(MakeConvexFan(p, 4, varyings, quick, QorvGpuOptions{.simd = !portable}), expected)
          << trial << (portable ? " portable" : "");
      if (!expected) continue;
      EXPECT_EQ(quick.clockwise, general.clockwise) << trial;
      EXPECT_EQ(quick.area, general.area) << trial;
      for (int i = 0; i < 3; ++i)
        EXPECT_EQ(quick.reference[i], general.reference[i]) << trial;
      EXPECT_EQ(std::make_tuple(quick.minX, quick.maxX, quick.minY, quick.maxY),
                std::make_tuple(general.minX, general.maxX, general.minY, general.maxY))
          << trial;
    }
  }
  // Both answers are reached, and on either side of the slack.
  EXPECT_GT(made, 1000);
  EXPECT_GT(refused, 1000);
  EXPECT_GT(offMade, 200);
  EXPECT_GT(offRefused, 200);
}
