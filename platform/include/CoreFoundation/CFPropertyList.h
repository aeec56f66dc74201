// Stand-in for Core Foundation property lists in the XML format (strings, numbers, booleans, data,
// arrays and dictionaries with string keys). Other formats are refused.
#pragma once

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFData.h>
#include <CoreFoundation/CFError.h>

typedef CFIndex CFPropertyListFormat;
enum
{
  kCFPropertyListOpenStepFormat = 1,
  kCFPropertyListXMLFormat_v1_0 = 100,
  kCFPropertyListBinaryFormat_v1_0 = 200
};

typedef CFOptionFlags CFPropertyListMutabilityOptions;
enum
{
  kCFPropertyListImmutable = 0,
  kCFPropertyListMutableContainers = 1,
  kCFPropertyListMutableContainersAndLeaves = 2
};

enum
{
  kCFPropertyListReadCorruptError = 3840,
  kCFPropertyListReadUnknownVersionError = 3841,
  kCFPropertyListWriteStreamError = 3851
};

// Reads an XML property list; containers come back mutable. On failure: null, and a new error (code
// kCFPropertyListReadCorruptError, description naming the line) when `error` is given.
CFPropertyListRef CFPropertyListCreateWithData(CFAllocatorRef allocator, CFDataRef data,
                                               CFOptionFlags options, CFPropertyListFormat* format,
                                               CFErrorRef* error);
// Writes an XML property list (dictionary keys sorted, tab indentation, data as base64). Null for a
// value that is not a property list or another format.
CFDataRef CFPropertyListCreateData(CFAllocatorRef allocator, CFPropertyListRef propertyList,
                                   CFPropertyListFormat format, CFOptionFlags options, CFErrorRef* error);
