#include "platform/src/CoreFoundation/CFRuntime.h"

#include <CoreFoundation/CFArray.h>
#include <CoreFoundation/CFString.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{
const void* TypeRetain(CFAllocatorRef, const void* value)
{
  return CFRetain(value);
}
void TypeRelease(CFAllocatorRef, const void* value)
{
  CFRelease(value);
}
} // namespace

const CFArrayCallBacks kCFTypeArrayCallBacks = {0, TypeRetain, TypeRelease, CFCopyDescription, CFEqual};

struct __CFArray : qorvcf::Object
{
  static constexpr CFTypeID kTypeID = qorvcf::kTypeArray;
  explicit __CFArray(const CFArrayCallBacks* cb) : Object(kTypeID, false)
  {
    if (cb) callbacks = *cb;
  }
  ~__CFArray() override
  {
    for (const void* v : values)
      Release(v);
  }
  const void* Retain(const void* v) const { return callbacks.retain ? callbacks.retain(nullptr, v) : v; }
  void Release(const void* v) const
  {
    if (callbacks.release) callbacks.release(nullptr, v);
  }
  bool Same(const void* a, const void* b) const
  {
    return a == b || (callbacks.equal && callbacks.equal(a, b));
  }
  bool Equals(const Object& other) const override
  {
    const auto& o = static_cast<const __CFArray&>(other);
    if (values.size() != o.values.size()) return false;
    for (size_t i = 0; i < values.size(); ++i)
      if (!Same(values[i], o.values[i])) return false;
    return true;
  }
  CFHashCode Hash() const override { return values.size(); }
  std::string Describe() const override
  {
    std::string text = "(\n";
    for (const void* v : values)
    {
      std::string item;
      if (callbacks.copyDescription)
      {
        CFStringRef d = callbacks.copyDescription(v);
        item = qorvcf::Utf8(d);
        CFRelease(d);
      }
      else
      {
        char ptr[32];
        std::snprintf(ptr, sizeof ptr, "%p", v);
        item = ptr;
      }
      text += "    " + item + ",\n";
    }
    return text + ")";
  }

  CFArrayCallBacks callbacks{};
  std::vector<const void*> values;
};

CFTypeID CFArrayGetTypeID()
{
  return qorvcf::kTypeArray;
}

CFArrayRef CFArrayCreate(CFAllocatorRef allocator, const void** values, CFIndex numValues,
                         const CFArrayCallBacks* callBacks)
{
  if (numValues < 0 || (!values && numValues > 0)) return nullptr;
  auto* a = new __CFArray(callBacks);
  for (CFIndex i = 0; i < numValues; ++i)
    a->values.push_back(a->Retain(values[i]));
  return a;
}

CFMutableArrayRef CFArrayCreateMutable(CFAllocatorRef, CFIndex capacity, const CFArrayCallBacks* callBacks)
{
  if (capacity < 0) return nullptr;
  auto* a = new __CFArray(callBacks);
  a->values.reserve(static_cast<size_t>(std::min<CFIndex>(capacity, 4096)));
  return a;
}

CFIndex CFArrayGetCount(CFArrayRef theArray)
{
  const __CFArray* a = qorvcf::As<__CFArray>(theArray);
  return a ? static_cast<CFIndex>(a->values.size()) : 0;
}

const void* CFArrayGetValueAtIndex(CFArrayRef theArray, CFIndex idx)
{
  const __CFArray* a = qorvcf::As<__CFArray>(theArray);
  if (!a || idx < 0 || idx >= static_cast<CFIndex>(a->values.size())) return nullptr;
  return a->values[static_cast<size_t>(idx)];
}

void CFArrayAppendValue(CFMutableArrayRef theArray, const void* value)
{
  __CFArray* a = qorvcf::AsMutable<__CFArray>(theArray);
  if (a) a->values.push_back(a->Retain(value));
}

void CFArrayRemoveValueAtIndex(CFMutableArrayRef theArray, CFIndex idx)
{
  __CFArray* a = qorvcf::AsMutable<__CFArray>(theArray);
  if (!a || idx < 0 || idx >= static_cast<CFIndex>(a->values.size())) return;
  const void* old = a->values[static_cast<size_t>(idx)];
  a->values.erase(a->values.begin() + idx);
  a->Release(old);
}
