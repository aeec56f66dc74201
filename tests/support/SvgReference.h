// The SVG documents of librsvg2-tests and their rsvg-convert pictures, shared by the tests that compare
// our drawing of a document with that reference (the parser's model drawn by cairo, and DrawSVG on the
// vector back end). tests/data/svg/left-out.txt lists the documents not compared and why.
#pragma once

#include "tests/support/GoldenImage.h"

#include <cairo.h>

#include <map>
#include <string>
#include <vector>

namespace qorvtest
{
// Folder of the package's documents.
extern const char* const kSvgFixtures;

// Pixels may differ by 24 levels per channel or match a neighbour within one pixel (edges are
// anti-aliased differently); a document agrees when at most 0.1 % of its pixels do neither.
ImageTolerance SvgReferenceTolerance();

std::string ReadFile(const std::string& path);
// Every .svg file of the package relative to the fixtures folder, sorted; empty when it is not installed.
const std::vector<std::string>& SvgDocuments();
// The documents not named in left-out.txt.
std::vector<std::string> ComparedSvgDocuments();
std::string SvgFullPath(const std::string& rel);
// Test names may hold only letters, digits and underscores.
std::string SvgTestName(const std::string& rel);
// "path<TAB>reason" lines of a committed list.
std::map<std::string, std::string> ReadSvgList(const std::string& path);
// The zoom at which a document of this size is compared: its larger side near 128 pixels, 1 to 8.
int SvgZoomFor(float width, float height);
// Renders the reference once into the build folder; its path, or "" when rsvg-convert fails.
std::string SvgReference(const std::string& rel, int zoom);
// Renders a document given as text, named name in the build folder; the picture's path, or "" when
// rsvg-convert fails.
std::string SvgReferenceOfText(const std::string& name, const std::string& text, int zoom = 1);
// The surface's premultiplied pixels, four bytes each in RGBA order.
RgbaImage FromSurface(cairo_surface_t* surface);
} // namespace qorvtest
