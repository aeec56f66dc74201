// Renames that a set of files put in place all together relies on (on a Mac renamex_np with RENAME_SWAP
// and RENAME_EXCL). Any thread.
#pragma once

namespace qorvplatform
{
// Exchanges the two names in one step: each then names the other's file. False (errno set, nothing
// changed) when either is missing or the file system cannot exchange names (EINVAL, ENOTSUP).
bool SwapFileNames(const char* a, const char* b);
// Renames from to to only when nothing is named to; false with EEXIST when something is. Where the file
// system cannot tell in the same step, the rename is a plain one after a look.
bool RenameWithoutReplacing(const char* from, const char* to);
} // namespace qorvplatform
