#include "graphics/vector/MVGcontext.h"

#include <QorvPlatform/Metal.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "graphics/vector/MVGcallBounds.h"
#include "graphics/vector/MVGrenderer.h"
#include "graphics/vector/MVGshaders.h"

namespace iplugin::igraphics
{
namespace
{
constexpr size_t kMaxPipelineEntries = 32;

int BytesPerPixel(int type)
{
  return type == kVGTextureAlpha ? 1 : 4;
}

// Replaces a GPU buffer by one of the given capacity, keeping the first used records.
template <class T>
bool GrowBuffer(MTLDevice& device, std::shared_ptr<MTLBuffer>& buffer, size_t stride, int used, int capacity,
                T*& contents, int& recordCapacity)
{
  if (capacity <= 0) return false;
  auto grown = device.newBufferWithLength(stride * capacity, MTLResourceStorageModeShared);
  if (!grown) return false;
  if (buffer && used > 0) std::memcpy(grown->contents(), buffer->contents(), stride * used);
  buffer = grown;
  contents = static_cast<T*>(buffer->contents());
  recordCapacity = capacity;
  return true;
}

// Filters by the nearest flag, address modes by the repeat flags.
MTLSamplerDescriptor SamplerFor(int imageFlags, bool mipmapped)
{
  MTLSamplerDescriptor s;
  bool nearest = (imageFlags & kVGImageNearest) != 0;
  s.minFilter = s.magFilter = nearest ? MTLSamplerMinMagFilterNearest : MTLSamplerMinMagFilterLinear;
  if (mipmapped) s.mipFilter = nearest ? MTLSamplerMipFilterNearest : MTLSamplerMipFilterLinear;
  s.sAddressMode =
      (imageFlags & kVGImageRepeatX) ? MTLSamplerAddressModeRepeat : MTLSamplerAddressModeClampToEdge;
  s.tAddressMode =
      (imageFlags & kVGImageRepeatY) ? MTLSamplerAddressModeRepeat : MTLSamplerAddressModeClampToEdge;
  return s;
}

// Frees a set after its frame completed or was given up.
void ReleaseSet(MVGbuffers_vQorv_au& set)
{
  set.image = 0;
  set.rec.nindexes = set.rec.nverts = set.rec.ncalls = set.rec.nuniforms = 0;
  set.isBusy = false;
}

bool SameBlend(const MVGblend& a, const MVGblend& b)
{
  return a.srcRGB == b.srcRGB && a.dstRGB == b.dstRGB && a.srcAlpha == b.srcAlpha && a.dstAlpha == b.dstAlpha;
}
} // namespace

MVGbuffers_vQorv_au::~MVGbuffers_vQorv_au()
{
  std::free(rec.calls);
}

std::shared_ptr<MTLCommandBuffer> MVGbuffers_vQorv_au::CommandBuffer()
{
  std::lock_guard<std::mutex> lock(mutex);
  return commandBuffer;
}

MVGcontext_vQorv_au::MVGcontext_vQorv_au(std::shared_ptr<CAMetalLayer> layer, int flags)
    : MVGrecorder(flags), metalLayer(std::move(layer))
{
  fragSize = kMVGFragSize;
  indexSize = 4;
}

MVGcontext_vQorv_au::~MVGcontext_vQorv_au()
{
  renderDelete();
}

void MVGcontext_vQorv_au::checkError(const std::shared_ptr<NSError>& error, const char* message) const
{
  if (error && (flags & kVGDebug))
    std::printf("Error occurs after %s: %s\n", message, error->localizedDescription().c_str());
}

std::shared_ptr<MTLDepthStencilState>
MVGcontext_vQorv_au::stencilState(bool front, MTLCompareFunction compare, MTLStencilOperation fail,
                                  MTLStencilOperation depthFail, MTLStencilOperation pass,
                                  MTLStencilOperation backPass)
{
  MTLDepthStencilDescriptor d;
  d.depthCompareFunction = MTLCompareFunctionAlways;
  if (front)
  {
    auto s = std::make_shared<MTLStencilDescriptor>();
    s->stencilCompareFunction = compare;
    s->stencilFailureOperation = fail;
    s->depthFailureOperation = depthFail;
    s->depthStencilPassOperation = pass;
    d.frontFaceStencil = s;
    if (backPass != MTLStencilOperationKeep)
    {
      auto b = std::make_shared<MTLStencilDescriptor>(*s);
      b->depthStencilPassOperation = backPass;
      d.backFaceStencil = b;
    }
  }
  return device->newDepthStencilStateWithDescriptor(d);
}

int MVGcontext_vQorv_au::renderCreate()
{
  if (!metalLayer) return 0;
  device = metalLayer->device;
  if (!device)
  {
    device = MTLCreateSystemDefaultDevice();
    metalLayer->device = device;
  }
  metalLayer->opaque = false;

  MvgRegisterShaderCode();
  dispatch_data_t data = dispatch_data_create(kMVGshaderLibrary, kMVGshaderLibrarySize, nullptr, [] {});
  std::shared_ptr<NSError> error;
  auto library = device->newLibraryWithData(data, &error);
  dispatch_release(data);
  checkError(error, "init library");
  if (!library) return 0;

  vertexFunction = library->newFunctionWithName("vertexShader");
  fragmentFunction =
      library->newFunctionWithName((flags & kVGAntialias) ? "fragmentShaderAA" : "fragmentShader");
  edgeFragmentFunction = library->newFunctionWithName("fragmentShaderEdge");
  commandQueue = device->newCommandQueue();

  maxBuffers = (flags & kVGTripleBuffer) ? 3 : (flags & kVGDoubleBuffer) ? 2 : 1;
  for (int i = 0; i < maxBuffers; ++i)
    cbuffers.push_back(std::make_shared<MVGbuffers_vQorv_au>());
  clearBufferOnFlush = false;
  semaphore = dispatch_semaphore_create(maxBuffers);

  vertexDescriptor = MTLVertexDescriptor::vertexDescriptor();
  vertexDescriptor->attributes[0] = {MTLVertexFormatFloat2, 0, 0};
  vertexDescriptor->attributes[1] = {MTLVertexFormatFloat2, 8, 0};
  vertexDescriptor->layouts[0].stride = sizeof(VGvertex);
  vertexDescriptor->layouts[0].stepFunction = MTLVertexStepFunctionPerVertex;

  textureId = 0;
  textures.clear();
  std::fill(std::begin(textureSlots), std::end(textureSlots), nullptr);
  pseudoSampler = device->newSamplerStateWithDescriptor(MTLSamplerDescriptor());
  blendFunc =
      new MVGblend{kMVGBlendOne, kMVGBlendOneMinusSourceAlpha, kMVGBlendOne, kMVGBlendOneMinusSourceAlpha};

  const auto keep = MTLStencilOperationKeep, zero = MTLStencilOperationZero;
  defaultStencilState = stencilState(false, MTLCompareFunctionAlways, keep, keep, keep, keep);
  fillShapeStencilState = stencilState(true, MTLCompareFunctionAlways, keep, keep,
                                       MTLStencilOperationIncrementWrap, MTLStencilOperationDecrementWrap);
  // Even-odd: every face flips the stencil, which ends up non-zero where the crossings are odd.
  fillShapeEvenOddStencilState = stencilState(true, MTLCompareFunctionAlways, keep, keep,
                                              MTLStencilOperationInvert, MTLStencilOperationInvert);
  fillAntiAliasStencilState = stencilState(true, MTLCompareFunctionEqual, keep, keep, zero, keep);
  fillStencilState = stencilState(true, MTLCompareFunctionNotEqual, zero, zero, zero, keep);
  strokeShapeStencilState =
      stencilState(true, MTLCompareFunctionEqual, keep, keep, MTLStencilOperationIncrementClamp, keep);
  strokeAntiAliasStencilState = stencilState(true, MTLCompareFunctionEqual, keep, keep, keep, keep);
  strokeClearStencilState = stencilState(true, MTLCompareFunctionAlways, zero, zero, zero, keep);
  makeSampledFillStates();
  return 1;
}

MVGtexture_vQorv_au* MVGcontext_vQorv_au::allocTexture()
{
  MVGtexture_vQorv_au* t = nullptr;
  for (auto& record : textures)
    if (record->id == 0)
    {
      t = record.get();
      break;
    }
  if (!t)
  {
    textures.push_back(std::make_unique<MVGtexture_vQorv_au>());
    t = textures.back().get();
  }
  *t = MVGtexture_vQorv_au();
  t->id = ++textureId;
  return t;
}

MVGtexture_vQorv_au* MVGcontext_vQorv_au::findTexture(int image) const
{
  if (image == 0) return nullptr;
  MVGtexture_vQorv_au*& slot = textureSlots[unsigned(image) % kTextureSlots];
  if (slot && slot->id == image) return slot;
  for (const auto& t : textures)
    if (t->id == image) return slot = t.get();
  return nullptr;
}

bool MVGcontext_vQorv_au::textureTypeAndFlags(int image, int* type, int* imageFlags) const
{
  const MVGtexture_vQorv_au* t = findTexture(image);
  if (!t) return false;
  *type = t->type;
  *imageFlags = t->flags;
  return true;
}

int MVGcontext_vQorv_au::renderCreateTexture(int type, int width, int height, int imageFlags,
                                             const unsigned char* data)
{
  if (!device || (type != kVGTextureAlpha && type != kVGTextureRGBA) || width <= 0 || height <= 0) return 0;
  MVGtexture_vQorv_au* t = allocTexture();
  t->type = type;
  t->flags = imageFlags;
  MTLPixelFormat format = type == kVGTextureAlpha ? MTLPixelFormatR8Unorm : MTLPixelFormatRGBA8Unorm;
  bool mipmapped = (imageFlags & kVGImageGenerateMipmaps) != 0;
  auto d = MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(format, width, height, mipmapped);
  d->usage =
      MTLTextureUsage(MTLTextureUsageShaderRead | MTLTextureUsageShaderWrite | MTLTextureUsageRenderTarget);
  t->tex = device->newTextureWithDescriptor(*d);
  if (!t->tex)
  {
    // No texture of that size: the record is freed and the failure reported, not an id without pixels.
    t->id = 0;
    t->flags = 0;
    return 0;
  }
  if (data)
  {
    NSUInteger bytesPerRow = (NSUInteger)width * BytesPerPixel(type);
    if (d->storageMode != MTLStorageModePrivate)
      t->tex->replaceRegion(MTLRegionMake2D(0, 0, width, height), 0, data, bytesPerRow);
    else
    {
      auto buffer = device->newBufferWithBytes(data, bytesPerRow * height, MTLResourceStorageModeShared);
      auto cb = commandQueue->commandBuffer();
      auto blit = cb->blitCommandEncoder();
      blit->copyFromBuffer(buffer, 0, bytesPerRow, bytesPerRow * height, MTLSizeMake(width, height, 1),
                           t->tex, 0, 0, MTLOriginMake(0, 0, 0));
      blit->endEncoding();
      cb->commit();
      cb->waitUntilCompleted();
    }
    if (mipmapped)
    {
      auto cb = commandQueue->commandBuffer();
      auto blit = cb->blitCommandEncoder();
      blit->generateMipmapsForTexture(t->tex);
      blit->endEncoding();
      cb->commit();
      cb->waitUntilCompleted();
    }
  }
  t->sampler = device->newSamplerStateWithDescriptor(SamplerFor(imageFlags, mipmapped));
  return t->id;
}

int MVGcontext_vQorv_au::imageFromTexture(std::shared_ptr<MTLTexture> texture, int imageFlags)
{
  if (!texture || !device) return 0;
  MVGtexture_vQorv_au* t = allocTexture();
  t->type = kVGTextureRGBA;
  t->flags = imageFlags;
  t->tex = std::move(texture);
  t->sampler = device->newSamplerStateWithDescriptor(SamplerFor(imageFlags, false));
  return t->id;
}

int MVGcontext_vQorv_au::renderDeleteTexture(int image)
{
  MVGtexture_vQorv_au* t = findTexture(image);
  if (!t) return 0;
  if (!(t->flags & kVGImageNoDelete))
  {
    t->tex.reset();
    t->sampler.reset();
  }
  t->id = 0;
  t->flags = 0;
  return 1;
}

int MVGcontext_vQorv_au::renderUpdateTexture(int image, int x, int y, int width, int height,
                                             const unsigned char* data)
{
  MVGtexture_vQorv_au* t = findTexture(image);
  if (!t) return 0;
  if (!t->tex || !data) return 1;
  // The region is clipped to the texture so that a stray rectangle never reads outside data.
  int tw = (int)t->tex->width(), th = (int)t->tex->height();
  int x0 = std::clamp(x, 0, tw), y0 = std::clamp(y, 0, th);
  int x1 = std::clamp(x + std::max(width, 0), x0, tw), y1 = std::clamp(y + std::max(height, 0), y0, th);
  if (x1 <= x0 || y1 <= y0) return 1;
  int bpp = BytesPerPixel(t->type);
  size_t bytesPerRow = (size_t)tw * bpp;
  const unsigned char* source = data + (size_t)y0 * bytesPerRow + (size_t)x0 * bpp;
  t->tex->replaceRegion(MTLRegionMake2D(x0, y0, x1 - x0, y1 - y0), 0, source, bytesPerRow);
  return 1;
}

int MVGcontext_vQorv_au::renderGetTextureSize(int image, int* width, int* height)
{
  MVGtexture_vQorv_au* t = findTexture(image);
  if (!t || !t->tex) return 0;
  *width = (int)t->tex->width();
  *height = (int)t->tex->height();
  return 1;
}

void MVGcontext_vQorv_au::renderViewport(float width, float height, float devicePixelRatio)
{
  viewPortSize[0] = (unsigned)(width * devicePixelRatio);
  viewPortSize[1] = (unsigned)(height * devicePixelRatio);
  if (!semaphore) return;
  // A frame still being recorded is given up before another set is taken, so no set leaks.
  if (buffers) renderCancel();
  dispatch_semaphore_wait(semaphore, DISPATCH_TIME_FOREVER);
  for (auto& set : cbuffers)
    if (!set->isBusy)
    {
      buffers = set;
      break;
    }
  if (!buffers)
  {
    dispatch_semaphore_signal(semaphore);
    rec = nullptr;
    return;
  }
  buffers->isBusy = true;
  rec = &buffers->rec;
  if (!buffers->viewSizeBuffer)
    buffers->viewSizeBuffer = device->newBufferWithLength(2 * sizeof(float), MTLResourceStorageModeShared);
  float size[2] = {width, height};
  std::memcpy(buffers->viewSizeBuffer->contents(), size, sizeof(size));
}

bool MVGcontext_vQorv_au::resizeVerts(int capacity)
{
  return buffers && GrowBuffer(*device, buffers->vertBuffer, sizeof(VGvertex), rec->nverts, capacity,
                               rec->verts, rec->cverts);
}

bool MVGcontext_vQorv_au::resizeIndexes(int capacity)
{
  return buffers && GrowBuffer(*device, buffers->indexBuffer, indexSize, rec->nindexes, capacity,
                               rec->indexes, rec->cindexes);
}

bool MVGcontext_vQorv_au::resizeUniforms(int capacity)
{
  return buffers && GrowBuffer(*device, buffers->uniformBuffer, fragSize, rec->nuniforms, capacity,
                               rec->uniforms, rec->cuniforms);
}

void MVGcontext_vQorv_au::renderCancel()
{
  if (!buffers) return;
  ReleaseSet(*buffers);
  buffers.reset();
  rec = nullptr;
  dispatch_semaphore_signal(semaphore);
}

void MVGcontext_vQorv_au::updateRenderPipelineStates(const MVGblend& blend, uint64_t pixelFormat)
{
  if (pipelineState && stencilOnlyPipelineState && sampledStencilPipelineState && sampledEdgePipelineState &&
      piplelinePixelFormat == pixelFormat && blendFunc && SameBlend(*blendFunc, blend))
    return;
  *blendFunc = blend;
  piplelinePixelFormat = pixelFormat;
  for (const PipelineEntry& e : pipelineCache)
    if (e.pixelFormat == pixelFormat && SameBlend(e.blend, blend))
    {
      pipelineState = e.pipeline;
      stencilOnlyPipelineState = e.stencilOnly;
      sampledStencilPipelineState = e.sampledStencil;
      sampledEdgePipelineState = e.sampledEdge;
      return;
    }

  MTLRenderPipelineDescriptor d;
  auto& colour = d.colorAttachments[0];
  colour.pixelFormat = (MTLPixelFormat)pixelFormat;
  d.stencilAttachmentPixelFormat = MTLPixelFormatStencil8;
  d.fragmentFunction = fragmentFunction;
  d.vertexFunction = vertexFunction;
  d.vertexDescriptor = vertexDescriptor;
  colour.blendingEnabled = true;
  colour.sourceRGBBlendFactor = (MTLBlendFactor)blend.srcRGB;
  colour.sourceAlphaBlendFactor = (MTLBlendFactor)blend.srcAlpha;
  colour.destinationRGBBlendFactor = (MTLBlendFactor)blend.dstRGB;
  colour.destinationAlphaBlendFactor = (MTLBlendFactor)blend.dstAlpha;
  std::shared_ptr<NSError> error;
  pipelineState = device->newRenderPipelineStateWithDescriptor(d, &error);
  checkError(error, "init pipeline state");
  d.fragmentFunction = edgeFragmentFunction;
  error.reset();
  sampledEdgePipelineState = device->newRenderPipelineStateWithDescriptor(d, &error);
  checkError(error, "init pipeline sampled edge state");
  d.fragmentFunction = nullptr;
  colour.writeMask = MTLColorWriteMaskNone;
  error.reset();
  stencilOnlyPipelineState = device->newRenderPipelineStateWithDescriptor(d, &error);
  checkError(error, "init pipeline stencil only state");
  d.rasterSampleCount = kStencilSamples;
  error.reset();
  sampledStencilPipelineState = device->newRenderPipelineStateWithDescriptor(d, &error);
  checkError(error, "init pipeline sampled stencil state");
  if (pipelineState && stencilOnlyPipelineState && sampledStencilPipelineState && sampledEdgePipelineState)
  {
    if (pipelineCache.size() >= kMaxPipelineEntries) pipelineCache.erase(pipelineCache.begin());
    pipelineCache.push_back(PipelineEntry{blend, pixelFormat, pipelineState, stencilOnlyPipelineState,
                                          sampledStencilPipelineState, sampledEdgePipelineState});
  }
}

std::shared_ptr<MTLRenderCommandEncoder> MVGcontext_vQorv_au::renderCommandEncoderWithColorTexture(
    const std::shared_ptr<MTLTexture>& colour, const std::shared_ptr<MTLTexture>& stencil, bool usesStencil)
{
  auto pass = MTLRenderPassDescriptor::renderPassDescriptor();
  auto& c = pass->colorAttachments[0];
  c.texture = colour;
  if (clearBufferOnFlush)
  {
    c.loadAction = MTLLoadActionClear;
    c.clearColor = MTLClearColorMake(clearColor[0], clearColor[1], clearColor[2], clearColor[3]);
  }
  else
    c.loadAction = MTLLoadActionLoad;
  c.storeAction = MTLStoreActionStore;
  clearBufferOnFlush = false;
  pass->stencilAttachment.texture = stencil;
  // A pass whose calls never test or mark the stencil need not clear it.
  pass->stencilAttachment.loadAction =
      usesStencil || !options.unclearedStencil ? MTLLoadActionClear : MTLLoadActionDontCare;
  pass->stencilAttachment.clearStencil = 0;
  pass->stencilAttachment.storeAction = MTLStoreActionDontCare;

  auto encoder = buffers->CommandBuffer()->renderCommandEncoderWithDescriptor(*pass);
  encoder->setCullMode(MTLCullModeBack);
  encoder->setFrontFacingWinding(MTLWindingCounterClockwise);
  encoder->setStencilReferenceValue(0);
  encoder->setViewport(MTLViewport{0, 0, (double)viewPortSize[0], (double)viewPortSize[1], 0, 1});
  encoder->setVertexBuffer(buffers->vertBuffer, 0, 0);
  encoder->setVertexBuffer(buffers->viewSizeBuffer, 0, 1);
  encoder->setFragmentBuffer(buffers->uniformBuffer, 0, 0);
  return encoder;
}

void MVGcontext_vQorv_au::renderFlush()
{
  if (!buffers) return;
  if (viewPortSize[0] == 0 || viewPortSize[1] == 0)
  {
    renderCancel();
    return;
  }
  // The device may serve other contexts too: its draws from here on take this one's shortcuts.
  QorvMetalSetOptions(*device, options.gpu);
  FlushTarget target;
  if (!flushTarget(target))
  {
    renderCancel();
    return;
  }
  auto set = buffers;
  auto commandBuffer = frameCommandBuffer(set);
  const NSUInteger samples = stencilSamples(set->rec);
  if (!set->stencilTexture || set->stencilTexture->width() < target.width ||
      set->stencilTexture->height() < target.height || set->stencilTexture->sampleCount() != samples)
  {
    auto d = MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormatStencil8, target.width,
                                                                      target.height, false);
    d->sampleCount = samples;
    if (d->sampleCount > 1) d->textureType = MTLTextureType2DMultisample;
    d->usage = MTLTextureUsageRenderTarget;
    d->storageMode = MTLStorageModePrivate;
    set->stencilTexture = device->newTextureWithDescriptor(*d);
  }
  // Where the calls may draw: the whole target, or only where a drawable lacks the frame it is composited.
  std::vector<MVGpixelRect> areas;
  bool partial = false;
  std::shared_ptr<CAMetalDrawable> drawable;
  if (!target.toFramebuffer) drawable = takeDrawable(*set, target.colour, areas, partial);
  const std::shared_ptr<MTLTexture>& colour = target.colour;
  if (!partial && colour) areas.assign(1, MVGpixelRect{0, 0, (int)colour->width(), (int)colour->height()});
  // Without a target (no drawable came) the empty command buffer still runs, which frees the set.
  if (colour && set->stencilTexture) encodeCalls(colour, *set, areas, partial);

  if (drawable && !metalLayer->presentsWithTransaction) commandBuffer->presentDrawable(drawable);
  if (target.toFramebuffer && colour)
  {
    auto blit = commandBuffer->blitCommandEncoder();
    blit->synchronizeResource(colour);
    blit->endEncoding();
  }
  buffers.reset();
  rec = nullptr;
  commandBuffer->commit();
  if (drawable && metalLayer->presentsWithTransaction)
  {
    commandBuffer->waitUntilScheduled();
    drawable->present();
  }
}

bool MVGcontext_vQorv_au::flushTarget(FlushTarget& target)
{
  target.width = viewPortSize[0], target.height = viewPortSize[1];
  MVGframebuffer* fb = MvgCurrentFramebuffer();
  target.toFramebuffer = fb && fb->ctx && fb->ctx->params.userPtr == static_cast<MVGrecorder*>(this);
  if (target.toFramebuffer)
  {
    buffers->image = fb->image;
    MVGtexture_vQorv_au* t = findTexture(fb->image);
    target.colour = t ? t->tex : nullptr;
    target.width = target.colour ? target.colour->width() : 0;
    target.height = target.colour ? target.colour->height() : 0;
  }
  return target.width != 0 && target.height != 0;
}

std::shared_ptr<MTLCommandBuffer>
MVGcontext_vQorv_au::frameCommandBuffer(const std::shared_ptr<MVGbuffers_vQorv_au>& set)
{
  auto commandBuffer = commandQueue->commandBuffer();
  {
    std::lock_guard<std::mutex> lock(set->mutex);
    set->commandBuffer = commandBuffer;
  }
  commandBuffer->enqueue();
  // The handler keeps the set and the semaphore alive until it has run.
  dispatch_semaphore_t sem = semaphore;
  dispatch_retain(sem);
  commandBuffer->addCompletedHandler(
      [set, sem](MTLCommandBuffer*)
      {
        {
          std::lock_guard<std::mutex> lock(set->mutex);
          set->commandBuffer.reset();
        }
        set->image = 0;
        set->rec.nindexes = set->rec.nverts = set->rec.ncalls = set->rec.nuniforms = 0;
        set->isBusy = false;
        dispatch_semaphore_signal(sem);
        dispatch_release(sem);
      });
  return commandBuffer;
}

std::shared_ptr<CAMetalDrawable> MVGcontext_vQorv_au::takeDrawable(const MVGbuffers_vQorv_au& set,
                                                                   std::shared_ptr<MTLTexture>& colour,
                                                                   std::vector<MVGpixelRect>& areas,
                                                                   bool& partial)
{
  std::shared_ptr<CAMetalDrawable> drawable = metalLayer->nextDrawable();
  colour = drawable ? drawable->texture() : nullptr;
  const bool composite = drawableChanges.TakeComposite();
  if (colour && composite)
    partial = drawableChanges.Areas(colour, (int)colour->width(), (int)colour->height(), areas) &&
              !clearBufferOnFlush;
  else if (colour)
    drawableChanges.Forget(colour.get());
  // The present tells the layer where this frame differs from the one shown before, so that whoever shows
  // the layer copies only that.
  if (drawable && drawableChanges.PresentedChanges(composite && !clearBufferOnFlush,
                                                   colour && set.stencilTexture, areasPresented))
  {
    regionsPresented.clear();
    for (const MVGpixelRect& r : areasPresented)
    {
      const int x0 = std::max(r.x0, 0), y0 = std::max(r.y0, 0);
      if (r.x1 > x0 && r.y1 > y0)
        regionsPresented.push_back(MTLRegionMake2D((NSUInteger)x0, (NSUInteger)y0, (NSUInteger)(r.x1 - x0),
                                                   (NSUInteger)(r.y1 - y0)));
    }
    drawable->setChangedRegions(regionsPresented.data(), regionsPresented.size());
  }
  return drawable;
}

void MVGcontext_vQorv_au::waitForImage(int image)
{
  for (auto& set : cbuffers)
    if (set->isBusy && set->image == image)
      if (auto cb = set->CommandBuffer()) cb->waitUntilCompleted();
}

std::shared_ptr<MTLTexture> MVGcontext_vQorv_au::textureForImage(int image)
{
  MVGtexture_vQorv_au* t = findTexture(image);
  if (!t) return nullptr;
  waitForImage(image);
  return t->tex;
}

void MVGcontext_vQorv_au::readPixels(int image, int x, int y, int width, int height, void* data)
{
  MVGtexture_vQorv_au* t = findTexture(image);
  if (!t || !t->tex || !data || x < 0 || y < 0 || width <= 0 || height <= 0) return;
  NSUInteger bytesPerRow = t->tex->width() * BytesPerPixel(t->type);
  waitForImage(image);
  t->tex->getBytes(data, bytesPerRow, MTLRegionMake2D(x, y, width, height), 0);
}

void MVGcontext_vQorv_au::renderOptions(const VGoptions& o)
{
  options = o;
}

void MVGcontext_vQorv_au::renderDelete()
{
  // Frames in flight finish first; their handlers hold what they touch.
  for (auto& set : cbuffers)
    if (auto cb = set->CommandBuffer()) cb->waitUntilCompleted();
  if (buffers) renderCancel();
  cbuffers.clear();
  for (auto& t : textures)
  {
    t->tex.reset();
    t->sampler.reset();
  }
  textures.clear();
  std::fill(std::begin(textureSlots), std::end(textureSlots), nullptr);
  delete blendFunc;
  blendFunc = nullptr;
  commandQueue.reset();
  fragmentFunction.reset();
  edgeFragmentFunction.reset();
  vertexFunction.reset();
  defaultStencilState.reset();
  fillShapeStencilState.reset();
  fillShapeEvenOddStencilState.reset();
  fillAntiAliasStencilState.reset();
  fillStencilState.reset();
  strokeShapeStencilState.reset();
  strokeAntiAliasStencilState.reset();
  strokeClearStencilState.reset();
  for (auto* s :
       {&sampledFringeCountState, &sampledFringeState, &sampledShapeState, &sampledShapeEvenOddState,
        &sampledShapeUnmarkedState, &sampledShapeUnmarkedEvenOddState, &sampledEdgeState, &sampledCoverState})
    s->reset();
  pipelineState.reset();
  stencilOnlyPipelineState.reset();
  sampledStencilPipelineState.reset();
  sampledEdgePipelineState.reset();
  pipelineCache.clear();
  pseudoSampler.reset();
  pseudoTexture.reset();
  vertexDescriptor.reset();
  if (semaphore)
  {
    dispatch_release(semaphore);
    semaphore = nullptr;
  }
  if (metalLayer)
  {
    metalLayer->device.reset();
    metalLayer.reset();
  }
  device.reset();
}
} // namespace iplugin::igraphics
