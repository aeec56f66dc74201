#include "framework/HeapBuf.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace iplugin
{
namespace
{
constexpr int64_t kPage = 4096;
constexpr int64_t kMaxStep = 4194304;
constexpr int64_t kPageTail = 96;

// The allocation for n bytes; larger than INT_MAX means the request cannot be served.
int64_t AllocationFor(int64_t n, int64_t granul)
{
  if (n < 1) return 0;
  if (granul < kPage) return n + std::max(n / 2, granul);
  int64_t step = std::max(n / 2, granul) / kPage * kPage;
  step = std::clamp(step, kPage, kMaxStep);
  // Large buffers end 96 bytes short of a page boundary.
  return (n + step + kPageTail) / kPage * kPage - kPageTail;
}
} // namespace

void* HeapBuf::Resize(int newSize, bool resizeDown)
{
  const int n = std::max(newSize, 0);
  if (n == m_size) return n < 1 ? nullptr : m_buf;

  int64_t threshold = 0;
  if (resizeDown && n < m_size)
  {
    threshold = std::min<int64_t>(int64_t(m_alloc) - 4 * int64_t(m_granul), m_alloc / 2);
    threshold = std::max<int64_t>(threshold, 1);
  }

  if (n > m_alloc || n < threshold)
  {
    const int64_t a = AllocationFor(n, m_granul);
    if (a > INT_MAX) return m_size > 0 ? m_buf : nullptr;
    if (a != m_alloc)
    {
      if (a <= 0)
      {
        Free();
        return nullptr;
      }
      void* block = std::realloc(m_buf, size_t(a));
      if (!block)
      {
        block = std::malloc(size_t(a));
        if (!block) return m_size > 0 ? m_buf : nullptr;
        if (m_buf)
        {
          std::memcpy(block, m_buf, size_t(std::min(n, m_size)));
          std::free(m_buf);
        }
      }
      m_buf = block;
      m_alloc = int(a);
    }
  }
  m_size = n;
  return n < 1 ? nullptr : m_buf;
}

void HeapBuf::Free()
{
  std::free(m_buf);
  m_buf = nullptr;
  m_alloc = 0;
  m_size = 0;
}
} // namespace iplugin
