#include <Foundation/NSBundle.h>

#include <CoreFoundation/CFString.h>
#include <Foundation/NSFileManager.h>

#include <map>
#include <memory>
#include <mutex>

namespace
{
std::string Path(CFURLRef url)
{
  char path[4096];
  std::string result;
  if (CFURLGetFileSystemRepresentation(url, true, reinterpret_cast<UInt8*>(path), sizeof path)) result = path;
  CFRelease(url);
  return result;
}

// One wrapper per bundle, kept like the bundles themselves.
NSBundle* Wrap(CFBundleRef bundle)
{
  if (!bundle) return nullptr;
  static std::mutex mutex;
  static auto* wrappers = new std::map<CFBundleRef, std::unique_ptr<NSBundle>>;
  std::lock_guard<std::mutex> lock(mutex);
  auto& slot = (*wrappers)[bundle];
  if (!slot) slot = std::make_unique<NSBundle>(bundle);
  return slot.get();
}
} // namespace

NSBundle* NSBundle::bundleWithIdentifier(const std::string& identifier)
{
  CFStringRef id = CFStringCreateWithCString(nullptr, identifier.c_str(), kCFStringEncodingUTF8);
  CFBundleRef bundle = CFBundleGetBundleWithIdentifier(id);
  CFRelease(id);
  return Wrap(bundle);
}

NSBundle* NSBundle::mainBundle()
{
  return Wrap(CFBundleGetMainBundle());
}

std::string NSBundle::bundleIdentifier() const
{
  const char* id = CFStringGetCStringPtr(CFBundleGetIdentifier(m_bundle), kCFStringEncodingUTF8);
  return id ? id : "";
}

std::string NSBundle::bundlePath() const
{
  return Path(CFBundleCopyBundleURL(m_bundle));
}

std::string NSBundle::resourcePath() const
{
  return Path(CFBundleCopyResourcesDirectoryURL(m_bundle));
}

std::string NSBundle::executablePath() const
{
  return Path(CFBundleCopyExecutableURL(m_bundle));
}

std::string NSBundle::pathForResource(const std::string& name, const std::string& type) const
{
  if (name.empty()) return std::string();
  std::string path = resourcePath() + "/" + name;
  if (!type.empty()) path += (type[0] == '.' ? "" : ".") + type;
  bool isDirectory = false;
  if (!NSFileManager::defaultManager()->fileExistsAtPath(path, &isDirectory) || isDirectory)
    return std::string();
  return path;
}
