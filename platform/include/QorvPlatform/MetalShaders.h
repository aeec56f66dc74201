// The software GPU's shader interface. A shader library's data names its functions (see
// QorvMetalLibraryData); their code is C++ registered here under those names, as the program's compiled
// shaders. Functions run on the GPU's thread and must not touch anything but their arguments (and caches
// of their own results kept per thread).
#pragma once

#include <cstdint>

#include <Metal/Metal.h>

#include <string>
#include <vector>

constexpr int kQorvMaxVaryings = 8;
constexpr int kQorvMaxAttributes = MTLVertexDescriptor::kMaxAttributes;

// A bound buffer as a shader sees it: its bytes from the bound offset on.
struct QorvShaderBuffer
{
  const unsigned char* data = nullptr;
  NSUInteger length = 0;
};

struct QorvVertexIn
{
  // Attributes fetched through the pipeline's vertex descriptor; absent components read (0, 0, 0, 1).
  float attributes[kQorvMaxAttributes][4];
  uint32_t vertexId;
  const QorvShaderBuffer* buffers; // vertex buffer slots
};

struct QorvVertexOut
{
  float position[4]; // clip space
  float varyings[kQorvMaxVaryings];
};

struct QorvFragmentIn
{
  float position[4]; // pixel centre in the target (x + 0.5, y + 0.5), z, w
  const float* varyings;
  bool frontFacing;
  const QorvShaderBuffer* buffers;        // fragment buffer slots
  const MTLTexture* const* textures;      // fragment texture slots (null when unbound)
  const MTLSamplerState* const* samplers; // fragment sampler slots (null when unbound)
};

// A run of fragments on one row, pixels (x + i, y) for i below count, shaded in one call (depth is not
// interpolated for spans).
struct QorvFragmentSpanIn
{
  int x, y, count;
  const float* varyings[kQorvMaxVaryings]; // per varying, count values
  // Varyings step linearly along a row: varyings[k][i] is start[k] + i * step[k], computed in float (a step
  // of 0 when the varying is the same at the triangle's three vertices).
  float start[kQorvMaxVaryings] = {}, step[kQorvMaxVaryings] = {};
  bool frontFacing;
  const QorvShaderBuffer* buffers;
  const MTLTexture* const* textures;
  const MTLSamplerState* const* samplers;
};

typedef void (*QorvVertexFunction)(const QorvVertexIn& in, QorvVertexOut& out);
// Writes the colour and answers true, or answers false to discard the fragment.
typedef bool (*QorvFragmentFunction)(const QorvFragmentIn& in, float colour[4]);
// The same function over a span: sets keep[i] to 0 to discard fragment i, else 1 and writes colour[i].
// colour is null when the draw writes no colour, so that only discards matter. Must give what the
// per-fragment function gives; it exists so that a shader can look at its uniforms once per span.
typedef void (*QorvFragmentSpanFunction)(const QorvFragmentSpanIn& in, float (*colour)[4],
                                         unsigned char* keep);
// Asked before a span is shaded, from its position and its varyings' starts and steps alone (the varyings'
// arrays are not filled): answers true and writes the colour when every fragment of the span is kept and has
// that one colour, as the span function would give it; false otherwise.
typedef bool (*QorvFragmentSpanColourFunction)(const QorvFragmentSpanIn& in, float colour[4]);

// Asked, like the colour function, before a span is shaded: answers true when every fragment of the span is
// kept and its colour is texture slot 0 sampled with its sampler at (s[i], t[i]) for i below in.count,
// turned premultiplied when *straight is set (colour times alpha) and multiplied by k[i] alone; writes s, t
// and k as the span function would compute them. The rasteriser may then read texels instead of filtering
// where the samples fall on texel centres, which gives the same colours.
// form, when not null, takes what the function knows of what it wrote, so that the rasteriser need not look
// at every value: kOne, every k[i] is 1 (k is then not written); tOne, every t[i] equals t[0] (only t[0] is
// written); sValues, when not null, holds the s values in place of s (s is then not written; they stay until
// the next call on this thread); columns, when not 0, names those s values: an earlier answer on this thread
// with the same name and count had the same ones.
struct QorvSpanSamplesForm
{
  bool kOne = false, tOne = false;
  const float* sValues = nullptr;
  uint64_t columns = 0;
};
typedef bool (*QorvFragmentSpanSamplesFunction)(const QorvFragmentSpanIn& in, float* s, float* t, float* k,
                                                bool* straight, QorvSpanSamplesForm* form);

// The rows of one rectangle, count rows one under the other of first.count fragments each (at most 1024),
// asked at once: row r's input is first's with y first.y + r and its varyings' starts starts[r] (their steps
// are first's). Sets whole[r] for each row that the samples function would answer with tOne and every k 1
// (whole[r] 1) or every k 0 (2), with that row's t in t[r] and the same s for every such row (in s or
// form->sValues, named by form->columns, as it gives them). False when no row is such.
typedef bool (*QorvFragmentRectSamplesFunction)(const QorvFragmentSpanIn& first,
                                                const float (*starts)[kQorvMaxVaryings], int count, float* s,
                                                float* t, unsigned char* whole, bool* straight,
                                                QorvSpanSamplesForm* form);

struct QorvShaderCode
{
  QorvVertexFunction vertex = nullptr;
  QorvFragmentFunction fragment = nullptr;
  QorvFragmentSpanFunction fragmentSpan = nullptr;               // optional
  QorvFragmentSpanColourFunction fragmentSpanColour = nullptr;   // optional
  QorvFragmentSpanSamplesFunction fragmentSpanSamples = nullptr; // optional
  QorvFragmentRectSamplesFunction fragmentRectSamples = nullptr; // optional, with fragmentSpanSamples
  int varyingCount = 0;
};

// Registering a name again replaces its code for libraries made afterwards.
void QorvMetalRegisterVertexFunction(const std::string& name, QorvVertexFunction function, int varyingCount);
void QorvMetalRegisterFragmentFunction(const std::string& name, QorvFragmentFunction function,
                                       QorvFragmentSpanFunction span = nullptr,
                                       QorvFragmentSpanColourFunction spanColour = nullptr,
                                       QorvFragmentSpanSamplesFunction spanSamples = nullptr,
                                       QorvFragmentRectSamplesFunction rectSamples = nullptr);

// Library data: "MTLB", version 1 (uint32 little-endian), function count (uint32), then per function its
// type (uint8: 1 vertex, 2 fragment), name length (uint16) and name bytes.
std::vector<unsigned char>
QorvMetalLibraryData(const std::vector<std::pair<MTLFunctionType, std::string>>& functions);

// Samples a texture at normalised coordinates with the sampler's filters and address modes, from level 0.
// Formats with one channel read (r, 0, 0, 1). Without a texture the result is (0, 0, 0, 0).
void QorvSampleTexture(const MTLTexture* texture, const MTLSamplerState* sampler, float u, float v,
                       float out[4]);
// The same for n points at once; gives what n calls of QorvSampleTexture give.
void QorvSampleTextureSpan(const MTLTexture* texture, const MTLSamplerState* sampler, const float* u,
                           const float* v, int n, float (*out)[4]);
