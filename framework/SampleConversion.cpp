#include "framework/SampleConversion.h"

#include "framework/Avx2Build.h"

namespace iplugin
{
namespace
{
template <class From, class To> void Convert(const From* source, To* destination, int count)
{
  for (int i = 0; i < count; ++i)
    destination[i] = To(source[i]);
}

// Asked once when the library loads, so the audio thread never waits on a first-use guard.
const bool kHasAvx2 = ProcessorHasAvx2();

template <class From, class To> void ConvertOnBest(const From* source, To* destination, int count)
{
  kHasAvx2 ? Avx2Build<Convert<From, To>>::Run(source, destination, count) : Convert(source, destination, count);
}
} // namespace

void FloatsToDoubles(const float* source, double* destination, int count)
{
  ConvertOnBest(source, destination, count);
}

void DoublesToFloats(const double* source, float* destination, int count)
{
  ConvertOnBest(source, destination, count);
}
} // namespace iplugin
