// The vector context: an immediate-mode drawing core that turns paths, paints and text into
// device-space geometry and hands it to a renderer (VGrenderParams). Main thread only; failures are
// reported by results (null, 0), never by exceptions or messages.
#pragma once

#include "graphics/vector/VGfillWays.h"
#include "graphics/vector/VGoptions.h"
#include "graphics/vector/VGstate.h"
#include "graphics/vector/VGtransform.h"

namespace iplugin::igraphics
{
struct FontAtlas;
struct VGthinScratch;

constexpr int kVGMaxStates = 32;
constexpr int kVGMaxFontImages = 4;
constexpr int kVGInitCommandsSize = 256;
constexpr int kVGInitPointsSize = 128;
constexpr int kVGInitPathsSize = 16;
constexpr int kVGInitVertsSize = 256;
constexpr int kVGInitFontImageSize = 512;
constexpr int kVGMaxFontImageSize = 2048;
// Kappa of quarter circles made of cubic Beziers.
constexpr float kVGKappa90 = 0.5522847493f;
constexpr float kVGPi = 3.14159265358979323846264338327f;

struct VGcontext
{
  VGrenderParams params;
  VGoptions options;
  float* commands; // path commands of the current path, device space
  int ccommands;
  int ncommands;
  float commandx, commandy; // last command point, in the user space of the call that set it
  VGstate states[kVGMaxStates];
  int nstates;
  VGpathCache* cache;
  VGpathCache* outlines; // even-odd fill outlines of the cached paths (VGoutlines.h), made on demand
  float tessTol;
  float distTol;
  float fringeWidth;
  float devicePxRatio;
  float frameWidth, frameHeight; // the frame's size in view units
  FontAtlas* fs;                 // glyph cache
  VGthinScratch* thin;           // what thin convex fills work in, made on demand
  int fontImages[kVGMaxFontImages];
  int fontImageIdx;
  // Per-frame counters; only written.
  int drawCallCount;
  int fillTriCount;
  int strokeTriCount;
  int textTriCount;
  int crossingTests; // segment pairs the even-odd outlines compared for crossings
  VGfillPlan fillPlan; // how the last fill was drawn (its thin way as written), for tests to read
};

// Context and frame.
VGcontext* vgCreateContext(const VGrenderParams* params);
void vgDeleteContext(VGcontext* ctx);
void vgBeginFrame(VGcontext* ctx, float windowWidth, float windowHeight, float devicePixelRatio);
void vgCancelFrame(VGcontext* ctx);
void vgEndFrame(VGcontext* ctx);
// The current state (last one in use).
VGstate* vgGetState(VGcontext* ctx);

// State stack: at most 32 states; unbalanced saves and restores are ignored.
void vgSave(VGcontext* ctx);
void vgRestore(VGcontext* ctx);
void vgReset(VGcontext* ctx);

// Render-state setters.
void vgShapeAntiAlias(VGcontext* ctx, int enabled);
void vgStrokeWidth(VGcontext* ctx, float width);
void vgMiterLimit(VGcontext* ctx, float limit);
void vgLineCap(VGcontext* ctx, int cap);
void vgLineJoin(VGcontext* ctx, int join);
void vgGlobalAlpha(VGcontext* ctx, float alpha);
// EVGfillRule of the following fills; other values count as non-zero.
void vgFillRule(VGcontext* ctx, int rule);
// Whether the sub-paths of the path that the following fills flatten keep their directions (VGstate).
void vgKeepDirections(VGcontext* ctx, int keep);

// Composite operations; codes are stored unchanged.
void vgGlobalCompositeOperation(VGcontext* ctx, int op);
void vgGlobalCompositeBlendFunc(VGcontext* ctx, int sfactor, int dfactor);
void vgGlobalCompositeBlendFuncSeparate(VGcontext* ctx, int srcRGB, int dstRGB, int srcAlpha, int dstAlpha);

// Current transform; each operation acts in the current local coordinates.
void vgResetTransform(VGcontext* ctx);
void vgTransform(VGcontext* ctx, float a, float b, float c, float d, float e, float f);
void vgTranslate(VGcontext* ctx, float x, float y);
void vgRotate(VGcontext* ctx, float angle);
void vgSkewX(VGcontext* ctx, float angle);
void vgSkewY(VGcontext* ctx, float angle);
void vgScale(VGcontext* ctx, float x, float y);
void vgCurrentTransform(VGcontext* ctx, float* xform);

// Scissor.
void vgScissor(VGcontext* ctx, float x, float y, float w, float h);
void vgIntersectScissor(VGcontext* ctx, float x, float y, float w, float h);
void vgResetScissor(VGcontext* ctx);

// Paints of the current state.
void vgFillColor(VGcontext* ctx, VGcolor color);
void vgStrokeColor(VGcontext* ctx, VGcolor color);
// The paint is fixed in the user space in which it is set.
void vgFillPaint(VGcontext* ctx, VGpaint paint);
void vgStrokePaint(VGcontext* ctx, VGpaint paint);

// Images (renderer textures); id 0 means failure.
int vgCreateImage(VGcontext* ctx, const char* filename, int imageFlags);
int vgCreateImageMem(VGcontext* ctx, int imageFlags, unsigned char* data, int ndata);
int vgCreateImageRGBA(VGcontext* ctx, int w, int h, int imageFlags, const unsigned char* data);
void vgUpdateImage(VGcontext* ctx, int image, const unsigned char* data);
void vgImageSize(VGcontext* ctx, int image, int* w, int* h);
void vgDeleteImage(VGcontext* ctx, int image);

// Paths. Commands are stored in device space (the transform at the time of the call).
void vgBeginPath(VGcontext* ctx);
void vgMoveTo(VGcontext* ctx, float x, float y);
void vgLineTo(VGcontext* ctx, float x, float y);
void vgBezierTo(VGcontext* ctx, float c1x, float c1y, float c2x, float c2y, float x, float y);
void vgQuadTo(VGcontext* ctx, float cx, float cy, float x, float y);
void vgArcTo(VGcontext* ctx, float x1, float y1, float x2, float y2, float radius);
void vgClosePath(VGcontext* ctx);
void vgPathWinding(VGcontext* ctx, int dir);
// Angles in radians; dir kVGSolid (counter-clockwise) or kVGHole (clockwise).
void vgArc(VGcontext* ctx, float cx, float cy, float r, float a0, float a1, int dir);
void vgRect(VGcontext* ctx, float x, float y, float w, float h);
void vgRoundedRect(VGcontext* ctx, float x, float y, float w, float h, float r);
void vgRoundedRectVarying(VGcontext* ctx, float x, float y, float w, float h, float radTopLeft,
                          float radTopRight, float radBottomRight, float radBottomLeft);
void vgEllipse(VGcontext* ctx, float cx, float cy, float rx, float ry);
void vgCircle(VGcontext* ctx, float cx, float cy, float r);
// The common sink of all path commands.
void vgAppendCommands(VGcontext* ctx, float* vals, int nvals);
// Flattens the commands into the path cache; does nothing when the cache already holds paths.
void vgFlattenPaths(VGcontext* ctx);
void vgDebugDumpPathCache(VGcontext* ctx);

// The shortcuts the context and its renderer take (all by default), for the calls made from now on; the
// renderer gets them through params.renderOptions.
void vgSetOptions(VGcontext* ctx, const VGoptions& options);
const VGoptions& vgOptions(const VGcontext* ctx);

// Tessellation and drawing.
void vgFill(VGcontext* ctx);
void vgStroke(VGcontext* ctx);
// Classifies every point's join of the cache's paths for a fill whose fringe is w wide (0: none) and each
// path's convexity; a single convex path's corners, with a fringe, are mitred to where its sides' insets
// meet, however sharp.
void vgClassifyFillJoins(VGcontext* ctx, float w);
// Writes the cache's paths' vertices for the way chosen (vgChooseFill, which classified their joins), with
// a fringe w wide (0: none); a thin way becomes the one written (the band where columns do not fit). 0 when
// the vertex array cannot grow.
int vgExpandFill(VGcontext* ctx, float w, VGfillWay& way);
// w: half the width drawn; half: half the stroke's own width (less when a thin stroke is drawn a fringe
// wide and faded), which its caps' ink follows.
int vgExpandStroke(VGcontext* ctx, float w, float fringe, int lineCap, int lineJoin, float miterLimit, float half);
// Room for nverts vertices in the cache's vertex array, or null.
VGvertex* vgAllocTempVerts(VGcontext* ctx, int nverts);
} // namespace iplugin::igraphics
