// Helpers of the SVG parser tests: parsing from a string and printing the parsed model as text.
#pragma once

#include "graphics/svg/SVGimage.h"
#include "graphics/svg/SVGparser.h"

#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace svgtest
{
using iplugin::igraphics::SVGimage;

struct ImageDeleter
{
  void operator()(SVGimage* image) const { iplugin::igraphics::svgDelete(image); }
};
using ImagePtr = std::unique_ptr<SVGimage, ImageDeleter>;

// Parses a copy of the text (the parser writes into it).
ImagePtr Parse(const std::string& text, const char* units = "px", float dpi = 96.0f);

// The model as text, one line per image, shape, path and gradient, numbers with up to 4 decimals.
std::string Dump(const SVGimage* image);
std::string DumpPath(const iplugin::igraphics::SVGpath* path);

// The shapes and paths as vectors, in list order.
std::vector<const iplugin::igraphics::SVGshape*> Shapes(const SVGimage* image);
std::vector<const iplugin::igraphics::SVGpath*> Paths(const iplugin::igraphics::SVGshape* shape);

// Checks what every reader of the model relies on; returns an empty string when it all holds.
std::string CheckInvariants(const SVGimage* image);

// Where two models differ by more than the float rounding that rewriting numbers (relative commands adding
// up, exponent forms) brings; "" when they agree.
std::string ModelDifference(const SVGimage* a, const SVGimage* b);

// The tests' own reading of one number by SVG's grammar, at text[i]: sign, digits with an optional
// fraction, and an exponent only with its digits. Moves i past it; false, leaving i, when none starts there.
bool ReadGrammarNumber(const std::string& text, size_t& i, double& value);
// A number in its shortest form: up to 9 significant digits, no zero before the point, "0" for -0.
std::string ShortestNumber(double v);

// Whether a number may follow another with no separator: it starts with a sign, or with a point after one
// that has its own point or an exponent.
bool FollowsWithoutSeparator(const std::string& last, const std::string& next);
// The number in one of its legal forms, chosen at random: shortest, with a "+", in exponent form, with a
// zero before the point.
std::string NumberSpelledAtRandom(double v, std::mt19937& random);
// Blanks with at most one comma among them, chosen at random.
const char* SeparatorAtRandom(std::mt19937& random);

// The document with each value of the attribute `name` passed through rewrite; counts the values.
std::string RewriteAttribute(const std::string& text, const std::string& name,
                             const std::function<std::string(const std::string&)>& rewrite, int& count);

// A fresh parser state with the defaults of a parse, for testing single steps.
struct ParserPtr
{
  ParserPtr();
  ~ParserPtr();
  iplugin::igraphics::SVGparser* operator->() const { return p; }
  iplugin::igraphics::SVGparser* get() const { return p; }
  iplugin::igraphics::SVGparser* p;
};
} // namespace svgtest
