// Fills with next to no area, strokes of no length and thin shapes cut by the scissor, each alone, 55 %
// black on white, drawn by the vector context on the software GPU and by cairo, at scales 1 to 3: the ink of
// a picture is the sum over its pixels of 255 minus red. An outline thinner than the merge distance (a
// hundredth of a device pixel, within which the flattening makes two points one) once put down a full line
// a pixel wide; one that encloses nothing puts down nothing; a round-capped stroke of no length puts down
// its dot; a scissor edge along a thin convex fill leaves the ink of what it leaves. The bounds README.md
// states are held here too.
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
  bool scissorTurns = true; // the scissor is set in the shape's frame, turned with it, or the view's
};

double VgInk(const Scene& s, float ratio)
{
  qorvtest::MetalContext m(kSide, kSide, 0x2001, ratio);
  m.Begin(vgRGBAf(1, 1, 1, 1), ratio);
  VGcontext* vg = m.ctx;
  vgTranslate(vg, s.cx, s.cy);
  if (s.clip[2] > 0 && !s.scissorTurns) vgScissor(vg, s.clip[0], s.clip[1], s.clip[2], s.clip[3]);
  vgRotate(vg, s.turn);
  if (s.clip[2] > 0 && s.scissorTurns) vgScissor(vg, s.clip[0], s.clip[1], s.clip[2], s.clip[3]);
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
  if (s.clip[2] > 0 && !s.scissorTurns)
    cairo_rectangle(cr, s.clip[0], s.clip[1], s.clip[2], s.clip[3]), cairo_clip(cr);
  cairo_rotate(cr, s.turn);
  if (s.clip[2] > 0 && s.scissorTurns)
    cairo_rectangle(cr, s.clip[0], s.clip[1], s.clip[2], s.clip[3]), cairo_clip(cr);
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
  for (const auto& entry : empties)
    for (int rule : {kVGNonZero, kVGEvenOdd})
      for (float ratio : {1.f, 2.f, 3.f})
        for (float turn : {0.f, 0.5f})
        {
          const char* name = entry.first;
          const Path& empty = entry.second;
          Scene s;
          s.path = empty;
          s.cx = 32.3f, s.cy = 31.6f, s.turn = turn, s.rule = rule;
          EXPECT_EQ(VgInk(s, ratio), 0)
              << name << ", turned " << turn << ", at scale " << ratio << ", rule " << rule;
          Scene alone = s;
          alone.path = square;
          s.path = [&](const Sink& k) { square(k), empty(k); };
          // Drawn through the stencil, a pixel at the square's corners takes the share of its 16 samples
          // instead of its edges' ramps: 20 levels of ink apart at most, of 13,000 (turned, at scale 1).
          EXPECT_NEAR(VgInk(s, ratio), VgInk(alone, ratio), 24)
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

namespace degenerate
{
// Whether a point (x, y) of a shape's own box (w long, h across, centred) lies in the shape.
bool InShape(std::function<void(const Sink&)> (*make)(float, float), double x, double y, double w, double h)
{
  const double t = std::fabs(y) / (h / 2), u = x / (w / 2); // -1 to 1 along
  if (t > 1) return false;
  return make == Rect ? std::fabs(u) <= 1 : make == Triangle ? u <= 1 - 2 * t : std::fabs(u) <= 1 - t / 2;
}

// The area, in device pixels, of the part of the shape of the scene (w by h, a rectangle, triangle or
// hexagon) inside its scissor, given in the frame the scissor was set in: the shape's own (turned with it)
// or the view's. Summed over a grid of 1000 by 64 points across the shape.
double CutArea(const Scene& s, std::function<void(const Sink&)> (*make)(float, float), float w, float h,
               bool scissorTurns, float ratio)
{
  constexpr int kAlong = 1000, kAcross = 64;
  const double c = std::cos(s.turn), sn = std::sin(s.turn);
  double inside = 0;
  for (int j = 0; j < kAcross; j++)
  {
    const double y = ((j + 0.5) / kAcross - 0.5) * h;
    for (int i = 0; i < kAlong; i++)
    {
      const double x = ((i + 0.5) / kAlong - 0.5) * w;
      if (!InShape(make, x, y, w, h)) continue;
      // The scissor's frame: the shape's own, or the view's about the shape's centre.
      const double qx = scissorTurns ? x : c * x - sn * y, qy = scissorTurns ? y : sn * x + c * y;
      inside +=
          qx >= s.clip[0] && qx <= s.clip[0] + s.clip[2] && qy >= s.clip[1] && qy <= s.clip[1] + s.clip[3];
    }
  }
  return inside / kAlong / kAcross * w * h * ratio * ratio;
}
} // namespace degenerate

// Thin bars, triangles and hexagons 0.3 to 2 device pixels across and 40 long, upright and turned, cut by a
// scissor edge along them anywhere across them (or half a pixel off either side), or across them with the
// scissor upright: each puts down the ink of what the scissor leaves within 4 % (cairo: 0.80 to 1.08) at
// scales 1 to 3, and nothing where it leaves nothing. The scissor's soft edge multiplied by the shape's
// coverage, both ramping within the same pixels, gave 0.56 to 1.88.
TEST(ThinInk, ThinShapesCutByTheScissorPutDownTheInkOfWhatIsLeft)
{
  using namespace degenerate;
  const Outline* kinds[] = {&kOutlines[0], &kOutlines[1], &kOutlines[2]};
  for (const Outline* o : kinds)
    for (float ratio : {1.f, 1.5f, 2.f, 3.f})
      for (float across : {0.3f, 0.6f, 1.f, 2.f})
        for (float turn : {0.f, 0.3f, 1.1f})
          for (float cut : {-0.5f, 0.f, 0.2f, 0.5f, 0.8f, 1.f, 1.5f})
            for (bool along : {true, false})
            {
              // Pointed shapes 1 to 2 pixels across put down up to 1.26 of their ink uncut (a triangle 2
              // pixels across at scales 1 and 1.5; a half hexagon 1 pixel across at 2).
              if (o->make != Rect && across > 1) continue;
              Scene s;
              const float h = across / ratio;
              s.path = o->make(40, h);
              s.cx = 32.2f, s.cy = 31.7f, s.turn = turn, s.scissorTurns = along;
              // Along: the edge runs the shape's length, cut of the way across; else across it, upright.
              if (along)
                s.clip[0] = -30, s.clip[1] = -h / 2 + cut * h, s.clip[2] = 60, s.clip[3] = 20;
              else
                s.clip[0] = -20 + cut * 10, s.clip[1] = -25, s.clip[2] = 60, s.clip[3] = 50;
              const double area = CutArea(s, o->make, 40, h, along, ratio) * 255 * kAlpha;
              const double ours = VgInk(s, ratio);
              const std::string name = std::string(o->name) + " " + std::to_string(across) +
                                       " px across, turned " + std::to_string(turn) + ", cut " +
                                       std::to_string(cut) + (along ? " along" : " across") + ", at scale " +
                                       std::to_string(ratio);
              if (area == 0)
                EXPECT_EQ(ours, 0) << name;
              else
                EXPECT_NEAR(ours, area, area * 0.04 + 40 * ratio)
                    << name << ": " << ours / area << " (cairo " << CairoInk(s, ratio) / area << ")";
            }
}
// The bounds README.md states, and one it stated: a curve under about 0.45 device pixels across was drawn
// as the chords of its four segments (the flattening took a piece as straight within a quarter pixel of
// its chord), 2 / pi of its area's ink; flattened within a share of its size, it puts down 0.93 to 0.99 of
// it. A scissor edge along a stroke under 2 pixels wide (a stroke
// is not cut by the scissor, as a thin convex fill is) gives 0.54 to 2.4 times the ink of what it leaves.
TEST(ThinInk, StatedBoundsHold)
{
  using namespace degenerate;
  std::mt19937 rng(61);
  auto uni = [&](float a, float b) { return std::uniform_real_distribution<float>(a, b)(rng); };
  for (float ratio : {1.f, 1.5f, 2.f, 3.f})
    for (int i = 0; i < 16; i++)
    {
      const float across = uni(0.1f, 0.44f), length = uni(10, 60), turn = i % 2 ? uni(0, 3.14f) : 0;
      Scene s;
      s.path = Ellipse(length, across / ratio);
      s.cx = uni(30, 34), s.cy = uni(30, 34), s.turn = turn;
      const double area = M_PI / 4 * length * ratio * across * 255 * kAlpha;
      EXPECT_NEAR(VgInk(s, ratio) / area, 1.0, 0.08)
          << "ellipse " << across << " px across, " << length << " long, turned " << turn << ", at scale "
          << ratio;
    }
  for (float ratio : {1.f, 1.5f, 2.f, 3.f})
    for (float across : {0.3f, 0.6f, 1.f, 1.5f, 2.f})
      for (float cut : {0.f, 0.2f, 0.5f, 0.8f})
        for (float turn : {0.f, 0.3f})
        {
          Scene s;
          const float h = across / ratio;
          s.path = [](const Sink& k) { k.move(-20, 0), k.line(20, 0); };
          s.stroke = h;
          s.cx = 32.2f, s.cy = 31.7f, s.turn = turn;
          s.clip[0] = -30, s.clip[1] = -h / 2 + cut * h, s.clip[2] = 60, s.clip[3] = 20;
          const double area = 40 * ratio * h * ratio * (1 - cut) * 255 * kAlpha,
                       share = VgInk(s, ratio) / area;
          EXPECT_TRUE(share >= 0.54 && share <= 2.4) << share << ": stroke " << across << " px wide, turned "
                                                     << turn << ", cut " << cut << ", at scale " << ratio;
        }
}
