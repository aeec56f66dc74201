// A growable block of bytes with one shared growth rule. Never throws: a failed allocation leaves
// the buffer as it was and shows in the returned pointer. Not synchronised.
#pragma once

namespace iplugin
{
class HeapBuf
{
public:
  explicit HeapBuf(int granularity = 128) : m_granul(granularity) {}
  ~HeapBuf() { Free(); }
  HeapBuf(const HeapBuf&) = delete;
  HeapBuf& operator=(const HeapBuf&) = delete;
  // Takes the other's block; the other is left empty.
  HeapBuf(HeapBuf&& other) noexcept
      : m_buf(other.m_buf), m_alloc(other.m_alloc), m_size(other.m_size), m_granul(other.m_granul)
  {
    other.m_buf = nullptr;
    other.m_alloc = other.m_size = 0;
  }
  HeapBuf& operator=(HeapBuf&& other) noexcept
  {
    if (this != &other)
    {
      Free();
      m_buf = other.m_buf;
      m_alloc = other.m_alloc;
      m_size = other.m_size;
      m_granul = other.m_granul;
      other.m_buf = nullptr;
      other.m_alloc = other.m_size = 0;
    }
    return *this;
  }

  // Sets the size in bytes and returns the block; null when the new size is below 1 or nothing could
  // be allocated for an empty buffer. With resizeDown the allocation may shrink.
  void* Resize(int newSize, bool resizeDown = false);

  // The block, or null while the size is 0.
  void* Get() const { return m_size > 0 ? m_buf : nullptr; }
  int GetSize() const { return m_size; }
  int GetAllocated() const { return m_alloc; }

  // Releases the block and empties the buffer.
  void Free();

private:
  void* m_buf = nullptr;
  int m_alloc = 0;
  int m_size = 0;
  int m_granul;
};
} // namespace iplugin
