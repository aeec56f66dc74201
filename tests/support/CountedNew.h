// The test binary's operator new and delete, counting the allocations a thread makes while it asks for
// them (tests/support/AllocationCount.h). Included by exactly one source file of a binary: it defines the
// replacements.
#pragma once

#include "tests/support/AllocationCount.h"

#include <cstdlib>
#include <new>

namespace qorvtest
{
inline void* CountedAllocate(std::size_t size) noexcept
{
  if (tCountAllocations) gAllocationsCounted.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size ? size : 1);
}
} // namespace qorvtest

void* operator new(std::size_t size)
{
  if (void* p = qorvtest::CountedAllocate(size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
  return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
  return qorvtest::CountedAllocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
  return qorvtest::CountedAllocate(size);
}
void operator delete(void* p) noexcept
{
  std::free(p);
}
void operator delete[](void* p) noexcept
{
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
  std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
  std::free(p);
}
