#include "graphics/vector/MVGrenderer.h"

#include <cstring>
#include <new>

#include "graphics/vector/MVGcontext.h"

namespace iplugin::igraphics
{
namespace
{
// The current framebuffer is process-wide and main-thread only.
MVGframebuffer* gCurrentFramebuffer = nullptr;

MVGcontext_vQorv_au* Self(void* uptr)
{
  return static_cast<MVGcontext_vQorv_au*>(static_cast<MVGrecorder*>(uptr));
}

MVGcontext_vQorv_au* Renderer(VGcontext* ctx)
{
  return ctx && ctx->params.renderCreate == MvgRenderCreate ? Self(ctx->params.userPtr) : nullptr;
}
} // namespace

MVGframebuffer* MvgCurrentFramebuffer()
{
  return gCurrentFramebuffer;
}
void MvgSetCurrentFramebuffer(MVGframebuffer* fb)
{
  gCurrentFramebuffer = fb;
}

VGcontext* MvgCreateContext(std::shared_ptr<CAMetalLayer> layer, int flags)
{
  auto* mtl = new MVGcontext_vQorv_au(std::move(layer), flags);
  VGrenderParams params;
  std::memset(&params, 0, sizeof(params));
  params.userPtr = static_cast<MVGrecorder*>(mtl);
  params.edgeAntiAlias = flags & kVGAntialias ? 1 : 0;
  params.sampledFills = params.edgeAntiAlias;
  params.renderCreate = MvgRenderCreate;
  params.renderCreateTexture = MvgRenderCreateTexture;
  params.renderDeleteTexture = MvgRenderDeleteTexture;
  params.renderUpdateTexture = MvgRenderUpdateTexture;
  params.renderGetTextureSize = MvgRenderGetTextureSize;
  params.renderViewport = MvgRenderViewport;
  params.renderCancel = MvgRenderCancel;
  params.renderFlush = MvgRenderFlush;
  params.renderFill = MvgRenderFill;
  params.renderStroke = MvgRenderStroke;
  params.renderTriangles = MvgRenderTriangles;
  params.renderDelete = MvgRenderDelete;
  params.renderOptions = MvgRenderOptions;
  return vgCreateContext(&params);
}

void MvgDelete(VGcontext* ctx)
{
  vgDeleteContext(ctx);
}

int MvgRenderCreate(void* uptr)
{
  return Self(uptr)->renderCreate();
}

int MvgRenderCreateTexture(void* uptr, int type, int width, int height, int imageFlags,
                           const unsigned char* data)
{
  return Self(uptr)->renderCreateTexture(type, width, height, imageFlags, data);
}

int MvgRenderDeleteTexture(void* uptr, int image)
{
  return Self(uptr)->renderDeleteTexture(image);
}

int MvgRenderUpdateTexture(void* uptr, int image, int x, int y, int width, int height,
                           const unsigned char* data)
{
  return Self(uptr)->renderUpdateTexture(image, x, y, width, height, data);
}

int MvgRenderGetTextureSize(void* uptr, int image, int* width, int* height)
{
  return Self(uptr)->renderGetTextureSize(image, width, height);
}

void MvgRenderViewport(void* uptr, float width, float height, float devicePixelRatio)
{
  Self(uptr)->renderViewport(width, height, devicePixelRatio);
}

void MvgRenderCancel(void* uptr)
{
  Self(uptr)->renderCancel();
}
void MvgRenderFlush(void* uptr)
{
  Self(uptr)->renderFlush();
}

void MvgRenderFill(void* uptr, const VGpaint* paint, VGcompositeOperationState compositeOperation,
                   const VGscissor* scissor, float fringe, const float* bounds, const VGpath* paths,
                   int npaths, int fillRule)
{
  Self(uptr)->renderFill(paint, compositeOperation, scissor, fringe, bounds, paths, npaths, fillRule);
}

void MvgRenderStroke(void* uptr, const VGpaint* paint, VGcompositeOperationState compositeOperation,
                     const VGscissor* scissor, float fringe, float strokeWidth, const VGpath* paths,
                     int npaths)
{
  Self(uptr)->renderStroke(paint, compositeOperation, scissor, fringe, strokeWidth, paths, npaths);
}

void MvgRenderTriangles(void* uptr, const VGpaint* paint, VGcompositeOperationState compositeOperation,
                        const VGscissor* scissor, const VGvertex* verts, int nverts, float fringe)
{
  Self(uptr)->renderTriangles(paint, compositeOperation, scissor, verts, nverts, fringe);
}

void MvgRenderDelete(void* uptr)
{
  MVGcontext_vQorv_au* mtl = Self(uptr);
  mtl->renderDelete();
  delete mtl;
}

void MvgRenderOptions(void* uptr, const VGoptions* options)
{
  Self(uptr)->renderOptions(*options);
}

MVGframebuffer* MvgFramebufferCreate(VGcontext* ctx, int width, int height, int imageFlags)
{
  if (!ctx) return nullptr;
  auto* fb = new (std::nothrow) MVGframebuffer{ctx, 0};
  if (!fb) return nullptr;
  fb->image = ctx->params.renderCreateTexture(ctx->params.userPtr, kVGTextureRGBA, width, height,
                                              imageFlags | kVGImagePremultiplied, nullptr);
  return fb;
}

void MvgFramebufferFree(MVGframebuffer* fb)
{
  if (!fb) return;
  if (fb->image > 0 && fb->ctx) fb->ctx->params.renderDeleteTexture(fb->ctx->params.userPtr, fb->image);
  if (gCurrentFramebuffer == fb) gCurrentFramebuffer = nullptr;
  delete fb;
}

void MvgNoteFrameChanges(VGcontext* ctx, const MVGpixelRect* rects, int n, bool whole)
{
  if (MVGcontext_vQorv_au* mtl = Renderer(ctx)) mtl->drawableChanges.Note(rects, n, whole);
}

void MvgClearWithColor(VGcontext* ctx, VGcolor c)
{
  if (MVGcontext_vQorv_au* mtl = Renderer(ctx))
  {
    mtl->clearColor[0] = c.r * c.a;
    mtl->clearColor[1] = c.g * c.a;
    mtl->clearColor[2] = c.b * c.a;
    mtl->clearColor[3] = c.a;
    mtl->clearBufferOnFlush = true;
  }
}

void MvgReadPixels(VGcontext* ctx, int image, int x, int y, int width, int height, void* data)
{
  if (MVGcontext_vQorv_au* mtl = Renderer(ctx)) mtl->readPixels(image, x, y, width, height, data);
}

std::shared_ptr<MTLCommandQueue> MvgCommandQueue(VGcontext* ctx)
{
  MVGcontext_vQorv_au* mtl = Renderer(ctx);
  return mtl ? mtl->commandQueue : nullptr;
}

std::shared_ptr<MTLDevice> MvgDevice(VGcontext* ctx)
{
  MVGcontext_vQorv_au* mtl = Renderer(ctx);
  return mtl && mtl->metalLayer ? mtl->metalLayer->device : nullptr;
}

std::shared_ptr<MTLTexture> MvgImageHandle(VGcontext* ctx, int image)
{
  MVGcontext_vQorv_au* mtl = Renderer(ctx);
  return mtl ? mtl->textureForImage(image) : nullptr;
}

int MvgCreateImageFromHandle(VGcontext* ctx, std::shared_ptr<MTLTexture> texture, int imageFlags)
{
  MVGcontext_vQorv_au* mtl = Renderer(ctx);
  return mtl ? mtl->imageFromTexture(std::move(texture), imageFlags) : 0;
}
} // namespace iplugin::igraphics
