// The files a mix writes besides its audio: none may be an input or another output, each is created
// (as a new file beside its name) before anything renders, and each replaces its old file whole only
// when the mix has succeeded.
#pragma once

#include "framework/AtomicFile.h"
#include "host/MixCommand.h"

#include <string>

namespace qorvhost
{
// No output may overwrite an input (a track, the preset file, the state read) or another output,
// compared as files on disk, however they are spelled. False with a message naming both.
bool CheckOutputPaths(const MixOptions& o, std::string& error);
// Creates the new file of an output the command writes at its end; nothing for an empty path.
bool OpenOutput(iplugin::AtomicFile& file, const std::string& path, std::string& error);
// Puts a written output in place of its old file.
bool CommitOutput(iplugin::AtomicFile& file, const std::string& path, std::string& error);
// bytes into the output opened by OpenOutput, then in place; nothing for an empty path.
bool WriteOutput(iplugin::AtomicFile& file, const std::string& path, const std::string& bytes,
                 std::string& error);
} // namespace qorvhost
