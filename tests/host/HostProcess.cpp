#include "tests/host/HostProcess.h"

#include "tests/support/TestPaths.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <iterator>

namespace qorvtest
{
std::string FileBytes(const std::string& path)
{
  // In one read: a plug-in's library is megabytes, slow a character at a time in a sanitizer build.
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return "";
  std::string bytes(size_t(in.tellg()), '\0');
  in.seekg(0);
  in.read(bytes.data(), std::streamsize(bytes.size()));
  return in ? bytes : "";
}

namespace
{
constexpr unsigned kLongestRunSeconds = 120;

[[noreturn]] void Exec(const std::vector<std::string>& args, int outFd, int errFd, int user = -1)
{
  alarm(kLongestRunSeconds); // kept across exec
  signal(SIGPIPE, SIG_DFL);  // as a shell starts it, whatever the test's own handling
  dup2(outFd, STDOUT_FILENO);
  if (errFd >= 0) dup2(errFd, STDERR_FILENO);
  if (user >= 0 && (setgroups(0, nullptr) != 0 || setgid(gid_t(user)) != 0 || setuid(uid_t(user)) != 0))
    _exit(126);
  std::vector<char*> argv{const_cast<char*>(QORV_HOST_EXE)};
  for (const std::string& a : args)
    argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  execv(QORV_HOST_EXE, argv.data());
  _exit(127);
}

int ExitStatus(pid_t pid, const std::function<void(pid_t)>& onStop = nullptr)
{
  int wstatus = 0;
  for (;;)
  {
    if (waitpid(pid, &wstatus, onStop ? WUNTRACED : 0) != pid) return -1;
    if (!WIFSTOPPED(wstatus)) break;
    onStop(pid);
    kill(pid, SIGCONT);
  }
  return WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
}
} // namespace

HostRun RunHost(const std::vector<std::string>& args, bool terminal)
{
  if (!terminal) return RunHost(args, HostRunOptions());
  static std::atomic<int> runs{0};
  const std::string dir =
      ScratchDir("host_process_" + std::to_string(getpid()) + "_" + std::to_string(runs++));
  const std::string outPath = dir + "/out", errPath = dir + "/err";
  const int outFd = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  HostRun run;
  if (outFd < 0) return run;
  int master = -1;
  const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
  if (pid == 0) Exec(args, outFd, -1);
  close(outFd);
  if (pid < 0) return run;
  char buf[4096];
  for (ssize_t n; (n = read(master, buf, sizeof buf)) > 0;)
    run.err.append(buf, size_t(n));
  close(master);
  run.status = ExitStatus(pid);
  run.out = FileBytes(outPath);
  return run;
}

HostRun RunHost(const std::vector<std::string>& args, const HostRunOptions& options)
{
  static std::atomic<int> runs{0};
  const std::string dir =
      ScratchDir("host_process_" + std::to_string(getpid()) + "_r" + std::to_string(runs++));
  const std::string outPath = options.standardOutput.empty() ? dir + "/out" : options.standardOutput;
  const std::string errPath = dir + "/err";
  HostRun run;
  int outFd = -1;
  if (options.closedOutput)
  {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) == 0)
    {
      close(ends[0]);
      outFd = ends[1];
    }
  }
  else
    outFd = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const int errFd = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (outFd >= 0 && errFd >= 0)
  {
    const pid_t pid = fork();
    if (pid == 0) Exec(args, outFd, errFd, options.user);
    run.status = pid > 0 ? ExitStatus(pid, options.onStop) : -1;
  }
  if (outFd >= 0) close(outFd);
  if (errFd >= 0) close(errFd);
  run.err = FileBytes(errPath);
  if (options.standardOutput.empty() && !options.closedOutput) run.out = FileBytes(outPath);
  return run;
}
} // namespace qorvtest
