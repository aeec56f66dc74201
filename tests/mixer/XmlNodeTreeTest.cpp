#include "mixer/PresetXmlTree.h"
#include "framework/XmlNesting.h"
#include "mixer/XmlNodeTree.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <cstring>
#include <string>

using namespace iplugin;

namespace
{
std::string Repeat(const std::string& unit, int times)
{
  std::string s;
  for (int i = 0; i < times; ++i)
    s += unit;
  return s;
}

std::unique_ptr<XmlNodeTree> ParseText(const std::string& text, const char* name = "doc")
{
  return XmlNodeTree::Parse(text.c_str(), text.size(), name);
}

TEST(XmlNodeTree, MirrorsElementsTextsAndAttributes)
{
  const auto tree = ParseText("<?xml version=\"1.0\" ?><Preset Name=\"Panel\" kMixMode=\"2\">"
                              "<!-- note --><Param id=\"5\"/>hello<Empty/></Preset>");
  ASSERT_TRUE(tree);
  const XmlLightNode* declaration = XmlNodeTree::Root(tree.get());
  ASSERT_NE(declaration, nullptr);
  EXPECT_EQ(declaration->kind, XmlLightNode::kOther);
  const XmlLightNode* preset = declaration->next;
  ASSERT_NE(preset, nullptr);
  EXPECT_EQ(preset->kind, XmlLightNode::kElement);
  EXPECT_STREQ(preset->name, "Preset");
  EXPECT_EQ(preset->next, nullptr);

  // Attributes in order, each an item of kind 0 with no child.
  const XmlLightNode* a = preset->attributes;
  ASSERT_NE(a, nullptr);
  EXPECT_STREQ(a->name, "Name");
  EXPECT_STREQ(a->text, "Panel");
  EXPECT_EQ(a->kind, XmlLightNode::kOther);
  EXPECT_EQ(a->firstChild, nullptr);
  ASSERT_NE(a->next, nullptr);
  EXPECT_STREQ(a->next->name, "kMixMode");
  EXPECT_EQ(a->next->next, nullptr);

  const XmlLightNode* comment = preset->firstChild;
  ASSERT_NE(comment, nullptr);
  EXPECT_EQ(comment->kind, XmlLightNode::kOther);
  const XmlLightNode* param = comment->next;
  ASSERT_NE(param, nullptr);
  EXPECT_STREQ(param->name, "Param");
  EXPECT_EQ(param->firstChild, nullptr);
  const XmlLightNode* text = param->next;
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->kind, XmlLightNode::kText);
  EXPECT_STREQ(text->text, "hello");
  ASSERT_NE(text->next, nullptr);
  EXPECT_STREQ(text->next->name, "Empty");
  EXPECT_EQ(text->next->attributes, nullptr);
}

TEST(XmlNodeTree, AttributeLookupIgnoresCase)
{
  const auto tree = ParseText("<a Gain=\"-3.5\" mode='Prio'/>");
  ASSERT_TRUE(tree);
  const XmlLightNode* a = XmlNodeTree::Root(tree.get());
  EXPECT_STREQ(XmlNodeTree::FindAttribute(a, "GAIN")->text, "-3.5");
  EXPECT_STREQ(XmlNodeTree::FindAttribute(a, "Mode")->text, "Prio");
  EXPECT_EQ(XmlNodeTree::FindAttribute(a, "gai"), nullptr);
  EXPECT_EQ(XmlNodeTree::FindAttribute(a, ""), nullptr);
  EXPECT_EQ(XmlNodeTree::FindAttribute(a, nullptr), nullptr);
  EXPECT_EQ(XmlNodeTree::FindAttribute(nullptr, "gain"), nullptr);

  char* copy = XmlNodeTree::DupAttributeValue(a, "gain");
  ASSERT_NE(copy, nullptr);
  EXPECT_STREQ(copy, "-3.5");
  EXPECT_NE(copy, XmlNodeTree::FindAttribute(a, "gain")->text);
  XmlNodeTree::FreeString(copy);
  EXPECT_EQ(XmlNodeTree::DupAttributeValue(a, "missing"), nullptr);
}

struct BadText
{
  const char* what;
  std::string text;
  size_t length;
};

class XmlNodeTreeRefuses : public testing::TestWithParam<BadText>
{
};

TEST_P(XmlNodeTreeRefuses, Text)
{
  const BadText& c = GetParam();
  EXPECT_FALSE(XmlNodeTree::Parse(c.text.c_str(), c.length, nullptr)) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Cases, XmlNodeTreeRefuses,
                         testing::Values(BadText{"length too short", "<a/>", 3},
                                         BadText{"length too long", "<a/>", 5},
                                         BadText{"NUL inside", std::string("<a/>\0<b/>", 9), 9},
                                         BadText{"unclosed", "<a><b></a>", 10}, BadText{"empty", "", 0},
                                         BadText{"deep", Repeat("<a>", 3000), 9000},
                                         BadText{"all lengths", "<a/>", static_cast<size_t>(-1)}));

TEST(XmlNodeTree, NullTextAndNullTree)
{
  EXPECT_FALSE(XmlNodeTree::Parse(nullptr, 0, "x"));
  EXPECT_EQ(XmlNodeTree::Root(nullptr), nullptr);
  XmlNodeTree::Close(nullptr);
}

TEST(XmlNodeTree, CloseClearsTheRoot)
{
  auto tree = ParseText("<a b=\"1\"/>", nullptr);
  ASSERT_TRUE(tree);
  XmlNodeTree::Close(tree.get());
  EXPECT_EQ(XmlNodeTree::Root(tree.get()), nullptr);
  XmlNodeTree::Close(tree.get()); // twice is harmless
}

TEST(XmlNodeTree, LongSiblingListsAndDeepButAllowedNesting)
{
  const auto tree = ParseText("<list>" + Repeat("<i/>", 50000) + "</list>");
  ASSERT_TRUE(tree);
  int count = 0;
  for (const XmlLightNode* n = XmlNodeTree::Root(tree.get())->firstChild; n; n = n->next)
    ++count;
  EXPECT_EQ(count, 50000);

  const auto deepTree = ParseText(Repeat("<d>", kMaxXmlNesting) + Repeat("</d>", kMaxXmlNesting));
  ASSERT_TRUE(deepTree);
  int depth = 0;
  for (const XmlLightNode* n = XmlNodeTree::Root(deepTree.get()); n; n = n->firstChild)
    ++depth;
  EXPECT_EQ(depth, kMaxXmlNesting);
}

struct NestingCase
{
  const char* what;
  std::string unit; // repeated 1000 times
  bool within;
};

class XmlNesting : public testing::TestWithParam<NestingCase>
{
};

TEST_P(XmlNesting, CountsWhatTheParserWouldNest)
{
  const NestingCase& c = GetParam();
  EXPECT_EQ(XmlNestingWithin(Repeat(c.unit, 1000).c_str()), c.within) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XmlNesting,
    testing::Values(NestingCase{"open elements", "<a>", false}, NestingCase{"siblings", "<a></a>", true},
                    NestingCase{"empty elements", "<a x='1'/>", true},
                    NestingCase{"a quoted '/>' does not close", "<a v=\"/>\">", false},
                    NestingCase{"tags inside comments", "<!-- <a> -->", true},
                    NestingCase{"tags inside CDATA", "<![CDATA[<a>]]>", true},
                    NestingCase{"a declaration ends at its first '>'", "<? > <a>", false},
                    NestingCase{"stray closings do not hide openings", "</x>", true}));

TEST(XmlNesting, StrayClosingsBeforeOpenings)
{
  EXPECT_FALSE(XmlNestingWithin((Repeat("</x>", 1000) + Repeat("<a>", 1000)).c_str()));
  EXPECT_FALSE(XmlNestingWithin(nullptr));
}

// Both readers go through the one guard: a well-formed document one level deeper than the limit is
// refused, and one nested far deeper is refused before the parser's recursion could overflow the stack.
TEST(XmlNesting, EveryReaderRefusesWellFormedNestingPastTheLimit)
{
  for (const int depth : {kMaxXmlNesting + 1, 100000})
  {
    const std::string text = Repeat("<d>", depth) + Repeat("</d>", depth);
    EXPECT_FALSE(XmlNodeTree::Parse(text.c_str(), text.size(), nullptr)) << depth;
    TiXmlDocument doc;
    EXPECT_FALSE(ParsePresetXmlText(text.c_str(), doc)) << depth;
  }
  const std::string atLimit = Repeat("<d>", kMaxXmlNesting) + Repeat("</d>", kMaxXmlNesting);
  TiXmlDocument doc;
  EXPECT_TRUE(ParsePresetXmlText(atLimit.c_str(), doc));
}

TEST(Strndup, CopiesAtMostNBytesAndTerminates)
{
  char* a = iplugin::strndup("speech", 3);
  EXPECT_STREQ(a, "spe");
  XmlNodeTree::FreeString(a);
  char* b = iplugin::strndup("hi", 10);
  EXPECT_STREQ(b, "hi");
  XmlNodeTree::FreeString(b);
  char* c = iplugin::strndup("abc", 0);
  EXPECT_STREQ(c, "");
  XmlNodeTree::FreeString(c);
  EXPECT_EQ(iplugin::strndup(nullptr, 4), nullptr);
  const char unterminated[3] = {'x', 'y', 'z'};
  char* d = iplugin::strndup(unterminated, 3);
  EXPECT_STREQ(d, "xyz");
  XmlNodeTree::FreeString(d);
}
} // namespace
