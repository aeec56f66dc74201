// Sub-paths of one SVG path wound every way, drawn by DrawSVG on the vector back end and by rsvg-convert:
// overlapping, nested, side by side, in both orders, under both fill rules. Each sub-path keeps the
// direction the document gives it, so under the non-zero rule shapes wound alike add up and one wound the
// other way cuts a hole.
#include "tests/support/SvgReference.h"
#include "tests/vector/VectorGraphicsTestContext.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace iplugin::igraphics;

namespace
{
constexpr int kCell = 100;

struct SubPath
{
  bool circle;
  float a, b, c, d; // a rectangle's left, top, right and bottom; a circle's centre and radius
};

struct Arrangement
{
  const char* name;
  std::vector<SubPath> paths;
};

// Clockwise as seen on the screen (y grows downwards).
std::string PathData(const SubPath& s, bool clockwise)
{
  char buf[160];
  if (s.circle)
    std::snprintf(buf, sizeof(buf), "M%g %gA%g %g 0 1 %d %g %gA%g %g 0 1 %d %g %gZ", s.a - s.c, s.b, s.c, s.c,
                  clockwise, s.a + s.c, s.b, s.c, s.c, clockwise, s.a - s.c, s.b);
  else if (clockwise)
    std::snprintf(buf, sizeof(buf), "M%g %gH%gV%gH%gZ", s.a, s.b, s.c, s.d, s.a);
  else
    std::snprintf(buf, sizeof(buf), "M%g %gV%gH%gV%gZ", s.a, s.b, s.d, s.c, s.b);
  return buf;
}

struct Cell
{
  std::string label;
  std::string element;
};

// A cell for every way of winding the sub-paths, in document order and reversed, under each fill rule.
std::vector<Cell> Cells(const Arrangement& arrangement)
{
  std::vector<Cell> cells;
  const size_t n = arrangement.paths.size();
  for (const char* rule : {"nonzero", "evenodd"})
    for (bool reversed : {false, true})
      for (unsigned ways = 0; ways < (1u << n); ways++)
      {
        std::string d, label = std::string(rule) + (reversed ? " reversed" : "") + " wound";
        for (size_t k = 0; k < n; k++)
        {
          const size_t i = reversed ? n - 1 - k : k;
          const bool clockwise = (ways >> i) & 1;
          d += PathData(arrangement.paths[i], clockwise);
          label += clockwise ? " cw" : " ccw";
        }
        const int x = int(cells.size() % 8) * kCell, y = int(cells.size() / 8) * kCell;
        char element[1200];
        std::snprintf(element, sizeof(element), "<path transform='translate(%d %d)' fill-rule='%s' d='%s'/>", x, y,
                      rule, d.c_str());
        cells.push_back({label, element});
      }
  return cells;
}

qorvtest::RgbaImage Crop(const qorvtest::RgbaImage& image, int x0, int y0)
{
  qorvtest::RgbaImage out;
  out.width = out.height = kCell;
  for (int y = 0; y < kCell; y++)
    for (int x = 0; x < kCell; x++)
      for (int c = 0; c < 4; c++)
        out.rgba.push_back(image.At(x0 + x, y0 + y)[c]);
  return out;
}

// Straight alpha (as a PNG file holds it) to the premultiplied pixels the layer gives.
void Premultiply(qorvtest::RgbaImage& image)
{
  for (size_t i = 0; i < image.rgba.size(); i += 4)
    for (int c = 0; c < 3; c++)
      image.rgba[i + c] = uint8_t((image.rgba[i + c] * image.rgba[i + 3] + 127) / 255);
}

class SubPathWinding : public ::testing::TestWithParam<Arrangement>
{
};
} // namespace

TEST_P(SubPathWinding, FillsAsTheReferenceDoes)
{
  const Arrangement& arrangement = GetParam();
  const std::vector<Cell> cells = Cells(arrangement);
  const int width = 8 * kCell, height = int((cells.size() + 7) / 8) * kCell;
  std::string doc = "<svg xmlns='http://www.w3.org/2000/svg' width='" + std::to_string(width) + "' height='" +
                    std::to_string(height) + "'>";
  for (const Cell& cell : cells)
    doc += cell.element;
  doc += "</svg>";

  const std::string png = qorvtest::SvgReferenceOfText(std::string("winding-") + arrangement.name, doc);
  qorvtest::RgbaImage reference;
  if (png.empty() || !qorvtest::ReadPng(png, reference)) GTEST_SKIP() << "rsvg-convert did not run";
  Premultiply(reference);

  qorvtest::RecordingDelegate dlg;
  qorvtest::VectorGraphics g(dlg, width, height);
  g.Open();
  const ISVG svg = g.LoadSVGFromData(arrangement.name, doc.c_str(), int(doc.size()), "px", 96.f);
  ASSERT_TRUE(svg.IsValid());
  const qorvtest::RgbaImage ours = g.DrawnInLayer([&] { g.DrawSVG(svg, IRECT(0, 0, float(width), float(height))); });
  ASSERT_EQ(ours.width, reference.width);
  ASSERT_EQ(ours.height, reference.height);

  // The reference comparison's, but with 50 pixels of a cell (of 10,000) allowed beyond it: a circle's
  // edge where sub-paths cross is anti-aliased by the stencil's samples alone, 30 levels and more from
  // rsvg-convert's in places. A region filled or left wrongly is hundreds of pixels.
  qorvtest::ImageTolerance tolerance = qorvtest::SvgReferenceTolerance();
  tolerance.outliers = 0.005;
  for (size_t i = 0; i < cells.size(); i++)
  {
    const int x = int(i % 8) * kCell, y = int(i / 8) * kCell;
    EXPECT_TRUE(qorvtest::ImagesMatch(Crop(reference, x, y), Crop(ours, x, y), tolerance, "", ""))
        << arrangement.name << ", " << cells[i].label;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Arrangements, SubPathWinding,
    ::testing::Values(
        Arrangement{"overlapping", {{false, 10, 10, 60, 60}, {false, 40, 40, 90, 90}}},
        Arrangement{"nested", {{false, 10, 10, 90, 90}, {false, 30, 30, 70, 70}}},
        Arrangement{"nested_thrice", {{false, 5, 5, 95, 95}, {false, 20, 20, 80, 80}, {false, 35, 35, 65, 65}}},
        Arrangement{"side_by_side", {{false, 5, 5, 45, 95}, {false, 15, 15, 35, 35}, {false, 55, 5, 95, 95}}},
        // A pin drawn before a bar that overlaps it, as a firmware icon has them.
        Arrangement{"pin_and_bar", {{false, 32, 8, 44, 44}, {false, 14, 38, 86, 56}}},
        Arrangement{"crossing", {{false, 10, 40, 90, 60}, {false, 40, 10, 60, 90}}},
        Arrangement{"overlapping_circles", {{true, 38, 50, 30, 0}, {true, 62, 50, 30, 0}}},
        Arrangement{"nested_circles", {{true, 50, 50, 42, 0}, {true, 50, 50, 20, 0}}},
        Arrangement{"circle_in_square", {{false, 8, 8, 92, 92}, {true, 50, 50, 30, 0}}}),
    [](const auto& info) { return std::string(info.param.name); });
