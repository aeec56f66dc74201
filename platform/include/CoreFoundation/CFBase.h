// Stand-in for Core Foundation's base types. Objects are reference counted through CFRetain and
// CFRelease; the stand-in's own sources define them.
#pragma once

#include <MacTypes.h>

typedef long CFIndex;
typedef unsigned long CFOptionFlags;
typedef unsigned long CFTypeID;
typedef unsigned long CFHashCode;
typedef const void* CFTypeRef;
typedef const struct __CFAllocator* CFAllocatorRef;
typedef const struct __CFString* CFStringRef;
typedef struct __CFString* CFMutableStringRef;

struct CFRange
{
  CFIndex location;
  CFIndex length;
};

inline CFRange CFRangeMake(CFIndex location, CFIndex length) { return CFRange{location, length}; }

enum
{
  kCFCompareLessThan = -1,
  kCFCompareEqualTo = 0,
  kCFCompareGreaterThan = 1
};
typedef CFIndex CFComparisonResult;

#define kCFAllocatorDefault ((CFAllocatorRef) nullptr)
