// Files that tests and benchmarks write as the host's commands write theirs: staged beside the name, then
// put in place (host/StageOutputs.h, host/PlaceOutputs.h), so that they go the one way a file is written.
#pragma once

#include "host/AudioFile.h"
#include "host/ExitStatus.h"
#include "host/PlaceOutputs.h"
#include "host/StageOutputs.h"

#include <string>

namespace qorvtest
{
// A recording in file.format (32-bit float WAV when it is 0); false with the host's message.
inline bool PlaceRecording(const std::string& path, const qorvhost::AudioFile& file, std::string& error)
{
  qorvhost::AudioFileWriter writer;
  return qorvhost::WriteAudioFrames(writer, path, file, error) && writer.Complete(error) &&
         qorvhost::PlaceOutputs({{&writer.File(), path}}, error) == qorvhost::kExitDone;
}

// Bytes as one output; false with the host's message.
inline bool PlaceBytes(const std::string& path, const std::string& bytes, std::string& error)
{
  iplugin::AtomicFile file;
  return qorvhost::StageOutput(file, path, bytes.data(), bytes.size(), error) &&
         qorvhost::PlaceOutputs({{&file, path}}, error) == qorvhost::kExitDone;
}
} // namespace qorvtest
