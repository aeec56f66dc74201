#include <QorvPlatform/LargeBlocks.h>

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace qorvplatform
{
namespace
{
// Before each block: its size as asked, and the length of its mapping (0 for a block from the heap). A
// mapped block starts a whole header further on, so that it stays aligned to 64 bytes.
struct Header
{
  size_t bytes;
  size_t mapped;
};
constexpr size_t kHeapHeader = 16, kMappedHeader = 64;
static_assert(sizeof(Header) <= kHeapHeader);

std::atomic<long> gMapped{0};

// Under AddressSanitizer every block comes from its heap, which sees overflows past the block's end.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMapLargeBlocks = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kMapLargeBlocks = false;
#else
constexpr bool kMapLargeBlocks = true;
#endif
#else
constexpr bool kMapLargeBlocks = true;
#endif

Header& HeaderOf(void* block)
{
  return *reinterpret_cast<Header*>(static_cast<unsigned char*>(block) - sizeof(Header));
}
} // namespace

void* LargeAlloc(size_t bytes)
{
  if (bytes > SIZE_MAX / 2) return nullptr;
  unsigned char* at = nullptr;
  size_t mapped = 0;
  if (bytes < kLargeBlockBytes || !kMapLargeBlocks)
  {
    at = static_cast<unsigned char*>(std::malloc(bytes + kHeapHeader));
    if (!at) return nullptr;
    at += kHeapHeader;
  }
  else
  {
    const size_t page = 4096;
    mapped = (bytes + kMappedHeader + page - 1) / page * page;
    void* p = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (p == MAP_FAILED) return nullptr;
    gMapped.fetch_add(1, std::memory_order_relaxed);
    at = static_cast<unsigned char*>(p) + kMappedHeader;
  }
  HeaderOf(at) = Header{bytes, mapped};
  return at;
}

void LargeFree(void* block)
{
  if (!block) return;
  const Header h = HeaderOf(block);
  unsigned char* at = static_cast<unsigned char*>(block);
  if (!h.mapped)
  {
    std::free(at - kHeapHeader);
    return;
  }
  munmap(at - kMappedHeader, h.mapped);
  gMapped.fetch_sub(1, std::memory_order_relaxed);
}

void* LargeRealloc(void* block, size_t bytes)
{
  if (!block) return LargeAlloc(bytes);
  const Header h = HeaderOf(block);
  if (h.mapped && bytes + kMappedHeader <= h.mapped && bytes >= kLargeBlockBytes)
  {
    HeaderOf(block).bytes = bytes;
    return block;
  }
  void* moved = LargeAlloc(bytes);
  if (!moved) return nullptr;
  std::memcpy(moved, block, std::min(h.bytes, bytes));
  LargeFree(block);
  return moved;
}

long LargeBlocksMapped()
{
  return gMapped.load(std::memory_order_relaxed);
}
} // namespace qorvplatform
