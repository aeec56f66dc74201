// Colours as the tools write them: every colour keyword reads as rsvg-convert draws it, in any case, and
// every colour of the reference documents rewritten in each equivalent SVG 1.1 spelling (keyword in
// other case, #rgb, #rrggbb, rgb() of integers or of percentages with fractions, with blanks) parses into
// the same model.
#include "tests/support/SvgReference.h"
#include "tests/svg/SVGtestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

using namespace iplugin::igraphics;

namespace
{
std::string Mixed(const std::string& word, int phase)
{
  std::string out = word;
  for (size_t i = 0; i < out.size(); i++)
    if ((i + phase) % 2) out[i] = (char)std::toupper((unsigned char)out[i]);
  return out;
}

// The keyword of a colour 0x00BBGGRR, or "" when none has it.
std::string KeywordOf(uint32_t color)
{
  for (int i = 0; const char* name = svgColorKeyword(i); i++)
  {
    uint32_t c = 0;
    if (svgParseColor(name, c) && c == color) return name;
  }
  return "";
}

// The spellings of a colour, by number; "" where this one has none (no keyword, no short hex form).
std::string Spelled(uint32_t color, int form)
{
  const unsigned r = color & 0xff, g = (color >> 8) & 0xff, b = (color >> 16) & 0xff;
  char buf[96];
  switch (form)
  {
  case 0:
    std::snprintf(buf, sizeof(buf), "#%02x%02x%02x", r, g, b);
    break;
  case 1:
    std::snprintf(buf, sizeof(buf), "#%02X%02X%02X", r, g, b);
    break;
  case 2:
    if (r % 17 || g % 17 || b % 17) return "";
    std::snprintf(buf, sizeof(buf), "#%x%X%x", r / 17, g / 17, b / 17);
    break;
  case 3:
    std::snprintf(buf, sizeof(buf), "rgb(%u,%u,%u)", r, g, b);
    break;
  case 4:
    std::snprintf(buf, sizeof(buf), "rgb( %u ,\t%u , %u )", r, g, b);
    break;
  case 5:
    std::snprintf(buf, sizeof(buf), "rgb(%.6f%%,%.6f%%,%.6f%%)", r / 2.55, g / 2.55, b / 2.55);
    break;
  case 6:
    std::snprintf(buf, sizeof(buf), "rgb( %.4f%% , %.4f%%,%.4f%% )", r / 2.55, g / 2.55, b / 2.55);
    break;
  case 7:
    return Mixed(KeywordOf(color), 0);
  default:
    return Mixed(KeywordOf(color), 1);
  }
  return buf;
}
constexpr int kForms = 9;

bool IsPropertyNameChar(char c)
{
  return std::isalnum((unsigned char)c) || c == '-' || c == '_' || c == ':';
}

// The document with every colour of "fill", "stroke" and "stop-color", as an attribute or in a style,
// replaced by spell(colour); counts the colours.
std::string RewriteColors(const std::string& text, const std::function<std::string(uint32_t)>& spell, int& count)
{
  std::string out = text;
  count = 0;
  for (const std::string name : {"fill", "stroke", "stop-color"})
    for (size_t at = out.find(name); at != std::string::npos; at = out.find(name, at + 1))
    {
      if (at > 0 && IsPropertyNameChar(out[at - 1])) continue;
      size_t i = at + name.size();
      if (i >= out.size() || (out[i] != '=' && out[i] != ':')) continue;
      const bool attribute = out[i++] == '=';
      size_t begin = i, end;
      if (attribute)
      {
        if (i >= out.size() || (out[i] != '"' && out[i] != '\'')) continue;
        begin = i + 1;
        end = out.find(out[i], begin);
      }
      else
        end = out.find_first_of(";\"'}", begin);
      if (end == std::string::npos) continue;
      uint32_t color = 0;
      const std::string value = out.substr(begin, end - begin);
      if (value.find("url(") != std::string::npos || !svgParseColor(value.c_str(), color)) continue;
      const std::string spelled = spell(color);
      if (spelled.empty()) continue;
      out.replace(begin, end - begin, spelled);
      count++;
    }
  return out;
}
} // namespace

// rsvg-convert's picture of a swatch per keyword, each in capitals too: every keyword reads as its swatch.
TEST(SVGColorSpelling, EveryKeywordReadsAsTheReferenceDrawsIt)
{
  constexpr int kColumns = 16, kSide = 4;
  int count = 0;
  std::string doc;
  for (; const char* name = svgColorKeyword(count); count++)
  {
    char rect[160];
    std::snprintf(rect, sizeof(rect), "<rect x='%d' y='%d' width='%d' height='%d' fill='%s'/>",
                  count % kColumns * kSide, count / kColumns * kSide, kSide, kSide, name);
    doc += rect;
  }
  ASSERT_EQ(count, 147) << "SVG 1.1 has 147 colour keywords";
  char head[160];
  std::snprintf(head, sizeof(head), "<svg xmlns='http://www.w3.org/2000/svg' width='%d' height='%d'>",
                kColumns * kSide, (count + kColumns - 1) / kColumns * kSide);
  const std::string png = qorvtest::SvgReferenceOfText("color-keywords", head + doc + "</svg>");
  if (png.empty()) GTEST_SKIP() << "rsvg-convert did not run";
  qorvtest::RgbaImage swatches;
  ASSERT_TRUE(qorvtest::ReadPng(png, swatches));
  for (int i = 0; i < count; i++)
  {
    const char* name = svgColorKeyword(i);
    const uint8_t* px = swatches.At(i % kColumns * kSide + kSide / 2, i / kColumns * kSide + kSide / 2);
    const uint32_t drawn = px[0] | (px[1] << 8) | (px[2] << 16);
    uint32_t read = 0x12345678, upper = 0x12345678;
    EXPECT_TRUE(svgParseColor(name, read)) << name;
    EXPECT_EQ(read, drawn) << name;
    EXPECT_TRUE(svgParseColor(Mixed(name, 1).c_str(), upper)) << name;
    EXPECT_EQ(upper, drawn) << Mixed(name, 1);
  }
}

// Every colour of every reference document in each spelling: the same model as the original's.
TEST(SVGColorSpelling, EveryReferenceColourParsesAlikeInEverySpelling)
{
  const std::vector<std::string> docs = qorvtest::ComparedSvgDocuments();
  if (docs.empty()) GTEST_SKIP() << "librsvg2-tests is not installed";
  std::vector<int> spelled(kForms, 0);
  for (const std::string& rel : docs)
  {
    const std::string text = qorvtest::ReadFile(qorvtest::SvgFullPath(rel));
    const std::string original = svgtest::Dump(svgtest::Parse(text).get());
    for (int form = 0; form < kForms; form++)
    {
      int count = 0;
      const std::string changed =
          RewriteColors(text, [form](uint32_t color) { return Spelled(color, form); }, count);
      if (count == 0) continue;
      spelled[form] += count;
      EXPECT_EQ(svgtest::Dump(svgtest::Parse(changed).get()), original) << rel << " in form " << form;
    }
  }
  for (int form = 0; form < kForms; form++)
    EXPECT_GT(spelled[form], form >= 7 ? 20 : 50) << "form " << form << " was hardly tried";
}

// An unreadable colour leaves the paint as the element would inherit it, never a made-up grey or black.
TEST(SVGColorSpelling, AnUnreadableColourLeavesThePaintInherited)
{
  for (const char* junk : {"hsl(120,100%,50%)", "rgba(1,2,3,0.5)", "#11223344", "#12", "rgb(1%,2,3)", "bluish",
                           "rgb(1.5,2,3)", "currentColour"})
    for (const char* property : {"fill", "stroke"})
    {
      char doc[400];
      std::snprintf(doc, sizeof(doc),
                    "<svg width='10' height='10'><g %s='teal'><rect width='5' height='5' %s='%s'/>"
                    "<rect width='5' height='5' style='%s:%s'/></g></svg>",
                    property, property, junk, property, junk);
      char inherited[200];
      std::snprintf(inherited, sizeof(inherited),
                    "<svg width='10' height='10'><g %s='teal'><rect width='5' height='5'/>"
                    "<rect width='5' height='5'/></g></svg>",
                    property);
      EXPECT_EQ(svgtest::Dump(svgtest::Parse(doc).get()), svgtest::Dump(svgtest::Parse(inherited).get()))
          << property << ": " << junk;
    }
}
