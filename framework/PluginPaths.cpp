#include "framework/PluginPaths.h"

#include <Foundation/Foundation.h>

#include <cctype>
#include <string>

namespace iplugin
{
namespace
{
constexpr int kPathLimit = 1024;

// First folder of the search with tilde expansion; "" when the system offers none.
std::string FirstFolder(NSSearchPathDirectory directory, NSSearchPathDomainMask domain)
{
  std::vector<std::string> found = NSSearchPathForDirectoriesInDomains(directory, domain, true);
  return found.empty() ? std::string() : found.front();
}

void SetFromFolder(StringBuf& path, NSSearchPathDirectory directory, NSSearchPathDomainMask domain)
{
  path.Set(FirstFolder(directory, domain).c_str());
}

NSBundle* FindBundle(const char* bundleID)
{
  return bundleID ? NSBundle::bundleWithIdentifier(bundleID) : nullptr;
}

std::string LastComponent(const std::string& path)
{
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The text before the last dot of the last component; the whole text when that has no dot.
std::string WithoutExtension(const std::string& path)
{
  size_t slash = path.find_last_of('/');
  size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path;
  return path.substr(0, dot);
}

bool SameIgnoringCase(const std::string& a, const std::string& b)
{
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

bool FileExists(const std::string& path)
{
  return NSFileManager::defaultManager()->fileExistsAtPath(path);
}
} // namespace

void BundleExecutablePath(StringBuf& path, const char* bundleID)
{
  if (NSBundle* bundle = FindBundle(bundleID)) path.Set(bundle->executablePath().c_str());
}

void BundleFolderPath(StringBuf& path, const char* bundleID)
{
  if (NSBundle* bundle = FindBundle(bundleID))
  {
    std::string folder = bundle->bundlePath();
    folder = folder.substr(0, folder.find_last_of('/') + 1);
    path.Set(folder.empty() ? "/" : folder.c_str());
  }
}

void BundleResourcePath(StringBuf& path, const char* bundleID)
{
  if (NSBundle* bundle = FindBundle(bundleID)) path.Set(bundle->resourcePath().c_str());
}

void DesktopPath(StringBuf& path)
{
  SetFromFolder(path, NSDesktopDirectory, NSUserDomainMask);
}

void HomePath(StringBuf& path)
{
  path.Set(NSHomeDirectory().c_str());
}

void UserPresetsPath(StringBuf& path, const char* mfrName, const char* pluginName, bool isSystem)
{
  std::string library = FirstFolder(NSLibraryDirectory, isSystem ? NSLocalDomainMask : NSUserDomainMask);
  path.SetFormatted(kPathLimit, "%s/Audio/Presets/%s/%s/", library.c_str(), mfrName ? mfrName : "",
                    pluginName ? pluginName : "");
}

void AppSupportSubPath(StringBuf& path, const char* subPath)
{
  std::string folder = FirstFolder(NSApplicationSupportDirectory, NSUserDomainMask);
  path.SetFormatted(kPathLimit, "%s/%s", folder.c_str(), subPath ? subPath : "");
}

void AppSupportPath(StringBuf& path, bool isSystem)
{
  SetFromFolder(path, NSApplicationSupportDirectory, isSystem ? NSSystemDomainMask : NSUserDomainMask);
}

void MusicPath(StringBuf& path)
{
  SetFromFolder(path, NSMusicDirectory, NSUserDomainMask);
}

bool IsSandboxed()
{
  return NSHomeDirectory().find("Library/Containers/") != std::string::npos;
}

EResourceLocation LocateResource(const char* name, const char* type, StringBuf& result, const char* bundleID,
                                 const char* sharedResourcesSubPath)
{
  if (!name || !*name) return kNotFound;
  const std::string fullName = name;
  const std::string resourceType = type ? type : "";
  size_t dot = fullName.find_last_of('.');
  std::string extension = dot == std::string::npos ? fullName : fullName.substr(dot + 1);
  const bool extensionMatches = SameIgnoringCase(extension, resourceType);
  const std::string baseName = WithoutExtension(LastComponent(fullName));

  if (extensionMatches)
  {
    if (NSBundle* bundle = FindBundle(bundleID))
    {
      std::string path = bundle->pathForResource(baseName, resourceType);
      if (path.empty()) path = bundle->pathForResource(WithoutExtension(fullName), resourceType);
      if (!path.empty() && FileExists(path))
      {
        result.Set(path.c_str());
        return kAbsolutePath;
      }
    }
    result.Set("");

    if (sharedResourcesSubPath && *sharedResourcesSubPath)
    {
      StringBuf music;
      MusicPath(music);
      std::string path = std::string(music.Get()) + "/" + sharedResourcesSubPath + "/Resources/" + baseName +
                         "." + resourceType;
      if (FileExists(path))
      {
        result.Set(path.c_str());
        return kAbsolutePath;
      }
      result.Set("");
    }
  }

  if (FileExists(fullName))
  {
    result.Set(fullName.c_str());
    return kAbsolutePath;
  }
  return kNotFound;
}
} // namespace iplugin
