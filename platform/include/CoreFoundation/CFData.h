// Stand-in for Core Foundation data: a block of bytes.
#pragma once

#include <CoreFoundation/CFBase.h>

typedef const struct __CFData* CFDataRef;
typedef struct __CFData* CFMutableDataRef;

CFTypeID CFDataGetTypeID();
// Null for a negative length, or bytes missing while the length is above 0.
CFDataRef CFDataCreate(CFAllocatorRef allocator, const UInt8* bytes, CFIndex length);
CFDataRef CFDataCreateCopy(CFAllocatorRef allocator, CFDataRef theData);
// The capacity is a hint: the data grows as needed.
CFMutableDataRef CFDataCreateMutable(CFAllocatorRef allocator, CFIndex capacity);
CFIndex CFDataGetLength(CFDataRef theData);
// Null for empty data.
const UInt8* CFDataGetBytePtr(CFDataRef theData);
UInt8* CFDataGetMutableBytePtr(CFMutableDataRef theData);
// Copies the part of the range that lies inside the data.
void CFDataGetBytes(CFDataRef theData, CFRange range, UInt8* buffer);
void CFDataSetLength(CFMutableDataRef theData, CFIndex length);
void CFDataAppendBytes(CFMutableDataRef theData, const UInt8* bytes, CFIndex length);
