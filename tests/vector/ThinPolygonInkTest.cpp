// Thin triangles, bars, rhombi and ellipses lying along the pixel axes, at 45 degrees, on slopes of one in
// two and one in three, and anywhere between, at scales 1 to 3, put down the ink of their area, 55 % black
// on white. Pixel centres lie in rows a pixel apart across a shape on an axis, 0.71 apart across one at 45
// degrees and 0.45 apart across a slope of one in two: a column across a thin shape adds up to its width
// only where its coverage ramps over that width and its fringe is as wide as a pixel's square across the
// shape. A fringe one pixel across put down 0.72 to 1.40 of a bar's ink at 45 degrees; a triangle's
// sides, reaching in by its widest width, 0.65 to 1.26 of its ink along an axis; a rhombus's, 0.64 to 1.30.
#include "tests/vector/MetalTestContext.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

using namespace iplugin::igraphics;

// Named: the tests are built together, and other files' helpers have the same names.
namespace thinpolygons
{
constexpr int kSide = 64;
constexpr double kAlpha = 0.55;

enum class Kind
{
  Triangle, // pointed at one end, as wide as the shape at the other
  Bar,
  Rhombus, // pointed at both ends, widest in the middle
  Ellipse, // 64 points
};

struct Shape
{
  Kind kind;
  float length, across; // in device pixels
  float turn, cx, cy, ratio;

  std::vector<std::pair<double, double>> Outline() const
  {
    const double l = length / ratio / 2, w = across / ratio / 2;
    switch (kind)
    {
    case Kind::Triangle:
      return {{-l, -w}, {l, 0}, {-l, w}};
    case Kind::Bar:
      return {{-l, -w}, {l, -w}, {l, w}, {-l, w}};
    case Kind::Rhombus:
      return {{-l, 0}, {0, -w}, {l, 0}, {0, w}};
    case Kind::Ellipse:
      break;
    }
    std::vector<std::pair<double, double>> pts;
    for (int k = 0; k < 64; k++)
      pts.emplace_back(l * std::cos(2 * M_PI * k / 64), w * std::sin(2 * M_PI * k / 64));
    return pts;
  }
  // In device pixels.
  double Area() const
  {
    const auto pts = Outline();
    double twice = 0;
    for (size_t k = 0; k < pts.size(); k++)
    {
      const auto &a = pts[k], &b = pts[(k + 1) % pts.size()];
      twice += a.first * b.second - b.first * a.second;
    }
    return std::fabs(twice) / 2 * ratio * ratio;
  }
  std::string Name() const
  {
    static const char* kNames[] = {"triangle", "bar", "rhombus", "ellipse"};
    char text[160];
    std::snprintf(text, sizeof text, "%s %.1f x %.2f px at %.3f, %.3f, turned %.4f, at scale %.1f",
                  kNames[(int)kind], length, across, cx, cy, turn, ratio);
    return text;
  }
};

// The ink the shape puts down, over its area.
double InkShare(const Shape& s)
{
  bool convex = false;
  const double ink = qorvtest::PolygonInk(s.Outline(), s.cx, s.cy, s.turn, s.ratio, kAlpha, kSide, convex);
  EXPECT_TRUE(convex) << s.Name();
  return ink / s.Area();
}

// How a family of shapes lies: turned by one of these (or their quarter turns), give or take a hundredth
// of a radian; none is anywhere.
struct Family
{
  const char* name;
  double turn;
};
const Family kFamilies[] = {{"along an axis", 0.0},
                            {"at 45 degrees", M_PI / 4},
                            {"one in two", std::atan(0.5)},
                            {"one in three", std::atan(1.0 / 3)},
                            {"anywhere", -1.0}};
} // namespace thinpolygons

TEST(ThinInk, ThinPolygonsPutDownTheirAreasInkHoweverTheyLie)
{
  using thinpolygons::Kind, thinpolygons::Family, thinpolygons::kFamilies;
  std::mt19937 rng(808);
  auto uni = [&](double lo, double hi) { return (float)std::uniform_real_distribution<double>(lo, hi)(rng); };
  for (const Family& family : kFamilies)
    for (Kind kind : {Kind::Triangle, Kind::Bar, Kind::Rhombus, Kind::Ellipse})
    {
      int near = 0, count = 0;
      for (float ratio : {1.f, 1.5f, 2.f, 3.f})
        for (int i = 0; i < 6; i++)
        {
          const double quarter = std::uniform_int_distribution<int>(0, 3)(rng) * M_PI / 2;
          const float turn =
              family.turn < 0 ? uni(0, 2 * M_PI) : (float)(family.turn + quarter + uni(-0.01, 0.01));
          const thinpolygons::Shape s{kind,        uni(12, 50), uni(0.25, 0.9), turn,
                                      uni(30, 34), uni(30, 34), ratio};
          const double share = thinpolygons::InkShare(s);
          count++, near += std::fabs(share - 1) <= 0.10;
          // A rhombus's halves each narrow to a point; its inner outline, convex, holds as wide all along
          // (a fringe less its mean width), so that columns near its middle and its ends stray in turn:
          // lying along an axis it strays by up to 11 %.
          EXPECT_NEAR(share, 1.0, kind == Kind::Rhombus ? 0.12 : 0.10) << s.Name() << ", " << family.name;
        }
      if (kind == Kind::Rhombus)
      {
        EXPECT_GE(near, count * 9 / 10) << "rhombi within a tenth, " << family.name;
      }
    }
}
