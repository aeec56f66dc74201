// Packing and reading of Component Manager parameter records (no platform counterpart; on the platform
// the glue code of each side does this). Slot 0 is the component instance, then the selector's arguments.
#pragma once

#include <CoreServices/Components.h>

#include <cstddef>
#include <cstring>

namespace qorvplatform
{
inline long* ComponentParamSlots(ComponentParameters* p)
{
  return reinterpret_cast<long*>(reinterpret_cast<char*>(p) + offsetof(ComponentParameters, params));
}

// Argument `index` (0 = the first after the instance) read as T.
template <class T> T ComponentParam(ComponentParameters* p, int index)
{
  static_assert(sizeof(T) <= sizeof(long), "one slot per argument");
  T value;
  std::memcpy(&value, ComponentParamSlots(p) + 1 + index, sizeof(T));
  return value;
}

inline ComponentInstance ComponentCallInstance(ComponentParameters* p)
{
  ComponentInstance ci;
  std::memcpy(&ci, ComponentParamSlots(p), sizeof ci);
  return ci;
}

// A parameter record for one call with N arguments, built on the caller's stack.
template <int N> class ComponentCall
{
public:
  ComponentCall(SInt16 selector, ComponentInstance ci)
  {
    std::memset(&m_record, 0, sizeof m_record);
    m_record.head.what = selector;
    m_record.head.paramSize = static_cast<UInt8>(N * sizeof(long));
    std::memcpy(ComponentParamSlots(&m_record.head), &ci, sizeof ci);
  }
  template <class T> void Set(int index, T value)
  {
    static_assert(sizeof(T) <= sizeof(long), "one slot per argument");
    std::memcpy(ComponentParamSlots(&m_record.head) + 1 + index, &value, sizeof(T));
  }
  ComponentParameters* Params() { return &m_record.head; }

private:
  struct Record
  {
    ComponentParameters head; // holds slot 0
    long more[N > 0 ? N : 1];
  } m_record;
};
} // namespace qorvplatform
