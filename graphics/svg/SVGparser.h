// The state of one SVG parse and the steps that build an SVGimage from the document text.
// Internal to the parser; exposed so that each step can be tested on its own.
#pragma once

#include "graphics/svg/SVGimage.h"

#include <cstdint>

namespace iplugin::igraphics
{
constexpr int kSVGmaxAttr = 128;       // depth of the attribute stack
constexpr int kSVGmaxXMLAttribs = 127; // attribute pairs handed to a start handler
constexpr int kSVGmaxDashes = 8;

enum SVGunits
{
  SVG_UNITS_USER = 0,
  SVG_UNITS_PX,
  SVG_UNITS_PT,
  SVG_UNITS_PC,
  SVG_UNITS_MM,
  SVG_UNITS_CM,
  SVG_UNITS_IN,
  SVG_UNITS_PERCENT,
  SVG_UNITS_EM,
  SVG_UNITS_EX,
};

enum SVGgradientUnits : uint8_t
{
  SVG_USER_SPACE = 0,
  SVG_OBJECT_SPACE = 1,
};

enum SVGalign
{
  SVG_ALIGN_MIN = 0,
  SVG_ALIGN_MID = 1,
  SVG_ALIGN_MAX = 2,
  SVG_ALIGN_NONE = 0,
  SVG_ALIGN_MEET = 1,
  SVG_ALIGN_SLICE = 2,
};

struct SVGcoordinate
{
  float value;
  int units; // SVGunits
};

// One "linearGradient" or "radialGradient" element.
struct SVGgradientData
{
  char id[64];
  char ref[64]; // id named by "xlink:href"
  int8_t type;  // SVG_PAINT_LINEAR_GRADIENT or SVG_PAINT_RADIAL_GRADIENT
  // Linear: x1, y1, x2, y2. Radial: cx, cy, r, fx, fy.
  SVGcoordinate slots[5];
  uint8_t spread;
  uint8_t units; // SVGgradientUnits
  float xform[6];
  int nstops;
  SVGgradientStop* stops;
  SVGgradientData* next; // older definition
};

// One record of the stack of inherited presentation attributes.
struct SVGattrib
{
  char id[64];
  float xform[6];
  uint32_t fillColor;
  uint32_t strokeColor;
  float opacity;
  float fillOpacity;
  float strokeOpacity;
  char fillGradient[64];
  char strokeGradient[64];
  float strokeWidth;
  float strokeDashOffset;
  float strokeDashArray[kSVGmaxDashes];
  int strokeDashCount;
  uint8_t strokeLineJoin;
  uint8_t strokeLineCap;
  float miterLimit;
  uint8_t fillRule;
  float fontSize;
  uint32_t stopColor;
  float stopOpacity;
  float stopOffset;
  uint8_t hasFill;   // 0 none, 1 colour, 2 gradient
  uint8_t hasStroke; // 0 none, 1 colour, 2 gradient
  uint8_t visible;
};

struct SVGparser
{
  SVGattrib attr[kSVGmaxAttr];
  int attrHead;
  int attrOverflow; // pushes refused at the stack limit, so their pops leave outer levels alone
  float* pts;
  int npts;
  int cpts;
  SVGpath* plist;
  SVGimage* image;
  SVGgradientData* gradients;
  SVGshape* shapesTail;
  float viewMinx, viewMiny, viewWidth, viewHeight;
  int alignX, alignY, alignType;
  float dpi;
  uint8_t defsFlag;
};

// Numbers, units, colours (values).
bool svgIsSpace(char c);
bool svgIsDigit(char c);
const char* svgParseNumber(const char* s, char* it, int size);
// A number reads as SVG's grammar has it: sign, digits with an optional fraction (".5", "5." and "5"),
// and an exponent only when digits follow its "e" (so "1e" is the number 1 and an "e"). svgAtof reads
// that much of s; svgNumberEnd answers where it ends, or s when no number starts there.
double svgAtof(const char* s);
const char* svgNumberEnd(const char* s);
// Reads numbers off a list as SVG's grammar separates them (path data, "points"): blanks with at most one
// comma among them, or nothing where a sign or a second point ends the last number.
struct SVGnumberListReader
{
  const char* s;
  void SkipBlanks();
  // Blanks with at most one comma among them; whether there was a comma.
  bool SkipCommaBlanks();
  // False, leaving s, when no number starts there.
  bool ReadNumber(float& value);
};
SVGcoordinate svgParseCoordinateRaw(const char* str);
float svgConvertToPixels(const SVGparser* p, SVGcoordinate c, float orig, float length);
float svgActualLength(const SVGparser* p);
float svgParseCoordinate(const SVGparser* p, const char* str, float orig, float length);
// Reads a colour as 0x00BBGGRR into color; false, leaving color as it was, for a text that is no colour.
bool svgParseColor(const char* str, uint32_t& color);
// The colour keywords one by one, from index 0; null past the last.
const char* svgColorKeyword(int index);
float svgParseOpacity(const char* str);

// Gradients.
void svgParseGradient(SVGparser* p, const char** attr, int8_t type);
void svgParseGradientStop(SVGparser* p, const char** attr);
SVGgradient* svgCreateGradient(SVGparser* p, const char* id, const float* localBounds, uint8_t* paintType);
void svgDeleteGradientData(SVGgradientData* grad);

// Transforms: (a, b, c, d, e, f) maps (x, y) to (a x + c y + e, b x + d y + f).
void svgXformIdentity(float* t);
void svgXformSetTranslation(float* t, float tx, float ty);
void svgXformSetScale(float* t, float sx, float sy);
void svgXformSetRotation(float* t, float radians);
void svgXformSetSkewX(float* t, float radians);
void svgXformSetSkewY(float* t, float radians);
void svgXformMultiply(float* t, const float* s);    // t = t followed by s
void svgXformPremultiply(float* t, const float* s); // t = s followed by t
void svgXformInverse(float* inv, const float* t);
void svgXformPoint(float* dx, float* dy, float x, float y, const float* t);
void svgXformVec(float* dx, float* dy, float x, float y, const float* t);
// Reads the numbers between "(" and ")" of a transform function into args; returns the length up to the
// ")", or 0 when either bracket is missing. na is -1 when there are more numbers than maxNa.
int svgParseTransformArgs(const char* str, float* args, int maxNa, int* na);
void svgParseTransform(float* xform, const char* str);

// Shape building.
void svgCurveBounds(float* bounds, const float* curve);
void svgLocalBounds(float* bounds, const SVGshape* shape, const float* xform);
void svgAddPath(SVGparser* p, char closed);
void svgAddShape(SVGparser* p);
void svgDeletePaths(SVGpath* path); // a whole linked list with its points

// Point buffer and geometry, in the element's own coordinates.
void svgResetPath(SVGparser* p);
void svgMoveTo(SVGparser* p, float x, float y);
void svgLineTo(SVGparser* p, float x, float y);
void svgCubicBezTo(SVGparser* p, float cpx1, float cpy1, float cpx2, float cpy2, float x, float y);
void svgPathArcTo(SVGparser* p, float* cpx, float* cpy, const float* args, bool rel);
int svgPathArgCount(char cmd);
void svgParsePath(SVGparser* p, const char** attr);
void svgParseRect(SVGparser* p, const char** attr);
void svgParseCircle(SVGparser* p, const char** attr);
void svgParseEllipse(SVGparser* p, const char** attr);
void svgParseLine(SVGparser* p, const char** attr);
void svgParsePoly(SVGparser* p, const char** attr, bool closed);

// Tokenizer: cuts the text in place; every handler may be null. Returns 1.
using SVGstartElementFn = void (*)(void* ud, const char* el, const char** attr);
using SVGendElementFn = void (*)(void* ud, const char* el);
using SVGcontentFn = void (*)(void* ud, const char* s);
int svgParseXML(char* input, SVGstartElementFn startelCb, SVGendElementFn endelCb, SVGcontentFn contentCb,
                void* ud);

// Elements and presentation attributes.
SVGattrib* svgGetAttr(SVGparser* p);
void svgPushAttr(SVGparser* p);
void svgPopAttr(SVGparser* p);
int svgParseAttr(SVGparser* p, const char* name, const char* value);
void svgParseAttribs(SVGparser* p, const char** attr);
void svgParseStyle(SVGparser* p, const char* str);
int svgParseNameValue(SVGparser* p, const char* start, const char* end);
void svgParseSVG(SVGparser* p, const char** attr);
void svgStartElement(void* ud, const char* el, const char** attr);
void svgEndElement(void* ud, const char* el);
void svgContent(void* ud, const char* s);

// Document.
SVGparser* svgCreateParser();
void svgDeleteParser(SVGparser* p);
float svgUnitFactor(const SVGparser* p, const char* units);
void svgScaleToViewbox(SVGparser* p, const char* units);
} // namespace iplugin::igraphics
