// The GPU renderer behind VGrenderParams: the renderer object, its buffer sets and texture records.
// Everything runs on the main thread except each buffer set's completion handler, which runs on the
// GPU's thread, frees its set and signals the semaphore.
#pragma once

#include <Metal/Metal.h>
#include <QuartzCore/CAMetalLayer.h>
#include <dispatch/dispatch.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "graphics/vector/MVGcallBounds.h"
#include "graphics/vector/MVGdrawableChanges.h"
#include "graphics/vector/MVGrecording.h"
#include "graphics/vector/VGoptions.h"

namespace iplugin::igraphics
{
// One frame's storage: the recording (calls, indices, vertices, uniforms; the last three live in GPU
// buffers) and the frame's command buffer and stencil texture.
class MVGbuffers_vQorv_au
{
public:
  ~MVGbuffers_vQorv_au();

  std::shared_ptr<MTLCommandBuffer> commandBuffer; // guarded by mutex
  std::atomic<bool> isBusy{false};
  std::atomic<int> image{0}; // framebuffer image this set renders into; 0 = the drawable
  std::shared_ptr<MTLBuffer> viewSizeBuffer;
  std::shared_ptr<MTLTexture> stencilTexture;
  MVGrecording rec;
  std::shared_ptr<MTLBuffer> indexBuffer;
  std::shared_ptr<MTLBuffer> vertBuffer;
  std::shared_ptr<MTLBuffer> uniformBuffer;
  std::mutex mutex;

  std::shared_ptr<MTLCommandBuffer> CommandBuffer();
};

class MVGtexture_vQorv_au
{
public:
  int id = 0; // 0 = free record
  int type = 0;
  int flags = 0;
  std::shared_ptr<MTLTexture> tex;
  std::shared_ptr<MTLSamplerState> sampler;
};

class MVGcontext_vQorv_au final : public MVGrecorder
{
public:
  // Samples a pixel of the stencil holds where a sampled fill takes its coverage from them (VGrenderParams
  // sampledFills): 16 put a pixel on an upright edge within a 32nd of its covered share. A buffer set's
  // stencil is made with them for a frame that has such a fill, and with one sample again for the next frame
  // that has none: 16 bytes a pixel, held only while frames need them (one sample is cleared 16 times
  // faster too).
  static constexpr NSUInteger kStencilSamples = 16;
  NSUInteger stencilSamples(const MVGrecording& r) const;
  MVGcontext_vQorv_au(std::shared_ptr<CAMetalLayer> layer, int flags);
  ~MVGcontext_vQorv_au() override;

  bool clearBufferOnFlush = false;
  int textureId = 0;
  int maxBuffers = 1;
  std::shared_ptr<MTLCommandQueue> commandQueue;
  std::shared_ptr<CAMetalLayer> metalLayer;
  std::shared_ptr<MTLRenderCommandEncoder> renderEncoder;
  unsigned viewPortSize[2] = {0, 0};
  std::vector<std::unique_ptr<MVGtexture_vQorv_au>> textures;
  // The records last found, by id modulo the count: each bitmap's draw asks for its texture several times.
  static constexpr int kTextureSlots = 64;
  mutable MVGtexture_vQorv_au* textureSlots[kTextureSlots] = {};
  std::shared_ptr<MVGbuffers_vQorv_au> buffers;
  std::vector<std::shared_ptr<MVGbuffers_vQorv_au>> cbuffers;
  dispatch_semaphore_t semaphore = nullptr;
  MVGblend* blendFunc = nullptr;
  std::shared_ptr<MTLDepthStencilState> defaultStencilState, fillShapeStencilState,
      fillShapeEvenOddStencilState, fillAntiAliasStencilState, fillStencilState, strokeShapeStencilState,
      strokeAntiAliasStencilState, strokeClearStencilState;
  // A sampled fill's passes (MVGsampledFill.cpp).
  std::shared_ptr<MTLDepthStencilState> sampledFringeCountState, sampledFringeState, sampledShapeState,
      sampledShapeEvenOddState, sampledShapeUnmarkedState, sampledShapeUnmarkedEvenOddState, sampledEdgeState,
      sampledCoverState, sampledFringeAloneState;
  std::shared_ptr<MTLFunction> fragmentFunction, vertexFunction, edgeFragmentFunction;
  uint64_t piplelinePixelFormat = MTLPixelFormatInvalid;
  std::shared_ptr<MTLRenderPipelineState> pipelineState, stencilOnlyPipelineState;
  // Marks each sample of the multisampled stencil (a sampled fill's fan).
  std::shared_ptr<MTLRenderPipelineState> sampledStencilPipelineState;
  // Draws a sampled fill's fringe where one edge alone passes near a pixel, oriented by its samples.
  std::shared_ptr<MTLRenderPipelineState> sampledEdgePipelineState;
  std::shared_ptr<MTLSamplerState> pseudoSampler;
  std::shared_ptr<MTLTexture> pseudoTexture;
  std::shared_ptr<MTLVertexDescriptor> vertexDescriptor;
  double clearColor[4] = {0, 0, 0, 0};
  // What each drawable holds of the frames, so that a composite copies onto it only what it lacks.
  MVGdrawableChanges drawableChanges;
  // Kept between flushes: what a present carries.
  std::vector<MVGpixelRect> areasPresented;
  std::vector<MTLRegion> regionsPresented;
  MVGscissorBoundsCache scissorBounds;
  // The shortcuts to take; the GPU's part is handed to the device.
  VGoptions options;

  // Pipeline states made so far, one pair per blend and pixel format, so that alternating targets of
  // different formats do not rebuild them every frame.
  struct PipelineEntry
  {
    MVGblend blend;
    uint64_t pixelFormat;
    std::shared_ptr<MTLRenderPipelineState> pipeline, stencilOnly, sampledStencil, sampledEdge;
  };
  std::vector<PipelineEntry> pipelineCache;

  // The renderer methods behind the callbacks.
  int renderCreate();
  int renderCreateTexture(int type, int width, int height, int imageFlags, const unsigned char* data);
  int renderDeleteTexture(int image);
  int renderUpdateTexture(int image, int x, int y, int width, int height, const unsigned char* data);
  int renderGetTextureSize(int image, int* width, int* height);
  void renderViewport(float width, float height, float devicePixelRatio);
  void renderCancel();
  void renderFlush();
  void renderDelete();
  void renderOptions(const VGoptions& options);

  MVGtexture_vQorv_au* findTexture(int image) const;
  // The texture of an image id after the GPU finished writing it; null when not found.
  std::shared_ptr<MTLTexture> textureForImage(int image);
  // Copies a region of an image into data (rows of the full texture width apart).
  void readPixels(int image, int x, int y, int width, int height, void* data);
  // Makes an RGBA image id of an existing texture; 0 when no record could be made.
  int imageFromTexture(std::shared_ptr<MTLTexture> texture, int imageFlags);

protected:
  bool resizeVerts(int capacity) override;
  bool resizeIndexes(int capacity) override;
  bool resizeUniforms(int capacity) override;
  bool textureTypeAndFlags(int image, int* type, int* imageFlags) const override;

private:
  void checkError(const std::shared_ptr<NSError>& error, const char* message) const;
  MVGtexture_vQorv_au* allocTexture();
  std::shared_ptr<MTLDepthStencilState> stencilState(bool front, MTLCompareFunction compare,
                                                     MTLStencilOperation fail, MTLStencilOperation depthFail,
                                                     MTLStencilOperation pass, MTLStencilOperation backPass);
  void makeSampledFillStates();
  void encodeSampledFill(const MVGcall& call);
  // A fill's fan into the stencil, both faces, the states given; back faces culled after.
  void markFan(const MVGcall& call, const std::shared_ptr<MTLDepthStencilState>& marks,
               const std::shared_ptr<MTLRenderPipelineState>& pipeline);
  // After a fill's cover: the stencil cleared where its fan reached beyond the cover quad, and the default
  // stencil state set.
  void clearBeyondCover(const MVGcall& call);
  void updateRenderPipelineStates(const MVGblend& blend, uint64_t pixelFormat);
  void waitForImage(int image);
  std::shared_ptr<MTLRenderCommandEncoder>
  renderCommandEncoderWithColorTexture(const std::shared_ptr<MTLTexture>& colour,
                                       const std::shared_ptr<MTLTexture>& stencil, bool usesStencil);
  // Where a flush draws: the current framebuffer's image, or the drawable (toFramebuffer false; colour is
  // null until it is taken).
  struct FlushTarget
  {
    std::shared_ptr<MTLTexture> colour;
    NSUInteger width = 0, height = 0;
    bool toFramebuffer = false;
  };
  // False when the target has no pixels.
  bool flushTarget(FlushTarget& target);
  // The frame's command buffer, enqueued, whose completion frees the set.
  std::shared_ptr<MTLCommandBuffer> frameCommandBuffer(const std::shared_ptr<MVGbuffers_vQorv_au>& set);
  // The layer's next drawable, its texture into colour; where it lacks the frame (partial: only there) and
  // what its present will tell changed.
  std::shared_ptr<CAMetalDrawable> takeDrawable(const MVGbuffers_vQorv_au& set,
                                                std::shared_ptr<MTLTexture>& colour,
                                                std::vector<MVGpixelRect>& areas, bool& partial);
  // The set's calls into one render pass over colour, each within areas (partial: a call that meets none is
  // left out).
  void encodeCalls(const std::shared_ptr<MTLTexture>& colour, const MVGbuffers_vQorv_au& set,
                   const std::vector<MVGpixelRect>& areas, bool partial);
  // Where a call may change pixels of a target width by height.
  MVGpixelRect callBounds(const MVGcall& call, float ratioX, float ratioY, int width, int height);
  // Whether any call of the recording tests or marks the stencil.
  bool usesStencil(const MVGrecording& r) const;
  // Whether the call's image is sampled nearest.
  bool samplesNearest(const MVGcall& call);
  void setUniforms(int uniformOffset, int image);
  void encodeCall(const MVGcall& call);
  void encodeFill(const MVGcall& call);
  void encodeConvexFill(const MVGcall& call);
  void encodeStrip(const MVGcall& call);
  void encodeStroke(const MVGcall& call);
  void encodeTriangles(const MVGcall& call);

  std::shared_ptr<MTLDevice> device;
};
} // namespace iplugin::igraphics
