#include "graphics/vector/VGoptions.h"

#include <cstdlib>
#include <cstring>

namespace iplugin::igraphics
{
namespace
{
// A switch by its name: a field of the context's record or of the GPU's.
struct Switch
{
  const char* name;
  bool VGoptions::*own;
  bool QorvGpuOptions::*gpu;
};

constexpr Switch kSwitches[] = {
    {"fillShortcuts", &VGoptions::fillShortcuts, nullptr},
    {"unfringedRects", &VGoptions::unfringedRects, nullptr},
    {"scissorBounds", &VGoptions::scissorBounds, nullptr},
    {"stripRowsTrimmed", &VGoptions::stripRowsTrimmed, nullptr},
    {"unclearedStencil", &VGoptions::unclearedStencil, nullptr},
    {"sampledFills", &VGoptions::sampledFills, nullptr},
    {"sliverFills", &VGoptions::sliverFills, nullptr},
    {"evenOddOutlines", &VGoptions::evenOddOutlines, nullptr},
    {"scissorCuts", &VGoptions::scissorCuts, nullptr},
    {"thinFills", &VGoptions::thinFills, nullptr},
    {"thinColumns", &VGoptions::thinColumns, nullptr},
    {"convexFills", &VGoptions::convexFills, nullptr},
    {"openDots", &VGoptions::openDots, nullptr},
    {"thinStrokes", &VGoptions::thinStrokes, nullptr},
    {"curveFringes", &VGoptions::curveFringes, nullptr},
    {"plainCrossingSweep", &VGoptions::plainCrossingSweep, nullptr},
    {"fringeSides", &VGoptions::fringeSides, nullptr},
    {"fringeApart", &VGoptions::fringeApart, nullptr},
    {"apartBeforeCrossings", &VGoptions::apartBeforeCrossings, nullptr},
    {"tangentTurns", &VGoptions::tangentTurns, nullptr},
    {"gpu.spanShading", nullptr, &QorvGpuOptions::spanShading},
    {"gpu.texelCopies", nullptr, &QorvGpuOptions::texelCopies},
    {"gpu.texelRects", nullptr, &QorvGpuOptions::texelRects},
    {"gpu.texelSnap", nullptr, &QorvGpuOptions::texelSnap},
    {"gpu.simd", nullptr, &QorvGpuOptions::simd},
    {"gpu.convexFans", nullptr, &QorvGpuOptions::convexFans},
    {"gpu.quadCorners", nullptr, &QorvGpuOptions::quadCorners},
    {"gpu.stencilSkipping", nullptr, &QorvGpuOptions::stencilSkipping},
    {"gpu.bandThreads", nullptr, &QorvGpuOptions::bandThreads},
    {"gpu.sampledSpans", nullptr, &QorvGpuOptions::sampledSpans},
    {"gpu.sharedEdges", nullptr, &QorvGpuOptions::sharedEdges},
    {"gpu.fanChains", nullptr, &QorvGpuOptions::fanChains},
    {"gpu.smallTriangles", nullptr, &QorvGpuOptions::smallTriangles},
    {"gpu.sumRanges", nullptr, &QorvGpuOptions::sumRanges},
    {"gpu.stencilOnlyRows", nullptr, &QorvGpuOptions::stencilOnlyRows},
    {"gpu.positionsAlone", nullptr, &QorvGpuOptions::positionsAlone},
    {"gpu.sampledCover", nullptr, &QorvGpuOptions::sampledCover},
    {"gpu.repeatedBlends", nullptr, &QorvGpuOptions::repeatedBlends},
    {"gpu.thinRows", nullptr, &QorvGpuOptions::thinRows},
    {"gpu.sampleRowEdges", nullptr, &QorvGpuOptions::sampleRowEdges},
    {"gpu.repeatedVertices", nullptr, &QorvGpuOptions::repeatedVertices},
    {"gpu.vertexRuns", nullptr, &QorvGpuOptions::vertexRuns},
    {"gpu.spanReplays", nullptr, &QorvGpuOptions::spanReplays},
    {"gpu.failedUncoloured", nullptr, &QorvGpuOptions::failedUncoloured},
    {"gpu.coverageSpans", nullptr, &QorvGpuOptions::coverageSpans},
};

// The switch named name (the GPU's with or without "gpu."), or null.
const Switch* SwitchNamed(const std::string& name)
{
  for (const Switch& s : kSwitches)
    if (name == s.name || (s.gpu && name == s.name + 4)) return &s;
  return nullptr;
}

std::string Trimmed(const std::string& text)
{
  const size_t first = text.find_first_not_of(" \t"), last = text.find_last_not_of(" \t");
  return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}
} // namespace

std::vector<std::string> vgOptionNames()
{
  std::vector<std::string> names;
  for (const Switch& s : kSwitches)
    names.emplace_back(s.name);
  return names;
}

bool vgApplyOptions(const char* text, VGoptions& options, std::string& problems)
{
  bool all = true;
  const std::string whole = text ? text : "";
  for (size_t at = 0; at <= whole.size();)
  {
    size_t end = whole.find(',', at);
    if (end == std::string::npos) end = whole.size();
    const std::string item = Trimmed(whole.substr(at, end - at));
    at = end + 1;
    if (item.empty()) continue;
    const size_t equals = item.find('=');
    const std::string name = Trimmed(item.substr(0, equals));
    const std::string value = equals == std::string::npos ? std::string() : Trimmed(item.substr(equals + 1));
    const Switch* s = SwitchNamed(name);
    std::string problem;
    if (!s)
      problem = "no switch is called \"" + name + "\"";
    else if (value != "0" && value != "1")
      problem = "\"" + item + "\" gives " + name + " no value 0 or 1";
    if (!problem.empty())
    {
      problems += std::string(kVGoptionsVariable) + ": " + problem + "; left out (the switches: ";
      for (const Switch& each : kSwitches)
        problems += std::string(&each == kSwitches ? "" : ", ") + each.name;
      problems += ")\n";
      all = false;
      continue;
    }
    (s->own ? options.*(s->own) : options.gpu.*(s->gpu)) = value == "1";
  }
  return all;
}

VGoptions vgOptionsFromEnvironment(std::string& problems)
{
  VGoptions options;
  vgApplyOptions(std::getenv(kVGoptionsVariable), options, problems);
  return options;
}
} // namespace iplugin::igraphics
