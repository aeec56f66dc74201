// What showing a layer's frames in an X11 window costs on a 16-bit screen against a 24-bit one, where the
// window's image takes the layer's pixels as they are: a window of 200 x 150, 800 x 600 and 1600 x 1200
// pixels presents frames that change all of it, or a sixteenth of it (a rectangle in the middle, as the
// meters of an editor change), on an Xvfb server of the benchmark's own at each depth (1920 x 1280). Each
// run is a child process (a process has one connection, to one server): its CPU time over the presents
// plus the server's over the same time, less that of the same presents in a headless child (the layer's
// own work, which a window does not change). The three take turns, round by round; the table prints
// medians of 9 rounds and the median of the rounds' ratios of the 16-bit window's cost to the 24-bit one's.
// Target: at most 1.5 times at every size.
//
// Left out: drawing the frames (made before the runs), a window manager and a compositor (Xvfb has
// neither, and its screen is memory, where a real server would also send the pixels to a display).
// Without Xvfb it says so and measures nothing.
#include "bench/Rounds.h"
#include "bench/VirtualDisplay.h"

#include <AppKit/NSView.h>
#include <CoreFoundation/CFRunLoop.h>
#include <Metal/MTLDevice.h>
#include <QorvPlatform/Events.h>
#include <QorvPlatform/RunLoopClock.h>
#include <QuartzCore/CAMetalLayer.h>

#include "bench/ChildUsage.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace
{
constexpr int kRounds = 9;
constexpr int kWarmUp = 4; // presents before the timing: the window's image made and shown whole
constexpr double kMostRatio = 1.5;
constexpr long kPixelsARun = 120'000'000; // changed pixels a run presents (at least 400 frames)

// A picture that differs from its other in every pixel, with every channel value.
std::vector<uint8_t> Picture(int width, int height, int which)
{
  std::vector<uint8_t> bytes(size_t(width) * size_t(height) * 4);
  for (size_t i = 0; i < bytes.size(); i += 4)
  {
    const size_t pixel = i / 4 + size_t(which) * 77;
    bytes[i] = uint8_t(pixel), bytes[i + 1] = uint8_t(pixel * 7 / 3), bytes[i + 2] = uint8_t(pixel >> 5);
    bytes[i + 3] = 255;
  }
  return bytes;
}

MTLRegion Changed(int width, int height, bool whole)
{
  if (whole) return MTLRegionMake2D(0, 0, NSUInteger(width), NSUInteger(height));
  return MTLRegionMake2D(NSUInteger(width * 3 / 8), NSUInteger(height * 3 / 8), NSUInteger(width / 4),
                         NSUInteger(height / 4));
}

int Frames(int width, int height, bool whole)
{
  const MTLRegion r = Changed(width, height, whole);
  return std::max(400, int(kPixelsARun / long(r.size.width * r.size.height)));
}

// The child: presents the frames in a window on DISPLAY (headless with QORV_HEADLESS=1) and prints its CPU
// seconds and the server's (pid `server`, 0 for none) over them.
int PresentFrames(int width, int height, bool whole, pid_t server)
{
  qorvplatform::UseRealClock();
  qorvplatform::SetScreenScale(1.0);
  NSWindow window(NSMakeRect(0, 0, width, height));
  window.setTitle("window present");
  NSView view;
  auto layer = CAMetalLayer::layer();
  layer->device = MTLCreateSystemDefaultDevice();
  layer->drawableSize = CGSizeMake(width, height);
  view.setLayer(layer);
  window.setContentView(&view);
  window.makeKeyAndOrderFront(nullptr);
  const std::vector<uint8_t> pictures[2] = {Picture(width, height, 0), Picture(width, height, 1)};
  const MTLRegion changed = Changed(width, height, whole);
  const size_t offset = (changed.origin.y * size_t(width) + changed.origin.x) * 4;
  auto present = [&](int frame)
  {
    auto drawable = layer->nextDrawable();
    if (!drawable) std::exit(1);
    drawable->texture()->replaceRegion(changed, 0, pictures[frame % 2].data() + offset, size_t(width) * 4);
    if (frame >= kWarmUp) drawable->setChangedRegions(&changed, 1);
    drawable->present();
    CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0, true); // the window takes the frame
  };
  for (int frame = 0; frame < kWarmUp; ++frame)
    present(frame);
  const int frames = Frames(width, height, whole);
  const double cpu = qorvbench::CpuSeconds(), serverCpu = server ? qorvbench::ProcessCpuSeconds(server) : 0;
  for (int frame = kWarmUp; frame < kWarmUp + frames; ++frame)
    present(frame);
  qorvplatform::WindowPresentCounts counts;
  const bool shown = qorvplatform::GetWindowPresentCounts(window, counts);
  window.close(); // after the server has taken every request
  std::printf("%.6f %.6f %llu\n", qorvbench::CpuSeconds() - cpu,
              server ? qorvbench::ProcessCpuSeconds(server) - serverCpu : 0.0,
              shown ? (unsigned long long)counts.puts : 0ull);
  return shown == (server != 0) ? 0 : 1;
}

struct Run
{
  std::vector<double> cpu; // a frame's, in microseconds: the child's, plus the server's for a window
  std::vector<double> server;
};

void Measure(Run& run, const std::string& self, const qorvbench::VirtualDisplay* display, int width,
             int height, bool whole)
{
  if (display)
  {
    unsetenv("QORV_HEADLESS");
    setenv("DISPLAY", display->Name().c_str(), 1);
  }
  else
    setenv("QORV_HEADLESS", "1", 1);
  const qorvbench::Usage usage =
      qorvbench::RunChild({self, "--present", std::to_string(width), std::to_string(height),
                           whole ? "all" : "part", std::to_string(display ? display->Pid() : 0)});
  double cpu = 0, server = 0;
  unsigned long long puts = 0;
  if (std::sscanf(usage.output.c_str(), "%lf %lf %llu", &cpu, &server, &puts) != 3 ||
      (display && puts < unsigned(Frames(width, height, whole))))
  {
    std::fprintf(stderr, "window_present: a run failed:\n%s", usage.output.c_str());
    std::exit(1);
  }
  const double frames = Frames(width, height, whole);
  run.cpu.push_back((cpu + server) * 1e6 / frames);
  run.server.push_back(server * 1e6 / frames);
}

std::vector<double> Less(const std::vector<double>& a, const std::vector<double>& b)
{
  std::vector<double> d;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i)
    d.push_back(a[i] - b[i]);
  return d;
}
} // namespace

int main(int argc, char** argv)
{
  if (argc == 6 && std::string(argv[1]) == "--present")
    return PresentFrames(std::atoi(argv[2]), std::atoi(argv[3]), std::string(argv[4]) == "all",
                         pid_t(std::atol(argv[5])));
  using qorvbench::Median;
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  const std::string self = std::filesystem::canonical("/proc/self/exe");
  const std::string work = QORV_BENCH_WORK_DIR;
  std::filesystem::create_directories(work);
  qorvbench::VirtualDisplay deep("1920x1280x24", work + "/xvfb-24.log"),
      shallow("1920x1280x16", work + "/xvfb-16.log");
  if (!deep.Running() || !shallow.Running())
  {
    std::printf("window_present: skipped (%s)\n", (deep.Running() ? shallow : deep).Failure().c_str());
    return 0;
  }
  std::printf("left out: drawing the frames, a window manager and compositor, a real display\n");
  std::printf("table: %-32s %10s %10s %10s %10s %s\n", "window, changed (us a frame)", "headless", "24-bit",
              "16-bit", "16 / 24", "target");
  bool allMet = true;
  for (const bool whole : {true, false})
    for (const auto& [width, height] : {std::pair{200, 150}, std::pair{800, 600}, std::pair{1600, 1200}})
    {
      Run headless, at24, at16;
      for (int round = 0; round < kRounds; ++round)
      {
        Measure(headless, self, nullptr, width, height, whole);
        Measure(at24, self, &deep, width, height, whole);
        Measure(at16, self, &shallow, width, height, whole);
      }
      const std::vector<double> cost24 = Less(at24.cpu, headless.cpu), cost16 = Less(at16.cpu, headless.cpu);
      const double ratio = qorvbench::MedianRatio(cost16, cost24);
      allMet = allMet && ratio <= kMostRatio;
      const std::string figure =
          std::to_string(width) + " x " + std::to_string(height) + (whole ? ", all" : ", a sixteenth");
      std::printf("table: %-32s %10.1f %10.1f %10.1f %10.2f <= %g: %s (server %.1f and %.1f)\n",
                  figure.c_str(), Median(headless.cpu), Median(cost24), Median(cost16), ratio, kMostRatio,
                  qorvbench::Met(ratio <= kMostRatio), Median(at24.server), Median(at16.server));
    }
  std::printf("16-bit window at most %g times the 24-bit one at every size: %s\n", kMostRatio,
              qorvbench::Met(allMet));
  return 0;
}
