// Control of the run loop stand-in's clock (no platform counterpart). The clock starts virtual at
// absolute time 0: time moves only through AdvanceClock, so timer tests are exact and repeatable. A host
// switches to real time once at start-up and then drives the loop with
// CFRunLoopRunInMode.
#pragma once

#include <CoreFoundation/CFRunLoop.h>

#include <functional>

namespace qorvplatform
{
// Time stands at `start` until advanced. Timers keep their fire dates.
void UseVirtualClock(CFAbsoluteTime start = 0.0);
// CFAbsoluteTimeGetCurrent follows the system clock from now on.
void UseRealClock();

// Runs the main run loop in `mode` (null: the default mode) for `seconds` of virtual time: every timer
// due before the end fires at its own fire date, earliest first (equal dates by order, then by
// creation), a repeating timer as often as it comes due. Then the clock stands at the end. Returns the
// number of callouts. With the real clock it runs CFRunLoopRunInMode for that long.
int AdvanceClock(CFTimeInterval seconds, CFRunLoopMode mode = nullptr);
// Fires every timer due at the current time or earlier, without moving the clock.
int FireDueTimers(CFRunLoopMode mode = nullptr);
// Valid timers added to the main run loop (in any mode).
int ScheduledTimerCount();
// Invalidates every timer, clears a pending stop and sets the virtual clock to 0, for test isolation.
void ResetMainRunLoop();
} // namespace qorvplatform

namespace qorvplatform
{
// Watches a file descriptor: while the loop waits in real time it wakes when fd is readable and calls
// onReadable; each run of the loop (also on the virtual clock) first reads what is already there.
// Returns an id for RemoveRunLoopDescriptor.
int AddRunLoopDescriptor(int fd, std::function<void()> onReadable);
void RemoveRunLoopDescriptor(int id);
// Called before the loop waits and at the end of each run, as the platform flushes windows then, in the
// order they were added; one added by a callout is first called on the next turn.
// A descriptor or observer taken off, also by a callout (its own included), is not called again.
int AddRunLoopBeforeWaitingObserver(std::function<void()> observer);
void RemoveRunLoopBeforeWaitingObserver(int id);
} // namespace qorvplatform
