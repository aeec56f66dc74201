#include <QorvPlatform/Dispatch.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

TEST(Dispatch, SemaphoreCountsAndTimesOut)
{
  dispatch_semaphore_t s = dispatch_semaphore_create(2);
  EXPECT_EQ(QorvDispatchSemaphoreValue(s), 2);
  EXPECT_EQ(dispatch_semaphore_wait(s, DISPATCH_TIME_FOREVER), 0);
  EXPECT_EQ(dispatch_semaphore_wait(s, DISPATCH_TIME_NOW), 0);
  EXPECT_NE(dispatch_semaphore_wait(s, DISPATCH_TIME_NOW), 0);
  EXPECT_EQ(QorvDispatchSemaphoreValue(s), 0);
  EXPECT_EQ(dispatch_semaphore_signal(s), 0);
  EXPECT_EQ(QorvDispatchSemaphoreValue(s), 1);
  dispatch_release(s);
  EXPECT_EQ(dispatch_semaphore_create(-1), nullptr);
}

TEST(Dispatch, SignalWakesAWaiterOnAnotherThread)
{
  dispatch_semaphore_t s = dispatch_semaphore_create(0);
  std::atomic<bool> woke{false};
  std::thread t(
      [&]
      {
        dispatch_semaphore_wait(s, DISPATCH_TIME_FOREVER);
        woke = true;
      });
  while (QorvDispatchSemaphoreValue(s) != -1)
    std::this_thread::yield();
  EXPECT_FALSE(woke);
  EXPECT_NE(dispatch_semaphore_signal(s), 0);
  t.join();
  EXPECT_TRUE(woke);
  EXPECT_EQ(QorvDispatchSemaphoreValue(s), 0);
  dispatch_release(s);
}

TEST(Dispatch, DataCopiesOrKeepsWithADestructor)
{
  char bytes[4] = {'M', 'T', 'L', 'B'};
  dispatch_data_t copy = dispatch_data_create(bytes, 4, nullptr, DISPATCH_DATA_DESTRUCTOR_DEFAULT);
  bytes[0] = 'X';
  const void* p = nullptr;
  size_t n = 0;
  dispatch_data_t map = dispatch_data_create_map(copy, &p, &n);
  ASSERT_EQ(n, 4u);
  EXPECT_EQ(((const char*)p)[0], 'M');
  dispatch_release(map);
  dispatch_release(copy);

  bool destroyed = false;
  dispatch_data_t kept = dispatch_data_create(bytes, 4, nullptr, [&] { destroyed = true; });
  dispatch_retain(kept);
  dispatch_release(kept);
  EXPECT_FALSE(destroyed);
  dispatch_release(kept);
  EXPECT_TRUE(destroyed);
}
