// Stand-in for Core Foundation data: a block of bytes.
#pragma once

#include <CoreFoundation/CFBase.h>

typedef const struct __CFData* CFDataRef;
typedef struct __CFData* CFMutableDataRef;

CFTypeID CFDataGetTypeID();
// Null for a negative length, or bytes missing while the length is above 0.
CFDataRef CFDataCreate(CFAllocatorRef allocator, const UInt8* bytes, CFIndex length);
CFIndex CFDataGetLength(CFDataRef theData);
// Null for empty data.
const UInt8* CFDataGetBytePtr(CFDataRef theData);
