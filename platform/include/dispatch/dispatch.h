// Stand-in for the parts of libdispatch the renderer uses: counting semaphores and immutable data objects.
// Objects are reference counted with dispatch_retain and dispatch_release; every function is thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

typedef struct dispatch_object_s* dispatch_object_t;
typedef struct dispatch_semaphore_s* dispatch_semaphore_t;
typedef struct dispatch_data_s* dispatch_data_t;
typedef struct dispatch_queue_s* dispatch_queue_t;
typedef uint64_t dispatch_time_t;
typedef std::function<void()> dispatch_block_t;

#define DISPATCH_TIME_NOW (0ull)
#define DISPATCH_TIME_FOREVER (~0ull)
#define NSEC_PER_SEC 1000000000ull
#define NSEC_PER_MSEC 1000000ull

// The default destructor makes the data object copy the bytes it is given.
#define DISPATCH_DATA_DESTRUCTOR_DEFAULT nullptr

dispatch_semaphore_t dispatch_semaphore_create(intptr_t value);
// Returns 0 after taking the semaphore, nonzero when the timeout passed first.
intptr_t dispatch_semaphore_wait(dispatch_semaphore_t dsema, dispatch_time_t timeout);
// Returns nonzero when a waiting thread was woken.
intptr_t dispatch_semaphore_signal(dispatch_semaphore_t dsema);

// Without a destructor the bytes are copied; with one, they are used in place and the destructor
// runs when the last reference goes (the queue argument is accepted and ignored).
dispatch_data_t dispatch_data_create(const void* buffer, size_t size, dispatch_queue_t queue,
                                     dispatch_block_t destructor);
// Answers a new reference to the same bytes and their contiguous address and size.
dispatch_data_t dispatch_data_create_map(dispatch_data_t data, const void** buffer_ptr, size_t* size_ptr);

void dispatch_retain(void* object);
void dispatch_release(void* object);
