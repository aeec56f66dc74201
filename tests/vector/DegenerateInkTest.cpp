// Fills with next to no area and strokes of no length, each alone, 55 % black on white, drawn by the vector
// context on the software GPU and by cairo, at scales 1 to 3: the ink of a picture is the sum over its pixels
// of 255 minus red. An outline thinner than the merge distance (a hundredth of a device pixel, within which
// the flattening makes two points one) once put down a full line a pixel wide; one that encloses nothing
// puts down nothing; a round-capped stroke of no length puts down its dot.
#include "tests/support/CairoPaths.h"
#include "tests/vector/MetalTestContext.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

using namespace iplugin::igraphics;

namespace degenerate
{
constexpr int kSide = 64;
constexpr double kAlpha = 0.55;

// A path in user units, replayed alike into both: move, line, curve (three points), close.
struct Sink
{
  std::function<void(float, float)> move, line;
  std::function<void(float, float, float, float, float, float)> curve;
  std::function<void()> close;
};

struct Scene
{
  std::function<void(const Sink&)> path;
  float cx = 32, cy = 32, turn = 0;
  float stroke = 0; // > 0: stroked this wide with the cap
  int cap = kVGButt;
  float clip[4] = {0, 0, 0, 0}; // a scissor x, y, w, h in the path's frame, when w > 0
  double alpha = kAlpha;
  int rule = kVGNonZero;
};

double VgInk(const Scene& s, float ratio)
{
  qorvtest::MetalContext m(kSide, kSide, 0x2001, ratio);
  m.Begin(vgRGBAf(1, 1, 1, 1), ratio);
  VGcontext* vg = m.ctx;
  vgTranslate(vg, s.cx, s.cy);
  vgRotate(vg, s.turn);
  if (s.clip[2] > 0) vgScissor(vg, s.clip[0], s.clip[1], s.clip[2], s.clip[3]);
  vgBeginPath(vg);
  s.path(Sink{[&](float x, float y) { vgMoveTo(vg, x, y); }, [&](float x, float y) { vgLineTo(vg, x, y); },
              [&](float a, float b, float c, float d, float e, float f) { vgBezierTo(vg, a, b, c, d, e, f); },
              [&] { vgClosePath(vg); }});
  const VGcolor ink = vgRGBAf(0, 0, 0, (float)s.alpha);
  vgFillRule(vg, s.rule);
  if (s.stroke > 0)
  {
    vgStrokeWidth(vg, s.stroke);
    vgLineCap(vg, s.cap);
    vgStrokeColor(vg, ink);
    vgStroke(vg);
  }
  else
  {
    vgFillColor(vg, ink);
    vgFill(vg);
  }
  const qorvtest::RgbaImage image = m.End();
  double sum = 0;
  for (size_t i = 0; i < (size_t)image.width * image.height; ++i)
    sum += 255 - image.rgba[i * 4];
  return sum;
}

double CairoInk(const Scene& s, float ratio)
{
  cairo_t* cr = qorvtest::CairoOnWhite((int)(kSide * ratio), ratio);
  cairo_surface_t* surface = cairo_get_target(cr);
  cairo_translate(cr, s.cx, s.cy);
  cairo_rotate(cr, s.turn);
  if (s.clip[2] > 0)
  {
    cairo_rectangle(cr, s.clip[0], s.clip[1], s.clip[2], s.clip[3]);
    cairo_clip(cr);
  }
  s.path(Sink{
      [&](float x, float y) { cairo_move_to(cr, x, y); }, [&](float x, float y) { cairo_line_to(cr, x, y); },
      [&](float a, float b, float c, float d, float e, float f) { cairo_curve_to(cr, a, b, c, d, e, f); },
      [&] { cairo_close_path(cr); }});
  cairo_set_source_rgba(cr, 0, 0, 0, s.alpha);
  cairo_set_fill_rule(cr, s.rule == kVGEvenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
  if (s.stroke > 0)
  {
    cairo_set_line_width(cr, s.stroke);
    cairo_set_line_cap(cr, s.cap == kVGRound    ? CAIRO_LINE_CAP_ROUND
                           : s.cap == kVGSquare ? CAIRO_LINE_CAP_SQUARE
                                                : CAIRO_LINE_CAP_BUTT);
    cairo_stroke(cr);
  }
  else
    cairo_fill(cr);
  cairo_destroy(cr);
  double sum = 0;
  for (int red : qorvtest::CairoReds(surface))
    sum += 255 - red;
  cairo_surface_destroy(surface);
  return sum;
}

std::function<void(const Sink&)> Rect(float w, float h)
{
  return [=](const Sink& s)
  { s.move(-w / 2, -h / 2), s.line(w / 2, -h / 2), s.line(w / 2, h / 2), s.line(-w / 2, h / 2), s.close(); };
}
std::function<void(const Sink&)> Ellipse(float w, float h)
{
  return [=](const Sink& s)
  {
    const float k = 0.5522847493f, rx = w / 2, ry = h / 2;
    s.move(-rx, 0);
    s.curve(-rx, ry * k, -rx * k, ry, 0, ry);
    s.curve(rx * k, ry, rx, ry * k, rx, 0);
    s.curve(rx, -ry * k, rx * k, -ry, 0, -ry);
    s.curve(-rx * k, -ry, -rx, -ry * k, -rx, 0);
    s.close();
  };
}
std::function<void(const Sink&)> Hexagon(float w, float h)
{
  return [=](const Sink& s)
  {
    s.move(-w / 2, 0), s.line(-w / 4, -h / 2), s.line(w / 4, -h / 2), s.line(w / 2, 0), s.line(w / 4, h / 2),
        s.line(-w / 4, h / 2), s.close();
  };
}
std::function<void(const Sink&)> Triangle(float w, float h)
{
  return [=](const Sink& s) { s.move(-w / 2, -h / 2), s.line(w / 2, 0), s.line(-w / 2, h / 2), s.close(); };
}
} // namespace degenerate

namespace degenerate
{
struct Outline
{
  const char* name;
  std::function<void(const Sink&)> (*make)(float, float);
  double share; // of the box its flattened outline fills
};
// Under half a pixel across an ellipse flattens to the rhombus of its four points.
const Outline kOutlines[] = {{"rectangle", Rect, 1.0},
                             {"triangle", Triangle, 0.5},
                             {"hexagon", Hexagon, 0.75},
                             {"ellipse", Ellipse, 0.5}};

// The ink a pixel may stray by: its blend rounds to a whole level of red. A band less than a hundredth of a
// pixel across puts down under a level and a half a pixel along its length, over at most three rows.
double Rounding(double lengthPx)
{
  return 0.5 * 3 * (lengthPx + 2);
}
} // namespace degenerate

// Outlines 40 long and 0 to 0.05 device pixels across, upright and turned, at scales 1 to 3: each puts
// down its area's ink within a pixel's rounding along it. Below the merge distance a rectangle or a
// triangle flattened to a segment there and back, whose fan and fringe drew a line a pixel wide (1,040 to
// 10,080 of ink where its area's is 0 to 170).
TEST(ThinInk, OutlinesThinnerThanTheMergeDistancePutDownTheirAreasInk)
{
  using namespace degenerate;
  for (const Outline& o : kOutlines)
    for (float turn : {0.f, 0.5f, 1.3f})
      for (float ratio : {1.f, 1.5f, 2.f, 3.f})
        for (float across : {0.f, 1e-7f, 0.002f, 0.005f, 0.008f, 0.0099f, 0.0101f, 0.015f, 0.02f, 0.05f})
        {
          Scene s;
          s.path = o.make(40, across / ratio);
          s.cx = 32.3f, s.cy = 31.6f, s.turn = turn;
          const double length = 40 * ratio, area = length * across * o.share * 255 * kAlpha;
          const double ours = VgInk(s, ratio);
          EXPECT_NEAR(ours, area, Rounding(length))
              << o.name << " " << across << " px across, turned " << turn << ", at scale " << ratio
              << " (cairo " << CairoInk(s, ratio) << ")";
          if (area == 0)
          {
            EXPECT_EQ(ours, 0) << o.name << " turned " << turn << ", at scale " << ratio;
          }
        }
}

// Black, so that a band thinner than the merge distance puts down over a level a pixel where it lies across
// one row: the drawn band fades by the share of its width the outline's area fills (none puts down nothing).
TEST(ThinInk, OutlinesThinnerThanTheMergeDistanceFadeByTheirWidth)
{
  using namespace degenerate;
  for (float ratio : {1.f, 2.f, 3.f})
    for (float across : {0.006f, 0.008f, 0.0099f})
    {
      Scene s;
      s.path = Rect(40, across / ratio);
      s.cx = 32.3f, s.cy = 31.5f + 0.5f / ratio; // across the middle of a row of pixels
      s.alpha = 1;
      const double area = 40 * ratio * across * 255;
      EXPECT_NEAR(VgInk(s, ratio) / area, 1.0, 0.35) << across << " px across at scale " << ratio;
    }
}

// Outlines that enclose nothing, alone or beside a square, with either fill rule: they put down nothing
// (a rectangle of no height, as a meter's or a slider's fill at zero, once drew a line).
TEST(ThinInk, OutlinesEnclosingNothingPutDownNothing)
{
  using namespace degenerate;
  using Path = std::function<void(const Sink&)>;
  const std::pair<const char*, Path> empties[] = {
      {"rectangle of no height", Rect(40, 0)},
      {"rectangle of no width", Rect(0, 30)},
      {"rectangle of no size", Rect(0, 0)},
      {"three points in a line",
       [](const Sink& k) { k.move(-20, 0), k.line(0, 0.f), k.line(20, 0), k.close(); }},
      {"a line there and back", [](const Sink& k) { k.move(-20, -3), k.line(20, 5), k.line(-20, -3); }},
      {"a point", [](const Sink& k) { k.move(3, 4), k.close(); }},
      {"a curve on its chord", [](const Sink& k) { k.move(-20, 0), k.curve(-5, 0, 5, 0, 20, 0), k.close(); }},
  };
  const Path square = [](const Sink& k)
  { k.move(-25, -25), k.line(-15, -25), k.line(-15, -15), k.line(-25, -15), k.close(); };
  for (const auto& [name, empty] : empties)
    for (int rule : {kVGNonZero, kVGEvenOdd})
      for (float ratio : {1.f, 2.f, 3.f})
        for (float turn : {0.f, 0.5f})
        {
          Scene s;
          s.path = empty;
          s.cx = 32.3f, s.cy = 31.6f, s.turn = turn, s.rule = rule;
          EXPECT_EQ(VgInk(s, ratio), 0)
              << name << ", turned " << turn << ", at scale " << ratio << ", rule " << rule;
          Scene alone = s;
          alone.path = square;
          s.path = [&](const Sink& k) { square(k), empty(k); };
          // Drawn through the stencil, the square's edges may round to a level or two apart.
          EXPECT_NEAR(VgInk(s, ratio), VgInk(alone, ratio), 8)
              << name << " beside a square, turned " << turn << ", at scale " << ratio << ", rule " << rule;
        }
}

// Strokes of no length: a line, a curve or a close back to the move. With round caps each is a dot as wide
// as the stroke, as cairo draws it, from 0.3 to 12 device pixels wide wherever it lies: held to cairo's ink,
// or to its disc's area under 1.5 pixels (where cairo's coverage of a small disc runs light), within an
// eighth and two levels of rounding (a dot 2 pixels across puts down up to 1.10 of cairo's ink, 1.06 of its
// disc's: the fringe's linear ramp round its rim). With butt or square caps, or for a move alone, nothing,
// as cairo (a square would have no direction to face).
TEST(ThinInk, RoundCappedStrokesOfNoLengthPutDownTheirDot)
{
  using namespace degenerate;
  using Path = std::function<void(const Sink&)>;
  const std::pair<const char*, Path> dots[] = {
      {"a line back", [](const Sink& k) { k.move(0, 0), k.line(0, 0); }},
      {"a close", [](const Sink& k) { k.move(0, 0), k.close(); }},
      {"a curve back", [](const Sink& k) { k.move(0, 0), k.curve(0, 0, 0, 0, 0, 0); }},
      {"a line back and a close", [](const Sink& k) { k.move(0, 0), k.line(0, 0), k.close(); }},
  };
  std::mt19937 rng(60);
  auto uni = [&](float a, float b) { return std::uniform_real_distribution<float>(a, b)(rng); };
  for (const auto& [name, dot] : dots)
    for (float ratio : {1.f, 1.5f, 2.f, 3.f})
      for (float width : {0.3f, 0.6f, 1.f, 1.4f, 2.f, 3.f, 5.f, 8.f, 12.f})
      {
        Scene s;
        s.path = dot;
        s.cx = uni(28, 36), s.cy = uni(28, 36), s.turn = uni(0, 6.28f), s.stroke = width / ratio;
        s.cap = kVGRound;
        const double disc = M_PI / 4 * width * width * 255 * kAlpha;
        const double theirs = width < 1.5f ? disc : CairoInk(s, ratio);
        EXPECT_NEAR(VgInk(s, ratio), theirs, theirs * 0.125 + 2)
            << name << ", " << width << " px wide at scale " << ratio;
        for (int cap : {kVGButt, kVGSquare})
        {
          s.cap = cap;
          EXPECT_EQ(VgInk(s, ratio), 0) << name << ", cap " << cap << ", at scale " << ratio;
          EXPECT_EQ(CairoInk(s, ratio), 0) << name << ", cap " << cap << ", at scale " << ratio;
        }
        s.cap = kVGRound;
        s.path = [](const Sink& k) { k.move(0, 0); };
        EXPECT_EQ(VgInk(s, ratio), 0) << "a move alone, at scale " << ratio;
      }
}
