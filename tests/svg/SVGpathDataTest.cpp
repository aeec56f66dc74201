// Path data and the basic shapes, checked on the parsed model.
#include "tests/svg/SVGtestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace iplugin::igraphics;
using svgtest::Parse;
using svgtest::Paths;
using svgtest::Shapes;

namespace
{
// The document around one element, with a view box that leaves coordinates as they are.
std::string Doc(const std::string& element)
{
  return "<svg width='100' height='100'>" + element + "</svg>";
}

// The path dumps of the first shape, newest sub-path first.
std::string PathsOf(const std::string& element)
{
  auto image = Parse(Doc(element));
  auto shapes = Shapes(image.get());
  if (shapes.empty()) return "no shape";
  std::string out;
  for (auto* p : Paths(shapes[0]))
    out += svgtest::DumpPath(p) + "\n";
  return out;
}
} // namespace

struct PathCase
{
  const char* element;
  const char* expected;
};

class SVGPathData : public ::testing::TestWithParam<PathCase>
{
};

TEST_P(SVGPathData, BuildsCubicSegments)
{
  EXPECT_EQ(PathsOf(GetParam().element), GetParam().expected) << GetParam().element;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, SVGPathData,
    ::testing::Values(
        // Pairs after a move are lines; relative pairs add up.
        PathCase{
            "<path d='M 10 10 20 20 30 30'/>",
            "path n 7 bounds 10 10 30 30 pts 10,10 13.3333,13.3333 16.6667,16.6667 20,20 23.3333,23.3333 "
            "26.6667,26.6667 30,30\n"},
        PathCase{"<path d='m 10 10 20 20'/>", "path n 4 bounds 10 10 30 30 pts 10,10 16.6667,16.6667 "
                                              "23.3333,23.3333 30,30\n"},
        // After Z the next segment starts at the first point of the closed sub-path.
        PathCase{"<path d='M0 0 L10 0 L10 10 Z L 20 20'/>",
                 "path n 4 bounds 0 0 20 20 pts 0,0 6.6667,6.6667 13.3333,13.3333 20,20\n"
                 "path closed n 10 bounds 0 0 10 10 pts 0,0 3.3333,0 6.6667,0 10,0 10,3.3333 10,6.6667 10,10 "
                 "6.6667,6.6667 3.3333,3.3333 0,0\n"},
        PathCase{"<path d='M0 0 H10 V10 H0 Z'/>",
                 "path closed n 13 bounds 0 0 10 10 pts 0,0 3.3333,0 6.6667,0 10,0 10,3.3333 10,6.6667 10,10 "
                 "6.6667,10 3.3333,10 0,10 0,6.6667 0,3.3333 0,0\n"},
        PathCase{"<path d='M 5 5'/>", "no shape"}, PathCase{"<path/>", "no shape"},
        // Quadratics become cubics; T reflects the quadratic control point.
        PathCase{"<path d='M0 0 Q 3 3 6 0 T 12 0'/>",
                 "path n 7 bounds 0 -1.5 12 1.5 pts 0,0 2,2 4,2 6,0 8,-2 10,-2 12,0\n"},
        // S after a Q reflects the quadratic control point too.
        PathCase{"<path d='M0 0 Q 3 3 6 0 S 12 0 12 0'/>",
                 "path n 7 bounds 0 -1.3333 12 1.5 pts 0,0 2,2 4,2 6,0 9,-3 12,0 12,0\n"},
        PathCase{"<path d='M0 0 c 1 2 3 4 5 6 s 1 1 2 2'/>",
                 "path n 7 bounds 0 0 7 8 pts 0,0 1,2 3,4 5,6 7,8 6,7 7,8\n"},
        // Commas, signs glued to numbers, exponents.
        PathCase{"<path d='M1,2L3-4l1e1.5'/>", "path n 7 bounds 1 -4 13 2 pts 1,2 1.6667,0 2.3333,-2 3,-4 "
                                               "6.3333,-3.8333 9.6667,-3.6667 13,-3.5\n"},
        // Path data must begin with a move.
        PathCase{"<path d='C 1 1 2 2 3 3'/>", "no shape"},
        // An arc with a radius of 0 is a straight line.
        PathCase{"<path d='M0 0 A 0 5 0 0 1 9 0'/>", "path n 4 bounds 0 0 9 0 pts 0,0 3,0 6,0 9,0\n"}));

TEST(SVGArc, HalfCircleScaledUpToReachItsEnd)
{
  // Radius 1 is too small for end points 20 apart: it grows to 10.
  auto image = Parse(Doc("<path d='M0 0 A 1 1 0 0 1 20 0'/>"));
  auto shapes = Shapes(image.get());
  ASSERT_EQ(shapes.size(), 1u);
  const SVGpath* path = shapes[0]->paths;
  // A sweep of exactly pi takes int(pi / (pi / 2) + 1) = 3 segments.
  ASSERT_EQ(path->npts, 10);
  EXPECT_NEAR(path->pts[18], 20, 1e-3);
  EXPECT_NEAR(path->pts[19], 0, 1e-3);
  EXPECT_NEAR(shapes[0]->bounds[3] - shapes[0]->bounds[1], 10, 1e-2);
  EXPECT_NEAR(shapes[0]->bounds[2] - shapes[0]->bounds[0], 20, 1e-2);
}

TEST(SVGArc, FullSweepUsesAtMostFiveSegments)
{
  for (const char* d : {"M0 0 A 10 10 0 1 1 0.001 0", "M0 0 A 10 10 0 1 0 0.001 0", "M0 0 A 5 20 45 1 1 1 1"})
  {
    auto image = Parse(Doc(std::string("<path d='") + d + "'/>"));
    auto shapes = Shapes(image.get());
    ASSERT_EQ(shapes.size(), 1u) << d;
    EXPECT_LE(shapes[0]->paths->npts, 1 + 3 * 5) << d;
    EXPECT_EQ(svgtest::CheckInvariants(image.get()), "") << d;
  }
}

TEST(SVGArc, AbsurdParametersStayFinite)
{
  for (const char* d : {"M0 0 A 1e38 1e38 1e38 1 1 1e38 -1e38", "M0 0 A 1e-30 1e30 0 0 0 5 5",
                        "M1e38 1e38 A 1e38 1 90 1 0 -1e38 -1e38", "M0 0 A 3 3 1e30 1 1 1 0"})
  {
    auto image = Parse(Doc(std::string("<path d='") + d + "'/>"));
    for (auto* s : Shapes(image.get()))
      for (auto* p : Paths(s))
        for (int i = 0; i < p->npts * 2; i++)
          EXPECT_FALSE(std::isnan(p->pts[i])) << d;
    EXPECT_EQ(svgtest::CheckInvariants(image.get()), "") << d;
  }
}

struct ShapeCase
{
  const char* element;
  int npts; // 0: no shape
};

class SVGBasicShape : public ::testing::TestWithParam<ShapeCase>
{
};

TEST_P(SVGBasicShape, PointCount)
{
  auto image = Parse(Doc(GetParam().element));
  auto shapes = Shapes(image.get());
  if (GetParam().npts == 0)
  {
    EXPECT_TRUE(shapes.empty()) << GetParam().element;
    return;
  }
  ASSERT_EQ(shapes.size(), 1u) << GetParam().element;
  EXPECT_EQ(shapes[0]->paths->npts, GetParam().npts) << GetParam().element;
  EXPECT_EQ(svgtest::CheckInvariants(image.get()), "");
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, SVGBasicShape,
    ::testing::Values(
        ShapeCase{"<circle cx='5' cy='5' r='4'/>", 16}, ShapeCase{"<rect width='5' height='4'/>", 13},
        ShapeCase{"<rect width='50' height='40' rx='10' ry='0.00005'/>", 13},
        ShapeCase{"<rect width='50' height='40' rx='0.00005' ry='10'/>", 28},
        ShapeCase{"<rect width='50' height='40' rx='5'/>", 28}, ShapeCase{"<ellipse rx='5' ry='3'/>", 16},
        ShapeCase{"<line x2='5'/>", 4}, ShapeCase{"<polyline points='0,0 5,5 10,0'/>", 7},
        ShapeCase{"<polygon points='0,0 5,5 10,0'/>", 10}, ShapeCase{"<polygon points='0 0 5 5 10'/>", 7},
        ShapeCase{"<rect width='0' height='4'/>", 0}, ShapeCase{"<circle r='0'/>", 0},
        ShapeCase{"<ellipse rx='0' ry='3'/>", 0}, ShapeCase{"<polyline/>", 0},
        ShapeCase{"<polygon points='1 2'/>", 0}));

TEST(SVGRect, CornerRadii)
{
  // Only ry given: rx follows it.
  auto image = Parse(Doc("<rect width='50' height='40' ry='5'/>"));
  const SVGpath* path = image->shapes->paths;
  EXPECT_FLOAT_EQ(path->pts[0], 5);
  EXPECT_FLOAT_EQ(path->pts[1], 0);
  // rx larger than half the width is limited to it.
  image = Parse(Doc("<rect x='10' width='20' height='40' rx='30'/>"));
  EXPECT_FLOAT_EQ(image->shapes->paths->pts[0], 20);
}

TEST(SVGRect, PercentagesResolveAgainstTheViewBox)
{
  auto image = Parse("<svg viewBox='0 0 200 100' width='200' height='100'>"
                     "<rect x='10%' y='50%' width='25%' height='10%'/></svg>");
  const SVGshape* s = image->shapes;
  ASSERT_NE(s, nullptr);
  EXPECT_FLOAT_EQ(s->bounds[0], 20);
  EXPECT_FLOAT_EQ(s->bounds[1], 50);
  EXPECT_FLOAT_EQ(s->bounds[2], 70);
  EXPECT_FLOAT_EQ(s->bounds[3], 60);
}
