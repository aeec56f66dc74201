// Opening the files a command reads. Only a regular file is an input: the host reads a recording by
// seeking in it, reads a preset, state or script whole before it starts, and a named pipe would wait for
// a writer for ever (an open that no stop signal ends while the call is retried). Each is looked at
// before it is read, and its open never waits.
#pragma once

#include <cstddef>
#include <string>

namespace qorvhost
{
// What an input is read for: the refusal of one that is no file says what the host does with it.
enum class InputKind
{
  kRecording,     // read by seeking in it
  kPresetOrState, // read whole
  kScript         // read whole
};

// A descriptor open for reading (blocking reads), or -1 with why it is refused: the system's reason
// ("no such file or directory") or what the path is instead of a file and what the host does with such
// an input ("a named pipe, not a file: the host reads a recording by seeking in it").
int OpenInputFile(const std::string& path, InputKind kind, std::string& why);

enum class InputRead
{
  kDone,
  kFailed,  // why says why
  kTooLarge // more than maxBytes, not read
};
// The whole file into bytes.
InputRead ReadInputFile(const std::string& path, InputKind kind, size_t maxBytes, std::string& bytes,
                        std::string& why);
} // namespace qorvhost
