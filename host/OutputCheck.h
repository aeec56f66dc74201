// The one check of every command that writes files, made before anything is read or written, so that a
// mistake costs no work: each output can be written where it is named (what is there, if anything, is a
// regular file that the system lets be replaced, as far as it can tell: not immutable, append-only, on a
// read-only mount or a mount point, nor another user's in a sticky folder; and its folder exists and is
// writable), and none is a file the run reads (an input, the plug-in's bundle) or another output of the
// run, compared as files on disk however they are spelled (a hard link, a symbolic link, "..", a relative
// path). A symbolic link is an output written where it leads (iplugin::ResolveLinks).
#pragma once

#include <string>
#include <vector>

namespace qorvhost
{
// A file named on the command line: the option that names it ("--png", "an input") and its path.
struct NamedPath
{
  std::string option, path;
};

// What a run reads and writes. Empty paths are left out.
struct RunFiles
{
  std::vector<NamedPath> inputs, outputs;
  std::string bundle;      // the plug-in bundle the run loads: every file in it is an input
  std::string frameFolder; // mix --png-every's folder: every frame-NNNN.png in it is an output
};

// kExitDone; kExitFailed with "OPTION PATH: cannot write (REASON)" when an output cannot be written where
// it is named (as an input that cannot be read); kExitUsage with a message naming both files when an output
// is an input or another output.
int CheckOutputs(const RunFiles& files, std::string& error);
} // namespace qorvhost
