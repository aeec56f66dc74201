#include "framework/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace iplugin
{
namespace
{
constexpr int kNameAttempts = 100;

// The file a save replaces: a symbolic link's target, so the link stays a link.
std::string ResolveTarget(const char* path)
{
  struct stat st;
  if (lstat(path, &st) == 0 && S_ISLNK(st.st_mode))
  {
    char resolved[PATH_MAX];
    if (realpath(path, resolved)) return resolved;
  }
  return path;
}

std::string FolderOf(const std::string& path)
{
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The folder's entry for the rename reaches the disk too; a folder that cannot be synced is no error.
void SyncFolder(const std::string& folder)
{
  const int fd = open(folder.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}
} // namespace

AtomicFile::~AtomicFile()
{
  Discard();
}

bool AtomicFile::Open(const char* path)
{
  Discard();
  if (!path || !*path) return false;
  mTarget = ResolveTarget(path);
  const size_t slash = mTarget.find_last_of('/');
  const std::string base = slash == std::string::npos ? mTarget : mTarget.substr(slash + 1);
  if (base.empty()) return false;
  // A device or a pipe (say /dev/stdout) has no old content to keep and cannot be replaced: it is
  // written directly.
  struct stat existing;
  if (stat(mTarget.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode) && !S_ISDIR(existing.st_mode))
  {
    mFd = open(mTarget.c_str(), O_WRONLY | O_CLOEXEC);
    mFailed = false;
    return mFd >= 0;
  }
  // A hidden name that carries no part of the file's own name, so that a save cut off by a crash leaves
  // nothing that a folder listing by extension (the user presets) would take for a file.
  const std::string prefix = (slash == std::string::npos ? std::string() : mTarget.substr(0, slash + 1)) +
                             ".saving-" + std::to_string(getpid()) + "-";
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < kNameAttempts && mFd < 0; ++attempt)
  {
    mTemp = prefix + std::to_string(counter++) + ".tmp";
    // 0666 under the file-creation mask, as a file opened for writing gets.
    mFd = open(mTemp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (mFd < 0 && errno != EEXIST) break;
  }
  if (mFd < 0)
  {
    mTemp.clear();
    return false;
  }
  struct stat old;
  if (stat(mTarget.c_str(), &old) == 0) fchmod(mFd, old.st_mode & 07777);
  mFailed = false;
  return true;
}

FILE* AtomicFile::Stream()
{
  if (!mStream && mFd >= 0) mStream = fdopen(mFd, "wb");
  return mStream;
}

bool AtomicFile::Commit()
{
  if (mFd < 0) return false;
  bool ok = !mFailed;
  if (mStream) ok = std::fflush(mStream) == 0 && !std::ferror(mStream) && ok;
  const bool direct = mTemp.empty();
  ok = (fsync(mFd) == 0 || direct) && ok;
  ok = (mStream ? std::fclose(mStream) : close(mFd)) == 0 && ok;
  mStream = nullptr;
  mFd = -1;
  if (direct) return ok;
  ok = ok && std::rename(mTemp.c_str(), mTarget.c_str()) == 0;
  if (!ok)
  {
    unlink(mTemp.c_str());
    mTemp.clear();
    return false;
  }
  mTemp.clear();
  SyncFolder(FolderOf(mTarget));
  return true;
}

void AtomicFile::Discard()
{
  if (mStream)
    std::fclose(mStream);
  else if (mFd >= 0)
    close(mFd);
  mStream = nullptr;
  mFd = -1;
  if (!mTemp.empty()) unlink(mTemp.c_str());
  mTemp.clear();
}

bool WriteFileAtomically(const char* path, const void* bytes, size_t size)
{
  AtomicFile file;
  if (!file.Open(path)) return false;
  FILE* f = file.Stream();
  if (!f || (size > 0 && std::fwrite(bytes, 1, size, f) != size)) return false;
  return file.Commit();
}
} // namespace iplugin
