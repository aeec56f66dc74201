#include <Foundation/NSFileManager.h>

#include <sys/stat.h>

NSFileManager* NSFileManager::defaultManager()
{
  static NSFileManager manager;
  return &manager;
}

bool NSFileManager::fileExistsAtPath(const std::string& path) const
{
  return fileExistsAtPath(path, nullptr);
}

bool NSFileManager::fileExistsAtPath(const std::string& path, bool* isDirectory) const
{
  struct stat st;
  if (path.empty() || stat(path.c_str(), &st) != 0) return false;
  if (isDirectory) *isDirectory = S_ISDIR(st.st_mode);
  return true;
}
