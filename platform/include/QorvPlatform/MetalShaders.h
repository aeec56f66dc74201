// The software GPU's shader interface. A shader library's data names its functions (see
// QorvMetalLibraryData); their code is C++ registered here under those names, as the program's compiled
// shaders. Functions run on the GPU's thread and must not touch anything but their arguments (and caches
// of their own results kept per thread).
#pragma once

#include <cstddef>
#include <cstdint>

#include <Metal/Metal.h>
#include <QorvPlatform/MetalOptions.h>

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
  // For a function registered as reading its samples' coverage, over a multisampled stencil: how many of
  // each fragment's samples passed the stencil test (samplesPassed[i] of samples), as a shader reads the
  // coverage mask after the stencil test. Null otherwise.
  const unsigned char* samplesPassed = nullptr;
  int samples = 1;
  // For such a function: whether it may take its shortcuts (the draw's gpu.coverageSpans).
  bool coverageShortcuts = false;
  // Under them, for a function that has a draw form (QorvShaderCode drawConstants): what that form wrote for
  // the draw, else null.
  const unsigned char* drawConstants = nullptr;
};

typedef void (*QorvVertexFunction)(const QorvVertexIn& in, QorvVertexOut& out);

// A run of vertices with ids firstId, firstId + 1, ... whose fetched attributes are all pairs of floats
// within their buffers: vertex i's attribute a is the pair at attributes[a] + i * strides[a] (null: not
// fetched, so (0, 0, 0, 1)).
struct QorvVertexRunIn
{
  const unsigned char* attributes[kQorvMaxAttributes];
  NSUInteger strides[kQorvMaxAttributes];
  uint32_t firstId;
  const QorvShaderBuffer* buffers; // vertex buffer slots
};
// A vertex function over count vertices of a run at once, as it gives each alone: vertex i's position into
// positions[i] and, unless varyings is null, its varyings from varyings + i * varyingStride (bytes) on.
typedef void (*QorvVertexRunFunction)(const QorvVertexRunIn& in, size_t count, float (*positions)[4],
                                      unsigned char* varyings, size_t varyingStride);
// Writes the colour and answers true, or answers false to discard the fragment.
typedef bool (*QorvFragmentFunction)(const QorvFragmentIn& in, float colour[4]);
// The same function over a span: sets keep[i] to 0 to discard fragment i, else 1 and writes colour[i].
// colour is null when the draw writes no colour, so that only discards matter. Must give what the
// per-fragment function gives; it exists so that a shader can look at its uniforms once per span.
typedef void (*QorvFragmentSpanFunction)(const QorvFragmentSpanIn& in, float (*colour)[4],
                                         unsigned char* keep);
// A coverage function's draw form: what all of a draw's spans share, worked out once from its bindings into
// constants (kQorvDrawConstants bytes, aligned for floats), which each span's input then points at. Returns
// how many varyings (the first ones) its spans read given those constants: the rest may be left 0.
constexpr size_t kQorvDrawConstants = 64;
typedef int (*QorvFragmentDrawFunction)(const QorvShaderBuffer* buffers, const MTLTexture* const* textures,
                                        unsigned char* constants);

// What a shader can say of a span before shading it, from its position and its varyings' starts and steps
// alone: the rasteriser switches on it.
enum class QorvSpanKind
{
  kShade,     // nothing: the span is shaded
  kOneColour, // every fragment is kept with one colour, as the span function would give it
  // Every fragment is kept and its colour is texture slot 0 sampled with its sampler at (s[i], t[i]), turned
  // premultiplied when straight (colour times alpha) and multiplied by k[i] alone, as the span function
  // would give it. The rasteriser may then read texels instead of filtering where the samples fall on
  // texel centres, which gives the same colours.
  kSamples
};

// The answer. The values it points to are the shader's own, sized by it, and stay until its next answer on
// the same thread.
struct QorvSpanAnswer
{
  QorvSpanKind kind = QorvSpanKind::kShade;
  float colour[4] = {}; // kOneColour
  // kSamples: count values each (in.count), but t holds one for all when tOne, and k is null when every
  // k is 1; columns, when not 0, names s: an earlier answer on this thread with the same name and count had
  // the same s.
  const float *s = nullptr, *t = nullptr, *k = nullptr;
  bool tOne = false, straight = false;
  // kSamples of a span: every fragment is kept with a colour of 0 (nothing covers it), and s, t and k are not
  // given: the span leaves a target it blends over as it is.
  bool none = false;
  uint64_t columns = 0;
  // Of a rectangle's rows: per row 1 when the row alone would be answered kSamples with one t and every k 1,
  // 2 with every k 0, else 0; t then holds one value a row, and s serves every such row.
  const unsigned char* whole = nullptr;
};

// The kinds of answer that the rasteriser can use, as bits of a question's wants: the shader need not work
// out the others.
constexpr unsigned QorvWants(QorvSpanKind kind)
{
  return 1u << (unsigned)kind;
}

// Asked before a span is shaded (the varyings' arrays are not filled), rows 0; or for the rows of one
// rectangle at once, rows > 0 of in.count fragments each (at most 1024): row r's input is in's with y in.y +
// r and its varyings' starts rowStarts[r] (their steps are in's), answered kSamples when some row is whole,
// else kShade. Writes and returns answer.kind, one of wants or kShade.
typedef QorvSpanKind (*QorvFragmentAskFunction)(const QorvFragmentSpanIn& in,
                                                const float (*rowStarts)[kQorvMaxVaryings], int rows,
                                                unsigned wants, QorvSpanAnswer& answer);

struct QorvShaderCode
{
  QorvVertexFunction vertex = nullptr;
  // Optional: the same position without the varyings, for draws that read none (as GPUs drop unused outputs).
  QorvVertexFunction vertexPosition = nullptr;
  // Optional: the function over runs of vertices; with null varyings it gives the position form's positions.
  QorvVertexRunFunction vertexRun = nullptr;
  QorvFragmentFunction fragment = nullptr;
  QorvFragmentSpanFunction fragmentSpan = nullptr; // optional
  QorvFragmentAskFunction fragmentAsk = nullptr;   // optional, with fragmentSpan
  int varyingCount = 0;
  // The function reads the coverage its fragments keep after the stencil test (samplesPassed): over a
  // multisampled stencil the test runs before it, and its colour is not weighed by that share.
  bool readsCoverage = false;
  QorvFragmentDrawFunction drawConstants = nullptr; // optional, with readsCoverage
};

// Makes options those that the calls a shader makes back into the GPU (QorvSampleTexture, QorvShaderSimd)
// follow on the calling thread while it lives: a shader is handed no options, so the rasteriser sets its
// draw's (its device's, QorvMetalSetOptions) while the draw's shaders run. Code that calls a shader or those
// functions outside a draw (a test) may set them so too; else they take the defaults.
class QorvOptionsScope
{
public:
  explicit QorvOptionsScope(const QorvGpuOptions& options);
  ~QorvOptionsScope();
  QorvOptionsScope(const QorvOptionsScope&) = delete;
  QorvOptionsScope& operator=(const QorvOptionsScope&) = delete;

private:
  const QorvGpuOptions* mOuter;
};

// Whether the draw the calling thread runs takes the SIMD arithmetic: a shader that has a portable form of
// its arithmetic too follows it.
bool QorvShaderSimd();

// Registering a name again replaces its code for libraries made afterwards.
// position and run: the function's position and run forms, when it has them (QorvShaderCode vertexPosition,
// vertexRun).
void QorvMetalRegisterVertexFunction(const std::string& name, QorvVertexFunction function, int varyingCount,
                                     QorvVertexFunction position = nullptr,
                                     QorvVertexRunFunction run = nullptr);
void QorvMetalRegisterFragmentFunction(const std::string& name, QorvFragmentFunction function,
                                       QorvFragmentSpanFunction span = nullptr,
                                       QorvFragmentAskFunction ask = nullptr);
// A span function that reads its fragments' coverage after the stencil test (QorvFragmentSpanIn
// samplesPassed); its per-fragment form is not asked for. draw: its draw form, when it has one.
void QorvMetalRegisterCoverageFunction(const std::string& name, QorvFragmentSpanFunction span,
                                       QorvFragmentDrawFunction draw = nullptr);

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
