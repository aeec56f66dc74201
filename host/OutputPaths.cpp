#include "host/OutputPaths.h"

#include <filesystem>

namespace qorvhost
{
bool SameFile(const std::string& a, const std::string& b)
{
  namespace fs = std::filesystem;
  std::error_code ea, eb;
  const bool hasA = fs::exists(a, ea), hasB = fs::exists(b, eb);
  if (hasA && hasB) return fs::equivalent(a, b, ea);
  if (hasA != hasB) return false;
  // Made absolute first: a relative path with no existing part is otherwise left relative.
  return fs::weakly_canonical(fs::absolute(a, ea), ea) == fs::weakly_canonical(fs::absolute(b, eb), eb);
}

bool CheckOutputsOverwriteNothing(const std::vector<NamedPath>& inputs, const std::vector<NamedPath>& outputs,
                                  std::string& error)
{
  for (size_t i = 0; i < outputs.size(); ++i)
  {
    const NamedPath& out = outputs[i];
    if (out.path.empty()) continue;
    auto clash = [&](const NamedPath& other)
    {
      if (other.path.empty() || !SameFile(out.path, other.path)) return false;
      error = out.option + " " + out.path + " is the same file as " + other.option + " (" + other.path +
              "); an output must not overwrite an input or another output";
      return true;
    };
    for (const NamedPath& in : inputs)
      if (clash(in)) return false;
    for (size_t j = i + 1; j < outputs.size(); ++j)
      if (clash(outputs[j])) return false;
  }
  return true;
}
} // namespace qorvhost
