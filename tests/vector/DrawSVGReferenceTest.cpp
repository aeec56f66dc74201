// The SVG documents of librsvg2-tests that the parser covers, drawn through the project's own path
// (DrawSVG on the vector back end, on the software GPU) and compared with rsvg-convert's pictures with
// the tolerance of the parser's own comparison. The share that agrees is held, all together and among
// the documents filled even-odd; the ones that do not agree are printed worst first, and when too few agree
// their pictures go to <build>/drawsvg-diff (writing them each run took half the test's time).
#include "tests/support/SvgReference.h"
#include "tests/support/TestPaths.h"
#include "tests/vector/VectorGraphicsTestContext.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>

using namespace iplugin;
using namespace iplugin::igraphics;

namespace
{
// At least this share of the compared documents agree, all together and among those filled even-odd.
// Measured: 491 of 500, and 35 of 35 filled even-odd.
constexpr double kRequiredAgreement = 0.95;
constexpr double kRequiredEvenOddAgreement = 0.97;

struct Outcome
{
  std::string rel;
  bool agrees = false;
  bool evenOdd = false;
  double share = 1.0; // of pixels beyond tolerance
  std::string detail;
};

// diffFolder: where the pictures of a document that does not agree go; none when empty.
Outcome Compare(const std::string& rel, const std::string& diffFolder)
{
  Outcome out;
  out.rel = rel;
  const std::string text = qorvtest::ReadFile(qorvtest::SvgFullPath(rel));
  out.evenOdd = text.find("evenodd") != std::string::npos;
  qorvtest::RecordingDelegate dlg;
  // The document's size decides the frame's; parse it once through the context's own loader.
  qorvtest::VectorGraphics probe(dlg, 100, 100);
  const ISVG svg = probe.LoadSVGFromData(rel.c_str(), text.c_str(), int(text.size()), "px", 96.f);
  if (!svg.IsValid())
  {
    out.detail = "no image";
    return out;
  }
  const int zoom = qorvtest::SvgZoomFor(svg.W(), svg.H());
  const std::string refPath = qorvtest::SvgReference(rel, zoom);
  cairo_surface_t* ref = cairo_image_surface_create_from_png(refPath.c_str());
  if (refPath.empty() || cairo_surface_status(ref) != CAIRO_STATUS_SUCCESS)
  {
    cairo_surface_destroy(ref);
    out.detail = "no reference";
    return out;
  }
  const qorvtest::RgbaImage reference = qorvtest::FromSurface(ref);
  cairo_surface_destroy(ref);
  if (std::fabs(svg.W() * zoom - reference.width) > 1.f || std::fabs(svg.H() * zoom - reference.height) > 1.f)
  {
    out.detail = "size differs";
    return out;
  }

  qorvtest::VectorGraphics g(dlg, reference.width, reference.height);
  g.Open();
  const qorvtest::RgbaImage ours =
      g.DrawnInLayer([&] { g.DrawSVG(svg, IRECT(0, 0, svg.W() * zoom, svg.H() * zoom)); });

  const testing::AssertionResult match = qorvtest::ImagesMatch(
      reference, ours, qorvtest::SvgReferenceTolerance(), diffFolder, qorvtest::SvgTestName(rel));
  out.agrees = bool(match);
  out.detail = match ? "agrees" : match.message();
  const size_t at = out.detail.find("(share ");
  if (at != std::string::npos) out.share = std::atof(out.detail.c_str() + at + 7);
  return out;
}
} // namespace

TEST(DrawSVGAgainstReference, EnoughDocumentsAgree)
{
  const std::vector<std::string> docs = qorvtest::ComparedSvgDocuments();
  if (docs.empty()) GTEST_SKIP() << "librsvg2-tests is not installed";
  std::vector<Outcome> outcomes;
  for (const std::string& rel : docs)
    outcomes.push_back(Compare(rel, ""));

  size_t agree = 0, evenOdd = 0, evenOddAgree = 0;
  for (const Outcome& o : outcomes)
  {
    agree += o.agrees;
    evenOdd += o.evenOdd;
    evenOddAgree += o.evenOdd && o.agrees;
  }
  const double share = double(agree) / double(outcomes.size());
  const double evenOddShare = evenOdd ? double(evenOddAgree) / double(evenOdd) : 1.0;
  std::printf("DrawSVG: %zu of %zu documents agree with rsvg-convert (%.1f %%); even-odd %zu of %zu\n", agree,
              outcomes.size(), share * 100.0, evenOddAgree, evenOdd);
  std::sort(outcomes.begin(), outcomes.end(),
            [](const Outcome& a, const Outcome& b) { return a.share > b.share; });
  std::ostringstream list;
  for (const Outcome& o : outcomes)
    if (!o.agrees)
      list << o.rel << "\t" << (o.evenOdd ? "even-odd; " : "") << o.detail.substr(0, 120) << "\n";
  std::printf("Disagreeing, worst first:\n%s", list.str().c_str());
  if (share < kRequiredAgreement || evenOddShare < kRequiredEvenOddAgreement)
    for (const Outcome& o : outcomes)
      if (!o.agrees) Compare(o.rel, qorvtest::BinaryDir() + "/drawsvg-diff");
  EXPECT_GE(share, kRequiredAgreement);
  EXPECT_GE(evenOddShare, kRequiredEvenOddAgreement);
}
