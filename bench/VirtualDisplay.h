// An X server of the benchmark's own: Xvfb on a display number it picks itself (so it never meets another
// run's), stopped when the object goes. Its CPU time is read from /proc, as it is no child the benchmark
// waits for.
#pragma once

#include <string>
#include <sys/types.h>

namespace qorvbench
{
// The CPU seconds of a process of ours so far, every thread's: to the nanosecond where the kernel keeps
// scheduler statistics, else user + system time in clock ticks (10 ms); 0 when it is gone.
double ProcessCpuSeconds(pid_t pid);

class VirtualDisplay
{
public:
  // Starts Xvfb with one screen of that size ("1920x1200x24"), its messages into logPath; waits until it
  // takes connections.
  VirtualDisplay(const std::string& screen, const std::string& logPath);
  ~VirtualDisplay();
  VirtualDisplay(const VirtualDisplay&) = delete;
  VirtualDisplay& operator=(const VirtualDisplay&) = delete;

  bool Running() const { return mPid > 0; }
  // Why it is not running (Xvfb missing, or it did not start).
  const std::string& Failure() const { return mFailure; }
  // The value of DISPLAY for it, ":N".
  const std::string& Name() const { return mName; }
  // The server's CPU seconds so far (user + system).
  double CpuSeconds() const;
  pid_t Pid() const { return mPid; }

private:
  pid_t mPid = -1;
  std::string mName, mFailure;
};
} // namespace qorvbench
