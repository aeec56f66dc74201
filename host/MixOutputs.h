// The files a mix writes: none may be an input or another output. Each is created (as a new file beside
// its name) before anything renders, and all replace their old files only when the mix has succeeded
// (PlaceOutputs.h).
#pragma once

#include "host/MixCommand.h"

#include <string>

namespace qorvhost
{
// No output may overwrite an input (a track, the preset file, the state read) or another output,
// compared as files on disk, however they are spelled. False with a message naming both.
bool CheckOutputPaths(const MixOptions& o, std::string& error);
} // namespace qorvhost
