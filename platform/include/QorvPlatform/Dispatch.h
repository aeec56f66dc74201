// Test controls of the libdispatch stand-in that have no macOS counterpart.
#pragma once

#include <dispatch/dispatch.h>

// The semaphore's current count (negative while threads wait on it).
intptr_t QorvDispatchSemaphoreValue(dispatch_semaphore_t dsema);
