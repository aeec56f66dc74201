// Audio files of the command-line host (through libsndfile): planar 32-bit float samples, written back
// in the input's own format so a pass-through leaves the file's samples as they were. Files are read and
// written in blocks, so a long file never has to fit in memory; a written file replaces the old one only
// when it is complete.
#pragma once

#include "framework/AtomicFile.h"

#include <memory>
#include <string>
#include <vector>

struct sf_private_tag;

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

// One input file, read block by block.
class AudioFileReader
{
public:
  AudioFileReader();
  ~AudioFileReader();

  // False with a message when the file cannot be opened or holds no audio. Only a regular file is
  // opened (InputFiles.h).
  bool Open(const std::string& path, std::string& error);
  double SampleRate() const { return mSampleRate; }
  int Format() const { return mFormat; }
  int NChannels() const { return mChannels; }
  // The frames the file holds.
  long NFrames() const { return mFrames; }
  // When the header promises more frames than the file holds: a message naming the file, the frames
  // promised and the frames there are. Empty otherwise.
  const std::string& Truncation() const { return mTruncation; }

  // Reads the next n frames (or fewer at the end) into out[0..NChannels()), each with room for n.
  // The frames read, or -1 with a message on a read error (never taken for the end).
  long Read(float* const* out, long n, std::string& error);

private:
  bool Is16Bit() const;
  long ReadChunk(long frames); // into mBuffer or mSamples16; the frames read, or the library's answer
  std::string mPath;
  int mFd = -1;
  sf_private_tag* mFile = nullptr;
  double mSampleRate = 0.0;
  int mFormat = 0, mChannels = 0;
  long mFrames = 0, mPosition = 0; // frames the file holds, frames handed out
  long mFetched = 0;               // frames read from the file into the buffer so far
  long mBuffered = 0, mTaken = 0;  // frames in the buffer, and of those handed out
  std::string mTruncation;
  std::vector<float> mBuffer;    // interleaved
  std::vector<short> mSamples16; // a 16-bit file's chunk, converted as it is handed out
};

// One output file, written block by block to a new file beside path, which PlaceOutputs puts in place
// once Complete has finished it.
class AudioFileWriter
{
public:
  AudioFileWriter();
  ~AudioFileWriter();

  // format as read from an input (0: 32-bit float WAV). False with a message when the file cannot be
  // created; nothing on disk has changed then.
  bool Open(const std::string& path, double sampleRate, int nChannels, int format, std::string& error);
  // n frames from in[0..nChannels).
  bool Write(const float* const* in, long n, std::string& error);
  // The file's last frames and header; then File() is put in place (PlaceOutputs).
  bool Complete(std::string& error);
  iplugin::AtomicFile& File() { return mTarget; }

private:
  bool Flush(std::string& error);

  std::string mPath;
  iplugin::AtomicFile mTarget;
  sf_private_tag* mFile = nullptr;
  int mChannels = 0;
  bool mInteger = false;
  bool mFloatWav = false; // its header extended once the library has closed it
  long mPending = 0;      // frames waiting in mInterleaved
  std::vector<float> mInterleaved;
  std::vector<int> mInterleavedInt;
};

// The whole file. False with a message when it cannot be read; a truncated file is read as far as it
// goes, with the message in warning (when given).
bool ReadAudioFile(const std::string& path, AudioFile& file, std::string& error,
                   std::string* warning = nullptr);
// The channels in file.format (32-bit float WAV when it is 0) into writer, opened for path; then to be
// completed and put in place.
bool WriteAudioFrames(AudioFileWriter& writer, const std::string& path, const AudioFile& file,
                      std::string& error);
} // namespace qorvhost
