// The tokenizer, the element handlers, the attribute stack and the presentation attributes.
#include "tests/svg/SVGtestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace iplugin::igraphics;
using svgtest::Parse;
using svgtest::Shapes;

namespace
{
// Records the tokenizer's calls as text.
struct Recorder
{
  std::vector<std::string> calls;
  static void Start(void* ud, const char* el, const char** attr)
  {
    std::string s = std::string("<") + el;
    for (int i = 0; attr[i]; i += 2)
      s += std::string(" ") + attr[i] + "=" + attr[i + 1];
    ((Recorder*)ud)->calls.push_back(s);
  }
  static void End(void* ud, const char* el) { ((Recorder*)ud)->calls.push_back(std::string("/") + el); }
  static void Content(void* ud, const char* s) { ((Recorder*)ud)->calls.push_back(std::string("'") + s); }
};

std::string Tokens(const std::string& text)
{
  std::vector<char> buf(text.begin(), text.end());
  buf.push_back(0);
  Recorder r;
  EXPECT_EQ(svgParseXML(buf.data(), Recorder::Start, Recorder::End, Recorder::Content, &r), 1);
  std::string out;
  for (auto& c : r.calls)
    out += (out.empty() ? "" : "|") + c;
  return out;
}
} // namespace

struct TokenCase
{
  const char* text;
  const char* expected;
};

class SVGTokenizer : public ::testing::TestWithParam<TokenCase>
{
};

TEST_P(SVGTokenizer, Calls)
{
  EXPECT_EQ(Tokens(GetParam().text), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Markup, SVGTokenizer,
                         ::testing::Values(TokenCase{"<a x=\"1\" y='2'>text</a>", "<a x=1 y=2|'text|/a"},
                                           TokenCase{"<g/>", "<g/"}, TokenCase{"<g />", "<g|/g"},
                                           TokenCase{"<?xml version='1.0'?><!DOCTYPE svg><a/ >", "<a/"},
                                           // A comment ends at its first ">".
                                           TokenCase{"<!-- a > <rect width='1'/> -->", "<rect width=1|/rect"},
                                           TokenCase{"<!-- never closed <rect width='1'/>", ""},
                                           // Unquoted values are skipped up to the next quoted value.
                                           TokenCase{"<rect x=5 y='6' z='7'>", "<rect x=6 z=7"},
                                           TokenCase{"<a x='unterminated", ""},
                                           TokenCase{"<a x='unterminated>", "<a x=unterminated"},
                                           TokenCase{"<a x>", "<a"}, TokenCase{"< >", ""}, TokenCase{"", ""},
                                           TokenCase{"  \n text<a>", "'text|<a"},
                                           // A piece still open at the end is dropped.
                                           TokenCase{"<a>text", "<a"}));

TEST(SVGTokenizer, PassesAtMost127Attributes)
{
  std::string text = "<a";
  for (int i = 0; i < 130; i++)
    text += " a" + std::to_string(i) + "='" + std::to_string(i) + "'";
  text += "/>";
  std::vector<char> buf(text.begin(), text.end());
  buf.push_back(0);
  int count = -1;
  svgParseXML(
      buf.data(),
      [](void* ud, const char*, const char** attr)
      {
        int n = 0;
        while (attr[n])
          n += 2;
        *(int*)ud = n / 2;
      },
      nullptr, nullptr, &count);
  EXPECT_EQ(count, 127);
}

TEST(SVGStyle, DeclarationsSetPresentationAttributes)
{
  auto image = Parse("<svg width='10' height='10'><rect width='5' height='5' x='1' "
                     "style=' fill : #00ff00 ; stroke:red;stroke-width: 3;x:4; ;opacity:0.5;;'/></svg>");
  auto shapes = Shapes(image.get());
  ASSERT_EQ(shapes.size(), 1u);
  EXPECT_EQ(shapes[0]->fill.color, 0xFF00FF00u);
  EXPECT_EQ(shapes[0]->stroke.color, 0xFF0000FFu);
  EXPECT_FLOAT_EQ(shapes[0]->strokeWidth, 3);
  EXPECT_FLOAT_EQ(shapes[0]->opacity, 0.5f);
  EXPECT_FLOAT_EQ(shapes[0]->bounds[0], 1) << "a geometry attribute in style has no effect";
}

struct AttrCase
{
  const char* attributes; // on a rect inside a 100 x 100 document and view box
  const char* expected;   // the shape line of the dump, without bounds
};

class SVGPresentation : public ::testing::TestWithParam<AttrCase>
{
};

TEST_P(SVGPresentation, SetsTheShape)
{
  auto image =
      Parse(std::string("<svg width='100' height='100' viewBox='0 0 100 100'><rect width='10' height='10' ") +
            GetParam().attributes + "/></svg>");
  std::string dump = svgtest::Dump(image.get());
  const size_t shapeLine = dump.find("shape");
  ASSERT_NE(shapeLine, std::string::npos) << GetParam().attributes;
  dump = dump.substr(shapeLine, dump.find(" bounds", shapeLine) - shapeLine);
  EXPECT_EQ(dump, GetParam().expected) << GetParam().attributes;
}

INSTANTIATE_TEST_SUITE_P(
    Attributes, SVGPresentation,
    ::testing::Values(
        AttrCase{"", "shape '' opacity 1 fill FF000000 stroke none width 1 join 0 cap 0 miter 4 rule 0"},
        AttrCase{"id='r1' fill='none' stroke='blue' stroke-width='2' stroke-linejoin='round' "
                 "stroke-linecap='square'",
                 "shape 'r1' opacity 1 fill none stroke FFFF0000 width 2 join 1 cap 2 miter 4 rule 0"},
        AttrCase{"stroke-linejoin='bevel' stroke-linecap='round' stroke-miterlimit='-3' fill-rule='evenodd'",
                 "shape '' opacity 1 fill FF000000 stroke none width 1 join 2 cap 1 miter 0 rule 1"},
        AttrCase{"stroke-linejoin='odd' stroke-linecap='odd' fill-rule='nonzero' opacity='50%'",
                 "shape '' opacity 1 fill FF000000 stroke none width 1 join 0 cap 0 miter 4 rule 0"},
        AttrCase{"opacity='-1' display='none'",
                 "shape '' hidden opacity 0 fill FF000000 stroke none width 1 join 0 cap 0 miter 4 rule 0"},
        AttrCase{"stroke-dasharray='1 2 3 4 5 6 7 8 9 10' stroke-dashoffset='2'",
                 "shape '' opacity 1 fill FF000000 stroke none width 1 join 0 cap 0 miter 4 rule 0 dash 1 2 "
                 "3 4 5 6 7 "
                 "8 offset 2"},
        AttrCase{"stroke-dasharray='-4,2'", "shape '' opacity 1 fill FF000000 stroke none width 1 join 0 cap "
                                            "0 miter 4 rule 0 dash 4 2 offset 0"},
        AttrCase{"stroke-dasharray='0 0'",
                 "shape '' opacity 1 fill FF000000 stroke none width 1 join 0 cap 0 miter 4 rule 0"},
        AttrCase{"stroke-dasharray='none'",
                 "shape '' opacity 1 fill FF000000 stroke none width 1 join 0 cap 0 miter 4 rule 0"},
        // Percentages of the diagonal length: 100 x 100 gives 100.
        AttrCase{"stroke-width='10%'",
                 "shape '' opacity 1 fill FF000000 stroke none width 10 join 0 cap 0 miter 4 rule 0"},
        AttrCase{"fill='url(#missing)'",
                 "shape '' opacity 1 fill none stroke none width 1 join 0 cap 0 miter 4 rule 0"},
        AttrCase{"id='0123456789012345678901234567890123456789012345678901234567890123456789'",
                 "shape '012345678901234567890123456789012345678901234567890123456789012' opacity 1 fill "
                 "FF000000 stroke "
                 "none width 1 join 0 cap 0 miter 4 rule 0"}));

TEST(SVGGroups, AttributesAreInheritedAndTransformsCompose)
{
  auto image = Parse("<svg width='100' height='100'><g fill='red' id='grp' transform='translate(10,0)'>"
                     "<rect width='1' height='1' transform='scale(2)'/><rect id='own' width='1' height='1' "
                     "fill='blue'/></g><rect width='1' height='1'/></svg>");
  auto shapes = Shapes(image.get());
  ASSERT_EQ(shapes.size(), 3u);
  EXPECT_STREQ(shapes[0]->id, "grp");
  EXPECT_EQ(shapes[0]->fill.color, 0xFF0000FFu);
  EXPECT_FLOAT_EQ(shapes[0]->bounds[0], 10);
  EXPECT_FLOAT_EQ(shapes[0]->bounds[2], 12) << "the child's transform applies first";
  EXPECT_STREQ(shapes[1]->id, "own");
  EXPECT_EQ(shapes[1]->fill.color, 0xFFFF0000u);
  EXPECT_STREQ(shapes[2]->id, "");
  EXPECT_EQ(shapes[2]->fill.color, 0xFF000000u);
  EXPECT_FLOAT_EQ(shapes[2]->bounds[0], 0);
}

TEST(SVGGroups, DisplayNoneOnAGroupHidesEverythingInside)
{
  auto image = Parse("<svg width='10' height='10'><g display='none'><rect width='1' height='1' "
                     "display='inline'/></g><rect width='1' height='1'/></svg>");
  auto shapes = Shapes(image.get());
  ASSERT_EQ(shapes.size(), 2u);
  EXPECT_EQ(shapes[0]->flags & SVG_FLAGS_VISIBLE, 0);
  EXPECT_EQ(shapes[1]->flags & SVG_FLAGS_VISIBLE, SVG_FLAGS_VISIBLE);
}

TEST(SVGGroups, SelfClosingGroup)
{
  // "g/" is an unknown element; "g /" pushes and pops at once. Neither leaks its fill.
  auto image =
      Parse("<svg width='10' height='10'><g/ fill='red'><g fill='blue' /><rect width='1' height='1'/></svg>");
  auto shapes = Shapes(image.get());
  ASSERT_EQ(shapes.size(), 1u);
  EXPECT_EQ(shapes[0]->fill.color, 0xFF000000u);
}

TEST(SVGGroups, DeepNestingKeepsTheStackBalanced)
{
  // 130 nested groups: the stack stops growing at its limit, and the pops that match refused pushes
  // leave the enclosing groups' levels in place.
  std::string text = "<svg width='10' height='10'><g fill='red'>";
  for (int i = 0; i < 130; i++)
    text += "<g>";
  text += "<rect width='1' height='1'/>";
  for (int i = 0; i < 130; i++)
    text += "</g>";
  text += "<rect width='2' height='2'/></g><rect width='3' height='3'/></svg>";
  auto image = Parse(text);
  auto shapes = Shapes(image.get());
  ASSERT_EQ(shapes.size(), 3u);
  EXPECT_EQ(shapes[0]->fill.color, 0xFF0000FFu);
  EXPECT_EQ(shapes[1]->fill.color, 0xFF0000FFu) << "inside the outer group";
  EXPECT_EQ(shapes[2]->fill.color, 0xFF000000u) << "outside every group";
}

TEST(SVGGroups, ShapeAtTheStackLimitDoesNotPopItsGroup)
{
  std::string text = "<svg width='10' height='10'>";
  for (int i = 0; i < 126; i++)
    text += "<g>";
  text += "<g fill='red'><rect width='1' height='1'/><rect width='2' height='2'/></g>";
  auto image = Parse(text + "</svg>");
  auto shapes = Shapes(image.get());
  ASSERT_EQ(shapes.size(), 2u);
  EXPECT_EQ(shapes[1]->fill.color, 0xFF0000FFu);
}

TEST(SVGDefs, OnlyGradientsCountInside)
{
  auto image = Parse("<svg width='10' height='10'><defs><rect width='1' height='1'/><g fill='red'></g>"
                     "<linearGradient id='a'><stop offset='0' stop-color='red'/></linearGradient></defs>"
                     "<rect width='1' height='1'/><stop offset='1' stop-color='blue'/>"
                     "<rect width='2' height='2' fill='url(a)'/></svg>");
  auto shapes = Shapes(image.get());
  ASSERT_EQ(shapes.size(), 2u) << "the rect inside defs is not drawn";
  EXPECT_EQ(shapes[0]->fill.color, 0xFF000000u) << "the group inside defs changed nothing";
  ASSERT_EQ(shapes[1]->fill.type, SVG_PAINT_LINEAR_GRADIENT) << "url( without # names the same gradient";
  ASSERT_EQ(shapes[1]->fill.gradient->nstops, 2) << "a stop outside any gradient joins the newest one";
  EXPECT_EQ(shapes[1]->fill.gradient->stops[1].color, 0xFFFF0000u);
}

TEST(SVGDefs, GroupEndInsideDefsPopsNothing)
{
  // The group inside defs pushed nothing, so its end must not pop the enclosing group's level.
  auto image = Parse("<svg width='10' height='10'><g fill='blue'><defs><g></g></defs>"
                     "<rect width='1' height='1'/></g></svg>");
  auto shapes = Shapes(image.get());
  ASSERT_EQ(shapes.size(), 1u);
  EXPECT_EQ(shapes[0]->fill.color, 0xFFFF0000u);
}
