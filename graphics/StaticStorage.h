// A keyed cache of owned resources by (name, scale): the one cache type of the editor. The process
// keeps one for bitmaps and one for SVG documents, the vector back end one per context, the font code
// more. Callers hold the cache's (recursive) mutex around every operation; the count is the number of
// live graphics contexts that use a process-wide cache.
#pragma once

#include "framework/Mutex.h"
#include "framework/PtrList.h"
#include "framework/StringBuf.h"

#include <cstdio>
#include <cstring>
#include <functional>
#include <string_view>

namespace iplugin::igraphics
{
template <class T>
class StaticStorage
{
public:
  struct DataKey
  {
    size_t hash = 0;
    StringBuf name;
    double scale = 0.0;
    T* data = nullptr;
  };

  StaticStorage() : mEntries(4096) {}
  ~StaticStorage() { Clear(); }
  StaticStorage(const StaticStorage&) = delete;
  StaticStorage& operator=(const StaticStorage&) = delete;

  // The first entry, in insertion order, of exactly this name and scale; null when there is none.
  T* Find(const char* name, double scale) const
  {
    const size_t hash = Hash(name, scale);
    for (int i = 0; i < mEntries.Count(); ++i)
    {
      const DataKey* key = mEntries.Get(i);
      if (key->hash == hash && key->scale == scale && std::strcmp(key->name.Get(), name ? name : "") == 0)
        return key->data;
    }
    return nullptr;
  }

  // Appends an entry and takes ownership of data; an entry of the same key is not looked for.
  void Add(T* data, const char* name, double scale)
  {
    DataKey* key = new DataKey;
    key->hash = Hash(name, scale);
    key->name.Set(name ? name : "");
    key->scale = scale;
    key->data = data;
    if (!mEntries.Add(key))
    {
      delete data;
      delete key;
    }
  }

  // Deletes the entry holding data and the data itself; false when no entry holds it.
  bool Remove(const T* data)
  {
    for (int i = 0; i < mEntries.Count(); ++i)
    {
      DataKey* key = mEntries.Get(i);
      if (key->data != data) continue;
      mEntries.Delete(i);
      delete key->data;
      delete key;
      return true;
    }
    return false;
  }

  // Deletes every entry and its data, from the last to the first.
  void Clear()
  {
    for (int i = mEntries.Count() - 1; i >= 0; --i)
    {
      DataKey* key = mEntries.Get(i);
      mEntries.Delete(i);
      delete key->data;
      delete key;
    }
  }

  int NEntries() const { return mEntries.Count(); }

  // Counts a graphics context in.
  void Retain() { ++mCount; }
  // Counts one out; the last one empties the cache.
  void Release()
  {
    if (--mCount == 0) Clear();
  }
  int GetCount() const { return mCount; }

  Mutex& GetMutex() { return mMutex; }

private:
  // The key text is the name followed by the scale as "-%.1fx".
  static size_t Hash(const char* name, double scale)
  {
    StringBuf key(name ? name : "");
    key.AppendFormatted(32, "-%.1fx", scale);
    return std::hash<std::string_view>()(std::string_view(key.Get()));
  }

  int mCount = 0;
  Mutex mMutex;
  PtrList<DataKey> mEntries;
};
} // namespace iplugin::igraphics
