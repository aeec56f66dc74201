// Numbers, units and colours of attribute values.
#include "tests/svg/SVGtestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace iplugin::igraphics;

struct AtofCase
{
  const char* text;
  double value;
};

class SVGAtof : public ::testing::TestWithParam<AtofCase>
{
};

TEST_P(SVGAtof, ReadsTheNumber)
{
  const AtofCase& c = GetParam();
  EXPECT_DOUBLE_EQ(svgAtof(c.text), c.value) << c.text;
}

INSTANTIATE_TEST_SUITE_P(Numbers, SVGAtof,
                         ::testing::Values(AtofCase{"12", 12}, AtofCase{"-3.5", -3.5}, AtofCase{"+2", 2},
                                           AtofCase{".5", 0.5}, AtofCase{"5.", 5}, AtofCase{"e3", 0},
                                           AtofCase{"1e", 1}, AtofCase{"1e3", 1000}, AtofCase{"1e-3", 0.001},
                                           // An exponent is one only with its digits.
                                           AtofCase{"2e+", 2}, AtofCase{"2e 3", 2}, AtofCase{"5.e1", 50},
                                           AtofCase{"2.5E-2", 0.025}, AtofCase{"-", 0}, AtofCase{"", 0},
                                           AtofCase{"0e999", 0},
                                           // Long numbers keep their value instead of overflowing an integer.
                                           AtofCase{"100000000000000000000000", 1e23},
                                           AtofCase{"0.123456789012345678901234567", 0.12345678901234568}));

TEST(SVGNumber, StopsBeforeUnitsAndKeepsAtMost63Characters)
{
  char buf[64];
  const char* text = "1.5em";
  const char* rest = svgParseNumber(text, buf, sizeof(buf));
  EXPECT_STREQ(buf, "1.5");
  EXPECT_STREQ(rest, "em");

  rest = svgParseNumber("2e-3ex", buf, sizeof(buf));
  EXPECT_STREQ(buf, "2e-3");
  EXPECT_STREQ(rest, "ex");

  const std::string digits(100, '7');
  rest = svgParseNumber(digits.c_str(), buf, sizeof(buf));
  EXPECT_EQ(std::string(buf).size(), 63u);
  EXPECT_EQ(*rest, 0) << "the surplus digits are read, not stored";
}

struct CoordinateCase
{
  const char* text;
  float dpi;
  float fontSize;
  float expected;
};

class SVGCoordinate : public ::testing::TestWithParam<CoordinateCase>
{
};

TEST_P(SVGCoordinate, ConvertsToUserUnits)
{
  const CoordinateCase& c = GetParam();
  svgtest::ParserPtr p;
  p->dpi = c.dpi;
  svgGetAttr(p.get())->fontSize = c.fontSize;
  // Percentages relative to origin 10 and length 200.
  EXPECT_NEAR(svgParseCoordinate(p.get(), c.text, 10.0f, 200.0f), c.expected, 1e-3f) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Units, SVGCoordinate,
    ::testing::Values(CoordinateCase{"7", 72, 0, 7}, CoordinateCase{"7px", 72, 0, 7},
                      CoordinateCase{"72pt", 96, 0, 96}, CoordinateCase{"6pc", 96, 0, 96},
                      CoordinateCase{"25.4mm", 90, 0, 90}, CoordinateCase{"2.54cm", 90, 0, 90},
                      CoordinateCase{"1in", 72, 0, 72}, CoordinateCase{"50%", 72, 0, 110},
                      CoordinateCase{"1em", 72, 0, 0}, CoordinateCase{"2ex", 72, 10, 10.4f},
                      CoordinateCase{"3em", 72, 4, 12}, CoordinateCase{"abc", 72, 0, 0}));

struct ColorCase
{
  const char* text;
  int64_t color; // 0x00BBGGRR, or -1: no colour, which leaves the value that was there
};

class SVGColor : public ::testing::TestWithParam<ColorCase>
{
};

TEST_P(SVGColor, Reads0x00BBGGRR)
{
  constexpr uint32_t kBefore = 0x12345678;
  uint32_t color = kBefore;
  const bool read = svgParseColor(GetParam().text, color);
  EXPECT_EQ(read, GetParam().color >= 0) << GetParam().text;
  EXPECT_EQ(color, read ? uint32_t(GetParam().color) : kBefore) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Colors, SVGColor,
    ::testing::Values(ColorCase{"#f00", 0x0000FF}, ColorCase{"#ff0000", 0x0000FF}, ColorCase{"red", 0x0000FF},
                      ColorCase{"rgb(255,0,0)", 0x0000FF}, ColorCase{"rgb(100%, 0%, 0%)", 0x0000FF},
                      ColorCase{"  #123456", 0x563412}, ColorCase{"#abc", 0xCCBBAA}, ColorCase{"#ABC", 0xCCBBAA},
                      ColorCase{"blue", 0xFF0000}, ColorCase{"white", 0xFFFFFF}, ColorCase{"gray", 0x808080},
                      // Keywords without regard to case, all 147 of them.
                      ColorCase{"Red", 0x0000FF}, ColorCase{"TEAL", 0x808000}, ColorCase{"lime", 0x00FF00},
                      ColorCase{"DarkOliveGreen", 0x2F6B55}, ColorCase{"navy", 0x800000},
                      ColorCase{" yellowgreen\t", 0x32CD9A}, ColorCase{"aliceblue", 0xFFF8F0},
                      // Percentages may have fractions; each channel rounds to the nearest level.
                      ColorCase{"rgb(18.039216%,20.392157%,21.176471%)", 0x36342E},
                      ColorCase{"rgb(10.5%,60%,90%)", 0xE6991B}, ColorCase{"rgb( 10 , 20 , 30 )", 0x1E140A},
                      ColorCase{"RGB(10,20,30)", 0x1E140A}, ColorCase{"rgb(.2%,0.6%,99.8%)", 0xFE0201},
                      // Clamped to 0-255 so that no channel spills into its neighbours or the alpha byte.
                      ColorCase{"rgb(300,0,0)", 0x0000FF}, ColorCase{"rgb(-5,10,20)", 0x140A00},
                      ColorCase{"rgb(150%,-5%,20%)", 0x3300FF}, ColorCase{"rgb(1,2,99999999999999999999)", 0xFF0201},
                      ColorCase{"rgb(1,                                        2, 3)", 0x030201},
                      // No colour: other counts of hex digits, mixed or missing channels, fractions of
                      // integers, what SVG 1.1 has no syntax for, and junk.
                      ColorCase{"#ff00", -1}, ColorCase{"#aabbccdd", -1}, ColorCase{"#", -1}, ColorCase{"#ggg", -1},
                      ColorCase{"rgb(255, 50%, 0)", -1}, ColorCase{"rgb(10)", -1}, ColorCase{"rgb(10,20,30", -1},
                      ColorCase{"rgb(10 20 30)", -1}, ColorCase{"rgb(10.5,20,30)", -1}, ColorCase{"rgb(,,)", -1},
                      ColorCase{"rgb(1,2,3)x", -1}, ColorCase{"hsl(0,100%,50%)", -1},
                      ColorCase{"rgba(1,2,3,0.5)", -1}, ColorCase{"junk", -1}, ColorCase{"", -1},
                      ColorCase{"reddish", -1}, ColorCase{"re", -1}, ColorCase{"currentColor", -1}));

TEST(SVGOpacity, PlainNumbersClampedToZeroOne)
{
  EXPECT_FLOAT_EQ(svgParseOpacity("0.25"), 0.25f);
  EXPECT_FLOAT_EQ(svgParseOpacity("50%"), 1.0f);
  EXPECT_FLOAT_EQ(svgParseOpacity("-1"), 0.0f);
  EXPECT_FLOAT_EQ(svgParseOpacity("1e999"), 1.0f);
  EXPECT_FLOAT_EQ(svgParseOpacity("x"), 0.0f);
}
