// Helpers of the software GPU tests: shaders that work in pixel coordinates, and a small harness that draws
// triangles into a colour and a stencil texture with a chosen pipeline and stencil state.
#pragma once

#include <QorvPlatform/Metal.h>
#include <QorvPlatform/MetalShaders.h>

#include <cstring>
#include <vector>

namespace gputest
{
// Vertex: x, y in pixels (y down) and u, v, at 16 bytes a vertex in buffer 0; buffer 1 holds the target size.
struct Vertex
{
  float x, y, u, v;
};

// Its position form, for draws that read no varyings.
inline void PixelPosition(const QorvVertexIn& in, QorvVertexOut& out)
{
  float size[2] = {1, 1};
  if (in.buffers[1].length >= 8) std::memcpy(size, in.buffers[1].data, 8);
  out.position[0] = 2 * in.attributes[0][0] / size[0] - 1;
  out.position[1] = 1 - 2 * in.attributes[0][1] / size[1];
  out.position[2] = 0;
  out.position[3] = 1;
}
inline void PixelVertex(const QorvVertexIn& in, QorvVertexOut& out)
{
  PixelPosition(in, out);
  out.varyings[0] = in.attributes[1][0];
  out.varyings[1] = in.attributes[1][1];
}

// The colour in fragment buffer 0.
inline bool SolidFragment(const QorvFragmentIn& in, float colour[4])
{
  std::memcpy(colour, in.buffers[0].data, 16);
  return true;
}

// Discards the left half of a 16 pixel wide target, else the colour in buffer 0.
inline bool DiscardLeftFragment(const QorvFragmentIn& in, float colour[4])
{
  if (in.position[0] < 8) return false;
  return SolidFragment(in, colour);
}

// The texture in slot 0 at the interpolated (u, v).
inline bool TextureFragment(const QorvFragmentIn& in, float colour[4])
{
  QorvSampleTexture(in.textures[0], in.samplers[0], in.varyings[0], in.varyings[1], colour);
  return true;
}

// The solid and texture shaders again, as span functions: they must draw what the per-fragment ones draw.
inline void SolidSpan(const QorvFragmentSpanIn& in, float (*colour)[4], unsigned char* keep)
{
  for (int i = 0; i < in.count; ++i)
  {
    keep[i] = 1;
    if (colour) std::memcpy(colour[i], in.buffers[0].data, 16);
  }
}

// The solid shader's span is one colour throughout.
inline QorvSpanKind SolidAsk(const QorvFragmentSpanIn& in, const float (*)[kQorvMaxVaryings], int rows,
                             unsigned wants, QorvSpanAnswer& answer)
{
  answer = QorvSpanAnswer{};
  if (rows == 0 && (wants & QorvWants(QorvSpanKind::kOneColour)))
  {
    std::memcpy(answer.colour, in.buffers[0].data, 16);
    answer.kind = QorvSpanKind::kOneColour;
  }
  return answer.kind;
}

inline void TextureSpan(const QorvFragmentSpanIn& in, float (*colour)[4], unsigned char* keep)
{
  std::memset(keep, 1, (size_t)in.count);
  if (colour)
    QorvSampleTextureSpan(in.textures[0], in.samplers[0], in.varyings[0], in.varyings[1], in.count, colour);
}

// Grey of the share of the fragment's samples that passed the stencil test, read after it.
inline void CoverageShareSpan(const QorvFragmentSpanIn& in, float (*colour)[4], unsigned char* keep)
{
  for (int i = 0; i < in.count; ++i)
  {
    keep[i] = 1;
    const float share = in.samplesPassed ? (float)in.samplesPassed[i] / (float)in.samples : -1.0f;
    if (colour) colour[i][0] = colour[i][1] = colour[i][2] = share, colour[i][3] = 1.0f;
  }
}

// The same share, of the red in buffer 0 as a draw form gave it, or of a quarter without that form's
// constants; the forms it made are counted.
inline int coverageDrawForms = 0;
inline int CoverageDrawForm(const QorvShaderBuffer* buffers, const MTLTexture* const*,
                            unsigned char* constants)
{
  ++coverageDrawForms;
  std::memcpy(constants, buffers[0].data, sizeof(float));
  return 0;
}
inline void CoverageDrawnSpan(const QorvFragmentSpanIn& in, float (*colour)[4], unsigned char* keep)
{
  float red = 0.25f;
  if (in.drawConstants) std::memcpy(&red, in.drawConstants, sizeof red);
  CoverageShareSpan(in, colour, keep);
  if (colour)
    for (int i = 0; i < in.count; ++i)
      colour[i][0] *= red;
}

inline void RegisterShaders()
{
  QorvMetalRegisterCoverageFunction("testCoverageShare", CoverageShareSpan);
  QorvMetalRegisterCoverageFunction("testCoverageDrawn", CoverageDrawnSpan, CoverageDrawForm);
  QorvMetalRegisterFragmentFunction("testSolidSpan", SolidFragment, SolidSpan, SolidAsk);
  QorvMetalRegisterFragmentFunction("testTextureSpan", TextureFragment, TextureSpan);
  QorvMetalRegisterVertexFunction("testVertex", PixelVertex, 2, PixelPosition);
  QorvMetalRegisterFragmentFunction("testSolid", SolidFragment);
  QorvMetalRegisterFragmentFunction("testDiscardLeft", DiscardLeftFragment);
  QorvMetalRegisterFragmentFunction("testTexture", TextureFragment);
}

inline std::vector<unsigned char> LibraryData()
{
  return QorvMetalLibraryData({{MTLFunctionTypeVertex, "testVertex"},
                               {MTLFunctionTypeFragment, "testSolid"},
                               {MTLFunctionTypeFragment, "testDiscardLeft"},
                               {MTLFunctionTypeFragment, "testTexture"},
                               {MTLFunctionTypeFragment, "testSolidSpan"},
                               {MTLFunctionTypeFragment, "testTextureSpan"},
                               {MTLFunctionTypeFragment, "testCoverageShare"},
                               {MTLFunctionTypeFragment, "testCoverageDrawn"}});
}

constexpr uint64_t kTestPixelsPerBand = 1024;

struct Harness
{
  std::shared_ptr<MTLDevice> device = MTLCreateSystemDefaultDevice();
  std::shared_ptr<MTLCommandQueue> queue = device->newCommandQueue();
  std::shared_ptr<MTLLibrary> library;
  std::shared_ptr<MTLTexture> colour, stencil;
  int width, height;

  Harness(int w = 16, int h = 16, MTLPixelFormat format = MTLPixelFormatRGBA8Unorm) : width(w), height(h)
  {
    // Targets from about 50 x 50 up are drawn in bands on several threads, as a large editor frame is.
    QorvMetalSetPixelsPerBand(kTestPixelsPerBand);
    RegisterShaders();
    auto bytes = LibraryData();
    dispatch_data_t data =
        dispatch_data_create(bytes.data(), bytes.size(), nullptr, DISPATCH_DATA_DESTRUCTOR_DEFAULT);
    library = device->newLibraryWithData(data, nullptr);
    dispatch_release(data);
    auto cd = MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(format, w, h, false);
    cd->usage = MTLTextureUsage(MTLTextureUsageRenderTarget | MTLTextureUsageShaderRead);
    colour = device->newTextureWithDescriptor(*cd);
    auto sd = MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormatStencil8, w, h, false);
    sd->usage = MTLTextureUsageRenderTarget;
    stencil = device->newTextureWithDescriptor(*sd);
  }

  std::shared_ptr<MTLRenderPipelineState> Pipeline(const char* fragment, bool blending = false,
                                                   MTLBlendFactor src = MTLBlendFactorOne,
                                                   MTLBlendFactor dst = MTLBlendFactorZero,
                                                   MTLColorWriteMask mask = MTLColorWriteMaskAll,
                                                   NSUInteger rasterSamples = 1)
  {
    MTLRenderPipelineDescriptor d;
    d.vertexFunction = library->newFunctionWithName("testVertex");
    if (fragment) d.fragmentFunction = library->newFunctionWithName(fragment);
    auto vd = MTLVertexDescriptor::vertexDescriptor();
    vd->attributes[0] = {MTLVertexFormatFloat2, 0, 0};
    vd->attributes[1] = {MTLVertexFormatFloat2, 8, 0};
    vd->layouts[0].stride = 16;
    d.vertexDescriptor = vd;
    auto& c = d.colorAttachments[0];
    c.pixelFormat = colour->pixelFormat();
    c.blendingEnabled = blending;
    c.sourceRGBBlendFactor = c.sourceAlphaBlendFactor = src;
    c.destinationRGBBlendFactor = c.destinationAlphaBlendFactor = dst;
    c.writeMask = mask;
    d.stencilAttachmentPixelFormat = MTLPixelFormatStencil8;
    d.rasterSampleCount = rasterSamples;
    return device->newRenderPipelineStateWithDescriptor(d, nullptr);
  }

  static std::shared_ptr<MTLDepthStencilState> Stencil(MTLDevice& device, MTLCompareFunction compare,
                                                       MTLStencilOperation pass, MTLStencilOperation fail,
                                                       MTLStencilOperation backPass, bool back = true)
  {
    MTLDepthStencilDescriptor d;
    d.frontFaceStencil = std::make_shared<MTLStencilDescriptor>();
    d.frontFaceStencil->stencilCompareFunction = compare;
    d.frontFaceStencil->depthStencilPassOperation = pass;
    d.frontFaceStencil->stencilFailureOperation = fail;
    if (back)
    {
      d.backFaceStencil = std::make_shared<MTLStencilDescriptor>(*d.frontFaceStencil);
      d.backFaceStencil->depthStencilPassOperation = backPass;
    }
    return device.newDepthStencilStateWithDescriptor(d);
  }

  struct DrawSpec
  {
    std::vector<Vertex> vertices;
    std::vector<uint32_t> indices; // empty: non-indexed
    MTLPrimitiveType type = MTLPrimitiveTypeTriangle;
    std::shared_ptr<MTLRenderPipelineState> pipeline;
    std::shared_ptr<MTLDepthStencilState> depthStencil;
    MTLCullMode cull = MTLCullModeNone;
    uint32_t reference = 0;
    float colour[4] = {1, 1, 1, 1};
    std::shared_ptr<MTLTexture> texture;
    std::shared_ptr<MTLSamplerState> sampler;
    const MTLScissorRect* scissor = nullptr; // null: the whole target
  };

  // One render pass; the colour is cleared to clear (when given) and the stencil kept unless clearStencil.
  void Pass(const std::vector<DrawSpec>& draws, const float* clear = nullptr, bool clearStencil = false)
  {
    auto cb = queue->commandBuffer();
    auto pass = MTLRenderPassDescriptor::renderPassDescriptor();
    pass->colorAttachments[0].texture = colour;
    pass->colorAttachments[0].loadAction = clear ? MTLLoadActionClear : MTLLoadActionLoad;
    if (clear)
      pass->colorAttachments[0].clearColor = MTLClearColorMake(clear[0], clear[1], clear[2], clear[3]);
    pass->stencilAttachment.texture = stencil;
    pass->stencilAttachment.loadAction = clearStencil ? MTLLoadActionClear : MTLLoadActionLoad;
    auto enc = cb->renderCommandEncoderWithDescriptor(*pass);
    enc->setFrontFacingWinding(MTLWindingCounterClockwise);
    float size[2] = {(float)width, (float)height};
    enc->setVertexBuffer(device->newBufferWithBytes(size, 8, MTLResourceStorageModeShared), 0, 1);
    for (const DrawSpec& d : draws)
    {
      enc->setRenderPipelineState(d.pipeline);
      enc->setDepthStencilState(d.depthStencil);
      enc->setCullMode(d.cull);
      enc->setStencilReferenceValue(d.reference);
      enc->setVertexBuffer(device->newBufferWithBytes(d.vertices.data(), d.vertices.size() * sizeof(Vertex),
                                                      MTLResourceStorageModeShared),
                           0, 0);
      enc->setFragmentBuffer(device->newBufferWithBytes(d.colour, 16, MTLResourceStorageModeShared), 0, 0);
      enc->setFragmentTexture(d.texture, 0);
      enc->setFragmentSamplerState(d.sampler, 0);
      enc->setScissorRect(d.scissor ? *d.scissor
                                    : MTLScissorRect{0, 0, (NSUInteger)width, (NSUInteger)height});
      if (d.indices.empty())
        enc->drawPrimitives(d.type, 0, d.vertices.size());
      else
        enc->drawIndexedPrimitives(
            d.type, d.indices.size(), MTLIndexTypeUInt32,
            device->newBufferWithBytes(d.indices.data(), d.indices.size() * 4, MTLResourceStorageModeShared),
            0);
    }
    enc->endEncoding();
    cb->commit();
    cb->waitUntilCompleted();
  }

  std::vector<uint8_t> Pixels(const std::shared_ptr<MTLTexture>& t) const
  {
    std::vector<uint8_t> out(t->width() * t->height() * t->bytesPerPixel());
    t->getBytes(out.data(), t->width() * t->bytesPerPixel(), MTLRegionMake2D(0, 0, t->width(), t->height()),
                0);
    return out;
  }
  uint8_t StencilAt(int x, int y) const { return Pixels(stencil)[y * width + x]; }
  std::vector<uint8_t> ColourAt(int x, int y) const
  {
    auto p = Pixels(colour);
    size_t bpp = colour->bytesPerPixel();
    return std::vector<uint8_t>(p.begin() + (y * width + x) * bpp, p.begin() + (y * width + x + 1) * bpp);
  }
};

// A 2 x 2 texture of unlike texels, filtered linearly (repeated, or clamped at its edges), for draws whose
// varyings must reach the picture.
inline void TextureTheDraw(Harness& h, Harness::DrawSpec& d, bool repeat = false)
{
  auto td = MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormatRGBA8Unorm, 2, 2, false);
  d.texture = h.device->newTextureWithDescriptor(*td);
  const uint8_t texels[16] = {10, 200, 30, 60, 250, 0, 90, 40, 0, 60, 160, 80, 120, 120, 20, 50};
  d.texture->replaceRegion(MTLRegionMake2D(0, 0, 2, 2), 0, texels, 8);
  MTLSamplerDescriptor sd;
  sd.minFilter = sd.magFilter = MTLSamplerMinMagFilterLinear;
  if (repeat) sd.sAddressMode = sd.tAddressMode = MTLSamplerAddressModeRepeat;
  d.sampler = h.device->newSamplerStateWithDescriptor(sd);
}

inline std::vector<Vertex> Quad(float x0, float y0, float x1, float y1)
{
  return {{x0, y0, 0, 0}, {x1, y0, 1, 0}, {x0, y1, 0, 1}, {x1, y0, 1, 0}, {x1, y1, 1, 1}, {x0, y1, 0, 1}};
}
} // namespace gputest
