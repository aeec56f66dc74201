// Renames that a set of files put in place all together relies on (on a Mac renamex_np with RENAME_SWAP
// and RENAME_EXCL). Any thread.
#pragma once

namespace qorvplatform
{
// Exchanges the two names in one step: each then names the other's file. False (errno set, nothing
// changed) when either is missing; false with ENOTSUP when this system cannot exchange names: the file
// system cannot (EINVAL, EOPNOTSUPP), the kernel has no such call (ENOSYS, before Linux 3.15) or a
// sandbox's system-call filter refuses it (EPERM; a file that may not be renamed answers that too, and
// then the caller's other way fails on its own).
bool SwapFileNames(const char* a, const char* b);
// Renames from to to only when nothing is named to; false with EEXIST when something is. Where the system
// cannot tell in the same step (as above), the rename is a plain one after a look.
bool RenameWithoutReplacing(const char* from, const char* to);

// Why the file at path (no symbolic link) cannot be replaced by a rename over it, though its folder may be
// writable; kReplaceable also when the system cannot tell. A folder may be append-only too: then no file
// in it can be replaced or removed.
enum class Unreplaceable
{
  kReplaceable,
  kImmutable,            // chattr +i
  kAppendOnly,           // chattr +a
  kReadOnlyFileSystem,   // on a mount that is read-only (a file bind-mounted so)
  kMountPoint,           // a mount of its own (a file bind-mounted)
  kOthersInStickyFolder, // another user's, in a folder with the sticky bit (as /tmp) that is not this
                         // process's either: only they (or root) may replace it
};
Unreplaceable WhyNotReplaceable(const char* path);

// For tests: with QORV_TEST_RENAMEAT2_ERROR=ENOSYS (or EINVAL, EOPNOTSUPP, EPERM) in the environment the
// two calls above find the one-step renames answering that error, as on a system without them.
} // namespace qorvplatform
