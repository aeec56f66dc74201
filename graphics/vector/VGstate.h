// One render state of the vector context and the codes its fields take.
#pragma once

#include "graphics/vector/VGrenderParams.h"

namespace iplugin::igraphics
{
enum EVGwinding
{
  kVGSolid = 1, // counter-clockwise
  kVGHole = 2   // clockwise
};

enum EVGlineCode
{
  kVGButt = 0,
  kVGRound = 1,
  kVGSquare = 2,
  kVGBevel = 3,
  kVGMiter = 4
};

enum EVGalign
{
  kVGAlignLeft = 1,
  kVGAlignCenter = 2,
  kVGAlignRight = 4,
  kVGAlignTop = 8,
  kVGAlignMiddle = 16,
  kVGAlignBottom = 32,
  kVGAlignBaseline = 64
};

enum EVGfillRule
{
  kVGNonZero = 0,
  kVGEvenOdd = 1 // a point is inside when a ray from it crosses the outline an odd number of times
};

enum EVGcompositeOperation
{
  kVGSourceOver = 0,
  kVGSourceIn,
  kVGSourceOut,
  kVGAtop,
  kVGDestinationOver,
  kVGDestinationIn,
  kVGDestinationOut,
  kVGDestinationAtop,
  kVGLighter,
  kVGCopy,
  kVGXor
};

struct VGstate
{
  VGcompositeOperationState compositeOperation;
  int shapeAntiAlias;
  VGpaint fill;
  VGpaint stroke;
  float strokeWidth;
  float miterLimit;
  int lineJoin;
  int lineCap;
  float alpha; // global alpha
  float xform[6];
  VGscissor scissor;
  float fontSize;
  float letterSpacing;
  float lineHeight;
  float fontBlur;
  int textAlign;
  int fontId;
  int fillRule; // EVGfillRule
  // Sub-paths keep the directions they were drawn in (VGdirections.h): under the non-zero rule, shapes
  // wound alike add up and one wound the other way cuts a hole. Otherwise each is turned as its winding
  // command says, a solid without one.
  int keepDirections;
};

// Blend factors of a composite operation; any other index gives (one, zero).
VGcompositeOperationState vgCompositeOperationState(int op);
} // namespace iplugin::igraphics
