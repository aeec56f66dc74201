#include "host/AudioFile.h"

#include "host/InputFiles.h"
#include "host/MessageStream.h"

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include <unistd.h>

namespace qorvhost
{
namespace
{
constexpr long kChunkFrames = 4096;

// Integer files are written as 32-bit integers scaled by 2^31: libsndfile reads n-bit samples as
// s / 2^(n-1), so this gives back exactly the integers that were read (its own float writer scales by
// 2^(n-1) - 1 and would not).
bool IsIntegerFormat(int format)
{
  switch (format & SF_FORMAT_SUBMASK)
  {
  case SF_FORMAT_PCM_S8:
  case SF_FORMAT_PCM_U8:
  case SF_FORMAT_PCM_16:
  case SF_FORMAT_PCM_24:
  case SF_FORMAT_PCM_32:
    return true;
  default:
    return false;
  }
}

// Why the library could not open an input, in the host's words rather than the library's.
std::string OpenFailure()
{
  if (sf_error(nullptr) == SF_ERR_UNRECOGNISED_FORMAT)
    return "not a WAV or other audio file that the host reads";
  return LibraryReason(sf_strerror(nullptr));
}

int ToInt32(float x)
{
  const double v = std::nearbyint(double(x) * 2147483648.0);
  return v >= 2147483647.0 ? INT32_MAX : (v <= -2147483648.0 ? INT32_MIN : int(v));
}

uint32_t LE32(const unsigned char* p)
{
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// The frames a WAV file's "data" chunk promises, or -1 when the header does not say (another format, a
// streamed file's placeholder size). libsndfile trims its frame count to the bytes present, so a file
// cut short is only seen here. Read from the open file fd at its own offsets.
long PromisedWavFrames(int fd)
{
  off_t at = 0;
  const auto read = [&](unsigned char* to, size_t n)
  {
    const bool whole = pread(fd, to, n, at) == ssize_t(n);
    at += off_t(n);
    return whole;
  };
  unsigned char head[12], chunk[8], fmt[16];
  unsigned blockAlign = 0;
  if (!read(head, 12) || std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0)
    return -1;
  while (read(chunk, 8))
  {
    const uint32_t size = LE32(chunk + 4);
    if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= 16)
    {
      if (!read(fmt, 16)) break;
      blockAlign = unsigned(fmt[12]) | unsigned(fmt[13]) << 8;
      at += off_t(size - 16 + (size & 1u));
      continue;
    }
    if (std::memcmp(chunk, "data", 4) == 0)
      return blockAlign > 0 && size > 0 && size != 0xFFFFFFFFu ? long(size / blockAlign) : -1;
    at += off_t(size) + off_t(size & 1u);
  }
  return -1;
}

void PutLE32(unsigned char* p, uint32_t v)
{
  for (int i = 0; i < 4; ++i)
    p[i] = (unsigned char)(v >> (8 * i));
}

// The library gives a float WAV a 16-byte "fmt " chunk; readers expect a format other than PCM to say the
// size of its extension too, and some warn ("missing extended part"). The header is rewritten in the
// bytes it has: "fmt " with its extension size (none), "fact" with the frames, and the room left before
// "data" (the library's PEAK chunk, which nothing here needs) as a JUNK chunk, which readers skip. A
// header of another shape is left as it is. False, with errno, when the file's start could not be read
// or written.
bool ExtendFloatWavHeader(int fd)
{
  constexpr size_t kFmt = 8 + 18, kFact = 8 + 4, kJunk = 8;
  unsigned char head[4096];
  const ssize_t n = pread(fd, head, sizeof head, 0);
  if (n < 0) return false;
  if (n < 12 + 8 + 16 || std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0 ||
      std::memcmp(head + 12, "fmt ", 4) != 0 || LE32(head + 16) != 16)
    return true;
  size_t data = 12;
  while (data + 8 <= size_t(n) && std::memcmp(head + data, "data", 4) != 0)
  {
    const uint32_t size = LE32(head + data + 4);
    data += 8 + size_t(size) + (size & 1u);
  }
  const size_t room = data - 12;
  const unsigned blockAlign = unsigned(head[32]) | unsigned(head[33]) << 8;
  if (data + 8 > size_t(n) || blockAlign == 0 || (room != kFmt + kFact && room < kFmt + kFact + kJunk))
    return true;
  unsigned char chunks[sizeof head] = {};
  std::memcpy(chunks, "fmt ", 4);
  PutLE32(chunks + 4, 18);
  std::memcpy(chunks + 8, head + 20, 16); // the extension size after it stays 0
  std::memcpy(chunks + kFmt, "fact", 4);
  PutLE32(chunks + kFmt + 4, 4);
  PutLE32(chunks + kFmt + 8, LE32(head + data + 4) / blockAlign);
  if (room > kFmt + kFact)
  {
    std::memcpy(chunks + kFmt + kFact, "JUNK", 4);
    PutLE32(chunks + kFmt + kFact + 4, uint32_t(room - kFmt - kFact - kJunk));
  }
  return pwrite(fd, chunks, room, 12) == ssize_t(room);
}
} // namespace

AudioFileReader::AudioFileReader() = default;

AudioFileReader::~AudioFileReader()
{
  if (mFile) sf_close(mFile);
  if (mFd >= 0) close(mFd);
}

bool AudioFileReader::Open(const std::string& path, std::string& error)
{
  SF_INFO info = {};
  mPath = path;
  std::string why;
  const int fd = OpenInputFile(path, InputKind::kRecording, why);
  if (fd < 0)
  {
    error = path + ": " + why;
    return false;
  }
  mFd = fd;
  mFile = sf_open_fd(fd, SFM_READ, &info, SF_FALSE);
  if (!mFile)
  {
    error = path + ": " + OpenFailure();
    return false;
  }
  if (info.channels < 1 || info.samplerate < 1)
  {
    error = path + ": no audio channels";
    return false;
  }
  mSampleRate = info.samplerate;
  mFormat = info.format;
  mChannels = info.channels;
  mFrames = long(info.frames);
  if ((info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV)
  {
    const long promised = PromisedWavFrames(fd);
    if (promised > mFrames)
      mTruncation = path + ": cut short: the header promises " + std::to_string(promised) +
                    " frames, the file holds " + std::to_string(mFrames);
  }
  return true;
}

bool AudioFileReader::Is16Bit() const
{
  return (mFormat & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16;
}

// 16-bit samples are read as they are stored and scaled as they are handed out, in a loop the compiler
// widens: the same floats the library gives (s / 32768 is exact), at a fraction of its cost.
long AudioFileReader::ReadChunk(long frames)
{
  if (!Is16Bit())
  {
    mBuffer.resize(size_t(frames) * size_t(mChannels));
    return long(sf_readf_float(mFile, mBuffer.data(), frames));
  }
  mSamples16.resize(size_t(frames) * size_t(mChannels));
  return long(sf_readf_short(mFile, mSamples16.data(), frames));
}

namespace
{
// Frames [0, m) of an interleaved chunk into the channels of out from `done` on.
template <typename Sample, typename Convert>
void Deinterleave(const Sample* from, size_t channels, long m, float* const* out, long done, Convert convert)
{
  if (channels == 1)
    for (long i = 0; i < m; ++i)
      out[0][done + i] = convert(from[i]);
  else
    for (size_t c = 0; c < channels; ++c)
      for (long i = 0; i < m; ++i)
        out[c][done + i] = convert(from[size_t(i) * channels + c]);
}
} // namespace

long AudioFileReader::Read(float* const* out, long n, std::string& error)
{
  n = std::max(0L, std::min(n, mFrames - mPosition));
  const size_t channels = size_t(mChannels);
  for (long done = 0; done < n;)
  {
    if (mTaken == mBuffered)
    {
      // Whole chunks from the file: one call (and one system call) per chunk, not per block.
      const long want = std::min(kChunkFrames, mFrames - mFetched);
      const sf_count_t got = ReadChunk(want);
      if (got != want)
      {
        error = mPath + ": read error after " + std::to_string(mFetched + std::max<long>(long(got), 0)) +
                " of " + std::to_string(mFrames) + " frames" +
                (sf_error(mFile) ? " (" + LibraryReason(sf_strerror(mFile)) + ")" : "");
        return -1;
      }
      mFetched += want;
      mBuffered = want;
      mTaken = 0;
    }
    const long m = std::min(n - done, mBuffered - mTaken);
    const size_t first = size_t(mTaken) * channels;
    if (Is16Bit())
      Deinterleave(mSamples16.data() + first, channels, m, out, done,
                   [](short s) { return float(s) * (1.0f / 32768.0f); });
    else
      Deinterleave(mBuffer.data() + first, channels, m, out, done, [](float x) { return x; });
    done += m;
    mTaken += m;
  }
  mPosition += n;
  return n;
}

AudioFileWriter::AudioFileWriter() = default;

AudioFileWriter::~AudioFileWriter()
{
  if (mFile) sf_close(mFile);
}

bool AudioFileWriter::Open(const std::string& path, double sampleRate, int nChannels, int format,
                           std::string& error)
{
  SF_INFO info = {};
  info.samplerate = int(sampleRate);
  info.channels = nChannels;
  info.format = format ? format : (SF_FORMAT_WAV | SF_FORMAT_FLOAT);
  if (!sf_format_check(&info)) info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  mPath = path;
  if (!mTarget.Open(path.c_str()))
  {
    error = CannotWrite(path);
    return false;
  }
  mFile = sf_open_fd(mTarget.Descriptor(), SFM_WRITE, &info, SF_FALSE);
  if (!mFile)
  {
    error = path + ": cannot write (" + LibraryReason(sf_strerror(nullptr)) + ")";
    mTarget.Discard();
    return false;
  }
  mChannels = nChannels;
  mInteger = IsIntegerFormat(info.format);
  const int encoding = info.format & SF_FORMAT_SUBMASK;
  mFloatWav = (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV &&
              (encoding == SF_FORMAT_FLOAT || encoding == SF_FORMAT_DOUBLE);
  return true;
}

bool AudioFileWriter::Write(const float* const* in, long n, std::string& error)
{
  if (!mFile) return false;
  const size_t channels = size_t(mChannels);
  for (long done = 0; done < n;)
  {
    const long m = std::min(n - done, kChunkFrames - mPending);
    mInterleaved.resize(size_t(kChunkFrames) * channels);
    float* to = mInterleaved.data() + size_t(mPending) * channels;
    for (size_t c = 0; c < channels; ++c)
      for (long i = 0; i < m; ++i)
        to[size_t(i) * channels + c] = in[c][done + i];
    done += m;
    mPending += m;
    if (mPending == kChunkFrames && !Flush(error)) return false;
  }
  return true;
}

bool AudioFileWriter::Flush(std::string& error)
{
  const size_t samples = size_t(mPending) * size_t(mChannels);
  sf_count_t written;
  if (mInteger)
  {
    mInterleavedInt.resize(samples);
    std::transform(mInterleaved.begin(), mInterleaved.begin() + long(samples), mInterleavedInt.begin(),
                   ToInt32);
    written = sf_writef_int(mFile, mInterleavedInt.data(), mPending);
  }
  else
    written = sf_writef_float(mFile, mInterleaved.data(), mPending);
  if (written != mPending)
  {
    error = mPath + ": cannot write (" + LibraryReason(sf_strerror(mFile)) + ")";
    mTarget.SetFailed(errno);
    return false;
  }
  mPending = 0;
  return true;
}

bool AudioFileWriter::Complete(std::string& error)
{
  if (!mFile || (mPending > 0 && !Flush(error))) return false;
  // Closing writes the final header sizes.
  if (sf_close(mFile) != 0) mTarget.SetFailed(errno);
  mFile = nullptr;
  if (mFloatWav && !ExtendFloatWavHeader(mTarget.Descriptor())) mTarget.SetFailed(errno);
  return true;
}

bool ReadAudioFile(const std::string& path, AudioFile& file, std::string& error, std::string* warning)
{
  AudioFileReader reader;
  if (!reader.Open(path, error)) return false;
  file.sampleRate = reader.SampleRate();
  file.format = reader.Format();
  file.channels.assign(size_t(reader.NChannels()), std::vector<float>(size_t(reader.NFrames())));
  std::vector<float*> out(file.channels.size());
  for (size_t c = 0; c < out.size(); ++c)
    out[c] = file.channels[c].data();
  if (reader.NFrames() > 0 && reader.Read(out.data(), reader.NFrames(), error) != reader.NFrames())
    return false;
  if (warning) *warning = reader.Truncation();
  return true;
}

bool WriteAudioFrames(AudioFileWriter& writer, const std::string& path, const AudioFile& file,
                      std::string& error)
{
  if (!writer.Open(path, file.sampleRate, file.NChannels(), file.format, error)) return false;
  std::vector<const float*> in(file.channels.size());
  for (size_t c = 0; c < in.size(); ++c)
    in[c] = file.channels[c].data();
  return writer.Write(in.data(), file.NFrames(), error);
}

} // namespace qorvhost
