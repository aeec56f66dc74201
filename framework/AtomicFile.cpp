#include "framework/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <QorvPlatform/Processes.h>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace iplugin
{
namespace
{
constexpr int kNameAttempts = 100;

// The new files being written, where a signal's handler can find them. A slot is claimed, its name
// written, and only then marked in use; a handler reads only slots in use, so it never sees half a name.
enum SlotState : int
{
  kFree,
  kClaimed,
  kInUse
};
struct TemporarySlot
{
  std::atomic<int> state{kFree};
  char path[PATH_MAX];
};
constexpr int kTemporarySlots = 32;
TemporarySlot sTemporaries[kTemporarySlots];
static_assert(std::atomic<int>::is_always_lock_free);

// The slot that holds path, or -1 when all are taken (then only the destructor removes the file).
int RegisterTemporary(const std::string& path)
{
  if (path.size() >= PATH_MAX) return -1;
  for (int i = 0; i < kTemporarySlots; ++i)
  {
    int expected = kFree;
    if (!sTemporaries[i].state.compare_exchange_strong(expected, kClaimed)) continue;
    std::memcpy(sTemporaries[i].path, path.c_str(), path.size() + 1);
    sTemporaries[i].state.store(kInUse);
    return i;
  }
  return -1;
}

void UnregisterTemporary(int& slot)
{
  if (slot >= 0) sTemporaries[slot].state.store(kFree);
  slot = -1;
}

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

constexpr char kTemporaryLead[] = ".saving-";
constexpr char kTemporaryEnd[] = ".tmp";

// The part of a new file's name that says whose it is: the process id and the process's start time, so
// that a later process given the same id does not pass for the one that left the file.
std::string OwnerTag()
{
  const int pid = int(getpid());
  unsigned long long start = 0;
  std::string tag = std::to_string(pid) + "-";
  if (qorvplatform::ProcessStartTime(pid, start)) tag += std::to_string(start) + "-";
  return tag;
}

// Whether the process that named a new file "PID-[START-]N" has ended: no process has the id, or the
// one that has it started at another time. A name of another shape, and a process that cannot be
// looked at (another user's), are taken as alive.
bool OwnerGone(const std::string& tag)
{
  unsigned long long numbers[3];
  int count = 0;
  const char* p = tag.c_str();
  while (*p && count < 3)
  {
    char* end = nullptr;
    if (*p < '0' || *p > '9') return false;
    numbers[count++] = std::strtoull(p, &end, 10);
    p = end;
    if (*p == '-')
      ++p;
    else if (*p)
      return false;
  }
  if (*p || count < 2 || numbers[0] == 0 || numbers[0] > INT_MAX) return false;
  const int pid = int(numbers[0]);
  if (kill(pid, 0) != 0) return errno == ESRCH;
  unsigned long long start = 0;
  return count == 3 && qorvplatform::ProcessStartTime(pid, start) && start != numbers[1];
}

// The new files in folder that a process left when it ended before it could remove them (a crash, a
// SIGKILL); the new files of running processes stay.
void RemoveLeftTemporaries(const std::string& folder)
{
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  const size_t lead = sizeof kTemporaryLead - 1, end = sizeof kTemporaryEnd - 1;
  while (const dirent* entry = readdir(dir))
  {
    // Most names are the folder's other files: looked at in place, without a copy.
    if (std::strncmp(entry->d_name, kTemporaryLead, lead) != 0) continue;
    const std::string name = entry->d_name;
    if (name.size() <= lead + end || name.compare(name.size() - end, end, kTemporaryEnd) != 0) continue;
    if (!OwnerGone(name.substr(lead, name.size() - lead - end))) continue;
    const std::string path = folder + "/" + name;
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) unlink(path.c_str());
  }
  closedir(dir);
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
  mError = errno = EINVAL;
  if (!path || !*path) return false;
  mTarget = ResolveTarget(path);
  const size_t slash = mTarget.find_last_of('/');
  const std::string base = slash == std::string::npos ? mTarget : mTarget.substr(slash + 1);
  if (base.empty()) return false;
  mError = 0;
  // A device or a pipe (say /dev/stdout) has no old content to keep and cannot be replaced: it is
  // written directly.
  struct stat existing;
  if (stat(mTarget.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode) && !S_ISDIR(existing.st_mode))
  {
    mFd = open(mTarget.c_str(), O_WRONLY | O_CLOEXEC);
    mFailed = false;
    if (mFd < 0) mError = errno;
    return mFd >= 0;
  }
  RemoveLeftTemporaries(FolderOf(mTarget));
  // A hidden name that carries no part of the file's own name, so that a save cut off by a crash leaves
  // nothing that a folder listing by extension (the user presets) would take for a file.
  static const std::string owner = OwnerTag();
  const std::string prefix =
      (slash == std::string::npos ? std::string() : mTarget.substr(0, slash + 1)) + kTemporaryLead + owner;
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < kNameAttempts && mFd < 0; ++attempt)
  {
    mTemp = prefix + std::to_string(counter++) + kTemporaryEnd;
    // 0666 under the file-creation mask, as a file opened for writing gets.
    mFd = open(mTemp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (mFd < 0 && errno != EEXIST) break;
  }
  if (mFd < 0)
  {
    mError = errno;
    mTemp.clear();
    return false;
  }
  mSlot = RegisterTemporary(mTemp);
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

void AtomicFile::SetFailed(int error)
{
  mFailed = true;
  if (!mError) mError = error;
}

bool AtomicFile::Finish()
{
  if (mFd < 0)
  {
    errno = mError ? mError : EBADF;
    return false;
  }
  // The first step that fails names the cause; the later ones would overwrite errno with their own.
  const auto step = [this](bool done)
  {
    if (!done && !mError) mError = errno ? errno : EIO;
    return done;
  };
  bool ok = !mFailed;
  if (mStream)
  {
    errno = 0;
    ok = step(std::fflush(mStream) == 0) && ok;
    ok = step(!std::ferror(mStream)) && ok;
  }
  ok = (mTemp.empty() || step(fsync(mFd) == 0)) && ok;
  ok = step((mStream ? std::fclose(mStream) : close(mFd)) == 0) && ok;
  mStream = nullptr;
  mFd = -1;
  mFinished = ok;
  if (!ok)
  {
    Discard();
    errno = mError ? mError : EIO;
  }
  return ok;
}

bool AtomicFile::PutInPlace()
{
  if (!mFinished)
  {
    errno = mError ? mError : EBADF;
    return false;
  }
  mFinished = false;
  if (mTemp.empty()) return true; // written directly
  const bool ok = std::rename(mTemp.c_str(), mTarget.c_str()) == 0;
  if (!ok)
  {
    mError = errno ? errno : EIO;
    Discard();
    errno = mError;
    return false;
  }
  UnregisterTemporary(mSlot);
  mTemp.clear();
  SyncFolder(FolderOf(mTarget));
  return true;
}

bool AtomicFile::Commit()
{
  return Finish() && PutInPlace();
}

void AtomicFile::Discard()
{
  if (mStream)
    std::fclose(mStream);
  else if (mFd >= 0)
    close(mFd);
  mStream = nullptr;
  mFd = -1;
  mFinished = false;
  if (!mTemp.empty()) unlink(mTemp.c_str());
  UnregisterTemporary(mSlot);
  mTemp.clear();
}

bool WriteFileAtomically(const char* path, const void* bytes, size_t size)
{
  AtomicFile file;
  if (!file.Open(path))
  {
    errno = file.Error();
    return false;
  }
  FILE* f = file.Stream();
  if (!f) return false;
  if (size > 0 && std::fwrite(bytes, 1, size, f) != size) file.SetFailed(errno);
  return file.Commit();
}

void RemoveOpenTemporaryFiles()
{
  for (TemporarySlot& slot : sTemporaries)
    if (slot.state.load() == kInUse) unlink(slot.path);
}
} // namespace iplugin
