#include "mixer/ChannelBuffers.h"

#include <algorithm>
#include <cstring>

namespace iplugin
{
double** AllocateChannelBuffers(int frames, int channels)
{
  const int n = std::max(channels, 0);
  double** buffers = new double*[n];
  for (int c = 0; c < n; ++c)
    buffers[c] = new double[std::max(frames, 0)]();
  return buffers;
}

void FreeChannelBuffers(double** buffers, int channels)
{
  if (!buffers) return;
  for (int c = 0; c < channels; ++c)
    delete[] buffers[c];
  delete[] buffers;
}

void CopyChannelBlock(const double* source, double* destination, int frames, int offset)
{
  if (!source || !destination || frames <= 0) return;
  std::memmove(destination + offset, source, sizeof(double) * frames);
}

void CopyChannelBlocks(const double* const* sources, double* const* destinations, int frames, int channels,
                       int offset)
{
  if (!sources || !destinations) return;
  for (int c = 0; c < channels; ++c)
    CopyChannelBlock(sources[c], destinations[c], frames, offset);
}

void ClearChannelBuffers(double* const* buffers, int frames, int channels)
{
  if (!buffers || frames <= 0) return;
  for (int c = 0; c < channels; ++c)
    if (buffers[c]) std::memset(buffers[c], 0, sizeof(double) * frames);
}
} // namespace iplugin
