// Stand-in for Core Foundation errors: a domain, a code and a description.
#pragma once

#include <CoreFoundation/CFBase.h>

typedef struct __CFError* CFErrorRef;

extern const CFStringRef kCFErrorDomainCocoa;

CFTypeID CFErrorGetTypeID();
CFIndex CFErrorGetCode(CFErrorRef err);
// Owned by the error.
CFStringRef CFErrorGetDomain(CFErrorRef err);
CFStringRef CFErrorCopyDescription(CFErrorRef err);
