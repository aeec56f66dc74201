// Whole-process cost of `qorv-host mix` on 32 mono tracks of 60 s against `sox -m` mixing the same files
// in the same run: CPU time (user + system) of each child process, the median of 5 rounds in which the two
// take turns, and the host's peak memory. Prints one table row with the median of the rounds' ratios.
#include "bench/ChildUsage.h"
#include "host/AudioFile.h"
#include "tests/support/PlacedFile.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace
{
constexpr int kTracks = 32;
constexpr double kSeconds = 60.0;
constexpr int kRate = 48000;
constexpr int kRuns = 5;

// One microphone of a panel: its talker speaks in turn with the others (4 s each), over room noise and
// the others' crosstalk. Deterministic, so every run mixes the same files.
std::vector<float> Microphone(int track)
{
  std::mt19937 rng(unsigned(track) + 1u);
  std::normal_distribution<float> noise(0.f, 0.002f);
  const size_t frames = size_t(kSeconds * kRate);
  std::vector<float> s(frames);
  const double pitch = 110.0 + 7.0 * track;
  for (size_t i = 0; i < frames; ++i)
  {
    const double t = double(i) / kRate;
    const bool talking = int(t / 4.0) % kTracks == track % 15;
    const double voice = std::sin(2.0 * M_PI * pitch * t) * (0.5 + 0.5 * std::sin(2.0 * M_PI * 4.0 * t));
    s[i] = float((talking ? 0.3 : 0.02) * voice) + noise(rng);
  }
  return s;
}

std::vector<std::string> MakeTracks(const std::string& folder)
{
  std::filesystem::create_directories(folder);
  std::vector<std::string> paths;
  for (int t = 0; t < kTracks; ++t)
  {
    const std::string path = folder + "/mic" + std::to_string(t + 1) + ".wav";
    paths.push_back(path);
    qorvhost::AudioFileReader existing;
    std::string error;
    if (existing.Open(path, error) && existing.NFrames() == long(kSeconds * kRate)) continue;
    qorvhost::AudioFile file;
    file.sampleRate = kRate;
    file.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16; // as recorders write
    file.channels = {Microphone(t)};
    if (!qorvtest::PlaceRecording(path, file, error))
    {
      std::fprintf(stderr, "%s\n", error.c_str());
      std::exit(1);
    }
  }
  return paths;
}

} // namespace

int main()
{
  const std::string work = QORV_BENCH_WORK_DIR;
  const std::vector<std::string> tracks = MakeTracks(work + "/tracks");
  // The mixer's own data folder, so no user default preset changes what is measured.
  setenv("XDG_DATA_HOME", (work + "/data").c_str(), 1);

  std::vector<std::string> host = {QORV_HOST_PATH,   "mix", "--plugin",
                                   QORV_BUNDLE_PATH, "-o",  work + "/mix.wav"};
  std::vector<std::string> sox = {"sox", "-m"};
  host.insert(host.end(), tracks.begin(), tracks.end());
  sox.insert(sox.end(), tracks.begin(), tracks.end());
  sox.push_back(work + "/sox.wav");

  std::vector<double> hostCpu, soxCpu;
  double peak = 0.0;
  for (int i = 0; i < kRuns; ++i)
  {
    const qorvbench::Usage h = qorvbench::RunChild(host);
    hostCpu.push_back(h.cpuSeconds);
    peak = std::max(peak, h.peakMiB);
    soxCpu.push_back(qorvbench::RunChild(sox).cpuSeconds);
  }
  const double h = qorvbench::Median(hostCpu), s = qorvbench::Median(soxCpu);
  const double ratio = qorvbench::MedianRatio(hostCpu, soxCpu);
  std::printf("table: %-30s %9s %11s %12s %9s %7s\n", "figure", "CPU", "real time", "peak memory", "sox -m",
              "ratio");
  std::printf("table: %-30s %7.2f s %10.1fx %8.1f MiB %7.2f s %6.2fx   (targets: >= 40x real time: %s, <= "
              "64 MiB: %s, <= 2x: %s)\n",
              "qorv-host mix, 32 mono x 60 s", h, kSeconds / h, peak, s, ratio,
              qorvbench::Met(kSeconds / h >= 40), qorvbench::Met(peak <= 64), qorvbench::Met(ratio <= 2));
  return 0;
}
