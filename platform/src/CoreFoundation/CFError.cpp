#include "platform/src/CoreFoundation/CFRuntime.h"

#include <CoreFoundation/CFError.h>
#include <CoreFoundation/CFString.h>

const CFStringRef kCFErrorDomainCocoa = CFSTR("NSCocoaErrorDomain");

struct __CFError : qorvcf::Object
{
  static constexpr CFTypeID kTypeID = qorvcf::kTypeError;
  __CFError(CFStringRef d, CFIndex c, std::string text)
      : Object(kTypeID, false), domain(d), code(c), description(std::move(text))
  {
  }
  std::string Describe() const override { return description; }
  const CFStringRef domain;
  const CFIndex code;
  const std::string description;
};

namespace qorvcf
{
CFErrorRef NewError(CFStringRef domain, CFIndex code, const std::string& description)
{
  return new __CFError(domain, code, description);
}
} // namespace qorvcf
