#include "host/MixOutputs.h"

#include "host/OutputPaths.h"

#include <filesystem>
#include <vector>

namespace qorvhost
{
namespace
{
// Whether path is a file frame-<digits>.png in folder.
bool IsFrameFileIn(const std::string& path, const std::string& folder)
{
  namespace fs = std::filesystem;
  const std::string name = fs::path(path).filename().string();
  const std::string prefix = "frame-", suffix = ".png";
  if (name.size() <= prefix.size() + suffix.size() || name.rfind(prefix, 0) != 0 ||
      name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
    return false;
  const std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
  if (digits.find_first_not_of("0123456789") != std::string::npos) return false;
  const fs::path parent = fs::path(path).parent_path();
  return SameFile(parent.empty() ? "." : parent.string(), folder);
}
} // namespace

bool CheckOutputPaths(const MixOptions& o, std::string& error)
{
  std::vector<NamedPath> inputs, outputs;
  for (const std::string& path : o.inputs)
    inputs.push_back({"an input", path});
  inputs.push_back({"--preset", o.presetFile});
  inputs.push_back({"--state-in", o.stateIn});
  outputs.push_back({"-o", o.output});
  outputs.push_back({"--gains", o.gainsCsv});
  outputs.push_back({"--state-out", o.stateOut});
  outputs.push_back({"--automation", o.automationCsv});
  if (!CheckOutputsOverwriteNothing(inputs, outputs, error)) return false;
  if (o.pngEvery <= 0) return true;
  // The editor's frames go to DIR/frame-NNNN.png: no file named there may be one of them.
  for (const std::vector<NamedPath>* list : {&inputs, &outputs})
    for (const NamedPath& named : *list)
      if (IsFrameFileIn(named.path, o.pngDir))
      {
        error = named.option + " " + named.path + " is in the folder of --png-every, where the editor's " +
                "frames are written; an output must not overwrite an input or another output";
        return false;
      }
  return true;
}

} // namespace qorvhost
