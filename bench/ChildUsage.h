// CPU time and peak memory of a child process, for the benchmarks that time whole commands.
#pragma once

#include <string>
#include <vector>

namespace qorvbench
{
struct Usage
{
  double cpuSeconds = 0.0; // user + system
  double peakMiB = 0.0;
};

// Runs the command with its output thrown away and waits for it; exits the benchmark when it fails.
Usage RunChild(const std::vector<std::string>& command);

double Median(std::vector<double> v);
} // namespace qorvbench
