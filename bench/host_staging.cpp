// What a frame of `qorv-host mix --png-every` costs to stage and put in place as the run's frames grow
// from 100 to 10,000: the host's own staging (StagedFiles: each frame written to its new file, flushed to
// the disk and closed at once) and placing (PlaceOutputs: every frame renamed over its old one, the old
// ones removed once all are in place), over the frames of an earlier run of the same names, as a run
// again into the same folder finds them. Frames of an editor frame's PNG size (80 KB). Reports the
// milliseconds a frame (CPU time, user + system, and wall clock), medians of rounds in which the sizes
// take turns, and for each size the median of the rounds' ratios of its time a frame to that at 100 frames
// in the same round. Target: CPU time a frame at most 1.1 times that at 100 frames at every size (flat
// within 10 %). The wall clock is shown beside it with its own verdict: it adds the disk's pace, which
// slows as a run's frames reach hundreds of megabytes (10,000 frames are 800 MB written, twice). Left
// out: the editor's drawing and PNG encoding of each frame (the same work a frame whatever their number),
// and the mix itself.
#include "bench/Rounds.h"
#include "host/PlaceOutputs.h"
#include "host/StageOutputs.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace
{
constexpr int kRounds = 3;
constexpr size_t kFrameBytes = 80 * 1024;
constexpr double kMostRatio = 1.1;

struct Cost
{
  double wallMs = 0.0, cpuMs = 0.0; // a frame
};

// Stages and places frames frame-0001.png ... in folder; exits the benchmark when that fails.
Cost StageAndPlace(const std::string& folder, int frames, const std::vector<unsigned char>& bytes)
{
  const auto wallStart = std::chrono::steady_clock::now();
  const double cpuStart = qorvbench::CpuSeconds();
  qorvhost::StagedFiles staged;
  std::string error;
  for (int i = 1; i <= frames; ++i)
  {
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%04d.png", i);
    if (!staged.Stage(folder + name, bytes.data(), bytes.size(), error)) break;
  }
  std::vector<qorvhost::NewOutput> outputs;
  staged.AddTo(outputs);
  if (!error.empty() || qorvhost::PlaceOutputs(outputs, error) != 0)
  {
    std::fprintf(stderr, "%s\n", error.c_str());
    std::exit(1);
  }
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
  return {wall * 1e3 / frames, (qorvbench::CpuSeconds() - cpuStart) * 1e3 / frames};
}

// A frame's time at frames, over the frames an earlier run left in a fresh folder.
Cost Measure(const std::string& work, int frames, const std::vector<unsigned char>& bytes)
{
  const std::string folder = work + "/frames-" + std::to_string(frames);
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  StageAndPlace(folder, frames, bytes); // the earlier run's frames
  const Cost cost = StageAndPlace(folder, frames, bytes);
  std::filesystem::remove_all(folder);
  return cost;
}
} // namespace

// Arguments: the sizes to run instead of all (the first is the reference); flags are left to others.
int main(int argc, char** argv)
{
  const std::vector<int> sizes = qorvbench::SizesToRun(argc, argv, {100, 1000, 10000}, 1);
  const std::string work = QORV_BENCH_WORK_DIR;
  std::vector<unsigned char> bytes(kFrameBytes);
  for (size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<unsigned char>((i * 2654435761u) >> 24);

  std::vector<std::vector<double>> wall(sizes.size()), cpu(sizes.size());
  for (int r = 0; r < kRounds; ++r)
    for (size_t k = 0; k < sizes.size(); ++k)
    {
      // Each round starts at another size, so that the disk's changing pace favours none.
      const size_t s = (k + size_t(r)) % sizes.size();
      const Cost cost = Measure(work, sizes[s], bytes);
      wall[s].push_back(cost.wallMs);
      cpu[s].push_back(cost.cpuMs);
    }
  std::printf("mix --png-every's frames (80 KB) staged and put in place over older ones, ms a frame (medians "
              "of %d rounds taking turns): frames, CPU, wall clock, CPU and wall a frame / at %d frames\n",
              kRounds, sizes[0]);
  bool met = true, wallMet = true;
  char table[512];
  int at = std::snprintf(table, sizeof table, "table: staged frame's time / at %d frames, N: CPU (wall)",
                         sizes[0]);
  for (size_t s = 0; s < sizes.size(); ++s)
  {
    const double cpuRatio = qorvbench::MedianRatio(cpu[s], cpu[0]);
    const double wallRatio = qorvbench::MedianRatio(wall[s], wall[0]);
    met = met && cpuRatio <= kMostRatio;
    wallMet = wallMet && wallRatio <= kMostRatio;
    std::printf("%6d  %8.3f  %8.3f  %5.2fx  %5.2fx\n", sizes[s], qorvbench::Median(cpu[s]),
                qorvbench::Median(wall[s]), cpuRatio, wallRatio);
    if (s > 0)
      at += std::snprintf(table + at, sizeof table - size_t(at), " %d: %.2fx (%.2fx)", sizes[s], cpuRatio,
                          wallRatio);
  }
  std::printf("%s (target CPU <= %.1fx at every size: %s; wall clock: %s)\n", table, kMostRatio,
              qorvbench::Met(met), qorvbench::Met(wallMet));
  return met ? 0 : 1;
}
