// Bytes allocated and not yet freed, as AddressSanitizer's allocator counts them (exact, with no cache of
// freed blocks counted in) and the large blocks mapped beside it. Other builds have no such count
// (kAllocatedBytesCounted is false).
#pragma once

#include <QorvPlatform/LargeBlocks.h>

#include <cstddef>

#if defined(__SANITIZE_ADDRESS__)
extern "C" size_t __sanitizer_get_current_allocated_bytes(); // the sanitizer's runtime
namespace qorvtest
{
inline constexpr bool kAllocatedBytesCounted = true;
inline size_t AllocatedBytes()
{
  return __sanitizer_get_current_allocated_bytes() + qorvplatform::LargeBytesMapped();
}
} // namespace qorvtest
#else
namespace qorvtest
{
inline constexpr bool kAllocatedBytesCounted = false;
inline size_t AllocatedBytes()
{
  return 0;
}
} // namespace qorvtest
#endif
