// Thin convex polygons of hundreds to ten thousand points (a user's outline on an ellipse or a circle)
// put down the ink of their area, 55 % black on white, at scales 1 to 3, upright and turned. Their
// segments are so short that the lines through them turn by less than their float rounding: the inner
// outline of a thin fill built on every one of them met anywhere (a 0.3-pixel ellipse of 4,000 points at
// scale 3 put down 0.65 of its ink, some nothing).
#include "tests/vector/MetalTestContext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

using namespace iplugin::igraphics;

// Named: the tests are built together, and other files' helpers have the same names.
namespace manypoints
{
constexpr int kSide = 64;
constexpr double kAlpha = 0.55;

struct Polygon
{
  float cx, cy, a, b, turn; // on an ellipse of these half axes about (cx, cy), turned
  int points;
  float ratio;
  std::string Name() const
  {
    char text[160];
    std::snprintf(text, sizeof text,
                  "%d points on %.3f x %.3f (%.2f px across) at %.3f, %.3f, turned %.3f, at scale %.1f",
                  points, 2 * a, 2 * b, 2 * b * ratio, cx, cy, turn, ratio);
    return text;
  }
  // Its area in device pixels.
  double Area() const { return points / 2.0 * std::sin(2 * M_PI / points) * a * b * ratio * ratio; }
};

// The ink the polygon puts down.
double InkOf(const Polygon& p)
{
  std::vector<std::pair<double, double>> pts;
  for (int k = 0; k < p.points; k++)
  {
    const float t = 6.2831853f * (float)k / (float)p.points;
    pts.emplace_back(p.a * std::cos(t), p.b * std::sin(t));
  }
  bool convex = false;
  const double ink = qorvtest::PolygonInk(pts, p.cx, p.cy, p.turn, p.ratio, kAlpha, kSide, convex);
  EXPECT_TRUE(convex) << p.Name();
  return ink;
}
} // namespace manypoints

TEST(ThinInk, PolygonsOfThousandsOfPointsPutDownTheirAreasInkAtEveryScale)
{
  using namespace manypoints;
  std::mt19937 rng(5252);
  auto uni = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); };
  for (float ratio : {1.f, 1.5f, 2.f, 3.f})
    for (int points : {500, 2000, 4000, 10000})
      for (int i = 0; i < 3; i++)
      {
        // Ellipses 0.4 to 1.2 pixels across; circles 0.8 to 1.2 (a smaller dot puts down too few levels
        // to count its ink in: a pixel's rounding is a tenth of it).
        Polygon p{uni(28, 36), uni(28, 36), 0, uni(i == 2 ? 0.4f : 0.2f, 0.6f) / ratio, 0, points, ratio};
        p.a = i == 2 ? p.b : uni(4, 25); // the third a circle
        if (i == 1) p.turn = uni(0.1f, 3.0f);
        // Box-filtered along and across, even a dot about a pixel across puts down its ink wherever it lies
        // (within 1 %); drawn with a linear ramp a fringe wide it strayed by up to 13 %.
        EXPECT_NEAR(InkOf(p) / p.Area(), 1.0, 0.05) << p.Name();
      }
}
