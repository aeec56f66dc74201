#include "bench/ChildUsage.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qorvbench
{
Usage RunChild(const std::vector<std::string>& command)
{
  int out[2];
  if (pipe(out) != 0)
  {
    std::perror("pipe");
    std::exit(1);
  }
  const pid_t pid = fork();
  if (pid == 0)
  {
    close(out[0]);
    dup2(out[1], 1);
    dup2(out[1], 2);
    close(out[1]);
    std::vector<char*> argv;
    for (const std::string& a : command)
      argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  close(out[1]);
  Usage result;
  char buffer[4096];
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) != 0;)
    if (n > 0)
      result.output.append(buffer, size_t(n));
    else if (errno != EINTR)
      break;
  close(out[0]);
  int status = 0;
  rusage usage = {};
  if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
  {
    std::fprintf(stderr, "%s failed\n%s", command[0].c_str(), result.output.c_str());
    std::exit(1);
  }
  auto seconds = [](const timeval& tv) { return double(tv.tv_sec) + double(tv.tv_usec) * 1e-6; };
  result.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  result.peakMiB = double(usage.ru_maxrss) / 1024.0;
  return result;
}
} // namespace qorvbench
