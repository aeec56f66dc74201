// A list of pointers over a HeapBuf. It owns its elements only when told so by Empty or Delete.
#pragma once

#include "framework/HeapBuf.h"

namespace iplugin
{
template <class T> class PtrList
{
public:
  using DeleteFunc = void (*)(T*);

  explicit PtrList(int granularity = 128) : m_hb(granularity) {}

  T** GetList() const { return static_cast<T**>(m_hb.Get()); }
  int Count() const { return m_hb.GetSize() / int(sizeof(T*)); }

  // The pointer at idx, or null outside 0 .. Count() - 1.
  T* Get(int idx) const
  {
    T** list = GetList();
    return list && idx >= 0 && idx < Count() ? list[idx] : nullptr;
  }

  // Appends p; when the list cannot grow the pointer is not stored and the list is unchanged.
  T* Add(T* p)
  {
    const int oldSize = m_hb.GetSize();
    const int newSize = oldSize + int(sizeof(T*));
    T** list = static_cast<T**>(m_hb.Resize(newSize, false));
    if (!list || m_hb.GetSize() != newSize) return nullptr;
    list[oldSize / int(sizeof(T*))] = p;
    return p;
  }

  // Appends a record the list owns from now on. When the list cannot grow the record is released
  // (through deleteFunc when given), the list is unchanged and the result is null.
  T* AddOwned(T* p, DeleteFunc deleteFunc = nullptr)
  {
    if (Add(p)) return p;
    Release(p, deleteFunc);
    return nullptr;
  }

  // Inserts p before idx (clamped to 0 .. Count()); null when the list cannot grow.
  T* Insert(int idx, T* p)
  {
    const int n = Count();
    idx = idx < 0 ? 0 : (idx > n ? n : idx);
    if (!Add(p)) return nullptr;
    T** list = GetList();
    for (int i = n; i > idx; --i)
      list[i] = list[i - 1];
    list[idx] = p;
    return p;
  }

  // Takes the element at idx out of the list, closing the gap; releases it when asked.
  void Delete(int idx, bool deleteElement = false, DeleteFunc deleteFunc = nullptr)
  {
    const int n = Count();
    if (idx < 0 || idx >= n) return;
    T** list = GetList();
    T* p = list[idx];
    for (int i = idx; i < n - 1; ++i)
      list[i] = list[i + 1];
    m_hb.Resize((n - 1) * int(sizeof(T*)), false);
    if (deleteElement) Release(p, deleteFunc);
  }

  // The index of p, or -1.
  int Find(const T* p) const
  {
    for (int i = 0; i < Count(); ++i)
      if (GetList()[i] == p) return i;
    return -1;
  }

  // Empties the list, keeping the allocation. With deleteElements the elements are released from the
  // last to the first and the list shrinks after each, so it never holds a released pointer.
  void Empty(bool deleteElements = false, DeleteFunc deleteFunc = nullptr)
  {
    if (deleteElements)
    {
      for (int i = Count() - 1; i >= 0; --i)
      {
        T* p = GetList()[i];
        m_hb.Resize(i * int(sizeof(T*)), false);
        Release(p, deleteFunc);
      }
    }
    m_hb.Resize(0, false);
  }

private:
  static void Release(T* p, DeleteFunc deleteFunc)
  {
    if (!p) return;
    if (deleteFunc)
      deleteFunc(p);
    else
      delete p;
  }

  HeapBuf m_hb;
};
} // namespace iplugin
