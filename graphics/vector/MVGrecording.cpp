#include "graphics/vector/MVGrecording.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "graphics/vector/VGtransform.h"

namespace iplugin::igraphics
{
namespace
{
bool BlendFactor(int code, uint64_t* out)
{
  switch (code)
  {
  case kVGZero:
    *out = kMVGBlendZero;
    return true;
  case kVGOne:
    *out = kMVGBlendOne;
    return true;
  case kVGSrcColor:
    *out = kMVGBlendSourceColor;
    return true;
  case kVGOneMinusSrcColor:
    *out = kMVGBlendOneMinusSourceColor;
    return true;
  case kVGDstColor:
    *out = kMVGBlendDestinationColor;
    return true;
  case kVGOneMinusDstColor:
    *out = kMVGBlendOneMinusDestinationColor;
    return true;
  case kVGSrcAlpha:
    *out = kMVGBlendSourceAlpha;
    return true;
  case kVGOneMinusSrcAlpha:
    *out = kMVGBlendOneMinusSourceAlpha;
    return true;
  case kVGDstAlpha:
    *out = kMVGBlendDestinationAlpha;
    return true;
  case kVGOneMinusDstAlpha:
    *out = kMVGBlendOneMinusDestinationAlpha;
    return true;
  case kVGSrcAlphaSaturate:
    *out = kMVGBlendSourceAlphaSaturated;
    return true;
  default:
    return false;
  }
}

void Premultiply(float* dst, const VGcolor& c)
{
  dst[0] = c.r * c.a;
  dst[1] = c.g * c.a;
  dst[2] = c.b * c.a;
  dst[3] = c.a;
}

int GrownCapacity(int capacity, int needed, int minimum)
{
  return capacity / 2 + std::max(minimum, needed);
}

// Vertices a path contributes to the joined strip: its own plus the repeated first and last.
int StripVertexCount(const VGpath* paths, int npaths)
{
  int n = 0;
  for (int i = 0; i < npaths; i++)
    if (paths[i].nstroke > 0) n += paths[i].nstroke + 2;
  return n;
}

int FanVertexCount(const VGpath* paths, int npaths)
{
  int n = 0;
  for (int i = 0; i < npaths; i++)
    if (paths[i].nfill >= 3) n += paths[i].nfill;
  return n;
}

// Widens bounds (x0, y0, x1, y1) to the fans' vertices; true when they reach beyond.
bool FanBeyond(const VGpath* paths, int npaths, float* bounds)
{
  bool beyond = false;
  for (int i = 0; i < npaths; i++)
    for (int j = 0; paths[i].nfill >= 3 && j < paths[i].nfill; j++)
    {
      const VGvertex& v = paths[i].fill[j];
      if (v.x >= bounds[0] && v.x <= bounds[2] && v.y >= bounds[1] && v.y <= bounds[3]) continue;
      beyond = true;
      bounds[0] = std::min(bounds[0], v.x), bounds[1] = std::min(bounds[1], v.y);
      bounds[2] = std::max(bounds[2], v.x), bounds[3] = std::max(bounds[3], v.y);
    }
  return beyond;
}

// Copies a path's strip with its first and last vertex repeated, so that consecutive paths' strips
// join through degenerate triangles.
VGvertex* CopyStrip(VGvertex* dst, const VGpath& path)
{
  dst[0] = path.stroke[0];
  std::memcpy(dst + 1, path.stroke, sizeof(VGvertex) * path.nstroke);
  dst[path.nstroke + 1] = path.stroke[path.nstroke - 1];
  return dst + path.nstroke + 2;
}
} // namespace

MVGblend mvgBlendCompositeOperation(VGcompositeOperationState op)
{
  MVGblend b;
  if (!BlendFactor(op.srcRGB, &b.srcRGB) || !BlendFactor(op.dstRGB, &b.dstRGB) ||
      !BlendFactor(op.srcAlpha, &b.srcAlpha) || !BlendFactor(op.dstAlpha, &b.dstAlpha))
  {
    b.srcRGB = kMVGBlendOne;
    b.dstRGB = kMVGBlendOneMinusSourceAlpha;
    b.srcAlpha = kMVGBlendOne;
    b.dstAlpha = kMVGBlendOneMinusSourceAlpha;
  }
  return b;
}

void mvgXformToMat3x4(float* m3, const float* t)
{
  m3[0] = t[0];
  m3[1] = t[1];
  m3[2] = 0.0f;
  m3[3] = 0.0f;
  m3[4] = t[2];
  m3[5] = t[3];
  m3[6] = 0.0f;
  m3[7] = 0.0f;
  m3[8] = t[4];
  m3[9] = t[5];
  m3[10] = 1.0f;
  m3[11] = 0.0f;
}

MVGrecorder::MVGrecorder(int flags) : flags(flags) {}

MVGcall* MVGrecorder::allocCall()
{
  if (!rec) return nullptr;
  if (rec->ncalls + 1 > rec->ccalls)
  {
    int ccalls = GrownCapacity(rec->ccalls, rec->ncalls + 1, 128);
    auto* calls = static_cast<MVGcall*>(std::realloc(rec->calls, sizeof(MVGcall) * ccalls));
    if (!calls) return nullptr;
    rec->calls = calls;
    rec->ccalls = ccalls;
  }
  MVGcall* call = &rec->calls[rec->ncalls++];
  std::memset(call, 0, sizeof(MVGcall));
  return call;
}

int MVGrecorder::reserve(int& count, int capacity, int n, int minimum, bool (MVGrecorder::*resize)(int))
{
  if (!rec || n < 0) return -1;
  int needed = count + n;
  if (needed > capacity && !(this->*resize)(GrownCapacity(capacity, needed, minimum))) return -1;
  int first = count;
  count += n;
  return first;
}

int MVGrecorder::allocVerts(int n)
{
  return rec ? reserve(rec->nverts, rec->cverts, n, 4096, &MVGrecorder::resizeVerts) : -1;
}

int MVGrecorder::allocIndexes(int n)
{
  return rec ? reserve(rec->nindexes, rec->cindexes, n, 4096, &MVGrecorder::resizeIndexes) : -1;
}

int MVGrecorder::allocFragUniforms(int n)
{
  if (!rec) return -1;
  int first = reserve(rec->nuniforms, rec->cuniforms, n, 128, &MVGrecorder::resizeUniforms);
  return first < 0 ? -1 : first * fragSize;
}

MVGfragUniforms* MVGrecorder::fragUniformAtIndex(int offset)
{
  return reinterpret_cast<MVGfragUniforms*>(rec->uniforms + offset);
}

void MVGrecorder::clearRecording()
{
  if (!rec) return;
  rec->ncalls = 0;
  rec->nverts = 0;
  rec->nindexes = 0;
  rec->nuniforms = 0;
}

bool MVGrecorder::resizeVerts(int capacity)
{
  auto* verts = static_cast<VGvertex*>(std::realloc(rec->verts, sizeof(VGvertex) * capacity));
  if (!verts) return false;
  rec->verts = verts;
  rec->cverts = capacity;
  return true;
}

bool MVGrecorder::resizeIndexes(int capacity)
{
  auto* indexes = static_cast<uint32_t*>(std::realloc(rec->indexes, sizeof(uint32_t) * capacity));
  if (!indexes) return false;
  rec->indexes = indexes;
  rec->cindexes = capacity;
  return true;
}

bool MVGrecorder::resizeUniforms(int capacity)
{
  auto* uniforms = static_cast<unsigned char*>(std::realloc(rec->uniforms, (size_t)fragSize * capacity));
  if (!uniforms) return false;
  rec->uniforms = uniforms;
  rec->cuniforms = capacity;
  return true;
}

void MVGrecorder::FreeHeapRecording(MVGrecording& r)
{
  std::free(r.calls);
  std::free(r.indexes);
  std::free(r.verts);
  std::free(r.uniforms);
  r = MVGrecording{};
}

bool MVGrecorder::convertPaint(MVGfragUniforms* frag, const VGpaint* paint, const VGscissor* scissor,
                               float width, float fringe, float strokeThr)
{
  std::memset(frag, 0, sizeof(*frag));
  Premultiply(frag->innerCol, paint->innerColor);
  Premultiply(frag->outerCol, paint->outerColor);

  if (scissor->extent[0] < -0.5f || scissor->extent[1] < -0.5f)
  {
    frag->scissorExt[0] = 1.0f;
    frag->scissorExt[1] = 1.0f;
    frag->scissorScale[0] = 1.0f;
    frag->scissorScale[1] = 1.0f;
  }
  else
  {
    float inv[6];
    vgTransformInverse(inv, scissor->xform);
    mvgXformToMat3x4(frag->scissorMat, inv);
    const float* t = scissor->xform;
    frag->scissorExt[0] = scissor->extent[0];
    frag->scissorExt[1] = scissor->extent[1];
    frag->scissorScale[0] = std::sqrt(t[0] * t[0] + t[2] * t[2]) / fringe;
    frag->scissorScale[1] = std::sqrt(t[1] * t[1] + t[3] * t[3]) / fringe;
  }

  frag->extent[0] = paint->extent[0];
  frag->extent[1] = paint->extent[1];
  frag->strokeMult = (width * 0.5f + fringe * 0.5f) / fringe;
  frag->strokeThr = strokeThr;

  float xform[6];
  std::memcpy(xform, paint->xform, sizeof(xform));
  if (paint->image != 0)
  {
    int type = 0, imageFlags = 0;
    if (!textureTypeAndFlags(paint->image, &type, &imageFlags)) return false;
    if (imageFlags & kVGImageFlipY)
    {
      // Mirror about the middle of the extent first, then map by the paint transform.
      float s[6];
      vgTransformTranslate(xform, 0.0f, -frag->extent[1] * 0.5f);
      vgTransformScale(s, 1.0f, -1.0f);
      vgTransformMultiply(xform, s);
      vgTransformTranslate(s, 0.0f, frag->extent[1] * 0.5f);
      vgTransformMultiply(xform, s);
      vgTransformMultiply(xform, paint->xform);
    }
    frag->type = kMVGShaderFillImage;
    if (type == kVGTextureRGBA)
      frag->texType = (imageFlags & kVGImagePremultiplied) ? kMVGTexRGBAPremultiplied : kMVGTexRGBA;
    else
      frag->texType = kMVGTexAlpha;
  }
  else
  {
    frag->type = kMVGShaderFillGradient;
    frag->radius = paint->radius;
    frag->feather = paint->feather;
  }

  float inv[6];
  vgTransformInverse(inv, xform);
  mvgXformToMat3x4(frag->paintMat, inv);
  return true;
}

MVGcall* MVGrecorder::beginCall(int type, const VGpaint* paint, VGcompositeOperationState op)
{
  MVGcall* call = allocCall();
  if (!call) return nullptr;
  call->type = type;
  call->image = paint->image;
  call->blend = blendFor(op);
  return call;
}

void MVGrecorder::dropCall()
{
  if (rec && rec->ncalls > 0) rec->ncalls--;
}

void MVGrecorder::renderFill(const VGpaint* paint, VGcompositeOperationState op, const VGscissor* scissor,
                             float fringe, const float* bounds, const VGpath* paths, int npaths, int fillRule)
{
  MVGcall* call = beginCall(kMVGFill, paint, op);
  if (!call) return;
  call->fillRule = fillRule;
  // The call the fill's way chose (VGfillWays.h).
  const EVGfillCall kind = npaths > 0 ? (EVGfillCall)paths[0].call : kVGFillStencil;
  call->sampled = kind == kVGFillSampledStencil;
  call->edgesBySamples = npaths > 0 && paths[0].edgesBySamples;
  call->fringeApart = npaths > 0 && paths[0].fringeApart;
  call->triangleCount = 4;
  // The fan is inset from the path by half a fringe, which moves it outward where a path crossing itself
  // turns the other way: the stencil it marks beyond the cover quad would outlive the fill, for the next
  // fill's cover quad to paint. A second quad around the fan clears it.
  float fanBounds[4] = {bounds[0], bounds[1], bounds[2], bounds[3]};
  if (kind == kVGFillConvex || kind == kVGFillStrip)
  {
    call->type = kind == kVGFillConvex ? kMVGConvexFill : kMVGStrip;
    call->triangleCount = 0; // no stencil to cover
  }
  else if (FanBeyond(paths, npaths, fanBounds))
    call->triangleCount = 8;

  int maxverts = FanVertexCount(paths, npaths);
  int strip = StripVertexCount(paths, npaths);
  int maxindexes = 0;
  for (int i = 0; i < npaths; i++)
    if (paths[i].nfill >= 3) maxindexes += 3 * (paths[i].nfill - 2);
  int total = maxverts + strip + call->triangleCount;

  int vertOffset = allocVerts(total);
  if (vertOffset == -1) return dropCall();
  int indexOffset = allocIndexes(maxindexes);
  if (indexOffset == -1) return dropCall();
  call->indexOffset = indexOffset;
  call->indexCount = maxindexes;
  call->strokeOffset = vertOffset + (total - strip) + 1;
  call->strokeCount = std::max(0, strip - 2);

  int fan = vertOffset;
  VGvertex* stripDst = rec->verts + vertOffset + maxverts + call->triangleCount;
  uint32_t* index = rec->indexes + indexOffset;
  for (int i = 0; i < npaths; i++)
  {
    const VGpath& path = paths[i];
    if (path.nfill >= 3)
    {
      std::memcpy(rec->verts + fan, path.fill, sizeof(VGvertex) * path.nfill);
      for (int j = 2; j < path.nfill; j++)
      {
        *index++ = (uint32_t)fan;
        *index++ = (uint32_t)(fan + j - 1);
        *index++ = (uint32_t)(fan + j);
      }
      fan += path.nfill;
    }
    if (path.nstroke > 0) stripDst = CopyStrip(stripDst, path);
  }

  if (call->type == kMVGFill)
  {
    call->triangleOffset = fan;
    VGvertex* quad = rec->verts + fan;
    // A sampled fan marks samples up to half a pixel beyond its bounds, in pixels whose centres lie
    // outside them: the cover reaches a fringe further.
    const float reach = call->sampled ? fringe : 0.0f;
    quad[0] = {bounds[2] + reach, bounds[3] + reach, 0.5f, 1.0f};
    quad[1] = {bounds[2] + reach, bounds[1] - reach, 0.5f, 1.0f};
    quad[2] = {bounds[0] - reach, bounds[3] + reach, 0.5f, 1.0f};
    quad[3] = {bounds[0] - reach, bounds[1] - reach, 0.5f, 1.0f};
    if (call->triangleCount == 8)
    {
      quad[4] = {fanBounds[2], fanBounds[3], 0.5f, 1.0f};
      quad[5] = {fanBounds[2], fanBounds[1], 0.5f, 1.0f};
      quad[6] = {fanBounds[0], fanBounds[3], 0.5f, 1.0f};
      quad[7] = {fanBounds[0], fanBounds[1], 0.5f, 1.0f};
    }
  }

  int uniformOffset = allocFragUniforms(1);
  if (uniformOffset == -1) return dropCall();
  call->uniformOffset = uniformOffset;
  convertPaint(fragUniformAtIndex(uniformOffset), paint, scissor, fringe, fringe, -1.0f);
}

void MVGrecorder::renderStroke(const VGpaint* paint, VGcompositeOperationState op, const VGscissor* scissor,
                               float fringe, float strokeWidth, const VGpath* paths, int npaths)
{
  MVGcall* call = beginCall(kMVGStroke, paint, op);
  if (!call) return;
  int strip = StripVertexCount(paths, npaths);
  int vertOffset = allocVerts(strip + FanVertexCount(paths, npaths));
  if (vertOffset == -1) return dropCall();
  call->strokeOffset = vertOffset + 1;
  call->strokeCount = std::max(0, strip - 2);
  VGvertex* dst = rec->verts + vertOffset;
  for (int i = 0; i < npaths; i++)
    if (paths[i].nstroke > 0) dst = CopyStrip(dst, paths[i]);

  if (flags & kVGStencilStrokes)
  {
    int uniformOffset = allocFragUniforms(2);
    if (uniformOffset == -1) return dropCall();
    call->uniformOffset = uniformOffset;
    convertPaint(fragUniformAtIndex(uniformOffset), paint, scissor, strokeWidth, fringe, -1.0f);
    convertPaint(fragUniformAtIndex(uniformOffset + fragSize), paint, scissor, strokeWidth, fringe,
                 kMVGStencilStrokeThreshold);
  }
  else
  {
    int uniformOffset = allocFragUniforms(1);
    if (uniformOffset == -1) return dropCall();
    call->uniformOffset = uniformOffset;
    convertPaint(fragUniformAtIndex(uniformOffset), paint, scissor, strokeWidth, fringe, -1.0f);
  }
}

void MVGrecorder::renderTriangles(const VGpaint* paint, VGcompositeOperationState op,
                                  const VGscissor* scissor, const VGvertex* verts, int nverts, float fringe)
{
  MVGcall* call = beginCall(kMVGTriangles, paint, op);
  if (!call) return;
  int vertOffset = allocVerts(nverts);
  if (vertOffset == -1) return dropCall();
  call->triangleOffset = vertOffset;
  call->triangleCount = nverts;
  if (nverts > 0) std::memcpy(rec->verts + vertOffset, verts, sizeof(VGvertex) * nverts);

  int uniformOffset = allocFragUniforms(1);
  if (uniformOffset == -1) return dropCall();
  call->uniformOffset = uniformOffset;
  MVGfragUniforms* frag = fragUniformAtIndex(uniformOffset);
  convertPaint(frag, paint, scissor, 1.0f, fringe, -1.0f);
  frag->type = kMVGShaderImage;
}

void MVGrecorder::RenderFill(void* uptr, const VGpaint* paint, VGcompositeOperationState op,
                             const VGscissor* scissor, float fringe, const float* bounds, const VGpath* paths,
                             int npaths, int fillRule)
{
  static_cast<MVGrecorder*>(uptr)->renderFill(paint, op, scissor, fringe, bounds, paths, npaths, fillRule);
}

void MVGrecorder::RenderStroke(void* uptr, const VGpaint* paint, VGcompositeOperationState op,
                               const VGscissor* scissor, float fringe, float strokeWidth, const VGpath* paths,
                               int npaths)
{
  static_cast<MVGrecorder*>(uptr)->renderStroke(paint, op, scissor, fringe, strokeWidth, paths, npaths);
}

void MVGrecorder::RenderTriangles(void* uptr, const VGpaint* paint, VGcompositeOperationState op,
                                  const VGscissor* scissor, const VGvertex* verts, int nverts, float fringe)
{
  static_cast<MVGrecorder*>(uptr)->renderTriangles(paint, op, scissor, verts, nverts, fringe);
}
} // namespace iplugin::igraphics
