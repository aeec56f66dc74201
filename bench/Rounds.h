// What the benchmarks share to compare a figure with its reference: CPU time, medians of rounds taken in
// turns (so that the machine's changing speed favours neither side), and the verdict on a target.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace qorvbench
{
// CPU seconds of the whole process so far, every thread's.
inline double CpuSeconds()
{
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

inline double Median(std::vector<double> v)
{
  if (v.empty()) return 0.0;
  std::nth_element(v.begin(), v.begin() + long(v.size() / 2), v.end());
  return v[v.size() / 2];
}

// The median of a[i] / b[i]: a figure and its reference measured in the same round.
inline double MedianRatio(const std::vector<double>& a, const std::vector<double>& b)
{
  std::vector<double> r;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i)
    r.push_back(a[i] / b[i]);
  return Median(r);
}

// The median of a[i] - b[i].
inline double MedianDifference(const std::vector<double>& a, const std::vector<double>& b)
{
  std::vector<double> d;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i)
    d.push_back(a[i] - b[i]);
  return Median(d);
}

// The sizes a benchmark runs: those its arguments name (plain counts of at least `least`, for a profiler;
// tools/bench hands every benchmark its --benchmark_* flags, which are left to others), else `all`.
inline std::vector<int> SizesToRun(int argc, char** argv, std::vector<int> all, int least)
{
  std::vector<int> asked;
  for (int i = 1; i < argc; i++)
    if (argv[i][0] != '-' && std::atoi(argv[i]) >= least) asked.push_back(std::atoi(argv[i]));
  return asked.empty() ? all : asked;
}

// How a printed target fared.
inline const char* Met(bool met)
{
  return met ? "met" : "missed";
}
} // namespace qorvbench
