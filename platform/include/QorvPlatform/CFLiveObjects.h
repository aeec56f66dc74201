// Leak accounting of the Core Foundation stand-in (no platform counterpart).
#pragma once

namespace qorvplatform
{
// Number of Core Foundation objects and allocator blocks alive now. Constants (CFSTR strings, the
// booleans, bundles and the run loop) are not counted. Tests compare it with a baseline taken before.
long LiveCFObjectCount();
} // namespace qorvplatform
