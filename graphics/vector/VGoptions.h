// The renderer's shortcuts, one switch each, in one record that a vector context holds (vgSetOptions): its
// own, and the software GPU's, which it hands to its device. All on by default; each gives the bytes its
// general path gives (but for the tolerances noted), so that turning them off one at a time bisects a
// suspected fault. Code sets them with vgSetOptions; a person running a program sets them for its run in the
// environment variable QORV_RENDER_OPTIONS, read when a vector context is made (vgCreateContext), as
// switches by the record's field names set to 0 or 1, the GPU's with or without "gpu.":
//   QORV_RENDER_OPTIONS="gpu.convexFans=0,texelSnap=0" qorv-host editor --png frame.png
// A name that is no switch, or a value other than 0 and 1, is reported on standard error and left out.
#pragma once

#include <QorvPlatform/MetalOptions.h>

#include <string>
#include <vector>

namespace iplugin::igraphics
{
// Every shortcut of the renderer and the software GPU beside its general path, one entry each: where it
// lives (M = platform/src/Metal/, V = graphics/vector/; file, then function), when it applies, its switch (a
// VGoptions field; gpu.* is the GPU's part), how far its bytes may stray from the general path's, and the
// tests that hold it there. The frames test is Switches/MultiDrawFrames.OneSwitchOffGivesTheBytesOfAllOn,
// one instance a switch (frames of several fills drawn with that switch off against all on). A shader is
// handed no options: the GPU's calls back from a shader (QorvSampleTexture's texel snap, QorvShaderSimd)
// read the draw's from a thread-local that the rasteriser sets while the draw's shaders run (M
// ShaderOptions.cpp QorvShaderOptions, QorvOptionsScope), so that their switches follow the draw's too.
//
//  1 span shading
//    where:     V MVGshaders.cpp FragmentShaderSpan, VGshading.cpp vgShadeSpan; M Rasterizer.cpp Draw::Run;
//               off, Rasterizer.cpp BindDraw drops the span forms
//    when:      a fragment function with a span form; a span of up to 128 fragments is shaded in one call
//    switch:    gpu.spanShading
//    tolerance: a byte a level apart now and then (a float rounding); frames: 1 level, 6 bytes a fill
//    tests:     MetalVersusCairo.SpanShadingMatchesPerFragmentShading,
//               RasterizerSpans.DrawAsPerFragmentShaders,
//               ShadingSpan.AgreesWithPerFragmentShading, the frames test's SpanShading
//  2 one-colour rows
//    where:     M Rasterizer.cpp Draw::OneColourRow, Draw::Run; V MVGshaders.cpp FragmentShaderAsk,
//               VGshading.cpp vgShadeSpanColour
//    when:      a row (or chunk) without a stencil test under source-over that the shader answers one
//               colour: blended in one pass
//    switch:    gpu.spanShading (it asks the shader's answer)
//    tolerance: none: the span function's colour
//    tests:     ShadingSpan.OneColourSpansAgreeWithPerFragmentShading (the shader's answer),
//               RasterizerSpans.DrawAsPerFragmentShaders (the rows blended in one pass)
//  3 texel copies
//    where:     M TexelShortcuts.cpp Draw::TexelRuns, Draw::TexelRun; Sampling.cpp QorvTexelCentres;
//               TexelBlend.h QorvTexelRowOver, QorvCopyTexelsIsa; V VGshading.cpp vgShadeSpanSamples
//    when:      source-over or copy into 8-bit RGBA or BGRA without a stencil test, the shader's samples of
//               an RGBA8 image on texel centres: the texels as stored, blended in integers
//    switch:    gpu.texelCopies (and gpu.spanShading)
//    tolerance: none
//    tests:     RendererShortcuts.TexelCopiesGiveTheFilteredBytes,
//               RendererShortcuts.BitmapsAtTheirOwnSizeAreCopied,
//               RendererShortcuts.RowsOfTexelsBlendAsTheFilter, TexelBlend.EveryBuildGivesThePortableBytes,
//               the frames test's TexelCopies
//  4 uncovered spans
//    where:     V VGshading.cpp vgShadeSpanSamples (answer.none); M TexelShortcuts.cpp Draw::TexelRun
//    when:      an image fill's span that nothing covers (coverage 0 throughout): left as it is under
//               source-over, zeros where the draw replaces
//    switch:    gpu.texelCopies (with texel copies)
//    tolerance: none
//    tests:     Shading.SpansWithoutCoverageAgreeWithTheSpanFunction,
//               RendererShortcuts.FringeRowsGiveTheFilteredBytes
//  5 texel rectangles
//    where:     M TexelShortcuts.cpp Draw::TexelRect, Draw::AskRect, PieceRows::Rows; Sampling.cpp
//               QorvTexelRowsCentres; V VGshading.cpp vgShadeRectSamples
//    when:      the rows of an upright rectangle (a fan's rows between upright sides) under texel copies:
//               asked of the shader at once and taken as texels
//    switch:    gpu.texelRects (with gpu.texelCopies)
//    tolerance: none
//    tests:     RendererShortcuts.TexelRectsGiveTheRowsBytes,
//               RendererShortcuts.ImagesWithCutCornersGiveTheRowsBytes,
//               RendererShortcuts.RectanglesWiderThanAPieceGiveTheRowsBytes, the frames test's TexelRects
//  6 rows between texture rows
//    where:     M Sampling.cpp QorvTexelRowsCentres (finds them); TexelShortcuts.cpp OverBetween, through
//               PieceRows::Between in Draw::TexelRect (blends them)
//    when:      a texel rectangle's row covered whole whose samples fall on column centres side by side but
//               between two texture rows: the two rows' texels weighed as the filter weighs them
//    switch:    gpu.texelRects
//    tolerance: none
//    tests:     RendererShortcuts.ColumnsAndRowsBetweenTexelsGiveTheRowsBytes
//  7 one-column rows
//    where:     M TexelShortcuts.cpp PieceRows::Column (from Draw::TexelRect)
//    when:      a texel rectangle one pixel wide (a fringe's column): each row's texel blended in line
//    switch:    gpu.texelRects
//    tolerance: none
//    tests:     RendererShortcuts.ColumnsAndRowsBetweenTexelsGiveTheRowsBytes
//  8 texel snap
//    where:     M Sampling.cpp LinearIndex (its snap set by Setup from the draw's options, in a shader's
//               samples through ShaderOptions.cpp QorvShaderOptions)
//    when:      linear sampling: a sample within a 4096th of a texel of a texel centre is that texel
//    switch:    gpu.texelSnap
//    tolerance: the colour within a 16th of a level of the exact filter's: a blended byte a level apart now
//               and then
//    tests:     Sampling.SamplesNextToATexelCentreTakeThatTexel,
//               EditorFrameShortcuts.GiveTheGeneralPathsBytes
//  9 convex fans
//    where:     M Rasterizer.cpp QorvRasterDraw::Shaded::FindFans; ConvexFan.cpp MakeConvexFan,
//               Draw::PrepareFan, Draw::Fan
//    when:      a triangle list's fan over a convex polygon, or a strip's convex quad, without a stencil
//               test: drawn as the polygon, a span a row (its varyings from its largest triangle, or from one
//               spanning it where that is a sliver)
//    switch:    gpu.convexFans
//    tolerance: the pixels are the triangles'; the varyings come from another plane through corners rounded
//               to 256ths of a pixel, so a sample lands up to about a 256th of a pixel elsewhere: up to 8
//               levels apart (6 seen) in up to 256 bytes a fill at scale 1 (207 seen), under every composite
//               operation; and where an image sampled nearest has a pixel centre on a texel's edge or within
//               a 128th of a pixel of one, the texel on its other side (which side is a rounding on either
//               path)
//    tests:     RasterizerFans.CoverWhatTheirTrianglesCover, Rasterizer.FansInterpolateAsTheirTrianglesDo,
//               RendererShortcuts.FansQuadCornersAndTheUnclearedStencilGiveTheGeneralPathsBytes, the frames
//               test's ConvexFans (every frame held to that bound, pixels within a 128th of a pixel of a
//               nearest image's texel edge aside)
// 10 quad corners
//    where:     M ConvexFan.cpp MakeConvexFan (AffineAt)
//    when:      a quad's fan: its corner off the reference triangle is checked alone
//    switch:    gpu.quadCorners
//    tolerance: none: the same fans
//    tests:     ConvexFan.QuadsAreMadeAsTheGeneralChecksMakeThem,
//               RendererShortcuts.FansQuadCornersAndTheUnclearedStencilGiveTheGeneralPathsBytes, the frames
//               test's QuadCorners
// 11 band threads
//    where:     M Encoders.cpp MTLRenderCommandEncoder::endEncoding, BandPool; Rasterizer.cpp
//               QorvRasterDraw::Rasterize
//    when:      a pass over a target of two shares of pixels or more (a share is the process's
//               QorvMetalSetPixelsPerBand): drawn in bands of rows on threads
//    switch:    gpu.bandThreads
//    tolerance: none
//    tests:     Rasterizer.TargetsAreDrawnOnAThreadAShare, Rasterizer.LargeTargetsDrawEveryRowOnceAndInOrder,
//               the frames test's Bands
// 12 SIMD arithmetic
//    where:     M SourceOver.h, TexelBlend.h, Sampling.cpp, RasterDraw.h Draw::VaryingTerms, Rasterizer.cpp
//               Draw::Run, Draw::ChunkStartsAlike, ConvexFan.cpp AffineAt, TexelShortcuts.cpp,
//               ShaderOptions.cpp QorvShaderSimd (for the shaders); V VGshading.cpp
//    when:      where built: SSE2, and the AVX2 and SSSE3 texel kernels where the processor runs them
//    switch:    gpu.simd
//    tolerance: none
//    tests:     TexelBlend.EveryBuildGivesThePortableBytes, RowPieces.VaryingTermsAgreeInBothArithmetics,
//               ConvexFan.QuadsAreMadeAsTheGeneralChecksMakeThem,
//               Shading.RectangleRowsAgreeInBothArithmetics,
//               RendererShortcuts.ScissorBoundsChangeNoPixelVisibly (its portable rounds), the frames test's
//               Simd
// 13 stencil skipping
//    where:     M Rasterizer.cpp Draw::Row
//    when:      fragments that fail the stencil test and keep its value are skipped before shading
//    switch:    gpu.stencilSkipping (off, every fragment is shaded and the stencil test drops them)
//    tolerance: a byte a level apart now and then (a run after skipped fragments steps its varyings from
//               its own start: a float rounding); frames: 1 level, 6 bytes a fill
//    tests:     RasterizerStencil.SkippedFragmentsAreThoseThatChangeNothing, the frames test's
//               StencilSkipping
// 14 column memo
//    where:     V VGshading.cpp ColumnsFor (a span's s coordinates, by what they were worked out from);
//               M Sampling.cpp ColumnsOf (their texel columns, by the name the shader gives them, count,
//               size, snap and arithmetic)
//    when:      every span of an image fill, and every texel copy
//    switch:    none: a memo keyed by all it depends on gives what it remembers
//    tolerance: none
//    tests:     Sampling.RowsTakeTheFilteredTexelsUnderAnyName,
//    Sampling.KeptColumnsAreKeyedByTheirArithmetic,
//               RendererShortcuts.RepeatedRowsSampleByTheirOwnPaint
// 15 fill shortcuts
//    where:     V VGpathCommands.cpp WalkQuad; VGtessellate.cpp Turning
//    when:      a rectangle's corners set without walking its commands; convexity told without summing the
//               turns too small to wind twice
//    switch:    fillShortcuts
//    tolerance: none: the same recordings
//    tests:     FillShortcuts.RecordTheGeneralPathsBytes, FillShortcutsTaken.RectangleAndStar, the frames
//               test's FillShortcuts
// 16 unfringed rectangles
//    where:     V VGfillWays.cpp Fill::FringeChangesNothing (a row of vgChooseFill)
//    when:      an upright rectangle on whole device pixels whose fringe changes no pixel: filled without it
//    switch:    unfringedRects
//    tolerance: none in pixels (the recordings differ)
//    tests:     RendererShortcuts.UnfringedRectanglesGiveTheFringedBytes, the frames test's UnfringedRects
// 17 scissor bounds
//    where:     V MVGencodeCalls.cpp MVGcontext_vQorv_au::callBounds (from encodeCalls)
//    when:      a call whose transparent source changes nothing (mvgZeroSourceKeepsTarget): its draws bounded
//               around its scissor
//    switch:    scissorBounds
//    tolerance: a byte one level apart now and then (a row started later steps a rounding apart); an image
//               sampled nearest keeps its rows' starts; frames: 1 level, 6 bytes a fill
//    tests:     RendererShortcuts.ScissorBoundsChangeNoPixelVisibly,
//               RendererShortcuts.ScissorBoundsKeepNearestTexels,
//               the frames test's ScissorBounds
// 18 scissor answer cache
//    where:     V MVGcallBounds.cpp MVGscissorBoundsCache::Bounds
//    when:      a scissor's bounds kept by its matrix, extent, scale, the ratios and the target size, as bits
//    switch:    scissorBounds (a memo of its answers)
//    tolerance: none
//    tests:     Recording.ScissorBoundsCacheAnswersAsTheBoundsDo
// 19 trimmed strip rows
//    where:     V IGraphicsVectorBitmaps.cpp IGraphicsVector::DrawBitmap
//    when:      a strip's frame (a meter's, a lamp's) under the default blend: drawn over its rows near
//               visible texels only
//    switch:    stripRowsTrimmed
//    tolerance: none: the same picture
//    tests:     StripRows.TrimmedFramesDrawTheWholeFramesPicture
// 20 partial composites
//    where:     V MVGdrawableChanges.cpp MVGdrawableChanges::Areas (from MVGcontext.cpp takeDrawable)
//    when:      a drawable that holds an earlier frame gets only what it lacks of this one
//    switch:    none: MvgNoteFrameChanges(whole) composites all
//    tolerance: none
//    tests:     PartialComposite.ShowsTheWholeFrame, DrawableChanges.CopiesOnlyWhatIsMissing
// 21 uncleared stencil
//    where:     V MVGcontext.cpp renderCommandEncoderWithColorTexture; MVGencodeCalls.cpp usesStencil
//    when:      a pass whose calls never test or mark the stencil leaves it uncleared
//    switch:    unclearedStencil
//    tolerance: none
//    tests:     RendererShortcuts.FansQuadCornersAndTheUnclearedStencilGiveTheGeneralPathsBytes, the frames
//               test's UnclearedStencil
// 22 texture slots
//    where:     V MVGcontext.cpp findTexture (MVGcontext.h textureSlots)
//    when:      every look-up of an image's record: the record last found for an id, by id modulo 64
//    switch:    none: a slot is checked against the id it is asked for
//    tolerance: none
//    tests:     MetalRenderer.TexturesAreFoundByIdAmongMany
// 23 kept clips
//    where:     graphics/IGraphicsRedraw.cpp IGraphics::DrawDirtyRects
//    when:      a control's clip kept for the next frame while its bounds and the scale stay, to the bit
//    switch:    none: keyed by all it is made of
//    tolerance: none
//    tests:     RedrawKeptClips.FollowBoundsAndScaleFromFrameToFrame
//
// The ways a fill is drawn (VGfillWays.h), in the order vgChooseFill's tables try them, each but the
// general one with its switch: not shortcuts but mends, each of what the row after it would draw. Where it
// lives, when it applies, its switch, what the fill takes with it off, and the tests that fail with it off
// (so that a fault in its pictures is bisected by turning it off). Unfringed rectangles are entry 16.
//
// 24 sliver rectangles
//    where:     V VGsliver.cpp vgSliverOutline; VGfillWays.cpp kOutlines
//    when:      a fill's one sub-path of two points that lost its area to the merging of near points: a
//               rectangle along it, its paint faded by the share of it the area fills
//    switch:    sliverFills
//    off:       the two points enclose nothing: the fill puts down nothing
//    tests:     ThinInk.OutlinesThinnerThanTheMergeDistanceFadeByTheirWidth
// 25 even-odd outlines
//    where:     V VGoutlines.cpp vgEvenOddOutlines; VGfillWays.cpp kOutlines
//    when:      an even-odd fill whose sub-paths nobody gave a winding: outlines cut at their crossings,
//               each hole turned as a hole, so that its fringe lies in the hole
//    switch:    evenOddOutlines
//    off:       the paths as flattened, their fringes on either side of an edge as they happen to turn
//    tests:     ConcaveInk.FatConcaveShapesStayNearCairo,
//               EvenOddOutlinesOf.FillUsesThemOnlyWithoutWindingsAndStrokeKeepsThePath
// 26 scissor cuts
//    where:     V VGscissorCut.cpp vgCutByScissor; VGfillWays.cpp vgChooseFill
//    when:      one convex sub-path under two fringes across on the whole within a fringe of a scissor's
//               edge, under a blend that keeps the target under no source: cut by the scissor's rectangle
//               and drawn without the scissor; nothing is drawn where it leaves nothing (way "nothing")
//    switch:    scissorCuts
//    off:       the outline drawn under the scissor, both coverages sampled at pixel centres and multiplied
//    tests:     ThinInk.ThinShapesCutByTheScissorPutDownTheInkOfWhatIsLeft
// 27 thin columns
//    where:     V VGthinColumns.cpp vgThinColumns, from VGthinFill.cpp vgThinConvexFill; VGfillWays.cpp kWays
//    when:      one convex outline for which vgThinOutline holds (thinner than a fringe somewhere), no more
//               than two fringes across along the way it lies: a strip of columns across it, each the shape
//               box-filtered, a strip call (kMVGStrip)
//    switch:    thinColumns (and thinFills)
//    off:       the thin band (entry 28)
//    tests:     ConvexFringe.FanAndFringeCoverTheShapeOnce, SliverInk.PointedConvexOutlinesPutDownTheirAreasInk,
//               ThinInk.NamedCurvesPutDownTheirAreasInk,
//               ThinInk.PolygonsOfThousandsOfPointsPutDownTheirAreasInkAtEveryScale, ThinInk.StatedBoundsHold,
//               ThinInk.ThinCurvesAndShortCappedStrokesPutDownTheirAreasInk,
//               ThinInk.ThinPolygonsPutDownTheirAreasInkHoweverTheyLie,
//               ThinInk.ThinShapesCutByTheScissorPutDownTheInkOfWhatIsLeft, ThinInk.ThinShapesFadeAsTheyNarrow
// 28 thin band
//    where:     V VGthinFill.cpp vgThinConvexFill (InnerOutline, ThinBand), VGthinStrip.cpp vgThinStrip;
//               VGfillWays.cpp kWays
//    when:      one convex outline for which vgThinOutline holds and columns do not fit: a band along its
//               sides and an inner outline whose coverage follows its width, one strip call
//    switch:    thinFills
//    off:       the convex fan and fringe (entry 29), which puts down more than the ink of a shape
//               thinner than a fringe
//    tests:     ConcaveInk.PathsTracedSeveralTimesPutDownTheirInkOnce, ConvexFringe.FanAndFringeCoverTheShapeOnce,
//               EmptyBars.AFillAtZeroOrOnItsWayThereDrawsNoLine,
//               SliverInk.PointedConvexOutlinesPutDownTheirAreasInk,
//               ThinInk.FlatThinPolygonsOfManyPointsPutDownTheirAreasInkWhereverTheyLie,
//               ThinInk.NamedCurvesPutDownTheirAreasInk, ThinInk.NamedShapesPutDownCairosInk,
//               ThinInk.OutlinesEnclosingNothingPutDownNothing,
//               ThinInk.OutlinesThinnerThanTheMergeDistanceFadeByTheirWidth,
//               ThinInk.OutlinesThinnerThanTheMergeDistancePutDownTheirAreasInk,
//               ThinInk.PolygonsOfThousandsOfPointsPutDownTheirAreasInkAtEveryScale,
//               ThinInk.RandomThinShapesPutDownCairosInk, ThinInk.StatedBoundsHold,
//               ThinInk.ThinCurvesAndShortCappedStrokesPutDownTheirAreasInk,
//               ThinInk.ThinPolygonsOfThousandsOfPointsPutDownTheirAreasInk,
//               ThinInk.ThinPolygonsPutDownTheirAreasInkHoweverTheyLie,
//               ThinInk.ThinShapesCutByTheScissorPutDownTheInkOfWhatIsLeft, ThinInk.ThinShapesFadeAsTheyNarrow,
//               ThinInk.UprightThinEllipsesPutDownTheirAreasInkWhereverTheyLie
// 29 convex fan and fringe
//    where:     V VGtessellate.cpp vgClassifyFillJoins (ReachInsetTips), FanOutline, FillFringe;
//               VGfillWays.cpp kWays; MVGencodeCalls.cpp encodeConvexFill
//    when:      one convex outline: its fan inset by half a fringe, mitred to where its sides' insets meet,
//               and a fringe starting on the fan, a convex call without the stencil
//    switch:    convexFills
//    off:       the sampled stencil (entry 30), or the plain stencil
//    tests:     ConvexFringe.FanAndFringeCoverTheShapeOnce,
//               Tessellation.StarPolygonWhoseTurnsAllBendOneWayIsNotConvex,
//               Tessellation.WithoutAntialiasTheFillIsThePathItself,
//               Tessellation.AConvexFillsSharpPointIsInsetWhereItsSidesInsetsMeet,
//               ThinInk.NamedShapesPutDownCairosInk
// 30 sampled stencil
//    where:     V VGtessellate.cpp vgExpandFill; VGsampledFill.cpp vgSampledFringeHolds; MVGsampledFill.cpp
//               encodeSampledFill; VGfillWays.cpp kWays
//    when:      any other anti-aliased fill, where the renderer counts in stencil samples (VGrenderParams
//               sampledFills): fans on the paths marking 16 samples a pixel, fringes straddling the paths
//    switch:    sampledFills
//    off:       the plain stencil (entry 31)
//    tests:     ConcaveInk.CurvedThinOutlinesOfAnyPointCountPutDownCairosInk,
//               ConcaveInk.FatConcaveShapesStayNearCairo, ConcaveInk.PathsTracedSeveralTimesPutDownTheirInkOnce,
//               ConcaveInk.RandomThinBandsPutDownCairosInk, ConcaveInk.ThinConcaveOutlinesPutDownCairosInk,
//               ConcaveInk.WindingCountsTo127, GalleryFrameTest.TheVectorPageMatchesItsReviewedPicture,
//               IGraphicsVector.EvenOddZigzagComparesOnlyOverlappingSegments
// 31 plain stencil
//    where:     V VGtessellate.cpp vgExpandFill (FanOutline, FillFringe); MVGencodeCalls.cpp encodeFill
//    when:      every other fill (the general way): fans marking the winding at pixel centres, a cover
//               quad, fringes outside
//    switch:    none
//    off:       -
//    tests:     Tessellation.ConcaveAndMultiPathFillsUseStencilWithCoverQuad
// 32 dots
//    where:     V VGdots.cpp vgOpenDots (from VGtessellate.cpp vgStroke)
//    when:      a round-capped stroke's sub-path of no length: opened into a segment of next to no length
//               whose caps draw a disc as wide as the stroke
//    switch:    openDots
//    off:       the sub-path of one point draws nothing
//    tests:     ThinInk.RoundCappedStrokesOfNoLengthPutDownTheirDot
// 33 thin strokes
//    where:     V VGthinStroke.cpp vgThinStroke (from VGtessellate.cpp vgStroke), through VGthinColumns.cpp
//               vgThinColumns
//    when:      an anti-aliased stroke at most a fringe and a half wide, one open sub-path no longer than
//               eight fringes turning less than a quarter turn: the columns of its outline, a strip call
//    switch:    thinStrokes
//    off:       the stroke a fringe wide, faded by the share of it the stroke covers
//    tests:     ThinInk.NamedCurvesPutDownTheirAreasInk, ThinInk.RoundCappedStrokesOfNoLengthPutDownTheirDot,
//               ThinInk.ShortCappedStrokesPutDownTheirAreasInkWhereverTheyLie,
//               ThinInk.ThinCurvesAndShortCappedStrokesPutDownTheirAreasInk
// 34 curve fringes
//    where:     V VGtessellate.cpp CurveInset (from vgExpandFill), FanOutline, FillFringe
//    when:      a convex fan and fringe (entry 29) whose outline turns at every point as a flattened curve
//               does (under half a radian): fan and fringe moved in by the ink its linear ramp puts down
//               beyond the area (tan(turn / 2) / 12 square fringes a point, pi / 12 round a circle), spread
//               along its perimeter, unless the fan moved in would fold
//    switch:    curveFringes
//    off:       the fringe centred on the outline: a disc 2 to 2.5 pixels across puts down 1.01 to 1.07 of
//               cairo's ink, icon dots up to 1.11 of rsvg-convert's
//    tests:     DiscInk.SmallCurvedShapesPutDownCairosInk, DiscInk.IconDotsPutDownRsvgConvertsInk,
//               ThinInk.NamedShapesPutDownCairosInk, ThinInk.ThinCurvesAndShortCappedStrokesPutDownTheirAreasInk
//
// Shortcuts of the GPU stand-in beneath the sampled stencil (entry 30):
//
// 35 sampled spans
//    where:     M SampledSpans.cpp Draw::SampledSpans, Draw::MergeSummedEdges; Rasterizer.cpp
//               QorvRasterDraw::Rasterize
//    when:      a draw that marks a multisampled stencil at each sample (a sampled fill's fan) whose faces
//               count or invert, passing always or by a test of bits the draw does not write: the changes
//               where each row of samples crosses the draw's outline summed along the row, edges two
//               triangles share left out
//    switch:    gpu.sampledSpans
//    tolerance: a sample exactly on a row through a vertex may fall otherwise; frames: none seen
//    tests:     SampledStencil.SumsMarkWhatTrianglesMark, the frames test's SampledSpans
//
// Shortcuts of the sampled stencil's work a fill (entry 30), on both sides:
//
// 36 plain crossing sweep
//    where:     V VGoutlines.cpp vgPathsCross (Resolver::PlainSweepCrosses)
//    when:      whether a fill's paths cross: a sweep across x over the pairs whose bounds meet, stopping at
//               the first crossing, without the tree's sorts; past 256 segments while they overlap in x in
//               no more than 32 pairs a segment (a long band, a zigzag), else it leaves them to the tree
//    switch:    plainCrossingSweep
//    tolerance: none: the same answer
//    tests:     PathsCross.ThePlainSweepAnswersAsTheTreeDoes, the frames test's PlainCrossingSweep
// 37 shared edges
//    where:     M Rasterizer.cpp SumSharedEdges (from the QorvRasterDraw constructor)
//    when:      a draw marked by sums (entry 35): an edge a triangle shares with the one before it (a fan's
//               diagonal) summed into that one's at once, edges that cancel dropped before all are merged
//    switch:    gpu.sharedEdges
//    tolerance: none: the same edges
//    tests:     SampledStencil.SumsMarkWhatTrianglesMark, the frames test's SharedEdges
//
// A shortcut of the GPU stand-in's every triangle:
//
// 38 small triangles
//    where:     M Rasterizer.cpp Draw::Triangle
//    when:      a triangle of at most 4 by 4 candidate pixels (a fringe's, most at small sizes): each row's
//               span found by testing its pixels against the three edges, without bounding them by division
//    switch:    gpu.smallTriangles
//    tolerance: none: the same spans
//    tests:     Rasterizer.SmallTrianglesCoverWhatTheirEdgesBoundsCover, the frames test's SmallTriangles
// A step of the sampled stencil (entry 30):
//
// 39 fringe sides
//    where:     V VGsampledFill.cpp vgFringeSidesGrid, vgSideFringe (from vgExpandFill); VGsegmentGrid.cpp;
//               MVGshaders.cpp FragmentShaderEdge
//    when:      a sampled stencil (entry 30) whose paths cross or lie in one another wound alike, of at most
//               4,096 points: each fringe pair told the side the fill lies on (the windings of all paths
//               just inside and outside the outline, asked again only where a segment crosses the way from
//               one pair's probes to the next's), so that a pixel one edge alone passes near takes the ramp,
//               its complement, all or none of it; the strip between pairs that differ or whose edge a
//               segment crosses is left to the samples
//    switch:    fringeSides
//    off:       the pixel's 16 samples choose: one whose samples all lie on the fill's side is covered whole,
//               one with none is left empty (a hole crossing its disc 1.26 times a disc's edge difference
//               from cairo, 1.08 with it); such fills cost about a tenth less
//    tests:     ConcaveInk.EdgesWhereOutlinesCrossOrNestAreAsSmoothAsAConvexFills
// 40 sum ranges
//    where:     M SampledSpans.cpp Draw::AddRowRanges, MarkInLanes
//    when:      sampled spans (entry 35) in the SIMD arithmetic: a row's sums are added where its crossings
//               fall and over the stretches between them whose sum is not 0, the others passed over
//    switch:    gpu.sumRanges
//    tolerance: none
//    tests:     SampledStencil.SumsMarkWhatTrianglesMark, the frames test's SumRanges
// 41 stencil-only rows
//    where:     M Rasterizer.cpp Draw::StencilRow
//    when:      a draw without a fragment function (a sampled fill's fringe counts and marks): its rows are
//               tested and marked whole, without first looking for the fragments that change nothing
//    switch:    gpu.stencilOnlyRows
//    tolerance: none
//    tests:     the frames test's StencilOnlyRows
// 42 sampled cover
//    where:     M SampledStencil.cpp Draw::TestSamplesOneColour, Rasterizer.cpp Draw::Run, Draw::StencilRow
//    when:      a run of one colour, source-over into 8-bit colour, over a stencil of 16 samples a pixel in
//               the SIMD arithmetic (a sampled fill's cover): a pixel whose samples all hold the value of the
//               pixel before it is tested and marked at once, four such at a time, and the colour is blended
//               as it is where every sample passed, by its share (a pixel at a time) where only some did; the
//               stencil skipping finds such pixels, and those that change nothing, four at a time, and a run
//               it finds holding one value at every sample of every pixel is tested and marked once
//    switch:    gpu.sampledCover
//    tolerance: none
//    tests:     SampledStencil.OneColourRunsGiveTheGeneralPathsBytes, the frames test's SampledCover
// 43 positions alone
//    where:     M Rasterizer.cpp BindDraw; VertexStage.h VertexStage; V MVGshaders.cpp VertexPosition
//    when:      a draw without a fragment function (the stencil's marks): no varyings are kept for its
//               vertices, which the vertex function's position form shades where it has one
//    switch:    gpu.positionsAlone
//    tolerance: none
//    tests:     Rasterizer.PositionsAloneMarkWhatWholeVerticesMark, the frames test's PositionsAlone
// 44 repeated blends
//    where:     M SourceOver.h QorvSourceOverRowOne
//    when:      a row of one colour blended source-over into 8-bit colour in the SIMD arithmetic (a fill's
//               inside, a sampled fill's cover): four pixels written whole that hold the bytes the last four
//               so written held take those four's result, as the same arithmetic on the same bytes gives
//    switch:    gpu.repeatedBlends
//    tolerance: none
//    tests:     SampledStencil.OneColourRunsGiveTheGeneralPathsBytes, the frames test's RepeatedBlends
// 45 thin rows
//    where:     M Rasterizer.cpp Draw::SpanIn, Draw::StepVaryings, Draw::Run, Draw::OneFragment,
//               Draw::StencilRow, Draw::MarkRow, Draw::Triangle; RasterDraw.h RowTerms
//    when:      a triangle's rows (a sampled fill's fringe strips, a pixel or two a row): its varyings' terms
//               and steps along a row are worked out once for all its spans; a span of one fragment is shaded
//               without first asking the shader whether it is one colour, and under a stencil test, blended
//               source-over into 8-bit colour, tested, weighed and blended on its own; a row of a few pixels
//               looks for its runs a pixel at a time; a draw without a fragment function tests and marks the
//               stencil along a row in place
//    switch:    gpu.thinRows
//    tolerance: none
//    tests:     SampledStencil.ThinRowsGiveTheGeneralPathsBytes, the frames test's ThinRows
// 46 sample-row edges
//    where:     M SampledSpans.cpp MarkBySampleRows, MarkLanesBySampleRows (from Draw::SampledSpans)
//    when:      sampled spans (entry 35): a downward edge (every merged one) is stepped down its rows of
//               samples, each sample's first pixel beyond it a shift from its row's crossing in sixteenths of
//               a pixel; one row of samples at a time where it reaches at most 32 in a block of rows (most of
//               a small or many-sided fill's), else a row of pixels at a time in lanes set up from its first
//               16 rows of samples, the pixels its changes fall in bounded by its first and last rows'
//    switch:    gpu.sampleRowEdges
//    tolerance: none
//    tests:     SampledStencil.SampleRowEdgesMarkWhatEveryEdgeMarks, the frames test's SampleRowEdges
// 47 repeated vertices
//    where:     M Rasterizer.cpp QorvRasterDraw::Shaded::ShadeVertices, ListsAs; Encoders.cpp
//               VaryingsReadAgain; VertexStage.h VertexStage::Key
//    when:      a draw of the ids one of the last three draws of its pass shaded (a sampled fill's fringe,
//               counted, marked and drawn in colour), with the same vertex function, fetches, buffers,
//               viewport and options, which kept the varyings it reads: it takes those vertices, and their
//               triangles where it would list the same; a draw that a later one of the same ids with a
//               fragment function follows keeps its varyings for it
//    switch:    gpu.repeatedVertices
//    tolerance: none
//    tests:     VertexStage.RepeatedDrawsTakeOnlyTheSameVertices, the frames test's RepeatedVertices
// 48 vertex runs
//    where:     M VertexStage.h VertexStage::ShadeByRuns, VertexStage::Placing; Rasterizer.cpp
//               QorvRasterDraw::Shaded::ShadeVertices; V MVGshaders.cpp VertexRun
//    when:      vertices whose attributes are all pairs of floats within their buffers (the renderer's), of
//               ids one after another or of indices a few apart (a fan's): shaded by the vertex function's
//               run form a batch at a time, their positions put in window coordinates in the SIMD arithmetic
//    switch:    gpu.vertexRuns (the SIMD placing: gpu.simd)
//    tolerance: none
//    tests:     VertexStage.RunsAndSimdPlaceVerticesAsEachAlone, MVGshaders.VertexRunGivesEachVertexsOutput,
//               the frames test's VertexRuns
// 49 fringe apart
//    where:     V VGfringeApart.cpp vgFringeStripsApart (from vgExpandFill), VGfringeRibbons.cpp
//               vgFringeRibbonsApart; MVGsampledFill.cpp
//    when:      a sampled fill (entry 30) whose paths neither cross nor lie in one another wound alike, and
//               no pixel centre of which may lie in two fringe triangles (with room for the GPU's rounding
//               of their corners): each path's strip a ribbon, its triangles turned alike once their signs
//               are taken, between two simple polygons turned alike, and the ribbons apart or one within
//               another's convex inner side (a star, a ring, discs side by side); or, of at most 64
//               triangles, each two shown on either side of a line through one's edge: its fringe is drawn
//               once, marking every pixel it reaches, without first counting its fragments
//    switch:    fringeApart
//    tolerance: none
//    tests:     RendererShortcuts.FringesApartGiveTheCountedFringesBytes, the frames test's FringeApart,
//               FringeApart.HandMadeStripsAreApartOnlyWhereNoTwoTrianglesMeet
// 50 replayed rows
//    where:     M Rasterizer.cpp QorvRasterDraw::Rasterize, Draw::Triangle; Encoders.cpp DrawnAgain
//    when:      a draw of the same ids as a draw a few before it in its pass (repeatedVertices, entry 47),
//               whose triangles that draw listed and clipped and culled alike, none of them a fan: the rows
//               that draw's triangles gave are kept, a band's apart, and replayed under this draw's stencil
//               and shading instead of each triangle set up and its rows bounded again (a sampled fill's
//               fringe: counted, marked, then drawn in colour; a stencil stroke's body), a row marked
//               without colour as a triangle marks it (Draw::MarkSpan); a draw of at most
//               1,024 triangles, its tape let go past 4,096 rows a band (a fill of many points would hold
//               megabytes until its pass ends)
//    switch:    gpu.spanReplays
//    tolerance: none
//    tests:     RendererShortcuts.ReplayedFringeRowsGiveTheBytesOfTrianglesSetUpAgain, the frames test's
//               SpanReplays
// 51 failed uncoloured
//    where:     M Rasterizer.cpp Draw::OneFragment
//    when:      under thin rows (entry 45), a span of one fragment under a stencil test that fails the test
//               at every sample (a sampled fill's fringe marks, at a pixel two of its triangles reach): the
//               shader's span form is asked without colour, for its discard alone, which decides whether the
//               failure changes the stencil
//    switch:    gpu.failedUncoloured
//    tolerance: none
//    tests:     SampledStencil.ThinRowsGiveTheGeneralPathsBytes, the frames test's FailedUncoloured
// 52 apart before crossings
//    where:     V VGtessellate.cpp vgExpandFill
//    when:      a sampled fill (entry 30) whose paths lie where the others' windings have them, turned as
//               solids or holes (vgPathsLieAsTurned): its fringe is made as for paths that do not cross and
//               looked at first (entry 49); strips shown apart do not cross (two edges that cross share the
//               ground about the crossing), so the crossing search (entry 36) is asked only where they are
//               not, and where they cross after all the fringe is made again, reaching as far as the samples
//               need
//    switch:    apartBeforeCrossings
//    tolerance: none
//    tests:     FringeApart.StripsApartDoNotCross, RendererShortcuts.FringesApartGiveTheCountedFringesBytes,
//               the frames test's ApartBeforeCrossings
// 53 coverage spans
//    where:     M SampledStencil.cpp Draw::RunReadingCoverage, Draw::TestSamplesTwoValues,
//               Draw::TestTwoValues, Rasterizer.cpp BindDraw; V MVGshaders.cpp FragmentShaderEdge,
//               FragmentShaderEdgeDraw, VGshading.cpp vgSolidPaint
//    when:      a span of a draw whose shader reads its samples' coverage (a sampled fill's fringe drawn in
//               colour where its paths cross, spans of a pixel or two) over 16 samples a pixel in the SIMD
//               arithmetic: a pixel whose samples hold two values is tested and marked a value at a time;
//               and the fringe's shader shades a paint of one colour without a scissor by vgShadeSpan's
//               arithmetic for it alone (the coverage, the discard, the scissor's factor, the colour), that
//               paint found once a draw by the shader's draw form, its spans then given u and v alone
//    switch:    gpu.coverageSpans
//    tolerance: none
//    tests:     RendererShortcuts.CoverageSpansGiveTheGeneralPathsBytes, the frames test's CoverageSpans
// 54 fan chains
//    where:     M Rasterizer.cpp SumFanChains (from the QorvRasterDraw constructor); RasterDraw.h
//               Draw::TurnTriangle, Draw::EdgeOf
//    when:      a draw marked by sums (entry 35) under shared edges (entry 37): a run of triangles each
//               sharing its first corner, and its second with the third of the one before (a fan), gives its
//               outline's edges alone, without the diagonals that cancel; where runs are long, those are not
//               merged
//    switch:    gpu.fanChains
//    tolerance: none: the same sums
//    tests:     SampledStencil.SumsMarkWhatTrianglesMark, the frames test's FanChains
// 55 tangent turns
//    where:     V VGtessellate.cpp Turning, TangentTurning (from CalculateJoins)
//    when:      an outline whose turns all bend left, too many for the fill shortcuts' bound (entry 15): its
//               turns' tangents, summed with a margin for the float sum's rounding, bound its turning below
//               twice round, and it is convex without the turns' angles summed
//    switch:    tangentTurns
//    tolerance: none: the same convexity
//    tests:     TangentTurns.ConvexityAsTheAnglesSumTellsIt, the frames test's TangentTurns
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
  // Not a shortcut: the path that replaced one, kept to measure and bisect against it. On, an anti-aliased
  // fill that is not one convex outline puts down each pixel's ink once, counted in a stencil of 16 samples
  // a pixel (VGrenderParams sampledFills, MVGsampledFill.cpp); off, it is covered where its winding at a
  // pixel's centre is not 0 and fringed outside that, which puts down more than its ink where it is
  // thinner than a fringe or traced more than once.
  bool sampledFills = true;
  // The ways a fill is drawn that mend what the way after them would draw (VGfillWays.h): off, the fill
  // takes the next row of its table, which puts down other ink than its area's (entries 24 to 34 above name
  // the tests that then fail). A sub-path of two points that lost its area is a faded rectangle along it.
  bool sliverFills = true;
  // Even-odd sub-paths without windings are filled from outlines cut at their crossings.
  bool evenOddOutlines = true;
  // A thin convex fill near a scissor's edge is cut by its rectangle and drawn without it.
  bool scissorCuts = true;
  // A convex fill thinner than a fringe somewhere is drawn as a strip that puts down its area's ink:
  bool thinFills = true;
  // as columns across it, where it is no more than two fringes across along its lie (off: its band).
  bool thinColumns = true;
  // One convex outline is a fan and a fringe starting on it, without the stencil.
  bool convexFills = true;
  // A round-capped stroke's sub-path of no length is drawn as a disc (VGdots.h); off, it draws nothing.
  bool openDots = true;
  // A short thin stroke is drawn as the columns of its outline (VGthinStroke.h), whose caps put down their
  // ink; off, as a stroke a fringe wide, faded.
  bool thinStrokes = true;
  // A convex fill's fringe is moved in round its curves by what its ramp puts down beyond their area
  // (entry 34); off, it is centred on the outline.
  bool curveFringes = true;
  // Whether a fill's paths cross is asked of a few segments by a plain sweep across x (entry 36).
  bool plainCrossingSweep = true;
  // A sampled fill whose edges the samples turn takes each edge's side from the windings (entry 39).
  bool fringeSides = true;
  // A sampled fill whose fringe triangles lie apart draws its ramp without counting them first (entry 49).
  bool fringeApart = true;
  // Where the paths lie as turned, their fringe strips are looked at before the crossing search, which
  // strips shown apart make needless (entry 52).
  bool apartBeforeCrossings = true;
  // Convexity told without summing the turns where the sum of their tangents bounds them below twice
  // round (entry 55).
  bool tangentTurns = true;
  // The software GPU's.
  QorvGpuOptions gpu;

  bool operator==(const VGoptions&) const = default;
};

constexpr const char* kVGoptionsVariable = "QORV_RENDER_OPTIONS";

// The switches' names, as kVGoptionsVariable takes them: each field of VGoptions, the GPU's as "gpu.name".
std::vector<std::string> vgOptionNames();
// Sets the switches text names ("name=0,name=1", as kVGoptionsVariable holds them; null or empty sets none)
// in options, in order. An item that names no switch or gives one no value 0 or 1 is left out with a line
// in problems that says so and lists the names; false when one was.
bool vgApplyOptions(const char* text, VGoptions& options, std::string& problems);
// The defaults with kVGoptionsVariable's switches set; problems as vgApplyOptions's.
VGoptions vgOptionsFromEnvironment(std::string& problems);
} // namespace iplugin::igraphics
