// The renderer interface of the vector context: a table of callbacks through which the context hands
// its geometry, paints, scissors and blend states to a GPU renderer. Free of platform types.
// Everything is called on the main thread. Each frame: renderViewport, recording calls
// (renderFill, renderStroke, renderTriangles), then renderFlush or renderCancel.
#pragma once

#include "graphics/vector/VGpaint.h"
#include "graphics/vector/VGpath.h"

namespace iplugin::igraphics
{
struct VGoptions;

// Creation flags of a renderer and its context.
enum EVGcreateFlags
{
  kVGAntialias = 1,      // fringes are tessellated; the anti-aliasing fragment variant is used
  kVGStencilStrokes = 2, // overlapping parts of one stroke are covered once
  kVGDebug = 4,          // errors while making shaders or pipelines are printed
  kVGDoubleBuffer = 0x1000,
  kVGTripleBuffer = 0x2000 // takes precedence over double buffering
};

enum EVGtexture
{
  kVGTextureAlpha = 1, // one byte per pixel
  kVGTextureRGBA = 2   // four bytes per pixel, red first
};

enum EVGimageFlags
{
  kVGImageGenerateMipmaps = 1,
  kVGImageRepeatX = 2,
  kVGImageRepeatY = 4,
  kVGImageFlipY = 8, // rows run bottom to top
  kVGImagePremultiplied = 16,
  kVGImageNearest = 32,
  kVGImageNoDelete = 65536 // deleting forgets the record, the pixel storage stays
};

// Blend factors travel as single bits.
enum EVGblendFactor
{
  kVGZero = 1 << 0,
  kVGOne = 1 << 1,
  kVGSrcColor = 1 << 2,
  kVGOneMinusSrcColor = 1 << 3,
  kVGDstColor = 1 << 4,
  kVGOneMinusDstColor = 1 << 5,
  kVGSrcAlpha = 1 << 6,
  kVGOneMinusSrcAlpha = 1 << 7,
  kVGDstAlpha = 1 << 8,
  kVGOneMinusDstAlpha = 1 << 9,
  kVGSrcAlphaSaturate = 1 << 10
};

struct VGcompositeOperationState
{
  int srcRGB;
  int dstRGB;
  int srcAlpha;
  int dstAlpha;
};

// xform maps the scissor's centre-based space to device space; extent is its half size.
// An extent component below -0.5 means no scissor.
struct VGscissor
{
  float xform[6];
  float extent[2];
};

struct VGrenderParams
{
  void* userPtr;
  int edgeAntiAlias; // 1: the context tessellates anti-alias fringes
  // 1: the renderer counts coverage in a multisampled stencil: an anti-aliased fill that is not one convex
  // outline is given with its paths marked sampled, their fans on the paths themselves and their fringes
  // straddling them (edgesBySamples where vgSampledFringeHolds says no), and each pixel gets its ink once,
  // whatever the winding (MVGsampledFill.cpp).
  int sampledFills;

  // Nonzero on success; called once, first.
  int (*renderCreate)(void* uptr);
  // Positive image id, 0 on failure. data (rows of exactly w x bytes per pixel) may be null.
  int (*renderCreateTexture)(void* uptr, int type, int w, int h, int imageFlags, const unsigned char* data);
  int (*renderDeleteTexture)(void* uptr, int image);
  // data spans the whole texture; the region (x, y, w, h) of it is copied into the same region.
  int (*renderUpdateTexture)(void* uptr, int image, int x, int y, int w, int h, const unsigned char* data);
  int (*renderGetTextureSize)(void* uptr, int image, int* w, int* h);
  // Starts a frame; vertex positions are measured in (width, height).
  void (*renderViewport)(void* uptr, float width, float height, float devicePixelRatio);
  void (*renderCancel)(void* uptr);
  void (*renderFlush)(void* uptr);
  // bounds: min x, min y, max x, max y of all fill vertices.
  // fillRule: EVGfillRule (0 non-zero, 1 even-odd).
  void (*renderFill)(void* uptr, const VGpaint* paint, VGcompositeOperationState compositeOperation,
                     const VGscissor* scissor, float fringe, const float* bounds, const VGpath* paths,
                     int npaths, int fillRule);
  void (*renderStroke)(void* uptr, const VGpaint* paint, VGcompositeOperationState compositeOperation,
                       const VGscissor* scissor, float fringe, float strokeWidth, const VGpath* paths,
                       int npaths);
  void (*renderTriangles)(void* uptr, const VGpaint* paint, VGcompositeOperationState compositeOperation,
                          const VGscissor* scissor, const VGvertex* verts, int nverts, float fringe);
  // Releases every GPU object and the renderer object itself.
  void (*renderDelete)(void* uptr);
  // Optional (null): the shortcuts to take from now on (vgSetOptions).
  void (*renderOptions)(void* uptr, const VGoptions* options);
};
} // namespace iplugin::igraphics
