#include "mixer/IMPlugPaths.h"

#include "framework/PluginPaths.h"

#include <cstdio>
#include <cstdlib>
#include <cerrno>
#include <cstring>
#include <string>

#include <sys/stat.h>

namespace iplugin
{
namespace
{
// The folder and every missing parent, each 0777 under the process's file-creation mask, so the folders
// are never more open than the user wants. False when the folder does not exist afterwards.
bool CreateFolderAndParents(const char* path)
{
  struct stat st;
  if (!path || !*path) return false;
  if (stat(path, &st) == 0) return S_ISDIR(st.st_mode);
  std::string partial(path);
  for (size_t slash = partial.find('/', 1);; slash = partial.find('/', slash + 1))
  {
    const std::string prefix = slash == std::string::npos ? partial : partial.substr(0, slash);
    if (!prefix.empty() && stat(prefix.c_str(), &st) != 0 && mkdir(prefix.c_str(), 0777) != 0 &&
        errno != EEXIST)
      return false;
    if (slash == std::string::npos) break;
  }
  return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}
} // namespace

bool IMPlugPaths::CreatePluginFolders()
{
  mDataFolder.Set("");
  mAUFolder.Set("");
  AppSupportPath(mDataFolder);
  mDataFolder.Append("/Qorv");
  const bool data = CreateFolderAndParents(mDataFolder.Get());
  mAUFolder.Set(mDataFolder.Get());
  mAUFolder.Append("/AU");
  return CreateFolderAndParents(mAUFolder.Get()) && data;
}

int32_t IMPlugPaths::ReadIniInt(const char* section, const char* key, int32_t defaultValue) const
{
  StringBuf path(mDataFolder.Get());
  path.Append("/plugin.ini");
  FILE* f = std::fopen(path.Get(), "rb");
  if (!f) return defaultValue;

  // Each piece is matched as the scan "key=%d" would, without letting the key or a huge number reach a
  // format conversion: the key, "=", optional blanks, then a decimal integer.
  const size_t keyLen = key ? std::strlen(key) : 0;
  int32_t result = defaultValue;
  char piece[2048];
  while (std::fgets(piece, sizeof piece, f))
  {
    if (std::strncmp(piece, key ? key : "", keyLen) != 0 || piece[keyLen] != '=') continue;
    const char* number = piece + keyLen + 1;
    char* end = nullptr;
    const long long value = std::strtoll(number, &end, 10);
    if (end == number) continue;
    result = int32_t(value < INT32_MIN ? INT32_MIN : (value > INT32_MAX ? INT32_MAX : value));
  }
  std::fclose(f);
  return result;
}
} // namespace iplugin
