// Fills that are not one convex outline, drawn by the vector context through the GPU renderer on the software
// GPU at scale 1, their coverage counted in a stencil of 16 samples a pixel (sampledFills, the path now taken),
// against the same frame drawn by cairo and by the path it replaced (a stencil of one sample, covered at pixel
// centres and fringed outside: the switch off).
//
// Families, N pixels across (16, 64 and 256): a five-armed star, a ring (a disc of 64 points and its hole, two
// sub-paths) N / 8 thick, a 200-point polygon (a wavy disc with seven lobes, concave between them), an L of
// arms N long and 1 pixel wide, two discs of 64 points crossing (paths that cross: each fringe told the side
// the fill lies on), and as the control a convex ellipse N by N / 2 (the same path either way).
// Point counts: a zigzag band 1 pixel thick and 256 pixels long of 16 to 100,000 points; the crossing discs
// 64 pixels across of 256 to 4,096 points.
//
// Reports CPU milliseconds of a frame (a 600 by 600 target cleared white, 100 fills of 5 % black, fewer for
// outlines of many points so that a frame holds about 200,000 points; the software GPU draws each frame
// before its CPU time is read, no picture read back), the second of two drawn in turn, as an editor drawing
// frame after frame draws it (the first after the other path's makes its stencil anew, 16 samples a pixel or
// one: what that adds is reported apart, for the star), medians of 9 rounds in which the three take turns,
// and the medians of the rounds' ratios. Targets: the sampled path at most 4 times cairo at 64 and 256 px
// (the star, the ring and the 200-point polygon; the crossing discs said apart), and no slower than the path
// it replaced (within the rounds' 5 % spread) at every size and point count; for the thin L, whose frame
// cairo fills in microseconds, its cost from 64 to 256 px against the 4 its covered area grows by (its box
// grows 16 times).
// CONCAVE_FILL_PROFILE=N draws N sampled frames of each family at the sizes given (=-N: by the replaced path)
// and stops, for a profiler; CONCAVE_FILL_SHAPE=star (ring, 200-point, thin L, discs crossing) draws that
// family alone, =zigzag the zigzag band of the points given instead of sizes, and =discs points the crossing
// discs 64 pixels across of the points given.
#include "bench/Rounds.h"
#include "tests/support/CairoPaths.h"
#include "tests/vector/MetalTestContext.h"

#include "graphics/vector/VGcontext.h"
#include "graphics/vector/VGoptions.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace iplugin::igraphics;

namespace
{
constexpr int kRounds = 9;
constexpr int kFills = 100;
constexpr int kFramePoints = 200000;
constexpr int kSide = 600;
constexpr double kPi = 3.14159265358979323846;
constexpr double kMostAgainstCairo = 4.0, kNoSlower = 1.05, kConvexSpread = 0.05;

struct Point
{
  double x, y;
};
// Sub-paths; those after the first are holes when `holes`.
struct Shape
{
  std::vector<std::vector<Point>> outlines;
  bool holes = false;
  int points = 0;
};

std::vector<Point> Ellipse(double rx, double ry, int n, bool reversed)
{
  std::vector<Point> o;
  for (int k = 0; k < n; k++)
  {
    const double a = (reversed ? -2 : 2) * kPi * k / n;
    o.push_back({kSide / 2.0 + rx * std::cos(a), kSide / 2.0 + ry * std::sin(a)});
  }
  return o;
}

Shape Make(std::vector<std::vector<Point>> outlines, bool holes = false)
{
  Shape s{std::move(outlines), holes, 0};
  for (const auto& o : s.outlines)
    s.points += (int)o.size();
  return s;
}

Shape Star(double n)
{
  std::vector<Point> o;
  for (int i = 0; i < 10; i++)
  {
    const double a = kPi * i / 5, r = (i % 2 ? 0.45 : 1.0) * n / 2;
    o.push_back({kSide / 2.0 + r * std::sin(a), kSide / 2.0 - r * std::cos(a)});
  }
  return Make({o});
}

Shape Ring(double n)
{
  return Make({Ellipse(n / 2, n / 2, 64, false), Ellipse(n / 2 - n / 8, n / 2 - n / 8, 64, true)}, true);
}

Shape WavyDisc(double n)
{
  std::vector<Point> o;
  for (int k = 0; k < 200; k++)
  {
    const double a = 2 * kPi * k / 200, r = n / 2 * (0.8 + 0.2 * std::sin(7 * a));
    o.push_back({kSide / 2.0 + r * std::cos(a), kSide / 2.0 + r * std::sin(a)});
  }
  return Make({o});
}

Shape ThinL(double n)
{
  const double x = (kSide - n) / 2, y = x;
  return Make({{{x, y}, {x + n, y}, {x + n, y + 1}, {x + 1, y + 1}, {x + 1, y + n}, {x, y + n}}});
}

// Two discs of points / 2 points each, N pixels across, overlapping by a third: paths that cross, whose
// fringes are told the side the fill lies on (fringeSides).
Shape CrossingDiscs(double n, int points)
{
  std::vector<Point> a = Ellipse(n / 2, n / 2, points / 2, false), b = a;
  for (Point& p : a)
    p.x -= n / 3;
  return Make({a, b});
}

Shape ConvexEllipse(double n)
{
  return Make({Ellipse(n / 2, n / 4, 64, false)});
}

// A band 1 pixel thick about a zigzag 256 pixels long of points / 2 teeth each side.
Shape Zigzag(int points)
{
  const int half = points / 2;
  std::vector<Point> o;
  for (int k = 0; k < half; k++)
    o.push_back({172.0 + 256.0 * k / (half - 1), kSide / 2.0 + (k % 2 ? 20.0 : -20.0)});
  for (int k = half - 1; k >= 0; k--)
    o.push_back({172.0 + 256.0 * k / (half - 1), kSide / 2.0 + (k % 2 ? 20.0 : -20.0) + 1.0});
  return Make({o});
}

int FillsOf(const Shape& shape)
{
  return std::clamp(kFramePoints / std::max(shape.points, 1), 1, kFills);
}

// CPU milliseconds of a frame of the shape's fills through the renderer, sampled or by the replaced path.
double FrameMs(qorvtest::MetalContext& m, const Shape& shape)
{
  const double start = qorvbench::CpuSeconds();
  vgBeginFrame(m.ctx, kSide, kSide, 1.0f);
  MvgClearWithColor(m.ctx, vgRGBAf(1, 1, 1, 1));
  for (int i = 0, n = FillsOf(shape); i < n; i++)
  {
    vgBeginPath(m.ctx);
    for (const auto& o : shape.outlines)
    {
      vgMoveTo(m.ctx, (float)o[0].x, (float)o[0].y);
      for (size_t k = 1; k < o.size(); k++)
        vgLineTo(m.ctx, (float)o[k].x, (float)o[k].y);
      vgClosePath(m.ctx);
      if (shape.holes && &o != &shape.outlines[0]) vgPathWinding(m.ctx, kVGHole);
    }
    vgFillColor(m.ctx, vgRGBAf(0, 0, 0, 0.05f));
    vgFill(m.ctx);
  }
  vgEndFrame(m.ctx);
  return (qorvbench::CpuSeconds() - start) * 1e3;
}

struct VectorFrames
{
  double first, next;
};

// The first frame after the other path's, whose stencil is made anew (16 samples a pixel or one), and the
// next, as an editor drawing frame after frame draws it: the figures are the next frame's.
// The other switches as QORV_RENDER_OPTIONS sets them, for a profiler.
void UsePath(qorvtest::MetalContext& m, bool sampled)
{
  std::string problems;
  VGoptions options = vgOptionsFromEnvironment(problems);
  options.sampledFills = sampled;
  vgSetOptions(m.ctx, options);
}

VectorFrames VectorMs(qorvtest::MetalContext& m, const Shape& shape, bool sampled)
{
  UsePath(m, sampled);
  const double first = FrameMs(m, shape);
  return {first, FrameMs(m, shape)};
}

// The same frame drawn by cairo on an image surface.
double CairoMs(cairo_t* cr, const Shape& shape)
{
  const double start = qorvbench::CpuSeconds();
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.05);
  for (int i = 0, n = FillsOf(shape); i < n; i++)
  {
    for (const auto& o : shape.outlines)
    {
      cairo_move_to(cr, o[0].x, o[0].y);
      for (size_t k = 1; k < o.size(); k++)
        cairo_line_to(cr, o[k].x, o[k].y);
      cairo_close_path(cr);
    }
    cairo_fill(cr);
  }
  cairo_surface_flush(cairo_get_target(cr));
  return (qorvbench::CpuSeconds() - start) * 1e3;
}

struct Figures
{
  double sampled, replaced, cairo, againstReplaced, againstCairo;
  // What the first frame after the other path's takes on top of the next.
  double sampledFirst, replacedFirst;
};

Figures Measure(qorvtest::MetalContext& m, cairo_t* cr, const Shape& shape)
{
  std::vector<double> sampled, replaced, cairo, sampledFirst, replacedFirst;
  auto take = [](VectorFrames f, std::vector<double>& next, std::vector<double>& first)
  {
    next.push_back(f.next);
    first.push_back(f.first - f.next);
  };
  for (int r = 0; r < kRounds; r++)
  {
    // Each of the three goes first in turn.
    for (int k = 0; k < 3; k++)
      switch ((r + k) % 3)
      {
      case 0:
        take(VectorMs(m, shape, true), sampled, sampledFirst);
        break;
      case 1:
        take(VectorMs(m, shape, false), replaced, replacedFirst);
        break;
      default:
        cairo.push_back(CairoMs(cr, shape));
        break;
      }
  }
  return {qorvbench::Median(sampled), qorvbench::Median(replaced), qorvbench::Median(cairo),
          qorvbench::MedianRatio(sampled, replaced), qorvbench::MedianRatio(sampled, cairo),
          qorvbench::Median(sampledFirst),           qorvbench::Median(replacedFirst)};
}
} // namespace

// Arguments: the sizes to run instead of all (for a profiler); flags are left to others.
int main(int argc, char** argv)
{
  const std::vector<int> sizes = qorvbench::SizesToRun(argc, argv, {16, 64, 256}, 8);
  QorvMetalSetSynchronous(true);
  qorvtest::MetalContext m(kSide, kSide);
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSide, kSide);
  cairo_t* cr = cairo_create(surface);

  if (const char* profile = std::getenv("CONCAVE_FILL_PROFILE"))
  {
    const int frames = std::atoi(profile);
    const char* only = std::getenv("CONCAVE_FILL_SHAPE");
    const char* names[] = {"star", "ring", "200-point", "thin L", "discs crossing"};
    UsePath(m, frames > 0);
    for (int n : sizes)
    {
      if (only && (std::string(only) == "zigzag" || std::string(only) == "discs points"))
      {
        const bool zigzag = std::string(only) == "zigzag";
        for (int f = 0; f < std::abs(frames); f++)
          FrameMs(m, zigzag ? Zigzag(n) : CrossingDiscs(64, n));
        continue;
      }
      const Shape shapes[] = {Star(n), Ring(n), WavyDisc(n), ThinL(n), CrossingDiscs(n, 128)};
      for (int s = 0; s < 5; s++)
        for (int f = 0; f < std::abs(frames) && (!only || std::string(only) == names[s]); f++)
          FrameMs(m, shapes[s]);
    }
    return 0;
  }
  std::printf("CPU ms of a frame of fills (medians of %d rounds taking turns): shape, N px or points, fills, "
              "sampled, replaced (sampledFills=0), cairo, sampled / replaced, sampled / cairo\n",
              kRounds);
  // Against cairo: the star, the ring and the 200-point polygon; the crossing discs on their own; the thin
  // L by how its cost follows what it covers (below).
  bool againstCairoMet = true, crossingAgainstCairoMet = true, noSlowerMet = true, convexMet = true;
  std::string table = "table: sampled against replaced and cairo, shape N: ratios";
  auto report = [&](const char* name, int n, const Shape& shape, bool sizeFamily)
  {
    const Figures f = Measure(m, cr, shape);
    const bool convex = std::string(name) == "convex ellipse";
    if (convex)
      convexMet = convexMet && std::fabs(f.againstReplaced - 1.0) <= kConvexSpread;
    else
    {
      noSlowerMet = noSlowerMet && f.againstReplaced <= kNoSlower;
      const std::string family = name;
      bool& met = family == "discs crossing" ? crossingAgainstCairoMet : againstCairoMet;
      if (sizeFamily && n >= 64 && family != "thin L") met = met && f.againstCairo <= kMostAgainstCairo;
    }
    std::printf("%-16s %6d %4d  %9.3f  %9.3f  %9.3f  %5.2fx  %6.2fx\n", name, n, FillsOf(shape), f.sampled,
                f.replaced, f.cairo, f.againstReplaced, f.againstCairo);
    char row[96];
    std::snprintf(row, sizeof row, " %s %d: %.2fx, %.2fx", name, n, f.againstReplaced, f.againstCairo);
    table += row;
    return f;
  };
  double thinL64 = 0, thinL256 = 0;
  std::string firsts = "left out: the first frame after the other path's, whose stencil is made anew, takes (ms)";
  auto Ms = [](double ms)
  {
    char text[16];
    std::snprintf(text, sizeof text, "%.3f", ms);
    return std::string(text);
  };
  for (int n : sizes)
  {
    const Figures star = report("star", n, Star(n), true);
    firsts += "  star " + std::to_string(n) + ": +" + Ms(star.sampledFirst) + " sampled, +" +
              Ms(star.replacedFirst) + " replaced";
    report("ring", n, Ring(n), true);
    report("200-point", n, WavyDisc(n), true);
    const Figures l = report("thin L", n, ThinL(n), true);
    if (n == 64) thinL64 = l.sampled;
    if (n == 256) thinL256 = l.sampled;
    report("discs crossing", n, CrossingDiscs(n, 128), true);
    report("convex ellipse", n, ConvexEllipse(n), true);
  }
  if (argc <= 1)
    for (int points : {16, 1000, 10000, 100000})
      report("zigzag band", points, Zigzag(points), false);
  if (argc <= 1)
    for (int points : {256, 1024, 4096})
      report("discs crossing", points, CrossingDiscs(64, points), false);
  std::printf("%s\n", table.c_str());
  std::printf("%s\n", firsts.c_str());
  std::printf("sampled at most %.0fx cairo at 64 and 256 px (star, ring, 200-point): %s\n", kMostAgainstCairo,
              qorvbench::Met(againstCairoMet));
  std::printf("sampled at most %.0fx cairo at 64 and 256 px (discs crossing): %s\n", kMostAgainstCairo,
              qorvbench::Met(crossingAgainstCairoMet));
  std::printf("sampled no slower than the replaced path (at most %.2fx) at every size and point count: %s\n",
              kNoSlower, qorvbench::Met(noSlowerMet));
  std::printf("the convex ellipse the same either way (within %.0f %%): %s\n", kConvexSpread * 100,
              qorvbench::Met(convexMet));
  if (thinL64 > 0 && thinL256 > 0)
    std::printf("thin L from 64 to 256 px: %.2fx the CPU time (its area 4x, its box 16x)\n",
                thinL256 / thinL64);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return againstCairoMet && crossingAgainstCairoMet && noSlowerMet && convexMet ? 0 : 1;
}
