// A long session of a host that opens and closes the plug-in's window all day: the editor opened and
// closed 1,000 times in one process through the host's own editor path (the bundle loaded as qorv-host
// loads it, an instance made, the view asked for, a short script of events and half a second of frames,
// the view closed and the instance disposed), headless. Checks that
// - resident memory after the last cycle is within 32 MiB of what it was after the first 100;
// - the heap in use (allocated and not freed, as the allocator counts it) does not grow: by at most 128 KiB
//   from cycle 100 to the last (the allocator's per-thread caches of freed blocks fill up over the first few
//   hundred cycles, and it counts them as in use) and by at most 16 KiB over the second half (so a leak of
//   40 bytes a cycle is seen);
// - resident memory after the last cycle is within 12 MiB of what it was before the first: the big buffers
//   of a closed editor (frames, textures, decoded bitmaps, font files) went back to the system.
// Exits 1 when one misses. EDITOR_REOPEN_CYCLES=N runs N cycles instead (first figures at cycle N / 10).
#include "bench/Rounds.h"
#include "host/EditorCommand.h"
#include "host/PluginEntryPoints.h"

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace
{
constexpr double kRssSlackMiB = 32.0;
constexpr double kHeapSlackKiB = 128.0, kSecondHalfSlackKiB = 16.0;
constexpr double kClosedSlackMiB = 12.0;

double ResidentMiB()
{
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double HeapInUseKiB()
{
  return double(mallinfo2().uordblks) / 1024.0;
}
} // namespace

int main()
{
  setenv("QORV_HEADLESS", "1", 1);
  unsetenv("DISPLAY");
  const std::filesystem::path work = QORV_BENCH_WORK_DIR;
  std::filesystem::create_directories(work / "data");
  setenv("XDG_DATA_HOME", (work / "data").c_str(), 1);
  // Over the knobs and a button, a drag, a wheel, then frames for half a second.
  const std::string script = (work / "script.txt").string();
  std::ofstream(script) << "move 120 120\nclick 200 300\ndown 150 200\nmove 150 170\nup 150 170\n"
                           "wheel 300 200 2\nwait 0.5\n";

  qorvhost::PluginEntryPoints plugin;
  std::string error;
  if (!qorvhost::LoadPluginBundle(QORV_BUNDLE_PATH, plugin, error))
  {
    std::fprintf(stderr, "editor_reopen: %s\n", error.c_str());
    return 1;
  }
  const char* given = std::getenv("EDITOR_REOPEN_CYCLES");
  const int cycles = given ? std::max(std::atoi(given), 10) : 1000;
  const int early = cycles / 10;
  qorvhost::EditorOptions options;
  options.script = script;
  qorvhost::SharedOptions shared;
  shared.plugin = QORV_BUNDLE_PATH;
  const double rssBefore = ResidentMiB();
  double earlyRss = 0, earlyHeap = 0, halfHeap = 0;
  const double start = qorvbench::CpuSeconds();
  for (int cycle = 1; cycle <= cycles; cycle++)
  {
    std::ostringstream out, err;
    if (qorvhost::RunEditor(plugin, shared, options, out, err) != 0)
    {
      std::fprintf(stderr, "editor_reopen: cycle %d: %s\n", cycle, err.str().c_str());
      return 1;
    }
    if (cycle == early) earlyRss = ResidentMiB(), earlyHeap = HeapInUseKiB();
    if (cycle == cycles / 2) halfHeap = HeapInUseKiB();
    if (cycle % (cycles / 10) == 0)
      std::printf("cycle %4d: resident %.1f MiB, heap in use %.1f KiB\n", cycle, ResidentMiB(),
                  HeapInUseKiB());
  }
  const double rss = ResidentMiB(), heap = HeapInUseKiB();
  const double cpuMs = (qorvbench::CpuSeconds() - start) / cycles * 1e3;
  const bool rssMet = rss <= earlyRss + kRssSlackMiB;
  const bool heapMet = heap <= earlyHeap + kHeapSlackKiB && heap <= halfHeap + kSecondHalfSlackKiB;
  const bool closedMet = rss <= rssBefore + kClosedSlackMiB;
  std::printf(
      "table: editor opened and closed %d times, %.1f ms CPU a cycle: resident %.1f MiB after %d, %.1f "
      "after the last (target: within %.0f MiB: %s); heap in use %.1f KiB after %d, %.1f after %d, "
      "%.1f after the last (target: at most +%.0f and +%.0f KiB: %s); resident %.1f MiB before the "
      "first (target: the last within %.0f MiB of it: %s)\n",
      cycles, cpuMs, earlyRss, early, rss, kRssSlackMiB, qorvbench::Met(rssMet), earlyHeap, early, halfHeap,
      cycles / 2, heap, kHeapSlackKiB, kSecondHalfSlackKiB, qorvbench::Met(heapMet), rssBefore,
      kClosedSlackMiB, qorvbench::Met(closedMet));
  return rssMet && heapMet && closedMet ? 0 : 1;
}
