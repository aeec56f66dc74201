#include "platform/src/CoreFoundation/CFRuntime.h"

#include <CoreFoundation/CFData.h>
#include <QorvPlatform/LargeBlocks.h>

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
  qorvplatform::LargeVector<UInt8> bytes;
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
