// Writing a file so that a failed or interrupted save never destroys the old one: the bytes go to a new
// file beside it, which is flushed to the disk and then renamed over the old name in one step. Readers
// see either the old file whole or the new one whole. Main thread (any thread that may do file I/O).
// The new file is hidden as ".saving-PID-START-N.tmp" (the writer's process id and start time) and locked
// (flock) until it is renamed or removed; the next file opened in the same folder removes those whose
// process has ended without removing them: named for a process that is gone, and not locked. The lock
// is what a writer in another PID namespace or on another machine (a network file system's lock
// manager) is known alive by.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace iplugin
{
class AtomicFile
{
public:
  AtomicFile() = default;
  // Discards the new file unless it was committed.
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Creates the new file in the folder of path (the folder of the link's target when path is a
  // symbolic link) with the old file's permissions, or those a new file gets. False when it cannot be
  // created (errno and Error() say why); then nothing on disk has changed but for the removal of new files
  // left by ended processes. A device or pipe is opened and written directly.
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
  // Commit in two steps, for a set of files put in place together: Finish flushes the new file to the
  // disk and closes it (false as Commit); PutInPlace then renames it over path, which fails only when
  // the rename does (the new file removed). Discard still removes a finished file.
  bool Finish();
  bool PutInPlace();
  // Removes the new file; the old one stays as it was.
  void Discard();
  // Why the last Open or Commit failed (an errno value; 0 when it does not know).
  int Error() const { return mError; }

private:
  std::string mTarget; // the name the file will have
  std::string mTemp;   // the new file's name while it is written
  int mFd = -1;
  FILE* mStream = nullptr;
  bool mFailed = false;
  bool mFinished = false; // flushed and closed, not yet renamed
  int mError = 0;
  int mSlot = -1; // where RemoveOpenTemporaryFiles finds mTemp
  int mHold = -1; // keeps the lock on mTemp between Finish and PutInPlace (mFd is closed then)
  void ReleaseHold();
};

// The whole of bytes written to path through an AtomicFile. False with the old file as it was.
bool WriteFileAtomically(const char* path, const void* bytes, size_t size);

// Removes the new files of every AtomicFile still open, for a process that must end at once (a signal's
// handler before _exit). Only unlink on names kept aside: safe in a signal handler.
void RemoveOpenTemporaryFiles();
} // namespace iplugin
