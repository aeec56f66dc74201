#include <dispatch/dispatch.h>
#include <QorvPlatform/Dispatch.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <vector>

struct dispatch_object_s
{
  std::atomic<intptr_t> refs{1};
  virtual ~dispatch_object_s() = default;
};

struct dispatch_semaphore_s : dispatch_object_s
{
  std::mutex mutex;
  std::condition_variable cv;
  intptr_t value = 0;
  intptr_t wakeups = 0;
};

struct dispatch_data_s : dispatch_object_s
{
  std::vector<unsigned char> copy;
  const void* bytes = nullptr;
  size_t size = 0;
  dispatch_block_t destructor;
  ~dispatch_data_s() override
  {
    if (destructor) destructor();
  }
};

namespace
{
using Clock = std::chrono::steady_clock;
const Clock::time_point kEpoch = Clock::now();
} // namespace

dispatch_semaphore_t dispatch_semaphore_create(intptr_t value)
{
  if (value < 0) return nullptr;
  auto* s = new dispatch_semaphore_s;
  s->value = value;
  return s;
}

intptr_t dispatch_semaphore_wait(dispatch_semaphore_t s, dispatch_time_t timeout)
{
  std::unique_lock<std::mutex> lock(s->mutex);
  if (--s->value >= 0) return 0;
  auto woken = [s] { return s->wakeups > 0; };
  bool got;
  if (timeout == DISPATCH_TIME_FOREVER)
  {
    s->cv.wait(lock, woken);
    got = true;
  }
  else
  {
    auto deadline = kEpoch + std::chrono::nanoseconds(timeout == DISPATCH_TIME_NOW ? 0 : timeout - 1);
    got = s->cv.wait_until(lock, deadline, woken);
  }
  if (!got)
  {
    ++s->value;
    return 1;
  }
  --s->wakeups;
  return 0;
}

intptr_t dispatch_semaphore_signal(dispatch_semaphore_t s)
{
  std::lock_guard<std::mutex> lock(s->mutex);
  if (++s->value > 0) return 0;
  ++s->wakeups;
  s->cv.notify_one();
  return 1;
}

intptr_t QorvDispatchSemaphoreValue(dispatch_semaphore_t s)
{
  std::lock_guard<std::mutex> lock(s->mutex);
  return s->value;
}

dispatch_data_t dispatch_data_create(const void* buffer, size_t size, dispatch_queue_t,
                                     dispatch_block_t destructor)
{
  auto* d = new dispatch_data_s;
  if (destructor)
  {
    d->bytes = buffer;
    d->destructor = std::move(destructor);
  }
  else if (size > 0)
  {
    d->copy.assign((const unsigned char*)buffer, (const unsigned char*)buffer + size);
    d->bytes = d->copy.data();
  }
  d->size = buffer ? size : 0;
  return d;
}

dispatch_data_t dispatch_data_create_map(dispatch_data_t d, const void** buffer_ptr, size_t* size_ptr)
{
  if (!d) return nullptr;
  dispatch_retain(d);
  if (buffer_ptr) *buffer_ptr = d->bytes;
  if (size_ptr) *size_ptr = d->size;
  return d;
}

void dispatch_retain(void* object)
{
  if (object) static_cast<dispatch_object_s*>(object)->refs.fetch_add(1, std::memory_order_relaxed);
}

void dispatch_release(void* object)
{
  auto* o = static_cast<dispatch_object_s*>(object);
  if (o && o->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete o;
}
