#include "platform/src/CoreFoundation/CFRuntime.h"

#include <CoreFoundation/CFDictionary.h>
#include <CoreFoundation/CFString.h>

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
const void* StringCopy(CFAllocatorRef, const void* value)
{
  if (CFGetTypeID(value) == qorvcf::kTypeString)
    return CFStringCreateCopy(nullptr, static_cast<CFStringRef>(value));
  return CFRetain(value);
}
} // namespace

const CFDictionaryKeyCallBacks kCFTypeDictionaryKeyCallBacks = {
    0, TypeRetain, TypeRelease, CFCopyDescription, CFEqual, CFHash};
const CFDictionaryKeyCallBacks kCFCopyStringDictionaryKeyCallBacks = {
    0, StringCopy, TypeRelease, CFCopyDescription, CFEqual, CFHash};
const CFDictionaryValueCallBacks kCFTypeDictionaryValueCallBacks = {0, TypeRetain, TypeRelease,
                                                                    CFCopyDescription, CFEqual};

struct __CFDictionary : qorvcf::Object
{
  static constexpr CFTypeID kTypeID = qorvcf::kTypeDictionary;
  __CFDictionary(const CFDictionaryKeyCallBacks* k, const CFDictionaryValueCallBacks* v)
      : Object(kTypeID, false)
  {
    if (k) keyCallbacks = *k;
    if (v) valueCallbacks = *v;
  }
  ~__CFDictionary() override
  {
    for (const Entry& e : entries)
      ReleaseEntry(e);
  }

  struct Entry
  {
    const void* key;
    const void* value;
  };

  bool SameKey(const void* a, const void* b) const
  {
    return a == b || (keyCallbacks.equal && keyCallbacks.equal(a, b));
  }
  bool SameValue(const void* a, const void* b) const
  {
    return a == b || (valueCallbacks.equal && valueCallbacks.equal(a, b));
  }
  long Find(const void* key) const
  {
    for (size_t i = 0; i < entries.size(); ++i)
      if (SameKey(entries[i].key, key)) return static_cast<long>(i);
    return -1;
  }
  void ReleaseEntry(const Entry& e) const
  {
    if (keyCallbacks.release) keyCallbacks.release(nullptr, e.key);
    if (valueCallbacks.release) valueCallbacks.release(nullptr, e.value);
  }
  const void* RetainKey(const void* k) const
  {
    return keyCallbacks.retain ? keyCallbacks.retain(nullptr, k) : k;
  }
  const void* RetainValue(const void* v) const
  {
    return valueCallbacks.retain ? valueCallbacks.retain(nullptr, v) : v;
  }
  void Put(const void* key, const void* value, bool add, bool replace)
  {
    long i = Find(key);
    if (i < 0)
    {
      if (add) entries.push_back({RetainKey(key), RetainValue(value)});
      return;
    }
    if (!replace) return;
    const void* old = entries[static_cast<size_t>(i)].value;
    entries[static_cast<size_t>(i)].value = RetainValue(value);
    if (valueCallbacks.release) valueCallbacks.release(nullptr, old);
  }

  bool Equals(const Object& other) const override
  {
    const auto& o = static_cast<const __CFDictionary&>(other);
    if (entries.size() != o.entries.size()) return false;
    for (const Entry& e : entries)
    {
      long i = o.Find(e.key);
      if (i < 0 || !SameValue(e.value, o.entries[static_cast<size_t>(i)].value)) return false;
    }
    return true;
  }
  CFHashCode Hash() const override { return entries.size(); }
  std::string Describe() const override
  {
    std::string text = "{\n";
    for (const Entry& e : entries)
      text += "    " + qorvcf::DescribeValue(e.key) + " = " + qorvcf::DescribeValue(e.value) + ";\n";
    return text + "}";
  }

  CFDictionaryKeyCallBacks keyCallbacks{};
  CFDictionaryValueCallBacks valueCallbacks{};
  std::vector<Entry> entries;
};

CFTypeID CFDictionaryGetTypeID()
{
  return qorvcf::kTypeDictionary;
}

CFDictionaryRef CFDictionaryCreate(CFAllocatorRef, const void** keys, const void** values, CFIndex numValues,
                                   const CFDictionaryKeyCallBacks* keyCallBacks,
                                   const CFDictionaryValueCallBacks* valueCallBacks)
{
  if (numValues < 0 || (numValues > 0 && (!keys || !values))) return nullptr;
  auto* d = new __CFDictionary(keyCallBacks, valueCallBacks);
  for (CFIndex i = 0; i < numValues; ++i)
    d->Put(keys[i], values[i], true, true);
  return d;
}

CFMutableDictionaryRef CFDictionaryCreateMutable(CFAllocatorRef, CFIndex capacity,
                                                 const CFDictionaryKeyCallBacks* keyCallBacks,
                                                 const CFDictionaryValueCallBacks* valueCallBacks)
{
  if (capacity < 0) return nullptr;
  return new __CFDictionary(keyCallBacks, valueCallBacks);
}

CFMutableDictionaryRef CFDictionaryCreateMutableCopy(CFAllocatorRef, CFIndex capacity,
                                                     CFDictionaryRef theDict)
{
  const __CFDictionary* src = qorvcf::As<__CFDictionary>(theDict);
  if (!src || capacity < 0) return nullptr;
  auto* d = new __CFDictionary(&src->keyCallbacks, &src->valueCallbacks);
  for (const auto& e : src->entries)
    d->Put(e.key, e.value, true, true);
  return d;
}

CFIndex CFDictionaryGetCount(CFDictionaryRef theDict)
{
  const __CFDictionary* d = qorvcf::As<__CFDictionary>(theDict);
  return d ? static_cast<CFIndex>(d->entries.size()) : 0;
}

Boolean CFDictionaryGetValueIfPresent(CFDictionaryRef theDict, const void* key, const void** value)
{
  const __CFDictionary* d = qorvcf::As<__CFDictionary>(theDict);
  long i = d ? d->Find(key) : -1;
  if (i < 0) return false;
  if (value) *value = d->entries[static_cast<size_t>(i)].value;
  return true;
}

const void* CFDictionaryGetValue(CFDictionaryRef theDict, const void* key)
{
  const void* value = nullptr;
  return CFDictionaryGetValueIfPresent(theDict, key, &value) ? value : nullptr;
}

void CFDictionaryGetKeysAndValues(CFDictionaryRef theDict, const void** keys, const void** values)
{
  const __CFDictionary* d = qorvcf::As<__CFDictionary>(theDict);
  if (!d) return;
  for (size_t i = 0; i < d->entries.size(); ++i)
  {
    if (keys) keys[i] = d->entries[i].key;
    if (values) values[i] = d->entries[i].value;
  }
}

void CFDictionarySetValue(CFMutableDictionaryRef theDict, const void* key, const void* value)
{
  if (__CFDictionary* d = qorvcf::AsMutable<__CFDictionary>(theDict)) d->Put(key, value, true, true);
}

void CFDictionaryRemoveValue(CFMutableDictionaryRef theDict, const void* key)
{
  __CFDictionary* d = qorvcf::AsMutable<__CFDictionary>(theDict);
  long i = d ? d->Find(key) : -1;
  if (i < 0) return;
  __CFDictionary::Entry e = d->entries[static_cast<size_t>(i)];
  d->entries.erase(d->entries.begin() + i);
  d->ReleaseEntry(e);
}
