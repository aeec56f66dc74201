#include <QorvPlatform/FileSwap.h>

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>

namespace qorvplatform
{
bool SwapFileNames(const char* a, const char* b)
{
  return renameat2(AT_FDCWD, a, AT_FDCWD, b, RENAME_EXCHANGE) == 0;
}

bool RenameWithoutReplacing(const char* from, const char* to)
{
  if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
  struct stat st;
  if (lstat(to, &st) == 0)
  {
    errno = EEXIST;
    return false;
  }
  return std::rename(from, to) == 0;
}
} // namespace qorvplatform
