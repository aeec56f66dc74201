#include "graphics/vector/VGcontext.h"

#include "graphics/vector/FontAtlas.h"
#include "graphics/vector/VGthinScratch.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace iplugin::igraphics
{
namespace
{
void SetDevicePixelRatio(VGcontext* ctx, float ratio)
{
  ctx->tessTol = 0.25f / ratio;
  ctx->distTol = 0.01f / ratio;
  ctx->fringeWidth = 1.0f / ratio;
  ctx->devicePxRatio = ratio;
}

// The new operation acts in the current local coordinates.
void PremultiplyState(VGcontext* ctx, const float* t)
{
  vgTransformPremultiply(vgGetState(ctx)->xform, t);
}

VGpathCache* AllocPathCache()
{
  auto* c = static_cast<VGpathCache*>(std::calloc(1, sizeof(VGpathCache)));
  if (!c) return nullptr;
  c->points = static_cast<VGpoint*>(std::malloc(sizeof(VGpoint) * kVGInitPointsSize));
  c->paths = static_cast<VGpath*>(std::malloc(sizeof(VGpath) * kVGInitPathsSize));
  c->verts = static_cast<VGvertex*>(std::malloc(sizeof(VGvertex) * kVGInitVertsSize));
  if (!c->points || !c->paths || !c->verts)
  {
    std::free(c->points);
    std::free(c->paths);
    std::free(c->verts);
    std::free(c);
    return nullptr;
  }
  c->cpoints = kVGInitPointsSize;
  c->cpaths = kVGInitPathsSize;
  c->cverts = kVGInitVertsSize;
  return c;
}

void DeletePathCache(VGpathCache* c)
{
  if (!c) return;
  std::free(c->points);
  std::free(c->paths);
  std::free(c->verts);
  std::free(c);
}
} // namespace

VGcontext* vgCreateContext(const VGrenderParams* params)
{
  if (!params) return nullptr;
  auto* ctx = static_cast<VGcontext*>(std::calloc(1, sizeof(VGcontext)));
  if (!ctx) return nullptr;
  ctx->params = *params;
  ctx->options = VGoptions{};

  ctx->commands = static_cast<float*>(std::malloc(sizeof(float) * kVGInitCommandsSize));
  if (!ctx->commands) goto error;
  ctx->ccommands = kVGInitCommandsSize;
  ctx->ncommands = 0;

  ctx->cache = AllocPathCache();
  if (!ctx->cache) goto error;

  ctx->nstates = 1;
  vgReset(ctx);
  SetDevicePixelRatio(ctx, 1.0f);

  if (!ctx->params.renderCreate || ctx->params.renderCreate(ctx->params.userPtr) == 0) goto error;

  // The glyph cache has no drawing callbacks: text uploads its atlas into the context's images.
  {
    FontAtlasParams fontParams;
    fontParams.width = kVGInitFontImageSize;
    fontParams.height = kVGInitFontImageSize;
    fontParams.flags = kFontAtlasZeroTopLeft;
    ctx->fs = FontAtlasCreate(&fontParams);
    if (!ctx->fs) goto error;
  }
  if (!ctx->params.renderCreateTexture) goto error;
  ctx->fontImages[0] = ctx->params.renderCreateTexture(
      ctx->params.userPtr, kVGTextureAlpha, kVGInitFontImageSize, kVGInitFontImageSize, 0, nullptr);
  if (ctx->fontImages[0] == 0) goto error;
  ctx->fontImageIdx = 0;
  {
    // Switches set for the run, to bisect a fault without building again.
    std::string problems;
    const VGoptions options = vgOptionsFromEnvironment(problems);
    if (!problems.empty()) std::fputs(problems.c_str(), stderr);
    if (!(options == VGoptions{})) vgSetOptions(ctx, options);
  }
  return ctx;

error:
  vgDeleteContext(ctx);
  return nullptr;
}

void vgDeleteContext(VGcontext* ctx)
{
  if (!ctx) return;
  std::free(ctx->commands);
  DeletePathCache(ctx->cache);
  DeletePathCache(ctx->outlines);
  delete ctx->thin;
  FontAtlasDelete(ctx->fs);
  for (int& image : ctx->fontImages)
  {
    if (image != 0)
    {
      if (ctx->params.renderDeleteTexture) ctx->params.renderDeleteTexture(ctx->params.userPtr, image);
      image = 0;
    }
  }
  if (ctx->params.renderDelete) ctx->params.renderDelete(ctx->params.userPtr);
  std::free(ctx);
}

void vgBeginFrame(VGcontext* ctx, float windowWidth, float windowHeight, float devicePixelRatio)
{
  ctx->nstates = 1;
  vgReset(ctx);
  SetDevicePixelRatio(ctx, devicePixelRatio);
  ctx->frameWidth = windowWidth;
  ctx->frameHeight = windowHeight;
  ctx->params.renderViewport(ctx->params.userPtr, windowWidth, windowHeight, devicePixelRatio);
  ctx->drawCallCount = 0;
  ctx->fillTriCount = 0;
  ctx->strokeTriCount = 0;
  ctx->textTriCount = 0;
  ctx->crossingTests = 0;
}

void vgCancelFrame(VGcontext* ctx)
{
  ctx->params.renderCancel(ctx->params.userPtr);
}

void vgEndFrame(VGcontext* ctx)
{
  ctx->params.renderFlush(ctx->params.userPtr);
  if (ctx->fontImageIdx == 0) return;
  int fontImage = ctx->fontImages[ctx->fontImageIdx];
  if (fontImage == 0) return;
  // Keep the current atlas image in slot 0 and only the images at least as large as it; the smaller
  // ones served earlier glyphs of this frame and can go now.
  int iw = 0, ih = 0;
  ctx->params.renderGetTextureSize(ctx->params.userPtr, fontImage, &iw, &ih);
  int j = 0;
  for (int i = 0; i < ctx->fontImageIdx; i++)
  {
    if (ctx->fontImages[i] == 0) continue;
    int nw = 0, nh = 0;
    ctx->params.renderGetTextureSize(ctx->params.userPtr, ctx->fontImages[i], &nw, &nh);
    if (nw < iw || nh < ih)
      ctx->params.renderDeleteTexture(ctx->params.userPtr, ctx->fontImages[i]);
    else
      ctx->fontImages[j++] = ctx->fontImages[i];
  }
  ctx->fontImages[j] = ctx->fontImages[0];
  ctx->fontImages[0] = fontImage;
  ctx->fontImageIdx = 0;
  for (int i = j + 1; i < kVGMaxFontImages; i++)
    ctx->fontImages[i] = 0;
}

VGstate* vgGetState(VGcontext* ctx)
{
  return &ctx->states[ctx->nstates - 1];
}

void vgSave(VGcontext* ctx)
{
  if (ctx->nstates >= kVGMaxStates) return;
  if (ctx->nstates > 0)
    std::memcpy(&ctx->states[ctx->nstates], &ctx->states[ctx->nstates - 1], sizeof(VGstate));
  ctx->nstates++;
}

void vgRestore(VGcontext* ctx)
{
  if (ctx->nstates <= 1) return;
  ctx->nstates--;
}

void vgReset(VGcontext* ctx)
{
  VGstate* state = vgGetState(ctx);
  std::memset(state, 0, sizeof(*state));
  state->fill = vgColorPaint(vgRGBAf(1.0f, 1.0f, 1.0f, 1.0f));
  state->stroke = vgColorPaint(vgRGBAf(0.0f, 0.0f, 0.0f, 1.0f));
  state->compositeOperation = vgCompositeOperationState(kVGSourceOver);
  state->shapeAntiAlias = 1;
  state->strokeWidth = 1.0f;
  state->miterLimit = 10.0f;
  state->lineCap = kVGButt;
  state->lineJoin = kVGMiter;
  state->alpha = 1.0f;
  vgTransformIdentity(state->xform);
  state->scissor.extent[0] = -1.0f;
  state->scissor.extent[1] = -1.0f;
  state->fontSize = 16.0f;
  state->letterSpacing = 0.0f;
  state->lineHeight = 1.0f;
  state->fontBlur = 0.0f;
  state->textAlign = kVGAlignLeft | kVGAlignBaseline;
  state->fontId = 0;
  state->fillRule = kVGNonZero;
  state->keepDirections = 0;
}

void vgShapeAntiAlias(VGcontext* ctx, int enabled)
{
  vgGetState(ctx)->shapeAntiAlias = enabled;
}

void vgStrokeWidth(VGcontext* ctx, float width)
{
  vgGetState(ctx)->strokeWidth = width;
}

void vgMiterLimit(VGcontext* ctx, float limit)
{
  vgGetState(ctx)->miterLimit = limit;
}

void vgLineCap(VGcontext* ctx, int cap)
{
  vgGetState(ctx)->lineCap = cap;
}

void vgLineJoin(VGcontext* ctx, int join)
{
  vgGetState(ctx)->lineJoin = join;
}

void vgGlobalAlpha(VGcontext* ctx, float alpha)
{
  vgGetState(ctx)->alpha = alpha;
}

void vgGlobalCompositeOperation(VGcontext* ctx, int op)
{
  vgGetState(ctx)->compositeOperation = vgCompositeOperationState(op);
}

void vgGlobalCompositeBlendFunc(VGcontext* ctx, int sfactor, int dfactor)
{
  vgGlobalCompositeBlendFuncSeparate(ctx, sfactor, dfactor, sfactor, dfactor);
}

void vgGlobalCompositeBlendFuncSeparate(VGcontext* ctx, int srcRGB, int dstRGB, int srcAlpha, int dstAlpha)
{
  vgGetState(ctx)->compositeOperation = {srcRGB, dstRGB, srcAlpha, dstAlpha};
}

void vgFillRule(VGcontext* ctx, int rule)
{
  vgGetState(ctx)->fillRule = rule == kVGEvenOdd ? kVGEvenOdd : kVGNonZero;
}

void vgKeepDirections(VGcontext* ctx, int keep)
{
  vgGetState(ctx)->keepDirections = keep ? 1 : 0;
}

void vgResetTransform(VGcontext* ctx)
{
  vgTransformIdentity(vgGetState(ctx)->xform);
}

void vgTransform(VGcontext* ctx, float a, float b, float c, float d, float e, float f)
{
  float t[6] = {a, b, c, d, e, f};
  PremultiplyState(ctx, t);
}

void vgTranslate(VGcontext* ctx, float x, float y)
{
  float t[6];
  vgTransformTranslate(t, x, y);
  PremultiplyState(ctx, t);
}

void vgRotate(VGcontext* ctx, float angle)
{
  float t[6];
  vgTransformRotate(t, angle);
  PremultiplyState(ctx, t);
}

void vgSkewX(VGcontext* ctx, float angle)
{
  float t[6];
  vgTransformSkewX(t, angle);
  PremultiplyState(ctx, t);
}

void vgSkewY(VGcontext* ctx, float angle)
{
  float t[6];
  vgTransformSkewY(t, angle);
  PremultiplyState(ctx, t);
}

void vgScale(VGcontext* ctx, float x, float y)
{
  float t[6];
  vgTransformScale(t, x, y);
  PremultiplyState(ctx, t);
}

void vgCurrentTransform(VGcontext* ctx, float* xform)
{
  if (!xform) return;
  std::memcpy(xform, vgGetState(ctx)->xform, sizeof(float) * 6);
}

void vgScissor(VGcontext* ctx, float x, float y, float w, float h)
{
  VGstate* state = vgGetState(ctx);
  w = std::max(0.0f, w);
  h = std::max(0.0f, h);
  vgTransformIdentity(state->scissor.xform);
  state->scissor.xform[4] = x + w * 0.5f;
  state->scissor.xform[5] = y + h * 0.5f;
  vgTransformMultiply(state->scissor.xform, state->xform);
  state->scissor.extent[0] = w * 0.5f;
  state->scissor.extent[1] = h * 0.5f;
}

void vgIntersectScissor(VGcontext* ctx, float x, float y, float w, float h)
{
  VGstate* state = vgGetState(ctx);
  if (state->scissor.extent[0] < 0.0f)
  {
    vgScissor(ctx, x, y, w, h);
    return;
  }
  // Carry the old scissor into the current local space; exact for axis-aligned transforms only.
  float pxform[6], invxform[6];
  std::memcpy(pxform, state->scissor.xform, sizeof(pxform));
  float ex = state->scissor.extent[0];
  float ey = state->scissor.extent[1];
  vgTransformInverse(invxform, state->xform);
  vgTransformMultiply(pxform, invxform);
  float tex = ex * std::fabs(pxform[0]) + ey * std::fabs(pxform[2]);
  float tey = ex * std::fabs(pxform[1]) + ey * std::fabs(pxform[3]);

  float ax = pxform[4] - tex, ay = pxform[5] - tey;
  float minx = std::max(ax, x);
  float miny = std::max(ay, y);
  float maxx = std::min(ax + tex * 2.0f, x + w);
  float maxy = std::min(ay + tey * 2.0f, y + h);
  vgScissor(ctx, minx, miny, std::max(0.0f, maxx - minx), std::max(0.0f, maxy - miny));
}

void vgResetScissor(VGcontext* ctx)
{
  VGstate* state = vgGetState(ctx);
  std::memset(state->scissor.xform, 0, sizeof(state->scissor.xform));
  state->scissor.extent[0] = -1.0f;
  state->scissor.extent[1] = -1.0f;
}

void vgFillColor(VGcontext* ctx, VGcolor color)
{
  vgGetState(ctx)->fill = vgColorPaint(color);
}

void vgStrokeColor(VGcontext* ctx, VGcolor color)
{
  vgGetState(ctx)->stroke = vgColorPaint(color);
}

void vgFillPaint(VGcontext* ctx, VGpaint paint)
{
  VGstate* state = vgGetState(ctx);
  state->fill = paint;
  vgTransformMultiply(state->fill.xform, state->xform);
}

void vgStrokePaint(VGcontext* ctx, VGpaint paint)
{
  VGstate* state = vgGetState(ctx);
  state->stroke = paint;
  vgTransformMultiply(state->stroke.xform, state->xform);
}

void vgSetOptions(VGcontext* ctx, const VGoptions& options)
{
  ctx->options = options;
  if (ctx->params.renderOptions) ctx->params.renderOptions(ctx->params.userPtr, &options);
}

const VGoptions& vgOptions(const VGcontext* ctx)
{
  return ctx->options;
}
} // namespace iplugin::igraphics
