// A sampled fill (an anti-aliased fill that is not one convex outline, VGrenderParams sampledFills): each
// pixel's ink is put down once, whatever the winding, from a fringe where one edge alone passes near its
// centre and from the share of its stencil samples that the fill covers elsewhere.
//
// The stencil of every pixel holds kStencilSamples samples, all 0 between calls. The passes:
//  1. The fringe strip (a fringe across each edge, from half a fringe inside to half outside) counts its
//     fragments in each pixel it reaches: 0x7F after one, 0x80 and up after more.
//  2. The fringe strip again, with colour, where it counted one fragment: the coverage of that edge alone,
//     its ramp. Those pixels are marked 0x80; the others it reaches go back to 0.
//  3. The fan marks the winding (or the crossings, even-odd) in the low 7 bits of each sample, at the sample
//     itself, outside the marked pixels.
//  4. The cover quad, a fringe beyond the fan's bounds (its samples reach half a pixel beyond them): colour
//     weighed by the share of a pixel's samples whose winding is not 0; marked pixels get none. Every
//     sample it reaches is reset to 0.
// A pixel near two edges (a shape thinner than a fringe there, a corner, a path traced twice) thus takes
// its samples' share, and one near a single edge the fringe's ramp, as a convex fill's.
#include "graphics/vector/MVGcontext.h"

#include "graphics/vector/VGstate.h"

namespace iplugin::igraphics
{
namespace
{
// The reference passes 1 to 3 compare with: one fringe fragment counted; its top bit clear.
constexpr uint32_t kOneFragment = 0x7F;
constexpr uint32_t kMarked = 0x80, kWinding = 0x7F;

std::shared_ptr<MTLDepthStencilState> MaskedState(MTLDevice& device, MTLCompareFunction compare,
                                                  uint32_t readMask, uint32_t writeMask,
                                                  MTLStencilOperation fail, MTLStencilOperation pass,
                                                  MTLStencilOperation backPass)
{
  MTLDepthStencilDescriptor d;
  d.depthCompareFunction = MTLCompareFunctionAlways;
  auto face = std::make_shared<MTLStencilDescriptor>();
  face->stencilCompareFunction = compare;
  face->stencilFailureOperation = fail;
  face->depthFailureOperation = MTLStencilOperationKeep;
  face->depthStencilPassOperation = pass;
  face->readMask = readMask;
  face->writeMask = writeMask;
  d.frontFaceStencil = face;
  auto back = std::make_shared<MTLStencilDescriptor>(*face);
  back->depthStencilPassOperation = backPass;
  d.backFaceStencil = back;
  return device.newDepthStencilStateWithDescriptor(d);
}
} // namespace

void MVGcontext_vQorv_au::makeSampledFillStates()
{
  MTLDevice& dev = *device;
  const auto keep = MTLStencilOperationKeep, zero = MTLStencilOperationZero,
             replace = MTLStencilOperationReplace, invert = MTLStencilOperationInvert;
  // 1: 0 passes (0x7F > 0) and becomes 0x7F; 0x7F and up fail and count on.
  sampledFringeCountState = MaskedState(dev, MTLCompareFunctionGreater, 0xff, 0xff,
                                        MTLStencilOperationIncrementClamp, replace, replace);
  // 2: one fragment (0x7F) inverts to 0x80; more go back to 0 (and stay there).
  sampledFringeState = MaskedState(dev, MTLCompareFunctionEqual, 0xff, 0xff, zero, invert, invert);
  // 3: outside the marked pixels, front faces count up and back ones down in the low 7 bits.
  sampledShapeState = MaskedState(dev, MTLCompareFunctionEqual, kMarked, kWinding, keep,
                                  MTLStencilOperationIncrementWrap, MTLStencilOperationDecrementWrap);
  sampledShapeEvenOddState =
      MaskedState(dev, MTLCompareFunctionEqual, kMarked, kWinding, keep, invert, invert);
  // 4: with the reference 0, samples whose low 7 bits are not 0 pass; every one is reset.
  sampledCoverState = MaskedState(dev, MTLCompareFunctionNotEqual, kWinding, 0xff, zero, zero, zero);
}

void MVGcontext_vQorv_au::encodeSampledFill(const MVGcall& call)
{
  auto& e = *renderEncoder;
  e.setStencilReferenceValue(kOneFragment);
  e.setCullMode(MTLCullModeBack);
  if (call.strokeCount >= 1)
  {
    e.setDepthStencilState(sampledFringeCountState);
    e.setRenderPipelineState(stencilOnlyPipelineState);
    e.drawPrimitives(MTLPrimitiveTypeTriangleStrip, call.strokeOffset, call.strokeCount);
    e.setDepthStencilState(sampledFringeState);
    e.setRenderPipelineState(pipelineState);
    setUniforms(call.uniformOffset, call.image);
    e.drawPrimitives(MTLPrimitiveTypeTriangleStrip, call.strokeOffset, call.strokeCount);
  }
  markFan(call, call.fillRule == kVGEvenOdd ? sampledShapeEvenOddState : sampledShapeState,
          sampledStencilPipelineState);
  e.setStencilReferenceValue(0);
  e.setDepthStencilState(sampledCoverState);
  e.setRenderPipelineState(pipelineState);
  setUniforms(call.uniformOffset, call.image);
  e.drawPrimitives(MTLPrimitiveTypeTriangleStrip, call.triangleOffset, 4);
  clearBeyondCover(call);
}
} // namespace iplugin::igraphics
