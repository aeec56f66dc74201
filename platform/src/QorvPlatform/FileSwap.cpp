#include <QorvPlatform/FileSwap.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>

namespace qorvplatform
{
namespace
{
// The error QORV_TEST_RENAMEAT2_ERROR names, or 0.
int SimulatedError()
{
  const char* name = std::getenv("QORV_TEST_RENAMEAT2_ERROR");
  if (!name) return 0;
  static constexpr struct
  {
    const char* name;
    int value;
  } kErrors[] = {{"ENOSYS", ENOSYS}, {"EINVAL", EINVAL}, {"EOPNOTSUPP", EOPNOTSUPP}, {"EPERM", EPERM}};
  for (const auto& error : kErrors)
    if (std::strcmp(name, error.name) == 0) return error.value;
  return 0;
}

// renameat2, or false with ENOTSUP when this system cannot do what flags ask (FileSwap.h).
bool RenameAt2(const char* from, const char* to, unsigned flags)
{
  const int simulated = SimulatedError();
  if (!simulated && renameat2(AT_FDCWD, from, AT_FDCWD, to, flags) == 0) return true;
  if (simulated) errno = simulated;
  // ENOTSUP is EOPNOTSUPP here.
  if (errno == EINVAL || errno == ENOSYS || errno == EPERM) errno = ENOTSUP;
  return false;
}
} // namespace

bool SwapFileNames(const char* a, const char* b)
{
  return RenameAt2(a, b, RENAME_EXCHANGE);
}

bool RenameWithoutReplacing(const char* from, const char* to)
{
  if (RenameAt2(from, to, RENAME_NOREPLACE)) return true;
  if (errno != ENOTSUP) return false;
  struct stat st;
  if (lstat(to, &st) == 0)
  {
    errno = EEXIST;
    return false;
  }
  return std::rename(from, to) == 0;
}
} // namespace qorvplatform
