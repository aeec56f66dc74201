// What keeping the directions of an SVG path's sub-paths (vgWindAsDrawn, which DrawSVG has every non-zero
// fill run) costs: DrawSVG on the vector back end at scale 1 of one path of N sub-paths, N from 1 to 1,000.
// Documents: a grid of small disjoint circles (a dotted icon pattern), the same with every other dot drawn
// the other way, and lines of glyph-like rings (an outline and a counter wound the other way inside it, as
// a font's "o"). After each fill its path is flattened again with the step and without it, in turns: the
// step's time is the difference, and its share that time against the rest of the fill's, both from the
// same frames (switching the step off for the whole fill would change the picture where the document has
// holes, and with it the fill's route). Reports CPU milliseconds a frame of the geometry (the DrawSVG call:
// flattening, the step, tessellation), of the step, and of the whole frame (the software GPU's rasterising
// and presenting too), medians of 9 rounds, and the median of the rounds' shares. Target: the step adds at
// most 10 % to the geometry's CPU, and so to the fill's, at every N.
#include "bench/Rounds.h"
#include "graphics/vector/VGcontext.h"
#include "tests/support/RecordingGraphics.h"
#include "tests/vector/VectorGraphicsTestContext.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

using namespace iplugin::igraphics;

namespace
{
constexpr int kRounds = 9;
constexpr int kSide = 256;
constexpr double kMostAdded = 0.10;
constexpr double kSampleSeconds = 0.02; // each round's figure: as many frames as take about this long
constexpr int kFlattenings = 4;         // each way, after each fill

// The vector back end, timing the step once more after each fill that ran it: the fill's path flattened
// again with the step and without it, in turns, from the same commands (the fill's flattened paths are
// turned by then, and would not ask the step what the document asks).
class TimedGraphics : public qorvtest::VectorGraphics
{
public:
  using VectorGraphics::VectorGraphics;
  double stepSeconds = 0.0; // the step's own, a run each fill
  double outsideFill = 0.0; // the benchmark's flattenings, not the fill's
  bool stepFirst = true;

  void PathFill(const IPattern& pattern, const IFillOptions& options, const IBlend* pBlend) override
  {
    IFillOptions kept = options;
    kept.mPreserve = true; // its commands stay for the flattenings below
    VectorGraphics::PathFill(pattern, kept, pBlend);
    if (options.mKeepDirections && options.mFillRule == kFillWinding)
    {
      const double start = qorvbench::CpuSeconds();
      double with = 0.0, without = 0.0;
      for (int k = 0; k < 2 * kFlattenings; k++)
      {
        const bool step = (k % 2 == 0) == stepFirst;
        (step ? with : without) += Flatten(step);
      }
      stepSeconds += (with - without) / kFlattenings;
      outsideFill += qorvbench::CpuSeconds() - start;
    }
    if (!options.mPreserve) PathClear();
  }

private:
  double Flatten(bool step)
  {
    VGcontext* vg = static_cast<VGcontext*>(GetDrawContext());
    vg->cache->npaths = vg->cache->npoints = 0; // as a new path, its commands kept
    vgKeepDirections(vg, step);
    const double start = qorvbench::CpuSeconds();
    vgFlattenPaths(vg);
    const double seconds = qorvbench::CpuSeconds() - start;
    vgKeepDirections(vg, 0);
    return seconds;
  }
};

std::string Circle(float cx, float cy, float r, bool clockwise)
{
  char buf[160];
  std::snprintf(buf, sizeof buf, "M%g %gA%g %g 0 1 %d %g %gA%g %g 0 1 %d %g %gZ", cx - r, cy, r, r, clockwise,
                cx + r, cy, r, r, clockwise, cx - r, cy);
  return buf;
}

enum class Kind
{
  dots,      // a dot in each cell, all drawn one way
  mixedDots, // every other dot drawn the other way
  rings      // an outline and its counter in each cell
};
const char* const kKindNames[] = {"dots", "mixed", "rings"};

// n sub-paths on a grid of cells over the document.
std::string Document(int n, Kind kind)
{
  const bool rings = kind == Kind::rings;
  const int items = rings ? (n + 1) / 2 : n;
  const int columns = int(std::ceil(std::sqrt(double(items))));
  const float cell = float(kSide) / float(columns);
  std::string d;
  for (int i = 0, paths = 0; i < items; i++)
  {
    const float cx = (float(i % columns) + 0.5f) * cell, cy = (float(i / columns) + 0.5f) * cell;
    d += Circle(cx, cy, cell * (rings ? 0.42f : 0.3f), kind == Kind::mixedDots && i % 2);
    if (rings && ++paths < n) d += Circle(cx, cy, cell * 0.25f, true);
    paths++;
  }
  return "<svg xmlns='http://www.w3.org/2000/svg' width='" + std::to_string(kSide) + "' height='" +
         std::to_string(kSide) + "'><path d='" + d + "'/></svg>";
}

// CPU milliseconds a frame.
struct Sample
{
  double geometry = 0.0, step = 0.0, frame = 0.0;
};

Sample Frames(TimedGraphics& g, const ISVG& svg, int frames)
{
  Sample s;
  g.stepSeconds = 0.0;
  for (int f = 0; f < frames; f++)
  {
    const double start = qorvbench::CpuSeconds();
    g.Begin();
    const double drawStart = qorvbench::CpuSeconds(), outsideBefore = g.outsideFill;
    g.DrawSVG(svg, IRECT(0, 0, float(kSide), float(kSide)));
    const double outside = g.outsideFill - outsideBefore;
    s.geometry += qorvbench::CpuSeconds() - drawStart - outside;
    g.EndFrame();
    s.frame += qorvbench::CpuSeconds() - start - outside;
  }
  s.step = g.stepSeconds;
  for (double* v : {&s.geometry, &s.step, &s.frame})
    *v *= 1e3 / frames;
  return s;
}
} // namespace

int main(int argc, char** argv)
{
  qorvtest::RecordingDelegate dlg;
  TimedGraphics g(dlg, kSide, kSide);
  g.Open();
  std::printf("DrawSVG of one path of N sub-paths, CPU ms a frame (medians of %d rounds): document, N, "
              "geometry, the step within it, what it adds to the rest (median of the rounds'); frame, what "
              "the step adds to the rest of it\n",
              kRounds);
  bool met = true;
  std::string table = "table: what the step adds to the geometry (to the frame), document N:";
  for (Kind kind : {Kind::dots, Kind::mixedDots, Kind::rings})
    for (int n : qorvbench::SizesToRun(argc, argv, {1, 10, 100, 1000}, 1))
    {
      const std::string doc = Document(n, kind);
      const char* name = kKindNames[int(kind)];
      const std::string key = name + std::to_string(n); // the resource cache knows a document by its name
      const ISVG svg = g.LoadSVGFromData(key.c_str(), doc.c_str(), int(doc.size()), "px", 96.f);
      // Frames enough for a figure well above the clock's grain.
      const double once = Frames(g, svg, 1).frame * 1e-3;
      const int frames = std::max(1, int(kSampleSeconds / std::max(once, 1e-6)));
      std::vector<double> geometry, step, frame, geometryAdded, frameAdded;
      for (int r = 0; r < kRounds; r++)
      {
        g.stepFirst = r % 2 == 0;
        const Sample s = Frames(g, svg, frames);
        geometry.push_back(s.geometry), step.push_back(s.step), frame.push_back(s.frame);
        geometryAdded.push_back(s.step / (s.geometry - s.step));
        frameAdded.push_back(s.step / (s.frame - s.step));
      }
      const double added = qorvbench::Median(geometryAdded), addedToFrame = qorvbench::Median(frameAdded);
      met = met && added <= kMostAdded;
      std::printf("%-5s %5d  %8.3f %8.3f %6.1f %%   %8.3f %6.1f %%\n", name, n, qorvbench::Median(geometry),
                  qorvbench::Median(step), added * 100, qorvbench::Median(frame), addedToFrame * 100);
      char row[80];
      std::snprintf(row, sizeof row, " %s %d: %.1f %% (%.1f %%)", name, n, added * 100, addedToFrame * 100);
      table += row;
    }
  std::printf("%s (target <= %.0f %% of the geometry: %s)\n", table.c_str(), kMostAdded * 100,
              qorvbench::Met(met));
  return met ? 0 : 1;
}
