// A fixed-capacity ring queue of trivially copyable records between threads. Any number of threads may
// push and one thread pops; neither side locks or allocates, so the audio thread may do either. A queue
// of E entries holds at most E - 1 elements; a push into a full queue drops the element.
//
// Pushes reserve an entry by advancing the write index with a compare-and-swap and then publish it
// through the entry's sequence number, so two producers (the host's main thread and its render thread
// setting parameters) never write the same entry, and the consumer never sees a half-written one.
#pragma once

#include "framework/TypedBuf.h"

#include <atomic>
#include <cstdint>
#include <type_traits>

namespace iplugin
{
template <class T> class IPluginQueue
{
  static_assert(std::is_trivially_copyable_v<T>, "queue entries are copied as bytes");

public:
  // Sized once; a size that cannot be allocated leaves the queue without room.
  explicit IPluginQueue(int size) { Resize(size); }
  IPluginQueue(const IPluginQueue&) = delete;
  IPluginQueue& operator=(const IPluginQueue&) = delete;

  // Not thread-safe; call before the queue is shared.
  void Resize(int size)
  {
    Entry* entries = mEntries.Resize(size < 0 ? 0 : size, true);
    mCapacity = entries && mEntries.GetSize() == size ? uint64_t(size) : 0;
    for (uint64_t i = 0; i < mCapacity; ++i)
      entries[i] = Entry{i, T{}};
    mWriteIndex.store(0);
    mReadIndex.store(0);
  }

  // Any thread. False when the queue is full (the element is dropped).
  bool Push(const T& item)
  {
    const uint64_t n = mCapacity;
    if (n < 2) return false;
    uint64_t pos = mWriteIndex.load(std::memory_order_relaxed);
    Entry* entry;
    for (;;)
    {
      if (pos - mReadIndex.load(std::memory_order_acquire) >= n - 1) return false;
      entry = &mEntries.Get()[pos % n];
      const uint64_t seq = Sequence(*entry).load(std::memory_order_acquire);
      if (seq == pos)
      {
        if (mWriteIndex.compare_exchange_weak(pos, pos + 1, std::memory_order_relaxed)) break;
      }
      else if (int64_t(seq - pos) < 0)
        return false; // the consumer has not released this entry yet
      else
        pos = mWriteIndex.load(std::memory_order_relaxed);
    }
    entry->mValue = item;
    Sequence(*entry).store(pos + 1, std::memory_order_release);
    return true;
  }

  // The consuming thread only. False when no published element is waiting.
  bool Pop(T& item)
  {
    const uint64_t n = mCapacity;
    if (n < 2) return false;
    const uint64_t pos = mReadIndex.load(std::memory_order_relaxed);
    Entry& entry = mEntries.Get()[pos % n];
    if (Sequence(entry).load(std::memory_order_acquire) != pos + 1) return false;
    item = entry.mValue;
    Sequence(entry).store(pos + n, std::memory_order_release);
    mReadIndex.store(pos + 1, std::memory_order_release);
    return true;
  }

  // Elements pushed (or being pushed) and not yet popped.
  size_t ElementsAvailable() const
  {
    return size_t(mWriteIndex.load(std::memory_order_acquire) - mReadIndex.load(std::memory_order_acquire));
  }

  int Capacity() const { return int(mCapacity); }

private:
  struct Entry
  {
    uint64_t mSeq;
    T mValue;
  };

  static std::atomic_ref<uint64_t> Sequence(Entry& entry) { return std::atomic_ref<uint64_t>(entry.mSeq); }

  TypedBuf<Entry> mEntries{4096};
  uint64_t mCapacity = 0;
  std::atomic<unsigned long> mWriteIndex{0};
  std::atomic<unsigned long> mReadIndex{0};
};
} // namespace iplugin
