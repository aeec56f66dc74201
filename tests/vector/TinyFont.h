// A small TrueType font built in memory, so that tests (and the fuzz seeds) can break one field at a time.
// Glyphs: 0 a square (missing glyph), 1 'A' a triangle, 2 'B' a composite of 'A' moved right, 3 'C' a
// composite that contains itself, 4 'D' a composite placed by point matching, 5 'E' a triangle plus a
// contour of a single off-curve point. Kerning pair A,B = -50 units. 1000 units per em, ascent 800,
// descent -200, line gap 100.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace qorvtest
{
struct TinyFont
{
  std::vector<unsigned char> bytes;
  std::map<std::string, uint32_t> offsets; // table tag -> offset in bytes
  std::map<std::string, uint32_t> lengths;

  void Put16(uint32_t at, int v)
  {
    bytes[at] = (unsigned char)((v >> 8) & 0xFF);
    bytes[at + 1] = (unsigned char)(v & 0xFF);
  }
  void Put32(uint32_t at, uint32_t v)
  {
    Put16(at, (int)(v >> 16));
    Put16(at + 2, (int)(v & 0xFFFF));
  }
  int Get16(uint32_t at) const { return bytes[at] << 8 | bytes[at + 1]; }
};

namespace tinyfont
{
struct Writer
{
  std::vector<unsigned char> b;
  void U8(int v) { b.push_back((unsigned char)v); }
  void U16(int v)
  {
    U8((v >> 8) & 0xFF);
    U8(v & 0xFF);
  }
  void U32(uint32_t v)
  {
    U16((int)(v >> 16));
    U16((int)(v & 0xFFFF));
  }
  void Pad()
  {
    while (b.size() % 4)
      U8(0);
  }
};

inline std::vector<unsigned char> SimpleGlyph(const std::vector<std::vector<std::pair<int, int>>>& contours,
                                              const std::vector<int>& onCurve)
{
  Writer w;
  int xMin = 32767, yMin = 32767, xMax = -32768, yMax = -32768, count = 0;
  for (const auto& c : contours)
    for (auto [x, y] : c)
    {
      xMin = std::min(xMin, x), yMin = std::min(yMin, y), xMax = std::max(xMax, x), yMax = std::max(yMax, y);
      ++count;
    }
  w.U16((int)contours.size());
  w.U16(xMin), w.U16(yMin), w.U16(xMax), w.U16(yMax);
  int end = -1;
  for (const auto& c : contours)
    w.U16(end += (int)c.size());
  w.U16(0); // no instructions
  for (int i = 0; i < count; ++i)
    w.U8(onCurve[(size_t)i] ? 1 : 0); // 16-bit x and y deltas
  for (int axis = 0; axis < 2; ++axis)
  {
    int prev = 0;
    for (const auto& c : contours)
      for (auto [x, y] : c)
      {
        const int v = axis == 0 ? x : y;
        w.U16(v - prev);
        prev = v;
      }
  }
  return w.b;
}

inline std::vector<unsigned char> Composite(int flags, int glyph, int dx, int dy, int xMax)
{
  Writer w;
  w.U16(0xFFFF); // -1 contours
  w.U16(0), w.U16(0), w.U16(xMax), w.U16(700);
  w.U16(flags), w.U16(glyph), w.U16(dx), w.U16(dy);
  return w.b;
}
} // namespace tinyfont

inline TinyFont MakeTinyFont()
{
  using namespace tinyfont;
  const std::vector<std::pair<int, int>> triangle = {{100, 0}, {500, 700}, {900, 0}};
  std::vector<std::vector<unsigned char>> glyphs = {
      SimpleGlyph({{{100, 0}, {100, 700}, {600, 700}, {600, 0}}}, {1, 1, 1, 1}),
      SimpleGlyph({triangle}, {1, 1, 1}),
      Composite(0x0003, 1, 50, 0, 950),
      Composite(0x0003, 3, 10, 0, 900),
      Composite(0x0001, 1, 0, 0, 900),
      SimpleGlyph({triangle, {{300, 300}}}, {1, 1, 1, 0}),
  };
  const int numGlyphs = (int)glyphs.size();

  std::map<std::string, std::vector<unsigned char>> tables;
  {
    Writer w; // cmap: one Microsoft Unicode BMP subtable, format 4, 'A'..'E' -> 1..5
    w.U16(0), w.U16(1), w.U16(3), w.U16(1), w.U32(12);
    const int segCount = 2;
    w.U16(4), w.U16(16 + 8 * segCount), w.U16(0), w.U16(2 * segCount), w.U16(4), w.U16(1), w.U16(0);
    w.U16('E'), w.U16(0xFFFF), w.U16(0);
    w.U16('A'), w.U16(0xFFFF);
    w.U16(1 - 'A'), w.U16(1);
    w.U16(0), w.U16(0);
    tables["cmap"] = w.b;
  }
  {
    Writer w;
    w.U32(0x00010000), w.U32(0x00010000), w.U32(0), w.U32(0x5F0F3CF5), w.U16(0), w.U16(1000);
    for (int i = 0; i < 4; ++i)
      w.U32(0);
    w.U16(0), w.U16(0), w.U16(950), w.U16(700), w.U16(0), w.U16(8), w.U16(2), w.U16(0), w.U16(0);
    tables["head"] = w.b;
  }
  {
    Writer w;
    w.U32(0x00010000), w.U16(800), w.U16(-200 & 0xFFFF), w.U16(100), w.U16(1000);
    for (int i = 0; i < 11; ++i)
      w.U16(i == 3 ? 1 : 0); // caret slope rise 1, the rest 0
    w.U16(numGlyphs);
    tables["hhea"] = w.b;
  }
  {
    Writer w;
    for (int i = 0; i < numGlyphs; ++i)
      w.U16(i == 0 ? 700 : 1000), w.U16(100);
    tables["hmtx"] = w.b;
  }
  {
    Writer w;
    w.U32(0x00005000), w.U16(numGlyphs);
    tables["maxp"] = w.b;
  }
  {
    Writer glyf, loca;
    for (const auto& g : glyphs)
    {
      loca.U16((int)glyf.b.size() / 2);
      glyf.b.insert(glyf.b.end(), g.begin(), g.end());
      glyf.Pad();
    }
    loca.U16((int)glyf.b.size() / 2);
    tables["glyf"] = glyf.b;
    tables["loca"] = loca.b;
  }
  {
    Writer w;
    w.U16(0), w.U16(1), w.U16(0), w.U16(14 + 6), w.U16(1), w.U16(1), w.U16(6), w.U16(0), w.U16(0);
    w.U16(1), w.U16(2), w.U16(-50 & 0xFFFF);
    tables["kern"] = w.b;
  }

  TinyFont font;
  Writer out;
  const int count = (int)tables.size();
  out.U32(0x00010000), out.U16(count), out.U16(128), out.U16(3), out.U16(count * 16 - 128);
  uint32_t offset = 12 + 16 * (uint32_t)count;
  for (const auto& [tag, data] : tables)
  {
    for (char c : tag)
      out.U8(c);
    out.U32(0), out.U32(offset), out.U32((uint32_t)data.size());
    font.offsets[tag] = offset;
    font.lengths[tag] = (uint32_t)data.size();
    offset += ((uint32_t)data.size() + 3) & ~3u;
  }
  for (const auto& [tag, data] : tables)
  {
    out.b.insert(out.b.end(), data.begin(), data.end());
    out.Pad();
  }
  font.bytes = out.b;
  return font;
}
} // namespace qorvtest
