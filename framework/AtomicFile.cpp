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
#include <sys/file.h>
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

// Whether the process that named a new file "PID-[START-]N" has ended as far as this process can see:
// no process has the id, or the one that has it started at another time. A name of another shape, and a
// process that cannot be looked at (another user's), are taken as alive. A writer in another PID
// namespace or on another machine looks ended too: its lock on the file says otherwise (RemoveIfUnlocked).
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

// Removes the new file at path unless its writer still holds its lock. The lock taken here (shared, so
// that a file opened for reading may take it) keeps its writer from starting on it meanwhile, and the
// name is looked at again under the lock: the file removed is the one found unlocked. A file that cannot
// be opened or locked (another user's, a file system without locks) cannot be judged and stays.
void RemoveIfUnlocked(const std::string& path)
{
  const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return;
  struct stat held, named;
  if (fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && flock(fd, LOCK_SH | LOCK_NB) == 0 &&
      lstat(path.c_str(), &named) == 0 && named.st_dev == held.st_dev && named.st_ino == held.st_ino)
    unlink(path.c_str());
  close(fd);
}

// The new files in folder that a process left when it ended before it could remove them (a crash, a
// SIGKILL); the new files of running processes stay, wherever they run.
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
    if (OwnerGone(name.substr(lead, name.size() - lead - end))) RemoveIfUnlocked(folder + "/" + name);
  }
  closedir(dir);
}

// Locks a new file just made at path for as long as it is written, so that a clean-up that cannot see
// whether its process runs leaves it. False when a clean-up holds the file or has removed it before the
// lock: then another name is taken. On a file system without locks the file is written unlocked.
bool LockAsOwn(int fd, const std::string& path)
{
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) return errno != EWOULDBLOCK;
  struct stat held, named;
  return fstat(fd, &held) == 0 && lstat(path.c_str(), &named) == 0 && named.st_dev == held.st_dev &&
         named.st_ino == held.st_ino;
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
  // nothing that a folder listing by extension (the user presets) would take for a file. The owner is
  // looked up each time: a forked child names its files for itself.
  const std::string prefix = (slash == std::string::npos ? std::string() : mTarget.substr(0, slash + 1)) +
                             kTemporaryLead + OwnerTag();
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < kNameAttempts && mFd < 0; ++attempt)
  {
    mTemp = prefix + std::to_string(counter++) + kTemporaryEnd;
    // 0666 under the file-creation mask, as a file opened for writing gets; readable through mFd whatever
    // the mode (a writer may read back its header).
    mFd = open(mTemp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (mFd < 0 && errno != EEXIST) break;
    if (mFd >= 0 && !LockAsOwn(mFd, mTemp))
    {
      // The clean-up that holds it removes it.
      close(mFd);
      mFd = -1;
      errno = EEXIST;
    }
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
  // The lock stays on the new file until it has its name: a descriptor of the same open file keeps it.
  if (ok && !mTemp.empty())
  {
    mHold = fcntl(mFd, F_DUPFD_CLOEXEC, 0);
    ok = step(mHold >= 0);
  }
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
  ReleaseHold();
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
  ReleaseHold(); // once the name is gone
}

void AtomicFile::ReleaseHold()
{
  if (mHold >= 0) close(mHold);
  mHold = -1;
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
