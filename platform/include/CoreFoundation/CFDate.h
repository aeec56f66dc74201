// Stand-in for Core Foundation's absolute time: seconds since 1 January 2001, read from the stand-in's
// clock (virtual until a host switches to real time, see QorvPlatform/RunLoopClock.h).
#pragma once

#include <CoreFoundation/CFBase.h>

typedef double CFTimeInterval;
typedef CFTimeInterval CFAbsoluteTime;

extern const CFTimeInterval kCFAbsoluteTimeIntervalSince1970;

CFAbsoluteTime CFAbsoluteTimeGetCurrent();
