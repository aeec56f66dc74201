// Text split into its lines, without their line ends.
#pragma once

#include <sstream>
#include <string>
#include <vector>

namespace qorvtest
{
inline std::vector<std::string> Lines(const std::string& text)
{
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}
} // namespace qorvtest
