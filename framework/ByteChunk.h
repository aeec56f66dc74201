// The byte buffer that state, preset and chunk operations write into and read from. Values are
// written in the machine's (little-endian) order; a string is a 32-bit length and its bytes without
// terminator. Reads take a position and return the position after the value, or -1 when the value
// does not lie wholly inside the chunk.
#pragma once

#include "framework/HeapBuf.h"
#include "framework/StringBuf.h"

#include <cstdint>
#include <cstring>
#include <type_traits>

namespace iplugin
{
class ByteChunk
{
public:
  ByteChunk() = default;
  ByteChunk(const ByteChunk&) = delete;
  ByteChunk& operator=(const ByteChunk&) = delete;

  // Appends size bytes; returns the new size, or the old size when the chunk could not grow.
  int PutBytes(const void* data, int size)
  {
    const int n = Size();
    if (size <= 0 || !data) return n;
    if (int64_t(n) + size > INT32_MAX) return n;
    auto* block = static_cast<uint8_t*>(m_bytes.Resize(n + size));
    if (!block || m_bytes.GetSize() != n + size) return n;
    std::memcpy(block + n, data, size_t(size));
    return n + size;
  }

  // Reads size bytes at startPos; -1 when they are not all there.
  int GetBytes(void* buf, int size, int startPos) const
  {
    if (startPos < 0 || size < 0 || int64_t(startPos) + size > Size()) return -1;
    if (size) std::memcpy(buf, GetData() + startPos, size_t(size));
    return startPos + size;
  }

  template <class T> int Put(const T* value)
  {
    static_assert(std::is_trivially_copyable_v<T>);
    return PutBytes(value, int(sizeof(T)));
  }

  template <class T> int Get(T* value, int startPos) const
  {
    static_assert(std::is_trivially_copyable_v<T>);
    return GetBytes(value, int(sizeof(T)), startPos);
  }

  int PutStr(const char* str)
  {
    const int32_t len = str ? int32_t(std::strlen(str)) : 0;
    const int before = Size();
    if (Put(&len) == before) return before;
    const int after = PutBytes(str, len);
    if (len > 0 && after == before + int(sizeof len))
    {
      Resize(before); // keep the chunk whole: no length without its text
      return before;
    }
    return after;
  }

  int GetStr(StringBuf& str, int startPos) const
  {
    int32_t len = 0;
    const int pos = Get(&len, startPos);
    if (pos < 0 || len < 0 || int64_t(pos) + len > Size()) return -1;
    if (len == 0)
      str.Set("");
    else
      str.Set(reinterpret_cast<const char*>(GetData() + pos), len);
    return pos + len;
  }

  int PutChunk(const ByteChunk* other) { return other ? PutBytes(other->GetData(), other->Size()) : Size(); }

  void Clear() { m_bytes.Resize(0, false); }
  int Size() const { return m_bytes.GetSize(); }
  int Resize(int newSize)
  {
    m_bytes.Resize(newSize, false);
    return Size();
  }
  uint8_t* GetData() const { return static_cast<uint8_t*>(m_bytes.Get()); }

  bool IsEqual(const ByteChunk& other) const
  {
    return Size() == other.Size() &&
           (Size() == 0 || std::memcmp(GetData(), other.GetData(), size_t(Size())) == 0);
  }

private:
  HeapBuf m_bytes{4096};
};
} // namespace iplugin
