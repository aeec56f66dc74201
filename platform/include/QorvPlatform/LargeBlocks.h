// Memory for large buffers: texture levels, GPU buffers, decoded images, font files (no platform
// counterpart; the platform's allocator does this by itself). A block of kLargeBlockBytes or more is mapped
// from the system on its own and goes back to it whole when freed, so that the big buffers a window makes and
// frees, window after window, leave no holes in the heap between the small blocks that outlive them, and do
// not teach the heap to keep blocks of their size itself. Smaller blocks come from the heap. Any thread.
// Under AddressSanitizer a mapped block's spare room (to the end of its last page) is unreachable, as the
// space past a heap block is.
#pragma once

#include <cstddef>
#include <new>
#include <vector>

namespace qorvplatform
{
inline constexpr size_t kLargeBlockBytes = size_t(128) * 1024;

// Like malloc, realloc and free (null when memory runs out; a block is aligned to 16 bytes, and a mapped one
// to 64 bytes); a block from one goes back through LargeFree only.
void* LargeAlloc(size_t bytes);
void* LargeRealloc(void* block, size_t bytes);
void LargeFree(void* block);
// Blocks mapped from the system and not yet given back, and their bytes as asked, for checks.
long LargeBlocksMapped();
size_t LargeBytesMapped();

// For containers of large buffers.
template <class T> struct LargeAllocator
{
  using value_type = T;
  LargeAllocator() = default;
  template <class U> LargeAllocator(const LargeAllocator<U>&) noexcept {}
  T* allocate(size_t n)
  {
    if (n > size_t(-1) / 2 / sizeof(T)) throw std::bad_array_new_length();
    void* p = LargeAlloc(n * sizeof(T));
    if (!p) throw std::bad_alloc();
    return static_cast<T*>(p);
  }
  void deallocate(T* p, size_t) noexcept { LargeFree(p); }
  template <class U> bool operator==(const LargeAllocator<U>&) const noexcept { return true; }
};

template <class T> using LargeVector = std::vector<T, LargeAllocator<T>>;
} // namespace qorvplatform
