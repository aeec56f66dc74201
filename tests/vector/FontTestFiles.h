// The editor's fonts as the test machines have them (Debian's fonts-roboto-unhinted and fonts-dejavu-core;
// DejaVu Sans stands in for Verdana), and a helper to read any file whole.
#pragma once

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace qorvtest
{
inline const char* const kRobotoPath =
    "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf";
inline const char* const kDejaVuPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
inline const char* const kDejaVuBoldPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

inline std::vector<unsigned char> ReadFileBytes(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
} // namespace qorvtest
