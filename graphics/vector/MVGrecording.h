// The recording side of a renderer behind VGrenderParams: call records, vertex, index and
// fragment-uniform storage of one frame, and the fill, stroke and triangle recording that every
// renderer of this system shares (the GPU renderer backs the storage with its own buffers, the
// recording renderer of the tests with plain memory). Main thread only.
#pragma once

#include <cstdint>

#include "graphics/vector/VGrenderParams.h"

namespace iplugin::igraphics
{
enum EMVGcallType
{
  kMVGNone = 0,
  kMVGFill = 1,
  kMVGConvexFill = 2,
  kMVGStroke = 3,
  kMVGTriangles = 4,
  kMVGStrip = 5 // a fill drawn as one strip that covers each pixel once (kVGFillStrip)
};

enum EMVGshaderType
{
  kMVGShaderFillGradient = 0,
  kMVGShaderFillImage = 1,
  kMVGShaderImage = 2 // triangles calls: text
};

enum EMVGtexType
{
  kMVGTexRGBAPremultiplied = 0,
  kMVGTexRGBA = 1,
  kMVGTexAlpha = 2
};

// Blend factors of the GPU interface (its public numeric values).
enum EMVGblendFactor : uint64_t
{
  kMVGBlendZero = 0,
  kMVGBlendOne = 1,
  kMVGBlendSourceColor = 2,
  kMVGBlendOneMinusSourceColor = 3,
  kMVGBlendSourceAlpha = 4,
  kMVGBlendOneMinusSourceAlpha = 5,
  kMVGBlendDestinationColor = 6,
  kMVGBlendOneMinusDestinationColor = 7,
  kMVGBlendDestinationAlpha = 8,
  kMVGBlendOneMinusDestinationAlpha = 9,
  kMVGBlendSourceAlphaSaturated = 10
};

struct MVGblend
{
  uint64_t srcRGB;
  uint64_t dstRGB;
  uint64_t srcAlpha;
  uint64_t dstAlpha;
};

// Factor codes to GPU factors; when any code is not a known single bit the whole result is
// (one, one minus source alpha) for colour and alpha.
MVGblend mvgBlendCompositeOperation(VGcompositeOperationState op);

struct MVGcall
{
  int type;
  int image;
  // Cover quad of a fill (then, at 8, a quad around a fan that reaches beyond it, which clears the stencil
  // there), or the vertices of a triangles call.
  int triangleOffset;
  int triangleCount;
  int indexOffset; // fan triangles of a fill
  int indexCount;
  int strokeOffset; // triangle strip of fringes or strokes
  int strokeCount;
  int uniformOffset; // byte offset of the call's first uniform record
  MVGblend blend;
  int fillRule; // EVGfillRule of a fill
  bool sampled; // a fill whose fan marks each stencil sample, its cover weighed by the samples it covers
  bool edgesBySamples; // VGpath edgesBySamples
  bool fringeApart;    // VGpath fringeApart
};

// Fragment uniforms; 3x3 matrices are three columns of four floats (the fourth zero).
struct MVGfragUniforms
{
  float scissorMat[12]; // inverse scissor transform; zero without scissor
  float paintMat[12];   // inverse paint transform
  float innerCol[4];    // premultiplied
  float outerCol[4];    // premultiplied
  float scissorExt[2];
  float scissorScale[2];
  float extent[2];
  float radius;
  float feather;
  float strokeMult;
  float strokeThr; // -1 normally; 1 - 0.5/255 for the second record of a stencil stroke
  int texType;     // EMVGtexType
  int type;        // EMVGshaderType
};

constexpr int kMVGFragSize = 256;
constexpr float kMVGStencilStrokeThreshold = 1.0f - 0.5f / 255.0f;

// A 2x3 transform as three columns of four floats.
void mvgXformToMat3x4(float* m3, const float* t);

// One frame's recording: the storage of one buffer set.
struct MVGrecording
{
  MVGcall* calls = nullptr;
  int ccalls = 0;
  int ncalls = 0;
  uint32_t* indexes = nullptr;
  int cindexes = 0;
  int nindexes = 0;
  VGvertex* verts = nullptr;
  int cverts = 0;
  int nverts = 0;
  unsigned char* uniforms = nullptr;
  int cuniforms = 0; // records
  int nuniforms = 0; // records
};

class MVGrecorder
{
public:
  explicit MVGrecorder(int flags);
  virtual ~MVGrecorder() = default;

  MVGrecorder(const MVGrecorder&) = delete;
  MVGrecorder& operator=(const MVGrecorder&) = delete;

  int flags;                   // creation flags (EVGcreateFlags)
  int fragSize = kMVGFragSize; // stride of uniform records
  int indexSize = 4;           // bytes per index
  MVGrecording* rec = nullptr; // the frame being recorded; set by the renderer

  // Storage reservation in rec. Growth: half the old capacity plus the need, at least the minimum
  // (128 calls, 4096 vertices, 4096 indices, 128 uniform records).
  MVGcall* allocCall();         // a zeroed record, or null
  int allocVerts(int n);        // index of the first, or -1
  int allocIndexes(int n);      // index of the first, or -1
  int allocFragUniforms(int n); // byte offset of the first, or -1
  MVGfragUniforms* fragUniformAtIndex(int offset);
  // Drops the frame's calls, vertices, indices and uniforms.
  void clearRecording();

  // Fills a uniform record; false when the paint's image is not in the texture table (the record
  // then stays as filled so far).
  bool convertPaint(MVGfragUniforms* frag, const VGpaint* paint, const VGscissor* scissor, float width,
                    float fringe, float strokeThr);

  // The recording callbacks; a call whose storage cannot be reserved is dropped.
  void renderFill(const VGpaint* paint, VGcompositeOperationState op, const VGscissor* scissor, float fringe,
                  const float* bounds, const VGpath* paths, int npaths, int fillRule = 0);
  void renderStroke(const VGpaint* paint, VGcompositeOperationState op, const VGscissor* scissor,
                    float fringe, float strokeWidth, const VGpath* paths, int npaths);
  void renderTriangles(const VGpaint* paint, VGcompositeOperationState op, const VGscissor* scissor,
                       const VGvertex* verts, int nverts, float fringe);

  // Trampolines for VGrenderParams whose user pointer is an MVGrecorder.
  static void RenderFill(void* uptr, const VGpaint* paint, VGcompositeOperationState op,
                         const VGscissor* scissor, float fringe, const float* bounds, const VGpath* paths,
                         int npaths, int fillRule);
  static void RenderStroke(void* uptr, const VGpaint* paint, VGcompositeOperationState op,
                           const VGscissor* scissor, float fringe, float strokeWidth, const VGpath* paths,
                           int npaths);
  static void RenderTriangles(void* uptr, const VGpaint* paint, VGcompositeOperationState op,
                              const VGscissor* scissor, const VGvertex* verts, int nverts, float fringe);

protected:
  // Replace rec's storage by one of the given capacity, keeping what is recorded. The default keeps
  // it in plain heap memory (see FreeHeapRecording).
  virtual bool resizeVerts(int capacity);
  virtual bool resizeIndexes(int capacity);
  virtual bool resizeUniforms(int capacity); // in records of fragSize bytes
  // Texture type and image flags of an id; false when the id is not in the table.
  virtual bool textureTypeAndFlags(int image, int* type, int* imageFlags) const = 0;
  // Composite state to GPU factors.
  virtual MVGblend blendFor(VGcompositeOperationState op) const { return mvgBlendCompositeOperation(op); }

  // Frees heap storage made by the default resize functions, and the call array.
  static void FreeHeapRecording(MVGrecording& r);

private:
  int reserve(int& count, int capacity, int n, int minimum, bool (MVGrecorder::*resize)(int));
  MVGcall* beginCall(int type, const VGpaint* paint, VGcompositeOperationState op);
  void dropCall();
};
} // namespace iplugin::igraphics
