#include "graphics/mac/FontFaceReader.h"

#include "framework/Utf8.h"

#include <cstring>
#include <string>

namespace iplugin::igraphics
{
namespace
{
// Big-endian reads that fail instead of reading past the end.
struct Bytes
{
  const uint8_t* p;
  size_t n;

  bool Has(size_t offset, size_t count) const { return offset <= n && count <= n - offset; }
  bool U16(size_t offset, uint16_t& v) const
  {
    if (!Has(offset, 2)) return false;
    v = uint16_t(p[offset] << 8 | p[offset + 1]);
    return true;
  }
  bool U32(size_t offset, uint32_t& v) const
  {
    if (!Has(offset, 4)) return false;
    v = uint32_t(p[offset]) << 24 | uint32_t(p[offset + 1]) << 16 | uint32_t(p[offset + 2]) << 8 |
        p[offset + 3];
    return true;
  }
  bool Tag(size_t offset, const char* tag) const
  {
    return Has(offset, 4) && std::memcmp(p + offset, tag, 4) == 0;
  }
};

// Start of face i, or false for none.
bool FaceStart(const Bytes& b, int i, uint32_t& start)
{
  if (i < 0) return false;
  for (const char* single : {"\0\1\0\0", "1\0\0\0", "OTTO", "typ1"})
    if (b.Tag(0, single))
    {
      start = 0;
      return i == 0;
    }
  uint32_t version = 0, count = 0;
  if (!b.Tag(0, "ttcf") || !b.U32(4, version) || !b.U32(8, count)) return false;
  if (version != 0x00010000 && version != 0x00020000) return false;
  return uint32_t(i) < count && b.U32(12 + size_t(i) * 4, start);
}

// The name of the id from the record of that platform, encoding and language; false when a record's
// text lies outside the bytes.
bool ReadName(const Bytes& b, uint32_t table, uint16_t nameID, uint16_t platform, uint16_t encoding,
              uint16_t language, std::string& out)
{
  uint16_t count = 0, storage = 0;
  if (!b.U16(table + 2, count) || !b.U16(table + 4, storage)) return false;
  for (uint16_t r = 0; r < count; ++r)
  {
    const size_t rec = size_t(table) + 6 + size_t(r) * 12;
    uint16_t pid, eid, lid, nid, len, off;
    if (!b.U16(rec, pid) || !b.U16(rec + 2, eid) || !b.U16(rec + 4, lid) || !b.U16(rec + 6, nid) ||
        !b.U16(rec + 8, len) || !b.U16(rec + 10, off))
      return false;
    if (pid != platform || eid != encoding || lid != language || nid != nameID) continue;
    const size_t start = size_t(table) + storage + off;
    if (!b.Has(start, len)) return false;
    const uint8_t* s = b.p + start;
    if (platform == 3)
    {
      for (size_t k = 0; k + 1 < len; k += 2)
      {
        uint32_t c = uint32_t(s[k] << 8 | s[k + 1]);
        if (c >= 0xD800 && c < 0xDC00 && k + 3 < len)
        {
          const uint32_t lo = uint32_t(s[k + 2] << 8 | s[k + 3]);
          if (lo >= 0xDC00 && lo < 0xE000)
          {
            c = 0x10000 + ((c - 0xD800) << 10) + (lo - 0xDC00);
            k += 2;
          }
        }
        if (c == 0) break;
        AppendUtf8(out, char32_t(c));
      }
    }
    else
      out.assign(reinterpret_cast<const char*>(s), strnlen(reinterpret_cast<const char*>(s), len));
    return true;
  }
  return true;
}

bool ReadNames(const Bytes& b, uint32_t table, uint16_t nameID, StringBuf& out)
{
  std::string text;
  if (!ReadName(b, table, nameID, 3, 1, 0x409, text)) return false;
  if (text.empty() && !ReadName(b, table, nameID, 1, 0, 0, text)) return false;
  out.Set(text.c_str());
  return true;
}
} // namespace

double FontFaceRecord::EmRatio() const
{
  const double height = double(mAscender) - double(mDescender);
  return height > 0 ? double(mUnitsPerEm) / height : 1.0;
}

void ReadFontFace(const uint8_t* bytes, size_t size, int faceIdx, FontFaceRecord& record)
{
  record.mData = nullptr;
  const Bytes b{bytes, bytes ? size : 0};
  uint32_t face = 0;
  uint16_t tables = 0;
  if (!FaceStart(b, faceIdx, face) || !b.U16(size_t(face) + 4, tables)) return;
  if (!b.Has(size_t(face) + 12, size_t(tables) * 16)) return;

  uint32_t head = 0, name = 0, hhea = 0, fdsc = 0;
  for (uint16_t t = 0; t < tables; ++t)
  {
    const size_t rec = size_t(face) + 12 + size_t(t) * 16;
    uint32_t offset = 0;
    b.U32(rec + 8, offset);
    for (auto [tag, slot] : {std::pair{"head", &head}, {"name", &name}, {"hhea", &hhea}, {"fdsc", &fdsc}})
      if (b.Tag(rec, tag) && *slot == 0) *slot = offset;
  }
  record.mHeadOffset = head;
  record.mNameOffset = name;
  record.mHheaOffset = hhea;
  record.mFdscOffset = fdsc;
  if (!head || !name || !hhea)
  {
    record.mData = bytes + face;
    return;
  }

  uint16_t macStyle, unitsPerEm, ascender, descender, lineGap;
  if (!b.U16(size_t(head) + 44, macStyle) || !b.U16(size_t(head) + 18, unitsPerEm) ||
      !b.U16(size_t(hhea) + 4, ascender) || !b.U16(size_t(hhea) + 6, descender) ||
      !b.U16(size_t(hhea) + 8, lineGap) || !ReadNames(b, name, 1, record.mFamily) ||
      !ReadNames(b, name, 2, record.mStyle))
    return;
  record.mMacStyle = macStyle;
  record.mUnitsPerEm = unitsPerEm;
  record.mAscender = int16_t(ascender);
  record.mDescender = int16_t(descender);
  record.mLineGap = int16_t(lineGap);
  record.mData = bytes + face;
}

int FindFontFaceIndex(const uint8_t* bytes, size_t size, const char* style)
{
  const char* wanted = style ? style : "";
  for (int i = 0;; ++i)
  {
    FontFaceRecord record;
    ReadFontFace(bytes, size, i, record);
    if (!record.IsValid()) return -1;
    const char* found = record.mStyle.Get();
    if (*found && (!*wanted || std::strcmp(found, wanted) == 0)) return i;
  }
}
} // namespace iplugin::igraphics
