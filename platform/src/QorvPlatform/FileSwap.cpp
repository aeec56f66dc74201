#include <QorvPlatform/FileSwap.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

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

// Whether a file owned by owner at path is in a folder with the sticky bit (as /tmp) where this process
// may not rename over it: it owns neither the file nor the folder and is not root (who may).
bool OthersInStickyFolder(const char* path, uid_t owner)
{
  const uid_t self = geteuid();
  if (self == 0 || owner == self) return false;
  const char* slash = std::strrchr(path, '/');
  const std::string folder = !slash ? "." : slash == path ? "/" : std::string(path, size_t(slash - path));
  struct stat st;
  return stat(folder.c_str(), &st) == 0 && (st.st_mode & S_ISVTX) && st.st_uid != self;
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

Unreplaceable WhyNotReplaceable(const char* path)
{
  struct statvfs mount;
  if (statvfs(path, &mount) == 0 && (mount.f_flag & ST_RDONLY)) return Unreplaceable::kReadOnlyFileSystem;
  // The flags as the file system reports them; one that does not leaves them out of the mask.
  struct statx st;
  if (statx(AT_FDCWD, path, AT_SYMLINK_NOFOLLOW, STATX_UID, &st) != 0) return Unreplaceable::kReplaceable;
  const auto has = [&](unsigned long long attribute)
  { return (st.stx_attributes_mask & attribute) && (st.stx_attributes & attribute); };
  if (has(STATX_ATTR_IMMUTABLE)) return Unreplaceable::kImmutable;
  if (has(STATX_ATTR_APPEND)) return Unreplaceable::kAppendOnly;
  if (has(STATX_ATTR_MOUNT_ROOT)) return Unreplaceable::kMountPoint;
  if (OthersInStickyFolder(path, st.stx_uid)) return Unreplaceable::kOthersInStickyFolder;
  return Unreplaceable::kReplaceable;
}
} // namespace qorvplatform
