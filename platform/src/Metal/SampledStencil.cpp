// A multisampled stencil: each pixel holds several samples side by side, at fixed places about its centre.
// A pipeline of as many samples that writes no colour marks each sample where a primitive covers it (the
// primitive is drawn once a sample, moved by the sample's offset, so that the pixel-centre rasteriser and
// its top-left rule decide each sample); a pipeline of one sample tests and marks all of a pixel's samples
// and weighs its colour by the share that passed, as resolving a multisampled target of that colour would.
// A pixel whose samples all agree is drawn as over a stencil of one sample.
#include "platform/src/Metal/RasterDraw.h"

namespace qorv_raster
{
namespace
{
// The common 16-sample pattern, in 16ths of a pixel from its centre: no two samples share a row or a
// column, so an upright edge's coverage steps by a 16th. Fewer samples take the first ones.
constexpr int kPattern[kQorvStencilSamples][2] = {{1, 1},  {-1, -3}, {-3, 2}, {4, -1}, {-5, -2}, {2, 5},
                                                  {5, 3},  {3, -5},  {-2, 6}, {0, -7}, {-4, -6}, {-6, 4},
                                                  {-8, 0}, {7, -4},  {6, 7},  {-7, -8}};
} // namespace

Draw Draw::AtSample(int s) const
{
  Draw d = *this;
  d.sample = s;
  d.sampleX = kPattern[s][0] * (kOne / 16);
  d.sampleY = kPattern[s][1] * (kOne / 16);
  return d;
}

void Draw::TestSamples(uint8_t* srow, int m, const unsigned char* keep, const StencilTable& table,
                       unsigned char* write) const
{
  const int n = stencilSamples;
  for (int t = 0; t < m; ++t, srow += n)
  {
    write[t] = 0;
    if (!keep[t]) continue;
    int passed = 0;
    for (int k = 0; k < n; ++k)
    {
      const uint8_t s = srow[k];
      passed += table.pass[s] ? 1 : 0;
      srow[k] = table.next[s];
    }
    write[t] = (unsigned char)passed;
  }
}

bool Draw::SamplesLive(const uint8_t* s, const StencilTable& table) const
{
  for (int k = 0; k < stencilSamples; ++k)
    if (table.pass[s[k]] || table.next[s[k]] != s[k]) return true;
  return false;
}

void Draw::WeighBySamples(int m, unsigned char* write, float (*colourOut)[4], bool& oneColour,
                          float* weights) const
{
  const int n = stencilSamples;
  bool some = false;
  for (int t = 0; t < m && !some; ++t)
    some = write[t] > 0 && write[t] < n;
  for (int t = 0; t < m; ++t)
    weights[t] = 1.0f;
  if (!some) return;
  if (oneColour)
  {
    for (int t = 1; t < m; ++t)
      std::copy(colourOut[0], colourOut[0] + 4, colourOut[t]);
    oneColour = false;
  }
  for (int t = 0; t < m; ++t)
  {
    if (write[t] == 0 || write[t] == n)
    {
      write[t] = write[t] != 0;
      continue;
    }
    const float share = (float)write[t] / (float)n;
    write[t] = 1;
    // Premultiplied source-over is linear in the source: a share of it is a share of its change.
    if (sourceOver)
      for (float& c : colourOut[t])
        c *= share;
    else
      weights[t] = share;
  }
}
} // namespace qorv_raster
