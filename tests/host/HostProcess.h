// qorv-host run as a process, as a user or a script runs it: its exit status and what it wrote.
#pragma once

#include <string>
#include <vector>

namespace qorvtest
{
struct HostRun
{
  int status = -1; // the exit status; -1 when it did not exit
  std::string out, err;
};

// Runs the host built with this test binary with these arguments. Standard output and standard error go
// to files; with `terminal`, standard error is a terminal instead.
HostRun RunHost(const std::vector<std::string>& args, bool terminal = false);
} // namespace qorvtest
