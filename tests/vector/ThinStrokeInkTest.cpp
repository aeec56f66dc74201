// Short strokes about a pixel wide with round or square caps (a dot, a tick, a short arc) put down the ink of
// their area wherever they lie, 55 % black on white, at scales 1 to 3. Drawn a fringe wide and faded, their
// caps were sampled where they end: 0.85 to 1.22 of their ink with where they lay between pixel centres.
#include "tests/vector/MetalTestContext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>

using namespace iplugin::igraphics;

// Named: the tests are built together, and other files' helpers have the same names.
namespace thinstrokes
{
constexpr int kSide = 64;
constexpr double kAlpha = 0.55;

struct Stroke
{
  float x, y, radius, turn, sweep; // an arc about (x, y); a straight line from (x, y) when radius is 0
  float length;                    // the straight line's
  float width;                     // in view units
  int cap;
  float ratio;
  std::string Name() const
  {
    char text[200];
    std::snprintf(text, sizeof text,
                  "%s-capped %s %.2f px long, %.2f px wide at %.3f, %.3f, turned %.2f, scale %.1f",
                  cap == kVGRound ? "round" : "square", radius > 0 ? "arc" : "line", Length() * ratio,
                  width * ratio, x, y, turn, ratio);
    return text;
  }
  double Length() const { return radius > 0 ? (double)radius * sweep : length; }
  // In device pixels: the band along the centre line and the caps, two half discs or two half squares.
  double Area() const
  {
    return (Length() * width + (cap == kVGRound ? M_PI / 4 : 1.0) * (double)width * width) * ratio * ratio;
  }
};

double InkShare(const Stroke& s)
{
  qorvtest::MetalContext m(kSide, kSide, 0x2001, s.ratio);
  m.Begin(vgRGBAf(1, 1, 1, 1), s.ratio);
  vgBeginPath(m.ctx);
  if (s.radius > 0)
    vgArc(m.ctx, s.x, s.y, s.radius, s.turn, s.turn + s.sweep, kVGHole);
  else
  {
    vgMoveTo(m.ctx, s.x, s.y);
    vgLineTo(m.ctx, s.x + s.length * std::cos(s.turn), s.y + s.length * std::sin(s.turn));
  }
  vgStrokeWidth(m.ctx, s.width);
  vgLineCap(m.ctx, s.cap);
  vgStrokeColor(m.ctx, vgRGBAf(0, 0, 0, (float)kAlpha));
  vgStroke(m.ctx);
  const qorvtest::RgbaImage image = m.End();
  double ink = 0;
  for (size_t p = 0; p < (size_t)image.width * image.height; p++)
    ink += 255 - image.rgba[p * 4];
  return ink / 255 / kAlpha / s.Area();
}
} // namespace thinstrokes

TEST(ThinInk, ShortCappedStrokesPutDownTheirAreasInkWhereverTheyLie)
{
  using thinstrokes::Stroke;
  std::mt19937 rng(77);
  auto uni = [&](double lo, double hi) { return (float)std::uniform_real_distribution<double>(lo, hi)(rng); };
  for (int i = 0; i < 240; i++)
  {
    const float ratio = (const float[]){1.f, 1.5f, 2.f, 3.f}[i % 4];
    const int cap = i / 4 % 2 ? kVGSquare : kVGRound;
    const bool arc = i / 8 % 2 == 0;
    Stroke s{uni(30, 33),           uni(30, 33),   arc ? uni(2, 6) : 0.0f,
             uni(0, 6.28),          uni(0.1, 0.4), uni(0.2, 4) / ratio,
             uni(0.5, 1.5) / ratio, cap,           ratio};
    EXPECT_NEAR(thinstrokes::InkShare(s), 1.0, 0.06) << s.Name();
  }
}
