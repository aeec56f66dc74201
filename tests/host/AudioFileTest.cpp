// The host's audio files: written in blocks of any size and read back in blocks of any size, every
// sample comes back as it was, in each format a recording arrives in.
#include "host/AudioFile.h"
#include "tests/support/PlacedFile.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

using namespace qorvhost;

namespace
{
TEST(AudioFile, BlocksOfAnySizeKeepEverySample)
{
  const std::string dir = qorvtest::ScratchDir("audio_file_blocks");
  std::mt19937 rng(3);
  for (int format : {SF_FORMAT_PCM_16, SF_FORMAT_PCM_24, SF_FORMAT_FLOAT})
    for (long frames : {1L, 4095L, 4097L, 10000L})
      for (int channels : {1, 2})
      {
        // Samples the format holds exactly: n-bit integers read as s / 2^(n-1).
        const double scale =
            format == SF_FORMAT_PCM_16 ? 32768.0 : (format == SF_FORMAT_PCM_24 ? 8388608.0 : 0.0);
        std::uniform_real_distribution<double> u(-1.0, 1.0);
        AudioFile file;
        file.format = SF_FORMAT_WAV | format;
        file.channels.assign(size_t(channels), std::vector<float>(size_t(frames)));
        for (auto& channel : file.channels)
          for (float& x : channel)
            x = scale > 0.0 ? float(std::floor(u(rng) * scale) / scale) : float(u(rng));
        const std::string path = dir + "/f" + std::to_string(format) + "_" + std::to_string(frames) + "_" +
                                 std::to_string(channels) + ".wav";
        const std::string what = path;
        std::string error;
        AudioFileWriter writer;
        ASSERT_TRUE(writer.Open(path, 48000.0, channels, file.format, error)) << error;
        for (long start = 0, step = 1; start < frames; start += step, step = step * 3 + 1)
        {
          const long n = std::min(step, frames - start);
          const float* in[2] = {file.channels[0].data() + start,
                                file.channels[size_t(channels - 1)].data() + start};
          ASSERT_TRUE(writer.Write(in, n, error)) << error;
        }
        ASSERT_TRUE(writer.Complete(error)) << error;
        ASSERT_EQ(PlaceOutputs({{&writer.File(), path}}, error), kExitDone) << error;

        AudioFileReader reader;
        ASSERT_TRUE(reader.Open(path, error)) << error;
        ASSERT_EQ(reader.NFrames(), frames) << what;
        ASSERT_EQ(reader.NChannels(), channels) << what;
        EXPECT_EQ(reader.Truncation(), "") << what;
        std::vector<std::vector<float>> back(size_t(channels), std::vector<float>(size_t(frames) + 7, 0.f));
        for (long start = 0, step = 777; start <= frames; start += step)
        {
          float* out[2] = {back[0].data() + start, back[size_t(channels - 1)].data() + start};
          ASSERT_EQ(reader.Read(out, step, error), std::min(step, frames - start)) << what;
        }
        for (int c = 0; c < channels; ++c)
        {
          back[size_t(c)].resize(size_t(frames));
          EXPECT_EQ(back[size_t(c)], file.channels[size_t(c)]) << what << " channel " << c;
        }
      }
}

std::string Bytes(const std::string& path)
{
  std::string bytes;
  if (FILE* f = std::fopen(path.c_str(), "rb"))
  {
    char chunk[4096];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;)
      bytes.append(chunk, n);
    std::fclose(f);
  }
  return bytes;
}

uint32_t LE32(const std::string& bytes, size_t at)
{
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i)
    v = v << 8 | uint8_t(bytes[at + size_t(i)]);
  return v;
}

// A float file of these channels and frames, every sample different.
AudioFile FloatFile(int encoding, int channels, long frames)
{
  AudioFile file;
  file.format = SF_FORMAT_WAV | encoding;
  file.channels.assign(size_t(channels), std::vector<float>(size_t(frames)));
  for (int c = 0; c < channels; ++c)
    for (long i = 0; i < frames; ++i)
      file.channels[size_t(c)][size_t(i)] = std::sin(0.001f * float(i * (c + 1))) * 0.5f + float(c) * 1e-3f;
  return file;
}

struct FloatCase
{
  int encoding;
  int channels;
  long frames;
};
const FloatCase kFloatCases[] = {{SF_FORMAT_FLOAT, 1, 1},    {SF_FORMAT_FLOAT, 2, 4097},
                                 {SF_FORMAT_FLOAT, 8, 1000}, {SF_FORMAT_FLOAT, 40, 300},
                                 {SF_FORMAT_DOUBLE, 1, 10},  {SF_FORMAT_DOUBLE, 2, 5000}};

// A format other than PCM is written with the size of its "fmt " extension and a "fact" chunk, as readers
// of WAV files expect; the host reads those files, and the ones it wrote before, sample for sample.
TEST(AudioFile, FloatWavsSayTheirFormatWhole)
{
  const std::string dir = qorvtest::ScratchDir("audio_file_float_header");
  for (const FloatCase& c : kFloatCases)
  {
    const AudioFile file = FloatFile(c.encoding, c.channels, c.frames);
    const std::string what =
        std::to_string(c.encoding) + " " + std::to_string(c.channels) + "x" + std::to_string(c.frames);
    const std::string path = dir + "/new.wav";
    std::string error;
    ASSERT_TRUE(qorvtest::PlaceRecording(path, file, error)) << error;
    const std::string bytes = Bytes(path);
    ASSERT_GT(bytes.size(), 58u);
    EXPECT_EQ(LE32(bytes, 4), bytes.size() - 8) << what;
    EXPECT_EQ(bytes.substr(12, 4), "fmt ") << what;
    EXPECT_EQ(LE32(bytes, 16), 18u) << what;
    EXPECT_EQ(uint8_t(bytes[20]) | uint8_t(bytes[21]) << 8, 3) << what; // IEEE float
    EXPECT_EQ(bytes.substr(36, 2), std::string(2, '\0')) << what;       // no more extension
    EXPECT_EQ(bytes.substr(38, 4), "fact") << what;
    EXPECT_EQ(LE32(bytes, 46), uint32_t(c.frames)) << what;
    const size_t data = bytes.find("data", 50);
    ASSERT_NE(data, std::string::npos) << what;
    const size_t sample = c.encoding == SF_FORMAT_DOUBLE ? 8 : 4;
    EXPECT_EQ(LE32(bytes, data + 4), uint32_t(c.frames) * uint32_t(c.channels) * sample) << what;
    EXPECT_EQ(data + 8 + LE32(bytes, data + 4), bytes.size()) << what;

    // Read back by the host and by the library alone; the file the library writes by itself (the
    // host's own before) reads the same.
    SF_INFO info = {};
    SNDFILE* plain = sf_open(path.c_str(), SFM_READ, &info);
    ASSERT_TRUE(plain) << what << ": " << sf_strerror(nullptr);
    EXPECT_EQ(info.format, file.format) << what;
    EXPECT_EQ(info.frames, c.frames) << what;
    sf_close(plain);
    const std::string old = dir + "/old.wav";
    info = {};
    info.samplerate = 48000;
    info.channels = c.channels;
    info.format = file.format;
    plain = sf_open(old.c_str(), SFM_WRITE, &info);
    ASSERT_TRUE(plain) << sf_strerror(nullptr);
    std::vector<float> interleaved;
    for (long i = 0; i < c.frames; ++i)
      for (int k = 0; k < c.channels; ++k)
        interleaved.push_back(file.channels[size_t(k)][size_t(i)]);
    ASSERT_EQ(sf_writef_float(plain, interleaved.data(), c.frames), c.frames);
    sf_close(plain);
    ASSERT_EQ(LE32(Bytes(old), 16), 16u);
    for (const std::string& p : {path, old})
    {
      AudioFile back;
      std::string warning = "unset";
      ASSERT_TRUE(ReadAudioFile(p, back, error, &warning)) << error;
      EXPECT_EQ(warning, "") << p;
      EXPECT_EQ(back.format, file.format) << p;
      EXPECT_EQ(back.channels, file.channels) << what << " " << p;
    }
  }
}

// sox, as a user checking a mix would run it, reads every float file the host writes without a warning.
TEST(AudioFile, SoxReadsFloatWavsWithoutAWarning)
{
  if (std::system("command -v sox >/dev/null 2>&1") != 0) GTEST_SKIP() << "sox is not installed";
  const std::string dir = qorvtest::ScratchDir("audio_file_sox");
  for (const FloatCase& c : kFloatCases)
  {
    const std::string path = dir + "/mix.wav";
    std::string error;
    ASSERT_TRUE(qorvtest::PlaceRecording(path, FloatFile(c.encoding, c.channels, c.frames), error)) << error;
    std::string said;
    FILE* sox = popen(("sox --i '" + path + "' 2>&1").c_str(), "r");
    ASSERT_TRUE(sox);
    char chunk[512];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, sox)) > 0;)
      said.append(chunk, n);
    EXPECT_EQ(pclose(sox), 0) << said;
    EXPECT_EQ(said.find("WARN"), std::string::npos) << said;
    EXPECT_NE(said.find("Channels       : " + std::to_string(c.channels) + "\n"), std::string::npos) << said;
    EXPECT_NE(said.find(" = " + std::to_string(c.frames) + " samples"), std::string::npos) << said;
  }
}
} // namespace
