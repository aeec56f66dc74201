// A list of small records that one thread changes and any thread reads without a lock, for the host's
// registrations (render notifications, property listeners) that Render walks on the audio thread.
//
// The records live in an immutable snapshot. Add and Remove (main thread, one caller at a time) build a
// new snapshot, publish it with one atomic store and retire the old one; a retired snapshot is freed by
// a later change, or by the destructor, once no Reader is open. A Reader never allocates, locks or waits:
// it counts itself in, takes the current snapshot and keeps it for its lifetime, so a record removed
// meanwhile is still whole while it is being called.
#pragma once

#include "framework/PtrList.h"

#include <atomic>
#include <new>

namespace iplugin
{
template <class T> class SnapshotList
{
  struct Snapshot
  {
    int mCount = 0;
    T* mEntries = nullptr;
  };

public:
  SnapshotList() = default;
  SnapshotList(const SnapshotList&) = delete;
  SnapshotList& operator=(const SnapshotList&) = delete;
  ~SnapshotList()
  {
    Free(mCurrent.exchange(nullptr));
    FreeRetired();
  }

  // Any thread: the snapshot current when it was opened, for as long as it lives.
  class Reader
  {
  public:
    explicit Reader(const SnapshotList& list) : mList(list)
    {
      mList.mReaders.fetch_add(1);
      mSnapshot = mList.mCurrent.load();
    }
    ~Reader() { mList.mReaders.fetch_sub(1); }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    int Count() const { return mSnapshot ? mSnapshot->mCount : 0; }
    const T& operator[](int idx) const { return mSnapshot->mEntries[idx]; }

  private:
    const SnapshotList& mList;
    const Snapshot* mSnapshot = nullptr;
  };

  // Main thread: the number of records.
  int Count() const { return Reader(*this).Count(); }

  // Main thread: appends a copy of entry. False when memory ran out; the list is unchanged then.
  bool Add(const T& entry)
  {
    const Snapshot* old = mCurrent.load();
    const int n = old ? old->mCount : 0;
    Snapshot* next = Make(n + 1);
    if (!next) return false;
    for (int i = 0; i < n; ++i)
      next->mEntries[i] = old->mEntries[i];
    next->mEntries[n] = entry;
    return Publish(next);
  }

  // Main thread: removes the first record for which matches(record) is true. False when none matches or
  // memory ran out; the list is unchanged then.
  template <class Match> bool RemoveFirst(Match matches)
  {
    const Snapshot* old = mCurrent.load();
    const int n = old ? old->mCount : 0;
    int found = -1;
    for (int i = 0; i < n && found < 0; ++i)
      if (matches(old->mEntries[i])) found = i;
    if (found < 0) return false;
    Snapshot* next = Make(n - 1);
    if (!next) return false;
    for (int i = 0, k = 0; i < n; ++i)
      if (i != found) next->mEntries[k++] = old->mEntries[i];
    return Publish(next);
  }

  // Main thread: frees the retired snapshots when no Reader is open.
  void Reclaim()
  {
    // Seen as 0 after the last publication: every later Reader takes the current snapshot.
    if (mReaders.load() == 0) FreeRetired();
  }

private:
  static Snapshot* Make(int count)
  {
    auto* s = new (std::nothrow) Snapshot;
    if (!s) return nullptr;
    s->mCount = count;
    if (count > 0 && !(s->mEntries = new (std::nothrow) T[size_t(count)]))
    {
      delete s;
      return nullptr;
    }
    return s;
  }

  static void Free(Snapshot* s)
  {
    if (!s) return;
    delete[] s->mEntries;
    delete s;
  }

  bool Publish(Snapshot* next)
  {
    Snapshot* old = mCurrent.load();
    // The retired list takes the old snapshot before it is unpublished, so it can never be lost.
    if (old && !mRetired.Add(old))
    {
      Free(next);
      return false;
    }
    mCurrent.store(next);
    Reclaim();
    return true;
  }

  void FreeRetired() { mRetired.Empty(true, Free); }

  std::atomic<Snapshot*> mCurrent{nullptr};
  mutable std::atomic<int> mReaders{0};
  PtrList<Snapshot> mRetired{128};
};
} // namespace iplugin
