// The allocations that threads of a test binary make while they ask for them to be counted
// (tCountAllocations), as the binary's operator new (tests/support/CountedNew.h) counts them.
#pragma once

#include <atomic>

namespace qorvtest
{
inline thread_local bool tCountAllocations = false;
inline std::atomic<long> gAllocationsCounted{0};
} // namespace qorvtest
