// Helpers of the SVG parser tests: parsing from a string and printing the parsed model as text.
#pragma once

#include "graphics/svg/SVGimage.h"
#include "graphics/svg/SVGparser.h"

#include <memory>
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
