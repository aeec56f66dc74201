// The files a command writes may overwrite neither a file it reads nor one another, compared as files
// on disk however they are spelled (a link, "..", a relative path).
#pragma once

#include <string>
#include <vector>

namespace qorvhost
{
// A file named on the command line: the option that names it ("--png", "an input") and its path.
struct NamedPath
{
  std::string option, path;
};

// Whether two paths name the same file: the same file on disk when both exist, else the same place.
bool SameFile(const std::string& a, const std::string& b);
// False with a message naming both when an output is an input or another output. Empty paths are left
// out.
bool CheckOutputsOverwriteNothing(const std::vector<NamedPath>& inputs, const std::vector<NamedPath>& outputs,
                                  std::string& error);
} // namespace qorvhost
