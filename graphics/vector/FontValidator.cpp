#include "graphics/vector/FontValidator.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <vector>

namespace iplugin::igraphics
{
namespace
{
// Composite glyphs nest and share components; these bound the work and memory stb_truetype spends on one.
constexpr int kMaxComponentDepth = 8;
constexpr int kMaxComponentVisits = 4096;
constexpr int64_t kMaxOutlineVertices = 131072;
// Transformed component coordinates are stored as 16-bit values; stay clear of the edge of that range.
constexpr double kMaxCoordinate = 32766.0;

struct Bytes
{
  const unsigned char* d;
  int64_t n;

  bool Has(int64_t off, int64_t len) const { return off >= 0 && len >= 0 && off <= n && len <= n - off; }
  unsigned U8(int64_t o) const { return d[o]; }
  unsigned U16(int64_t o) const { return (unsigned)d[o] << 8 | d[o + 1]; }
  int S16(int64_t o) const { return (int16_t)U16(o); }
  uint32_t U32(int64_t o) const
  {
    return (uint32_t)d[o] << 24 | (uint32_t)d[o + 1] << 16 | (uint32_t)d[o + 2] << 8 | d[o + 3];
  }
  bool Tag(int64_t o, const char* t) const
  {
    return d[o] == t[0] && d[o + 1] == t[1] && d[o + 2] == t[2] && d[o + 3] == t[3];
  }
};

// The signatures stb_truetype accepts for a single font.
bool IsFont(const Bytes& b)
{
  static const unsigned char trueType1[4] = {'1', 0, 0, 0};
  static const unsigned char openType1[4] = {0, 1, 0, 0};
  for (const unsigned char* sig : {trueType1, openType1})
    if (b.d[0] == sig[0] && b.d[1] == sig[1] && b.d[2] == sig[2] && b.d[3] == sig[3]) return true;
  return b.Tag(0, "typ1") || b.Tag(0, "OTTO") || b.Tag(0, "true");
}

// First directory entry with the tag, as stb_truetype looks it up; 0 when absent.
int64_t FindTable(const Bytes& b, int64_t start, const char* tag)
{
  const int64_t count = b.U16(start + 4);
  for (int64_t i = 0; i < count; ++i)
  {
    const int64_t loc = start + 12 + 16 * i;
    if (b.Tag(loc, tag)) return b.U32(loc + 8);
  }
  return 0;
}

bool CheckCmapFormat4(const Bytes& b, int64_t map)
{
  if (!b.Has(map, 14)) return false;
  const int64_t segcount = b.U16(map + 6) >> 1;
  const int64_t searchRange = b.U16(map + 8) >> 1;
  const int64_t entrySelector = b.U16(map + 10);
  const int64_t rangeShift = b.U16(map + 12) >> 1;
  const int64_t endCount = map + 14;
  // The binary search trusts the header's search parameters: find the furthest segment it can reach.
  int64_t itemMax = rangeShift;
  for (int64_t k = 1; k <= entrySelector && k < 17; ++k)
    itemMax += searchRange >> k;
  const int64_t starts = endCount + 2 * segcount + 2;
  const int64_t offsets = endCount + 6 * segcount + 2;
  if (!b.Has(endCount, 2 * itemMax + 2) || !b.Has(offsets, 2 * itemMax + 2)) return false;
  for (int64_t item = 0; item <= itemMax; ++item)
  {
    const int64_t start = b.U16(starts + 2 * item);
    const int64_t last = b.U16(endCount + 2 * item);
    const int64_t offset = b.U16(offsets + 2 * item);
    if (offset != 0 && start <= last && !b.Has(offsets + 2 * item + offset + 2 * (last - start), 2))
      return false;
  }
  return true;
}

bool CheckCmapSubtable(const Bytes& b, int64_t map)
{
  if (!b.Has(map, 2)) return false;
  switch (b.U16(map))
  {
  case 0:
    return b.Has(map, 4) && (b.U16(map + 2) <= 6 || b.Has(map, b.U16(map + 2)));
  case 4:
    return CheckCmapFormat4(b, map);
  case 6:
    return b.Has(map, 10) && b.Has(map + 10, 2 * (int64_t)b.U16(map + 8));
  case 12:
  case 13:
    return b.Has(map, 16) && b.U32(map + 12) <= INT_MAX && b.Has(map + 16, 12 * (int64_t)b.U32(map + 12));
  default:
    return false;
  }
}

// The cmap subtable stb_truetype picks: the last Unicode or Microsoft Unicode (BMP or full) record.
int64_t SelectCmapSubtable(const Bytes& b, int64_t cmap)
{
  if (!b.Has(cmap, 4)) return -1;
  const int64_t count = b.U16(cmap + 2);
  if (!b.Has(cmap + 4, 8 * count)) return -1;
  int64_t map = 0;
  for (int64_t i = 0; i < count; ++i)
  {
    const int64_t rec = cmap + 4 + 8 * i;
    const unsigned platform = b.U16(rec);
    const unsigned encoding = b.U16(rec + 2);
    if (platform == 0 || (platform == 3 && (encoding == 1 || encoding == 10)))
      map = (cmap + b.U32(rec + 4)) & 0xFFFFFFFF;
  }
  return map == 0 ? -1 : map;
}

bool CheckKern(const Bytes& b, int64_t kern)
{
  if (kern == 0) return true;
  if (!b.Has(kern, 4)) return false;
  if (b.U16(kern + 2) < 1) return true;
  if (!b.Has(kern, 10)) return false;
  if (b.U16(kern + 8) != 1) return true;
  return b.Has(kern, 12) && b.Has(kern + 18, 6 * (int64_t)b.U16(kern + 10));
}

struct GlyphCheck
{
  const stbtt_fontinfo* info;
  Bytes b;
  int visits = 0;
  std::vector<unsigned char> flags;
};

struct OutlineSize
{
  int64_t vertices = 0;
  double maxAbs = 0;
};

bool CheckSimpleGlyph(GlyphCheck& c, int64_t g, int64_t limit, int contours, OutlineSize* out)
{
  const Bytes b{c.b.d, limit};
  const int64_t endPts = g + 10;
  if (!b.Has(endPts, 2 * (int64_t)contours + 2)) return false;
  const int64_t n = 1 + (int64_t)b.U16(endPts + 2 * contours - 2);
  int64_t p = endPts + 2 * contours + 2 + b.U16(endPts + 2 * contours);
  c.flags.assign((size_t)n, 0);
  unsigned flag = 0, repeat = 0;
  for (int64_t i = 0; i < n; ++i)
  {
    if (repeat == 0)
    {
      if (!b.Has(p, 1)) return false;
      flag = b.U8(p++);
      if (flag & 8)
      {
        if (!b.Has(p, 1)) return false;
        repeat = b.U8(p++);
      }
    }
    else
      --repeat;
    c.flags[(size_t)i] = (unsigned char)flag;
  }
  double maxAbs = 0;
  // x then y: a byte with a sign flag, a 16-bit delta, or a repeat of the previous value.
  for (unsigned shortBit : {2u, 4u})
  {
    const unsigned sameBit = shortBit << 3;
    int32_t v = 0;
    for (int64_t i = 0; i < n; ++i)
    {
      const unsigned f = c.flags[(size_t)i];
      if (f & shortBit)
      {
        if (!b.Has(p, 1)) return false;
        const int d = b.U8(p++);
        v += (f & sameBit) ? d : -d;
      }
      else if (!(f & sameBit))
      {
        if (!b.Has(p, 2)) return false;
        v += b.S16(p);
        p += 2;
      }
      maxAbs = std::fmax(maxAbs, std::fabs((double)(int16_t)v));
    }
  }
  // A contour that starts off the curve looks at its next point, which must exist.
  int64_t nextMove = 0, j = 0;
  for (int64_t i = 0; i < n; ++i)
  {
    if (nextMove != i) continue;
    if (!(c.flags[(size_t)i] & 1))
    {
      if (i + 1 >= n) return false;
      if (c.flags[(size_t)i + 1] & 1) ++i;
    }
    nextMove = 1 + (int64_t)b.U16(endPts + 2 * j);
    ++j;
  }
  out->vertices = n + 2 * (int64_t)contours;
  out->maxAbs = maxAbs;
  return true;
}

bool CheckGlyph(GlyphCheck& c, int glyph, int depth, OutlineSize* out);

bool CheckCompositeGlyph(GlyphCheck& c, int64_t g, int64_t limit, int depth, OutlineSize* out)
{
  const Bytes b{c.b.d, limit};
  int64_t p = g + 10;
  for (bool more = true; more;)
  {
    if (++c.visits > kMaxComponentVisits || !b.Has(p, 4)) return false;
    const unsigned flags = b.U16(p);
    const int component = (int)b.U16(p + 2);
    p += 4;
    if (!(flags & 2)) // point matching is not supported by the rasteriser
      return false;
    float mtx[6] = {1, 0, 0, 1, 0, 0};
    if (flags & 1)
    {
      if (!b.Has(p, 4)) return false;
      mtx[4] = (float)b.S16(p);
      mtx[5] = (float)b.S16(p + 2);
      p += 4;
    }
    else
    {
      if (!b.Has(p, 2)) return false;
      mtx[4] = (float)(int8_t)b.U8(p);
      mtx[5] = (float)(int8_t)b.U8(p + 1);
      p += 2;
    }
    const int scaleCount = (flags & 8) ? 1 : (flags & 0x40) ? 2 : (flags & 0x80) ? 4 : 0;
    if (!b.Has(p, 2 * scaleCount)) return false;
    if (scaleCount == 1)
      mtx[0] = mtx[3] = b.S16(p) / 16384.0f;
    else if (scaleCount == 2)
    {
      mtx[0] = b.S16(p) / 16384.0f;
      mtx[3] = b.S16(p + 2) / 16384.0f;
    }
    else if (scaleCount == 4)
      for (int k = 0; k < 4; ++k)
        mtx[k] = b.S16(p + 2 * k) / 16384.0f;
    p += 2 * scaleCount;

    OutlineSize child;
    if (!CheckGlyph(c, component, depth + 1, &child)) return false;
    const double m = std::sqrt(mtx[0] * mtx[0] + mtx[1] * mtx[1]);
    const double n = std::sqrt(mtx[2] * mtx[2] + mtx[3] * mtx[3]);
    const double bx =
        m * (std::fabs(mtx[0]) * child.maxAbs + std::fabs(mtx[2]) * child.maxAbs + std::fabs(mtx[4]));
    const double by =
        n * (std::fabs(mtx[1]) * child.maxAbs + std::fabs(mtx[3]) * child.maxAbs + std::fabs(mtx[5]));
    if (bx > kMaxCoordinate || by > kMaxCoordinate) return false;
    out->maxAbs = std::fmax(out->maxAbs, std::fmax(bx, by));
    out->vertices += child.vertices;
    if (out->vertices > kMaxOutlineVertices) return false;
    more = (flags & 0x20) != 0;
  }
  return true;
}

bool CheckGlyph(GlyphCheck& c, int glyph, int depth, OutlineSize* out)
{
  const stbtt_fontinfo* info = c.info;
  *out = OutlineSize();
  if (depth > kMaxComponentDepth) return false;
  if (glyph < 0 || glyph >= info->numGlyphs || info->indexToLocFormat >= 2)
    return true; // no outline: stb_truetype reads nothing
  int64_t g1, g2;
  if (info->indexToLocFormat == 0)
  {
    const int64_t loc = (int64_t)info->loca + 2 * (int64_t)glyph;
    if (!c.b.Has(loc, 4)) return false;
    g1 = info->glyf + 2 * (int64_t)c.b.U16(loc);
    g2 = info->glyf + 2 * (int64_t)c.b.U16(loc + 2);
  }
  else
  {
    const int64_t loc = (int64_t)info->loca + 4 * (int64_t)glyph;
    if (!c.b.Has(loc, 8)) return false;
    g1 = info->glyf + (int64_t)c.b.U32(loc);
    g2 = info->glyf + (int64_t)c.b.U32(loc + 4);
  }
  if (g1 == g2) return true;
  const int64_t limit = g2 > g1 && g2 < c.b.n ? g2 : c.b.n;
  if (!Bytes{c.b.d, limit}.Has(g1, 10)) return false;
  const int contours = c.b.S16(g1);
  if (contours > 0) return CheckSimpleGlyph(c, g1, limit, contours, out);
  if (contours < 0) return CheckCompositeGlyph(c, g1, limit, depth, out);
  return true;
}

} // namespace

int FontValidateFace(const unsigned char* data, int dataSize, int fontIndex)
{
  if (!data || dataSize < 12) return -1;
  const Bytes b{data, dataSize};

  int64_t start = 0;
  if (IsFont(b))
  {
    if (fontIndex != 0) return -1;
  }
  else if (b.Tag(0, "ttcf"))
  {
    const uint32_t version = b.U32(4);
    if (version != 0x00010000 && version != 0x00020000) return -1;
    const int64_t count = (int32_t)b.U32(8);
    if (fontIndex < 0 || fontIndex >= count || !b.Has(12 + 4 * (int64_t)fontIndex, 4)) return -1;
    start = b.U32(12 + 4 * (int64_t)fontIndex);
  }
  else
    return -1;

  if (!b.Has(start, 12) || !b.Has(start + 12, 16 * (int64_t)b.U16(start + 4))) return -1;

  const int64_t cmap = FindTable(b, start, "cmap");
  const int64_t head = FindTable(b, start, "head");
  const int64_t hhea = FindTable(b, start, "hhea");
  const int64_t hmtx = FindTable(b, start, "hmtx");
  const int64_t loca = FindTable(b, start, "loca");
  const int64_t glyf = FindTable(b, start, "glyf");
  const int64_t maxp = FindTable(b, start, "maxp");
  const int64_t kern = FindTable(b, start, "kern");
  // Only TrueType outlines: the CFF reader of stb_truetype is not bounded by the data's size.
  if (!cmap || !head || !hhea || !hmtx || !loca || !glyf || !maxp) return -1;
  if (!b.Has(head, 54) || !b.Has(hhea, 36) || !b.Has(maxp, 6) || !b.Has(glyf, 0)) return -1;

  const int64_t numGlyphs = b.U16(maxp + 4);
  const int64_t numLong = b.U16(hhea + 34);
  if (numGlyphs < 1 || numLong < 1) return -1;
  // The scale of every size divides by the font height.
  if (b.S16(hhea + 4) - b.S16(hhea + 6) <= 0) return -1;
  const int64_t metrics = numLong >= numGlyphs ? 4 * numGlyphs : 4 * numLong + 2 * (numGlyphs - numLong);
  if (!b.Has(hmtx, metrics)) return -1;
  const unsigned locFormat = b.U16(head + 50);
  if ((locFormat == 0 && !b.Has(loca, 2 * (numGlyphs + 1))) ||
      (locFormat == 1 && !b.Has(loca, 4 * (numGlyphs + 1))))
    return -1;

  const int64_t map = SelectCmapSubtable(b, cmap);
  if (map < 0 || !CheckCmapSubtable(b, map) || !CheckKern(b, kern)) return -1;
  return (int)start;
}

int FontValidateGlyph(const stbtt_fontinfo* info, int dataSize, int glyph)
{
  GlyphCheck c{info, Bytes{info->data, dataSize}, 0, {}};
  OutlineSize size;
  return CheckGlyph(c, glyph, 0, &size) ? 1 : 0;
}

} // namespace iplugin::igraphics
