// Time to parse the whole symbolic icon set of librsvg2-tests (the texts are read once; each run parses
// fresh copies, since the parser writes into its text).
#include "graphics/svg/SVGimage.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace iplugin::igraphics;

namespace
{
const char* kIconSet = "/usr/libexec/installed-tests/RSVG/fixtures/reftests/adwaita";

std::vector<std::string> LoadIcons()
{
  std::vector<std::string> texts;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(kIconSet, ec))
  {
    if (entry.path().extension() != ".svg") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    texts.push_back(out.str());
  }
  return texts;
}

void BM_ParseIconSet(benchmark::State& state)
{
  static const std::vector<std::string> icons = LoadIcons();
  if (icons.empty())
  {
    state.SkipWithError("librsvg2-tests is not installed");
    return;
  }
  std::vector<std::vector<char>> buffers(icons.size());
  size_t bytes = 0, shapes = 0;
  for (auto _ : state)
  {
    state.PauseTiming();
    for (size_t i = 0; i < icons.size(); i++)
    {
      buffers[i].assign(icons[i].begin(), icons[i].end());
      buffers[i].push_back(0);
    }
    state.ResumeTiming();
    for (auto& buf : buffers)
    {
      SVGimage* image = svgParse(buf.data(), "px", 96.0f);
      for (const SVGshape* s = image ? image->shapes : nullptr; s; s = s->next)
        shapes++;
      svgDelete(image);
    }
    for (const std::string& icon : icons)
      bytes += icon.size();
  }
  state.counters["icons"] = (double)icons.size();
  state.counters["shapes/set"] = benchmark::Counter((double)shapes / (double)state.iterations());
  state.SetBytesProcessed((int64_t)bytes);
}
} // namespace

BENCHMARK(BM_ParseIconSet)->Unit(benchmark::kMillisecond);
