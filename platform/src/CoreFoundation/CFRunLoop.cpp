#include "platform/src/CoreFoundation/CFRuntime.h"
#include "platform/src/CoreFoundation/RunLoopTime.h"

#include <CoreFoundation/CFRunLoop.h>
#include <CoreFoundation/CFString.h>
#include <QorvPlatform/RunLoopClock.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <poll.h>
#include <set>
#include <string>
#include <vector>

const CFTimeInterval kCFAbsoluteTimeIntervalSince1970 = 978307200.0;
const CFRunLoopMode kCFRunLoopDefaultMode = CFSTR("kCFRunLoopDefaultMode");
const CFRunLoopMode kCFRunLoopCommonModes = CFSTR("kCFRunLoopCommonModes");

struct __CFRunLoopTimer : qorvcf::Object
{
  static constexpr CFTypeID kTypeID = qorvcf::kTypeRunLoopTimer;
  __CFRunLoopTimer() : Object(kTypeID, false) {}
  ~__CFRunLoopTimer() override
  {
    if (context.release && context.info) context.release(context.info);
  }

  // Guarded by the loop's mutex from here on.
  long long fireNs = 0;
  long long intervalNs = 0;
  CFTimeInterval interval = 0;
  CFIndex order = 0;
  unsigned long long sequence = 0;
  CFRunLoopTimerCallBack callout = nullptr;
  CFRunLoopTimerContext context{};
  bool valid = true;
  std::set<std::string> modes; // empty while not added to the loop
  bool inCommonModes = false;  // modes holds kCommon (asked on every turn, so kept at hand)
};

struct __CFRunLoop : qorvcf::Object
{
  static constexpr CFTypeID kTypeID = qorvcf::kTypeRunLoop;
  __CFRunLoop() : Object(kTypeID, true) {}
};

namespace
{
constexpr long long kNsPerSecond = 1000000000LL;
const std::string kCommon = "kCFRunLoopCommonModes";
const std::string kDefault = "kCFRunLoopDefaultMode";

long long ToNs(double seconds)
{
  if (!(seconds == seconds)) return 0;
  double ns = std::round(seconds * 1e9);
  if (ns > 9e18) return 9000000000000000000LL;
  if (ns < -9e18) return -9000000000000000000LL;
  return static_cast<long long>(ns);
}

// A descriptor's or an observer's callout. One taken off while callouts run is only marked, and erased
// once none runs: a callout in progress never loses the function it is running, and one taken off is not
// called again.
struct Callout
{
  int fd = -1; // descriptors only
  std::function<void()> call;
  bool removed = false;
};

// The descriptors a poll waits for, kept from turn to turn so that a turn allocates nothing; one set for
// each depth of runs nested in callouts.
struct PollSet
{
  std::vector<pollfd> fds;
  std::vector<int> ids;
};

struct Loop
{
  std::mutex mutex;
  std::condition_variable wake;
  std::vector<__CFRunLoopTimer*> timers; // each retained by the loop
  std::set<std::string> commonModes{kDefault, "NSEventTrackingRunLoopMode", "NSModalPanelRunLoopMode"};
  unsigned long long nextSequence = 0;
  bool stopRequested = false;
  std::atomic<bool> virtualClock{true};
  std::atomic<long long> virtualNs{0};
  // Main thread only (they are added, removed and called there).
  std::map<int, Callout> descriptors, observers; // by id, which is the order of adding
  int nextId = 1;
  int calling = 0;       // callout loops in progress (nested runs add theirs)
  bool removals = false; // callouts marked removed, to be erased once calling is back to 0
  int depth = 0;         // runs in progress
  std::deque<PollSet> pollSets;
};

Loop& TheLoop()
{
  static Loop* loop = new Loop; // lives for the whole process, also during exit
  return *loop;
}

__CFRunLoop* TheRunLoop()
{
  static __CFRunLoop* rl = new __CFRunLoop;
  return rl;
}

long long NowNs()
{
  Loop& loop = TheLoop();
  if (loop.virtualClock.load()) return loop.virtualNs.load();
  auto since1970 = std::chrono::duration_cast<std::chrono::nanoseconds>(
                       std::chrono::system_clock::now().time_since_epoch())
                       .count();
  return since1970 - static_cast<long long>(kCFAbsoluteTimeIntervalSince1970) * kNsPerSecond;
}

const std::string& ModeName(CFRunLoopMode mode)
{
  return mode ? qorvcf::Utf8Text(mode) : kDefault;
}

// The mode a run asks about, and whether it is one of the common modes (looked up once, not per timer).
struct ModeQuery
{
  const std::string& name;
  bool common;
};

ModeQuery Query(const Loop& loop, const std::string& mode)
{
  return {mode, loop.commonModes.count(mode) > 0};
}

// A timer is in a handful of modes at most: a look at each is cheaper than the set's search.
bool RunsIn(const __CFRunLoopTimer* t, const ModeQuery& mode)
{
  if (mode.common && t->inCommonModes) return true;
  for (const std::string& m : t->modes)
    if (m == mode.name) return true;
  return false;
}

// Earliest valid timer of the mode due before `limitNs` (or at it, when inclusive). Caller holds the lock.
__CFRunLoopTimer* PickDue(Loop& loop, const ModeQuery& mode, long long limitNs, bool inclusive)
{
  __CFRunLoopTimer* best = nullptr;
  for (__CFRunLoopTimer* t : loop.timers)
  {
    // The fire date first: it rules out most timers without the mode lookups.
    if (inclusive ? t->fireNs > limitNs : t->fireNs >= limitNs) continue;
    if (!t->valid || !RunsIn(t, mode)) continue;
    if (!best || t->fireNs < best->fireNs || (t->fireNs == best->fireNs && t->order < best->order) ||
        (t->fireNs == best->fireNs && t->order == best->order && t->sequence < best->sequence))
      best = t;
  }
  return best;
}

bool HasTimers(const Loop& loop, const ModeQuery& mode)
{
  return std::any_of(loop.timers.begin(), loop.timers.end(),
                     [&](const __CFRunLoopTimer* t) { return t->valid && RunsIn(t, mode); });
}

// Takes the timer off the loop; returns whether the loop's reference must be released. Caller holds the lock.
bool Unschedule(Loop& loop, __CFRunLoopTimer* t)
{
  auto it = std::find(loop.timers.begin(), loop.timers.end(), t);
  if (it == loop.timers.end()) return false;
  loop.timers.erase(it);
  t->modes.clear();
  t->inCommonModes = false;
  return true;
}

// Fires one timer picked under the lock; the lock is released for the callout and held again on return.
void Fire(Loop& loop, std::unique_lock<std::mutex>& lock, __CFRunLoopTimer* t)
{
  if (loop.virtualClock.load() && t->fireNs > loop.virtualNs.load()) loop.virtualNs.store(t->fireNs);
  const long long firedAt = t->fireNs;
  CFRetain(t); // keeps the timer alive while its callout invalidates or releases it
  CFRunLoopTimerCallBack callout = t->callout;
  void* info = t->context.info;
  lock.unlock();
  if (callout) callout(t, info);
  lock.lock();
  bool releaseLoopRef = false;
  if (t->valid && t->fireNs == firedAt) // a callout that set a new fire date keeps it
  {
    if (t->intervalNs > 0)
    {
      long long next = firedAt + t->intervalNs;
      long long now = NowNs();
      if (next <= now) // skip the ticks that were missed instead of firing them in a burst
        next = firedAt + ((now - firedAt) / t->intervalNs + 1) * t->intervalNs;
      t->fireNs = next;
    }
    else
    {
      t->valid = false;
      releaseLoopRef = Unschedule(loop, t);
    }
  }
  lock.unlock();
  if (releaseLoopRef) CFRelease(t);
  CFRelease(t);
  lock.lock();
}

// Takes a callout off, or marks it while callouts run. Caller holds the lock.
void RemoveCallout(Loop& loop, std::map<int, Callout>& callouts, int id)
{
  auto it = callouts.find(id);
  if (it == callouts.end()) return;
  if (loop.calling == 0)
    callouts.erase(it);
  else
    it->second.removed = loop.removals = true;
}

// Calls one callout with the lock released; the callout stays in its map meanwhile (calling > 0).
void Call(std::unique_lock<std::mutex>& lock, const Callout& c)
{
  if (!c.call) return;
  lock.unlock();
  c.call();
  lock.lock();
}

// Ends a loop over callouts: the last one out erases those taken off meanwhile. Caller holds the lock.
void DoneCalling(Loop& loop)
{
  if (--loop.calling > 0 || !loop.removals) return;
  loop.removals = false;
  for (auto* callouts : {&loop.descriptors, &loop.observers})
    std::erase_if(*callouts, [](const auto& entry) { return entry.second.removed; });
}

// Calls the callouts of the descriptors readable within timeoutMs; the lock is released meanwhile.
// Returns whether any was called.
bool PollDescriptors(Loop& loop, std::unique_lock<std::mutex>& lock, int timeoutMs)
{
  PollSet& set = loop.pollSets[size_t(loop.depth - 1)];
  set.fds.clear();
  set.ids.clear();
  for (const auto& [id, d] : loop.descriptors)
    if (!d.removed)
    {
      set.fds.push_back(pollfd{d.fd, POLLIN, 0});
      set.ids.push_back(id);
    }
  ++loop.calling;
  lock.unlock();
  const int ready = ::poll(set.fds.data(), set.fds.size(), timeoutMs);
  lock.lock();
  bool called = false;
  for (size_t i = 0; ready > 0 && i < set.fds.size(); ++i)
  {
    if (!(set.fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
    auto it = loop.descriptors.find(set.ids[i]);
    if (it == loop.descriptors.end() || it->second.removed) continue;
    Call(lock, it->second);
    called = true;
  }
  DoneCalling(loop);
  return called;
}

// The observers there when the turn starts, in the order they were added; one added meanwhile is first
// called on the next turn.
void NotifyBeforeWaiting(Loop& loop, std::unique_lock<std::mutex>& lock)
{
  const int end = loop.nextId;
  ++loop.calling;
  for (auto it = loop.observers.begin(); it != loop.observers.end() && it->first < end; ++it)
    if (!it->second.removed) Call(lock, it->second);
  DoneCalling(loop);
}

// Counts the runs in progress, so that each depth of nested runs polls with a set of its own.
class RunDepth
{
public:
  explicit RunDepth(Loop& loop) : mLoop(loop)
  {
    if (size_t(++mLoop.depth) > mLoop.pollSets.size()) mLoop.pollSets.emplace_back();
  }
  ~RunDepth() { --mLoop.depth; }
  RunDepth(const RunDepth&) = delete;
  RunDepth& operator=(const RunDepth&) = delete;

private:
  Loop& mLoop;
};

// Runs the loop in `mode` for `durationNs` (virtual clock: the timers due before the end, then the clock
// jumps to the end; real clock: until that time) or, with fireDueOnly, just the timers due now. A caller
// that ignores the result spares a virtual run the look for the mode's timers that only tells the result.
SInt32 Run(const std::string& mode, long long durationNs, bool fireDueOnly, int* fired,
           bool wantResult = true)
{
  Loop& loop = TheLoop();
  std::unique_lock<std::mutex> lock(loop.mutex);
  const RunDepth depth(loop);
  SInt32 result = kCFRunLoopRunTimedOut;
  const bool isVirtual = loop.virtualClock.load();
  const long long start = NowNs();
  const long long endNs = fireDueOnly ? start : start + std::max(0LL, durationNs);
  if (!loop.descriptors.empty()) PollDescriptors(loop, lock, 0);
  for (;;)
  {
    if (loop.stopRequested)
    {
      loop.stopRequested = false;
      result = kCFRunLoopRunStopped;
      break;
    }
    long long now = NowNs();
    // Callouts may change the common modes: asked anew each turn.
    const ModeQuery query = Query(loop, mode);
    __CFRunLoopTimer* due =
        isVirtual ? PickDue(loop, query, endNs, fireDueOnly) : PickDue(loop, query, now, true);
    // A due timer is a timer of the mode: the search through all of them is needed only without one.
    const bool askEmpty = !due && !fireDueOnly && (isVirtual ? wantResult : loop.descriptors.empty());
    if (askEmpty && !HasTimers(loop, query))
    {
      result = kCFRunLoopRunFinished;
      break;
    }
    if (due && (isVirtual || !fireDueOnly || due->fireNs <= endNs))
    {
      Fire(loop, lock, due);
      if (fired) ++*fired;
      continue;
    }
    if (isVirtual || fireDueOnly || now >= endNs) break;
    // Real time: sleep until the next fire date, the end, a stop or a change of the timers. The observers
    // run unlocked, so what they or another thread changed meanwhile (a stop, a timer) is looked at after
    // them, under the lock that the wait gives up: a change made before the wait would not wake it.
    NotifyBeforeWaiting(loop, lock);
    if (loop.stopRequested) continue;
    now = NowNs();
    long long wakeAt = endNs;
    for (const __CFRunLoopTimer* t : loop.timers)
      if (t->valid && RunsIn(t, query)) wakeAt = std::min(wakeAt, t->fireNs);
    if (!loop.descriptors.empty())
    {
      // Whole milliseconds, rounded up so that a timer is not polled for early in a busy loop.
      const long long waitNs = std::max(0LL, wakeAt - now);
      PollDescriptors(loop, lock, int(std::min(waitNs, 1000000000LL) / 1000000 + (waitNs % 1000000 ? 1 : 0)));
    }
    else
      loop.wake.wait_for(lock, std::chrono::nanoseconds(std::max(0LL, wakeAt - now)));
  }
  NotifyBeforeWaiting(loop, lock);
  if (isVirtual && result != kCFRunLoopRunStopped && loop.virtualNs.load() < endNs)
    loop.virtualNs.store(endNs);
  return result;
}
} // namespace

CFAbsoluteTime CFAbsoluteTimeGetCurrent()
{
  return static_cast<double>(NowNs()) / 1e9;
}

namespace qorvplatform::detail
{
bool VirtualClockNs(long long& ns)
{
  Loop& loop = TheLoop();
  if (!loop.virtualClock.load()) return false;
  ns = loop.virtualNs.load();
  return true;
}
} // namespace qorvplatform::detail

CFRunLoopRef CFRunLoopGetMain()
{
  return TheRunLoop();
}

SInt32 CFRunLoopRunInMode(CFRunLoopMode mode, CFTimeInterval seconds, Boolean)
{
  return Run(ModeName(mode), ToNs(seconds), false, nullptr);
}

void CFRunLoopStop(CFRunLoopRef)
{
  Loop& loop = TheLoop();
  std::lock_guard<std::mutex> lock(loop.mutex);
  loop.stopRequested = true;
  loop.wake.notify_all();
}

CFRunLoopTimerRef CFRunLoopTimerCreate(CFAllocatorRef, CFAbsoluteTime fireDate, CFTimeInterval interval,
                                       CFOptionFlags, CFIndex order, CFRunLoopTimerCallBack callout,
                                       CFRunLoopTimerContext* context)
{
  auto* t = new __CFRunLoopTimer;
  t->fireNs = ToNs(fireDate);
  t->interval = interval > 0 ? interval : 0;
  t->intervalNs = interval > 0 ? std::max(1LL, ToNs(interval)) : 0;
  t->order = order;
  t->callout = callout;
  if (context)
  {
    t->context = *context;
    if (t->context.retain && t->context.info)
      t->context.info = const_cast<void*>(t->context.retain(t->context.info));
  }
  Loop& loop = TheLoop();
  std::lock_guard<std::mutex> lock(loop.mutex);
  t->sequence = loop.nextSequence++;
  return t;
}

void CFRunLoopAddTimer(CFRunLoopRef, CFRunLoopTimerRef timer, CFRunLoopMode mode)
{
  auto* t = qorvcf::AsMutable<__CFRunLoopTimer>(timer);
  if (!t) return;
  Loop& loop = TheLoop();
  std::lock_guard<std::mutex> lock(loop.mutex);
  if (!t->valid) return;
  if (t->modes.empty())
  {
    CFRetain(t);
    loop.timers.push_back(t);
  }
  t->modes.insert(ModeName(mode));
  t->inCommonModes = t->modes.count(kCommon) > 0;
  loop.wake.notify_all();
}

void CFRunLoopTimerInvalidate(CFRunLoopTimerRef timer)
{
  auto* t = qorvcf::AsMutable<__CFRunLoopTimer>(timer);
  if (!t) return;
  Loop& loop = TheLoop();
  bool release = false;
  {
    std::lock_guard<std::mutex> lock(loop.mutex);
    if (!t->valid) return;
    t->valid = false;
    release = Unschedule(loop, t);
    loop.wake.notify_all();
  }
  if (release) CFRelease(t);
}

void CFRunLoopTimerSetNextFireDate(CFRunLoopTimerRef timer, CFAbsoluteTime fireDate)
{
  auto* t = qorvcf::AsMutable<__CFRunLoopTimer>(timer);
  if (!t) return;
  Loop& loop = TheLoop();
  std::lock_guard<std::mutex> lock(loop.mutex);
  t->fireNs = ToNs(fireDate);
  loop.wake.notify_all();
}

namespace qorvplatform
{
void UseVirtualClock(CFAbsoluteTime start)
{
  Loop& loop = TheLoop();
  std::lock_guard<std::mutex> lock(loop.mutex);
  loop.virtualNs.store(ToNs(start));
  loop.virtualClock.store(true);
  loop.wake.notify_all();
}

void UseRealClock()
{
  Loop& loop = TheLoop();
  std::lock_guard<std::mutex> lock(loop.mutex);
  loop.virtualClock.store(false);
  loop.wake.notify_all();
}

int AdvanceClock(CFTimeInterval seconds, CFRunLoopMode mode)
{
  int fired = 0;
  Run(ModeName(mode), ToNs(seconds), false, &fired, false);
  return fired;
}

int FireDueTimers(CFRunLoopMode mode)
{
  int fired = 0;
  Run(ModeName(mode), 0, true, &fired);
  return fired;
}

int ScheduledTimerCount()
{
  Loop& loop = TheLoop();
  std::lock_guard<std::mutex> lock(loop.mutex);
  return static_cast<int>(std::count_if(loop.timers.begin(), loop.timers.end(),
                                        [](const __CFRunLoopTimer* t) { return t->valid; }));
}

void ResetMainRunLoop()
{
  Loop& loop = TheLoop();
  std::vector<__CFRunLoopTimer*> released;
  {
    std::lock_guard<std::mutex> lock(loop.mutex);
    for (__CFRunLoopTimer* t : loop.timers)
    {
      t->valid = false;
      t->modes.clear();
      t->inCommonModes = false;
    }
    released.swap(loop.timers);
    loop.stopRequested = false;
    loop.virtualNs.store(0);
  }
  for (__CFRunLoopTimer* t : released)
    CFRelease(t);
}
} // namespace qorvplatform

namespace qorvplatform
{
int AddRunLoopDescriptor(int fd, std::function<void()> onReadable)
{
  Loop& loop = TheLoop();
  std::lock_guard<std::mutex> lock(loop.mutex);
  const int id = loop.nextId++;
  loop.descriptors[id] = Callout{fd, std::move(onReadable)};
  loop.wake.notify_all();
  return id;
}

void RemoveRunLoopDescriptor(int id)
{
  Loop& loop = TheLoop();
  std::lock_guard<std::mutex> lock(loop.mutex);
  RemoveCallout(loop, loop.descriptors, id);
}

int AddRunLoopBeforeWaitingObserver(std::function<void()> observer)
{
  Loop& loop = TheLoop();
  std::lock_guard<std::mutex> lock(loop.mutex);
  const int id = loop.nextId++;
  loop.observers[id] = Callout{-1, std::move(observer)};
  return id;
}

void RemoveRunLoopBeforeWaitingObserver(int id)
{
  Loop& loop = TheLoop();
  std::lock_guard<std::mutex> lock(loop.mutex);
  RemoveCallout(loop, loop.observers, id);
}
} // namespace qorvplatform
