// The recording's calls encoded into a frame's render pass: each call's draws bounded by its scissor and by
// the areas that the target lacks, then each call's stencil and colour passes.
#include "graphics/vector/MVGcontext.h"

#include <algorithm>
#include <cstring>

#include "graphics/vector/VGrenderParams.h"
#include "graphics/vector/VGstate.h"

namespace iplugin::igraphics
{
void MVGcontext_vQorv_au::encodeCalls(const std::shared_ptr<MTLTexture>& colour,
                                      const MVGbuffers_vQorv_au& set, const std::vector<MVGpixelRect>& areas,
                                      bool partial)
{
  const MVGrecording& r = set.rec;
  renderEncoder = renderCommandEncoderWithColorTexture(colour, set.stencilTexture, usesStencil(r));
  float view[2] = {0.0f, 0.0f};
  if (set.viewSizeBuffer) std::memcpy(view, set.viewSizeBuffer->contents(), sizeof(view));
  const float ratioX = view[0] > 0.0f ? (float)viewPortSize[0] / view[0] : 0.0f;
  const float ratioY = view[1] > 0.0f ? (float)viewPortSize[1] / view[1] : 0.0f;
  for (int i = 0; i < r.ncalls; ++i)
  {
    const MVGcall& call = r.calls[i];
    updateRenderPipelineStates(call.blend, colour->pixelFormat());
    const MVGpixelRect bounds = callBounds(call, ratioX, ratioY, (int)colour->width(), (int)colour->height());
    for (const MVGpixelRect& area : areas)
    {
      const MVGpixelRect r{std::max(bounds.x0, area.x0), std::max(bounds.y0, area.y0),
                           std::min(bounds.x1, area.x1), std::min(bounds.y1, area.y1)};
      if (partial && (r.x1 <= r.x0 || r.y1 <= r.y0)) continue;
      renderEncoder->setScissorRect(MTLScissorRect{(NSUInteger)r.x0, (NSUInteger)r.y0,
                                                   (NSUInteger)std::max(r.x1 - r.x0, 0),
                                                   (NSUInteger)std::max(r.y1 - r.y0, 0)});
      encodeCall(call);
    }
  }
  renderEncoder->endEncoding();
  renderEncoder.reset();
}

MVGpixelRect MVGcontext_vQorv_au::callBounds(const MVGcall& call, float ratioX, float ratioY, int width,
                                             int height)
{
  // Outside its scissor a call draws transparent black, which changes nothing under most blends: those
  // pixels are left out rather than shaded. Not quite exact: the rasteriser steps a row's coordinates in
  // float from its first pixel, so a row that the bound starts later gets them a rounding apart, and now and
  // then a byte one level apart (about one draw in 3,000 that the bound cuts on the left). Keeping those
  // columns would make it exact, at several times the cost of a partial redraw.
  MVGpixelRect bounds;
  if (!(options.scissorBounds && mvgZeroSourceKeepsTarget(call.blend) &&
        scissorBounds.Bounds(*fragUniformAtIndex(call.uniformOffset), ratioX, ratioY, width, height, bounds)))
    return MVGpixelRect{0, 0, width, height};
  // Nearest sampling takes the next texel at a texel's edge, which a row started later would find a rounding
  // earlier or later (a texel apart where a pixel centre lies on the edge): its rows start where they would
  // unbounded.
  if (samplesNearest(call)) bounds.x0 = 0;
  return bounds;
}

bool MVGcontext_vQorv_au::samplesNearest(const MVGcall& call)
{
  const MVGtexture_vQorv_au* t = call.image != 0 ? findTexture(call.image) : nullptr;
  return t && (t->flags & kVGImageNearest) != 0;
}

bool MVGcontext_vQorv_au::usesStencil(const MVGrecording& r) const
{
  // Fills cover what their shapes marked; strokes use the stencil only when drawn in two passes.
  for (int i = 0; i < r.ncalls; ++i)
    if (r.calls[i].type == kMVGFill || (r.calls[i].type == kMVGStroke && (flags & kVGStencilStrokes)))
      return true;
  return false;
}

NSUInteger MVGcontext_vQorv_au::stencilSamples(const MVGrecording& r) const
{
  for (int i = 0; i < r.ncalls; ++i)
    if (r.calls[i].type == kMVGFill && r.calls[i].sampled) return kStencilSamples;
  return 1;
}

void MVGcontext_vQorv_au::encodeCall(const MVGcall& call)
{
  switch (call.type)
  {
  case kMVGFill:
    call.sampled ? encodeSampledFill(call) : encodeFill(call);
    break;
  case kMVGConvexFill:
    encodeConvexFill(call);
    break;
  case kMVGStrip:
    encodeStrip(call);
    break;
  case kMVGStroke:
    encodeStroke(call);
    break;
  case kMVGTriangles:
    encodeTriangles(call);
    break;
  default:
    break;
  }
}

void MVGcontext_vQorv_au::setUniforms(int uniformOffset, int image)
{
  renderEncoder->setFragmentBufferOffset(uniformOffset, 0);
  MVGtexture_vQorv_au* t = image != 0 ? findTexture(image) : nullptr;
  if (t && t->tex)
  {
    renderEncoder->setFragmentTexture(t->tex, 0);
    renderEncoder->setFragmentSamplerState(t->sampler, 0);
  }
  else
  {
    renderEncoder->setFragmentTexture(pseudoTexture, 0);
    renderEncoder->setFragmentSamplerState(pseudoSampler, 0);
  }
}

void MVGcontext_vQorv_au::encodeFill(const MVGcall& call)
{
  auto& e = *renderEncoder;
  // Front faces increment and back faces decrement: the stencil ends up holding the winding number.
  markFan(call, call.fillRule == kVGEvenOdd ? fillShapeEvenOddStencilState : fillShapeStencilState,
          stencilOnlyPipelineState);
  e.setRenderPipelineState(pipelineState);
  setUniforms(call.uniformOffset, call.image);
  if ((flags & kVGAntialias) && call.strokeCount >= 1)
  {
    // The fringe, only where the stencil is 0 (outside the shape).
    e.setDepthStencilState(fillAntiAliasStencilState);
    e.drawPrimitives(MTLPrimitiveTypeTriangleStrip, call.strokeOffset, call.strokeCount);
  }
  // The cover quad: colour where the winding is not 0, which is reset to 0 on the way.
  e.setDepthStencilState(fillStencilState);
  e.drawPrimitives(MTLPrimitiveTypeTriangleStrip, call.triangleOffset, 4);
  clearBeyondCover(call);
}

void MVGcontext_vQorv_au::markFan(const MVGcall& call, const std::shared_ptr<MTLDepthStencilState>& marks,
                                  const std::shared_ptr<MTLRenderPipelineState>& pipeline)
{
  auto& e = *renderEncoder;
  e.setCullMode(MTLCullModeNone);
  e.setDepthStencilState(marks);
  e.setRenderPipelineState(pipeline);
  if (call.indexCount > 0)
    e.drawIndexedPrimitives(MTLPrimitiveTypeTriangle, call.indexCount, MTLIndexTypeUInt32,
                            buffers->indexBuffer, (NSUInteger)call.indexOffset * indexSize);
  e.setCullMode(MTLCullModeBack);
}

void MVGcontext_vQorv_au::clearBeyondCover(const MVGcall& call)
{
  auto& e = *renderEncoder;
  if (call.triangleCount == 8)
  {
    // The fan reached beyond the cover quad: its marks there are cleared, without colour.
    e.setDepthStencilState(strokeClearStencilState);
    e.setRenderPipelineState(stencilOnlyPipelineState);
    e.drawPrimitives(MTLPrimitiveTypeTriangleStrip, call.triangleOffset + 4, 4);
  }
  e.setDepthStencilState(defaultStencilState);
}

void MVGcontext_vQorv_au::encodeConvexFill(const MVGcall& call)
{
  auto& e = *renderEncoder;
  setUniforms(call.uniformOffset, call.image);
  e.setRenderPipelineState(pipelineState);
  if (call.indexCount > 0)
    e.drawIndexedPrimitives(MTLPrimitiveTypeTriangle, call.indexCount, MTLIndexTypeUInt32,
                            buffers->indexBuffer, (NSUInteger)call.indexOffset * indexSize);
  if (call.strokeCount >= 1)
    e.drawPrimitives(MTLPrimitiveTypeTriangleStrip, call.strokeOffset, call.strokeCount);
}

void MVGcontext_vQorv_au::encodeStrip(const MVGcall& call)
{
  if (call.strokeCount < 1) return;
  setUniforms(call.uniformOffset, call.image);
  renderEncoder->setRenderPipelineState(pipelineState);
  renderEncoder->drawPrimitives(MTLPrimitiveTypeTriangleStrip, call.strokeOffset, call.strokeCount);
}

void MVGcontext_vQorv_au::encodeStroke(const MVGcall& call)
{
  if (call.strokeCount < 1) return;
  auto& e = *renderEncoder;
  if (flags & kVGStencilStrokes)
  {
    // Solid parts first, marking the stencil; then the anti-aliased rest where nothing was drawn; then
    // the stencil is cleared along the stroke.
    setUniforms(call.uniformOffset + fragSize, call.image);
    e.setDepthStencilState(strokeShapeStencilState);
    e.setRenderPipelineState(pipelineState);
    e.drawPrimitives(MTLPrimitiveTypeTriangleStrip, call.strokeOffset, call.strokeCount);
    setUniforms(call.uniformOffset, call.image);
    e.setDepthStencilState(strokeAntiAliasStencilState);
    e.drawPrimitives(MTLPrimitiveTypeTriangleStrip, call.strokeOffset, call.strokeCount);
    e.setDepthStencilState(strokeClearStencilState);
    e.setRenderPipelineState(stencilOnlyPipelineState);
    e.drawPrimitives(MTLPrimitiveTypeTriangleStrip, call.strokeOffset, call.strokeCount);
    e.setDepthStencilState(defaultStencilState);
  }
  else
  {
    setUniforms(call.uniformOffset, call.image);
    e.setRenderPipelineState(pipelineState);
    e.drawPrimitives(MTLPrimitiveTypeTriangleStrip, call.strokeOffset, call.strokeCount);
  }
}

void MVGcontext_vQorv_au::encodeTriangles(const MVGcall& call)
{
  setUniforms(call.uniformOffset, call.image);
  renderEncoder->setRenderPipelineState(pipelineState);
  renderEncoder->drawPrimitives(MTLPrimitiveTypeTriangle, call.triangleOffset, call.triangleCount);
}
} // namespace iplugin::igraphics
