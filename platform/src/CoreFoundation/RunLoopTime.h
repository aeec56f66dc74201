// The run loop's clock as the rest of the platform reads it (private to the platform).
#pragma once

namespace qorvplatform::detail
{
// While the virtual clock is in use: true, with its time in nanoseconds since absolute time 0.
// False with the real clock.
bool VirtualClockNs(long long& ns);
} // namespace qorvplatform::detail
