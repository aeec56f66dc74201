// Any bytes parse to an image (or null when out of memory) whose paths are whole cubic segments.
#include "tests/svg/SVGtestSupport.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (const char* units : {"px", "in"})
  {
    auto image = svgtest::Parse(text, units, 96.0f);
    if (!image) continue;
    const std::string problems = svgtest::CheckInvariants(image.get());
    if (!problems.empty())
    {
      std::fprintf(stderr, "invariant broken:\n%s", problems.c_str());
      std::abort();
    }
  }
  return 0;
}
