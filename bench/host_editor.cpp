// What the mixer's editor adds to `qorv-host mix` on 8 mono tracks of 10 s, silent, with talkers taking
// turns, and with eight active microphones (pink noise switched on and off per track, every strip moving
// at once, the mixer's busiest editor): CPU time (user + system) of the whole process with the editor open headless and paced at real time
// (--editor) at screen scale 1 and 2, and with a frame written every 2 s (--png-every 2), against the same
// mix without the editor in the same run; the median of 3 runs of each. Prints one table row a figure with
// the share of one core the editor adds over the 10 s, or the time it adds a frame written.
#include "bench/ChildUsage.h"
#include "bench/SwitchedNoise.h"
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

enum class Input
{
  kSilent,
  kTalkers,
  kActive
};

// One microphone: silent, a talker speaking in turn with the others (1.25 s each) over room noise and the
// others' crosstalk, or active throughout. Deterministic, so every run mixes the same files.
std::vector<float> Microphone(int track, Input input)
{
  std::vector<float> s(size_t(kSeconds * kRate), 0.f);
  if (input == Input::kSilent) return s;
  if (input == Input::kActive)
  {
    const std::vector<double> noise = qorvbench::SwitchedPinkNoise(track, s.size(), kRate);
    return std::vector<float>(noise.begin(), noise.end());
  }
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

std::vector<std::string> MakeTracks(const std::string& folder, Input input)
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
    file.channels = {Microphone(t, input)};
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
  struct Case
  {
    Input input;
    const char* name;
    double target[2]; // the share of one core the editor may add at scale 1 and 2, in %
  };
  for (const Case& c : {Case{Input::kSilent, "silent", {15, 50}}, Case{Input::kTalkers, "talkers", {15, 50}},
                        Case{Input::kActive, "active", {7.5, 25}}})
  {
    const std::vector<std::string> tracks = MakeTracks(work + "/" + c.name, c.input);
    const double alone = MixCpu(work, tracks, {}, 1);
    for (const int scale : {1, 2})
    {
      const double editor = MixCpu(work, tracks, {"--editor"}, scale);
      const double added = 100.0 * (editor - alone) / kSeconds, target = c.target[scale - 1];
      const std::string figure = std::string("mix --editor, ") + c.name + ", scale " + std::to_string(scale);
      std::printf("table: %-44s %6.2f s %7.2f s %7.1f %% <= %g %% of a core: %s\n", figure.c_str(), editor, alone,
                  added, target, added <= target ? "met" : "NOT MET");
    }
    const double frames =
        MixCpu(work, tracks, {"--png-every", std::to_string(kFrameEvery), work + "/frames"}, 1);
    const std::string figure = std::string("mix --png-every 2, ") + c.name + ", scale 1";
    std::printf("table: %-44s %6.2f s %7.2f s %6.3f s/frame %s\n", figure.c_str(), frames, alone,
                (frames - alone) / kFrames, "<= 0.1 s a frame");
  }
  return 0;
}
