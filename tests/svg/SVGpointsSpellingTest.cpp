// "points" of polyline and polygon as the tools write them: every reference document's lists rewritten in
// the shortest legal form, plainly and at random parse into the same model; a list that an error cuts
// short draws the pairs before the error, and a number left without its pair is dropped. A table holds the
// grammar's corner cases.
#include "tests/support/SvgReference.h"
#include "tests/svg/SVGtestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

using namespace iplugin::igraphics;

namespace
{
bool IsBlank(char c)
{
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The test's own reading of a list the grammar reads whole; false for one it does not (some reference
// documents hold such lists on purpose), which is then left as it is.
bool ReadWholeList(const std::string& text, std::vector<double>& numbers)
{
  numbers.clear();
  size_t i = 0;
  auto blanks = [&]
  {
    while (i < text.size() && IsBlank(text[i]))
      i++;
  };
  blanks();
  bool comma = false;
  for (double v = 0; svgtest::ReadGrammarNumber(text, i, v);)
  {
    numbers.push_back(v);
    blanks();
    comma = i < text.size() && text[i] == ',';
    if (comma) i++, blanks();
  }
  return i == text.size() && !comma;
}

enum class Form
{
  shortest, // no separator the grammar can do without
  plain,    // "x,y x,y"
  random    // separators, number forms and blanks around the list at random
};

std::string Write(const std::vector<double>& numbers, Form form, std::mt19937& random)
{
  std::string out, last;
  if (form == Form::random && random() % 2) out += " \n\t";
  for (size_t k = 0; k < numbers.size(); k++)
  {
    const std::string token = form == Form::random ? svgtest::NumberSpelledAtRandom(numbers[k], random)
                                                   : svgtest::ShortestNumber(numbers[k]);
    if (k > 0 && form == Form::shortest)
      out += svgtest::FollowsWithoutSeparator(last, token) ? "" : " ";
    else if (k > 0)
      out += form == Form::plain ? (k % 2 ? "," : " ") : svgtest::SeparatorAtRandom(random);
    out += token;
    last = token;
  }
  if (form == Form::random && random() % 2) out += "\r\n ";
  return out;
}

// Text that ends a list, and the numbers the grammar still reads from its start.
struct ListError
{
  const char* text;
  std::vector<double> read;
};

const ListError kErrors[] = {{"x", {}},  {", ,", {}}, {".", {}},  {"-", {}},     {"+-1", {}},
                             {"e5", {}}, {"1e", {1}}, {"#0", {}}, {"2.E+", {2}}, {"5px", {5}}};

// The list spelled at random with the error put in before its number at (at most its size).
std::string WithError(const std::vector<double>& numbers, size_t at, const ListError& error,
                      std::mt19937& spell)
{
  return Write({numbers.begin(), numbers.begin() + long(at)}, Form::random, spell) + " " + error.text + " " +
         Write({numbers.begin() + long(at), numbers.end()}, Form::random, spell);
}

// What the grammar reads of that list: the pairs before the error.
std::vector<double> ReadBefore(const std::vector<double>& numbers, size_t at, const ListError& error)
{
  std::vector<double> read(numbers.begin(), numbers.begin() + long(at));
  read.insert(read.end(), error.read.begin(), error.read.end());
  read.resize(read.size() / 2 * 2); // a number without its pair is dropped
  return read;
}

// The document with each list that the grammar reads whole passed through rewrite; adds their count.
std::string RewriteLists(const std::string& text,
                         const std::function<std::string(const std::vector<double>&)>& rewrite, int& count)
{
  int attributes = 0;
  return svgtest::RewriteAttribute(
      text, "points",
      [&](const std::string& list)
      {
        std::vector<double> numbers;
        if (!ReadWholeList(list, numbers)) return list;
        count++;
        return rewrite(numbers);
      },
      attributes);
}

std::string Document(const std::string& element, const std::string& points)
{
  return "<svg width='50' height='50'><" + element + " points='" + points + "'/></svg>";
}
} // namespace

// Every reference document with its lists rewritten: shortest, plain, at random, and at random with an
// error put in at a random place (against the document whose lists hold only the pairs before it).
TEST(SVGPointsSpelling, EveryReferenceDocumentParsesAlikeInEveryLegalSpelling)
{
  // The parser's model alone: every document, drawn alike by rsvg-convert or not.
  const std::vector<std::string>& docs = qorvtest::SvgDocuments();
  if (docs.empty()) GTEST_SKIP() << "librsvg2-tests is not installed";
  int rewritten = 0, cut = 0;
  for (size_t n = 0; n < docs.size(); n++)
  {
    const std::string text = qorvtest::ReadFile(qorvtest::SvgFullPath(docs[n]));
    if (text.find("points=") == std::string::npos) continue;
    const svgtest::ImagePtr original = svgtest::Parse(text);
    for (Form form : {Form::shortest, Form::plain, Form::random})
    {
      std::mt19937 random{unsigned(n)};
      const std::string changed = RewriteLists(
          text, [&](const std::vector<double>& numbers) { return Write(numbers, form, random); }, rewritten);
      EXPECT_EQ(svgtest::ModelDifference(original.get(), svgtest::Parse(changed).get()), "")
          << docs[n]
          << (form == Form::shortest ? " shortest"
              : form == Form::plain  ? " plain"
                                     : " at random");
    }

    // The same random choices of where the error goes and which it is, for the list and its expectation.
    std::mt19937 spell{unsigned(n)}, placeInList{unsigned(n)}, placeInExpectation{unsigned(n)};
    auto place = [](std::mt19937& random, const std::vector<double>& numbers)
    {
      const size_t at = random() % (numbers.size() + 1);
      return std::make_pair(at, kErrors[random() % std::size(kErrors)]);
    };
    const std::string withErrors = RewriteLists(
        text,
        [&](const std::vector<double>& numbers)
        {
          const auto [at, error] = place(placeInList, numbers);
          return WithError(numbers, at, error, spell);
        },
        cut);
    int unused = 0;
    const std::string expected = RewriteLists(
        text,
        [&](const std::vector<double>& numbers)
        {
          const auto [at, error] = place(placeInExpectation, numbers);
          return Write(ReadBefore(numbers, at, error), Form::plain, spell);
        },
        unused);
    EXPECT_EQ(svgtest::ModelDifference(svgtest::Parse(expected).get(), svgtest::Parse(withErrors).get()), "")
        << docs[n] << " with errors:\n"
        << withErrors.substr(0, 2000);
  }
  EXPECT_GT(rewritten, 3 * 80);
  EXPECT_GT(cut, 80);
}

// Random lists of numbers of every size, spelled each way and with an error at every place: each parses
// into the model of its plain spelling, or of the pairs before the error.
TEST(SVGPointsSpelling, RandomListsParseAlikeInEveryLegalSpelling)
{
  std::mt19937 random(63);
  for (int round = 0; round < 400; round++)
  {
    std::vector<double> numbers(random() % 16);
    for (double& v : numbers)
    {
      // From tens of thousands down to a millionth, and exactly 0.
      const int scale = int(random() % 5);
      v = double(int(random() % 20001) - 10000) / std::pow(10.0, 3 * scale);
    }
    const char* element = round % 2 ? "polygon" : "polyline";
    const svgtest::ImagePtr reference =
        svgtest::Parse(Document(element, Write(numbers, Form::plain, random)));
    for (Form form : {Form::shortest, Form::random})
    {
      const std::string points = Write(numbers, form, random);
      EXPECT_EQ(svgtest::ModelDifference(reference.get(), svgtest::Parse(Document(element, points)).get()),
                "")
          << points;
    }
    for (const ListError& error : kErrors)
    {
      const size_t at = random() % (numbers.size() + 1);
      const std::string points = WithError(numbers, at, error, random);
      const std::string read = Write(ReadBefore(numbers, at, error), Form::plain, random);
      EXPECT_EQ(svgtest::ModelDifference(svgtest::Parse(Document(element, read)).get(),
                                         svgtest::Parse(Document(element, points)).get()),
                "")
          << points << "\nreads as\n"
          << read;
    }
  }
}

struct PointsCase
{
  const char* points;
  const char* same; // the same list spelled plainly
};

class SVGPointsGrammar : public ::testing::TestWithParam<PointsCase>
{
};

TEST_P(SVGPointsGrammar, ReadsAsThePlainSpelling)
{
  for (const char* element : {"polyline", "polygon"})
  {
    auto dump = [&](const char* points)
    { return svgtest::Dump(svgtest::Parse(Document(element, points)).get()); };
    EXPECT_EQ(dump(GetParam().points), dump(GetParam().same)) << element << " " << GetParam().points;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SVGPointsGrammar,
    ::testing::Values(
        // Numbers end where the grammar ends them; separators where it needs none are optional.
        PointsCase{".5.5 1 1", "0.5,0.5 1,1"}, PointsCase{"-.5-.5 1 1", "-0.5,-0.5 1,1"},
        PointsCase{"1e-3 2 1E1 4", "0.001,2 10,4"}, PointsCase{"1.2.3.4.5", "1.2,0.3 0.4,0.5"},
        PointsCase{"5.,6. 7.,8.", "5,6 7,8"}, PointsCase{"0-1-2-3", "0,-1 -2,-3"},
        PointsCase{"+1+2 3e+0 4", "1,2 3,4"}, PointsCase{"0 0,10 10 , 20 0", "0,0 10,10 20,0"},
        PointsCase{"0,0,10,10,20,0", "0,0 10,10 20,0"}, PointsCase{" \t\n0 0 10 10\r\n", "0,0 10,10"},
        // A number left over is dropped; the first error ends the list, the pairs before it kept.
        PointsCase{"0 0 10 10 20", "0,0 10,10"}, PointsCase{"0 0 10 10 20 1e 5 5", "0,0 10,10 20,1"},
        PointsCase{"0 0 10 10 1e 5 5", "0,0 10,10"}, PointsCase{"0 0 10 10,,20 20", "0,0 10,10"},
        PointsCase{"0 0 10 10 x 20 20", "0,0 10,10"}, PointsCase{"0 0 10 10,", "0,0 10,10"},
        PointsCase{"0 0 - 10 10 20 20", "0,0"}, PointsCase{"0 0 10 10 . 5 5", "0,0 10,10"},
        PointsCase{"0 0 10 10 20 20px 5 5", "0,0 10,10 20,20"}, PointsCase{",0 0 10 10", ""}));
