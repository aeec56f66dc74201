#include "tests/support/VGrecordingRenderer.h"

#include <algorithm>
#include <cstring>

namespace iplugin::igraphics
{
namespace
{
VGrecordingRenderer* Self(void* uptr)
{
  return static_cast<VGrecordingRenderer*>(static_cast<MVGrecorder*>(uptr));
}

// Negative, NaN or huge sizes would make the conversion undefined.
unsigned PixelSize(float v)
{
  return v > 0.0f ? (v < 65536.0f ? (unsigned)v : 65536u) : 0u;
}

int BytesPerPixel(int type)
{
  return type == kVGTextureRGBA ? 4 : 1;
}
} // namespace

VGrecordingRenderer::VGrecordingRenderer(int flags) : MVGrecorder(flags)
{
  rec = &recording;
}

VGrecordingRenderer::~VGrecordingRenderer()
{
  FreeHeapRecording(recording);
}

VGrecordingRenderer* VGrecordingRenderer::Create(int flags)
{
  return new VGrecordingRenderer(flags);
}

VGcontext* VGrecordingRenderer::CreateContext(int flags, VGrecordingRenderer** renderer)
{
  VGrecordingRenderer* r = Create(flags);
  VGrenderParams params = r->Params();
  if (renderer) *renderer = r;
  VGcontext* ctx = vgCreateContext(&params);
  if (!ctx && renderer) *renderer = nullptr; // the failed creation deleted it
  return ctx;
}

VGrenderParams VGrecordingRenderer::Params()
{
  VGrenderParams p;
  std::memset(&p, 0, sizeof(p));
  p.userPtr = static_cast<MVGrecorder*>(this);
  p.edgeAntiAlias = (flags & kVGAntialias) ? 1 : 0;
  p.renderCreate = RenderCreate;
  p.renderCreateTexture = RenderCreateTexture;
  p.renderDeleteTexture = RenderDeleteTexture;
  p.renderUpdateTexture = RenderUpdateTexture;
  p.renderGetTextureSize = RenderGetTextureSize;
  p.renderViewport = RenderViewport;
  p.renderCancel = RenderCancel;
  p.renderFlush = RenderFlush;
  p.renderFill = MVGrecorder::RenderFill;
  p.renderStroke = MVGrecorder::RenderStroke;
  p.renderTriangles = MVGrecorder::RenderTriangles;
  p.renderDelete = RenderDelete;
  return p;
}

const VGrecordedTexture* VGrecordingRenderer::FindTexture(int image) const
{
  if (image == 0) return nullptr;
  for (const VGrecordedTexture& t : textures)
    if (t.id == image) return &t;
  return nullptr;
}

VGrecordedTexture* VGrecordingRenderer::findTexture(int image)
{
  return const_cast<VGrecordedTexture*>(static_cast<const VGrecordingRenderer*>(this)->FindTexture(image));
}

bool VGrecordingRenderer::resizeVerts(int capacity)
{
  if (vertexLimit >= 0 && capacity > vertexLimit) return false;
  return MVGrecorder::resizeVerts(capacity);
}

bool VGrecordingRenderer::textureTypeAndFlags(int image, int* type, int* imageFlags) const
{
  const VGrecordedTexture* t = FindTexture(image);
  if (!t) return false;
  *type = t->type;
  *imageFlags = t->flags;
  return true;
}

int VGrecordingRenderer::RenderCreate(void* uptr)
{
  VGrecordingRenderer* r = Self(uptr);
  r->log->push_back("renderCreate");
  return r->failCreate ? 0 : 1;
}

int VGrecordingRenderer::RenderCreateTexture(void* uptr, int type, int w, int h, int imageFlags,
                                             const unsigned char* data)
{
  VGrecordingRenderer* r = Self(uptr);
  r->log->push_back("renderCreateTexture");
  if (r->failTextures || w <= 0 || h <= 0) return 0;
  VGrecordedTexture* t = nullptr;
  for (VGrecordedTexture& slot : r->textures)
    if (slot.id == 0)
    {
      t = &slot;
      break;
    }
  if (!t) t = &r->textures.emplace_back();
  t->id = ++r->textureId;
  t->type = type;
  t->flags = imageFlags;
  t->width = w;
  t->height = h;
  size_t bytes = (size_t)w * h * BytesPerPixel(type);
  if (data)
    t->pixels.assign(data, data + bytes);
  else
    t->pixels.assign(bytes, 0);
  return t->id;
}

int VGrecordingRenderer::RenderDeleteTexture(void* uptr, int image)
{
  VGrecordingRenderer* r = Self(uptr);
  r->log->push_back("renderDeleteTexture");
  VGrecordedTexture* t = r->findTexture(image);
  if (!t) return 0;
  t->id = 0;
  t->flags = 0;
  t->pixels.clear();
  return 1;
}

int VGrecordingRenderer::RenderUpdateTexture(void* uptr, int image, int x, int y, int w, int h,
                                             const unsigned char* data)
{
  VGrecordingRenderer* r = Self(uptr);
  r->log->push_back("renderUpdateTexture");
  VGrecordedTexture* t = r->findTexture(image);
  if (!t) return 0;
  // Only the part of the region inside the texture is copied.
  int x0 = std::max(0, x), y0 = std::max(0, y);
  int x1 = std::min(t->width, x + w), y1 = std::min(t->height, y + h);
  if (!data || x0 >= x1 || y0 >= y1) return 1;
  int bpp = BytesPerPixel(t->type);
  size_t stride = (size_t)t->width * bpp;
  for (int row = y0; row < y1; row++)
    std::memcpy(t->pixels.data() + row * stride + x0 * bpp, data + row * stride + x0 * bpp,
                (size_t)(x1 - x0) * bpp);
  return 1;
}

int VGrecordingRenderer::RenderGetTextureSize(void* uptr, int image, int* w, int* h)
{
  VGrecordingRenderer* r = Self(uptr);
  r->log->push_back("renderGetTextureSize");
  VGrecordedTexture* t = r->findTexture(image);
  if (!t) return 0;
  *w = t->width;
  *h = t->height;
  return 1;
}

void VGrecordingRenderer::RenderViewport(void* uptr, float width, float height, float devicePixelRatio)
{
  VGrecordingRenderer* r = Self(uptr);
  r->log->push_back("renderViewport");
  r->inFrame = true;
  r->viewWidth = width;
  r->viewHeight = height;
  r->devicePixelRatio = devicePixelRatio;
  r->viewportPixelWidth = PixelSize(width * devicePixelRatio);
  r->viewportPixelHeight = PixelSize(height * devicePixelRatio);
}

void VGrecordingRenderer::RenderCancel(void* uptr)
{
  VGrecordingRenderer* r = Self(uptr);
  r->log->push_back("renderCancel");
  r->clearRecording();
  r->inFrame = false;
  r->cancelCount++;
}

void VGrecordingRenderer::RenderFlush(void* uptr)
{
  VGrecordingRenderer* r = Self(uptr);
  r->log->push_back("renderFlush");
  if (r->viewportPixelWidth == 0 || r->viewportPixelHeight == 0)
  {
    RenderCancel(uptr);
    return;
  }
  MVGrecording& rec = r->recording;
  VGrecordedFrame& f = r->lastFrame;
  f.width = r->viewWidth;
  f.height = r->viewHeight;
  f.devicePixelRatio = r->devicePixelRatio;
  f.calls.assign(rec.calls, rec.calls + rec.ncalls);
  f.verts.assign(rec.verts, rec.verts + rec.nverts);
  f.indexes.assign(rec.indexes, rec.indexes + rec.nindexes);
  f.uniforms.assign(rec.uniforms, rec.uniforms + (size_t)rec.nuniforms * r->fragSize);
  r->clearRecording();
  r->inFrame = false;
  r->flushCount++;
}

void VGrecordingRenderer::RenderDelete(void* uptr)
{
  VGrecordingRenderer* r = Self(uptr);
  r->log->push_back("renderDelete");
  delete r;
}
} // namespace iplugin::igraphics
