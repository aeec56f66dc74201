#include <Foundation/NSPathUtilities.h>

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace
{
std::string Env(const char* name)
{
  const char* value = std::getenv(name);
  return value ? value : "";
}

// An XDG variable when it holds an absolute path, else the home folder's default.
std::string XdgOr(const char* name, const std::string& home, const char* fallback)
{
  std::string value = Env(name);
  if (!value.empty() && value[0] == '/') return value;
  return home + fallback;
}

std::string UserFolder(NSSearchPathDirectory directory, const std::string& home)
{
  switch (directory)
  {
  case NSLibraryDirectory:
  case NSApplicationSupportDirectory:
    return XdgOr("XDG_DATA_HOME", home, "/.local/share");
  case NSCachesDirectory:
    return XdgOr("XDG_CACHE_HOME", home, "/.cache");
  case NSDocumentDirectory:
    return home + "/Documents";
  case NSDesktopDirectory:
    return home + "/Desktop";
  case NSDownloadsDirectory:
    return home + "/Downloads";
  case NSMoviesDirectory:
    return home + "/Videos";
  case NSMusicDirectory:
    return home + "/Music";
  case NSPicturesDirectory:
    return home + "/Pictures";
  }
  return std::string();
}

std::string SharedFolder(NSSearchPathDirectory directory, bool local)
{
  switch (directory)
  {
  case NSLibraryDirectory:
  case NSApplicationSupportDirectory:
    return local ? "/usr/local/share" : "/usr/share";
  case NSCachesDirectory:
    return "/var/cache";
  default:
    return std::string();
  }
}

std::string Abbreviate(const std::string& path, const std::string& home)
{
  if (home.empty() || home == "/" || path.compare(0, home.size(), home) != 0) return path;
  if (path.size() == home.size()) return "~";
  if (path[home.size()] != '/') return path;
  std::string abbreviated(1, '~');
  abbreviated.append(path, home.size(), std::string::npos);
  return abbreviated;
}
} // namespace

std::string NSHomeDirectory()
{
  std::string home = Env("HOME");
  if (!home.empty()) return home;
  if (const passwd* pw = getpwuid(getuid()))
    if (pw->pw_dir) return pw->pw_dir;
  return "/";
}

std::vector<std::string> NSSearchPathForDirectoriesInDomains(NSSearchPathDirectory directory,
                                                             NSSearchPathDomainMask domainMask,
                                                             bool expandTilde)
{
  std::vector<std::string> found;
  std::string home = NSHomeDirectory();
  if (domainMask & NSUserDomainMask)
  {
    std::string path = UserFolder(directory, home);
    if (!path.empty()) found.push_back(expandTilde ? path : Abbreviate(path, home));
  }
  if (domainMask & NSLocalDomainMask)
  {
    std::string path = SharedFolder(directory, true);
    if (!path.empty()) found.push_back(path);
  }
  if (domainMask & NSSystemDomainMask)
  {
    std::string path = SharedFolder(directory, false);
    if (!path.empty()) found.push_back(path);
  }
  return found;
}
