#include "graphics/vector/VGencodedImageCheck.h"

#include <cstdint>
#include <cstring>

namespace iplugin::igraphics
{
namespace
{
// Huffman table segment: tables of a class/id byte, 16 code counts and that many symbols; a table
// holds at most 256 symbols. Marks the tables it defines in *defined (bit id, plus 4 for AC tables).
bool HuffmanTablesAreSound(const unsigned char* p, int len, unsigned* defined)
{
  int i = 0;
  while (i < len)
  {
    if (len - i < 17) return false;
    int tc = p[i] >> 4, th = p[i] & 15;
    if (tc > 1 || th > 3) return false;
    int n = 0;
    for (int k = 1; k <= 16; k++)
      n += p[i + k];
    if (n > 256 || len - i - 17 < n) return false;
    *defined |= 1u << (th + 4 * tc);
    i += 17 + n;
  }
  return true;
}

// A scan may only use Huffman tables defined before it: the decoder would read undefined ones.
bool ScanTablesAreDefined(const unsigned char* p, int len, bool progressive, unsigned defined)
{
  if (len < 1) return false;
  int ns = p[0];
  if (len < 1 + 2 * ns + 3) return false;
  const unsigned char* tail = p + 1 + 2 * ns;
  int ss = tail[0], se = tail[1], ah = tail[2] >> 4;
  bool needDc = progressive ? (ss == 0 && ah == 0) : true;
  bool needAc = progressive ? (se > 0 && ss > 0) : true;
  for (int c = 0; c < ns; c++)
  {
    int td = p[2 + 2 * c] >> 4, ta = p[2 + 2 * c] & 15;
    if (td > 3 || ta > 3) return false;
    if (needDc && !(defined & (1u << td))) return false;
    if (needAc && !(defined & (1u << (ta + 4)))) return false;
  }
  return true;
}

// Skips entropy-coded data: stops on a marker other than a stuffed zero or a restart marker.
int SkipEntropyData(const unsigned char* data, int size, int i)
{
  while (i + 1 < size)
  {
    if (data[i] == 0xFF && data[i + 1] != 0x00 && !(data[i + 1] >= 0xD0 && data[i + 1] <= 0xD7) &&
        data[i + 1] != 0xFF)
      return i;
    i++;
  }
  return size;
}

bool JpegIsSound(const unsigned char* data, int size, int i)
{
  unsigned defined = 0;
  bool progressive = false;
  while (i < size)
  {
    if (data[i] != 0xFF) return false;
    while (i < size && data[i] == 0xFF)
      i++; // fill bytes
    if (i >= size) return false;
    int marker = data[i++];
    if (marker == 0xD9) return true; // end of image
    if (marker == 0x01 || marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7)) continue;
    if (size - i < 2) return false;
    int len = (data[i] << 8) | data[i + 1];
    if (len < 2 || size - i < len) return false;
    const unsigned char* body = data + i + 2;
    if (marker == 0xC2) progressive = true;
    if (marker == 0xC4 && !HuffmanTablesAreSound(body, len - 2, &defined)) return false;
    if (marker == 0xDA && !ScanTablesAreDefined(body, len - 2, progressive, defined)) return false;
    i += len;
    if (marker == 0xDA) i = SkipEntropyData(data, size, i);
  }
  return false; // no end marker: truncated
}

uint32_t Be32(const unsigned char* p)
{
  return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}

// Chunks must lie inside the data and end with the end chunk; an empty data chunk before the first
// data is refused (the decoder would copy from a buffer it has not made yet).
bool PngIsSound(const unsigned char* data, int size)
{
  int i = 8;
  bool seenData = false;
  while (size - i >= 12)
  {
    uint32_t len = Be32(data + i);
    const unsigned char* type = data + i + 4;
    if (len > (uint32_t)(size - i - 12)) return false;
    if (std::memcmp(type, "IDAT", 4) == 0)
    {
      if (len == 0 && !seenData) return false;
      seenData = true;
    }
    if (std::memcmp(type, "IEND", 4) == 0) return true;
    i += 12 + (int)len;
  }
  return false; // no end chunk: truncated
}
} // namespace

bool vgEncodedImageIsSound(const unsigned char* data, int size)
{
  if (!data || size <= 0) return false;
  // The decoder takes anything that starts with a start-of-image marker after fill bytes for JPEG.
  int i = 0;
  while (i < size && data[i] == 0xFF)
    i++;
  if (i > 0 && i < size && data[i] == 0xD8) return JpegIsSound(data, size, i + 1);
  static const unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (size >= 8 && std::memcmp(data, kPngSignature, 8) == 0) return PngIsSound(data, size);
  return true;
}
} // namespace iplugin::igraphics
