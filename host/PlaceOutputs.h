// The files a command writes, put in place together at its end, all or none. Each has been written to its
// new file first (StageOutputs.h); then all are finished (flushed to the disk), and while that goes on a
// stop signal still ends the run with every old file as it was. Only then, once no other run is putting
// files in the same folders (iplugin::PlacingLock: two sets are never mixed), are they renamed over their
// old files, one after another, past the reach of a stop signal (SignalStop.h), each old file kept aside
// under its new file's hidden name until all are in place. When a rename fails, the files already renamed
// are put back, so that a run never leaves a mix of old and new files behind. Main thread.
#pragma once

#include "framework/AtomicFile.h"

#include <string>
#include <vector>

namespace qorvhost
{
// A new file and the name it is to have; an empty path is an output the command does not write.
struct NewOutput
{
  iplugin::AtomicFile* file;
  std::string path;
  bool finished = false; // flushed to the disk and closed already
};

// kExitDone when every output is in place. kExitStopped when a stop signal came first: every new file
// removed and every old one as it was. kExitFailed with "PATH: cannot write (REASON)" in error when a file
// could not be finished or renamed: every new file removed and every old one as it was, but for any that
// could not be put back (its folder turned unwritable meanwhile), which error names too, with the hidden
// name its old file keeps (iplugin::AtomicFile::KeptOld). How it ended is told to SignalStop
// (EndPlacingOutputs), for a signal that comes meanwhile.
int PlaceOutputs(const std::vector<NewOutput>& outputs, std::string& error);
} // namespace qorvhost
