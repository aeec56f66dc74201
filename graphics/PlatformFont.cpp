#include "graphics/PlatformFont.h"

#include <cstdint>
#include <cstring>

namespace iplugin::igraphics
{
namespace
{
uint32_t Read32(const unsigned char* p)
{
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

// Offset of face faceIdx's table directory, or -1 when the data holds no such face.
long FaceOffset(const unsigned char* data, size_t size, int faceIdx)
{
  if (size < 12) return -1;
  if (std::memcmp(data, "ttcf", 4) != 0) return faceIdx == 0 ? 0 : -1;
  const uint32_t count = Read32(data + 8);
  if (uint32_t(faceIdx) >= count || 12 + size_t(faceIdx + 1) * 4 > size) return -1;
  const uint32_t offset = Read32(data + 12 + size_t(faceIdx) * 4);
  return offset + 12 <= size ? long(offset) : -1;
}
} // namespace

bool FontData::IsValid() const
{
  if (mBytes.empty() || mFaceIdx < 0) return false;
  const unsigned char* data = mBytes.data();
  const long face = FaceOffset(data, mBytes.size(), mFaceIdx);
  if (face < 0) return false;
  const unsigned tables = unsigned(data[face + 4]) << 8 | data[face + 5];
  if (size_t(face) + 12 + size_t(tables) * 16 > mBytes.size()) return false;
  int found = 0;
  for (unsigned i = 0; i < tables; ++i)
  {
    const unsigned char* tag = data + face + 12 + i * 16;
    for (const char* wanted : {"cmap", "head", "hhea", "hmtx"})
      if (std::memcmp(tag, wanted, 4) == 0) ++found;
  }
  return found == 4;
}
} // namespace iplugin::igraphics
