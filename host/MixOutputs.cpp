#include "host/MixOutputs.h"

#include "host/MessageStream.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <utility>
#include <vector>

namespace qorvhost
{
namespace
{
// Whether two paths name the same file: the same file on disk when both exist, else the same place.
bool SameFile(const std::string& a, const std::string& b)
{
  namespace fs = std::filesystem;
  std::error_code ea, eb;
  const bool hasA = fs::exists(a, ea), hasB = fs::exists(b, eb);
  if (hasA && hasB) return fs::equivalent(a, b, ea);
  if (hasA != hasB) return false;
  return fs::weakly_canonical(a, ea) == fs::weakly_canonical(b, eb);
}
} // namespace

bool CheckOutputPaths(const MixOptions& o, std::string& error)
{
  std::vector<std::pair<std::string, std::string>> inputs, outputs; // option, path
  for (const std::string& path : o.inputs)
    inputs.push_back({"an input", path});
  if (!o.presetFile.empty()) inputs.push_back({"--preset", o.presetFile});
  if (!o.stateIn.empty()) inputs.push_back({"--state-in", o.stateIn});
  outputs.push_back({"-o", o.output});
  if (!o.gainsCsv.empty()) outputs.push_back({"--gains", o.gainsCsv});
  if (!o.stateOut.empty()) outputs.push_back({"--state-out", o.stateOut});
  if (!o.automationCsv.empty()) outputs.push_back({"--automation", o.automationCsv});
  for (size_t i = 0; i < outputs.size(); ++i)
  {
    const std::string &option = outputs[i].first, &path = outputs[i].second;
    auto clash = [&](const std::pair<std::string, std::string>& other)
    {
      if (!SameFile(path, other.second)) return false;
      error = option + " " + path + " is the same file as " + other.first + " (" + other.second +
              "); an output must not overwrite an input or another output";
      return true;
    };
    if (std::any_of(inputs.begin(), inputs.end(), clash) ||
        std::any_of(outputs.begin() + long(i) + 1, outputs.end(), clash))
      return false;
  }
  return true;
}

bool OpenOutput(iplugin::AtomicFile& file, const std::string& path, std::string& error)
{
  if (path.empty() || file.Open(path.c_str())) return true;
  error = path + ": cannot write (" + SystemReason(errno) + ")";
  return false;
}

bool CommitOutput(iplugin::AtomicFile& file, const std::string& path, std::string& error)
{
  if (file.Commit()) return true;
  error = path + ": cannot write (" + SystemReason(errno) + ")";
  return false;
}

bool WriteOutput(iplugin::AtomicFile& file, const std::string& path, const std::string& bytes,
                 std::string& error)
{
  if (path.empty()) return true;
  FILE* f = file.Stream();
  if (f && !bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  return CommitOutput(file, path, error);
}

} // namespace qorvhost
