// The parse entry points, fitting to the view box and units, gradients and freeing.
#include "tests/svg/SVGtestSupport.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

using namespace iplugin::igraphics;
using svgtest::Dump;
using svgtest::Parse;
using svgtest::Shapes;

struct FitCase
{
  const char* text;
  const char* units;
  const char* expected; // the dump
};

class SVGFit : public ::testing::TestWithParam<FitCase>
{
};

TEST_P(SVGFit, Dump)
{
  auto image = Parse(GetParam().text, GetParam().units, 72.0f);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(Dump(image.get()), GetParam().expected) << GetParam().text;
}

#define LINE_10_20 "<line x1='10' y1='20' x2='40' y2='20' stroke='black' stroke-width='2'/>"
#define LINE_SHAPE "shape '' opacity 1 fill FF000000 stroke FF000000 width "

INSTANTIATE_TEST_SUITE_P(
    Documents, SVGFit,
    ::testing::Values(
        FitCase{"", "px", "image 0 x 0\n"}, FitCase{"<html><p>hello</p></html>", "px", "image 0 x 0\n"},
        // No view box and no size: the drawing moves to 0, 0 and the image is as large as its bounds.
        FitCase{"<svg><line x1='10' y1='20' x2='40' y2='30' stroke='black' stroke-width='2'/></svg>", "px",
                "image 30 x 10\n" LINE_SHAPE "2 join 0 cap 0 miter 4 rule 0 bounds 0 0 30 10\n"
                "  path n 4 bounds 0 0 30 10 pts 0,0 10,3.3333 20,6.6667 30,10\n"},
        // Size without view box: coordinates stay.
        FitCase{"<svg width='50' height='30'>" LINE_10_20 "</svg>", "px",
                "image 50 x 30\n" LINE_SHAPE "2 join 0 cap 0 miter 4 rule 0 bounds 10 20 40 20\n"
                "  path n 4 bounds 10 20 40 20 pts 10,20 20,20 30,20 40,20\n"},
        // View box without size: moved by minus its origin.
        FitCase{"<svg viewBox='5 10 100 50'>" LINE_10_20 "</svg>", "px",
                "image 100 x 50\n" LINE_SHAPE "2 join 0 cap 0 miter 4 rule 0 bounds 5 10 35 10\n"
                "  path n 4 bounds 5 10 35 10 pts 5,10 15,10 25,10 35,10\n"},
        // Without preserveAspectRatio a view box of another aspect is stretched.
        FitCase{"<svg viewBox='0 0 100 50' width='100' height='100'>" LINE_10_20 "</svg>", "px",
                "image 100 x 100\n" LINE_SHAPE "3 join 0 cap 0 miter 4 rule 0 bounds 10 40 40 40\n"
                "  path n 4 bounds 10 40 40 40 pts 10,40 20,40 30,40 40,40\n"},
        // Mid alignment with meet: both scales 1, moved down by 25.
        FitCase{
            "<svg viewBox='0 0 100 50' width='100' height='100' preserveAspectRatio='xMidYMid'>" LINE_10_20
            "</svg>",
            "px",
            "image 100 x 100\n" LINE_SHAPE "2 join 0 cap 0 miter 4 rule 0 bounds 10 45 40 45\n"
            "  path n 4 bounds 10 45 40 45 pts 10,45 20,45 30,45 40,45\n"},
        FitCase{"<svg viewBox='0 0 100 50' width='100' height='100' preserveAspectRatio='xMaxYMax "
                "slice'>" LINE_10_20 "</svg>",
                "px",
                "image 100 x 100\n" LINE_SHAPE "4 join 0 cap 0 miter 4 rule 0 bounds -80 40 -20 40\n"
                "  path n 4 bounds -80 40 -20 40 pts -80,40 -60,40 -40,40 -20,40\n"},
        FitCase{"<svg viewBox='0 0 100 50' width='100' height='100' preserveAspectRatio='none'>" LINE_10_20
                "</svg>",
                "px",
                "image 100 x 100\n" LINE_SHAPE "3 join 0 cap 0 miter 4 rule 0 bounds 10 40 40 40\n"
                "  path n 4 bounds 10 40 40 40 pts 10,40 20,40 30,40 40,40\n"},
        // Inches at 72 dpi divide coordinates, stroke widths, dashes and the image size by 72.
        FitCase{"<svg width='144' height='72'><line x2='72' stroke='red' stroke-width='36' "
                "stroke-dasharray='18 9'/></svg>",
                "in",
                "image 2 x 1\nshape '' opacity 1 fill FF000000 stroke FF0000FF width 0.5 join 0 cap 0 miter "
                "4 rule 0 dash "
                "0.25 0.125 offset 0 bounds 0 0 1 0\n"
                "  path n 4 bounds 0 0 1 0 pts 0,0 0.3333,0 0.6667,0 1,0\n"},
        // A stroke width of 1in at 72 dpi is 72 user units.
        FitCase{"<svg width='100' height='10'><line x2='10' stroke='red' stroke-width='1in'/></svg>", "px",
                "image 100 x 10\nshape '' opacity 1 fill FF000000 stroke FF0000FF width 72 join 0 cap 0 "
                "miter 4 rule 0 "
                "bounds 0 0 10 0\n  path n 4 bounds 0 0 10 0 pts 0,0 3.3333,0 6.6667,0 10,0\n"},
        // A physical unit in the document, converted with the dpi; em without a font size counts as pixels.
        FitCase{"<svg width='1in' height='10'><line x2='1in' stroke='red'/></svg>", "em",
                "image 72 x 10\nshape '' opacity 1 fill FF000000 stroke FF0000FF width 1 join 0 cap 0 miter "
                "4 rule 0 "
                "bounds 0 0 72 0\n  path n 4 bounds 0 0 72 0 pts 0,0 24,0 48,0 72,0\n"},
        // A view box cut short keeps what was read and ends the svg element's attributes.
        FitCase{"<svg width='10' height='10' viewBox='0 0 100' fill='red'>" LINE_10_20 "</svg>", "px",
                "image 10 x 10\n" LINE_SHAPE "1.1 join 0 cap 0 miter 4 rule 0 bounds 1 20 4 20\n"
                "  path n 4 bounds 1 20 4 20 pts 1,20 2,20 3,20 4,20\n"},
        // The vertical alignment is found in the capitalised form documents use.
        FitCase{"<svg viewBox='0 0 100 50' width='100' height='100' preserveAspectRatio='xMinYMax "
                "meet'>" LINE_10_20 "</svg>",
                "px",
                "image 100 x 100\n" LINE_SHAPE "2 join 0 cap 0 miter 4 rule 0 bounds 10 70 40 70\n"
                "  path n 4 bounds 10 70 40 70 pts 10,70 20,70 30,70 40,70\n"},
        // A negative size mirrors the drawing; bounds keep min before max.
        FitCase{"<svg width='-10' height='10' viewBox='0 0 10 10'>" LINE_10_20 "</svg>", "px",
                "image -10 x 10\n" LINE_SHAPE "0 join 0 cap 0 miter 4 rule 0 bounds -40 20 -10 20\n"
                "  path n 4 bounds -40 20 -10 20 pts -10,20 -20,20 -30,20 -40,20\n"}));

TEST(SVGParse, DisplayNoneShapeStaysInTheList)
{
  auto image = Parse("<svg><rect width='1' height='1' display='none'/></svg>");
  auto shapes = Shapes(image.get());
  ASSERT_EQ(shapes.size(), 1u);
  EXPECT_EQ(shapes[0]->flags & SVG_FLAGS_VISIBLE, 0);
}

TEST(SVGParse, FromFileAndDuplicatePath)
{
  const std::string dir = qorvtest::ScratchDir("svg_parse_file");
  const std::string file = dir + "/doc.svg";
  {
    std::ofstream out(file, std::ios::binary);
    out << "<svg width='20' height='20'><circle cx='10' cy='10' r='5' fill='#0000ff'/></svg>";
  }
  SVGimage* image = svgParseFromFile(file.c_str(), "px", 96.0f);
  ASSERT_NE(image, nullptr);
  ASSERT_NE(image->shapes, nullptr);
  EXPECT_EQ(image->shapes->fill.color, 0xFFFF0000u);

  SVGpath* copy = svgDuplicatePath(image->shapes->paths);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy->pts, image->shapes->paths->pts);
  EXPECT_EQ(svgtest::DumpPath(copy), svgtest::DumpPath(image->shapes->paths));
  EXPECT_EQ(copy->next, nullptr);
  svgDelete(image);
  // The copy outlives the image it came from.
  EXPECT_FLOAT_EQ(copy->pts[0], 15.0f);
  std::free(copy->pts);
  std::free(copy);

  EXPECT_EQ(svgDuplicatePath(nullptr), nullptr);
  EXPECT_EQ(svgParse(nullptr, "px", 96.0f), nullptr);
  EXPECT_EQ(svgParseFromFile((dir + "/missing.svg").c_str(), "px", 96.0f), nullptr);
  EXPECT_EQ(svgParseFromFile(dir.c_str(), "px", 96.0f), nullptr) << "a folder cannot be read";
  svgDelete(nullptr);
}

// Gradients, printed as paint dumps of the first shape's fill.
struct GradientCase
{
  const char* text;
  const char* expected;
};

class SVGGradient : public ::testing::TestWithParam<GradientCase>
{
};

TEST_P(SVGGradient, FillPaint)
{
  auto image = Parse(GetParam().text);
  std::string dump = Dump(image.get());
  const size_t at = dump.find(" fill ");
  ASSERT_NE(at, std::string::npos) << dump;
  dump = dump.substr(at + 6, dump.find(" stroke ", at) - at - 6);
  EXPECT_EQ(dump, GetParam().expected) << GetParam().text;
}

#define RECT_0_0_100_50 "<rect width='100' height='50' fill='url(#g)'/>"

INSTANTIATE_TEST_SUITE_P(
    Gradients, SVGGradient,
    ::testing::Values(
        // Default linear: object box, left to right. Inverted, the x coordinate / width becomes the position.
        GradientCase{
            "<svg width='100' height='50'><linearGradient id='g'><stop offset='0' stop-color='red'/>"
            "<stop offset='1' stop-color='blue' stop-opacity='0.5'/></linearGradient>" RECT_0_0_100_50
            "</svg>",
            "linear xform 0 0.01 -0.01 0 0 0 spread 0 f 0 0 stops FF0000FF@0 7FFF0000@1"},
        // Stops sorted, equal offsets in document order, percentages, offsets above 1 kept.
        GradientCase{
            "<svg width='100' height='50'><linearGradient id='g'><stop offset='0.8' stop-color='#000001'/>"
            "<stop offset='0.2' stop-color='#000002'/><stop offset='50%' stop-color='#000003'/>"
            "<stop offset='0.5' stop-color='#000004'/><stop offset='1.5' stop-color='#000005'/>"
            "</linearGradient>" RECT_0_0_100_50 "</svg>",
            "linear xform 0 0.01 -0.01 0 0 0 spread 0 f 0 0 stops FF020000@0.2 FF030000@0.5 FF040000@0.5 "
            "FF010000@0.8 FF050000@1.5"},
        // A plain number in object-box units is a user coordinate: x2 = 1 is x = 1, not the right edge.
        GradientCase{"<svg width='100' height='50'><linearGradient id='g' x2='1' spreadMethod='reflect'>"
                     "<stop offset='0'/></linearGradient>" RECT_0_0_100_50 "</svg>",
                     "linear xform 0 1 -1 0 0 0 spread 1 f 0 0 stops FF000000@0"},
        // User space resolves percentages against the view box.
        GradientCase{"<svg width='100' height='50' viewBox='0 0 100 50'><linearGradient id='g' "
                     "gradientUnits='userSpaceOnUse' x1='0' y1='0' x2='0' y2='50%' spreadMethod='repeat'>"
                     "<stop offset='0'/></linearGradient>" RECT_0_0_100_50 "</svg>",
                     "linear xform 0.04 0 0 0.04 0 0 spread 2 f 0 0 stops FF000000@0"},
        // Radial without fx and fy: the focus is 0, not the centre.
        GradientCase{
            "<svg width='100' height='100' viewBox='0 0 100 100'><radialGradient id='g' "
            "gradientUnits='userSpaceOnUse' cx='50' cy='50' r='25'><stop offset='0'/></radialGradient>"
            "<rect width='100' height='100' fill='url(#g)'/></svg>",
            "radial xform 0.04 0 0 0.04 -2 -2 spread 0 f 0 0 stops FF000000@0"},
        // A gradient without stops takes them from the one it references, keeping its own geometry.
        GradientCase{"<svg width='100' height='50'><linearGradient id='base' x2='7'><stop offset='0.25' "
                     "stop-color='red'/></linearGradient><linearGradient id='g' xlink:href='#base' "
                     "gradientTransform='scale(2)' spreadMethod='repeat'/>" RECT_0_0_100_50 "</svg>",
                     "linear xform 0 0.005 -0.005 0 0 0 spread 2 f 0 0 stops FF0000FF@0.25"},
        // References that loop, end at a missing id or are empty give no paint.
        GradientCase{"<svg><linearGradient id='g' xlink:href='#h'/><linearGradient id='h' "
                     "xlink:href='#g'/>" RECT_0_0_100_50 "</svg>",
                     "none"},
        GradientCase{"<svg><linearGradient id='g' xlink:href='#nowhere'/>" RECT_0_0_100_50 "</svg>", "none"},
        GradientCase{"<svg><linearGradient id='g' xlink:href=''/>" RECT_0_0_100_50 "</svg>", "none"},
        // A reference to a gradient that comes later finds nothing.
        GradientCase{"<svg>" RECT_0_0_100_50
                     "<linearGradient id='g'><stop offset='0'/></linearGradient></svg>",
                     "none"},
        // A zero radius does not divide by zero.
        GradientCase{"<svg width='10' height='10'><radialGradient id='g' r='0' fx='3'><stop offset='0'/>"
                     "</radialGradient><rect width='10' height='10' fill='url(#g)'/></svg>",
                     "radial xform 1 0 0 1 0 0 spread 0 f 0 0 stops FF000000@0"}));

TEST(SVGGradient, FillOnAGradientElementSetsTheCurrentRecord)
{
  auto image = Parse("<svg><g><linearGradient id='x' fill='red'/><rect width='1' height='1'/></g></svg>");
  ASSERT_NE(image->shapes, nullptr);
  EXPECT_EQ(image->shapes->fill.color, 0xFF0000FFu);
}

TEST(SVGGradient, SingularTransformUsesIdentityInverse)
{
  // Under scale(0) the shape's local bounds come from the identity, and its transform stays singular.
  auto image = Parse("<svg width='10' height='10'><linearGradient id='g'><stop offset='0'/></linearGradient>"
                     "<rect width='4' height='4' fill='url(#g)' transform='scale(0)'/></svg>");
  ASSERT_NE(image->shapes, nullptr);
  EXPECT_EQ(image->shapes->fill.type, SVG_PAINT_LINEAR_GRADIENT);
  EXPECT_EQ(svgtest::CheckInvariants(image.get()), "");
}
