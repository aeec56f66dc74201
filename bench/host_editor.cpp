// What the mixer's editor adds to `qorv-host mix` on 8 mono tracks of 10 s, silent, with talkers taking
// turns, and with eight active microphones (pink noise switched on and off per track, every strip moving
// at once, the mixer's busiest editor): CPU time (user + system) of the whole process with the editor open
// headless and paced at real time (--editor) at screen scale 1 and 2, and with a frame written every 2 s
// (--png-every 2), against the same mix without the editor. With the active microphones the editor is also
// shown in a real X11 window, on an Xvfb server of the benchmark's own (a 1920 x 1200 screen, larger than
// the window at scale 2): there the X server's CPU time during the run counts with the host's, and the
// frames the window presents are compared with those the headless editor presents in the same round (the
// host's summary line "editor frames drawn"). The runs take turns, round by round; the table prints the
// medians of 3 rounds, and what the editor adds is the median of each round's difference with the mix
// alone, as a share of one core over the 10 s (or the time it adds a frame written).
//
// Left out: a window manager and a compositor (Xvfb has neither, and its screen is memory, where a real
// server would also send the pixels to a display), the audio device (the mix writes a file), and input
// events (nobody moves a control). Without Xvfb the window case is skipped, with a message.
#include "bench/ChildUsage.h"
#include "bench/SwitchedNoise.h"
#include "bench/VirtualDisplay.h"
#include "host/AudioFile.h"
#include "tests/support/PlacedFile.h"

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace
{
constexpr int kTracks = 8;
constexpr double kSeconds = 10.0;
constexpr int kRate = 48000;
constexpr int kRounds = 3;
constexpr double kFrameEvery = 2.0;
constexpr int kFrames = 5;                 // at 2, 4, 6, 8 and 10 s
constexpr double kFrameTarget = 0.1;       // seconds a frame written may add
constexpr double kWindowFrameShare = 0.98; // of the headless editor's frames that the window presents
constexpr const char* kScreen = "1920x1200x24";

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
    if (!qorvtest::PlaceRecording(path, file, error))
    {
      std::fprintf(stderr, "%s\n", error.c_str());
      std::exit(1);
    }
  }
  return paths;
}

// One way of running the mix, and what its rounds measured.
struct Run
{
  Run(std::string n, std::vector<std::string> o, int s = 1, bool w = false)
      : name(std::move(n)), options(std::move(o)), scale(s), window(w)
  {
  }
  std::string name;
  std::vector<std::string> options;
  int scale;
  bool window;
  std::vector<double> cpu;    // the host's, plus the X server's during the run
  std::vector<double> server; // the X server's alone
  std::vector<double> frames; // the summary's "editor frames drawn"
};

int FramesDrawn(const std::string& output)
{
  const std::string key = "editor frames drawn: ";
  const size_t at = output.find(key);
  return at == std::string::npos ? 0 : std::atoi(output.c_str() + at + key.size());
}

// One run of the mix; the X server's CPU time counts when there is one (it stays idle without a window).
void Measure(Run& run, const std::string& work, const std::vector<std::string>& tracks,
             const qorvbench::VirtualDisplay* display)
{
  setenv("QORV_SCREEN_SCALE", std::to_string(run.scale).c_str(), 1);
  if (run.window)
  {
    unsetenv("QORV_HEADLESS");
    setenv("DISPLAY", display->Name().c_str(), 1);
  }
  else
    setenv("QORV_HEADLESS", "1", 1);
  std::vector<std::string> command = {QORV_HOST_PATH, "mix", "-q", "--plugin", QORV_BUNDLE_PATH};
  command.insert(command.end(), run.options.begin(), run.options.end());
  command.insert(command.end(), {"-o", work + "/mix.wav"});
  command.insert(command.end(), tracks.begin(), tracks.end());
  const double serverBefore = display ? display->CpuSeconds() : 0.0;
  const qorvbench::Usage usage = qorvbench::RunChild(command);
  const double server = display ? display->CpuSeconds() - serverBefore : 0.0;
  if (run.window && usage.output.find("no window for the editor") != std::string::npos)
  {
    std::fprintf(stderr, "host_editor: the editor found no window on %s:\n%s", display->Name().c_str(),
                 usage.output.c_str());
    std::exit(1);
  }
  run.cpu.push_back(usage.cpuSeconds + server);
  run.server.push_back(server);
  run.frames.push_back(FramesDrawn(usage.output));
}

// The share of one core that a run adds to the mix alone over the 10 s, in %.
double AddedShare(const Run& run, const Run& alone)
{
  return 100.0 * qorvbench::MedianDifference(run.cpu, alone.cpu) / kSeconds;
}
} // namespace

int main()
{
  using qorvbench::Median;
  using qorvbench::Met;
  // Each case's lines as it ends, through a pipe too: the whole run takes minutes.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  const std::string work = QORV_BENCH_WORK_DIR;
  std::filesystem::create_directories(work);
  // The mixer's own data folder, so no user default preset changes what is measured.
  setenv("XDG_DATA_HOME", (work + "/data").c_str(), 1);
  const auto display = std::make_unique<qorvbench::VirtualDisplay>(kScreen, work + "/xvfb.log");
  if (display->Running()) std::printf("window case on Xvfb %s (%s)\n", display->Name().c_str(), kScreen);
  std::printf("left out: a window manager and compositor, a real display, the audio device, input events\n");

  std::printf("table: %-50s %8s %9s %9s %s\n", "figure (8 mono tracks x 10 s, median of 3 rounds)", "CPU",
              "mix alone", "added", "target");
  struct Case
  {
    Input input;
    const char* name;
    double target[2];       // the share of one core the headless editor may add at scale 1 and 2, in %
    double windowTarget[2]; // the same in a window, host and X server together (0: no window case)
  };
  for (const Case& c :
       {Case{Input::kSilent, "silent", {15, 50}, {}}, Case{Input::kTalkers, "talkers", {15, 50}, {}},
        Case{Input::kActive, "active", {7.5, 25}, {6, 12}}})
  {
    const std::vector<std::string> tracks = MakeTracks(work + "/" + c.name, c.input);
    // The mix alone, the headless editor at scale 1 and 2 (runs 1 and 2), its frames written, then the
    // window; each round takes them in this order.
    std::vector<Run> runs = {{"mix alone", {}}};
    for (const int scale : {1, 2})
      runs.push_back({"mix --editor", {"--editor"}, scale});
    runs.push_back({"mix --png-every 2", {"--png-every", std::to_string(kFrameEvery), work + "/frames"}});
    if (c.windowTarget[0] > 0 && display->Running())
      for (const int scale : {1, 2})
        runs.push_back({"mix --editor in a window", {"--editor"}, scale, true});
    else if (c.windowTarget[0] > 0)
      std::printf("table: mix --editor in a window, %s: skipped (%s)\n", c.name, display->Failure().c_str());
    for (int round = 0; round < kRounds; ++round)
      for (Run& run : runs)
        Measure(run, work, tracks, display->Running() ? display.get() : nullptr);

    const Run& alone = runs[0];
    for (const Run& run : runs)
    {
      if (&run == &alone) continue;
      const std::string figure = run.name + ", " + c.name + ", scale " + std::to_string(run.scale);
      const double cpu = Median(run.cpu), aloneCpu = Median(alone.cpu);
      if (run.options[0] == "--png-every")
      {
        const double perFrame = qorvbench::MedianDifference(run.cpu, alone.cpu) / kFrames;
        std::printf("table: %-50s %6.2f s %7.2f s %6.3f s/frame <= %g s a frame: %s\n", figure.c_str(), cpu,
                    aloneCpu, perFrame, kFrameTarget, Met(perFrame <= kFrameTarget));
        continue;
      }
      const double added = AddedShare(run, alone);
      const double target = (run.window ? c.windowTarget : c.target)[run.scale - 1];
      std::printf("table: %-50s %6.2f s %7.2f s %7.1f %% <= %g %% of a core%s: %s\n", figure.c_str(), cpu,
                  aloneCpu, added, target, run.window ? ", host and X server" : "", Met(added <= target));
      if (!run.window) continue;
      // The headless editor of the same scale (runs 1 and 2), measured in the same rounds.
      const Run& headless = runs[size_t(run.scale)];
      const double share = qorvbench::MedianRatio(run.frames, headless.frames);
      std::printf(
          "table: %-50s X server %.2f s of it; frames %.1f %% of the headless editor's (%.0f of %.0f) "
          ">= %g %%: %s\n",
          "", Median(run.server), 100.0 * share, Median(run.frames), Median(headless.frames),
          100.0 * kWindowFrameShare, Met(share >= kWindowFrameShare));
    }
  }
  return 0;
}
