// Audio files of the command-line host (through libsndfile): planar 32-bit float samples in memory,
// written back in the input's own format so a pass-through leaves the file's samples as they were.
#pragma once

#include <string>
#include <vector>

namespace qorvhost
{
struct AudioFile
{
  double sampleRate = 48000.0;
  int format = 0; // the file's major format and sample encoding, as read
  std::vector<std::vector<float>> channels;

  int NChannels() const { return int(channels.size()); }
  long NFrames() const { return channels.empty() ? 0 : long(channels[0].size()); }
};

// False with a message when the file cannot be read.
bool ReadAudioFile(const std::string& path, AudioFile& file, std::string& error);
// Writes the channels in file.format (32-bit float WAV when it is 0).
bool WriteAudioFile(const std::string& path, const AudioFile& file, std::string& error);
} // namespace qorvhost
