// The software GPU's shortcuts, one switch each: a device holds them, and the draws of a pass follow what its
// device held when the pass's encoding ended. All on by default; each gives the bytes its general path gives,
// or bytes a rounding apart where its field says so, so that turning them off one at a time bisects a
// suspected fault at run time.
#pragma once

struct QorvGpuOptions
{
  // Fragment functions that have span forms shade whole spans and answer what a span is before it is shaded
  // (one colour, texture samples, nothing covered); off, each fragment is shaded alone, and every shortcut
  // that follows from an answer (one-colour rows, uncovered spans, texel copies and rectangles) goes with it.
  // A byte may come out a level apart (a float rounding).
  bool spanShading = true;
  // Spans that sample a texture on texel centres take the texels as stored instead of filtering.
  bool texelCopies = true;
  // Such texels of an axis-aligned rectangle are taken for all its rows at once (with texelCopies).
  bool texelRects = true;
  // Linear sampling takes a sample within a 4096th of a texel centre as that texel alone, as a GPU's few bits
  // of sub-texel position do: the colour is then up to a 16th of a level from the exact filter's, and a
  // blended byte now and then a level apart. Off, only samples on centres are.
  bool texelSnap = true;
  // The SIMD arithmetic, where the build has it; off, the portable arithmetic that builds without SIMD.
  bool simd = true;
  // Runs of triangles that fan out over a convex polygon (or a strip's convex quads) are drawn as the
  // polygon, a span a row, their varyings from its largest triangle (or one spanning it where that is a
  // sliver): now and then a byte a level or a few apart from the triangles' own.
  bool convexFans = true;
  // A quad's corner off its reference triangle is checked alone when its fan is made.
  bool quadCorners = true;
  // Fragments that fail the stencil test and keep its value are left before they are shaded; off, every
  // fragment is shaded and the stencil test drops them.
  bool stencilSkipping = true;
  // A pass over a target of two shares of pixels or more (QorvMetalSetPixelsPerBand) is drawn in bands of
  // rows on as many threads (at most one a core); off, in one band on the thread that runs the pass.
  bool bandThreads = true;
  // A draw that marks a multisampled stencil at each sample, where its triangles' changes add up whatever
  // their order (both faces pass always and count or invert), is marked by each sample's runs along rows
  // summed first; off, triangle by triangle. The same bytes.
  bool sampledSpans = true;
  // Under sampledSpans, an edge that a triangle shares with the one before it (a fan's diagonal) is summed
  // with it at once, and edges that cancel go before all are merged. The same bytes.
  bool sharedEdges = true;
  // Under sharedEdges, a run of triangles each sharing its first corner, and its second with the third of the
  // one before (a fan), gives its outline's edges alone, without the diagonals that cancel. The same bytes.
  bool fanChains = true;
  // A triangle of at most 4 by 4 candidate pixels finds each row's span by testing its pixels, without
  // setting up its edges' bounds by division. The same bytes.
  bool smallTriangles = true;
  // Those sums are added over the pixels where a row's crossings fall and the stretches between them whose
  // sum is not 0 (with simd): the same bytes.
  bool sumRanges = true;
  // A draw without a fragment function tests and marks the stencil along its rows whole, without first
  // looking for the fragments that would change nothing (with stencilSkipping). The same bytes.
  bool stencilOnlyRows = true;
  // A draw without a fragment function reads no varyings: its vertices are shaded for their positions alone,
  // by the vertex function's position form where it has one. The same bytes.
  bool positionsAlone = true;
  // A run of one colour over a multisampled stencil (with simd) tests a pixel whose samples hold the value
  // of the pixel before it at once, and blends the colour without a weight a pixel; the stencil skipping
  // looks for such pixels, and for those that change nothing, four at a time (a run it finds holding one
  // value at every sample of every pixel is tested and marked once). The same bytes.
  bool sampledCover = true;
  // A row of one colour blended source-over (with simd) gives four pixels that hold the bytes of the last
  // four it blended whole their result, without the arithmetic. The same bytes.
  bool repeatedBlends = true;
  // Thin triangles' rows (a sampled fill's fringe, a span of a pixel or two a row): a triangle's varyings'
  // terms and steps are worked out once for all its spans, a span of one fragment is shaded without asking
  // the shader first whether it is one colour (and over a stencil, blended source-over, on its own), a row of
  // a few pixels under a stencil test finds its runs a pixel at a time, and a draw without a fragment function
  // marks the stencil along its rows in place. The same bytes.
  bool thinRows = true;
  // Under sampledSpans, a downward edge is stepped down its rows of samples (a sixteenth of a pixel apart),
  // each sample's bound a shift from its row's crossing: one by one where it reaches few of them in a block
  // of rows, else a row of pixels at a time in lanes set up so; not each sample's bound set up by division.
  // The same bytes.
  bool sampleRowEdges = true;
  // A draw of the vertices the draw before it in its pass shaded (the same vertex function, descriptor,
  // buffers, viewport and ids, and the varyings it reads kept) takes them, and the triangles it listed where
  // it would list the same, instead of shading them again; a draw the next ones repeat so keeps its
  // varyings for them. The same bytes.
  bool repeatedVertices = true;
  // A run of vertices whose attributes are pairs of floats within their buffers is shaded by the vertex
  // function's run form, where it has one, and put in window coordinates in the SIMD arithmetic (with simd).
  // The same bytes.
  bool vertexRuns = true;
  // A draw of the triangles a draw before it in its pass listed (repeatedVertices), rasterized alike (the
  // same clip and culling), replays the rows that draw's triangles gave, each with its own stencil and
  // shading, instead of setting each triangle up and bounding its rows again: a sampled fill's fringe,
  // counted, marked and then drawn in colour. The same bytes.
  bool spanReplays = true;
  // Under thinRows, a span of one fragment under a stencil test that fails it at every sample (a sampled
  // fill's fringe marks, where two of its triangles meet) is not shaded for its colour: the shader is asked
  // only whether it discards it, which decides whether the failure changes the stencil. The same bytes.
  bool failedUncoloured = true;
  // A span of a draw whose shader reads its samples' coverage (a sampled fill's fringe, drawn in colour
  // where its paths cross) is tested a pixel of two stencil values at a time, and the shader shades a paint
  // of one colour without its general span arithmetic (QorvFragmentSpanIn coverageShortcuts), asked once a
  // draw where the shader has a draw form (drawConstants). The same bytes.
  bool coverageSpans = true;

  bool operator==(const QorvGpuOptions&) const = default;
};
