#include "platform/src/CoreFoundation/CFRuntime.h"

#include <CoreFoundation/CFNumber.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

struct __CFBoolean : qorvcf::Object
{
  static constexpr CFTypeID kTypeID = qorvcf::kTypeBoolean;
  explicit __CFBoolean(bool v) : Object(kTypeID, true), value(v) {}
  std::string Describe() const override { return value ? "true" : "false"; }
  const bool value;
};

struct __CFNumber : qorvcf::Object
{
  static constexpr CFTypeID kTypeID = qorvcf::kTypeNumber;
  __CFNumber(CFNumberType t, bool f, long long i, double d)
      : Object(kTypeID, false), type(t), isFloat(f), i(i), d(d)
  {
  }
  double AsDouble() const { return isFloat ? d : static_cast<double>(i); }
  bool Equals(const Object& other) const override
  {
    const auto& o = static_cast<const __CFNumber&>(other);
    if (!isFloat && !o.isFloat) return i == o.i;
    return AsDouble() == o.AsDouble();
  }
  CFHashCode Hash() const override
  {
    double v = AsDouble();
    if (v == std::floor(v) && std::fabs(v) < 9e18) return static_cast<CFHashCode>(static_cast<long long>(v));
    return std::hash<double>()(v);
  }
  std::string Describe() const override
  {
    char text[64];
    if (isFloat)
      std::snprintf(text, sizeof text, "%.17g", d);
    else
      std::snprintf(text, sizeof text, "%lld", i);
    return text;
  }
  const CFNumberType type;
  const bool isFloat;
  const long long i;
  const double d;
};

namespace
{
const __CFBoolean gTrue(true);
const __CFBoolean gFalse(false);

// Size in bytes and whether the type is a floating-point one; size 0 for an unknown type.
size_t TypeSize(CFNumberType t, bool* isFloat)
{
  *isFloat = false;
  switch (t)
  {
  case kCFNumberSInt8Type:
  case kCFNumberCharType:
    return 1;
  case kCFNumberSInt16Type:
  case kCFNumberShortType:
    return 2;
  case kCFNumberSInt32Type:
  case kCFNumberIntType:
    return 4;
  case kCFNumberSInt64Type:
  case kCFNumberLongType:
  case kCFNumberLongLongType:
  case kCFNumberCFIndexType:
  case kCFNumberNSIntegerType:
    return 8;
  case kCFNumberFloat32Type:
  case kCFNumberFloatType:
    *isFloat = true;
    return 4;
  case kCFNumberFloat64Type:
  case kCFNumberDoubleType:
  case kCFNumberCGFloatType:
    *isFloat = true;
    return 8;
  default:
    return 0;
  }
}

template <class T> bool StoreInt(long long v, void* out)
{
  T t = static_cast<T>(v);
  std::memcpy(out, &t, sizeof t);
  return static_cast<long long>(t) == v;
}
} // namespace

const CFBooleanRef kCFBooleanTrue = &gTrue;
const CFBooleanRef kCFBooleanFalse = &gFalse;

CFTypeID CFBooleanGetTypeID()
{
  return qorvcf::kTypeBoolean;
}

Boolean CFBooleanGetValue(CFBooleanRef boolean)
{
  const __CFBoolean* b = qorvcf::As<__CFBoolean>(boolean);
  return b && b->value;
}

CFTypeID CFNumberGetTypeID()
{
  return qorvcf::kTypeNumber;
}

CFNumberRef CFNumberCreate(CFAllocatorRef, CFNumberType theType, const void* valuePtr)
{
  bool isFloat = false;
  size_t size = TypeSize(theType, &isFloat);
  if (!size || !valuePtr) return nullptr;
  if (isFloat)
  {
    double d;
    if (size == 4)
    {
      float f;
      std::memcpy(&f, valuePtr, 4);
      d = f;
    }
    else
      std::memcpy(&d, valuePtr, 8);
    return new __CFNumber(theType, true, 0, d);
  }
  long long i = 0;
  switch (size)
  {
  case 1:
    i = *static_cast<const int8_t*>(valuePtr);
    break;
  case 2:
  {
    int16_t v;
    std::memcpy(&v, valuePtr, 2);
    i = v;
    break;
  }
  case 4:
  {
    int32_t v;
    std::memcpy(&v, valuePtr, 4);
    i = v;
    break;
  }
  default:
    std::memcpy(&i, valuePtr, 8);
  }
  return new __CFNumber(theType, false, i, 0.0);
}

Boolean CFNumberIsFloatType(CFNumberRef number)
{
  const __CFNumber* n = qorvcf::As<__CFNumber>(number);
  return n && n->isFloat;
}

Boolean CFNumberGetValue(CFNumberRef number, CFNumberType theType, void* valuePtr)
{
  const __CFNumber* n = qorvcf::As<__CFNumber>(number);
  bool isFloat = false;
  size_t size = TypeSize(theType, &isFloat);
  if (!n || !size || !valuePtr) return false;
  if (isFloat)
  {
    double d = n->AsDouble();
    if (size == 4)
    {
      float f = static_cast<float>(d);
      std::memcpy(valuePtr, &f, 4);
      return n->isFloat ? static_cast<double>(f) == d || std::isnan(d) : static_cast<long long>(f) == n->i;
    }
    std::memcpy(valuePtr, &d, 8);
    return n->isFloat || static_cast<long long>(d) == n->i;
  }
  long long v = n->i;
  bool exact = true;
  if (n->isFloat)
  {
    double d = n->d;
    if (!(d == d)) d = 0;
    d = std::trunc(d);
    if (d >= 9.2e18) d = 9.2e18;
    if (d <= -9.2e18) d = -9.2e18;
    v = static_cast<long long>(d);
    exact = static_cast<double>(v) == n->d;
  }
  switch (size)
  {
  case 1:
    return StoreInt<int8_t>(v, valuePtr) && exact;
  case 2:
    return StoreInt<int16_t>(v, valuePtr) && exact;
  case 4:
    return StoreInt<int32_t>(v, valuePtr) && exact;
  default:
    return StoreInt<int64_t>(v, valuePtr) && exact;
  }
}
