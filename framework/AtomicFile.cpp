#include "framework/AtomicFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include <QorvPlatform/FileSwap.h>
#include <QorvPlatform/Processes.h>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace iplugin
{
// A process's new files in one folder: named prefix + N + ".tmp", known alive by the lock on lockPath.
struct StagingPlace
{
  pid_t owner = 0; // a forked child makes places of its own
  dev_t device = 0;
  ino_t inode = 0;
  std::string folder, tag, prefix, lockPath;
  int lockFd = -1;
  int users = 0;        // the AtomicFiles whose files are in it
  int slot = -1;        // where RemoveOpenTemporaryFiles finds it
  bool renamed = false; // a file was put in place: the folder is synced when the place closes
};

namespace
{
constexpr int kNameAttempts = 100;
constexpr int kLockAttempts = 1000; // a millisecond apart: a clean-up holds a lock for a moment only
constexpr char kTemporaryLead[] = ".saving-";
constexpr char kTemporaryEnd[] = ".tmp";
constexpr char kLockEnd[] = ".lock";
constexpr size_t kLeadLength = sizeof kTemporaryLead - 1;

// The numbers of new files, one series for the process.
std::atomic<unsigned long long> sNextNumber{0};

// The staging places, where a signal's handler can find them: the names of a place's files are prefix
// followed by a number from first up to end, and ".tmp". A slot is claimed, filled, and only then marked
// in use; a handler reads only slots in use, so it never sees half a name.
enum SlotState : int
{
  kFree,
  kClaimed,
  kInUse
};
struct PlaceSlot
{
  std::atomic<int> state{kFree};
  char prefix[PATH_MAX];
  size_t prefixLength = 0;
  char lockPath[PATH_MAX];
  std::atomic<unsigned long long> first{0}, end{0};
};
constexpr int kPlaceSlots = 32;
PlaceSlot sSlots[kPlaceSlots];
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<unsigned long long>::is_always_lock_free);

std::mutex sPlacesMutex;
std::vector<std::unique_ptr<StagingPlace>> sPlaces;

// The slot that holds place, or -1 when all are taken (then only the destructors remove its files).
int RegisterPlace(const StagingPlace& place)
{
  if (place.prefix.size() >= PATH_MAX - 32 || place.lockPath.size() >= PATH_MAX) return -1;
  for (int i = 0; i < kPlaceSlots; ++i)
  {
    PlaceSlot& slot = sSlots[i];
    int expected = kFree;
    if (!slot.state.compare_exchange_strong(expected, kClaimed)) continue;
    std::memcpy(slot.prefix, place.prefix.c_str(), place.prefix.size() + 1);
    slot.prefixLength = place.prefix.size();
    std::memcpy(slot.lockPath, place.lockPath.c_str(), place.lockPath.size() + 1);
    slot.first.store(sNextNumber.load());
    slot.end.store(slot.first.load());
    slot.state.store(kInUse);
    return i;
  }
  return -1;
}

// The number of a new file of place, counted in its slot before the file exists.
unsigned long long NextNumber(const StagingPlace& place)
{
  const unsigned long long number = sNextNumber.fetch_add(1);
  if (place.slot >= 0)
  {
    std::atomic<unsigned long long>& end = sSlots[place.slot].end;
    unsigned long long seen = end.load();
    while (seen <= number && !end.compare_exchange_weak(seen, number + 1))
    {
    }
  }
  return number;
}

std::string FolderOf(const std::string& path)
{
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool EndsWith(const std::string& text, const char* end)
{
  const size_t n = std::strlen(end);
  return text.size() >= n && text.compare(text.size() - n, n, end) == 0;
}

bool AllDigits(const std::string& text)
{
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// The part of a new file's name that says whose it is: the process id and the process's start time, so
// that a later process given the same id does not pass for the one that left the file.
std::string OwnerTag()
{
  const int pid = int(getpid());
  unsigned long long start = 0;
  std::string tag = std::to_string(pid);
  if (qorvplatform::ProcessStartTime(pid, start))
  {
    tag += '-';
    tag += std::to_string(start);
  }
  return tag;
}

// Whether the process that a tag "PID[-START]" names has ended as far as this process can see: no process
// has the id, or the one that has it started at another time. A tag of another shape, and a process that
// cannot be looked at (another user's), are taken as alive. A writer in another PID namespace or on
// another machine looks ended too: its lock says otherwise (RemoveFilesOf).
bool OwnerGone(const std::string& tag)
{
  const size_t dash = tag.find('-');
  const std::string pidText = tag.substr(0, dash),
                    startText = dash == std::string::npos ? "" : tag.substr(dash + 1);
  if (!AllDigits(pidText) || (dash != std::string::npos && !AllDigits(startText)) || pidText.size() > 10)
    return false;
  const unsigned long long id = std::strtoull(pidText.c_str(), nullptr, 10);
  if (id == 0 || id > INT_MAX) return false;
  const int pid = int(id);
  if (kill(pid, 0) != 0) return errno == ESRCH;
  unsigned long long start = 0;
  return !startText.empty() && qorvplatform::ProcessStartTime(pid, start) &&
         start != std::strtoull(startText.c_str(), nullptr, 10);
}

bool SameFile(int fd, const std::string& path)
{
  struct stat held, named;
  return fstat(fd, &held) == 0 && lstat(path.c_str(), &named) == 0 && named.st_dev == held.st_dev &&
         named.st_ino == held.st_ino;
}

// Removes the new file at path unless a writer holds a lock on the file itself (as older writers did).
// The lock taken here (shared, so that a file opened for reading may take it) keeps such a writer from
// starting on it meanwhile, and the name is looked at again under the lock: the file removed is the one
// found unlocked. A file that cannot be opened or locked (another user's, a file system without locks)
// cannot be judged and stays.
void RemoveIfUnlocked(const std::string& path)
{
  const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return;
  struct stat held;
  if (fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && flock(fd, LOCK_SH | LOCK_NB) == 0 &&
      SameFile(fd, path))
    unlink(path.c_str());
  close(fd);
}

// The names a place's lock file lists, one a line: the old files it set aside and could not put back
// (AtomicFile::Discard), which hold what was there before and are never removed.
std::set<std::string> KeptOldFiles(int lock)
{
  std::set<std::string> kept;
  std::string text;
  char buffer[4096];
  for (ssize_t n; text.size() < (1u << 20) && (n = read(lock, buffer, sizeof buffer)) > 0;)
    text.append(buffer, size_t(n));
  for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
    kept.insert(text.substr(at, end - at));
  return kept;
}

// Removes the files that the ended process tag left in folder, and its lock file, unless the lock file
// is held: its writer runs where this process cannot see it. Held here meanwhile, the lock keeps that
// writer from starting a new place until the files are gone. A lock file that cannot be opened or locked
// (another user's, a file system without locks) cannot be judged: its files stay. The old files that the
// lock file lists stay too, and with them the lock file, until none of them is left.
void RemoveFilesOf(const std::string& folder, const std::string& tag, const std::vector<std::string>& names)
{
  const std::string lockPath = folder + "/" + kTemporaryLead + tag + kLockEnd;
  const int lock = open(lockPath.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (lock < 0 && errno != ENOENT) return;
  if (lock >= 0 && flock(lock, LOCK_SH | LOCK_NB) != 0)
  {
    close(lock);
    return;
  }
  const std::set<std::string> kept = lock >= 0 ? KeptOldFiles(lock) : std::set<std::string>();
  bool keepsAny = false;
  for (const std::string& name : names)
    if (kept.count(name))
      keepsAny = true;
    else
      RemoveIfUnlocked(folder + "/" + name);
  if (lock < 0) return;
  if (!keepsAny && SameFile(lock, lockPath)) unlink(lockPath.c_str());
  close(lock);
}

// What processes that ended before they could clean up (a crash, a SIGKILL) left in folder; the files
// of running processes stay, wherever they run. One look at the folder, one judgement a writer.
void RemoveLeftTemporaries(const std::string& folder, const std::string& ownTag)
{
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  std::map<std::string, std::vector<std::string>> byWriter;
  while (const dirent* entry = readdir(dir))
  {
    // Most names are the folder's other files: looked at in place, without a copy.
    if (std::strncmp(entry->d_name, kTemporaryLead, kLeadLength) != 0) continue;
    const std::string name = entry->d_name;
    if (EndsWith(name, kLockEnd))
    {
      byWriter[name.substr(kLeadLength, name.size() - kLeadLength - std::strlen(kLockEnd))];
      continue;
    }
    if (!EndsWith(name, kTemporaryEnd)) continue;
    const std::string middle =
        name.substr(kLeadLength, name.size() - kLeadLength - std::strlen(kTemporaryEnd));
    const size_t dash = middle.find_last_of('-');
    if (dash == std::string::npos || !AllDigits(middle.substr(dash + 1))) continue;
    byWriter[middle.substr(0, dash)].push_back(name);
  }
  closedir(dir);
  for (const auto& [tag, names] : byWriter)
    if (tag != ownTag && OwnerGone(tag)) RemoveFilesOf(folder, tag, names);
}

// Creates and locks the place's lock file, held for as long as the place has files. False (errno set)
// when it cannot be created, or a clean-up that judged this process ended (as it does one in another PID
// namespace) keeps holding it. On a file system without locks the place is unlocked.
bool LockPlace(StagingPlace& place)
{
  for (int attempt = 0; attempt < kLockAttempts; ++attempt)
  {
    const int fd = open(place.lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    const bool locked = flock(fd, LOCK_EX | LOCK_NB) == 0;
    // Locked, and still the file of that name (not one a clean-up removed meanwhile); or no locks here.
    if ((locked && SameFile(fd, place.lockPath)) || (!locked && errno != EWOULDBLOCK))
    {
      place.lockFd = fd;
      return true;
    }
    close(fd);
    const timespec pause = {0, 1000000};
    nanosleep(&pause, nullptr);
  }
  errno = EWOULDBLOCK;
  return false;
}

// The folder's entries for the renames reach the disk too; a folder that cannot be synced is no error.
void SyncFolder(const std::string& folder)
{
  const int fd = open(folder.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

// The place of this process in folder, made (and the folder cleaned up) when it has none there; null
// with errno set when the folder is missing or its lock file cannot be made.
StagingPlace* AcquirePlace(const std::string& folder)
{
  struct stat st;
  if (stat(folder.c_str(), &st) != 0) return nullptr;
  if (!S_ISDIR(st.st_mode))
  {
    errno = ENOTDIR;
    return nullptr;
  }
  const pid_t self = getpid();
  std::lock_guard<std::mutex> hold(sPlacesMutex);
  for (const std::unique_ptr<StagingPlace>& place : sPlaces)
    if (place->owner == self && place->device == st.st_dev && place->inode == st.st_ino)
    {
      ++place->users;
      return place.get();
    }
  auto place = std::make_unique<StagingPlace>();
  place->owner = self;
  place->device = st.st_dev;
  place->inode = st.st_ino;
  place->folder = folder;
  place->tag = OwnerTag();
  const std::string lead = (folder == "/" ? std::string() : folder) + "/" + kTemporaryLead + place->tag;
  place->prefix = lead + "-";
  place->lockPath = lead + kLockEnd;
  errno = 0;
  if (!LockPlace(*place)) return nullptr;
  RemoveLeftTemporaries(folder, place->tag);
  place->slot = RegisterPlace(*place);
  place->users = 1;
  sPlaces.push_back(std::move(place));
  return sPlaces.back().get();
}

// One file fewer in the place; the last one closes it: its lock file removed (while still held) and the
// folder synced when files were put in place there.
void ReleasePlace(StagingPlace*& place)
{
  if (!place) return;
  std::lock_guard<std::mutex> hold(sPlacesMutex);
  if (--place->users == 0)
  {
    if (place->slot >= 0) sSlots[place->slot].state.store(kFree);
    // A lock file that lists old files not put back stays with them (KeptOldFiles).
    struct stat lock;
    if (fstat(place->lockFd, &lock) != 0 || lock.st_size == 0) unlink(place->lockPath.c_str());
    close(place->lockFd);
    if (place->renamed) SyncFolder(place->folder);
    for (auto it = sPlaces.begin(); it != sPlaces.end(); ++it)
      if (it->get() == place)
      {
        sPlaces.erase(it);
        break;
      }
  }
  place = nullptr;
}

// "123" into text, without the library (a signal's handler calls it): the end of what it wrote.
char* WriteNumber(char* text, unsigned long long number)
{
  char digits[24];
  int n = 0;
  do
    digits[n++] = char('0' + number % 10);
  while ((number /= 10) != 0);
  while (n > 0)
    *text++ = digits[--n];
  return text;
}
} // namespace

bool ResolveLinks(const std::string& path, std::string& target)
{
  constexpr int kMostLinks = 40; // as many as the kernel follows in one path
  target = path;
  for (int link = 0; link <= kMostLinks; ++link)
  {
    struct stat st;
    if (lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
    char text[PATH_MAX];
    const ssize_t length = readlink(target.c_str(), text, sizeof text);
    if (length < 0) return false;
    if (size_t(length) == sizeof text)
    {
      errno = ENAMETOOLONG;
      return false;
    }
    const std::string next(text, size_t(length));
    const size_t slash = target.find_last_of('/');
    target = next[0] == '/' || slash == std::string::npos ? next : target.substr(0, slash + 1) + next;
  }
  errno = ELOOP;
  return false;
}

AtomicFile::~AtomicFile()
{
  Discard();
}

bool AtomicFile::Open(const char* path)
{
  Discard();
  mKeptOld.clear();
  mError = errno = EINVAL;
  if (!path || !*path) return false;
  if (!ResolveLinks(path, mTarget))
  {
    mError = errno;
    return false;
  }
  const size_t slash = mTarget.find_last_of('/');
  const std::string base = slash == std::string::npos ? mTarget : mTarget.substr(slash + 1);
  if (base.empty()) return false;
  mError = 0;
  // A device or a pipe would be replaced by a file of that name, not written: refused (a folder fails
  // its rename).
  struct stat existing;
  const bool exists = stat(mTarget.c_str(), &existing) == 0;
  if (exists && !S_ISREG(existing.st_mode) && !S_ISDIR(existing.st_mode))
  {
    mError = errno = ENOTSUP;
    return false;
  }
  mPlace = AcquirePlace(FolderOf(mTarget));
  if (!mPlace)
  {
    mError = errno ? errno : EIO;
    return false;
  }
  // A hidden name that carries no part of the file's own name, so that a save cut off by a crash leaves
  // nothing that a folder listing by extension (the user presets) would take for a file.
  for (int attempt = 0; attempt < kNameAttempts && mFd < 0; ++attempt)
  {
    mTemp = mPlace->prefix + std::to_string(NextNumber(*mPlace)) + kTemporaryEnd;
    // 0666 under the file-creation mask, as a file opened for writing gets; readable through mFd whatever
    // the mode (a writer may read back its header).
    mFd = open(mTemp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (mFd < 0 && errno != EEXIST) break;
  }
  if (mFd < 0)
  {
    mError = errno;
    mTemp.clear();
    ReleasePlace(mPlace);
    errno = mError;
    return false;
  }
  if (exists) fchmod(mFd, existing.st_mode & 07777);
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
  ok = step(fsync(mFd) == 0) && ok;
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
  if (std::rename(mTemp.c_str(), mTarget.c_str()) != 0)
  {
    mError = errno ? errno : EIO;
    Discard();
    errno = mError;
    return false;
  }
  mTemp.clear();
  ReleasePlace(mPlace);
  SyncFolder(FolderOf(mTarget));
  return true;
}

bool AtomicFile::Commit()
{
  return Finish() && PutInPlace();
}

bool AtomicFile::PutInPlaceKeepingOld()
{
  if (!mFinished)
  {
    errno = mError ? mError : EBADF;
    return false;
  }
  mFinished = false;
  if (!MoveInKeepingOld())
  {
    mError = errno ? errno : EIO;
    Discard();
    errno = mError;
    return false;
  }
  mKeeping = true;
  mTemp.clear();
  mPlace->renamed = true;
  return true;
}

bool AtomicFile::MoveInKeepingOld()
{
  struct stat old;
  if (lstat(mTarget.c_str(), &old) != 0)
  {
    mOld.clear();
    return errno == ENOENT && qorvplatform::RenameWithoutReplacing(mTemp.c_str(), mTarget.c_str());
  }
  if (S_ISDIR(old.st_mode))
  {
    errno = EISDIR;
    return false;
  }
  if (qorvplatform::SwapFileNames(mTemp.c_str(), mTarget.c_str()))
  {
    mOld = mTemp;
    return true;
  }
  if (errno != ENOTSUP) return false;
  // No exchange on this system: the old file gets a second hidden name first.
  const std::string kept = mPlace->prefix + std::to_string(NextNumber(*mPlace)) + kTemporaryEnd;
  if (link(mTarget.c_str(), kept.c_str()) != 0) return false;
  if (std::rename(mTemp.c_str(), mTarget.c_str()) != 0)
  {
    const int why = errno;
    unlink(kept.c_str());
    errno = why;
    return false;
  }
  mOld = kept;
  return true;
}

void AtomicFile::DropOld()
{
  if (!mKeeping) return;
  mKeeping = false;
  if (!mOld.empty()) unlink(mOld.c_str());
  mOld.clear();
  ReleasePlace(mPlace);
}

bool AtomicFile::Discard()
{
  if (mStream)
    std::fclose(mStream);
  else if (mFd >= 0)
    close(mFd);
  mStream = nullptr;
  mFd = -1;
  mFinished = false;
  bool restored = true;
  int why = 0;
  if (mKeeping)
  {
    // The new file in place goes: the old one takes its name back, or there was none.
    restored = mOld.empty() ? unlink(mTarget.c_str()) == 0 : std::rename(mOld.c_str(), mTarget.c_str()) == 0;
    why = errno;
    if (!restored && !mOld.empty()) KeepOld();
    mKeeping = false;
    mOld.clear();
  }
  if (!mTemp.empty()) unlink(mTemp.c_str());
  mTemp.clear();
  ReleasePlace(mPlace); // once the names are gone
  if (!restored) errno = why;
  return restored;
}

void AtomicFile::KeepOld()
{
  // The folder may take no new name now (that is why the old file could not go back): the old file keeps
  // its hidden name, which the place's lock file lists so that no clean-up takes it for a new file left.
  mKeptOld = mOld;
  const std::string line = mOld.substr(mOld.find_last_of('/') + 1) + "\n";
  if (lseek(mPlace->lockFd, 0, SEEK_END) >= 0)
  {
    [[maybe_unused]] const ssize_t written = write(mPlace->lockFd, line.data(), line.size());
  }
}

bool PlacingLock::Take(const std::vector<const AtomicFile*>& files)
{
  if (!mListed)
  {
    mListed = true;
    std::set<std::string> names; // thousands of frames share a folder
    for (const AtomicFile* file : files)
      if (!file->mTarget.empty()) names.insert(FolderOf(file->mTarget));
    std::vector<std::pair<std::pair<dev_t, ino_t>, int>> folders;
    for (const std::string& name : names)
    {
      // A folder that cannot be opened is no longer there: its files' renames will say so.
      const int fd = open(name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      struct stat st;
      if (fd >= 0 && fstat(fd, &st) == 0)
        folders.push_back({{st.st_dev, st.st_ino}, fd});
      else if (fd >= 0)
        close(fd);
    }
    std::sort(folders.begin(), folders.end());
    for (size_t i = 0; i < folders.size(); ++i)
      if (i > 0 && folders[i].first == folders[i - 1].first)
        close(folders[i].second); // one folder by two names
      else
        mFolders.push_back(folders[i].second);
  }
  for (; mHeld < mFolders.size(); ++mHeld)
    if (flock(mFolders[mHeld], LOCK_EX) != 0 && errno == EINTR) return false;
  return true;
}

void PlacingLock::Release()
{
  for (const int fd : mFolders)
    close(fd); // which lets its lock go
  mFolders.clear();
  mHeld = 0;
  mListed = false;
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
  for (PlaceSlot& slot : sSlots)
  {
    if (slot.state.load() != kInUse) continue;
    struct stat lock; // a place that keeps old files not put back keeps its files for the next clean-up
    if (stat(slot.lockPath, &lock) == 0 && lock.st_size > 0) continue;
    char name[PATH_MAX];
    std::memcpy(name, slot.prefix, slot.prefixLength);
    const unsigned long long end = slot.end.load();
    for (unsigned long long number = slot.first.load(); number < end; ++number)
    {
      char* at = WriteNumber(name + slot.prefixLength, number);
      std::memcpy(at, kTemporaryEnd, sizeof kTemporaryEnd);
      unlink(name);
    }
    unlink(slot.lockPath);
  }
}
} // namespace iplugin
