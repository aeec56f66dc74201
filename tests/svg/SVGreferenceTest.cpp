// Real documents: every SVG file of librsvg2-tests parses under the sanitizers into a sound model, and the
// documents whose features the parser covers, drawn with cairo from the parsed model, look like
// rsvg-convert's picture of the same file.
//
// tests/data/svg/left-out.txt lists the documents not compared, with the reason (UPDATE_GOLDEN=1 rewrites
// it); tests/data/svg/disagree.txt lists the compared documents known to differ. References are rendered
// on first use into the build folder.
#include "tests/support/GoldenImage.h"
#include "tests/support/SvgReference.h"
#include "tests/support/TestPaths.h"
#include "tests/svg/SVGtestSupport.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace iplugin::igraphics;
namespace fs = std::filesystem;

namespace
{

// At least this share of the compared documents must agree.
constexpr double kRequiredAgreement = 0.98;

// ---------------------------------------------------------------------------------------------------------
// Which documents use features the parser does not cover.

bool IsNameChar(char c)
{
  return std::isalnum((unsigned char)c) || c == '-' || c == '_' || c == ':';
}

// Values of a presentation property, written as an attribute (name="v") or in a style (name:v).
std::vector<std::string> PropertyValues(const std::string& text, const std::string& name)
{
  std::vector<std::string> values;
  for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + 1))
  {
    if (at > 0 && IsNameChar(text[at - 1])) continue;
    size_t i = at + name.size();
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
      i++;
    if (i >= text.size() || (text[i] != '=' && text[i] != ':')) continue;
    const bool attribute = text[i] == '=';
    i++;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
      i++;
    if (attribute)
    {
      if (i >= text.size() || (text[i] != '"' && text[i] != '\'')) continue;
      const char quote = text[i++];
      const size_t end = text.find(quote, i);
      values.push_back(text.substr(i, end == std::string::npos ? std::string::npos : end - i));
    }
    else
    {
      size_t end = i;
      while (end < text.size() && text[end] != ';' && text[end] != '"' && text[end] != '\'' &&
             text[end] != '}')
        end++;
      std::string v = text.substr(i, end - i);
      while (!v.empty() && std::isspace((unsigned char)v.back()))
        v.pop_back();
      values.push_back(v);
    }
  }
  return values;
}

bool ColourTheParserReads(const std::string& v)
{
  uint32_t color = 0;
  return v == "none" || v.rfind("url(", 0) == 0 || svgParseColor(v.c_str(), color);
}

bool HasElement(const std::string& text, const std::string& name)
{
  for (size_t at = text.find("<" + name); at != std::string::npos; at = text.find("<" + name, at + 1))
  {
    const char next = at + 1 + name.size() < text.size() ? text[at + 1 + name.size()] : 0;
    if (!IsNameChar(next)) return true;
  }
  return false;
}

// Attribute value of the root svg element's tag, or "" when absent.
std::string RootAttribute(const std::string& text, const std::string& name)
{
  size_t at = std::string::npos;
  for (size_t i = text.find("<svg"); i != std::string::npos; i = text.find("<svg", i + 1))
    if (i + 4 < text.size() && !IsNameChar(text[i + 4]))
    {
      at = i;
      break;
    }
  if (at == std::string::npos) return "";
  const std::string tag = text.substr(at, text.find('>', at) - at);
  for (const std::string& v : PropertyValues(tag, name))
    return v;
  return "";
}

// A view box whose aspect differs from width/height without preserveAspectRatio is stretched by the
// parser, where rsvg centres it.
bool StretchedViewBox(const std::string& text)
{
  const std::string vb = RootAttribute(text, "viewBox"), w = RootAttribute(text, "width"),
                    h = RootAttribute(text, "height");
  if (vb.empty() || w.empty() || h.empty() || !RootAttribute(text, "preserveAspectRatio").empty())
    return false;
  float vx, vy, vw, vh;
  std::string spaced = vb;
  std::replace(spaced.begin(), spaced.end(), ',', ' ');
  std::istringstream nums(spaced);
  if (!(nums >> vx >> vy >> vw >> vh) || vw <= 0 || vh <= 0) return false;
  const float fw = std::strtof(w.c_str(), nullptr), fh = std::strtof(h.c_str(), nullptr);
  if (fw <= 0 || fh <= 0 || w.find('%') != std::string::npos || h.find('%') != std::string::npos)
    return false;
  return std::fabs((fw / fh) / (vw / vh) - 1.0f) > 0.01f;
}

// A gradient used before its definition is not found by the parser.
bool ForwardGradientReference(const std::string& text)
{
  for (size_t at = text.find("url(#"); at != std::string::npos; at = text.find("url(#", at + 1))
  {
    const size_t end = text.find(')', at);
    if (end == std::string::npos) continue;
    const std::string id = text.substr(at + 5, end - at - 5);
    const size_t def1 = text.find("id=\"" + id + "\""), def2 = text.find("id='" + id + "'");
    const size_t def = std::min(def1, def2);
    if (def != std::string::npos && def > at) return true;
  }
  return false;
}

// The reason a document is not compared, or "" when it is.
std::string LeftOutReason(const std::string& rel, const std::string& text)
{
  for (const char* dir : {"crash/", "render-crash/", "errors/", "loading/", "api/", "cmdline/"})
    if (rel.rfind(dir, 0) == 0) return "error-handling fixture of the renderer, not a picture";

  struct Feature
  {
    const char* element;
    const char* reason;
  };
  static const Feature elements[] = {
      {"text", "text"},
      {"tspan", "text"},
      {"textPath", "text"},
      {"font", "text"},
      {"filter", "filters"},
      {"mask", "masks"},
      {"clipPath", "clipping"},
      {"pattern", "patterns"},
      {"image", "images"},
      {"use", "use"},
      {"symbol", "use"},
      {"marker", "markers"},
      {"style", "style sheets"},
      {"switch", "switch"},
      {"foreignObject", "foreign objects"},
      {"a", "links"},
  };
  for (const Feature& f : elements)
    if (HasElement(text, f.element)) return f.reason;

  static const Feature properties[] = {
      {"filter", "filters"},          {"mask", "masks"},
      {"clip-path", "clipping"},      {"marker", "markers"},
      {"marker-start", "markers"},    {"marker-mid", "markers"},
      {"marker-end", "markers"},      {"paint-order", "paint order"},
      {"mix-blend-mode", "blending"}, {"vector-effect", "non-scaling strokes"},
  };
  for (const Feature& f : properties)
    for (const std::string& v : PropertyValues(text, f.element))
      if (v != "none" && v != "normal" && !v.empty()) return f.reason;
  for (const std::string& v : PropertyValues(text, "visibility"))
    if (v == "hidden" || v == "collapse") return "visibility";
  for (const std::string& v : PropertyValues(text, "display"))
    if (v != "none" && v != "inline" && v != "block") return "display values other than none";

  if (text.find("<!ENTITY") != std::string::npos) return "XML entities";
  if (text.find("&#") != std::string::npos || text.find("&quot;") != std::string::npos)
    return "character references";
  for (size_t at = text.find("href"); at != std::string::npos; at = text.find("href", at + 1))
    if (at > 0 && text[at - 1] != ':' && !IsNameChar(text[at - 1])) return "references without xlink";
  {
    size_t count = 0;
    for (size_t at = text.find("<svg"); at != std::string::npos; at = text.find("<svg", at + 1))
      if (at + 4 < text.size() && !IsNameChar(text[at + 4])) count++;
    if (count > 1) return "nested svg elements";
    if (count == 0) return "no svg element";
  }
  for (const char* name : {"fill", "stroke", "stop-color"})
    for (const std::string& v : PropertyValues(text, name))
      if (!ColourTheParserReads(v))
        return std::string("colour value the parser does not read (") + name + ": " + v.substr(0, 24) + ")";
  if (text.find("gradientUnits") == std::string::npos && text.find("Gradient") != std::string::npos &&
      text.find("xlink:href") != std::string::npos)
    return "gradient attributes inherited through references";
  if (ForwardGradientReference(text)) return "gradient used before its definition";
  if (StretchedViewBox(text)) return "view box stretched without preserveAspectRatio";
  // Without a view box the parser resolves percentages against 0 and takes the image size from the
  // shapes' bounds (strokes not included) where the svg element gives no absolute size.
  if (RootAttribute(text, "viewBox").empty())
  {
    const std::string w = RootAttribute(text, "width"), h = RootAttribute(text, "height");
    if (w.empty() || h.empty() || w.find('%') != std::string::npos || h.find('%') != std::string::npos)
      return "no view box and no absolute size";
    if (text.find("%\"") != std::string::npos || text.find("%'") != std::string::npos)
      return "percentage lengths without a view box";
  }
  return "";
}

// ---------------------------------------------------------------------------------------------------------
// Drawing the parsed model with cairo.

void SetColor(cairo_t* cr, uint32_t c, float opacity)
{
  cairo_set_source_rgba(cr, (c & 0xff) / 255.0, ((c >> 8) & 0xff) / 255.0, ((c >> 16) & 0xff) / 255.0,
                        ((c >> 24) & 0xff) / 255.0 * opacity);
}

// Sets the paint as the source; false when there is nothing to draw with it.
bool SetPaint(cairo_t* cr, const SVGpaint& paint, float opacity)
{
  if (paint.type == SVG_PAINT_COLOR)
  {
    SetColor(cr, paint.color, opacity);
    return true;
  }
  if (paint.type != SVG_PAINT_LINEAR_GRADIENT && paint.type != SVG_PAINT_RADIAL_GRADIENT) return false;
  const SVGgradient* g = paint.gradient;
  cairo_matrix_t m;
  cairo_matrix_init(&m, g->xform[0], g->xform[1], g->xform[2], g->xform[3], g->xform[4], g->xform[5]);
  cairo_matrix_t inv = m;
  if (cairo_matrix_invert(&inv) != CAIRO_STATUS_SUCCESS) return false;
  // Gradient space: a linear position runs along y from 0 to 1; a radial one is the distance from 0.
  cairo_pattern_t* pat = paint.type == SVG_PAINT_LINEAR_GRADIENT
                             ? cairo_pattern_create_linear(0, 0, 0, 1)
                             : cairo_pattern_create_radial(0, 0, 0, 0, 0, 1);
  for (int i = 0; i < g->nstops; i++)
  {
    const uint32_t c = g->stops[i].color;
    cairo_pattern_add_color_stop_rgba(pat, std::clamp(g->stops[i].offset, 0.0f, 1.0f), (c & 0xff) / 255.0,
                                      ((c >> 8) & 0xff) / 255.0, ((c >> 16) & 0xff) / 255.0,
                                      ((c >> 24) & 0xff) / 255.0 * opacity);
  }
  static const cairo_extend_t extend[] = {CAIRO_EXTEND_PAD, CAIRO_EXTEND_REFLECT, CAIRO_EXTEND_REPEAT};
  cairo_pattern_set_extend(pat, extend[g->spread <= 2 ? g->spread : 0]);
  cairo_pattern_set_matrix(pat, &m);
  cairo_set_source(cr, pat);
  cairo_pattern_destroy(pat);
  return true;
}

void DrawImage(cairo_t* cr, const SVGimage* image)
{
  for (const SVGshape* s = image->shapes; s; s = s->next)
  {
    if (!(s->flags & SVG_FLAGS_VISIBLE)) continue;
    cairo_new_path(cr);
    for (const SVGpath* p = s->paths; p; p = p->next)
    {
      cairo_move_to(cr, p->pts[0], p->pts[1]);
      for (int i = 1; i + 2 < p->npts; i += 3)
        cairo_curve_to(cr, p->pts[i * 2], p->pts[i * 2 + 1], p->pts[i * 2 + 2], p->pts[i * 2 + 3],
                       p->pts[i * 2 + 4], p->pts[i * 2 + 5]);
      if (p->closed) cairo_close_path(cr);
    }
    // Fill and stroke of one element are composited together at its opacity.
    cairo_push_group(cr);
    if (SetPaint(cr, s->fill, 1.0f))
    {
      cairo_set_fill_rule(cr, s->fillRule == SVG_FILLRULE_EVENODD ? CAIRO_FILL_RULE_EVEN_ODD
                                                                  : CAIRO_FILL_RULE_WINDING);
      cairo_fill_preserve(cr);
    }
    if (s->strokeWidth > 0 && SetPaint(cr, s->stroke, 1.0f))
    {
      static const cairo_line_cap_t caps[] = {CAIRO_LINE_CAP_BUTT, CAIRO_LINE_CAP_ROUND,
                                              CAIRO_LINE_CAP_SQUARE};
      static const cairo_line_join_t joins[] = {CAIRO_LINE_JOIN_MITER, CAIRO_LINE_JOIN_ROUND,
                                                CAIRO_LINE_JOIN_BEVEL};
      cairo_set_line_width(cr, s->strokeWidth);
      cairo_set_line_cap(cr, caps[s->strokeLineCap % 3]);
      cairo_set_line_join(cr, joins[s->strokeLineJoin % 3]);
      cairo_set_miter_limit(cr, s->miterLimit);
      double dashes[8];
      for (int i = 0; i < s->strokeDashCount; i++)
        dashes[i] = s->strokeDashArray[i];
      cairo_set_dash(cr, dashes, s->strokeDashCount, s->strokeDashOffset);
      cairo_stroke_preserve(cr);
    }
    cairo_pop_group_to_source(cr);
    cairo_paint_with_alpha(cr, s->opacity);
  }
}

// ---------------------------------------------------------------------------------------------------------
// Comparing pictures.

struct Comparison
{
  bool agrees = false;
  std::string detail;
};

Comparison Compare(const std::string& rel, const std::string& diffDir)
{
  Comparison result;
  const std::string text = qorvtest::ReadFile(qorvtest::SvgFullPath(rel));
  svgtest::ImagePtr image = svgtest::Parse(text, "px", 96.0f);
  if (!image)
  {
    result.detail = "no image";
    return result;
  }
  const int zoom = qorvtest::SvgZoomFor(image->width, image->height);
  const std::string refPath = qorvtest::SvgReference(rel, zoom);
  if (refPath.empty())
  {
    result.detail = "rsvg-convert failed";
    return result;
  }
  cairo_surface_t* ref = cairo_image_surface_create_from_png(refPath.c_str());
  if (cairo_surface_status(ref) != CAIRO_STATUS_SUCCESS)
  {
    cairo_surface_destroy(ref);
    result.detail = "reference unreadable";
    return result;
  }
  const int w = cairo_image_surface_get_width(ref), h = cairo_image_surface_get_height(ref);
  const float ownW = image->width * zoom, ownH = image->height * zoom;
  if (std::fabs(ownW - w) > 1.0f || std::fabs(ownH - h) > 1.0f)
  {
    std::ostringstream s;
    s << "size " << ownW << " x " << ownH << " against " << w << " x " << h;
    result.detail = s.str();
    cairo_surface_destroy(ref);
    return result;
  }
  cairo_surface_t* own = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* cr = cairo_create(own);
  cairo_scale(cr, zoom, zoom);
  DrawImage(cr, image.get());
  cairo_destroy(cr);

  const testing::AssertionResult match =
      qorvtest::ImagesMatch(qorvtest::FromSurface(ref), qorvtest::FromSurface(own),
                            qorvtest::SvgReferenceTolerance(), diffDir, qorvtest::SvgTestName(rel));
  result.agrees = bool(match);
  result.detail = match ? "agrees" : match.message();
  cairo_surface_destroy(own);
  cairo_surface_destroy(ref);
  return result;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------

class SVGRealDocument : public ::testing::TestWithParam<std::string>
{
};

TEST_P(SVGRealDocument, ParsesIntoASoundModel)
{
  const std::string rel = GetParam();
  SVGimage* image = svgParseFromFile(qorvtest::SvgFullPath(rel).c_str(), "px", 96.0f);
  ASSERT_NE(image, nullptr) << rel;
  EXPECT_EQ(svgtest::CheckInvariants(image), "") << rel;
  svgDelete(image);
}

INSTANTIATE_TEST_SUITE_P(Package, SVGRealDocument, ::testing::ValuesIn(qorvtest::SvgDocuments()),
                         [](const auto& info) { return qorvtest::SvgTestName(info.param); });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(SVGRealDocument);

class SVGAgainstReference : public ::testing::TestWithParam<std::string>
{
};

TEST_P(SVGAgainstReference, LooksLikeTheReference)
{
  const std::string rel = GetParam();
  static const auto disagree = qorvtest::ReadSvgList(qorvtest::DataPath("svg", "disagree.txt"));
  // The pictures of a document known to differ are not written again each run.
  const bool known = disagree.count(rel) != 0;
  const Comparison c = Compare(rel, known ? std::string() : qorvtest::BinaryDir() + "/svg-diff");
  if (known)
  {
    // Known to differ; one that has come to agree should leave the list.
    if (c.agrees)
      std::printf("%s now agrees with its reference (%s); remove it from disagree.txt\n", rel.c_str(),
                  c.detail.c_str());
    return;
  }
  EXPECT_TRUE(c.agrees) << rel << ": " << c.detail;
}

INSTANTIATE_TEST_SUITE_P(Package, SVGAgainstReference, ::testing::ValuesIn(qorvtest::ComparedSvgDocuments()),
                         [](const auto& info) { return qorvtest::SvgTestName(info.param); });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(SVGAgainstReference);

TEST(SVGReferenceLists, LeftOutListMatchesTheDocuments)
{
  if (qorvtest::SvgDocuments().empty()) GTEST_SKIP() << "librsvg2-tests is not installed";
  const std::string path = qorvtest::DataPath("svg", "left-out.txt");
  std::ostringstream expected;
  expected << "# Documents of librsvg2-tests not compared with their rsvg-convert picture, and why.\n"
           << "# Generated by the SVG reference test (UPDATE_GOLDEN=1).\n";
  for (const std::string& rel : qorvtest::SvgDocuments())
  {
    const std::string reason = LeftOutReason(rel, qorvtest::ReadFile(qorvtest::SvgFullPath(rel)));
    if (!reason.empty()) expected << rel << "\t" << reason << "\n";
  }
  if (qorvtest::UpdateGolden())
  {
    std::ofstream(path) << expected.str();
    FAIL() << "rewrote " << path;
  }
  EXPECT_EQ(qorvtest::ReadFile(path), expected.str()) << "run with UPDATE_GOLDEN=1 to rewrite " << path;
}

TEST(SVGReferenceLists, EnoughDocumentsAgree)
{
  const auto compared = qorvtest::ComparedSvgDocuments();
  if (compared.empty()) GTEST_SKIP() << "librsvg2-tests is not installed";
  const auto disagree = qorvtest::ReadSvgList(qorvtest::DataPath("svg", "disagree.txt"));
  size_t known = 0;
  for (const std::string& rel : compared)
    known += disagree.count(rel);
  EXPECT_EQ(known, disagree.size()) << "disagree.txt names documents that are not compared";
  const double agreement = 1.0 - (double)known / (double)compared.size();
  std::printf("%zu of %zu compared documents agree (%.1f %%)\n", compared.size() - known, compared.size(),
              agreement * 100.0);
  EXPECT_GE(agreement, kRequiredAgreement);
}
