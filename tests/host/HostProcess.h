// qorv-host run as a process, as a user or a script runs it: its exit status and what it wrote.
#pragma once

#include <sys/types.h>

#include <functional>
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
// to files; with `terminal`, standard error is a terminal instead. A host that has not ended after two
// minutes is ended by SIGALRM (status -1), so that a hang fails the test instead of holding it.
HostRun RunHost(const std::vector<std::string>& args, bool terminal = false);

struct HostRunOptions
{
  std::string standardOutput; // a file to take standard output (say /dev/full) instead of the run's own
  bool closedOutput = false;  // standard output a pipe whose reader has gone
  // Called with the host's process id each time it stops itself (SIGSTOP); then it is let go on.
  std::function<void(pid_t)> onStop;
  int user = -1; // a user id to run the host as (a test run as root may), or -1 for the test's own
};
HostRun RunHost(const std::vector<std::string>& args, const HostRunOptions& options);

// What a file holds ("" when it cannot be read).
std::string FileBytes(const std::string& path);
} // namespace qorvtest
