#include "framework/SampleConversion.h"

namespace iplugin
{
namespace
{
template <class From, class To> void Convert(const From* source, To* destination, int count)
{
  for (int i = 0; i < count; ++i)
    destination[i] = To(source[i]);
}

template <class From, class To>
[[gnu::target("avx2"), gnu::flatten]] void ConvertAvx2(const From* source, To* destination, int count)
{
  Convert(source, destination, count);
}

// Asked once when the library loads, so the audio thread never waits on a first-use guard.
const bool kHasAvx2 = []
{
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
}();
} // namespace

void FloatsToDoubles(const float* source, double* destination, int count)
{
  kHasAvx2 ? ConvertAvx2(source, destination, count) : Convert(source, destination, count);
}

void DoublesToFloats(const double* source, float* destination, int count)
{
  kHasAvx2 ? ConvertAvx2(source, destination, count) : Convert(source, destination, count);
}
} // namespace iplugin
