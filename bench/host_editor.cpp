// What the mixer's editor adds to `qorv-host mix` on 8 mono tracks of 10 s, silent and with talkers taking
// turns: CPU time (user + system) of the whole process with the editor open headless and paced at real time
// (--editor) at screen scale 1 and 2, and with a frame written every 2 s (--png-every 2), against the same
// mix without the editor in the same run; the median of 3 runs of each. Prints one table row a figure with
// the share of one core the editor adds over the 10 s, or the time it adds a frame written.
#include "bench/ChildUsage.h"
#include "host/AudioFile.h"

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace
{
constexpr int kTracks = 8;
constexpr double kSeconds = 10.0;
constexpr int kRate = 48000;
constexpr int kRuns = 3;
constexpr double kFrameEvery = 2.0;
constexpr int kFrames = 5; // at 2, 4, 6, 8 and 10 s

// One microphone: silent, or a talker speaking in turn with the others (1.25 s each) over room noise and
// the others' crosstalk. Deterministic, so every run mixes the same files.
std::vector<float> Microphone(int track, bool talking)
{
  std::vector<float> s(size_t(kSeconds * kRate), 0.f);
  if (!talking) return s;
  std::mt19937 rng(unsigned(track) + 1u);
  std::normal_distribution<float> noise(0.f, 0.002f);
  const double pitch = 110.0 + 7.0 * track;
  for (size_t i = 0; i < s.size(); ++i)
  {
    const double t = double(i) / kRate;
    const bool turn = int(t / 1.25) % kTracks == track;
    const double voice = std::sin(2.0 * M_PI * pitch * t) * (0.5 + 0.5 * std::sin(2.0 * M_PI * 4.0 * t));
    s[i] = float((turn ? 0.3 : 0.02) * voice) + noise(rng);
  }
  return s;
}

std::vector<std::string> MakeTracks(const std::string& folder, bool talking)
{
  std::filesystem::create_directories(folder);
  std::vector<std::string> paths;
  for (int t = 0; t < kTracks; ++t)
  {
    const std::string path = folder + "/mic" + std::to_string(t + 1) + ".wav";
    paths.push_back(path);
    qorvhost::AudioFile file;
    file.sampleRate = kRate;
    file.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    file.channels = {Microphone(t, talking)};
    std::string error;
    if (!qorvhost::WriteAudioFile(path, file, error))
    {
      std::fprintf(stderr, "%s\n", error.c_str());
      std::exit(1);
    }
  }
  return paths;
}

// The median CPU time of the mix with the given options, at the given screen scale.
double MixCpu(const std::string& work, const std::vector<std::string>& tracks,
              const std::vector<std::string>& options, int scale)
{
  setenv("QORV_SCREEN_SCALE", std::to_string(scale).c_str(), 1);
  std::vector<std::string> command = {QORV_HOST_PATH, "mix", "-q", "--plugin", QORV_BUNDLE_PATH};
  command.insert(command.end(), options.begin(), options.end());
  command.insert(command.end(), {"-o", work + "/mix.wav"});
  command.insert(command.end(), tracks.begin(), tracks.end());
  std::vector<double> cpu;
  for (int i = 0; i < kRuns; ++i)
    cpu.push_back(qorvbench::RunChild(command).cpuSeconds);
  return qorvbench::Median(cpu);
}
} // namespace

int main()
{
  const std::string work = QORV_BENCH_WORK_DIR;
  // The mixer's own data folder, so no user default preset changes what is measured; headless even with a
  // display, as the frames are.
  setenv("XDG_DATA_HOME", (work + "/data").c_str(), 1);
  setenv("QORV_HEADLESS", "1", 1);
  std::printf("table: %-44s %8s %8s %9s %s\n", "figure (8 mono tracks x 10 s)", "CPU", "mix alone", "added",
              "target");
  for (const bool talking : {false, true})
  {
    const char* input = talking ? "talkers" : "silent";
    const std::vector<std::string> tracks = MakeTracks(work + "/" + input, talking);
    const double alone = MixCpu(work, tracks, {}, 1);
    for (const int scale : {1, 2})
    {
      const double editor = MixCpu(work, tracks, {"--editor"}, scale);
      const std::string figure = std::string("mix --editor, ") + input + ", scale " + std::to_string(scale);
      std::printf("table: %-44s %6.2f s %7.2f s %7.1f %% %s\n", figure.c_str(), editor, alone,
                  100.0 * (editor - alone) / kSeconds, scale == 1 ? "<= 15 % of a core" : "<= 50 % of a core");
    }
    const double frames =
        MixCpu(work, tracks, {"--png-every", std::to_string(kFrameEvery), work + "/frames"}, 1);
    const std::string figure = std::string("mix --png-every 2, ") + input + ", scale 1";
    std::printf("table: %-44s %6.2f s %7.2f s %6.3f s/frame %s\n", figure.c_str(), frames, alone,
                (frames - alone) / kFrames, "<= 0.1 s a frame");
  }
  return 0;
}
