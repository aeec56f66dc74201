// The host's 32-bit samples to the plug-in's doubles and back, on the widest registers the processor has.
// Every sample is converted the same way in either build: float to double is exact, double to float
// rounds to nearest.
#pragma once

namespace iplugin
{
void FloatsToDoubles(const float* source, double* destination, int count);
void DoublesToFloats(const double* source, float* destination, int count);
} // namespace iplugin
