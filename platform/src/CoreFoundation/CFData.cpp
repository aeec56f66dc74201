#include "platform/src/CoreFoundation/CFRuntime.h"

#include <CoreFoundation/CFData.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

struct __CFData : qorvcf::Object
{
  static constexpr CFTypeID kTypeID = qorvcf::kTypeData;
  __CFData() : Object(kTypeID, false) {}
  bool Equals(const Object& other) const override
  {
    return bytes == static_cast<const __CFData&>(other).bytes;
  }
  CFHashCode Hash() const override
  {
    return std::hash<std::string_view>()(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  }
  std::string Describe() const override
  {
    std::string text = "<";
    char hex[4];
    for (size_t i = 0; i < bytes.size(); ++i)
    {
      if (i && i % 4 == 0) text += ' ';
      std::snprintf(hex, sizeof hex, "%02x", bytes[i]);
      text += hex;
    }
    return text + ">";
  }
  std::vector<UInt8> bytes;
};

CFTypeID CFDataGetTypeID()
{
  return qorvcf::kTypeData;
}

CFDataRef CFDataCreate(CFAllocatorRef, const UInt8* bytes, CFIndex length)
{
  if (length < 0 || (!bytes && length > 0)) return nullptr;
  auto* d = new __CFData;
  if (length > 0) d->bytes.assign(bytes, bytes + length);
  return d;
}

CFDataRef CFDataCreateCopy(CFAllocatorRef allocator, CFDataRef theData)
{
  const __CFData* d = qorvcf::As<__CFData>(theData);
  if (!d) return nullptr;
  return CFDataCreate(allocator, d->bytes.data(), static_cast<CFIndex>(d->bytes.size()));
}

CFMutableDataRef CFDataCreateMutable(CFAllocatorRef, CFIndex capacity)
{
  if (capacity < 0) return nullptr;
  return new __CFData;
}

CFIndex CFDataGetLength(CFDataRef theData)
{
  const __CFData* d = qorvcf::As<__CFData>(theData);
  return d ? static_cast<CFIndex>(d->bytes.size()) : 0;
}

const UInt8* CFDataGetBytePtr(CFDataRef theData)
{
  const __CFData* d = qorvcf::As<__CFData>(theData);
  return (d && !d->bytes.empty()) ? d->bytes.data() : nullptr;
}

UInt8* CFDataGetMutableBytePtr(CFMutableDataRef theData)
{
  __CFData* d = qorvcf::AsMutable<__CFData>(theData);
  return (d && !d->bytes.empty()) ? d->bytes.data() : nullptr;
}

void CFDataGetBytes(CFDataRef theData, CFRange range, UInt8* buffer)
{
  const __CFData* d = qorvcf::As<__CFData>(theData);
  if (!d || !buffer || range.location < 0 || range.length <= 0) return;
  CFIndex size = static_cast<CFIndex>(d->bytes.size());
  if (range.location >= size) return;
  CFIndex n = std::min(range.length, size - range.location);
  std::memcpy(buffer, d->bytes.data() + range.location, static_cast<size_t>(n));
}

void CFDataSetLength(CFMutableDataRef theData, CFIndex length)
{
  __CFData* d = qorvcf::AsMutable<__CFData>(theData);
  if (d && length >= 0) d->bytes.resize(static_cast<size_t>(length), 0);
}

void CFDataAppendBytes(CFMutableDataRef theData, const UInt8* bytes, CFIndex length)
{
  __CFData* d = qorvcf::AsMutable<__CFData>(theData);
  if (d && bytes && length > 0) d->bytes.insert(d->bytes.end(), bytes, bytes + length);
}
