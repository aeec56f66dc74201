// Convex outlines 0.3 to 3 device pixels across with pointed ends (triangles, kites, rhombi, needles) put
// down their area's ink, 55 % black on white, at scales 1 to 3 and any turn. A point sharper than the
// miter's clamp allows (half a turn under 2.3 degrees) once kept its fan's inset corner short of where its
// sides' insets meet, and the fan reached over their fringe bands where the shape is thinner than a
// fringe: a triangle 1 to 1.5 pixels across put down 1.35 of its ink (median; 1.46 at worst), 1.5 to 2
// across 1.17, a needle 1 to 1.5 across 1.26. A half-hexagon, as wide but with no point, is the control.
#include "tests/vector/InkPictures.h"
#include "tests/vector/MetalTestContext.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

using namespace iplugin::igraphics;

namespace slivers
{
constexpr int kSide = 64;
constexpr double kAlpha = 0.55;

enum class Kind
{
  Triangle,    // pointed at one end, as wide as the shape at the other
  Kite,        // pointed at one end, widest a fifth of the way from the other, which is blunt
  Rhombus,     // pointed at both ends, widest in the middle
  Needle,      // a kite whose blunt end is a tenth of its length: two points, one far sharper
  HalfHexagon, // as wide as the others, with no point
};
const char* const kNames[] = {"triangle", "kite", "rhombus", "needle", "half-hexagon"};

struct Shape
{
  Kind kind;
  double length, across; // in device pixels
  float turn, cx, cy, ratio;

  std::vector<std::pair<double, double>> Outline() const
  {
    const double l = length / ratio / 2, w = across / ratio / 2;
    switch (kind)
    {
    case Kind::Triangle:
      return {{-l, -w}, {l, 0}, {-l, w}};
    case Kind::Kite:
      return {{-l, 0}, {-0.6 * l, -w}, {l, 0}, {-0.6 * l, w}};
    case Kind::Rhombus:
      return {{-l, 0}, {0, -w}, {l, 0}, {0, w}};
    case Kind::Needle:
      return {{-l, 0}, {-0.8 * l, -w}, {l, 0}, {-0.8 * l, w}};
    case Kind::HalfHexagon:
      break;
    }
    const double c = std::min(l, w); // the slanted ends' reach along the shape
    return {{-l, 0}, {-l + c, -w}, {l - c, -w}, {l, 0}};
  }
  // In device pixels.
  double Area() const { return qorvtest::PolygonArea(Outline(), ratio); }
  std::string Name() const
  {
    return qorvtest::PlacedShapeName(kNames[(int)kind], length, across, cx, cy, turn, ratio);
  }
};

// The picture of the shape, ours and cairo's (red of each pixel), black at kAlpha on white.
std::pair<std::vector<int>, std::vector<int>> Pictures(const Shape& s)
{
  bool convex = false;
  const std::vector<int> ours =
      qorvtest::RedOf(qorvtest::PolygonFrame(s.Outline(), s.cx, s.cy, s.turn, s.ratio, kAlpha, kSide, convex));
  const std::vector<int> theirs = qorvtest::CairoRed(int(kSide * s.ratio), s.ratio, [&](cairo_t* cr) {
    cairo_translate(cr, s.cx, s.cy);
    cairo_rotate(cr, s.turn);
    for (const auto& [x, y] : s.Outline())
      cairo_line_to(cr, x, y);
    cairo_close_path(cr);
    cairo_set_source_rgba(cr, 0, 0, 0, kAlpha);
    cairo_fill(cr);
  });
  return {ours, theirs};
}

// The mean difference from cairo's red over the pixels either picture shows as an edge: between white and
// the shape's full red, 3 levels clear of each.
double EdgeDifference(const Shape& s)
{
  const auto [ours, theirs] = Pictures(s);
  return qorvtest::EdgeDifference(ours, theirs, kAlpha);
}

double InkShare(const Shape& s)
{
  bool convex = false;
  const double ink = qorvtest::PolygonInk(s.Outline(), s.cx, s.cy, s.turn, s.ratio, kAlpha, kSide, convex);
  EXPECT_TRUE(convex) << s.Name();
  return ink / s.Area();
}
} // namespace slivers

TEST(SliverInk, PointedConvexOutlinesPutDownTheirAreasInk)
{
  using slivers::Kind;
  std::mt19937 rng(6402);
  auto uni = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
  const double kBands[] = {0.3, 1.0, 1.5, 2.0, 3.0};
  for (Kind kind : {Kind::Triangle, Kind::Kite, Kind::Rhombus, Kind::Needle, Kind::HalfHexagon})
  {
    std::vector<double> shares[4];
    for (int i = 0; i < 160; i++)
    {
      const float ratio = (float)uni(1, 3);
      const double across = uni(0.3, 3), length = uni(std::max(6.0, 4 * across), 40 * ratio);
      const slivers::Shape s{kind,
                             std::min(length, 52.0),
                             across,
                             (float)uni(0, 2 * M_PI),
                             (float)uni(30, 34),
                             (float)uni(30, 34),
                             ratio};
      const double share = slivers::InkShare(s);
      shares[std::upper_bound(kBands + 1, kBands + 4, across) - (kBands + 1)].push_back(share);
      EXPECT_NEAR(share, 1.0, 0.10) << s.Name();
    }
    for (int b = 0; b < 4; b++)
    {
      std::vector<double>& got = shares[b];
      std::sort(got.begin(), got.end());
      if (!got.empty())
        std::printf("%-12s %.1f-%.1f px across: ink over area least %.3f, median %.3f, most %.3f\n",
                    slivers::kNames[(int)kind], kBands[b], kBands[b + 1], got.front(), got[got.size() / 2],
                    got.back());
    }
  }
}


// The edges of the pointed shapes are as near cairo's as the control's, a half-hexagon as wide: the pixels
// that either picture shows partly covered differ from cairo's by 16 to 22 levels on average for all
// families (a thin shape's pixels are sampled at their centres here, box-filtered by cairo). A fan reaching
// past its sides' insets near the point darkened the middle of the shape's last stretch: a triangle 26
// levels, 2 over the control.
TEST(SliverInk, PointedOutlinesEdgesAreAsNearCairosAsABluntOnes)
{
  using slivers::Kind;
  std::mt19937 rng(64);
  auto uni = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
  auto meanDifference = [&](Kind kind)
  {
    double sum = 0;
    constexpr int kShapes = 60;
    for (int i = 0; i < kShapes; i++)
    {
      const float ratio = (float)uni(1, 3);
      const double across = uni(0.3, 3), length = uni(std::max(6.0, 4 * across), 40 * ratio);
      sum += slivers::EdgeDifference({kind, std::min(length, 52.0), across, (float)uni(0, 2 * M_PI),
                                      (float)uni(30, 34), (float)uni(30, 34), ratio});
    }
    return sum / kShapes;
  };
  const double control = meanDifference(Kind::HalfHexagon);
  for (Kind kind : {Kind::Triangle, Kind::Kite, Kind::Rhombus, Kind::Needle})
    EXPECT_LE(meanDifference(kind), control) << slivers::kNames[(int)kind];
}
