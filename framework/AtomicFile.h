// Writing a file so that a failed or interrupted save never destroys the old one: the bytes go to a new
// file beside it, which is flushed to the disk and then renamed over the old name in one step. Readers
// see either the old file whole or the new one whole. Main thread (any thread that may do file I/O).
// The new file is hidden as ".saving-PID-START-N.tmp" (the writer's process id and start time). A
// process's new files in one folder share one staging place there: the lock file ".saving-PID-START.lock",
// created and locked (flock) when the first of them is opened and removed when the last is renamed or
// removed, so a process holds one descriptor a folder however many files it stages. When a process opens
// its first new file in a folder, it looks at the folder once and removes what processes that ended left
// there (new files and lock files): named for a process that is gone and not held by a lock. The lock is
// what a writer in another PID namespace or on another machine (a network file system's lock manager) is
// known alive by; a new file that an older writer locked on its own is judged by its own lock. An old file
// set aside and not put back is listed in its place's lock file, which then stays: both are left alone.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace iplugin
{
struct StagingPlace;

class AtomicFile
{
public:
  AtomicFile() = default;
  // Discards the new file unless it was committed (Discard: a file put in place keeping the old one puts
  // that back).
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Creates the new file in the folder of path (the folder of the link's target when path is a
  // symbolic link, ResolveLinks) with the old file's permissions, or those a new file gets. False when it
  // cannot be created (errno and Error() say why); then nothing on disk has changed but for the removal of
  // new files left by ended processes. False with ENOTSUP when a device or a pipe is there: it cannot be
  // replaced and is never written. Holds one descriptor until Finish, and with the other new files of its
  // folder the folder's lock file until it is put in place.
  bool Open(const char* path);

  // The new file as a stream, or as a descriptor for libraries that write through one (open for reading
  // too, for those that read back what they wrote). Use one of the two, not both.
  FILE* Stream();
  int Descriptor() const { return mFd; }
  // Marks the content bad when a writer reports an error the stream does not show; Commit then fails
  // with error (an errno value) as its cause, unless an earlier one is known.
  void SetFailed(int error = 0);

  // Flushes the new file to the disk and renames it over path. False (with the old file as it was and
  // the new one removed, errno the first cause) when anything written or the flush failed.
  bool Commit();
  // Commit in two steps: Finish flushes the new file to the disk and closes it (false as Commit);
  // PutInPlace then renames it over path, which fails only when the rename does (the new file removed).
  // Discard still removes a finished file.
  bool Finish();
  bool PutInPlace();
  // For a set of files put in place all or nothing, in place of PutInPlace after Finish: the new file is
  // renamed over path while the old one, if any, keeps the new file's hidden name (the two exchanged in
  // one step where the file system can, else the old one linked there first). False when that fails:
  // then the old file is as it was and the new one removed. Then, once every file of the set is in
  // place, DropOld removes the old file; or Discard puts it back (the new file removed; false when
  // it cannot: the old file then keeps its hidden name).
  bool PutInPlaceKeepingOld();
  void DropOld();
  // Removes the new file; the old one stays as it was, or is put back after PutInPlaceKeepingOld. False
  // (errno why) only when an old file could not be put back: it then keeps its hidden name, KeptOld, and
  // no clean-up removes it (the staging place's lock file lists it and stays while it is there).
  bool Discard();
  // Where the old file is that the last Discard could not put back ("" when none): the user's to move back.
  const std::string& KeptOld() const { return mKeptOld; }
  // Why the last Open or Commit failed (an errno value; 0 when it does not know).
  int Error() const { return mError; }

private:
  std::string mTarget; // the name the file will have
  std::string mTemp;   // the new file's name while it is written
  int mFd = -1;
  FILE* mStream = nullptr;
  bool mFailed = false;
  bool mFinished = false; // flushed and closed, not yet renamed
  bool mKeeping = false;  // put in place by PutInPlaceKeepingOld, the old file at mOld (none when empty)
  std::string mOld;
  std::string mKeptOld;
  int mError = 0;
  StagingPlace* mPlace = nullptr; // while mTemp or mOld names a file
  bool MoveInKeepingOld();
  void KeepOld();
  friend class PlacingLock;
};

// The folders that a set of files goes to, each locked (flock on the folder itself) while the set is put
// in place, so that two processes putting sets of files in the same folders do so one after the other
// and no set is left mixed from both. The folders are locked in one order (device, inode): two sets that
// share some never wait on each other in a circle. A folder whose file system has no such locks is not
// waited for.
class PlacingLock
{
public:
  PlacingLock() = default;
  ~PlacingLock() { Release(); }
  PlacingLock(const PlacingLock&) = delete;
  PlacingLock& operator=(const PlacingLock&) = delete;

  // Waits until every folder of these opened files is held by this process. False with EINTR when a
  // signal's handler ran meanwhile: the caller sees whether it asks to stop, else calls again with the
  // same files, and the wait goes on where it was.
  bool Take(const std::vector<const AtomicFile*>& files);
  // Lets the folders go; also when the lock goes.
  void Release();

private:
  std::vector<int> mFolders; // descriptors, in the order they are locked
  size_t mHeld = 0;
  bool mListed = false;
};

// The whole of bytes written to path through an AtomicFile. False with the old file as it was.
bool WriteFileAtomically(const char* path, const void* bytes, size_t size);

// The file that a save to path writes (AtomicFile::Open): path itself, or the file at the end of its
// symbolic links, which need not exist yet (the save makes it and the links stay, as a shell's
// redirection does); a relative link is taken from its own folder. False with ELOOP when the links go
// round, or errno when one cannot be read.
bool ResolveLinks(const std::string& path, std::string& target);

// Removes the new files of every AtomicFile not yet put in place, however many, and their folders' lock
// files, for a process that must end at once (a signal's handler before _exit). Only unlink on names
// made from what each staging place keeps aside: safe in a signal handler. Not while files are being put
// in place (an old file may then have a new file's name).
void RemoveOpenTemporaryFiles();
} // namespace iplugin
