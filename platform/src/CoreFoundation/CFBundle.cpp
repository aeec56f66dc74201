#include "platform/src/CoreFoundation/CFRuntime.h"

#include <CoreFoundation/CFBundle.h>
#include <CoreFoundation/CFPropertyList.h>
#include <CoreFoundation/CFString.h>
#include <QorvPlatform/Bundles.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <vector>

const CFStringRef kCFBundleInfoDictionaryVersionKey = CFSTR("CFBundleInfoDictionaryVersion");
const CFStringRef kCFBundleExecutableKey = CFSTR("CFBundleExecutable");
const CFStringRef kCFBundleIdentifierKey = CFSTR("CFBundleIdentifier");
const CFStringRef kCFBundleVersionKey = CFSTR("CFBundleVersion");
const CFStringRef kCFBundleNameKey = CFSTR("CFBundleName");

struct __CFBundle : qorvcf::Object
{
  static constexpr CFTypeID kTypeID = qorvcf::kTypeBundle;
  explicit __CFBundle(std::string p) : Object(kTypeID, true), path(std::move(p)) {}
  std::string Describe() const override { return "CFBundle " + path; }

  const std::string path;
  CFDictionaryRef info = nullptr;       // never freed: bundles live as long as the process
  std::string infoBytes;                // the Info.plist that `info` was read from
  std::vector<CFDictionaryRef> earlier; // replaced dictionaries, whose values callers may still hold
  unsigned long registered = 0;         // when it was last opened: the newest wins an identifier
};

namespace
{
namespace fs = std::filesystem;

struct Registry
{
  std::mutex mutex;
  std::map<std::string, __CFBundle*> bundles; // by folder
  __CFBundle* main = nullptr;
  unsigned long opened = 0;
};

Registry& TheRegistry()
{
  static Registry* registry = new Registry;
  return *registry;
}

std::string Normalise(const std::string& path)
{
  fs::path p(path);
  std::error_code ec;
  if (p.is_relative()) p = fs::current_path(ec) / p;
  std::string text = p.lexically_normal().string();
  while (text.size() > 1 && text.back() == '/')
    text.pop_back();
  return text;
}

std::string ReadInfoBytes(const std::string& bundlePath)
{
  std::ifstream file(bundlePath + "/Contents/Info.plist", std::ios::binary);
  std::ostringstream text;
  if (file) text << file.rdbuf();
  return text.str();
}

CFDictionaryRef ParseInfo(const std::string& bytes)
{
  qorvcf::UncountedScope lifelong;
  CFPropertyListRef plist = nullptr;
  if (!bytes.empty())
  {
    CFDataRef data = CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(bytes.data()),
                                  static_cast<CFIndex>(bytes.size()));
    plist = CFPropertyListCreateWithData(nullptr, data, kCFPropertyListImmutable, nullptr, nullptr);
    CFRelease(data);
  }
  if (CFGetTypeID(plist) != CFDictionaryGetTypeID())
  {
    CFRelease(plist);
    plist = CFDictionaryCreate(nullptr, nullptr, nullptr, 0, &kCFTypeDictionaryKeyCallBacks,
                               &kCFTypeDictionaryValueCallBacks);
  }
  return static_cast<CFDictionaryRef>(plist);
}

// The bundle of the folder, read (again) from its Info.plist when that changed: a host that looks the
// bundle up at every window it opens keeps one dictionary. Caller holds the registry's lock.
__CFBundle* Open(Registry& registry, const std::string& folder)
{
  std::error_code ec;
  std::string path = Normalise(folder);
  if (path.empty() || !fs::is_directory(path, ec)) return nullptr;
  __CFBundle*& bundle = registry.bundles[path];
  if (!bundle) bundle = new __CFBundle(path);
  std::string bytes = ReadInfoBytes(path);
  if (!bundle->info || bytes != bundle->infoBytes)
  {
    if (bundle->info) bundle->earlier.push_back(bundle->info);
    bundle->info = ParseInfo(bytes);
    bundle->infoBytes = std::move(bytes);
  }
  bundle->registered = ++registry.opened;
  return bundle;
}

std::string Text(CFTypeRef value)
{
  return qorvcf::Utf8(value);
}

CFURLRef FolderURL(const std::string& path)
{
  return CFURLCreateFromFileSystemRepresentation(nullptr, reinterpret_cast<const UInt8*>(path.c_str()),
                                                 static_cast<CFIndex>(path.size()), true);
}

CFURLRef FileURL(const std::string& path)
{
  return CFURLCreateFromFileSystemRepresentation(nullptr, reinterpret_cast<const UInt8*>(path.c_str()),
                                                 static_cast<CFIndex>(path.size()), false);
}
} // namespace

CFBundleRef CFBundleGetMainBundle()
{
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  return registry.main;
}

CFBundleRef CFBundleGetBundleWithIdentifier(CFStringRef bundleID)
{
  if (CFGetTypeID(bundleID) != qorvcf::kTypeString) return nullptr;
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  __CFBundle* newest = nullptr;
  std::error_code ec;
  for (auto& [path, bundle] : registry.bundles)
    if (CFEqual(CFDictionaryGetValue(bundle->info, kCFBundleIdentifierKey), bundleID) &&
        (!newest || bundle->registered > newest->registered) && fs::is_directory(path, ec))
      newest = bundle;
  return newest;
}

CFStringRef CFBundleGetIdentifier(CFBundleRef bundle)
{
  CFTypeRef id = CFBundleGetValueForInfoDictionaryKey(bundle, kCFBundleIdentifierKey);
  return CFGetTypeID(id) == qorvcf::kTypeString ? static_cast<CFStringRef>(id) : nullptr;
}

CFDictionaryRef CFBundleGetInfoDictionary(CFBundleRef bundle)
{
  const __CFBundle* b = qorvcf::As<__CFBundle>(bundle);
  if (!b) return nullptr;
  std::lock_guard<std::mutex> lock(TheRegistry().mutex);
  return b->info;
}

CFTypeRef CFBundleGetValueForInfoDictionaryKey(CFBundleRef bundle, CFStringRef key)
{
  return CFDictionaryGetValue(CFBundleGetInfoDictionary(bundle), key);
}

CFURLRef CFBundleCopyBundleURL(CFBundleRef bundle)
{
  const __CFBundle* b = qorvcf::As<__CFBundle>(bundle);
  return b ? FolderURL(b->path) : nullptr;
}

CFURLRef CFBundleCopyResourcesDirectoryURL(CFBundleRef bundle)
{
  const __CFBundle* b = qorvcf::As<__CFBundle>(bundle);
  return b ? FolderURL(b->path + "/Contents/Resources") : nullptr;
}

CFURLRef CFBundleCopyExecutableURL(CFBundleRef bundle)
{
  const __CFBundle* b = qorvcf::As<__CFBundle>(bundle);
  std::string name = Text(CFBundleGetValueForInfoDictionaryKey(bundle, kCFBundleExecutableKey));
  if (!b || name.empty() || name.find('/') != std::string::npos) return nullptr;
  std::error_code ec;
  std::string inMacOS = b->path + "/Contents/MacOS/" + name;
  std::string inContents = b->path + "/Contents/" + name;
  if (!fs::exists(inMacOS, ec) && fs::exists(inContents, ec)) return FileURL(inContents);
  return FileURL(inMacOS);
}

namespace qorvplatform
{
void SetMainBundle(const char* bundlePath)
{
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.main = bundlePath ? Open(registry, bundlePath) : nullptr;
}

CFBundleRef RegisterBundle(const char* bundlePath)
{
  if (!bundlePath) return nullptr;
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  return Open(registry, bundlePath);
}
} // namespace qorvplatform
