// Object model shared by the Core Foundation stand-in's sources: every reference is a pointer to an
// Object, whose type id tells which of the __CF structs it is.
#pragma once

#include <CoreFoundation/CFBase.h>

#include <atomic>
#include <string>

namespace qorvcf
{
enum : CFTypeID
{
  kTypeAllocator = 1,
  kTypeString,
  kTypeNumber,
  kTypeBoolean,
  kTypeData,
  kTypeArray,
  kTypeDictionary,
  kTypeURL,
  kTypeBundle,
  kTypeRunLoop,
  kTypeRunLoopTimer,
  kTypeError,
  kTypeFontDescriptor,
  kTypeFont,
};

struct Object
{
  // Immortal objects (constants) ignore retain and release and are not counted as live.
  Object(CFTypeID type, bool immortal);
  virtual ~Object();
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  // Called by CFEqual only for two objects of the same type.
  virtual bool Equals(const Object& other) const { return this == &other; }
  virtual CFHashCode Hash() const { return reinterpret_cast<CFHashCode>(this); }
  virtual std::string Describe() const;

  const CFTypeID typeID;
  const bool immortal;
  bool counted;
  std::atomic<long> refs{1};
};

// While one exists on a thread, objects made on that thread are left out of the live count: for what
// lives as long as the process (bundles and their information dictionaries).
class UncountedScope
{
public:
  UncountedScope();
  ~UncountedScope();
  UncountedScope(const UncountedScope&) = delete;
  UncountedScope& operator=(const UncountedScope&) = delete;
};

inline const Object* AsObject(CFTypeRef cf)
{
  return static_cast<const Object*>(cf);
}

// The object as T when it is of that type, else null: every entry point checks what it is handed.
template <class T> const T* As(CFTypeRef cf)
{
  const Object* o = AsObject(cf);
  return (o && o->typeID == T::kTypeID) ? static_cast<const T*>(o) : nullptr;
}
template <class T> T* AsMutable(CFTypeRef cf)
{
  return const_cast<T*>(As<T>(cf));
}

// Adds or removes one from the live count (objects and allocator blocks).
void CountLive(long delta);

// The description of any object or value as UTF-8 text (strings give their own text).
std::string DescribeValue(CFTypeRef cf);
} // namespace qorvcf

namespace qorvcf
{
// The string's text as UTF-8 ("" for null or a non-string).
std::string Utf8(CFTypeRef string);
// The same text, kept by the string itself (empty for anything else): no copy is made.
const std::string& Utf8Text(CFTypeRef string);
// A new string (retain count 1) holding valid UTF-8 text.
CFStringRef NewString(std::string utf8);
// Whether the bytes are valid UTF-8; counts UTF-16 units on the way.
bool ValidUtf8(const std::string& text, CFIndex* utf16Length);
} // namespace qorvcf

typedef struct __CFError* CFErrorRef;
namespace qorvcf
{
// A new error (retain count 1).
CFErrorRef NewError(CFStringRef domain, CFIndex code, const std::string& description);
} // namespace qorvcf
