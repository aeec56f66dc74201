// Stand-in for Core Foundation's base types. Objects are reference counted through CFRetain and
// CFRelease; the stand-in's own sources define them. Releasing or retaining a null reference is
// harmless here (the platform would crash).
#pragma once

#include <MacTypes.h>

#include <cstddef>

typedef long CFIndex;
typedef unsigned long CFOptionFlags;
typedef unsigned long CFTypeID;
typedef unsigned long CFHashCode;
typedef const void* CFTypeRef;
typedef const struct __CFAllocator* CFAllocatorRef;
typedef const struct __CFString* CFStringRef;
typedef struct __CFString* CFMutableStringRef;
typedef CFTypeRef CFPropertyListRef;

struct CFRange
{
  CFIndex location;
  CFIndex length;
};

inline CFRange CFRangeMake(CFIndex location, CFIndex length)
{
  return CFRange{location, length};
}

enum
{
  kCFCompareLessThan = -1,
  kCFCompareEqualTo = 0,
  kCFCompareGreaterThan = 1
};
typedef CFIndex CFComparisonResult;

enum
{
  kCFNotFound = -1
};

#define kCFAllocatorDefault ((CFAllocatorRef) nullptr)
extern const CFAllocatorRef kCFAllocatorSystemDefault;
extern const CFAllocatorRef kCFAllocatorMalloc;

// Blocks from CFAllocatorAllocate count as live objects until CFAllocatorDeallocate.
void* CFAllocatorAllocate(CFAllocatorRef allocator, CFIndex size, CFOptionFlags hint);
void CFAllocatorDeallocate(CFAllocatorRef allocator, void* ptr);

CFTypeRef CFRetain(CFTypeRef cf);
void CFRelease(CFTypeRef cf);
CFIndex CFGetRetainCount(CFTypeRef cf);
CFTypeID CFGetTypeID(CFTypeRef cf);
Boolean CFEqual(CFTypeRef cf1, CFTypeRef cf2);
CFHashCode CFHash(CFTypeRef cf);
// A new string describing the object (for a string, the string itself).
CFStringRef CFCopyDescription(CFTypeRef cf);
