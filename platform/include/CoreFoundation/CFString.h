// Stand-in for Core Foundation strings: immutable Unicode text. Lengths and ranges count UTF-16
// units, as on the platform.
#pragma once

#include <CoreFoundation/CFBase.h>

#include <cstdarg>

typedef UInt32 CFStringEncoding;
enum
{
  kCFStringEncodingMacRoman = 0,
  kCFStringEncodingASCII = 0x0600,
  kCFStringEncodingISOLatin1 = 0x0201,
  kCFStringEncodingUTF8 = 0x08000100
};

typedef CFOptionFlags CFStringCompareFlags;
enum
{
  kCFCompareCaseInsensitive = 1
};

// A constant string: never freed, retain and release do nothing.
#define CFSTR(cStr) __CFStringMakeConstantString("" cStr "")
CFStringRef __CFStringMakeConstantString(const char* cStr);

CFTypeID CFStringGetTypeID();
// Null when the bytes are not valid in the encoding (or the pointer is null).
CFStringRef CFStringCreateWithCString(CFAllocatorRef alloc, const char* cStr, CFStringEncoding encoding);
CFStringRef CFStringCreateWithBytes(CFAllocatorRef alloc, const UInt8* bytes, CFIndex numBytes,
                                    CFStringEncoding encoding, Boolean isExternalRepresentation);
CFStringRef CFStringCreateCopy(CFAllocatorRef alloc, CFStringRef theString);
// printf-style formats, plus %@ for any Core Foundation object (its description).
CFStringRef CFStringCreateWithFormat(CFAllocatorRef alloc, CFTypeRef formatOptions, CFStringRef format, ...);
CFStringRef CFStringCreateWithFormatAndArguments(CFAllocatorRef alloc, CFTypeRef formatOptions,
                                                 CFStringRef format, va_list arguments);

CFIndex CFStringGetLength(CFStringRef theString);
// Writes the text and a terminating NUL; false (and an empty buffer) when it does not fit or cannot be
// represented in the encoding.
Boolean CFStringGetCString(CFStringRef theString, char* buffer, CFIndex bufferSize,
                           CFStringEncoding encoding);
// The text itself for UTF-8 (this stand-in keeps its strings in UTF-8), else null.
const char* CFStringGetCStringPtr(CFStringRef theString, CFStringEncoding encoding);
CFIndex CFStringGetMaximumSizeForEncoding(CFIndex length, CFStringEncoding encoding);
CFComparisonResult CFStringCompare(CFStringRef theString1, CFStringRef theString2,
                                   CFStringCompareFlags compareOptions);
