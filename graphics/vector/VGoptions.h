// The renderer's shortcuts, one switch each, in one record that a vector context holds (vgSetOptions): its
// own, and the software GPU's, which it hands to its device. All on by default; each gives the bytes its
// general path gives (but for the tolerances noted), so that turning them off one at a time bisects a
// suspected fault at run time.
#pragma once

#include <QorvPlatform/MetalOptions.h>

namespace iplugin::igraphics
{
// Every shortcut of the renderer and the software GPU beside its general path: where it lives, when it
// applies, its switch (a VGoptions field; gpu.* is the GPU's part) and the test that holds it to the general
// path. M = platform/src/Metal/, V = graphics/vector/.
//
//  1 span shading: V MVGshaders.cpp, VGshading.cpp vgShadeSpan; M Rasterizer.cpp Draw::Run. Shaders with span
//    forms shade a span of up to 128 fragments at once and answer what it is before (a byte a level apart
//    now and then: a float rounding). gpu.spanShading.
//    MetalVersusCairo.SpanShadingMatchesPerFragmentShading, RasterizerSpans.DrawAsPerFragmentShaders.
//  2 one-colour rows: M Rasterizer.cpp Draw::OneColourRow; V vgShadeSpanColour. A row without a stencil test
//    that the shader answers one colour is blended in one pass. Goes with gpu.spanShading (answers).
//    ShadingSpan.OneColourSpansAgreeWithPerFragmentShading.
//  3 texel copies: M TexelShortcuts.cpp Draw::TexelRun. Source-over or copy into 8-bit colour, samples on
//    texel centres: the texels as stored. gpu.texelCopies. RendererShortcuts.TexelCopiesGiveTheFilteredBytes.
//  4 uncovered spans: V vgShadeSpanSamples (answer.none); M Draw::TexelRun. An image fill's span that nothing
//    covers leaves a target it blends over as it is. Goes with gpu.texelCopies.
//    Shading.SpansWithoutCoverageAgreeWithTheSpanFunction, RendererShortcuts.FringeRowsGiveTheFilteredBytes.
//  5 texel rectangles: M TexelShortcuts.cpp Draw::TexelRect; V vgShadeRectSamples. The rows of an upright
//    rectangle (a fan's rows between upright sides) asked at once and taken as texels. gpu.texelRects (with
//    texelCopies). RendererShortcuts.TexelRectsGiveTheRowsBytes,
//    RendererShortcuts.ImagesWithCutCornersGiveTheRowsBytes.
//  6 rows between texture rows: M Sampling.cpp QorvTexelRowsCentres, Draw::TexelRect. A rectangle's row whose
//    samples fall between two texture rows blends the two rows' texels. Goes with gpu.texelRects.
//    RendererShortcuts.ColumnsAndRowsBetweenTexelsGiveTheRowsBytes.
//  7 one-column rows: M TexelShortcuts.cpp. A rectangle's rows one texel wide blend their texel in line. Goes
//    with gpu.texelRects. RendererShortcuts.ColumnsAndRowsBetweenTexelsGiveTheRowsBytes.
//  8 texel snap: M Sampling.cpp LinearIndex. A sample within a 4096th of a texel centre is that texel (a
//    blended byte now and then a level apart). gpu.texelSnap.
//    Sampling.SamplesNextToATexelCentreTakeThatTexel, EditorFrameShortcuts.GiveTheGeneralPathsBytes.
//  9 convex fans: M ConvexFan.cpp, Rasterizer.cpp FindFans. A triangle list's fan over a convex polygon, or a
//    strip's convex quad, without a stencil test, drawn as the polygon (its varyings from its largest
//    triangle, or from one spanning it where that is a sliver). The pixels are the triangles'; the varyings
//    come from another plane through corners rounded to 256ths of a pixel, so a sample lands up to a 256th
//    of a pixel elsewhere: up to 8 levels apart (4 seen) in up to 256 bytes a fill at scale 1, under every
//    composite operation; and where an image sampled nearest has a pixel centre on a texel's edge or within
//    a 256th of a pixel of one, the texel on its other side (which side is a rounding on either path).
//    gpu.convexFans. RasterizerFans.CoverWhatTheirTrianglesCover,
//    Rasterizer.FansInterpolateAsTheirTrianglesDo,
//    RendererShortcuts.FansQuadCornersAndTheUnclearedStencilGiveTheGeneralPathsBytes,
//    Switches/MultiDrawFrames (every frame held to that, pixels within a 128th of a pixel of a nearest
//    image's texel edge aside).
// 10 quad corners: M ConvexFan.cpp MakeConvexFan. A quad's corner off its reference triangle checked alone.
//    gpu.quadCorners. ConvexFan.QuadsAreMadeAsTheGeneralChecksMakeThem,
//    RendererShortcuts.FansQuadCornersAndTheUnclearedStencilGiveTheGeneralPathsBytes.
// 11 band threads: M Encoders.cpp. A target of two shares of pixels or more drawn in bands of rows on
//    threads. No switch here: bands are the process's (QorvMetalSetPixelsPerBand; one band is none).
//    Rasterizer.TargetsAreDrawnOnAThreadAShare, Rasterizer.LargeTargetsDrawEveryRowOnceAndInOrder.
// 12 SIMD blends: M SourceOver.h, TexelBlend.h, Sampling.cpp, RasterDraw.h; V VGshading.cpp. SSE2 (and AVX2,
//    SSSE3 texel kernels) where built. gpu.simd. TexelBlend.EveryBuildGivesThePortableBytes,
//    RowPieces.VaryingTermsAgreeInBothArithmetics, Shading.RectangleRowsAgreeInBothArithmetics,
//    RendererShortcuts.ScissorBoundsChangeNoPixelVisibly (its portable rounds).
// 13 stencil skipping: M Rasterizer.cpp Draw::Row. Fragments that fail the stencil test and keep it are
//    skipped before shading. No switch: the per-fragment path shades and drops them, with gpu.spanShading
//    off. RasterizerSpans.DrawAsPerFragmentShaders.
// 14 column memo: V VGshading.cpp ColumnsFor, a span's s coordinates kept by what they were worked out from;
//    M Sampling.cpp ColumnsOf, their texel columns kept by the name the shader gives them, count and size.
//    No switch: a memo keyed by all it depends on gives what it remembers.
//    Sampling.RowsTakeTheFilteredTexelsUnderAnyName, RendererShortcuts.RepeatedRowsSampleByTheirOwnPaint.
// 15 fill shortcuts: V VGpathCommands.cpp WalkQuad, VGtessellate.cpp Turning. A rectangle's corners without
//    walking its commands; convexity without summing small turns. fillShortcuts.
//    FillShortcuts.RecordTheGeneralPathsBytes.
// 16 unfringed rectangles: V VGtessellate.cpp FringeChangesNothing. An upright rectangle on whole device
//    pixels filled without a fringe that changes no pixel. unfringedRects.
//    RendererShortcuts.UnfringedRectanglesGiveTheFringedBytes.
// 17 scissor bounds: V MVGcontext.cpp renderFlush. A call's draws bounded around its scissor where a
//    transparent source changes nothing (a byte one level apart now and then; an image sampled nearest keeps
//    its rows' starts). scissorBounds. RendererShortcuts.ScissorBoundsChangeNoPixelVisibly,
//    RendererShortcuts.ScissorBoundsKeepNearestTexels, Switches/MultiDrawFrames (frames of several fills
//    with each switch off in turn, this one and all others that give the general path's bytes).
// 18 scissor answer cache: V MVGcallBounds.h MVGscissorBoundsCache. A scissor's bounds kept by its matrix,
//    extent, scale, the ratios and the target size, as bits. Goes with scissorBounds (a memo of its answers).
//    Recording.ScissorBoundsCacheAnswersAsTheBoundsDo.
// 19 trimmed strip rows: V IGraphicsVectorBitmaps.cpp DrawBitmap. A strip's frame drawn over its rows near
//    visible texels. stripRowsTrimmed. StripRows.TrimmedFramesDrawTheWholeFramesPicture.
// 20 partial composites: V MVGdrawableChanges. A drawable gets only what it lacks of the frame. No switch:
//    MvgNoteFrameChanges(whole) composites all. PartialComposite.ShowsTheWholeFrame,
//    DrawableChanges.CopiesOnlyWhatIsMissing.
// 21 uncleared stencil: V MVGcontext.cpp renderCommandEncoderWithColorTexture. A pass whose calls never test
//    or mark the stencil leaves it uncleared. unclearedStencil.
//    RendererShortcuts.FansQuadCornersAndTheUnclearedStencilGiveTheGeneralPathsBytes.
// 22 texture slots: V MVGcontext.h textureSlots. The record last found for an id, by id modulo 64. No switch:
//    a slot is checked against the id it is asked for. MetalRenderer.TexturesAreFoundByIdAmongMany.
// 23 kept clips: graphics/IGraphicsRedraw.cpp. A control's clip kept for the next frame while its bounds and
//    the scale stay, to the bit. No switch: keyed by all it is made of.
//    RedrawKeptClips.FollowBoundsAndScaleFromFrameToFrame.
struct VGoptions
{
  // Fills take their shortcuts: a rectangle's corners set without walking its commands, and convexity told
  // without summing the turns where they are too small to wind twice.
  bool fillShortcuts = true;
  // An upright rectangle on whole device pixels is filled without its anti-aliasing fringe where the fringe
  // changes no pixel. The pictures are the same, the recordings are not.
  bool unfringedRects = true;
  // Each call's draws are bounded by a scissor rectangle around its scissor where a transparent source
  // changes nothing; off, they shade the whole target. A row that the bound starts later may get a byte one
  // level apart.
  bool scissorBounds = true;
  // A strip's frame (a meter's, a lamp's) is drawn over its rows near visible texels only, not whole.
  bool stripRowsTrimmed = true;
  // A pass whose calls never test or mark the stencil leaves it uncleared.
  bool unclearedStencil = true;
  // The software GPU's.
  QorvGpuOptions gpu;

  bool operator==(const VGoptions&) const = default;
};
} // namespace iplugin::igraphics
