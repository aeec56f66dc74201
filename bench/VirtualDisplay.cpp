#include "bench/VirtualDisplay.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qorvbench
{
namespace
{
bool OnPath(const std::string& program)
{
  const char* path = std::getenv("PATH");
  std::stringstream folders(path ? path : "");
  for (std::string folder; std::getline(folders, folder, ':');)
    if (!folder.empty() && access((folder + "/" + program).c_str(), X_OK) == 0) return true;
  return false;
}
} // namespace

VirtualDisplay::VirtualDisplay(const std::string& screen, const std::string& logPath)
{
  if (!OnPath("Xvfb"))
  {
    mFailure = "Xvfb is not installed";
    return;
  }
  int number[2];
  if (pipe(number) != 0)
  {
    mFailure = "no pipe for Xvfb's display number";
    return;
  }
  const pid_t pid = fork();
  if (pid == 0)
  {
    close(number[0]);
    // The server goes with the benchmark, however that ends.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(log, 1);
    dup2(log, 2);
    const std::string fd = std::to_string(number[1]);
    // -noreset: the server keeps its state when each run's host, its only client, leaves.
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
           "-noreset", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(number[1]);
  // The server writes its display number once it takes connections.
  std::string text;
  pollfd wait = {number[0], POLLIN, 0};
  char buffer[32];
  while (pid > 0 && text.find('\n') == std::string::npos && poll(&wait, 1, 20000) > 0)
  {
    const ssize_t n = read(number[0], buffer, sizeof buffer);
    if (n <= 0) break;
    text.append(buffer, size_t(n));
  }
  close(number[0]);
  if (pid > 0 && !text.empty() && text.find('\n') != std::string::npos)
  {
    mPid = pid;
    mName.assign(1, ':').append(text, 0, text.find('\n'));
    return;
  }
  std::ifstream log(logPath);
  mFailure = "Xvfb did not start: " + std::string(std::istreambuf_iterator<char>(log), {});
  if (pid > 0)
  {
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
  }
}

VirtualDisplay::~VirtualDisplay()
{
  if (mPid <= 0) return;
  kill(mPid, SIGTERM);
  waitpid(mPid, nullptr, 0);
}

double VirtualDisplay::CpuSeconds() const
{
  return ProcessCpuSeconds(mPid);
}

double ProcessCpuSeconds(pid_t pid)
{
  // Each thread's time on a CPU in nanoseconds, the first field of its schedstat.
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  std::error_code error;
  double ns = 0.0;
  bool told = false;
  for (const auto& task : std::filesystem::directory_iterator(tasks, error))
  {
    std::ifstream schedstat(task.path() / "schedstat");
    double run = 0.0;
    if (schedstat >> run) ns += run, told = true;
  }
  if (told) return ns * 1e-9;
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  const std::string line((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  // The fields after the command's name in brackets, from the third (the state): utime and stime are the
  // 14th and 15th, in clock ticks.
  const size_t name = line.rfind(')');
  if (name == std::string::npos) return 0.0;
  std::istringstream fields(line.substr(name + 1));
  std::string field;
  double ticks = 0.0;
  for (int i = 3; i <= 15 && fields >> field; ++i)
    if (i >= 14) ticks += std::atof(field.c_str());
  return ticks / double(sysconf(_SC_CLK_TCK));
}
} // namespace qorvbench
