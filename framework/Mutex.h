// A recursive lock: the thread that holds it may enter it again.
#pragma once

#include <pthread.h>

namespace iplugin
{
class Mutex
{
public:
  Mutex();
  ~Mutex();
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;

  void Enter();
  void Leave();

private:
  pthread_mutex_t m_mutex;
};

// Holds a Mutex for the lifetime of the scope.
class MutexLock
{
public:
  explicit MutexLock(Mutex& mutex) : m_mutex(mutex) { m_mutex.Enter(); }
  ~MutexLock() { m_mutex.Leave(); }
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

private:
  Mutex& m_mutex;
};
} // namespace iplugin
