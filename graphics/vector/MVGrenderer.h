// Entry points of the GPU renderer: a vector context drawing into a Metal layer or into off-screen
// framebuffers, with up to three frames in flight. Main thread only.
#pragma once

#include <Metal/Metal.h>
#include <QuartzCore/CAMetalLayer.h>

#include <memory>

#include "graphics/vector/MVGcallBounds.h"
#include "graphics/vector/VGcontext.h"

namespace iplugin::igraphics
{
// An off-screen render target: its context and the image id of its RGBA texture.
struct MVGframebuffer
{
  VGcontext* ctx;
  int image;
};

// A context on a new renderer for the layer, or null when the renderer could not be made (e.g. no
// shader library). flags: EVGcreateFlags.
VGcontext* MvgCreateContext(std::shared_ptr<CAMetalLayer> layer, int flags);
void MvgDelete(VGcontext* ctx);

// The callbacks of VGrenderParams; the user pointer is the renderer.
int MvgRenderCreate(void* uptr);
int MvgRenderCreateTexture(void* uptr, int type, int width, int height, int imageFlags,
                           const unsigned char* data);
int MvgRenderDeleteTexture(void* uptr, int image);
int MvgRenderUpdateTexture(void* uptr, int image, int x, int y, int width, int height,
                           const unsigned char* data);
int MvgRenderGetTextureSize(void* uptr, int image, int* width, int* height);
void MvgRenderViewport(void* uptr, float width, float height, float devicePixelRatio);
void MvgRenderCancel(void* uptr);
void MvgRenderFlush(void* uptr);
void MvgRenderFill(void* uptr, const VGpaint* paint, VGcompositeOperationState compositeOperation,
                   const VGscissor* scissor, float fringe, const float* bounds, const VGpath* paths,
                   int npaths, int fillRule);
void MvgRenderStroke(void* uptr, const VGpaint* paint, VGcompositeOperationState compositeOperation,
                     const VGscissor* scissor, float fringe, float strokeWidth, const VGpath* paths,
                     int npaths);
void MvgRenderTriangles(void* uptr, const VGpaint* paint, VGcompositeOperationState compositeOperation,
                        const VGscissor* scissor, const VGvertex* verts, int nverts, float fringe);
void MvgRenderDelete(void* uptr);
void MvgRenderOptions(void* uptr, const VGoptions* options);

// Framebuffers: an RGBA texture made with imageFlags | premultiplied; null when out of memory.
MVGframebuffer* MvgFramebufferCreate(VGcontext* ctx, int width, int height, int imageFlags);
// Deletes the texture and the record; null is ignored.
void MvgFramebufferFree(MVGframebuffer* fb);
// Where the next flushes draw: a framebuffer, or null for the layer's next drawable. Process-wide.
void MvgSetCurrentFramebuffer(MVGframebuffer* fb);
MVGframebuffer* MvgCurrentFramebuffer();

// The next flush onto the layer's drawable composites a new frame that changed since the one before only
// within rects (drawable pixels), or anywhere when whole: that flush draws only where its drawable lacks it.
void MvgNoteFrameChanges(VGcontext* ctx, const MVGpixelRect* rects, int n, bool whole);
// The next flush clears its target to this colour first.
void MvgClearWithColor(VGcontext* ctx, VGcolor color);
// Copies the region (x, y, w, h) of an image into data, rows a full texture width apart, after any GPU
// work that renders into the image has finished.
void MvgReadPixels(VGcontext* ctx, int image, int x, int y, int width, int height, void* data);

// Also offered: the renderer's queue and device, the texture of an image id (after pending GPU work
// into it), and an existing RGBA texture wrapped as a new image id (0 on failure).
std::shared_ptr<MTLCommandQueue> MvgCommandQueue(VGcontext* ctx);
std::shared_ptr<MTLDevice> MvgDevice(VGcontext* ctx);
std::shared_ptr<MTLTexture> MvgImageHandle(VGcontext* ctx, int image);
int MvgCreateImageFromHandle(VGcontext* ctx, std::shared_ptr<MTLTexture> texture, int imageFlags);
} // namespace iplugin::igraphics
