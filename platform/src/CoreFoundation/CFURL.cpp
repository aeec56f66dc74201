#include "platform/src/CoreFoundation/CFRuntime.h"

#include <CoreFoundation/CFString.h>
#include <CoreFoundation/CFURL.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>

struct __CFURL : qorvcf::Object
{
  static constexpr CFTypeID kTypeID = qorvcf::kTypeURL;
  __CFURL(std::string p, bool dir) : Object(kTypeID, false), path(std::move(p)), isDirectory(dir)
  {
    std::string text = "file://";
    char hex[4];
    for (unsigned char c : path)
    {
      if (std::isalnum(c) || std::strchr("/-._~!$&'()*+,;=:@", c))
        text.push_back(static_cast<char>(c));
      else
      {
        std::snprintf(hex, sizeof hex, "%%%02X", c);
        text += hex;
      }
    }
    if (isDirectory && path != "/") text.push_back('/');
    qorvcf::UncountedScope partOfTheUrl; // counted through the URL itself
    string = qorvcf::NewString(text);
  }
  ~__CFURL() override { CFRelease(string); }
  bool Equals(const Object& other) const override
  {
    const auto& o = static_cast<const __CFURL&>(other);
    return path == o.path && isDirectory == o.isDirectory;
  }
  CFHashCode Hash() const override { return std::hash<std::string>()(path); }
  std::string Describe() const override { return qorvcf::Utf8(string); }

  const std::string path; // absolute, without a closing "/" except for the root
  const bool isDirectory;
  CFStringRef string = nullptr;
};

namespace
{
CFURLRef MakeURL(std::string path, bool isDirectory)
{
  if (path.empty()) return nullptr;
  std::filesystem::path p(path);
  if (p.is_relative())
  {
    std::error_code ec;
    p = std::filesystem::current_path(ec) / p;
  }
  std::string text = p.lexically_normal().string();
  while (text.size() > 1 && text.back() == '/')
    text.pop_back();
  if (!qorvcf::ValidUtf8(text, nullptr)) return nullptr;
  return new __CFURL(text, isDirectory);
}
} // namespace

CFURLRef CFURLCreateWithFileSystemPath(CFAllocatorRef, CFStringRef filePath, CFURLPathStyle pathStyle,
                                       Boolean isDirectory)
{
  if (pathStyle != kCFURLPOSIXPathStyle || CFGetTypeID(filePath) != qorvcf::kTypeString) return nullptr;
  return MakeURL(qorvcf::Utf8(filePath), isDirectory);
}

CFURLRef CFURLCreateFromFileSystemRepresentation(CFAllocatorRef, const UInt8* buffer, CFIndex bufLen,
                                                 Boolean isDirectory)
{
  if (!buffer || bufLen <= 0) return nullptr;
  std::string path(reinterpret_cast<const char*>(buffer), static_cast<size_t>(bufLen));
  path = path.c_str(); // up to a NUL inside the buffer
  return MakeURL(path, isDirectory);
}

Boolean CFURLGetFileSystemRepresentation(CFURLRef url, Boolean, UInt8* buffer, CFIndex maxBufLen)
{
  const __CFURL* u = qorvcf::As<__CFURL>(url);
  if (!u || !buffer || maxBufLen <= 0 || static_cast<CFIndex>(u->path.size()) + 1 > maxBufLen) return false;
  std::memcpy(buffer, u->path.c_str(), u->path.size() + 1);
  return true;
}
