// Stand-in for Core Foundation errors: a domain, a code and a description.
#pragma once

#include <CoreFoundation/CFBase.h>

typedef struct __CFError* CFErrorRef;

extern const CFStringRef kCFErrorDomainCocoa;
