#include "host/AudioFile.h"

#include "host/MessageStream.h"

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace qorvhost
{
namespace
{
struct FileCloser
{
  void operator()(SNDFILE* f) const { sf_close(f); }
};
using FilePtr = std::unique_ptr<SNDFILE, FileCloser>;
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

// Why an input could not be opened, in the host's words rather than the library's.
std::string OpenFailure(const std::string& path)
{
  const int code = sf_error(nullptr);
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return "is a folder, not an audio file";
  if (FILE* probe = std::fopen(path.c_str(), "rb"))
    std::fclose(probe);
  else
    return SystemReason(errno);
  if (code == SF_ERR_UNRECOGNISED_FORMAT) return "not a WAV or other audio file that the host reads";
  return LibraryReason(sf_strerror(nullptr));
}

int ToInt32(float x)
{
  const double v = std::nearbyint(double(x) * 2147483648.0);
  return v >= 2147483647.0 ? INT32_MAX : (v <= -2147483648.0 ? INT32_MIN : int(v));
}
} // namespace

bool ReadAudioFile(const std::string& path, AudioFile& file, std::string& error)
{
  SF_INFO info = {};
  FilePtr f(sf_open(path.c_str(), SFM_READ, &info));
  if (!f)
  {
    error = path + ": " + OpenFailure(path);
    return false;
  }
  if (info.channels < 1 || info.samplerate < 1)
  {
    error = path + ": no audio channels";
    return false;
  }
  file.sampleRate = info.samplerate;
  file.format = info.format;
  file.channels.assign(size_t(info.channels), {});
  std::vector<float> interleaved(size_t(kChunkFrames) * size_t(info.channels));
  for (;;)
  {
    const sf_count_t n = sf_readf_float(f.get(), interleaved.data(), kChunkFrames);
    if (n <= 0) break;
    for (int c = 0; c < info.channels; ++c)
      for (sf_count_t i = 0; i < n; ++i)
        file.channels[size_t(c)].push_back(interleaved[size_t(i) * size_t(info.channels) + size_t(c)]);
  }
  return true;
}

bool WriteAudioFile(const std::string& path, const AudioFile& file, std::string& error)
{
  SF_INFO info = {};
  info.samplerate = int(file.sampleRate);
  info.channels = file.NChannels();
  info.format = file.format ? file.format : (SF_FORMAT_WAV | SF_FORMAT_FLOAT);
  if (!sf_format_check(&info)) info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  FilePtr f(sf_open(path.c_str(), SFM_WRITE, &info));
  if (!f)
  {
    error = path + ": cannot write (" + LibraryReason(sf_strerror(nullptr)) + ")";
    return false;
  }
  const long frames = file.NFrames();
  const bool integer = IsIntegerFormat(info.format);
  std::vector<float> interleaved(size_t(kChunkFrames) * size_t(info.channels));
  std::vector<int> interleavedInt(integer ? interleaved.size() : 0);
  for (long start = 0; start < frames; start += kChunkFrames)
  {
    const long n = std::min(kChunkFrames, frames - start);
    for (int c = 0; c < info.channels; ++c)
      for (long i = 0; i < n; ++i)
        interleaved[size_t(i) * size_t(info.channels) + size_t(c)] =
            file.channels[size_t(c)][size_t(start + i)];
    if (integer) std::transform(interleaved.begin(), interleaved.end(), interleavedInt.begin(), ToInt32);
    const sf_count_t written = integer ? sf_writef_int(f.get(), interleavedInt.data(), n)
                                       : sf_writef_float(f.get(), interleaved.data(), n);
    if (written != n)
    {
      error = path + ": cannot write (" + LibraryReason(sf_strerror(f.get())) + ")";
      return false;
    }
  }
  return true;
}
} // namespace qorvhost
