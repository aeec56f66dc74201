// The renderer's switches set by name, from code and from the environment a program runs in.
#include "graphics/vector/VGcontext.h"
#include "graphics/vector/VGoptions.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TestPaths.h"
#include "tests/vector/MetalTestContext.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace iplugin::igraphics;

namespace
{
// The bytes of the record where a and b differ.
std::set<size_t> BytesApart(const VGoptions& a, const VGoptions& b)
{
  unsigned char x[sizeof(VGoptions)], y[sizeof(VGoptions)];
  std::memcpy(x, &a, sizeof x);
  std::memcpy(y, &b, sizeof y);
  std::set<size_t> apart;
  for (size_t i = 0; i < sizeof x; ++i)
    if (x[i] != y[i]) apart.insert(i);
  return apart;
}

std::string FileText(const std::filesystem::path& path)
{
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Whether word stands in text as a name of its own, not as part of a longer one.
bool HasWord(const std::string& text, const std::string& word)
{
  auto inName = [](char c) { return std::isalnum((unsigned char)c) || c == '_'; };
  for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1))
    if ((at == 0 || !inName(text[at - 1])) &&
        (at + word.size() == text.size() || !inName(text[at + word.size()])))
      return true;
  return false;
}

// The shortcuts table's fields of one label ("where", "tests"), each with its continuation lines joined and
// its spaces made one.
std::vector<std::string> TableFields(const std::string& header, const std::string& label)
{
  std::vector<std::string> fields;
  std::istringstream lines(header);
  const std::regex start("^//\\s+(\\d+ )?\\s*([a-z]+):\\s+(.*)$"), more("^// {14,}(\\S.*)$");
  bool in = false;
  for (std::string line; std::getline(lines, line);)
  {
    std::smatch m;
    if (std::regex_match(line, m, start))
    {
      in = m[2] == label;
      if (in) fields.push_back(m[3]);
    }
    else if (in && std::regex_match(line, m, more))
      fields.back() += " " + m[1].str();
    else
      in = false;
  }
  return fields;
}
} // namespace

// Each name turns one switch off and on again, a switch no other name turns, and the names reach every
// switch of the record (a field added without a name fails here). The GPU's answer to their bare names too.
TEST(RenderOptions, EachNameSetsItsOwnSwitch)
{
  const std::vector<std::string> names = vgOptionNames();
  static_assert(sizeof(VGoptions) == sizeof(bool) * 45, "a switch was added: give it a name");
  ASSERT_EQ(names.size(), sizeof(VGoptions));
  std::set<size_t> reached;
  for (const std::string& name : names)
  {
    VGoptions off;
    std::string problems;
    ASSERT_TRUE(vgApplyOptions((name + "=0").c_str(), off, problems)) << name;
    EXPECT_EQ(problems, "");
    const std::set<size_t> apart = BytesApart(off, VGoptions{});
    ASSERT_EQ(apart.size(), 1u) << name;
    EXPECT_TRUE(reached.insert(*apart.begin()).second) << name << " sets another name's switch";
    VGoptions back = off;
    EXPECT_TRUE(vgApplyOptions((name + "=1").c_str(), back, problems)) << name;
    EXPECT_EQ(back, VGoptions{}) << name;
    if (name.rfind("gpu.", 0) == 0)
    {
      VGoptions bare;
      EXPECT_TRUE(vgApplyOptions((name.substr(4) + "=0").c_str(), bare, problems)) << name;
      EXPECT_EQ(bare, off) << name;
    }
  }
  EXPECT_EQ(reached.size(), sizeof(VGoptions));
}

// Items are taken in order; an item that names no switch, or gives one no value 0 or 1, is left out with a
// line naming it, and the others are still taken.
TEST(RenderOptions, WhatNamesNoSwitchIsReportedAndLeftOut)
{
  VGoptions fansAndSnapOff;
  fansAndSnapOff.gpu.convexFans = fansAndSnapOff.gpu.texelSnap = false;
  VGoptions fillsOff;
  fillsOff.fillShortcuts = false;
  const struct
  {
    const char* text;
    VGoptions expected;
    const char* reported; // null: nothing
  } cases[] = {
      {nullptr, VGoptions{}, nullptr},
      {"", VGoptions{}, nullptr},
      {" , ,", VGoptions{}, nullptr},
      {"gpu.convexFans=0,texelSnap=0", fansAndSnapOff, nullptr},
      {" gpu.convexFans = 0 , nonsense=0,gpu.texelSnap=0", fansAndSnapOff, "\"nonsense\""},
      {"fillShortcuts=0,fillShortcuts=1,fillShortcuts=0", fillsOff, nullptr},
      {"fillShortcuts=2", VGoptions{}, "fillShortcuts=2"},
      {"fillShortcuts=", VGoptions{}, "fillShortcuts="},
      {"fillShortcuts,texelSnap=0,convexFans=0", fansAndSnapOff, "\"fillShortcuts\""},
      {"fillShortcuts=off", VGoptions{}, "fillShortcuts=off"},
      {"gpu.fillShortcuts=0", VGoptions{}, "\"gpu.fillShortcuts\""},
      {"GPU.simd=0", VGoptions{}, "\"GPU.simd\""},
      {"simd=0=1", VGoptions{}, "simd=0=1"},
  };
  for (const auto& c : cases)
  {
    const std::string text = c.text ? c.text : "(null)";
    VGoptions options;
    std::string problems;
    EXPECT_EQ(vgApplyOptions(c.text, options, problems), c.reported == nullptr) << text;
    EXPECT_EQ(options, c.expected) << text;
    if (!c.reported)
    {
      EXPECT_EQ(problems, "") << text;
      continue;
    }
    EXPECT_NE(problems.find(c.reported), std::string::npos) << text << ": " << problems;
    // One line, which names the variable and lists the switches.
    EXPECT_EQ(problems.rfind(kVGoptionsVariable, 0), 0u) << problems;
    EXPECT_EQ(std::count(problems.begin(), problems.end(), '\n'), 1) << problems;
    EXPECT_NE(problems.find("gpu.quadCorners"), std::string::npos) << problems;
  }
}

// A context made under the variable takes its switches, and its draws follow them: with texel copies off a
// bitmap is filtered, not copied; a name that is no switch is said on standard error when the context is
// made. Without the variable a context takes the defaults and says nothing.
TEST(RenderOptions, AContextTakesTheSwitchesOfTheEnvironment)
{
  const int w = 12, h = 10;
  std::vector<unsigned char> texels((size_t)w * h * 4);
  for (size_t i = 0; i < texels.size(); ++i)
    texels[i] = (unsigned char)(i * 37 % 251 | 0x80);
  auto draw = [&](qorvtest::MetalContext& m) { return m.ImageFrame(texels, w, h, 2, 3); };
  VGoptions expected;
  expected.gpu.texelCopies = false;
  expected.unfringedRects = false;
  std::string said;
  std::vector<unsigned char> filtered;
  {
    qorvtest::ScopedEnvironment environment;
    environment.Set(kVGoptionsVariable, "gpu.texelCopies=0,unfringedRects=0,texelCopy=1");
    testing::internal::CaptureStderr();
    qorvtest::MetalContext m(32, 24);
    said = testing::internal::GetCapturedStderr();
    ASSERT_NE(m.ctx, nullptr);
    EXPECT_EQ(vgOptions(m.ctx), expected);
    EXPECT_EQ(m.Renderer().options, expected);
    const uint64_t before = QorvMetalTexelsCopied();
    filtered = draw(m);
    EXPECT_EQ(QorvMetalTexelsCopied(), before);
    EXPECT_EQ(QorvMetalOptions(*m.layer->device), expected.gpu);
  }
  EXPECT_NE(said.find("\"texelCopy\""), std::string::npos) << said;
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;

  qorvtest::ScopedEnvironment environment;
  environment.Set(kVGoptionsVariable, nullptr);
  testing::internal::CaptureStderr();
  qorvtest::MetalContext plain(32, 24);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(vgOptions(plain.ctx), VGoptions{});
  const uint64_t before = QorvMetalTexelsCopied();
  EXPECT_EQ(draw(plain), filtered);
  EXPECT_GE(QorvMetalTexelsCopied() - before, (uint64_t)(w * h));
}

// The shortcuts table in VGoptions.h names what is there: each file an entry's "where" names exists (M and V
// stand for platform/src/Metal/ and graphics/vector/), each function or member named after it is in that
// file, and each test its "tests" name is defined (the frames test's by its switch's row).
TEST(RenderOptions, TheShortcutsTableNamesWhatIsThere)
{
  namespace fs = std::filesystem;
  const fs::path root = qorvtest::SourceDir();
  const std::string header = FileText(root / "graphics/vector/VGoptions.h");
  const std::vector<std::string> where = TableFields(header, "where"), tests = TableFields(header, "tests");
  ASSERT_EQ(where.size(), 55u);
  ASSERT_EQ(tests.size(), 55u);
  // Code names: with "::", or camel case inside; words of prose are neither.
  const std::regex code("^[A-Za-z_][A-Za-z0-9_]*(::[A-Za-z_][A-Za-z0-9_]*)*$");
  for (const std::string& field : where)
  {
    // Remarks in brackets are prose.
    const std::string bare = std::regex_replace(field, std::regex("\\([^)]*\\)"), " ");
    std::istringstream words(std::regex_replace(bare, std::regex("[,;]"), " "));
    fs::path folder = root;
    std::string file, text;
    for (std::string word; words >> word;)
    {
      if (word == "M" || word == "V")
        folder = root / (word == "M" ? "platform/src/Metal" : "graphics/vector");
      else if (word.ends_with(".cpp") || word.ends_with(".h"))
      {
        const fs::path path = word.find('/') != std::string::npos ? root / word : folder / word;
        EXPECT_TRUE(fs::is_regular_file(path)) << word << " in: " << field;
        if (!fs::is_regular_file(path)) break;
        file = word, text = FileText(path);
      }
      else if (std::regex_match(word, code) &&
               (word.find("::") != std::string::npos ||
                std::any_of(word.begin() + 1, word.end(), [](char c) { return c >= 'A' && c <= 'Z'; })))
      {
        ASSERT_FALSE(file.empty()) << word << " before any file in: " << field;
        const std::string last = word.substr(word.rfind(':') == std::string::npos ? 0 : word.rfind(':') + 1);
        EXPECT_TRUE(HasWord(text, last)) << word << " not in " << file;
      }
    }
  }
  // Every test's "Suite.Name", by the TEST, TEST_F and TEST_P lines of the tests.
  std::set<std::string> defined;
  for (const auto& entry : fs::recursive_directory_iterator(root / "tests"))
  {
    if (entry.path().extension() != ".cpp") continue;
    std::istringstream lines(FileText(entry.path()));
    const std::regex test("^TEST(_F|_P)?\\((\\w+),\\s*(\\w+)\\)");
    for (std::string line; std::getline(lines, line);)
    {
      std::smatch m;
      if (line.starts_with("TEST") && std::regex_search(line, m, test))
        defined.insert(m[2].str() + "." + m[3].str());
    }
  }
  const std::string frames = FileText(root / "tests/vector/RendererShortcutsTest.cpp");
  const std::regex named("[A-Z][A-Za-z0-9]*\\.[A-Z][A-Za-z0-9]*"), switchRow("the frames test's ([A-Za-z]+)");
  int found = 0;
  for (const std::string& field : tests)
  {
    for (std::sregex_iterator m(field.begin(), field.end(), named), end; m != end; ++m, ++found)
      EXPECT_TRUE(defined.count(m->str())) << m->str() << " is no test";
    for (std::sregex_iterator m(field.begin(), field.end(), switchRow), end; m != end; ++m, ++found)
      EXPECT_NE(frames.find("{\"" + (*m)[1].str() + "\","), std::string::npos) << m->str() << " is no row";
  }
  EXPECT_GT(found, 40);
}
