// A sampled fill (an anti-aliased fill that is not one convex outline, VGrenderParams sampledFills): each
// pixel's ink is put down once, whatever the winding: where one edge alone passes near its centre from that
// edge's ramp, turned and held by the pixel's samples, and elsewhere from the share of its stencil samples
// that the fill covers.
//
// The stencil of every pixel holds kStencilSamples samples, all 0 between calls. The passes:
//  1. The fringe strip (a fringe across each edge, from half a fringe inside to half outside; where the
//     samples turn the edges, kVGSampledEdgeReach either side, so that it reaches every pixel a sample of
//     which lies across the edge) counts its fragments in each pixel it reaches: 0x7F after one, 0x80 and
//     up after more.
//  2. The fringe strip again: a pixel it reached once is marked 0x80, the others go back to 0. Where the
//     fringe has the fill on its inner side alone, this pass draws the edge's ramp there too, and the fan
//     leaves the marked pixels alone. Where no pixel lies in two of the fringe's triangles (VGpath
//     fringeApart), every pixel it reaches is reached once: pass 1 is left out and this one marks them all.
//  3. The fan marks the winding (or the crossings, even-odd) in the low 7 bits of each sample.
//  4. Where the fringe may not have the fill on its inner side alone (VGpath edgesBySamples: paths cross, or
//     one lies in another wound the same way), the fringe strip, with colour, in the marked pixels, now that
//     the fan has marked them too: given how many of a pixel's samples the fill covers (post-depth
//     coverage), the ramp where the fill lies on the edge's inner side alone, its complement where it lies
//     on its outer side alone, all of the pixel where it lies on both (MVGshaders.cpp FragmentShaderEdge);
//     where the fringe's v tells the side from the windings (vgSideFringe), that side instead.
//     The samples it passes go to 0.
//  5. The cover quad, a fringe beyond the fan's bounds (its samples reach half a pixel beyond them): colour
//     weighed by the share of a pixel's samples whose winding is not 0, which marked pixels do not have.
//     Every sample it reaches is reset to 0.
// A pixel near two edges (a shape thinner than a fringe there, a corner, paths crossing, a path traced
// twice) thus takes its samples' share, and one near a single edge the ramp a convex fill's edge has.
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
  // 2 alone, with the reference 0x80: each pixel reached (once) is marked.
  sampledFringeAloneState = MaskedState(dev, MTLCompareFunctionAlways, 0xff, 0xff, keep, replace, replace);
  // 3: front faces count up and back ones down in the low 7 bits, the mark kept; where the ramp is drawn
  // already (pass 2), outside the marked pixels (with the reference 0x7F: 0x80 & s == 0).
  sampledShapeState = MaskedState(dev, MTLCompareFunctionAlways, 0xff, kWinding, keep,
                                  MTLStencilOperationIncrementWrap, MTLStencilOperationDecrementWrap);
  sampledShapeEvenOddState = MaskedState(dev, MTLCompareFunctionAlways, 0xff, kWinding, keep, invert, invert);
  sampledShapeUnmarkedState = MaskedState(dev, MTLCompareFunctionEqual, kMarked, kWinding, keep,
                                          MTLStencilOperationIncrementWrap, MTLStencilOperationDecrementWrap);
  sampledShapeUnmarkedEvenOddState =
      MaskedState(dev, MTLCompareFunctionEqual, kMarked, kWinding, keep, invert, invert);
  // 4: with the reference 0x80, marked samples whose winding is not 0 pass (0x80 < s) and go to 0; the
  // others keep theirs (a marked one's winding is 0).
  sampledEdgeState = MaskedState(dev, MTLCompareFunctionLess, 0xff, 0xff, keep, zero, zero);
  // 5: with the reference 0, samples whose low 7 bits are not 0 pass; every one is reset.
  sampledCoverState = MaskedState(dev, MTLCompareFunctionNotEqual, kWinding, 0xff, zero, zero, zero);
}

void MVGcontext_vQorv_au::encodeSampledFill(const MVGcall& call)
{
  auto& e = *renderEncoder;
  e.setCullMode(MTLCullModeBack);
  const bool fringe = call.strokeCount >= 1;
  // The ramp as it is, drawn as the marks are made and kept from the fan; or turned by the samples after it.
  const bool rampFirst = fringe && !call.edgesBySamples;
  if (fringe && rampFirst && call.fringeApart)
  {
    e.setStencilReferenceValue(kMarked);
    e.setDepthStencilState(sampledFringeAloneState);
    e.setRenderPipelineState(pipelineState);
    setUniforms(call.uniformOffset, call.image);
    e.drawPrimitives(MTLPrimitiveTypeTriangleStrip, call.strokeOffset, call.strokeCount);
    e.setStencilReferenceValue(kOneFragment); // as the fan takes it
  }
  else if (fringe)
  {
    e.setStencilReferenceValue(kOneFragment);
    e.setRenderPipelineState(stencilOnlyPipelineState);
    e.setDepthStencilState(sampledFringeCountState);
    e.drawPrimitives(MTLPrimitiveTypeTriangleStrip, call.strokeOffset, call.strokeCount);
    e.setDepthStencilState(sampledFringeState);
    if (rampFirst)
    {
      e.setRenderPipelineState(pipelineState);
      setUniforms(call.uniformOffset, call.image);
    }
    e.drawPrimitives(MTLPrimitiveTypeTriangleStrip, call.strokeOffset, call.strokeCount);
  }
  const bool evenOdd = call.fillRule == kVGEvenOdd;
  markFan(call,
          rampFirst ? (evenOdd ? sampledShapeUnmarkedEvenOddState : sampledShapeUnmarkedState)
                    : (evenOdd ? sampledShapeEvenOddState : sampledShapeState),
          sampledStencilPipelineState);
  if (fringe && !rampFirst)
  {
    e.setStencilReferenceValue(kMarked);
    e.setDepthStencilState(sampledEdgeState);
    e.setRenderPipelineState(sampledEdgePipelineState);
    setUniforms(call.uniformOffset, call.image);
    e.drawPrimitives(MTLPrimitiveTypeTriangleStrip, call.strokeOffset, call.strokeCount);
  }
  e.setStencilReferenceValue(0);
  e.setDepthStencilState(sampledCoverState);
  e.setRenderPipelineState(pipelineState);
  setUniforms(call.uniformOffset, call.image);
  e.drawPrimitives(MTLPrimitiveTypeTriangleStrip, call.triangleOffset, 4);
  clearBeyondCover(call);
}
} // namespace iplugin::igraphics
