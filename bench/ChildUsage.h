// CPU time, peak memory and output of a child process, for the benchmarks that time whole commands.
#pragma once

#include "bench/Rounds.h"

#include <string>
#include <vector>

namespace qorvbench
{
struct Usage
{
  double cpuSeconds = 0.0; // user + system
  double peakMiB = 0.0;
  std::string output; // standard output and error together
};

// Runs the command and waits for it; exits the benchmark, showing the command's output, when it fails.
Usage RunChild(const std::vector<std::string>& command);
} // namespace qorvbench
