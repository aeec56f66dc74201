// A parsed SVG document: shapes made only of cubic Bezier paths, with flat or gradient paints.
//
// Plain records with free functions; failure is reported by a null result, never by an exception.
// Everything is in the target units asked for at parse time, y growing downwards.
// Colours are 0xAABBGGRR: red in the lowest byte, alpha in the highest.
// A parse touches only its own state, so parses on different threads do not interfere.
#pragma once

#include <cstdint>

namespace iplugin::igraphics
{
enum SVGpaintType : uint8_t
{
  SVG_PAINT_NONE = 0,
  SVG_PAINT_COLOR = 1,
  SVG_PAINT_LINEAR_GRADIENT = 2,
  SVG_PAINT_RADIAL_GRADIENT = 3,
};

enum SVGspreadType : uint8_t
{
  SVG_SPREAD_PAD = 0,
  SVG_SPREAD_REFLECT = 1,
  SVG_SPREAD_REPEAT = 2,
};

enum SVGlineJoin : uint8_t
{
  SVG_JOIN_MITER = 0,
  SVG_JOIN_ROUND = 1,
  SVG_JOIN_BEVEL = 2,
};

enum SVGlineCap : uint8_t
{
  SVG_CAP_BUTT = 0,
  SVG_CAP_ROUND = 1,
  SVG_CAP_SQUARE = 2,
};

enum SVGfillRule : uint8_t
{
  SVG_FILLRULE_NONZERO = 0,
  SVG_FILLRULE_EVENODD = 1,
};

enum SVGflags : uint8_t
{
  SVG_FLAGS_VISIBLE = 0x01,
};

struct SVGgradientStop
{
  uint32_t color; // alpha from the stop opacity
  float offset;
};

// One allocation: the record followed by its stops (stops points just behind the record).
struct SVGgradient
{
  // Maps a point of the image into gradient space: a linear gradient's position is the y coordinate there
  // (0 at the start point, 1 at the end point); a radial gradient's is the distance from the origin.
  float xform[6];
  uint8_t spread;
  float fx, fy; // focal point divided by the radius (radial only)
  int nstops;
  SVGgradientStop* stops; // ascending by offset
};

struct SVGpaint
{
  uint8_t type; // SVGpaintType
  union
  {
    uint32_t color;
    SVGgradient* gradient; // owned by the shape (types 2 and 3)
  };
};

struct SVGpath
{
  float* pts; // x, y pairs: the start point, then three points per cubic segment
  int npts;   // 1 + 3 x segments, at least 4
  uint8_t closed;
  float bounds[4]; // min x, min y, max x, max y
  SVGpath* next;
};

struct SVGshape
{
  char id[64];
  SVGpaint fill;
  SVGpaint stroke;
  float opacity; // not multiplied into the paint colours
  float strokeWidth;
  float strokeDashOffset;
  float strokeDashArray[8];
  int8_t strokeDashCount; // 0 means solid
  uint8_t strokeLineJoin; // SVGlineJoin
  uint8_t strokeLineCap;  // SVGlineCap
  float miterLimit;
  uint8_t fillRule; // SVGfillRule
  uint8_t flags;    // SVGflags
  float bounds[4];
  SVGpath* paths; // the last sub-path of the element comes first
  SVGshape* next;
};

struct SVGimage
{
  float width;  // in target units
  float height; // in target units
  SVGshape* shapes;
};

// Parses a NUL-terminated document (null gives null); writes into the text. units: "px", "pt", "pc", "mm", "cm", "in",
// "em", "ex" or "%" (anything else is pixels); dpi converts physical units. Null only when out of memory.
SVGimage* svgParse(char* input, const char* units, float dpi);

// Reads the whole file and parses it; null when it cannot be opened or read whole.
SVGimage* svgParseFromFile(const char* filename, const char* units, float dpi);

// Frees the image with all its shapes, paths and gradients; null does nothing.
void svgDelete(SVGimage* image);

// A copy with its own points and a null next; null for null or when out of memory.
SVGpath* svgDuplicatePath(const SVGpath* path);
} // namespace iplugin::igraphics
