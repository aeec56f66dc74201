// Stand-in for the Core Foundation run loop: one main run loop with timers. Timer callouts run on the
// thread that runs the loop (CFRunLoopRunInMode or, with the virtual clock,
// qorvplatform::AdvanceClock). A callout may invalidate or release any timer, its own included, and may
// destroy the object that owns the timer.
#pragma once

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFDate.h>

typedef struct __CFRunLoop* CFRunLoopRef;
typedef struct __CFRunLoopTimer* CFRunLoopTimerRef;
typedef CFStringRef CFRunLoopMode;

extern const CFRunLoopMode kCFRunLoopDefaultMode;
// The common modes are the default mode, "NSEventTrackingRunLoopMode" and "NSModalPanelRunLoopMode".
extern const CFRunLoopMode kCFRunLoopCommonModes;

enum
{
  kCFRunLoopRunFinished = 1,
  kCFRunLoopRunStopped = 2,
  kCFRunLoopRunTimedOut = 3,
  kCFRunLoopRunHandledSource = 4
};

struct CFRunLoopTimerContext
{
  CFIndex version;
  void* info;
  const void* (*retain)(const void* info);
  void (*release)(const void* info);
  CFStringRef (*copyDescription)(const void* info);
};

typedef void (*CFRunLoopTimerCallBack)(CFRunLoopTimerRef timer, void* info);

// There is one run loop: the current run loop of every thread is the main run loop.
CFRunLoopRef CFRunLoopGetMain();

SInt32 CFRunLoopRunInMode(CFRunLoopMode mode, CFTimeInterval seconds, Boolean returnAfterSourceHandled);
void CFRunLoopStop(CFRunLoopRef rl);

// A timer's interval of 0 or less makes it fire once. The run loop retains a timer while it is added.
CFRunLoopTimerRef CFRunLoopTimerCreate(CFAllocatorRef allocator, CFAbsoluteTime fireDate,
                                       CFTimeInterval interval, CFOptionFlags flags, CFIndex order,
                                       CFRunLoopTimerCallBack callout, CFRunLoopTimerContext* context);
void CFRunLoopAddTimer(CFRunLoopRef rl, CFRunLoopTimerRef timer, CFRunLoopMode mode);
void CFRunLoopTimerInvalidate(CFRunLoopTimerRef timer);
void CFRunLoopTimerSetNextFireDate(CFRunLoopTimerRef timer, CFAbsoluteTime fireDate);
