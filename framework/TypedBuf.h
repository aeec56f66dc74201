// An array of one trivially copyable element type over a HeapBuf.
#pragma once

#include "framework/HeapBuf.h"

#include <climits>
#include <type_traits>

namespace iplugin
{
template <class T> class TypedBuf
{
  static_assert(std::is_trivially_copyable_v<T>, "TypedBuf moves its elements as bytes");

public:
  explicit TypedBuf(int granularity = 128) : m_hb(granularity) {}

  // Resizes to n elements; a count whose bytes do not fit the buffer changes nothing.
  T* Resize(int n, bool resizeDown = false)
  {
    if (n > INT_MAX / int(sizeof(T))) return Get();
    return static_cast<T*>(m_hb.Resize(n * int(sizeof(T)), resizeDown));
  }
  T* Get() const { return static_cast<T*>(m_hb.Get()); }
  int GetSize() const { return m_hb.GetSize() / int(sizeof(T)); }
  // Bytes held for the elements, including the room grown ahead.
  int GetAllocatedBytes() const { return m_hb.GetAllocated(); }
  void Free() { m_hb.Free(); }

private:
  HeapBuf m_hb;
};
} // namespace iplugin
