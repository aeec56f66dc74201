// The shading contract of the renderer interface as a plain function: what the fragment stage makes
// of one recorded call's uniforms at one point. Software renderers call it per fragment; GPU shader
// code must agree with it.
#pragma once

#include "graphics/vector/MVGrecording.h"

#include <QorvPlatform/MetalShaders.h>

#include <cstdint>

namespace iplugin::igraphics
{
// Samples the call's texture at normalised coordinates (s, t), writing RGBA 0..1 as stored (an alpha
// texture answers its value in every component). Filtering and wrapping are the renderer's.
struct MVGsampler
{
  const void* user;
  void (*sample)(const void* user, float s, float t, float* rgba);
  // Optional: n samples at once, giving what n calls of sample give.
  void (*sampleSpan)(const void* user, const float* s, const float* t, int n, float (*rgba)[4]) = nullptr;
};

// x, y: the fragment's position in view units (before the pixel ratio); u, v: the interpolated vertex
// coordinates. antialias selects the anti-aliasing variant. Writes the premultiplied colour and
// returns false when the fragment is discarded. A null sampler reads as transparent black.
bool vgShadeFragment(const MVGfragUniforms& frag, float x, float y, float u, float v, bool antialias,
                     const MVGsampler* sampler, float* rgba);

// vgShadeFragment over n fragments: keep[i] is 0 where fragment i is discarded, else 1 and rgba[i] holds
// its colour. rgba may be null when only the discards are wanted. The uniforms are looked at once, so the
// common cases (no scissor, one colour, no stroke coverage) cost less than n calls; colours agree with
// vgShadeFragment to a float rounding.
void vgShadeSpan(const MVGfragUniforms& frag, const float* x, const float* y, const float* u, const float* v,
                 int n, bool antialias, const MVGsampler* sampler, float (*rgba)[4], unsigned char* keep);

// How a span's coordinates run when a rasteriser steps them: x[i] is x0 + i * dx computed in float, and
// likewise y, u and v.
struct VGspanSteps
{
  float x0, dx, y0, dy, u0, du, v0, dv;
};

// A paint that vgShadeSpan gives one colour weighed by each fragment's coverage alone: a gradient of one
// colour without a scissor. Its colour into rgba and the scissor's factor (the same at every fragment) into
// scissor; false for any other paint. For an anti-aliased span that moves only u, vgShadeSpan's colour is
// then rgba[c] * (scissor * min(1, (1 - |2u - 1|) strokeMult) * min(1, v)), kept where that before the
// scissor's factor reaches strokeThr.
bool vgSolidPaint(const MVGfragUniforms& frag, float* rgba, float& scissor);

// Whether the n fragments of a stepped span all are kept with one colour, written to rgba: so for a span of
// one coverage (u and v not moving) of a one-colour paint, or of a gradient that does not change along the
// span, without a scissor. The colour is vgShadeFragment's.
bool vgShadeSpanColour(const MVGfragUniforms& frag, const VGspanSteps& steps, int n, bool antialias,
                       float* rgba);

// Whether every fragment of a stepped span (n up to 1024) is kept with the colour of the call's texture
// sampled at (s[i], t[i]), converted by the texture type (straight: multiplied by its alpha) and multiplied
// by k[i] alone (the coverage of scissor and fringe): an image fill with a white inner colour that discards
// nothing. Answers kSamples with s, t and k as vgShadeSpan computes them for x[i] = x0 + i * dx, y[i] = y0 +
// i * dy (u, v likewise), up to the sign of a zero, in the sample form of the software GPU's shaders (values
// of this thread's, until its next answer). untouched: an image fill's span that nothing covers, whose every
// fragment is kept with colour 0, may be answered with answer.none instead (whatever its texture type and
// inner colour), without s, t or k.
bool vgShadeSpanSamples(const MVGfragUniforms& frag, const VGspanSteps& steps, int n, bool antialias,
                        QorvSpanAnswer& answer, bool untouched = false);

// The rows of a rectangle, count stepped spans of n fragments each, as vgShadeSpanSamples would answer them
// one by one: answer.whole[r] is 1 for each row it answers with every k 1, 2 with every k 0, with one t, in
// answer.t[r], and with the same s for all of them. False when no row is such.
bool vgShadeRectSamples(const MVGfragUniforms& frag, const VGspanSteps* rows, int count, int n,
                        bool antialias, QorvSpanAnswer& answer);

// Parts of the contract, exposed for renderers that evaluate them separately.
float vgScissorCoverage(const MVGfragUniforms& frag, float x, float y);
float vgStrokeCoverage(const MVGfragUniforms& frag, float u, float v);
// Signed distance of a paint-space point to the rounded box of half size ext and corner radius rad.
float vgRoundedBoxDistance(float px, float py, float extx, float exty, float rad);
} // namespace iplugin::igraphics
