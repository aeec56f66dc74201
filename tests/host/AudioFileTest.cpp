// The host's audio files: written in blocks of any size and read back in blocks of any size, every
// sample comes back as it was, in each format a recording arrives in.
#include "host/AudioFile.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
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
        ASSERT_TRUE(writer.Commit(error)) << error;

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
} // namespace
