// Path data as the tools write it: the same drawing spelled in every legal way, from the shortest form an
// optimizer writes (relative commands, implicit repeats, no separator the grammar can do without, arc
// flags packed against their neighbours) to a verbose one, parses into the same model. The drawings are
// those of the reference documents and random ones; a table holds the grammar's corner cases.
#include "tests/support/SvgReference.h"
#include "tests/svg/SVGtestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

using namespace iplugin::igraphics;

namespace
{
// One command of a drawing, its coordinates absolute.
struct Command
{
  char cmd; // upper case
  std::vector<double> args;
};

int ArgCount(char upper)
{
  switch (upper)
  {
  case 'M':
  case 'L':
  case 'T':
    return 2;
  case 'H':
  case 'V':
    return 1;
  case 'C':
    return 6;
  case 'S':
  case 'Q':
    return 4;
  case 'A':
    return 7;
  default:
    return 0;
  }
}

bool IsFlag(char upper, int i)
{
  return upper == 'A' && (i == 3 || i == 4);
}

// Which arguments are x and y coordinates (relative commands add the current point to them).
bool IsX(char upper, int i)
{
  if (upper == 'H') return true;
  if (upper == 'V') return false;
  if (upper == 'A') return i == 5;
  return i % 2 == 0;
}

bool IsCoordinate(char upper, int i)
{
  return upper != 'A' || i >= 5;
}

// The test's own reading of path data, by the grammar, up to its first error: the drawing with its
// coordinates made absolute.
std::vector<Command> ReadDrawing(const std::string& d)
{
  std::vector<Command> out;
  size_t i = 0;
  auto blanks = [&]
  {
    while (i < d.size() && (d[i] == ' ' || d[i] == '\t' || d[i] == '\n' || d[i] == '\r'))
      i++;
  };
  auto commaBlanks = [&]
  {
    blanks();
    const bool comma = i < d.size() && d[i] == ',';
    if (comma) i++, blanks();
    return comma;
  };
  auto number = [&](double& v) { return svgtest::ReadGrammarNumber(d, i, v); };
  double cx = 0, cy = 0, sx = 0, sy = 0;
  blanks();
  if (i >= d.size() || (d[i] != 'M' && d[i] != 'm')) return out;
  while (i < d.size())
  {
    const char letter = d[i];
    const char upper = (char)std::toupper((unsigned char)letter);
    const bool rel = letter != upper;
    if (upper == 'Z')
    {
      out.push_back({'Z', {}});
      cx = sx, cy = sy;
      i++, blanks();
      continue;
    }
    const int n = ArgCount(upper);
    if (n == 0 || std::string("MLHVCSQTA").find(upper) == std::string::npos) return out;
    i++, blanks();
    char cmd = upper;
    bool relative = rel;
    for (bool more = true; more;)
    {
      std::vector<double> args(n);
      for (int k = 0; k < n; k++)
      {
        if (k > 0) commaBlanks();
        if (IsFlag(upper, k))
        {
          if (i >= d.size() || (d[i] != '0' && d[i] != '1')) return out;
          args[k] = d[i++] - '0';
        }
        else if (!number(args[k]))
          return out;
      }
      for (int k = 0; k < n; k++)
        if (relative && IsCoordinate(cmd, k)) args[k] += IsX(cmd, k) ? cx : cy;
      if (cmd == 'H') cx = args[0];
      else if (cmd == 'V') cy = args[0];
      else cx = args[n - 2], cy = args[n - 1];
      if (cmd == 'M') sx = cx, sy = cy;
      out.push_back({cmd, args});
      if (cmd == 'M') cmd = 'L';
      const size_t at = i;
      const bool comma = commaBlanks();
      double ignored;
      const size_t probe = i;
      more = number(ignored);
      i = more ? probe : (comma ? d.size() : at);
      if (comma && !more) return out;
    }
    blanks();
  }
  return out;
}

// How the drawing is spelled.
struct Spelling
{
  bool relative = false;    // every command relative
  bool implicit = false;    // repeated commands (and lines after a move) without their letter
  bool packed = false;      // no separator where the grammar needs none
  std::mt19937* random = nullptr; // otherwise: each choice at random, separators and number forms too
};

std::string Write(const std::vector<Command>& drawing, const Spelling& how)
{
  std::string out, last; // last: the previous number or flag, "" after a letter
  bool lastFlag = false;
  char previous = 0;
  double cx = 0, cy = 0, sx = 0, sy = 0;
  auto pick = [&](int n) { return int((*how.random)() % unsigned(n)); };
  auto put = [&](const std::string& token, bool flag)
  {
    // After a letter or a flag anything may follow; a sign starts a number, and so does a point after one
    // that has its own.
    const bool needsNone = last.empty() || lastFlag || svgtest::FollowsWithoutSeparator(last, token);
    if (how.random)
    {
      if (!last.empty() || pick(2)) out += last.empty() ? " " : svgtest::SeparatorAtRandom(*how.random);
    }
    else if (!(how.packed && needsNone) && !last.empty())
      out += ' ';
    out += token;
    last = token, lastFlag = flag;
  };
  auto numberText = [&](double v)
  { return how.random ? svgtest::NumberSpelledAtRandom(v, *how.random) : svgtest::ShortestNumber(v); };
  for (const Command& c : drawing)
  {
    const bool rel = how.random ? pick(2) : how.relative;
    const char letter = rel ? (char)std::tolower((unsigned char)c.cmd) : c.cmd;
    const bool repeat = previous == letter || (previous == (rel ? 'm' : 'M') && letter == (rel ? 'l' : 'L'));
    const bool implicit = how.random ? pick(2) : how.implicit;
    if (!(repeat && implicit && c.cmd != 'Z' && c.cmd != 'M'))
    {
      if (how.random && pick(2)) out += ' ';
      out += letter, last.clear(), lastFlag = false;
    }
    for (size_t k = 0; k < c.args.size(); k++)
    {
      double v = c.args[k];
      if (rel && IsCoordinate(c.cmd, (int)k)) v -= IsX(c.cmd, (int)k) ? cx : cy;
      if (IsFlag(c.cmd, (int)k))
        put(v != 0 ? "1" : "0", true);
      else
        put(numberText(v), false);
    }
    if (c.cmd == 'Z') cx = sx, cy = sy;
    else if (c.cmd == 'H') cx = c.args[0];
    else if (c.cmd == 'V') cy = c.args[0];
    else cx = c.args[c.args.size() - 2], cy = c.args.back();
    if (c.cmd == 'M') sx = cx, sy = cy;
    previous = c.cmd == 'Z' ? 0 : letter;
  }
  return out;
}

} // namespace

// Every reference document with its path data rewritten: shortest, plain absolute, and spelled at random.
TEST(SVGPathSpelling, EveryReferenceDocumentParsesAlikeInEveryLegalSpelling)
{
  const std::vector<std::string> docs = qorvtest::ComparedSvgDocuments();
  if (docs.empty()) GTEST_SKIP() << "librsvg2-tests is not installed";
  int rewritten = 0, arcs = 0;
  for (size_t n = 0; n < docs.size(); n++)
  {
    const std::string text = qorvtest::ReadFile(qorvtest::SvgFullPath(docs[n]));
    const svgtest::ImagePtr original = svgtest::Parse(text);
    std::mt19937 random{unsigned(n)};
    const Spelling spellings[] = {{true, true, true, nullptr}, {false, false, false, nullptr},
                                  {false, false, false, &random}};
    for (const Spelling& how : spellings)
    {
      int count = 0;
      const std::string changed = svgtest::RewriteAttribute(
          text, "d",
          [&](const std::string& d)
          {
            const std::string written = Write(ReadDrawing(d), how);
            arcs += written.find_first_of("aA") != std::string::npos;
            return written;
          },
          count);
      rewritten += count;
      const svgtest::ImagePtr image = svgtest::Parse(changed);
      const std::string diff = svgtest::ModelDifference(original.get(), image.get());
      EXPECT_EQ(diff, "") << docs[n] << (how.random ? " spelled at random" : how.packed ? " shortest" : " plain");
    }
  }
  EXPECT_GT(rewritten, 1000);
  EXPECT_GT(arcs, 10) << "few arcs: the packed flags are hardly tried";
}

// Random drawings of every command, coordinates of every size, spelled each way: each parses into the
// very model of its plain spelling.
TEST(SVGPathSpelling, RandomDrawingsParseAlikeInEveryLegalSpelling)
{
  std::mt19937 random(63);
  const char commands[] = "LHVCSQTAZM";
  for (int round = 0; round < 400; round++)
  {
    std::vector<Command> drawing{{'M', {double(random() % 100), double(random() % 100)}}};
    for (int k = 0; k < 12; k++)
    {
      const char cmd = commands[random() % 10];
      Command c{cmd, {}};
      for (int a = 0; a < ArgCount(cmd); a++)
      {
        // Multiples of a power of two that floats add up exactly, so that relative spellings land on the
        // same points; from hundreds down to a 1024th.
        const int scale = int(random() % 4);
        double v = double(int(random() % 2001) - 1000) / double(1 << (3 * scale + 1));
        if (cmd == 'A' && a < 2) v = std::fabs(v) + 1.0;
        if (IsFlag(cmd, a)) v = double(random() % 2);
        c.args.push_back(v);
      }
      drawing.push_back(c);
    }
    const std::string plain = Write(drawing, {false, false, false, nullptr});
    const std::string doc = "<svg width='100' height='100'><path d='%s'/></svg>";
    auto parse = [&](const std::string& d)
    {
      char buf[4096];
      std::snprintf(buf, sizeof(buf), doc.c_str(), d.c_str());
      return svgtest::Parse(buf);
    };
    const svgtest::ImagePtr reference = parse(plain);
    std::mt19937 spellRandom{unsigned(round)};
    for (const Spelling& how : {Spelling{true, true, true, nullptr}, Spelling{false, true, true, nullptr},
                                Spelling{false, false, false, &spellRandom}})
    {
      const std::string d = Write(drawing, how);
      EXPECT_EQ(svgtest::ModelDifference(reference.get(), parse(d).get()), "") << plain << "\nspelled\n" << d;
    }
  }
}

struct GrammarCase
{
  const char* data;
  const char* same; // the same drawing spelled plainly
};

class SVGPathGrammar : public ::testing::TestWithParam<GrammarCase>
{
};

TEST_P(SVGPathGrammar, ReadsAsThePlainSpelling)
{
  auto dump = [](const char* d)
  { return svgtest::Dump(svgtest::Parse(std::string("<svg width='50' height='50'><path d='") + d + "'/></svg>").get()); };
  EXPECT_EQ(dump(GetParam().data), dump(GetParam().same)) << GetParam().data;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SVGPathGrammar,
    ::testing::Values(
        // A flag is one character; the numbers after it need no separator.
        GrammarCase{"M10 10a6.986 6.986 0 00-6.313 4", "M10 10 a 6.986 6.986 0 0 0 -6.313 4"},
        GrammarCase{"M10 10a.5.5 0 100 1", "M10 10 a 0.5 0.5 0 1 0 0 1"},
        GrammarCase{"M10 10a5 5 0 1 1 10 0 5 5 0 1010 0", "M10 10 a5 5 0 1 1 10 0 a 5 5 0 1 0 10 0"},
        GrammarCase{"M10 10A5,5,0,1,0,20,10", "M10 10 A 5 5 0 1 0 20 10"},
        // Numbers end where the grammar ends them.
        GrammarCase{"M.5.5L-.5-.5", "M0.5 0.5 L-0.5 -0.5"}, GrammarCase{"M1e-3 2E+1l1e1.5", "M0.001 20 l10 0.5"},
        GrammarCase{"M1.2.3.4.5", "M1.2 0.3 L0.4 0.5"}, GrammarCase{"M5.,6.L7.,8.", "M5 6 L7 8"},
        // Repeats: pairs after a move are lines, relative after a relative move.
        GrammarCase{"M1 1 2 2 3 3", "M1 1 L2 2 L3 3"}, GrammarCase{"m1 1 2 2 3 3", "M1 1 L3 3 L6 6"},
        GrammarCase{"M1 1h2 3v4-5", "M1 1 H3 H6 V5 V0"},
        GrammarCase{"M0 0c1 1 2 2 3 3 1 1 2 2 3 3", "M0 0 C1 1 2 2 3 3 C4 4 5 5 6 6"},
        GrammarCase{"M0 0q1 1 2 2t2 0 2 0", "M0 0 Q1 1 2 2 T4 2 T6 2"},
        GrammarCase{"M0 0s1 1 2 2 1 1 2 2", "M0 0 S1 1 2 2 S3 3 4 4"},
        GrammarCase{"M0 0,10 10 , 20 0z", "M0 0 L10 10 L20 0 Z"},
        GrammarCase{" \t\nM0 0L10 10\r\n", "M0 0 L10 10"},
        // The data ends at its first error; what was drawn up to there stays.
        GrammarCase{"M0 0L10 10 20 1e", "M0 0 L10 10 L20 1"}, GrammarCase{"M0 0L10 10L20", "M0 0 L10 10"},
        GrammarCase{"M0 0L10 10,L20 20", "M0 0 L10 10"}, GrammarCase{"M0 0L10 10X20 20L5 5", "M0 0 L10 10"},
        GrammarCase{"M0 0L10 10z 5 5", "M0 0 L10 10 z"}, GrammarCase{"M0 0L10 10A5 5 0 2 0 9 9", "M0 0 L10 10"},
        GrammarCase{"M0 0L10 10L-", "M0 0 L10 10"}, GrammarCase{"M0 0L10 10L,20 20", "M0 0 L10 10"},
        GrammarCase{"L10 10 H0 Z", ""}, GrammarCase{"5 5 L10 10", ""}));
