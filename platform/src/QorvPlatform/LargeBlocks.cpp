#include <QorvPlatform/LargeBlocks.h>

#include <sanitizer/asan_interface.h>
#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
#define QORV_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QORV_LEAK_CHECKED 1
#endif
#endif
#if defined(QORV_LEAK_CHECKED)
#include <sanitizer/lsan_interface.h>
#endif

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
std::atomic<size_t> gMappedBytes{0};

Header& HeaderOf(void* block)
{
  return *reinterpret_cast<Header*>(static_cast<unsigned char*>(block) - sizeof(Header));
}

// A mapping reaches past its block's end to a whole page, and AddressSanitizer takes all of it for
// reachable: the room after the block's last byte is marked unreachable whenever the block's size is set,
// so that an overflow into it is reported as one past a heap block is (no-ops in other builds).
void MarkSpareRoom(unsigned char* block, size_t bytes, size_t mapped)
{
  unsigned char* end = block - kMappedHeader + mapped;
  ASAN_UNPOISON_MEMORY_REGION(block, bytes);
  ASAN_POISON_MEMORY_REGION(block + bytes, size_t(end - (block + bytes)));
}

// The leak checker looks for pointers in the heap's blocks and in the regions it is told of, and a mapped
// block may hold the only pointer to a heap block (a pass's draws hold their index buffers).
void SeenByLeakChecker(void* mapping, size_t mapped, bool seen)
{
#if defined(QORV_LEAK_CHECKED)
  if (seen)
    __lsan_register_root_region(mapping, mapped);
  else
    __lsan_unregister_root_region(mapping, mapped);
#else
  (void)mapping, (void)mapped, (void)seen;
#endif
}
} // namespace

void* LargeAlloc(size_t bytes)
{
  if (bytes > SIZE_MAX / 2) return nullptr;
  unsigned char* at = nullptr;
  size_t mapped = 0;
  if (bytes < kLargeBlockBytes)
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
    gMappedBytes.fetch_add(bytes, std::memory_order_relaxed);
    at = static_cast<unsigned char*>(p) + kMappedHeader;
    MarkSpareRoom(at, bytes, mapped);
    SeenByLeakChecker(p, mapped, true);
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
  SeenByLeakChecker(at - kMappedHeader, h.mapped, false);
  // The addresses may be mapped again, by anyone: they go back reachable.
  ASAN_UNPOISON_MEMORY_REGION(at - kMappedHeader, h.mapped);
  munmap(at - kMappedHeader, h.mapped);
  gMapped.fetch_sub(1, std::memory_order_relaxed);
  gMappedBytes.fetch_sub(h.bytes, std::memory_order_relaxed);
}

void* LargeRealloc(void* block, size_t bytes)
{
  if (!block) return LargeAlloc(bytes);
  const Header h = HeaderOf(block);
  if (h.mapped && bytes + kMappedHeader <= h.mapped && bytes >= kLargeBlockBytes)
  {
    HeaderOf(block).bytes = bytes;
    gMappedBytes.fetch_add(bytes - h.bytes, std::memory_order_relaxed); // wraps down when it shrinks
    MarkSpareRoom(static_cast<unsigned char*>(block), bytes, h.mapped);
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

size_t LargeBytesMapped()
{
  return gMappedBytes.load(std::memory_order_relaxed);
}
} // namespace qorvplatform
