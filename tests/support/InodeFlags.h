// The immutable and append-only flags of a file or folder, set as chattr sets them, for tests of what
// cannot be replaced. Setting them needs root and a file system that keeps them.
#pragma once

#include <string>
#include <vector>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace qorvtest
{
// Sets or clears flag (FS_IMMUTABLE_FL, FS_APPEND_FL) on path; false when this process may not.
inline bool SetInodeFlag(const std::string& path, int flag, bool on)
{
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  int flags = 0;
  bool done = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  flags = on ? flags | flag : flags & ~flag;
  done = done && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  close(fd);
  return done;
}

// Flags set for one test and cleared however it ends: a flagged file cannot be removed, nor the scratch
// folder that holds it.
class InodeFlags
{
public:
  InodeFlags() = default;
  InodeFlags(const InodeFlags&) = delete;
  InodeFlags& operator=(const InodeFlags&) = delete;
  ~InodeFlags() { ClearAll(); }

  bool Set(const std::string& path, int flag)
  {
    if (!SetInodeFlag(path, flag, true)) return false;
    mSet.push_back({path, flag});
    return true;
  }
  void ClearAll()
  {
    for (const auto& [path, flag] : mSet)
      SetInodeFlag(path, flag, false);
    mSet.clear();
  }

private:
  std::vector<std::pair<std::string, int>> mSet;
};
} // namespace qorvtest
